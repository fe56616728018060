// The search functions up to the network: the order of their checks, what a
// refused search leaves alone, and what a search takes over from the handle.
// Datagrams here go only to 127.0.0.1 in the test's private namespace, where
// nobody answers; searches without an address are in the network test.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

#include "api/psw_handle.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_discovery.h"
#include "request/pmc_find_device_snmp.h"

namespace {

constexpr int32_t kUntouched = 77;

CPmcFindDeviceSnmp* finder(PSWHANDLE h) {
  return dynamic_cast<CPmcFindDeviceSnmp*>(h->m_pDiscovery->m_pFindDeviceSnmp.get());
}

class Search : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(PSWInit(&m_h), PSW_OK);
    ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", "finders"), PSW_OK);
    // The list of an earlier search.
    ASSERT_EQ(m_h->m_pDiscovery->start_results(), PSW_OK);
    ASSERT_EQ(m_h->m_pDiscovery->add_answer("1.3.6.1.4.1.47001.1.11.93.1.34.40.1", "10.0.0.1"), PSW_OK);
  }
  void TearDown() override { PSWUnInit(m_h); }
  int32_t find(const char* address, int32_t transport, int32_t* count) {
    return PSWFindDeviceSNMP(m_h, address, transport, 50, 0, count);
  }
  bool old_list_walkable() {
    char a[64], m[64], f[1], o[64];
    PSWFindResetPosition(m_h);
    return PSWGetDeviceNext(m_h, a, m, f, o) == 1;
  }
  PSWHANDLE m_h = nullptr;
  PSWUSMSettings m_block = {};
};

TEST_F(Search, PointersThenTransportAreCheckedBeforeAnythingIsTouched) {
  int32_t count = kUntouched;
  EXPECT_EQ(PSWFindDeviceSNMP(nullptr, "127.0.0.1", 1, 50, 0, &count), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWFindDeviceSNMPEx(nullptr, "127.0.0.1", 1, 0, &m_block, 50, 0, &count), PSW_ERR_ARGUMENT);
  // Null count or null settings give -2 even on transport 3 (else -5).
  EXPECT_EQ(find("127.0.0.1", PSW_TRANSPORT_RESERVED, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWFindDeviceSNMPEx(m_h, "127.0.0.1", 3, 2, nullptr, 50, 0, &count), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWFindDeviceSNMPEx(m_h, "127.0.0.1", 1, 2, nullptr, 50, 0, &count), PSW_ERR_ARGUMENT);
  for (int32_t transport : {0, 4, 6, -1, INT32_MIN, INT32_MAX}) {
    EXPECT_EQ(find("127.0.0.1", transport, &count), PSW_ERR_ARGUMENT) << transport;
  }
  EXPECT_EQ(find("127.0.0.1", PSW_TRANSPORT_RESERVED, &count), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(PSWFindDeviceSNMPEx(m_h, "127.0.0.1", 3, 2, &m_block, 50, 0, &count), PSW_ERR_UNSUPPORTED);
  // Nothing was touched: count, settings, community, finder, list.
  EXPECT_EQ(count, kUntouched);
  EXPECT_EQ(m_h->m_pUSM->get_snmp_mode(), -1);
  EXPECT_STREQ(m_h->m_pDiscovery->m_community.c_str(), "");
  EXPECT_EQ(m_h->m_pDiscovery->m_pFindDeviceSnmp, nullptr);
  EXPECT_TRUE(old_list_walkable());
}

TEST_F(Search, NegativeTimeOutOrRetriesAreRefusedAlikeForEveryMode) {
  // Run in the test's private namespace: a search that went out would
  // reach nothing, and the refusal comes before anything is sent.
  std::snprintf(m_block.userName, sizeof m_block.userName, "%s", "searcher");
  for (int32_t mode : {PSW_SNMP_MODE_COMMUNITY, PSW_SNMP_MODE_V3}) {
    for (auto [timeout, retries] : {std::pair{50, -1}, std::pair{-1, 0}}) {
      SCOPED_TRACE(std::to_string(mode) + ": " + std::to_string(timeout) + "/" + std::to_string(retries));
      int32_t count = kUntouched;
      EXPECT_EQ(PSWFindDeviceSNMPEx(m_h, "127.0.0.1", PSW_TRANSPORT_UDP, mode, &m_block, timeout, retries, &count),
                PSW_ERR_ARGUMENT);
      EXPECT_EQ(count, 0);
      EXPECT_FALSE(old_list_walkable());
    }
  }
}

TEST_F(Search, ADestinationOfAnotherProtocolIsRefusedAfterTheOldListIsGone) {
  const std::pair<const char*, int32_t> cases[] = {{"ff02::1", 1}, {"00000000:ffffffffffff", 1},
                                                   {"127.0.0.1", 5}, {"127.0.0.1", 2}, {"::1", 2}};
  for (const auto& c : cases) {
    int32_t count = kUntouched;
    EXPECT_EQ(find(c.first, c.second, &count), PSW_ERR_ARGUMENT) << c.first;
    EXPECT_EQ(count, kUntouched);  // refused before the count is written
    EXPECT_NE(m_h->m_pDiscovery->m_pFindDeviceSnmp, nullptr);
    EXPECT_FALSE(old_list_walkable());
  }
  int32_t count = kUntouched;
  EXPECT_NE(find("printer.example", 1, &count), PSW_OK);  // no address at all
  EXPECT_EQ(count, kUntouched);
}

TEST_F(Search, CommunityAndSnmpValuesAreTakenAtTheSearch) {
  std::strcpy(m_block.userName, "alice");
  m_block.securityLevel = PSW_USM_AUTH_NOPRIV;
  m_block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  std::strcpy(m_block.authPassPhrase, "alice-auth-phrase");
  std::strcpy(m_block.contextName, "room-12");
  int32_t count = kUntouched;
  // Nobody answers; only the set-up matters here.
  PSWFindDeviceSNMPEx(m_h, "127.0.0.1", 1, PSW_SNMP_MODE_V3, &m_block, 50, 0, &count);
  ASSERT_NE(finder(m_h), nullptr);
  EXPECT_TRUE(finder(m_h)->target()->uses_usm());
  EXPECT_STREQ(m_h->m_pDiscovery->m_community.c_str(), "finders");
  // An opening rewrites the settings object; the search's target kept copies.
  m_h->m_pUSM->set(0, nullptr);
  const IPmsUsmTarget* user = pms_usm_of(finder(m_h)->target());
  ASSERT_NE(user, nullptr);
  EXPECT_STREQ(user->get_user_name(), "alice");
  EXPECT_EQ(user->get_security_level(), PSW_USM_AUTH_NOPRIV);
  EXPECT_EQ(user->get_auth_protocol(), PSW_USM_AUTH_HMAC_SHA);
  EXPECT_EQ(user->get_priv_protocol(), 0);
  EXPECT_STREQ(user->get_auth_pass_phrase(), "alice-auth-phrase");
  EXPECT_STREQ(user->get_priv_pass_phrase(), CPSWPluginUSM::kDefaultPrivPassPhrase);
  EXPECT_STREQ(user->get_context_name(), "room-12");

  // The plain form: mode 0, community target; an empty find community
  // keeps the one of the earlier search.
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", ""), PSW_OK);
  ASSERT_EQ(find("127.0.0.1", 1, &count), PSW_OK);
  EXPECT_EQ(count, 0);
  EXPECT_FALSE(finder(m_h)->target()->uses_usm());
  EXPECT_STREQ(finder(m_h)->community(), "finders");
}

}  // namespace
