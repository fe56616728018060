// The SNMP device finder: a broadcast search over a private network of three
// real agents, and its set-up and failure paths.
#include <gtest/gtest.h>

#include "agent/fault_agent.h"
#include "agent/netns_network.h"
#include "request/pmc_find_device_snmp.h"
#include "snmp/engine_test_support.h"

namespace {

namespace ber = psw_test::ber;

const char kSysObjectId[] = "1.3.6.1.2.1.1.2";
const PmcUsmSettings kNoUsm{};

PmcPtr<IPmcFindDeviceSnmp> make_finder() {
  int err = -1;
  PmcPtr<IPmcFindDeviceSnmp> f(pmc_create_find_device_snmp(&err));
  EXPECT_EQ(err, PMC_OK);
  return f;
}

std::vector<IPmsSnmpPacket*> packets(IPmsSnmpPacketList* list) {
  std::vector<IPmsSnmpPacket*> out;
  int err = -1;
  PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
  for (IPmsSnmpPacket* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get()))
    out.push_back(p);
  return out;
}

// What one search in the client namespace found: responder addresses and
// the sysObjectID each answered, in list order.
struct Found {
  int rc = -1;
  std::vector<std::string> addresses;
  std::vector<std::string> object_ids;
};

Found search(const psw_test::NetnsNetwork& net, const char* destination, int protocol) {
  Found found;
  net.run_in_client([&] {
    PmcPtr<IPmcFindDeviceSnmp> finder = make_finder();
    ASSERT_EQ(finder->init(destination, protocol, 161, 0, &kNoUsm, 800, 1, 0), PMC_OK);
    ASSERT_EQ(finder->add_oid_string(kSysObjectId), PMC_OK);
    IPmsSnmpPacketList* list = nullptr;
    found.rc = finder->send_broad_cast(&list);
    PmcPtr<IPmsSnmpPacketList> answers(list);
    if (!answers) return;
    for (IPmsSnmpPacket* p : packets(answers.get())) {
      found.addresses.push_back(p->get_target()->get_address()->c_str());
      found.object_ids.push_back(engine_test::text_at(*p->get_pdu(), 0));
      EXPECT_EQ(p->get_target()->get_address()->get_port(), 161);
      EXPECT_EQ(engine_test::oid_at(*p->get_pdu(), 0), std::string(kSysObjectId) + ".0");
    }
  });
  return found;
}

TEST(FindDeviceSnmp, SearchOfThreeAgentsFindsEachOnceInOrderOfArrival) {
  // Replies are delayed so that the agents answer in the reverse order of
  // their addresses; every agent answers both tries.
  std::vector<psw_test::SnmpdOptions> agents(3);
  const int delays[3] = {300, 150, 0};
  for (size_t i = 0; i < agents.size(); ++i) {
    agents[i].sys_name = "printer-" + std::to_string(i);
    agents[i].sys_object_id = "1.3.6.1.4.1.32473.1." + std::to_string(2200 + i);
    agents[i].reply_delay_ms = delays[i];
  }
  psw_test::NetnsNetwork net(agents);
  const std::vector<std::string> expected_ids = {agents[2].sys_object_id, agents[1].sys_object_id,
                                                 agents[0].sys_object_id};

  Found v4 = search(net, "255.255.255.255", IPmcNetworkAddress::PROTOCOL_IPV4);
  ASSERT_EQ(v4.rc, PMC_OK);
  EXPECT_EQ(v4.addresses, (std::vector<std::string>{net.agent_address(2), net.agent_address(1), net.agent_address(0)}));
  EXPECT_EQ(v4.object_ids, expected_ids);

  // The same search as IPv6 multicast to all nodes.
  Found v6 = search(net, "ff02::1", IPmcNetworkAddress::PROTOCOL_IPV6);
  ASSERT_EQ(v6.rc, PMC_OK);
  EXPECT_EQ(v6.addresses,
            (std::vector<std::string>{net.agent_address6(2), net.agent_address6(1), net.agent_address6(0)}));
  EXPECT_EQ(v6.object_ids, expected_ids);
}

TEST(FindDeviceSnmp, AddOidStringAsksForTheScalarInstance) {
  PmcPtr<IPmcFindDeviceSnmp> finder = make_finder();
  EXPECT_EQ(finder->add_oid_string(kSysObjectId), PMC_E_ARG);  // before init
  ASSERT_EQ(finder->init("ff02::1", IPmcNetworkAddress::PROTOCOL_IPV6, 161, 0, &kNoUsm, 100, 0, 0), PMC_OK);
  ASSERT_EQ(finder->add_oid_string(kSysObjectId), PMC_OK);
  EXPECT_EQ(finder->add_oid_string("not.an.oid"), PMC_E_ARG);
  const CPmcFindDeviceSnmp& impl = static_cast<const CPmcFindDeviceSnmp&>(*finder);
  ASSERT_EQ(engine_test::binding_count(*impl.pdu()), 1u);
  EXPECT_EQ(engine_test::oid_at(*impl.pdu(), 0), "1.3.6.1.2.1.1.2.0");
  EXPECT_STREQ(impl.community(), "public");
  EXPECT_EQ(impl.target()->get_max_message_size(), 1400u);
  int protocol = 0;
  ASSERT_EQ(finder->get_protocol_of("ff02::1", &protocol), PMC_OK);
  EXPECT_EQ(protocol, IPmcNetworkAddress::PROTOCOL_IPV6);
}

TEST(FindDeviceSnmp, SearchCarriesTheCommunityAndAsksWithGetRequest) {
  psw_test::FaultAgent agent("127.0.0.1");
  agent.set("1.3.6.1.2.1.1.2.0", ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.1.2200")));
  PmcPtr<IPmcFindDeviceSnmp> finder = make_finder();
  ASSERT_EQ(finder->set_community("search"), PMC_OK);
  ASSERT_EQ(finder->init("127.0.0.1", 1, agent.port(), 0, &kNoUsm, 100, 0, 0), PMC_OK);
  ASSERT_EQ(finder->add_oid_string(kSysObjectId), PMC_OK);
  IPmsSnmpPacketList* list = nullptr;
  ASSERT_EQ(finder->send_broad_cast(&list), PMC_OK);
  PmcPtr<IPmsSnmpPacketList> found(list);
  ASSERT_EQ(found->size(), 1u);
  ASSERT_EQ(agent.request_count(), 1u);
  EXPECT_EQ(agent.requests()[0].message.pdu_type, ber::kGetRequest);
  EXPECT_EQ(agent.requests()[0].message.community, "search");
  EXPECT_STREQ(pms_community_of(packets(found.get())[0]->get_target())->get_community(), "search");
}

TEST(FindDeviceSnmp, FailedSearchLeavesTheCallersPointer) {
  PmcPtr<IPmcFindDeviceSnmp> finder = make_finder();
  IPmsSnmpPacketList* sentinel = reinterpret_cast<IPmsSnmpPacketList*>(0x1234);
  IPmsSnmpPacketList* list = sentinel;
  EXPECT_EQ(finder->send_broad_cast(&list), PMC_E_ARG);  // before init
  ASSERT_EQ(finder->init("127.0.0.1", 1, 161, 0, &kNoUsm, 100, -1, 0), PMC_OK);
  ASSERT_EQ(finder->add_oid_string(kSysObjectId), PMC_OK);
  EXPECT_EQ(finder->send_broad_cast(&list), PMC_E_ARG);  // a negative retry count
  EXPECT_EQ(list, sentinel);
  EXPECT_EQ(finder->send_broad_cast(nullptr), PMC_E_ARG);
}

}  // namespace
