// What the request session, the broadcast search and the dispatcher write to
// the "snmp" log category: an operator reading the log must be able to follow
// tries, time-outs, foreign answers and splits.
#include <gtest/gtest.h>

#include "agent/fault_agent.h"
#include "engine_test_support.h"
#include "log/log_test_support.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_session_dispatcher.h"

namespace {

using engine_test::make_pdu;
using engine_test::make_target;
using psw_test::FaultAgent;
using psw_test::FaultScript;
namespace ber = psw_test::ber;

class EngineLog : public log_test::LogTest {
 protected:
  void SetUp() override {
    log_test::LogTest::SetUp();
    IPmcLogger* logger = category("snmp");
    ASSERT_EQ(logger->add_sink(&sink_), 0);
    ASSERT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
    agent_.set("1.3.6.1.2.1.1.7.0", ber::Value::Integer(72));
  }

  // Position of the first line ending in `level_and_text` at or after
  // `from`, or -1.
  int find(const std::string& level_and_text, int from = 0) const {
    std::vector<std::string> lines = sink_.lines();
    for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i) {
      const std::string& line = lines[i];
      if (line.size() >= level_and_text.size() &&
          line.compare(line.size() - level_and_text.size(), std::string::npos, level_and_text) == 0) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }
  // Position of the first line containing `part` at or after `from`, or -1.
  int find_part(const std::string& part, int from = 0) const {
    std::vector<std::string> lines = sink_.lines();
    for (size_t i = static_cast<size_t>(from); i < lines.size(); ++i) {
      if (lines[i].find(part) != std::string::npos) return static_cast<int>(i);
    }
    return -1;
  }
  std::string dump() const {
    std::string all;
    for (const std::string& line : sink_.lines()) all += line + "\n";
    return all;
  }

  log_test::CaptureSink sink_;
  FaultAgent agent_{"127.0.0.1"};
};

TEST_F(EngineLog, TriesTimeOutsAndForeignAnswersAreLoggedInOrder) {
  FaultScript script;
  script.drop_first = 1;
  script.wrong_id_first = true;
  agent_.set_script(script);
  int err = -1;
  PmcPtr<RequestSession> session(pmc_make<RequestSession>(&err));
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 100, 1);
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  ASSERT_EQ(session->send_sync(pdu.get(), target.get()), PMC_OK);

  uint32_t id = static_cast<uint32_t>(pdu->get_request_id());
  int settings = find("Info , _send_and_receive(): timeout= 100, retries=1");
  int try0 = find("Debug, _send_and_receive(): try 0, destination=127.0.0.1", settings);
  int timeout = find("Error, _send_and_receive(): receive timeout.", try0);
  int try1 = find("Debug, _send_and_receive(): try 1, destination=127.0.0.1", timeout);
  int from = find("Debug, _send_and_receive(): receive from 127.0.0.1", try1);
  int foreign = find("Debug, [RequestSession::check_received_raw_packet] request id not match. sended packet[" +
                         std::to_string(id) + "d]:received packet[" + std::to_string(id + 1) + "d].",
                     from);
  EXPECT_GE(settings, 0) << dump();
  EXPECT_GT(try0, settings) << dump();
  EXPECT_GT(timeout, try0) << dump();
  EXPECT_GT(try1, timeout) << dump();
  EXPECT_GT(from, try1) << dump();
  EXPECT_GT(foreign, from) << dump();
}

TEST_F(EngineLog, DatagramsThatAreNoAnswerSayWhyTheyWereDropped) {
  FaultScript script;
  script.hook = [](size_t, const ber::Message&, psw_test::ReplyPlan& plan) {
    psw_test::Forgery other_port;
    other_port.from = psw_test::ReplyFrom::kOtherPort;
    psw_test::Forgery report;
    report.pdu_type = 0xA8;
    plan.forged = {other_port, report};
  };
  agent_.set_script(script);
  int err = -1;
  PmcPtr<RequestSession> session(pmc_make<RequestSession>(&err));
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 1000, 0);
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  ASSERT_EQ(session->send_sync(pdu.get(), target.get()), PMC_OK);
  const std::string port = std::to_string(agent_.port());
  int foreign = find("Debug, _send_and_receive(): drop a packet from 127.0.0.1:" + std::to_string(agent_.other_port()) +
                     ", not from the destination 127.0.0.1:" + port + ".");
  int report = find("Debug, [RequestSession::check_received_raw_packet] not a response. pdu type[8].", foreign);
  EXPECT_GE(foreign, 0) << dump();
  EXPECT_GT(report, foreign) << dump();
}

TEST_F(EngineLog, BroadcastSearchIsTracedThroughTheDispatcher) {
  int err = -1;
  PmcPtr<SessionDispatcher> dispatcher(pmc_create_session_dispatcher(&err));
  PmcPtr<IPmsSnmpTarget> target = make_target(agent_.address(), agent_.port(), 50, 0);
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, {"1.3.6.1.2.1.1.7.0"});
  IPmsSnmpPacketList* list = nullptr;
  ASSERT_EQ(dispatcher->send_broad_cast_sync(pdu.get(), target.get(), &list), PMC_OK);
  PmcPtr<IPmsSnmpPacketList> found(list);

  int outer = find("Trace, [SessionDispatcher::send_broad_cast_sync] enter.");
  int inner = find("Trace, [RequestSession::send_broad_cast_sync] enter.", outer);
  int settings = find("Info , broad cast: timeout= 50, retries=0, destination=127.0.0.1", inner);
  int attempt = find("Debug, broad cast: try 0.", settings);
  int fresh = find("Debug, broad cast: receive from new address:127.0.0.1", attempt);
  int inner_exit = find("Trace, [RequestSession::send_broad_cast_sync] exit.", fresh);
  int outer_exit = find("Trace, [SessionDispatcher::send_broad_cast_sync] exit.", inner_exit);
  EXPECT_GE(outer, 0) << dump();
  EXPECT_GT(inner, outer) << dump();
  EXPECT_GT(settings, inner) << dump();
  EXPECT_GT(attempt, settings) << dump();
  EXPECT_GT(fresh, attempt) << dump();
  EXPECT_GT(inner_exit, fresh) << dump();
  EXPECT_GT(outer_exit, inner_exit) << dump();
}

}  // namespace
