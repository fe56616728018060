// The SNMPv3 settings object: defaults, and what `set` takes from a block.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "device/pmc_plugin_usm.h"

namespace {

class PluginUSM : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = 1;
    m_usm.reset(pmc_create_plugin_usm(&err));
    ASSERT_EQ(err, 0);
    ASSERT_TRUE(m_usm);
  }

  // Expects every setting at its default except the mode.
  void expect_defaults() const {
    EXPECT_STREQ(m_usm->get_user_name(), "Kdrivers");
    EXPECT_EQ(m_usm->get_security_level(), PSW_USM_AUTH_PRIV);
    EXPECT_EQ(m_usm->get_auth_protocol(), PSW_USM_AUTH_HMAC_MD5);
    EXPECT_EQ(m_usm->get_priv_protocol(), PSW_USM_PRIV_DES);
    EXPECT_STREQ(m_usm->get_auth_pass_phrase(), CPSWPluginUSM::kDefaultAuthPassPhrase);
    EXPECT_STREQ(m_usm->get_priv_pass_phrase(), CPSWPluginUSM::kDefaultPrivPassPhrase);
    EXPECT_STREQ(m_usm->get_context_name(), "");
  }

  PSWPluginUSMPtr m_usm;
};

bool letters_and_digits(const char* s) {
  for (; *s != '\0'; ++s)
    if (!std::isalnum(static_cast<unsigned char>(*s))) return false;
  return true;
}

TEST_F(PluginUSM, StartsWithDefaultsAndModeNotSet) {
  EXPECT_EQ(m_usm->get_snmp_mode(), -1);
  expect_defaults();
  const char* auth = m_usm->get_auth_pass_phrase();
  const char* priv = m_usm->get_priv_pass_phrase();
  EXPECT_EQ(std::strlen(auth), 20u);
  EXPECT_EQ(std::strlen(priv), 20u);
  EXPECT_TRUE(letters_and_digits(auth));
  EXPECT_TRUE(letters_and_digits(priv));
  EXPECT_STRNE(auth, priv);
}

TEST_F(PluginUSM, ZeroedOrNullBlockKeepsTextsAndZeroesNumbers) {
  for (bool null_block : {false, true}) {
    PSWUSMSettings zero = {};
    m_usm->set(0, null_block ? nullptr : &zero);
    EXPECT_EQ(m_usm->get_snmp_mode(), 0);
    EXPECT_STREQ(m_usm->get_user_name(), "Kdrivers");
    EXPECT_STREQ(m_usm->get_auth_pass_phrase(), CPSWPluginUSM::kDefaultAuthPassPhrase);
    EXPECT_EQ(m_usm->get_security_level(), 0);
    EXPECT_EQ(m_usm->get_auth_protocol(), 0);
    EXPECT_EQ(m_usm->get_priv_protocol(), 0);
  }
}

TEST_F(PluginUSM, TakesEveryFieldThatIsSet) {
  PSWUSMSettings b = {};
  std::strcpy(b.userName, "operator");
  b.securityLevel = PSW_USM_AUTH_NOPRIV;
  b.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  b.privProtocol = PSW_USM_PRIV_AES;
  std::strcpy(b.authPassPhrase, "auth-phrase");
  std::strcpy(b.privPassPhrase, "priv-phrase");
  std::strcpy(b.contextName, "ctx");
  m_usm->set(PSW_SNMP_MODE_V3, &b);
  EXPECT_EQ(m_usm->get_snmp_mode(), 2);
  EXPECT_STREQ(m_usm->get_user_name(), "operator");
  EXPECT_EQ(m_usm->get_security_level(), 1);
  EXPECT_EQ(m_usm->get_auth_protocol(), 2);
  EXPECT_EQ(m_usm->get_priv_protocol(), 2);
  EXPECT_STREQ(m_usm->get_auth_pass_phrase(), "auth-phrase");
  EXPECT_STREQ(m_usm->get_priv_pass_phrase(), "priv-phrase");
  EXPECT_STREQ(m_usm->get_context_name(), "ctx");
}

TEST_F(PluginUSM, OutOfRangeValuesKeepDefaults) {
  PSWUSMSettings b = {};
  b.securityLevel = 7;
  b.authProtocol = -1;
  b.privProtocol = 3;
  for (int32_t mode : {3, -1, -2, 100}) {
    m_usm->set(mode, &b);
    EXPECT_EQ(m_usm->get_snmp_mode(), -1) << mode;
    expect_defaults();
  }
  m_usm->set(1, &b);
  EXPECT_EQ(m_usm->get_snmp_mode(), 1);
}

TEST_F(PluginUSM, EmptyUserNameKeepsDefaultWhilePrivPhraseIsReplaced) {
  PSWUSMSettings b = {};
  b.securityLevel = 2;
  b.authProtocol = 1;
  b.privProtocol = 1;
  std::strcpy(b.privPassPhrase, "only-this");
  m_usm->set(2, &b);
  EXPECT_STREQ(m_usm->get_user_name(), "Kdrivers");
  EXPECT_STREQ(m_usm->get_auth_pass_phrase(), CPSWPluginUSM::kDefaultAuthPassPhrase);
  EXPECT_STREQ(m_usm->get_priv_pass_phrase(), "only-this");
}

// A second call starts from the defaults: nothing of the first call stays,
// not even the tail of a longer earlier text behind a shorter new one.
TEST_F(PluginUSM, ConsecutiveSetsDoNotAccumulate) {
  PSWUSMSettings first = {};
  std::strcpy(first.userName, "a-rather-long-user-name");
  std::strcpy(first.contextName, "first-context");
  first.securityLevel = 0;
  m_usm->set(2, &first);
  ASSERT_STREQ(m_usm->get_context_name(), "first-context");

  PSWUSMSettings second = {};
  std::strcpy(second.userName, "short");
  second.securityLevel = 99;
  second.authProtocol = 1;
  second.privProtocol = 1;
  m_usm->set(7, &second);
  EXPECT_EQ(m_usm->get_snmp_mode(), -1);
  EXPECT_STREQ(m_usm->get_user_name(), "short");
  EXPECT_EQ(m_usm->get_security_level(), 2);
  EXPECT_STREQ(m_usm->get_context_name(), "");
}

// Texts that fill their field without a terminator are cut one short of the
// field and terminated; nothing beyond the field is read.
TEST_F(PluginUSM, UnterminatedTextsAreCutToFieldCapacity) {
  PSWUSMSettings b;
  std::memset(&b, 'z', sizeof b);  // every text full, no terminator anywhere
  b.securityLevel = 1;
  b.authProtocol = 1;
  b.privProtocol = 0;
  std::memset(b.userName, 'u', sizeof b.userName);
  std::memset(b.privPassPhrase, 'p', sizeof b.privPassPhrase);
  m_usm->set(2, &b);
  EXPECT_EQ(std::string(m_usm->get_user_name()), std::string(63, 'u'));
  EXPECT_EQ(std::string(m_usm->get_auth_pass_phrase()), std::string(63, 'z'));
  EXPECT_EQ(std::string(m_usm->get_priv_pass_phrase()), std::string(63, 'p'));
  EXPECT_EQ(std::string(m_usm->get_context_name()), std::string(511, 'z'));
}

}  // namespace
