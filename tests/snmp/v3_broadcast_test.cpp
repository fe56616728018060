// Engine discovery by broadcast and the broadcast Get, in a private network
// of three real agents.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "agent/netns_network.h"
#include "agent/udp_socket.h"
#include "base/pmc_result.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_session.h"
#include "snmp/v3_test_support.h"

namespace {

using namespace std::chrono_literals;
using v3test::make_pdu;
using v3test::make_target;
using v3test::value_text;

// Three agents named after their position, answering in that order.
std::vector<psw_test::SnmpdOptions> three_agents() {
  std::vector<psw_test::SnmpdOptions> agents;
  for (int i = 0; i < 3; ++i) {
    psw_test::SnmpdOptions o = v3test::agent_options("agent-" + std::to_string(i));
    o.reply_delay_ms = 40 * i;
    agents.push_back(o);
  }
  return agents;
}

// The packets of a broadcast as address -> sysName.
std::map<std::string, std::string> answers_of(IPmsSnmpPacketList* packets) {
  std::map<std::string, std::string> answers;
  IPmcListIterator* it = packets->create_iterator(nullptr);
  for (IPmsSnmpPacket* p = packets->current(it); p != nullptr; packets->advance(it), p = packets->current(it)) {
    answers[p->get_target()->get_address()->c_str()] = value_text(p->get_pdu(), 0);
  }
  packets->release_iterator(it);
  return answers;
}

class V3Broadcast : public ::testing::Test {
 protected:
  void SetUp() override { v3test::use_private_snmp_config(); }
};

}  // namespace

TEST_F(V3Broadcast, DiscoveryFindsEveryEngineOnceAndTheGetReachesEach) {
  psw_test::NetnsNetwork net(three_agents());
  net.run_in_client([&] {
    PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
    // Two tries, so every agent answers discovery twice.
    PmcPtr<IPmsSnmpTarget> target = make_target(v3test::sha_aes_user(), "255.255.255.255", 161, 600, 1);

    PmsV3EngineList engines;
    std::vector<PmsV3EngineTime> times;
    ASSERT_EQ(session->get_engine_id_broad_cast(target.get(), &engines, &times), PMC_OK);
    ASSERT_EQ(engines.size(), 3u);
    // Each answer's boots, from its clear header (a fresh agent has booted
    // at least once).
    ASSERT_EQ(times.size(), 3u);
    for (const PmsV3EngineTime& time : times) {
      uint32_t boots = 0, seconds = 0;
      time.now(&boots, &seconds);
      EXPECT_TRUE(time.known());
      EXPECT_FALSE(time.authenticated());
      EXPECT_GE(boots, 1u);
    }
    std::set<std::string> ids;
    for (size_t i = 0; i < engines.size(); ++i) {
      // In order of first answer, each agent once.
      EXPECT_STREQ(engines[i]->get_address()->c_str(), net.agent_address(i).c_str());
      std::string id = v3test::engine_id(engines[i].get());
      EXPECT_FALSE(id.empty());
      ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3u);

    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    IPmsSnmpPacketList* raw = nullptr;
    ASSERT_EQ(session->send_broad_cast_sync(pdu.get(), target.get(), &raw), PMC_OK);
    PmcPtr<IPmsSnmpPacketList> packets(raw);
    ASSERT_EQ(packets->size(), 3u);
    std::map<std::string, std::string> expected;
    for (size_t i = 0; i < 3; ++i) expected[net.agent_address(i)] = "agent-" + std::to_string(i);
    EXPECT_EQ(answers_of(packets.get()), expected);
  });
}

TEST_F(V3Broadcast, EnginesThatTimeOutOrRefuseTheUserAreSkipped) {
  std::vector<psw_test::SnmpdOptions> agents = three_agents();
  // Agent 0 answers discovery first and is gone before its Get; agent 1
  // does not know the user; agent 2 answers last.
  agents[1].users.clear();
  psw_test::NetnsNetwork net(agents);
  net.run_in_client([&] {
    PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
    PmcPtr<IPmsSnmpTarget> target = make_target(v3test::md5_user(), "255.255.255.255", 161, 1500, 0);
    std::thread stopper([&] {
      std::this_thread::sleep_for(700ms);  // after discovery's answers, before its end
      net.agent(0).stop();
    });
    PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
    IPmsSnmpPacketList* raw = nullptr;
    int rc = session->send_broad_cast_sync(pdu.get(), target.get(), &raw);
    stopper.join();
    ASSERT_EQ(rc, PMC_OK);
    PmcPtr<IPmsSnmpPacketList> packets(raw);
    std::map<std::string, std::string> expected{{net.agent_address(2), "agent-2"}};
    EXPECT_EQ(answers_of(packets.get()), expected);
  });
}

TEST_F(V3Broadcast, NobodyAnsweringIsAnEmptyResult) {
  psw_test::UdpSocket silent("127.0.0.1");
  PmcPtr<v3RequestSession> session(pms_create_v3_request_session(nullptr));
  PmcPtr<IPmsSnmpTarget> target = make_target(v3test::no_auth_user(), "127.0.0.1", silent.local_port(), 200, 0);
  PmsV3EngineList engines;
  EXPECT_EQ(session->get_engine_id_broad_cast(target.get(), &engines), PMC_OK);
  EXPECT_TRUE(engines.empty());
  EXPECT_EQ(silent.receive_for(50ms).size(), 1u);  // the discovery request went out

  PmcPtr<IPmsPdu> pdu = make_pdu(0, {v3test::kSysName});
  IPmsSnmpPacketList* raw = nullptr;
  ASSERT_EQ(session->send_broad_cast_sync(pdu.get(), target.get(), &raw), PMC_OK);
  PmcPtr<IPmsSnmpPacketList> packets(raw);
  ASSERT_TRUE(packets);
  EXPECT_EQ(packets->size(), 0u);

  EXPECT_EQ(session->send_broad_cast_sync(pdu.get(), target.get(), nullptr), PMC_E_ARG);
  EXPECT_EQ(session->send_broad_cast_sync(nullptr, target.get(), &raw), PMC_E_ARG);
  EXPECT_EQ(session->send_broad_cast_sync(nullptr, &raw), PMC_E_ARG);
}
