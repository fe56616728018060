// Device searches on a private network of three real SNMP agents: two of
// the supported model and one other printer, answering after different
// delays so the order of their answers is known. Every library call runs
// on the client namespace's thread, so broadcasts to 255.255.255.255 and
// ff02::1 reach only the agents.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "agent/netns_network.h"
#include "api/psw_handle.h"
#include "device/psw_discovery.h"
#include "log/log_test_support.h"
#include "request/pmc_find_device_snmp.h"

namespace {

const std::string kModel = "1.3.6.1.4.1.47001.1.11.93.1.34.40.1";
const psw_test::UsmUser kUser = {"finder", "SHA", "finder-auth-phrase", "AES", "finder-priv-phrase"};
// Agent i: sysObjectID and reply delay; answers arrive in the order 0, 2, 1.
const std::pair<std::string, int> kAgents[] = {{kModel, 0}, {kModel + ".1", 300}, {"1.3.6.1.4.1.32473.1.2200", 150}};

class DiscoveryNetwork : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::vector<psw_test::SnmpdOptions> agents(3);
    for (size_t i = 0; i < agents.size(); ++i) {
      agents[i].sys_object_id = kAgents[i].first;
      agents[i].reply_delay_ms = kAgents[i].second;
      agents[i].users = {kUser};
    }
    s_net = new psw_test::NetnsNetwork(agents);
  }
  static void TearDownTestSuite() { delete s_net; }
  void SetUp() override { ASSERT_EQ(PSWInit(&m_h), PSW_OK); }
  void TearDown() override { PSWUnInit(m_h); }

  // One search without an address on the client's thread; `*count` the
  // number found, and the walk as "address model sysObjectID" lines.
  // With `usm`, the SNMPv3 form (mode 2) with those settings.
  int32_t find(int32_t transport, int32_t* count, std::vector<std::string>* found = nullptr,
               const PSWUSMSettings* usm = nullptr) {
    int32_t rc = 1;
    s_net->run_in_client([&] {
      rc = usm == nullptr ? PSWFindDeviceSNMP(m_h, nullptr, transport, 700, 0, count)
                          : PSWFindDeviceSNMPEx(m_h, nullptr, transport, 2, usm, 700, 0, count);
    });
    char a[64], m[64], f[1], o[64];
    while (found != nullptr && found->size() < 5 && PSWGetDeviceNext(m_h, a, m, f, o) == 1) {
      found->push_back(std::string(a) + " " + m + " " + o);
    }
    return rc;
  }
  std::string device(size_t agent, const std::string& address = "") {
    return (address.empty() ? s_net->agent_address(agent) : address) + " Quillmark-VII Q4410 " + kAgents[agent].first;
  }
  std::string destination() {
    auto* finder = dynamic_cast<CPmcFindDeviceSnmp*>(m_h->m_pDiscovery->m_pFindDeviceSnmp.get());
    return finder != nullptr && finder->target() != nullptr ? finder->target()->get_address()->c_str() : "";
  }

  static psw_test::NetnsNetwork* s_net;
  PSWHANDLE m_h = nullptr;
};
psw_test::NetnsNetwork* DiscoveryNetwork::s_net = nullptr;

TEST_F(DiscoveryNetwork, BroadcastFindsTheSupportedAgentsNewestFirstAndFiltersNarrowThem) {
  int32_t count = -1;
  std::vector<std::string> found;
  ASSERT_EQ(find(PSW_TRANSPORT_UDP, &count, &found), PSW_OK);
  EXPECT_EQ(destination(), "255.255.255.255");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(found, (std::vector<std::string>{device(1), device(0)}));
  PSWFindResetPosition(m_h);
  char a[64], m[64], f[1], o[64];
  ASSERT_EQ(PSWGetDeviceNext(m_h, a, m, f, o), 1);
  EXPECT_EQ(a, s_net->agent_address(1));

  ASSERT_EQ(PSWFindAddFilter(m_h, (kModel + ".1").c_str()), PSW_OK);
  found.clear();
  ASSERT_EQ(find(PSW_TRANSPORT_UDP, &count, &found), PSW_OK);
  EXPECT_EQ(found, std::vector<std::string>{device(1)});
  PSWFindClearFilter(m_h);

  // The find community goes on the wire: agents ignore a wrong one.
  ASSERT_EQ(PSWCommandString(m_h, "CmdSetCommunityFind", "not-public"), PSW_OK);
  ASSERT_EQ(find(PSW_TRANSPORT_UDP, &count), PSW_OK);
  EXPECT_EQ(count, 0);
}

// This host has no IPX: the search reaches the socket (the destination is of
// the IPX protocol) and fails there, with a log line.
TEST_F(DiscoveryNetwork, IpxSearchWithoutAddressGoesToEveryIpxNode) {
  if (PSWTransportAvailable(PSW_TRANSPORT_IPX) == 1) GTEST_SKIP() << "this host has IPX sockets";
  int err = 0;
  IPmcLogManager* manager = pmc_log_manager(&err);
  manager->reset_all();
  log_test::CaptureSink sink;
  IPmcLogger* psw = manager->get_logger("PSW", &err);
  psw->add_sink(&sink);
  psw->set_level_mask(PMC_LOG_ERROR);
  int32_t count = -1;
  int32_t rc = find(PSW_TRANSPORT_IPX, &count);
  manager->reset_all();
  EXPECT_NE(rc, PSW_OK);
  EXPECT_NE(rc, PSW_ERR_ARGUMENT);
  EXPECT_EQ(destination(), "00000000:ffffffffffff");
  EXPECT_EQ(count, 0);  // the failure came after the count was set
  std::vector<std::string> lines = sink.lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("PSW             , Error, m_pFindDeviceSnmp->send_broad_cast()"), std::string::npos) << lines[0];
}

// The multicast search, answered from the agents' IPv6 addresses.
TEST_F(DiscoveryNetwork, Ipv6MulticastFindsTheSupportedAgents) {
  int32_t count = -1;
  std::vector<std::string> found;
  ASSERT_EQ(find(PSW_TRANSPORT_UDP6, &count, &found), PSW_OK);
  EXPECT_EQ(destination(), "ff02::1");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(found, (std::vector<std::string>{device(1, s_net->agent_address6(1)), device(0, s_net->agent_address6(0))}));
}

// The SNMPv3 search: engine discovery by broadcast, then one request per
// engine with the user's keys.
TEST_F(DiscoveryNetwork, SnmpV3SearchFindsTheSupportedAgents) {
  PSWUSMSettings block = {};
  std::strcpy(block.userName, kUser.name.c_str());
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  std::strcpy(block.authPassPhrase, kUser.auth_passphrase.c_str());
  std::strcpy(block.privPassPhrase, kUser.priv_passphrase.c_str());
  int32_t count = -1;
  std::vector<std::string> found;
  ASSERT_EQ(find(PSW_TRANSPORT_UDP, &count, &found, &block), PSW_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(found, (std::vector<std::string>{device(1), device(0)}));
}

}  // namespace
