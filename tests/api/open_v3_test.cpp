// Opening with SNMPv3 (PSWInitDeviceEx, mode 2) and reading options and a
// status table through the user-based security model.
#include <gtest/gtest.h>

#include <cstring>

#include "api/psw_handle.h"
#include "device/option_test_support.h"
#include "psw/psw.h"

namespace {

using option_test::Family;

PSWUSMSettings user_block(const char* user, const char* authPass, const char* privPass) {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  std::strcpy(block.userName, user);
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  std::strcpy(block.authPassPhrase, authPass);
  std::strcpy(block.privPassPhrase, privPass);
  return block;
}

class OpenDeviceV3 : public ::testing::TestWithParam<Family> {
 protected:
  void SetUp() override { ASSERT_EQ(PSWInit(&h_), PSW_OK); }
  void TearDown() override { PSWUnInit(h_); }

  // The office printer with one SNMPv3 user and no community at all.
  static status_test::SimulatedPrinter printer() {
    return status_test::SimulatedPrinter(option_test::office_mfp_profile(), [](psw_test::SnmpdOptions& o) {
      o.read_community.clear();
      o.write_community.clear();
      o.users = {{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass"}};
    });
  }

  PSWHANDLE h_ = nullptr;
};

TEST_P(OpenDeviceV3, OpensAndReadsOptionsAndTables) {
  status_test::SimulatedPrinter p = printer();
  const PSWUSMSettings alice = user_block("alice", "alice-auth-pass", "alice-priv-pass");
  p.run([&] {
    ASSERT_EQ(PSWInitDeviceEx(h_, GetParam().address, GetParam().transport, PSW_SNMP_MODE_V3, &alice, 3000, 1),
              PSW_OK);
    ASSERT_EQ(PSWRefreshOptions(h_), PSW_OK);
    char name[PSW_OPTION_TEXT_SIZE];
    ASSERT_EQ(PSWGetOptionValueString(h_, "SysName", 0, name), PSW_OK);
    EXPECT_STREQ(name, "MFP-3F-EAST");
    int32_t value = 0;
    ASSERT_EQ(PSWGetOptionValueInteger(h_, "FAXType", 0, &value), PSW_OK);
    EXPECT_EQ(value, 3);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfInputTrayInfo(h_, &count), PSW_OK);
    EXPECT_EQ(count, 5);
  });
}

TEST_P(OpenDeviceV3, LaterSettingsDoNotChangeTheOpenedDevicesCredentials) {
  status_test::SimulatedPrinter p = printer();
  const PSWUSMSettings alice = user_block("alice", "alice-auth-pass", "alice-priv-pass");
  const PSWUSMSettings mallory = user_block("mallory", "mallory-auth-pass", "mallory-priv-pass");
  p.run([&] {
    ASSERT_EQ(PSWInitDeviceEx(h_, GetParam().address, GetParam().transport, PSW_SNMP_MODE_V3, &alice, 3000, 1),
              PSW_OK);
    // What a later search with other settings does to the handle's settings.
    h_->m_pUSM->set(PSW_SNMP_MODE_V3, &mallory);
    EXPECT_EQ(PSWRefreshOptions(h_), PSW_OK);
    int32_t count = 0;
    EXPECT_EQ(PSWGetNumberOfStorageInfo(h_, &count), PSW_OK);
  });
}

TEST_P(OpenDeviceV3, WrongPassPhraseFails) {
  status_test::SimulatedPrinter p = printer();
  const PSWUSMSettings wrong = user_block("alice", "not-alices-pass", "alice-priv-pass");
  p.run([&] {
    int32_t rc = PSWInitDeviceEx(h_, GetParam().address, GetParam().transport, PSW_SNMP_MODE_V3, &wrong, 1000, 0);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(h_->m_pStatus, nullptr);
  });
}

INSTANTIATE_TEST_SUITE_P(Families, OpenDeviceV3, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

}  // namespace
