// Shared by the option tests (readers and the C interface): the profiles of
// the simulated office printer, a reader class that opens the protected
// parts of the option reader to the tests, and printers on port 161 in a
// namespace of their own (the readers always talk to port 161).
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "agent/fault_agent.h"
#include "agent/snmprec_profile.h"
#include "device/status_test_support.h"
#include "psw/psw_options.hpp"

namespace option_test {

// The supported model's sysObjectID as the profile serves it, and the
// other model's.
constexpr const char* kOfficeSysObjectId = "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1";
constexpr const char* kOtherSysObjectId = "1.3.6.1.4.1.47001.1.11.93.1.34.40.15";

// Adds every object of `more` to `into`; an object in both is an error in
// the profiles, not something to paper over.
inline void merge_profile(psw_test::SnmprecProfile& into, const psw_test::SnmprecProfile& more) {
  for (const psw_test::ProfileEntry& e : more.entries()) {
    if (into.find(e.oid) != nullptr) {
      throw std::invalid_argument("object in both profiles: " + psw_test::ber::oid_text(e.oid));
    }
    into.set(e.oid, e.value, e.writable);
  }
}

// The whole simulated office printer: its status and its option objects.
inline psw_test::SnmprecProfile office_mfp_profile() {
  psw_test::SnmprecProfile p =
      psw_test::SnmprecProfile::load(psw_test::profile_path("office_mfp_status.snmprec"));
  merge_profile(p, psw_test::SnmprecProfile::load(psw_test::profile_path("office_mfp_options.snmprec")));
  return p;
}

inline psw_test::SnmprecProfile other_model_profile() {
  return psw_test::SnmprecProfile::load(psw_test::profile_path("other_model.snmprec"));
}

// One hrDeviceTable row (columns 1, 2, 3 and 5) added to a profile.
inline void add_device(psw_test::SnmprecProfile& p, int index, const std::string& description, int status = 2) {
  using psw_test::ber::Value;
  const std::string i = "." + std::to_string(index);
  p.set("1.3.6.1.2.1.25.3.2.1.1" + i, Value::Integer(index));
  p.set("1.3.6.1.2.1.25.3.2.1.2" + i, Value::ObjectId(psw_test::ber::parse_oid("1.3.6.1.4.1.32473.8.52.2.201")));
  p.set("1.3.6.1.2.1.25.3.2.1.3" + i, Value::OctetString(description));
  p.set("1.3.6.1.2.1.25.3.2.1.5" + i, Value::Integer(status));
}

// The option reader with its protected parts open to the tests.
class TestOption : public CPSWFalconOption {
 public:
  using CPSWDevCommOption::ConvertMediumLevel;
  using CPSWDevCommOption::has_device_index;
  using CPSWDevCommOption::initialize_data;
  using CPSWDevCommOption::MediaDimensionToMediumSize;
  using CPSWDevCommOption::parse_version_value;

  using CPSWDevCommOption::m_bCenterTrayMark;
  using CPSWDevCommOption::m_nFaxMaxSpeedDial;
  using CPSWDevCommOption::m_szNetWareSAPUnitName;
  using CPSWDevCommOption::m_bCommunitySet;
  using CPSWDevCommOption::m_bDuplexUnit;
  using CPSWDevCommOption::m_bISDNG4Kit;
  using CPSWDevCommOption::m_bLineSwitchKit;
  using CPSWDevCommOption::m_bManualTray;
  using CPSWDevCommOption::m_bOffsetStacking;
  using CPSWDevCommOption::m_devices;
  using CPSWDevCommOption::m_inputTrays;
  using CPSWDevCommOption::m_nAuthProtocol;
  using CPSWDevCommOption::m_nDeviceCount;
  using CPSWDevCommOption::m_nInputTrayCount;
  using CPSWDevCommOption::m_nMaxMessageSize;
  using CPSWDevCommOption::m_nMemorySizeKB;
  using CPSWDevCommOption::m_nOutputTrayCount;
  using CPSWDevCommOption::m_nPort;
  using CPSWDevCommOption::m_nPrivProtocol;
  using CPSWDevCommOption::m_nProtocol;
  using CPSWDevCommOption::m_nRetries;
  using CPSWDevCommOption::m_nRomVersionMajor;
  using CPSWDevCommOption::m_nRomVersionMinor;
  using CPSWDevCommOption::m_nRomVersionRevision;
  using CPSWDevCommOption::m_nSecurityLevel;
  using CPSWDevCommOption::m_nSnmpMode;
  using CPSWDevCommOption::m_nTimeout;
  using CPSWDevCommOption::m_szAddress;
  using CPSWDevCommOption::m_szAuthPassPhrase;
  using CPSWDevCommOption::m_szCommunity;
  using CPSWDevCommOption::m_szContextName;
  using CPSWDevCommOption::m_szPrinterRomVersion;
  using CPSWDevCommOption::m_szPrivPassPhrase;
  using CPSWDevCommOption::m_szSysName;
  using CPSWDevCommOption::m_szUserName;

  // Appends one device to the list as a refresh would.
  void add_device(int hrDeviceIndex, int status = 2) {
    SDeviceEntry& d = m_devices[m_nDeviceCount++];
    d.hrDeviceIndex = hrDeviceIndex;
    d.hrDeviceStatus = status;
  }
};

// Answers of one key; the test fails when the key is refused.
inline bool yes(const TestOption& o, const char* key) {
  bool value = false;
  EXPECT_EQ(o.get_option(key, &value, 0), PSW_OK) << key;
  return value;
}
inline int32_t number(const TestOption& o, const char* key, int index = 0) {
  int32_t value = -12345;
  EXPECT_EQ(o.get_option(key, &value, index), PSW_OK) << key << "[" << index << "]";
  return value;
}
inline std::string text(const TestOption& o, const char* key, int index = 0) {
  const char* value = nullptr;
  EXPECT_EQ(o.get_option(key, &value, index), PSW_OK) << key << "[" << index << "]";
  return value != nullptr ? value : "(null)";
}

// The address family a test runs on.
using status_test::Family;
using status_test::family_name;
using status_test::kIPv4;
using status_test::kIPv6;

// The fault agent on port 161 of one loopback address, in a namespace of
// its own; it records every request. Code that talks to it runs through
// run().
class FaultPrinter {
 public:
  FaultPrinter(const Family& family, const psw_test::SnmprecProfile& profile) {
    netns_.run([&] { agent_ = std::make_unique<psw_test::FaultAgent>(family.address, 161); });
    agent_->load(profile);
  }
  psw_test::FaultAgent& agent() { return *agent_; }
  void run(const std::function<void()>& fn) const { netns_.run(fn); }

 private:
  status_test::PrivateNetns netns_;  // first in, last out
  std::unique_ptr<psw_test::FaultAgent> agent_;
};

}  // namespace option_test
