// Splitting of requests that are too big: for the target's maximum message
// size, and for a device that answers tooBig; the joined answer, its
// error-status and error-index, and the requests that cannot be split.
#include <gtest/gtest.h>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "snmp/pms_request_session.h"

namespace {

using engine_test::describe;
using engine_test::make_pdu;
using engine_test::make_target;
using engine_test::message_size;
using engine_test::request_sizes;
using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

// Long object identifiers, so that one binding is bigger than the message
// header and the sizes below split exactly where intended.
const std::string kColumn = "1.3.6.1.4.1.32473.77.1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25";

class SplitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    oids_ = engine_test::numbered(kColumn, 10);
    for (size_t i = 0; i < oids_.size(); ++i) agent_.set(oids_[i], ber::Value::Integer(static_cast<int32_t>(100 + i)));
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
    pms_set_next_request_id_for_test(engine_test::kFourOctetId);
  }

  // Sends the ten bindings with `max_size` and returns the answer.
  int send(size_t max_size, PmcPtr<IPmsPdu>* answer) {
    PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 1000, 0, max_size);
    *answer = make_pdu(PMS_PDU_GET, oids_);
    return session_->send_sync(answer->get(), target.get());
  }

  // The answer to all ten bindings in one request.
  std::vector<std::string> unsplit_answer() {
    FaultAgent plain("127.0.0.1");
    for (size_t i = 0; i < oids_.size(); ++i) plain.set(oids_[i], ber::Value::Integer(static_cast<int32_t>(100 + i)));
    PmcPtr<IPmsSnmpTarget> target = make_target(plain.address(), plain.port(), 1000, 0, 1400);
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, oids_);
    EXPECT_EQ(session_->send_sync(pdu.get(), target.get()), PMC_OK);
    return describe(*pdu);
  }

  std::vector<std::string> oids_;
  FaultAgent agent_{"127.0.0.1"};
  PmcPtr<RequestSession> session_;
};

TEST_F(SplitTest, OnlyTheLastFourFitSoTenAreSentAsFourThreeThree) {
  std::vector<std::string> last_four(oids_.end() - 4, oids_.end());
  size_t max_size = message_size(last_four) + 2;
  ASSERT_GT(message_size(std::vector<std::string>(oids_.end() - 5, oids_.end())), max_size);
  PmcPtr<IPmsPdu> answer;
  ASSERT_EQ(send(max_size, &answer), PMC_OK);
  EXPECT_EQ(request_sizes(agent_.requests()), (std::vector<size_t>{4, 3, 3}));
  for (const auto& r : agent_.requests()) EXPECT_LE(r.size, max_size);
  EXPECT_EQ(answer->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(answer->get_error_status(), 0);
  EXPECT_EQ(describe(*answer), unsplit_answer());
}

TEST_F(SplitTest, AllBindingsFitButNotTheHeaderSplitsInTwo) {
  size_t max_size = message_size(oids_) - 3;
  PmcPtr<IPmsPdu> answer;
  ASSERT_EQ(send(max_size, &answer), PMC_OK);
  EXPECT_EQ(request_sizes(agent_.requests()), (std::vector<size_t>{5, 5}));
  EXPECT_EQ(describe(*answer), unsplit_answer());
}

TEST_F(SplitTest, NotEvenOneBindingFitsFailsWithoutSending) {
  PmcPtr<IPmsPdu> answer;
  EXPECT_EQ(send(message_size({oids_[0]}) - 10, &answer), PMC_E_NOSPLIT);
  EXPECT_EQ(agent_.request_count(), 0u);
}

TEST_F(SplitTest, ErrorIndexOfAFragmentCountsOverTheWholeRequest) {
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) {
    if (index == 1) {
      plan.error_status = ber::kNoSuchName;
      plan.error_index = 1;
    }
  };
  agent_.set_script(script);
  std::vector<std::string> last_four(oids_.end() - 4, oids_.end());
  PmcPtr<IPmsPdu> answer;
  ASSERT_EQ(send(message_size(last_four) + 2, &answer), PMC_OK);
  EXPECT_EQ(answer->get_error_status(), ber::kNoSuchName);
  EXPECT_EQ(answer->get_error_index(), 5u);
  ASSERT_EQ(engine_test::binding_count(*answer), 10u);
  // Marked as an unsplit answer with that error would be.
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(answer->get_varbind_list()->at(i)->get_mark(), i == 4 ? ber::kNoSuchName : PMC_MARK_OTHER) << i;
  }
}

TEST_F(SplitTest, TooBigAnswersSplitUntilTheDeviceAccepts) {
  FaultScript script;
  script.too_big_above = 3;
  agent_.set_script(script);
  PmcPtr<IPmsPdu> answer;
  ASSERT_EQ(send(1400, &answer), PMC_OK);
  EXPECT_EQ(request_sizes(agent_.requests()), (std::vector<size_t>{10, 5, 3, 2, 5, 3, 2}));
  EXPECT_EQ(answer->get_error_status(), 0);
  EXPECT_EQ(describe(*answer), unsplit_answer());
}

TEST_F(SplitTest, SingleBindingAnsweredTooBigCannotBeSplit) {
  FaultScript script;
  script.too_big_always = true;
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 1000, 0);
  PmcPtr<IPmsPdu> one = make_pdu(PMS_PDU_GET, {oids_[0]});
  EXPECT_EQ(session_->send_sync(one.get(), target.get()), PMC_E_NOSPLIT);
  EXPECT_EQ(agent_.request_count(), 1u);
  // Two bindings split once; the first single one then fails.
  agent_.reset_requests();
  PmcPtr<IPmsPdu> two = make_pdu(PMS_PDU_GET, {oids_[0], oids_[1]});
  EXPECT_EQ(session_->send_sync(two.get(), target.get()), PMC_E_NOSPLIT);
  EXPECT_EQ(request_sizes(agent_.requests()), (std::vector<size_t>{2, 1}));
}

TEST_F(SplitTest, FailingFragmentEndsTheExchange) {
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) { plan.drop = index >= 1; };
  agent_.set_script(script);
  std::vector<std::string> last_four(oids_.end() - 4, oids_.end());
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 60, 1, message_size(last_four) + 2);
  PmcPtr<IPmsPdu> answer = make_pdu(PMS_PDU_GET, oids_);
  EXPECT_EQ(session_->send_sync(answer.get(), target.get()), PMC_E_TIMEOUT);
  // The second fragment was tried twice; the third never went out.
  EXPECT_EQ(request_sizes(agent_.requests()), (std::vector<size_t>{4, 3, 3}));
}

// --- fragment_pdu on its own ---

TEST(FragmentPdu, SpreadsTheRemainderOverTheFirstPartsInOrder) {
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GETNEXT, engine_test::numbered("1.3.6.1.2", 11));
  pdu->set_request_id(77);
  IPmsPduList* raw = nullptr;
  ASSERT_EQ(RequestSession::fragment_pdu(pdu.get(), 3, &raw), PMC_OK);
  PmcPtr<IPmsPduList> parts(raw);
  ASSERT_EQ(parts->size(), 3u);
  EXPECT_EQ(engine_test::binding_count(*pdu), 0u);
  int err = -1;
  PmcPtr<IPmcListIterator> it(parts->create_iterator(&err));
  std::vector<size_t> sizes;
  std::vector<std::string> order;
  for (IPmsPdu* p = parts->current(it.get()); p != nullptr; parts->advance(it.get()), p = parts->current(it.get())) {
    EXPECT_EQ(p->get_type(), PMS_PDU_GETNEXT);
    EXPECT_EQ(p->get_request_id(), 77);
    sizes.push_back(engine_test::binding_count(*p));
    for (size_t i = 0; i < engine_test::binding_count(*p); ++i) order.push_back(engine_test::oid_at(*p, i));
  }
  EXPECT_EQ(sizes, (std::vector<size_t>{4, 4, 3}));
  EXPECT_EQ(order, engine_test::numbered("1.3.6.1.2", 11));
}

}  // namespace
