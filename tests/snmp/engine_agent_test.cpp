// The request session against a real agent (Net-SNMP's snmpd) on the IPv4
// and IPv6 loopback: Gets of integers and texts, a GetNext, and a request
// that the maximum message size splits, whose joined answer must equal the
// unsplit one.
#include <gtest/gtest.h>

#include "agent/snmpd_agent.h"
#include "engine_test_support.h"
#include "log/log_test_support.h"
#include "snmp/pms_request_session.h"

namespace {

using engine_test::describe;
using engine_test::make_pdu;
using engine_test::make_target;
namespace ber = psw_test::ber;

const std::string kLong = "1.3.6.1.4.1.32473.77.1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25";

psw_test::SnmpdOptions agent_options(const std::string& listen) {
  psw_test::SnmpdOptions o;
  o.profile = psw_test::SnmprecProfile::load(psw_test::profile_path("printer.snmprec"));
  for (int i = 1; i <= 10; ++i) o.profile.set(kLong + "." + std::to_string(i), ber::Value::Integer(1000 + i));
  o.listen = {listen};
  return o;
}

// The profile's value of `oid` as display text.
std::string profile_text(const psw_test::SnmpdOptions& o, const std::string& oid) {
  const psw_test::ProfileEntry* e = o.profile.find(ber::parse_oid(oid));
  if (e == nullptr) return "<absent>";
  return e->value.tag == ber::kInteger ? std::to_string(e->value.integer) : e->value.bytes;
}

class AgentSessionTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    options_ = agent_options(GetParam());
    agent_ = std::make_unique<psw_test::SnmpdAgent>(options_);
    int err = -1;
    session_.reset(pmc_make<RequestSession>(&err));
    ASSERT_EQ(err, PMC_OK);
  }

  PmcPtr<IPmsSnmpTarget> target(size_t max_size = 1400) {
    return make_target(agent_->address(), agent_->port(), 2000, 1, max_size);
  }

  psw_test::SnmpdOptions options_;
  std::unique_ptr<psw_test::SnmpdAgent> agent_;
  PmcPtr<RequestSession> session_;
};

TEST_P(AgentSessionTest, GetsIntegersAndTexts) {
  const std::vector<std::string> oids = {"1.3.6.1.2.1.1.7.0", "1.3.6.1.2.1.25.2.2.0", "1.3.6.1.2.1.1.1.0",
                                         "1.3.6.1.2.1.43.8.2.1.13.1.2"};
  PmcPtr<IPmsSnmpTarget> t = target();
  PmcPtr<IPmsPdu> pdu = make_pdu(PMS_PDU_GET, oids);
  ASSERT_EQ(session_->send_sync(pdu.get(), t.get()), PMC_OK);
  EXPECT_EQ(pdu->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(pdu->get_error_status(), 0);
  ASSERT_EQ(engine_test::binding_count(*pdu), oids.size());
  for (size_t i = 0; i < oids.size(); ++i) {
    EXPECT_EQ(engine_test::oid_at(*pdu, i), oids[i]);
    EXPECT_EQ(engine_test::text_at(*pdu, i), profile_text(options_, oids[i])) << oids[i];
  }
  EXPECT_EQ(engine_test::value_at(*pdu, 0)->get_type(), PMC_TAG_INTEGER);
  EXPECT_EQ(engine_test::value_at(*pdu, 2)->get_type(), PMC_TAG_OCTET_STRING);
  // The answer's header went into the target.
  EXPECT_STREQ(pms_community_of(t.get())->get_community(), "public");
  EXPECT_EQ(t->get_version(), PMS_VERSION_V1);
}

TEST_P(AgentSessionTest, SplitRequestJoinsToTheUnsplitAnswer) {
  std::vector<std::string> oids = engine_test::numbered(kLong, 10);
  PmcPtr<IPmsSnmpTarget> whole = target(1400);
  PmcPtr<IPmsPdu> unsplit = make_pdu(PMS_PDU_GET, oids);
  ASSERT_EQ(session_->send_sync(unsplit.get(), whole.get()), PMC_OK);

  // Room for the last four bindings only: the request goes as 4, 3 and 3.
  log_test::CaptureSink sink;
  int err = -1;
  IPmcLogger* snmp = pmc_log_manager(&err)->get_logger("snmp", &err);
  snmp->add_sink(&sink);
  snmp->set_level_mask(PMC_LOG_INFO);
  std::vector<std::string> last_four(oids.end() - 4, oids.end());
  PmcPtr<IPmsSnmpTarget> small = target(engine_test::message_size(last_four) + 2);
  pms_set_next_request_id_for_test(engine_test::kFourOctetId);
  PmcPtr<IPmsPdu> split = make_pdu(PMS_PDU_GET, oids);
  int rc = session_->send_sync(split.get(), small.get());
  pmc_log_manager(&err)->reset_all();
  ASSERT_EQ(rc, PMC_OK);

  bool three = false;
  for (const std::string& line : sink.lines()) three |= line.find("is fragmented to 3.") != std::string::npos;
  EXPECT_TRUE(three) << "the request was not split in three";
  EXPECT_EQ(split->get_type(), PMS_PDU_RESPONSE);
  EXPECT_EQ(split->get_error_status(), 0);
  EXPECT_EQ(describe(*split), describe(*unsplit));
  EXPECT_EQ(engine_test::int_at(*split, 9), 1010);
}

INSTANTIATE_TEST_SUITE_P(Loopback, AgentSessionTest, ::testing::Values("127.0.0.1", "::1"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param == "::1" ? std::string("IPv6") : std::string("IPv4");
                         });

}  // namespace
