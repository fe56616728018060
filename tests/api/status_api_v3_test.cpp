// The status functions over SNMPv3: a device opened with user-based
// security reads its tables and cancels a job. That it keeps the
// credentials it was opened with is checked in open_v3_test.cpp.
#include <gtest/gtest.h>

#include <cstring>

#include "device/status_test_support.h"
#include "device/status_expected_records.h"
#include "psw/psw.h"

namespace status_test {
namespace {

const psw_test::UsmUser kAlice{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", true};

PSWUSMSettings settings_of(const psw_test::UsmUser& user) {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  copy_text(block.userName, user.name.c_str());
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  copy_text(block.authPassPhrase, user.auth_passphrase.c_str());
  copy_text(block.privPassPhrase, user.priv_passphrase.c_str());
  return block;
}

SimulatedPrinter v3_printer() {
  return SimulatedPrinter(office_printer_profile(), [](psw_test::SnmpdOptions& o) {
    o.read_community.clear();
    o.write_community.clear();
    o.users = {kAlice};
  });
}

TEST(StatusApiV3, OpenedWithUserSettingsReadsEveryKindOfRecord) {
  SimulatedPrinter printer = v3_printer();
  printer.run([&] {
    PSWHANDLE h = nullptr;
    ASSERT_EQ(PSWInit(&h), 0);
    PSWUSMSettings block = settings_of(kAlice);
    ASSERT_EQ(PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1), 0);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfTonerInfo(h, &count), 0);
    ASSERT_EQ(count, static_cast<int32_t>(expected_toners().size()));
    PSWTonerInfo toner;
    ASSERT_EQ(PSWGetTonerInfo(h, 2, &toner), 0);
    EXPECT_EQ(toner, expected_toners()[2]);
    ASSERT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_UNFINISHED, &count), 0);
    ASSERT_EQ(count, 3);
    PSWJobInfo job;
    ASSERT_EQ(PSWGetJobInfo(h, 0, &job), 0);
    EXPECT_EQ(job, expected_jobs()[3]);
    EXPECT_EQ(PSWCancelJob(h, job.jobId), 0);
    PSWUnInit(h);
  });
}

}  // namespace
}  // namespace status_test
