// The request session against a hostile device: retries, request-id
// matching, late and doubled answers, malformed datagrams, answers from
// elsewhere, time-out bookkeeping and argument checks.
#include <gtest/gtest.h>

#include <set>
#include <thread>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "snmp/pms_request_session.h"

namespace {

using namespace std::chrono_literals;
using engine_test::make_pdu;
using engine_test::make_target;
using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::Malformed;
using psw_test::ReplyPlan;
using psw_test::ber::Value;

const std::string kName = "1.3.6.1.2.1.1.5.0";
const std::string kServices = "1.3.6.1.2.1.1.7.0";

class SessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent_.set(kName, Value::OctetString("LP-2200"));
    agent_.set(kServices, Value::Integer(72));
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }

  PmcPtr<IPmsSnmpTarget> target(int32_t timeout_ms, int32_t retries) {
    return make_target(agent_.address(), agent_.port(), timeout_ms, retries);
  }

  // One Get of sysName and sysServices.
  int get(IPmsSnmpTarget* t, PmcPtr<IPmsPdu>* pdu_out = nullptr) {
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kName, kServices});
    int rc = session_->send_sync(pdu.get(), t);
    if (pdu_out != nullptr) *pdu_out = std::move(pdu);
    return rc;
  }

  FaultAgent agent_{"127.0.0.1"};
  PmcPtr<RequestSession> session_;
};

TEST_F(SessionTest, AnswerIsDecodedIntoTheRequestPdu) {
  PmcPtr<IPmsSnmpTarget> t = target(1000, 0);
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(t.get(), &pdu), PMC_OK);
  EXPECT_EQ(pdu->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(engine_test::text_at(*pdu, 0), "LP-2200");
  EXPECT_EQ(engine_test::int_at(*pdu, 1), 72);
  ASSERT_EQ(agent_.request_count(), 1u);
  EXPECT_EQ(agent_.requests()[0].message.request_id, pdu->get_request_id());
  EXPECT_EQ(agent_.requests()[0].message.community, "public");
}

TEST_F(SessionTest, ResendsUpToTheRetryCountWithTheSameRequestId) {
  FaultScript script;
  script.drop_first = 1000;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(60, 2);
  engine_test::Stopwatch watch;
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  EXPECT_GE(watch.ms(), 3 * 60 - 5);
  ASSERT_TRUE(agent_.wait_for_requests(3, 1000ms));
  std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(sent[1].message.request_id, sent[0].message.request_id);
  EXPECT_EQ(sent[2].message.request_id, sent[0].message.request_id);
  // Without an answer the target still names the device.
  ASSERT_NE(t->get_address(), nullptr);
  EXPECT_STREQ(t->get_address()->c_str(), "127.0.0.1");
  EXPECT_EQ(t->get_address()->get_port(), agent_.port());
}

TEST_F(SessionTest, AnswerToALaterTryEndsTheExchange) {
  FaultScript script;
  script.drop_first = 2;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(100, 3);
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(t.get(), &pdu), PMC_OK);
  EXPECT_EQ(agent_.request_count(), 3u);
  EXPECT_EQ(engine_test::int_at(*pdu, 1), 72);
}

TEST_F(SessionTest, ZeroTimeOutPollsOncePerTryAndNeverReportsSuccessWithoutAnAnswer) {
  FaultScript script;
  script.drop_first = 1000;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(0, 2);
  PmcPtr<IPmsPdu> pdu;
  EXPECT_EQ(get(t.get(), &pdu), PMC_E_TIMEOUT);
  EXPECT_TRUE(agent_.wait_for_requests(3, 1000ms));
  EXPECT_EQ(pdu->get_type(), PMS_PDU_GET);  // nothing was decoded into it
}

TEST_F(SessionTest, BadArgumentsAreRefusedBeforeSending) {
  PmcPtr<IPmsSnmpTarget> no_tries = target(100, -1);
  EXPECT_EQ(get(no_tries.get()), PMC_E_ARG);
  EXPECT_EQ(get(target(-1, 0).get()), PMC_E_ARG);  // would wait without limit
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kName});
  EXPECT_EQ(session_->send_sync(nullptr, no_tries.get()), PMC_E_ARG);
  EXPECT_EQ(session_->send_sync(pdu.get(), nullptr), PMC_E_ARG);
  EXPECT_EQ(session_->send_sync(static_cast<IPmsSnmpPacket*>(nullptr)), PMC_E_ARG);
  PmcPtr<IPmsSnmpTarget> nowhere = target(100, 0);
  ASSERT_EQ(nowhere->set_address(nullptr), PMC_OK);
  EXPECT_EQ(session_->send_sync(pdu.get(), nowhere.get()), PMC_E_ARG);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(agent_.request_count(), 0u);
  // The refused target keeps its address for a later exchange.
  no_tries->set_retries(0);
  EXPECT_EQ(get(no_tries.get()), PMC_OK);
}

TEST_F(SessionTest, AnswerWithAnotherRequestIdIsDroppedWithoutRestartingTheTimeOut) {
  // Only an answer with the wrong request-id comes, late in the try.
  FaultScript script;
  script.hook = [](size_t, const psw_test::ber::Message&, ReplyPlan& plan) {
    plan.wrong_id_first = true;
    plan.copies = 0;
    plan.delay = 450ms;
  };
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(600, 0);
  engine_test::Stopwatch watch;
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  long long elapsed = watch.ms();
  EXPECT_GE(elapsed, 595);
  // A restarted wait would last until 450 + 600 ms.
  EXPECT_LT(elapsed, 950);
}

TEST_F(SessionTest, LateAnswerToAnEarlierTryIsAcceptedByALaterOne) {
  FaultScript script;
  script.delay = 300ms;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(200, 2);
  PmcPtr<IPmsPdu> pdu;
  ASSERT_EQ(get(t.get(), &pdu), PMC_OK);
  EXPECT_EQ(engine_test::int_at(*pdu, 1), 72);
  EXPECT_EQ(agent_.request_count(), 2u);
}

TEST_F(SessionTest, DoubledAnswerDoesNotLeakIntoTheNextExchange) {
  FaultScript script;
  script.answer_twice = true;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(1000, 0);
  ASSERT_EQ(get(t.get()), PMC_OK);
  PmcPtr<IPmsPdu> second = make_pdu(PMS_PDU_GET, {kServices});
  ASSERT_EQ(session_->send_sync(second.get(), t.get()), PMC_OK);
  EXPECT_EQ(engine_test::binding_count(*second), 1u);
  EXPECT_EQ(engine_test::int_at(*second, 0), 72);
}

TEST_F(SessionTest, MalformedDatagramsAreDroppedAndTheAnswerStillTaken) {
  for (Malformed kind : {Malformed::kTruncated, Malformed::kBadLength, Malformed::kGarbage, Malformed::kEmpty}) {
    FaultScript script;
    script.malformed = kind;
    agent_.set_script(script);
    PmcPtr<IPmsSnmpTarget> t = target(1000, 0);
    PmcPtr<IPmsPdu> pdu;
    ASSERT_EQ(get(t.get(), &pdu), PMC_OK) << static_cast<int>(kind);
    EXPECT_EQ(engine_test::text_at(*pdu, 0), "LP-2200");
  }
}

TEST_F(SessionTest, OnlyMalformedDatagramsEndInATimeOut) {
  FaultScript script;
  script.malformed = Malformed::kTruncated;
  script.malformed_instead = true;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(100, 1);
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  EXPECT_EQ(agent_.request_count(), 2u);
}

TEST_F(SessionTest, AnswerFromAnotherAddressIsRefusedAndTheTargetKeepsItsAddress) {
  FaultScript script;
  script.reply_from = psw_test::ReplyFrom::kOtherAddress;
  script.other_address = "127.0.0.2";
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(150, 1);
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  EXPECT_EQ(agent_.request_count(), 2u);
  EXPECT_STREQ(t->get_address()->c_str(), "127.0.0.1");
  EXPECT_EQ(t->get_address()->get_port(), agent_.port());
}

TEST_F(SessionTest, LocalPortOfTheTargetIsUsed) {
  PmcPtr<IPmsSnmpTarget> t = target(1000, 0);
  // A port that is free now: bind, read it, close.
  DataGramSocket* probe = nullptr;
  ASSERT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &probe), PMC_OK);
  uint16_t port = probe->local_address()->get_port();
  probe->release();
  t->set_local_port(port);
  ASSERT_EQ(get(t.get()), PMC_OK);
  EXPECT_EQ(agent_.requests()[0].from_port, port);
}

// --- the request-id counter ---

TEST(RequestId, ConsecutiveAndWrapsToTheSmallestInteger) {
  pms_set_next_request_id_for_test(2147483646);
  EXPECT_EQ(pms_next_request_id(), 2147483646);
  EXPECT_EQ(pms_next_request_id(), 2147483647);
  EXPECT_EQ(pms_next_request_id(), -2147483647 - 1);
  EXPECT_EQ(pms_next_request_id(), -2147483647);
  pms_set_next_request_id_for_test(0);
  EXPECT_EQ(pms_next_request_id(), 0);
}

TEST(RequestId, ThreadsNeverShareAnId) {
  constexpr int kThreads = 4;
  constexpr int kEach = 5000;
  std::vector<std::vector<int32_t>> ids(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&ids, t] {
      for (int i = 0; i < kEach; ++i) ids[t].push_back(pms_next_request_id());
    });
  }
  for (std::thread& th : threads) th.join();
  std::set<int32_t> all;
  for (const auto& v : ids) all.insert(v.begin(), v.end());
  EXPECT_EQ(all.size(), static_cast<size_t>(kThreads * kEach));
}

}  // namespace
