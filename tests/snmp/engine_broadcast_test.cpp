// The broadcast search of the request session: one packet per responder,
// tries and time-outs, undecodable answers, and the IPX address filter.
// (The search over a network of several real agents is tested with the
// device finder.)
#include <gtest/gtest.h>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "snmp/pms_request_session.h"

namespace {

using namespace std::chrono_literals;
using engine_test::make_pdu;
using engine_test::make_target;
using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

const std::string kObjectId = "1.3.6.1.2.1.1.2.0";

class BroadcastTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent_.set(kObjectId, ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.1.2200")));
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }

  // Searches at the agent's address; the list is handed out in `found`.
  int search(int32_t timeout_ms, int32_t retries, PmcPtr<IPmsSnmpPacketList>* found) {
    PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), timeout_ms, retries);
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kObjectId});
    IPmsSnmpPacketList* list = nullptr;
    int rc = session_->send_broad_cast_sync(pdu.get(), target.get(), &list);
    found->reset(list);
    return rc;
  }

  static std::vector<IPmsSnmpPacket*> packets(IPmsSnmpPacketList* list) {
    std::vector<IPmsSnmpPacket*> out;
    int err = -1;
    PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
    for (IPmsSnmpPacket* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get()))
      out.push_back(p);
    return out;
  }

  FaultAgent agent_{"127.0.0.1"};
  PmcPtr<RequestSession> session_;
};

TEST_F(BroadcastTest, DeviceAnsweringEveryTryAppearsOnceWithItsAddressAndAnswer) {
  PmcPtr<IPmsSnmpPacketList> found;
  engine_test::Stopwatch watch;
  ASSERT_EQ(search(100, 2, &found), PMC_OK);
  // Every try listens for the whole time-out.
  EXPECT_GE(watch.ms(), 3 * 100 - 5);
  EXPECT_EQ(agent_.request_count(), 3u);
  std::vector<IPmsSnmpPacket*> got = packets(found.get());
  ASSERT_EQ(got.size(), 1u);
  IPmsSnmpTarget* header = got[0]->get_target();
  ASSERT_NE(header, nullptr);
  EXPECT_FALSE(header->uses_usm());
  EXPECT_STREQ(header->get_address()->c_str(), "127.0.0.1");
  EXPECT_EQ(header->get_address()->get_port(), agent_.port());
  EXPECT_EQ(header->get_version(), PMS_VERSION_V1);
  EXPECT_STREQ(pms_community_of(header)->get_community(), "public");
  ASSERT_NE(got[0]->get_pdu(), nullptr);
  EXPECT_EQ(got[0]->get_pdu()->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(engine_test::text_at(*got[0]->get_pdu(), 0), "1.3.6.1.4.1.32473.1.2200");
}

TEST_F(BroadcastTest, NobodyAnsweringIsAnEmptyListNotAnError) {
  FaultScript script;
  script.drop_first = 1000;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpPacketList> found;
  ASSERT_EQ(search(50, 1, &found), PMC_OK);
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found->size(), 0u);
  EXPECT_EQ(agent_.request_count(), 2u);
}

TEST_F(BroadcastTest, ZeroTimeOutSendsEveryTryAndLooksOnce) {
  FaultScript script;
  script.drop_first = 1000;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpPacketList> found;
  ASSERT_EQ(search(0, 2, &found), PMC_OK);
  EXPECT_EQ(found->size(), 0u);
  EXPECT_TRUE(agent_.wait_for_requests(3, 1000ms));
}

TEST_F(BroadcastTest, NegativeTimeOutOrRetriesAreRefused) {
  PmcPtr<IPmsSnmpPacketList> found;
  EXPECT_EQ(search(100, -1, &found), PMC_E_ARG);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(search(-1, 0, &found), PMC_E_ARG);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(agent_.request_count(), 0u);
}

TEST_F(BroadcastTest, AnswerWithAnotherRequestIdIsCollectedAllTheSame) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    plan.wrong_id_first = true;
    plan.copies = 0;
  };
  agent_.set_script(script);
  PmcPtr<IPmsSnmpPacketList> found;
  ASSERT_EQ(search(100, 0, &found), PMC_OK);
  ASSERT_EQ(found->size(), 1u);
  EXPECT_NE(packets(found.get())[0]->get_pdu()->get_request_id(), agent_.requests()[0].message.request_id);
}

TEST_F(BroadcastTest, UndecodableAnswerIsSkippedAndALaterOneFromTheSameDeviceKept) {
  for (psw_test::Malformed kind : {psw_test::Malformed::kGarbage, psw_test::Malformed::kTruncated}) {
    FaultScript script;
    script.malformed = kind;  // sent just before the good answer
    agent_.set_script(script);
    PmcPtr<IPmsSnmpPacketList> found;
    ASSERT_EQ(search(100, 0, &found), PMC_OK);
    ASSERT_EQ(found->size(), 1u);
    EXPECT_EQ(engine_test::text_at(*packets(found.get())[0]->get_pdu(), 0), "1.3.6.1.4.1.32473.1.2200");
  }
}

TEST_F(BroadcastTest, TooBigRequestIsNeverSplit) {
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 50, 0, 40);
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, engine_test::numbered("1.3.6.1.2.1.1", 9));
  IPmsSnmpPacketList* list = nullptr;
  EXPECT_EQ(session_->send_broad_cast_sync(pdu.get(), target.get(), &list), PMC_E_OVERFLOW);
  EXPECT_EQ(list, nullptr);
  EXPECT_EQ(agent_.request_count(), 0u);
}

// --- the IPX address filter ---

PmcPtr<IPmcNetworkAddress> ipx(const char* text) {
  int err = -1;
  PmcPtr<IPmcNetworkAddress> a(pmc_create_network_address(&err));
  EXPECT_EQ(a->set(text, IPmcNetworkAddress::PROTOCOL_IPX, 0x900F), PMC_OK);
  return a;
}

TEST(BroadcastFilter, IpxSearchOnANamedNetworkKeepsOnlyThatNetwork) {
  PmcPtr<IPmcNetworkAddress> to = ipx("0000a1b2:ffffffffffff");
  EXPECT_TRUE(pms_broadcast_accepts(*to, *ipx("0000a1b2:00001b2c3d4e")));
  EXPECT_TRUE(pms_broadcast_accepts(*to, *ipx("0000A1B2:00001b2c3d4e")));  // texts are stored in lower case
  EXPECT_FALSE(pms_broadcast_accepts(*to, *ipx("0000a1b3:00001b2c3d4e")));
  EXPECT_FALSE(pms_broadcast_accepts(*to, *ipx("0000a1")));
}

TEST(BroadcastFilter, IpxSearchOnAnyNetworkKeepsEveryAnswer) {
  PmcPtr<IPmcNetworkAddress> to = ipx("00000000:ffffffffffff");
  EXPECT_TRUE(pms_broadcast_accepts(*to, *ipx("0000a1b2:00001b2c3d4e")));
  EXPECT_TRUE(pms_broadcast_accepts(*to, *ipx("12345678:00001b2c3d4e")));
}

}  // namespace
