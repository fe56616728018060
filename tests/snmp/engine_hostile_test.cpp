// The request session on a hostile network: datagrams that must never be
// taken for the device's answer (another sender, another PDU type, too big
// for the receive block) arrive before it, and the exchange or search goes
// on to the real one.
#include <gtest/gtest.h>
#include <time.h>

#include <functional>
#include <set>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "snmp/pms_request_session.h"

namespace {

using namespace std::chrono_literals;
using engine_test::make_pdu;
using engine_test::make_target;
using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::Forgery;
using psw_test::ReplyFrom;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

const std::string kName = "1.3.6.1.2.1.1.5.0";
const std::string kObjectId = "1.3.6.1.2.1.1.2.0";

// A forgery of `type` from `from`, `size` octets or more, whose values all
// read "forged".
Forgery forgery(uint8_t type = ber::kResponse, ReplyFrom from = ReplyFrom::kSame, size_t size = 0) {
  Forgery f;
  f.pdu_type = type;
  f.from = from;
  f.pad_to = size;
  f.text = "forged";
  return f;
}

class Hostile : public ::testing::Test {
 protected:
  void SetUp() override {
    agent_.set(kName, ber::Value::OctetString("LP-2200"));
    agent_.set(kObjectId, ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.1.2200")));
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }

  // Every request is answered after the forgeries `make(index)` gives.
  void forge(std::function<std::vector<Forgery>(size_t)> make) {
    FaultScript script;
    script.hook = [make](size_t index, const ber::Message&, ReplyPlan& plan) { plan.forged = make(index); };
    agent_.set_script(script);
  }
  void forge(const std::vector<Forgery>& each) {
    forge([each](size_t) { return each; });
  }

  PmcPtr<IPmsSnmpTarget> target(int32_t timeout_ms = 1000, int32_t retries = 0) {
    return make_target(agent_.address(), agent_.port(), timeout_ms, retries);
  }

  // One Get of sysName; 0 only with the device's value in the answer.
  int get(IPmsSnmpTarget* t) {
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kName});
    int rc = session_->send_sync(pdu.get(), t);
    if (rc == PMC_OK) {
      EXPECT_EQ(pdu->get_type(), PMS_PDU_RESPONSE);
      EXPECT_EQ(engine_test::text_at(*pdu, 0), "LP-2200");
    }
    return rc;
  }

  // One search at the agent; the answers' PDU types by responder address.
  int search(int32_t timeout_ms, std::vector<std::string>* found) {
    PmcPtr<IPmsSnmpTarget> t = target(timeout_ms, 0);
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kObjectId});
    IPmsSnmpPacketList* raw = nullptr;
    int rc = session_->send_broad_cast_sync(pdu.get(), t.get(), &raw);
    PmcPtr<IPmsSnmpPacketList> list(raw);
    if (list) {
      int err = 0;
      PmcPtr<IPmcListIterator> it(list->create_iterator(&err));
      for (IPmsSnmpPacket* p = list->current(it.get()); p != nullptr; list->advance(it.get()), p = list->current(it.get())) {
        found->push_back(std::string(p->get_target()->get_address()->c_str()) + ":" +
                         std::to_string(p->get_target()->get_address()->get_port()) + " " +
                         std::to_string(p->get_pdu()->get_type()) + " " +
                         engine_test::text_at(*p->get_pdu(), 0));
      }
    }
    return rc;
  }
  std::string device_answer() const {
    return "127.0.0.1:" + std::to_string(agent_.port()) + " 2 1.3.6.1.4.1.32473.1.2200";
  }

  FaultAgent agent_{"127.0.0.1"};
  PmcPtr<RequestSession> session_;
};

// --- answers from another sender ---

TEST_F(Hostile, RightIdFromAnotherAddressOrPortIsRefusedAndTheRealAnswerTaken) {
  forge({forgery(ber::kResponse, ReplyFrom::kOtherAddress), forgery(ber::kResponse, ReplyFrom::kOtherPort)});
  PmcPtr<IPmsSnmpTarget> t = target();
  ASSERT_EQ(get(t.get()), PMC_OK);
  EXPECT_EQ(agent_.request_count(), 1u);  // within the first try
  EXPECT_STREQ(t->get_address()->c_str(), "127.0.0.1");
  EXPECT_EQ(t->get_address()->get_port(), agent_.port());
  // The next exchange still goes to the device.
  ASSERT_EQ(get(t.get()), PMC_OK);
  EXPECT_EQ(agent_.request_count(), 2u);
}

TEST_F(Hostile, WalkAmongForgedAnswersStaysWithTheDevice) {
  agent_.set("1.3.6.1.2.1.1.6.0", ber::Value::OctetString("lab"));
  agent_.set("1.3.6.1.2.1.1.7.0", ber::Value::Integer(72));
  forge({forgery(ber::kResponse, ReplyFrom::kOtherAddress), forgery(ber::kResponse, ReplyFrom::kOtherPort)});
  PmcPtr<IPmsSnmpTarget> t = target();
  std::vector<std::string> walked;
  std::string next = "1.3.6.1.2.1.1.5";
  for (int i = 0; i < 3; ++i) {
    PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GETNEXT, {next});
    ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK) << i;
    next = engine_test::oid_at(*pdu, 0);
    walked.push_back(next + "=" + engine_test::text_at(*pdu, 0));
  }
  EXPECT_EQ(walked, (std::vector<std::string>{"1.3.6.1.2.1.1.5.0=LP-2200", "1.3.6.1.2.1.1.6.0=lab",
                                              "1.3.6.1.2.1.1.7.0=72"}));
  EXPECT_EQ(agent_.request_count(), 3u);
}

TEST_F(Hostile, OnlyAForgerAnsweringEndsInATimeOutWithTheTargetUnchanged) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    plan.forged = {forgery(ber::kResponse, ReplyFrom::kOtherPort)};
    plan.copies = 0;
  };
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(150, 1);
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  EXPECT_EQ(agent_.request_count(), 2u);
  EXPECT_EQ(t->get_address()->get_port(), agent_.port());
}

TEST_F(Hostile, ADestinationInAnotherTextFormStillMatchesItsAnswer) {
  // Leading zeros are decimal: the device's own address, written longer.
  PmcPtr<IPmsSnmpTarget> t = make_target("127.000.000.001", agent_.port(), 1000, 0);
  ASSERT_EQ(get(t.get()), PMC_OK);
  EXPECT_STREQ(t->get_address()->c_str(), "127.000.000.001");  // as it was asked

  FaultAgent v6("::1");
  v6.set(kName, ber::Value::OctetString("LP-2200"));
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    plan.forged = {forgery(ber::kResponse, ReplyFrom::kOtherPort)};
  };
  v6.set_script(script);
  for (const char* form : {"::1", "0:0:0:0:0:0:0:1", "0000:0000:0000:0000:0000:0000:0000:0001"}) {
    PmcPtr<IPmsSnmpTarget> t6 = make_target(form, v6.port(), 1000, 0);
    EXPECT_EQ(get(t6.get()), PMC_OK) << form;
  }
  EXPECT_EQ(v6.request_count(), 3u);
}

// --- datagrams that are no response ---

TEST_F(Hostile, OnlyAResponsePduCanBeTheAnswer) {
  // Every kind of PDU with the right request-id, from the device itself,
  // ahead of its answer; an SNMPv1 trap has no id, which reads as 0.
  std::vector<Forgery> others;
  const uint8_t kinds[] = {ber::kGetRequest, ber::kGetNextRequest, ber::kSetRequest, ber::kGetBulkRequest,
                           0xA6 /* inform */, 0xA7 /* SNMPv2 trap */, 0xA8 /* report */, ber::kTrapV1};
  for (uint8_t type : kinds) {
    others.push_back(forgery(type));
  }
  forge(others);
  for (int32_t first_id : {0, 77}) {
    pms_set_next_request_id_for_test(first_id);
    PmcPtr<IPmsSnmpTarget> t = target();
    ASSERT_EQ(get(t.get()), PMC_OK) << first_id;
  }
  EXPECT_EQ(agent_.request_count(), 2u);  // each within its first try
}

TEST_F(Hostile, ATrapAloneNeverAnswersTheRequestWithIdZero) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    plan.forged = {forgery(ber::kTrapV1), forgery(0xA8)};
    plan.copies = 0;
  };
  agent_.set_script(script);
  pms_set_next_request_id_for_test(0);
  PmcPtr<IPmsSnmpTarget> t = target(150, 0);
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {kName});
  EXPECT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_E_TIMEOUT);
  EXPECT_EQ(pdu->get_type(), PMS_PDU_GET);  // nothing was decoded into it
}

// --- datagrams too big for the receive block ---

TEST_F(Hostile, OversizedDatagramsBeforeTheAnswerAreSkipped) {
  // From the device itself and from elsewhere, with the right request-id.
  forge({forgery(ber::kResponse, ReplyFrom::kSame, RequestSession::kReceiveSize + 1),
         forgery(ber::kResponse, ReplyFrom::kOtherPort, 4000)});
  PmcPtr<IPmsSnmpTarget> t = target();
  EXPECT_EQ(get(t.get()), PMC_OK);
  EXPECT_EQ(agent_.request_count(), 1u);  // taken within the first try
}

TEST_F(Hostile, OnlyOversizedDatagramsEndInATimeOutNotAFailure) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    plan.forged = {forgery(ber::kResponse, ReplyFrom::kSame, 3000)};
    plan.copies = 0;
  };
  agent_.set_script(script);
  PmcPtr<IPmsSnmpTarget> t = target(150, 1);
  EXPECT_EQ(get(t.get()), PMC_E_TIMEOUT);
  EXPECT_EQ(agent_.request_count(), 2u);  // the second try was still sent
}

TEST_F(Hostile, SearchSkipsOversizedDatagramsAndKeepsTheAnswer) {
  forge({forgery(ber::kResponse, ReplyFrom::kOtherPort, 3000), forgery(ber::kResponse, ReplyFrom::kSame, 3000)});
  std::vector<std::string> found;
  ASSERT_EQ(search(200, &found), PMC_OK);
  EXPECT_EQ(found, std::vector<std::string>{device_answer()});
}

// --- searches ---

TEST_F(Hostile, SearchKeepsOnlyResponsePdus) {
  // Requests, traps and reports from other senders are no devices; the same
  // from the device itself does not hide its answer that follows.
  const uint8_t kinds[] = {ber::kGetRequest, ber::kSetRequest, ber::kTrapV1, 0xA8 /* report */};
  std::vector<Forgery> others;
  for (uint8_t type : kinds) {
    others.push_back(forgery(type, ReplyFrom::kOtherPort));
    others.push_back(forgery(type, ReplyFrom::kOtherAddress));
    others.push_back(forgery(type, ReplyFrom::kSame));
  }
  forge(others);
  std::vector<std::string> found;
  ASSERT_EQ(search(200, &found), PMC_OK);
  EXPECT_EQ(found, std::vector<std::string>{device_answer()});
}

TEST_F(Hostile, SearchKeepsTheFirstResponseOfEachSenderInOrderOfArrival) {
  Forgery late_id = forgery(ber::kResponse, ReplyFrom::kOtherAddress);
  late_id.id_offset = -1;  // another request's answer: kept all the same
  Forgery error = forgery(ber::kResponse, ReplyFrom::kOtherPort);
  error.error_status = ber::kGenErr;  // the engine keeps it; devices are judged above it
  forge({late_id, error, forgery(ber::kResponse, ReplyFrom::kOtherAddress)});
  std::vector<std::string> found;
  ASSERT_EQ(search(200, &found), PMC_OK);
  ASSERT_EQ(found.size(), 3u);  // the second datagram of 127.0.0.2 adds nothing
  EXPECT_EQ(found[0].rfind("127.0.0.2:", 0), 0u) << found[0];
  EXPECT_EQ(found[0].substr(found[0].find(' ')), " 2 forged");
  EXPECT_EQ(found[1], "127.0.0.1:" + std::to_string(agent_.other_port()) + " 2 forged");
  EXPECT_EQ(found[2], device_answer());
}

// Seconds of CPU the calling thread has used.
double thread_cpu_seconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

TEST_F(Hostile, SearchAnsweredByTwentyThousandSendersStaysCheapAndKeepsTheDevice) {
  constexpr size_t kSenders = 20000;
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) {
    if (index == 0) plan.flood_sources = kSenders;  // then the device's own answer
  };
  agent_.set_script(script);
  std::vector<std::string> found;
  const double before = thread_cpu_seconds();
  ASSERT_EQ(search(3000, &found), PMC_OK);
  const double used = thread_cpu_seconds() - before;
  // One look-up per answer: a small part of the time-out even in sanitizer
  // builds (about 0.15 s in a plain one), where comparing each answer with
  // every earlier one keeps a core busy for the whole time-out and beyond.
  // ThreadSanitizer makes every memory access many times dearer (more
  // still on a busy machine); comparing each answer with every earlier one
  // would cost tens of seconds there.
#if defined(__SANITIZE_THREAD__)
  EXPECT_LT(used, 6.0);
#else
  EXPECT_LT(used, 1.5);
#endif
  ASSERT_EQ(found.size(), kSenders + 1);
  EXPECT_EQ(found.back(), device_answer());
  std::set<std::string> distinct(found.begin(), found.end());
  EXPECT_EQ(distinct.size(), kSenders + 1);
  EXPECT_EQ(found.front().substr(0, found.front().find(':')), psw_test::flood_address(0));
}

}  // namespace
