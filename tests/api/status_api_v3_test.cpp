// The status functions over SNMPv3: a device opened with user-based
// security reads its tables, and keeps the credentials it was opened with
// when the handle's settings change afterwards.
#include <gtest/gtest.h>

#include <cstring>

#include "device/status_device_support.h"
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

// The status object copies the SNMPv3 values when it is set up: a later
// change of the settings object (as a search with other settings makes)
// must not change the user an opened device is read as.
TEST(StatusDeviceV3, KeepsTheCredentialsItWasSetUpWith) {
  SimulatedPrinter printer = v3_printer();
  printer.run([&] {
    PSWPluginUSMPtr usm(pmc_create_plugin_usm(nullptr));
    PSWUSMSettings block = settings_of(kAlice);
    usm->set(PSW_SNMP_MODE_V3, &block);
    StatusPtr status = make_status(kIPv4.protocol, kIPv4.address, *usm);
    ASSERT_TRUE(status);
    ASSERT_EQ(status->read_alert_table(), 0);
    // Another user, unknown to the device, with the same level and protocols.
    PSWUSMSettings other = settings_of({"mallory", "SHA", "mallory-auth-pass", "AES", "mallory-priv-pass", false});
    usm->set(PSW_SNMP_MODE_V3, &other);
    status->alert_table().clear();
    EXPECT_EQ(status->read_alert_table(), 0);
    expect_table(status->alert_table(), expected_alerts());
  });
}

}  // namespace
}  // namespace status_test
