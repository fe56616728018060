// Device-level helpers of the status tests: a status object set up for one
// address of the simulated printer, and table checks.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/pmc_plugin_usm.h"
#include "device/psw_device_status.h"
#include "device/status_test_support.h"

namespace status_test {

struct StatusDestroy {
  void operator()(CPSWDeviceStatus* p) const {
    if (p != nullptr) p->destroy();
  }
};
using StatusPtr = std::unique_ptr<CPSWDeviceStatus, StatusDestroy>;

// Settings of community-based requests (mode 0, a zeroed block), as a plain
// device opening makes them.
inline PSWPluginUSMPtr community_settings() {
  PSWPluginUSMPtr usm(pmc_create_plugin_usm(nullptr));
  usm->set(0, nullptr);
  return usm;
}

// A status object set up for `address` under `protocol`; null (and a test
// failure) when set-up fails.
inline StatusPtr make_status(int32_t protocol, const char* address, const IPSWPluginUSM& usm, int32_t timeout = 2000,
                             int32_t retries = 1) {
  int err = 0;
  StatusPtr status(pmc_make<CPSWDeviceStatus>(&err));
  EXPECT_EQ(err, 0);
  if (!status) return status;
  int rc = status->setup(protocol, address, &usm, timeout, retries, 0);
  EXPECT_EQ(rc, 0) << "setup " << address;
  if (rc != 0) status.reset();
  return status;
}

// The table holds exactly `expected`, in order.
template <class Record>
void expect_table(const CPSWRecordTable<Record>& table, const std::vector<Record>& expected) {
  ASSERT_EQ(table.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(table[i], expected[i]) << "record " << i;
}

}  // namespace status_test
