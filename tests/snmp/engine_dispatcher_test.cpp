// The session dispatcher: which session serves which target, lazy creation,
// argument checks.
#include <gtest/gtest.h>

#include <thread>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "snmp/pms_session_dispatcher.h"

namespace {

using engine_test::make_pdu;
using engine_test::make_target;
namespace ber = psw_test::ber;

PmcPtr<SessionDispatcher> make_dispatcher() {
  int err = -1;
  PmcPtr<SessionDispatcher> d(pmc_create_session_dispatcher(&err));
  EXPECT_EQ(err, PMC_OK);
  return d;
}

TEST(SessionDispatcher, CommunityTargetsOfVersion1And2cShareOneRequestSession) {
  psw_test::FaultAgent agent("127.0.0.1");
  agent.set("1.3.6.1.2.1.1.7.0", ber::Value::Integer(72));
  PmcPtr<SessionDispatcher> d = make_dispatcher();
  EXPECT_EQ(d->request_session(), nullptr);  // sessions come with their first use
  PmcPtr<IPmsSnmpTarget> v1 = make_target(agent.address(), agent.port(), 1000, 0);
  PmcPtr<IPmsPdu> first = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  ASSERT_EQ(d->send_sync(first.get(), v1.get()), PMC_OK);
  IPmsSession* session = d->request_session();
  ASSERT_NE(session, nullptr);
  EXPECT_EQ(engine_test::int_at(*first, 0), 72);

  PmcPtr<IPmsSnmpTarget> v2c = make_target(agent.address(), agent.port(), 1000, 0, 1400, "public", PMS_VERSION_V2C);
  PmcPtr<IPmsPdu> second = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  ASSERT_EQ(d->send_sync(second.get(), v2c.get()), PMC_OK);
  EXPECT_EQ(d->request_session(), session);
  EXPECT_EQ(d->v3_session(), nullptr);
  ASSERT_EQ(agent.request_count(), 2u);
  EXPECT_EQ(agent.requests()[1].message.version, ber::kVersion2c);
}

TEST(SessionDispatcher, VersionThatDoesNotFitTheTargetKindIsRefused) {
  PmcPtr<SessionDispatcher> d = make_dispatcher();
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  PmcPtr<IPmsSnmpTarget> community = make_target("127.0.0.1", 161, 100, 0);
  community->set_version(PMS_VERSION_V3);
  EXPECT_EQ(d->send_sync(pdu.get(), community.get()), PMC_E_ARG);
  community->set_version(PMS_VERSION_NONE);
  EXPECT_EQ(d->send_sync(pdu.get(), community.get()), PMC_E_ARG);

  int err = -1;
  PmcPtr<IPmsSnmpTarget> usm(pms_create_usm_target(&err));
  usm->set_version(PMS_VERSION_V2C);
  EXPECT_EQ(d->send_sync(pdu.get(), usm.get()), PMC_E_ARG);
  IPmsSnmpPacketList* list = nullptr;
  EXPECT_EQ(d->send_broad_cast_sync(pdu.get(), usm.get(), &list), PMC_E_ARG);
  EXPECT_EQ(list, nullptr);
  // Refusals create no session.
  EXPECT_EQ(d->request_session(), nullptr);
  EXPECT_EQ(d->v3_session(), nullptr);
}

TEST(SessionDispatcher, PacketWithoutATargetHasNothingToChooseBy) {
  PmcPtr<SessionDispatcher> d = make_dispatcher();
  int err = -1;
  PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(&err));
  packet->set_pdu(make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"}).release());
  IPmsSnmpPacketList* list = nullptr;
  EXPECT_EQ(d->send_sync(packet.get()), PMC_E_ARG);
  EXPECT_EQ(d->send_broad_cast_sync(packet.get(), &list), PMC_E_ARG);
  EXPECT_EQ(list, nullptr);
}

TEST(SessionDispatcher, ConcurrentFirstUseCreatesOneSession) {
  PmcPtr<SessionDispatcher> d = make_dispatcher();
  PmcPtr<IPmsSnmpTarget> target = make_target("127.0.0.1", 161, 100, 0);
  IPmsSession* seen[4] = {};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      int err = -1;
      seen[i] = d->session_for(target.get(), &err);
    });
  }
  for (std::thread& t : threads) t.join();
  ASSERT_NE(seen[0], nullptr);
  for (IPmsSession* s : seen) EXPECT_EQ(s, seen[0]);
  EXPECT_EQ(d->request_session(), seen[0]);
}

}  // namespace
