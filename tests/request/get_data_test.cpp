// The Get/Set data request object: set-up (community, init, identifiers),
// the single Gets, the table walk and Set, against a scriptable device.
// Against Net-SNMP's agent the same exchanges run through the readers
// (tests/api: the profile, status and option tests, on IPv4 and IPv6).
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <set>
#include <string>

#include "agent/fault_agent.h"
#include "request/pmc_get_data.h"
#include "snmp/engine_test_support.h"

namespace {

using psw_test::FaultAgent;
using psw_test::FaultScript;
using psw_test::ReplyPlan;
namespace ber = psw_test::ber;

const std::string kTable = "1.3.6.1.4.1.32473.5.1.1";  // a table of three rows and two columns
const std::string kColumnA = kTable + ".2";
const std::string kColumnB = kTable + ".3";
const std::string kCancel = "1.3.6.1.4.1.32473.8.76.3.2.1.1";

PmcPtr<IPmcGetData> make_request(int* err_out = nullptr) {
  int err = -1;
  PmcPtr<IPmcGetData> request(pmc_create_get_data(&err));
  EXPECT_EQ(err, PMC_OK);
  if (err_out != nullptr) *err_out = err;
  return request;
}

CPmcGetData& impl(IPmcGetData& request) { return static_cast<CPmcGetData&>(request); }

const PmcUsmSettings kNoUsm{};

class GetDataTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int row = 1; row <= 3; ++row) {
      agent_.set(kColumnA + "." + std::to_string(row), ber::Value::Integer(10 * row));
      agent_.set(kColumnB + "." + std::to_string(row), ber::Value::OctetString("row " + std::to_string(row)));
    }
    agent_.set(kTable + ".4.1", ber::Value::Integer(999));  // the next column, outside the walk
    agent_.set("1.3.6.1.2.1.1.5.0", ber::Value::OctetString("LP-2200"));
    agent_.set("1.3.6.1.2.1.1.7.0", ber::Value::Integer(72));
    agent_.set("1.3.6.1.2.1.25.2.2.0", ber::Value::Integer(524288));
    agent_.set("1.3.6.1.2.1.1.3.0", ber::Value::TimeTicks(360000));
    agent_.set(kCancel + ".5", ber::Value::Integer(0), true);
  }

  // A request object set up for the agent.
  PmcPtr<IPmcGetData> request(int timeout_ms = 1000, int retries = 0) {
    PmcPtr<IPmcGetData> r = make_request();
    EXPECT_EQ(r->init(agent_.address().c_str(), IPmcNetworkAddress::PROTOCOL_IPV4, agent_.port(), 0, &kNoUsm,
                      timeout_ms, retries, 0),
              PMC_OK);
    return r;
  }

  // Walks `columns` from the first one; the rows stay in `rows`.
  int walk(const std::vector<std::string>& columns, PmcPtr<IPmsPduList>* rows) {
    PmcPtr<IPmcGetData> r = request();
    for (const std::string& c : columns) EXPECT_EQ(r->add_oid_string(c.c_str(), false), PMC_OK);
    int err = -1;
    rows->reset(pmc_create_pdu_list(&err));
    return r->get_data(rows->get(), columns[0].c_str());
  }

  static std::vector<IPmsPdu*> all(IPmsPduList* rows) {
    std::vector<IPmsPdu*> out;
    int err = -1;
    PmcPtr<IPmcListIterator> it(rows->create_iterator(&err));
    for (IPmsPdu* p = rows->current(it.get()); p != nullptr; rows->advance(it.get()), p = rows->current(it.get()))
      out.push_back(p);
    return out;
  }

  FaultAgent agent_{"127.0.0.1"};
};

// --- set-up ---

TEST(GetDataSetup, NewObjectHasCommunityPublicAndNothingElse) {
  PmcPtr<IPmcGetData> r = make_request();
  EXPECT_STREQ(impl(*r).community(), "public");
  EXPECT_EQ(impl(*r).pdu(), nullptr);
  EXPECT_EQ(impl(*r).target(), nullptr);
  // Nothing can be asked before init.
  EXPECT_EQ(r->add_oid_string("1.3.6.1.2.1.1.5", true), PMC_E_ARG);
  int32_t value = 0;
  EXPECT_EQ(r->get_data(&value), PMC_E_ARG);
  EXPECT_EQ(r->set_data(), PMC_E_ARG);
}

TEST(GetDataSetup, InitBuildsASnmpv1CommunityTargetWithTheProtocolsSizeLimit) {
  struct Case {
    int protocol;
    const char* address;
    size_t asked;
    size_t expected;
  } cases[] = {
      {1, "192.0.2.7", 0, 1400},    {1, "192.0.2.7", 2000, 1400},           {1, "192.0.2.7", 500, 500},
      {4, "2001:db8::7", 1401, 1400}, {2, "0000a1b2:00001b2c3d4e", 0, 546}, {2, "0000a1b2:00001b2c3d4e", 600, 546},
      {2, "0000a1b2:00001b2c3d4e", 300, 300},
  };
  for (const Case& c : cases) {
    PmcPtr<IPmcGetData> r = make_request();
    ASSERT_EQ(r->set_community("secret"), PMC_OK);
    ASSERT_EQ(r->init(c.address, c.protocol, 161, 1, &kNoUsm, 700, 3, c.asked), PMC_OK);
    IPmsSnmpTarget* t = impl(*r).target();
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->get_max_message_size(), c.expected) << c.address << " " << c.asked;
    EXPECT_FALSE(t->uses_usm());
    EXPECT_EQ(t->get_version(), PMS_VERSION_V1);  // every version but 2 sends SNMPv1
    EXPECT_EQ(t->get_timeout(), 700);
    EXPECT_EQ(t->get_retries(), 3);
    EXPECT_STREQ(pms_community_of(t)->get_community(), "secret");
    EXPECT_STREQ(t->get_address()->c_str(), c.address);
    EXPECT_EQ(t->get_address()->get_protocol(), c.protocol);
    EXPECT_EQ(engine_test::binding_count(*impl(*r).pdu()), 0u);
  }
}

TEST(GetDataSetup, VersionTwoBuildsAnSnmpv3TargetFromTheUserParameters) {
  const PmcUsmSettings usm = {2, "operator", 3, 1, 2, "auth-phrase", "priv-phrase", "ctx"};
  PmcPtr<IPmcGetData> r = make_request();
  ASSERT_EQ(r->init("192.0.2.7", IPmcNetworkAddress::PROTOCOL_IPV4, 161, 2, &usm, 900, 1, 0), PMC_OK);
  IPmsSnmpTarget* t = impl(*r).target();
  ASSERT_NE(t, nullptr);
  ASSERT_TRUE(t->uses_usm());
  EXPECT_EQ(t->get_version(), PMS_VERSION_V3);
  EXPECT_EQ(t->get_max_message_size(), 1400u);
  IPmsUsmTarget* user = pms_usm_of(t);
  EXPECT_STREQ(user->get_user_name(), "operator");
  EXPECT_EQ(user->get_security_level(), 3);
  EXPECT_EQ(user->get_auth_protocol(), 1);
  EXPECT_EQ(user->get_priv_protocol(), 2);
  EXPECT_STREQ(user->get_auth_pass_phrase(), "auth-phrase");
  EXPECT_STREQ(user->get_priv_pass_phrase(), "priv-phrase");
  EXPECT_STREQ(user->get_context_name(), "ctx");
  // A user name the target refuses leaves it empty; init still succeeds.
  const PmcUsmSettings long_name = {2, "a-user-name-of-thirty-three-chars", 1, 0, 0, "", "", ""};
  ASSERT_EQ(r->init("192.0.2.7", IPmcNetworkAddress::PROTOCOL_IPV4, 161, 2, &long_name, 900, 1, 0), PMC_OK);
  EXPECT_STREQ(pms_usm_of(impl(*r).target())->get_user_name(), "");
  // Version 2 needs the user parameters.
  EXPECT_EQ(r->init("192.0.2.7", IPmcNetworkAddress::PROTOCOL_IPV4, 161, 2, nullptr, 900, 1, 0), PMC_E_ARG);
}

TEST(GetDataSetup, CommunityIsCutAt255CharactersAndAnEmptyOneIsKept) {
  PmcPtr<IPmcGetData> r = make_request();
  std::string longer(300, 'c');
  longer[254] = 'x';
  ASSERT_EQ(r->set_community(longer.c_str()), PMC_OK);
  ASSERT_EQ(r->init("192.0.2.7", 1, 161, 0, &kNoUsm, 100, 0, 0), PMC_OK);
  std::string used = pms_community_of(impl(*r).target())->get_community();
  EXPECT_EQ(used.size(), 255u);
  EXPECT_EQ(used, longer.substr(0, 255));
  EXPECT_EQ(r->set_community(nullptr), PMC_E_ARG);
  EXPECT_EQ(std::string(impl(*r).community()), used);
  // The object's own text given back keeps it whole.
  ASSERT_EQ(r->set_community(impl(*r).community()), PMC_OK);
  EXPECT_EQ(std::string(impl(*r).community()), used);
  // An empty community that was given is sent as it is, not as "public".
  ASSERT_EQ(r->set_community(""), PMC_OK);
  ASSERT_EQ(r->init("192.0.2.7", 1, 161, 0, &kNoUsm, 100, 0, 0), PMC_OK);
  EXPECT_STREQ(pms_community_of(impl(*r).target())->get_community(), "");
}

TEST(GetDataSetup, AddOidStringBuildsTheRequestedBindings) {
  PmcPtr<IPmcGetData> r = make_request();
  ASSERT_EQ(r->init("192.0.2.7", 1, 161, 0, &kNoUsm, 100, 0, 0), PMC_OK);
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.25.2.2", true), PMC_OK);
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.43.8.2.1.2", false), PMC_OK);
  ASSERT_EQ(r->add_oid_string(kCancel.c_str(), "1.42", 1414), PMC_OK);
  ASSERT_EQ(r->add_oid_string(kCancel.c_str(), "", 7), PMC_OK);
  const IPmsPdu& pdu = *impl(*r).pdu();
  ASSERT_EQ(engine_test::binding_count(pdu), 4u);
  EXPECT_EQ(engine_test::oid_at(pdu, 0), "1.3.6.1.2.1.25.2.2.0");
  EXPECT_EQ(engine_test::value_at(pdu, 0)->get_type(), PMC_TAG_NULL);
  EXPECT_EQ(engine_test::oid_at(pdu, 1), "1.3.6.1.2.1.43.8.2.1.2");
  EXPECT_EQ(engine_test::oid_at(pdu, 2), kCancel + ".1.42");
  EXPECT_EQ(engine_test::value_at(pdu, 2)->get_type(), PMC_TAG_INTEGER);
  EXPECT_EQ(engine_test::int_at(pdu, 2), 1414);
  EXPECT_EQ(engine_test::oid_at(pdu, 3), kCancel);

  // Text that is not an identifier is refused and adds nothing.
  EXPECT_EQ(r->add_oid_string("1.3..6", true), PMC_E_ARG);
  EXPECT_EQ(r->add_oid_string(kCancel.c_str(), "1.x", 1), PMC_E_ARG);
  EXPECT_EQ(r->add_oid_string("abc", "1", 1), PMC_E_ARG);
  EXPECT_EQ(engine_test::binding_count(pdu), 4u);
}

// --- single Gets ---

TEST_F(GetDataTest, OneIntegerSeveralIntegersAndText) {
  PmcPtr<IPmcGetData> one = request();
  ASSERT_EQ(one->add_oid_string("1.3.6.1.2.1.25.2.2", true), PMC_OK);
  int32_t value = 0;
  ASSERT_EQ(one->get_data(&value), PMC_OK);
  EXPECT_EQ(value, 524288);
  EXPECT_EQ(agent_.requests().back().message.pdu_type, ber::kGetRequest);

  PmcPtr<IPmcGetData> several = request();
  ASSERT_EQ(several->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  ASSERT_EQ(several->add_oid_string("1.3.6.1.2.1.1.3", true), PMC_OK);  // TimeTicks: not an INTEGER
  ASSERT_EQ(several->add_oid_string("1.3.6.1.2.1.25.2.2", true), PMC_OK);
  int32_t values[4] = {0, 0, 0, 4444};
  ASSERT_EQ(several->get_data(values, 3), PMC_OK);
  EXPECT_EQ(values[0], 72);
  EXPECT_EQ(values[1], -1);
  EXPECT_EQ(values[2], 524288);
  EXPECT_EQ(values[3], 4444);

  PmcPtr<IPmcGetData> text = request();
  ASSERT_EQ(text->add_oid_string("1.3.6.1.2.1.1.5", true), PMC_OK);
  char buffer[PMC_GET_DATA_TEXT_SIZE];
  ASSERT_EQ(text->get_data(buffer), PMC_OK);
  EXPECT_STREQ(buffer, "LP-2200");
}

TEST_F(GetDataTest, MoreIntegersAskedThanAnsweredGivesTheValuesPresentAndMinusSeven) {
  PmcPtr<IPmcGetData> r = request();
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  int32_t values[3] = {0, 5555, 5555};
  EXPECT_EQ(r->get_data(values, 3), PMC_E_NOVALUE);
  EXPECT_EQ(values[0], 72);
  EXPECT_EQ(values[1], 5555);
  // A count of 0 reads nothing.
  PmcPtr<IPmcGetData> none = request();
  ASSERT_EQ(none->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  EXPECT_EQ(none->get_data(static_cast<int32_t*>(nullptr), 0), PMC_OK);
  EXPECT_EQ(none->get_data(static_cast<int32_t*>(nullptr), 2), PMC_E_ARG);
}

TEST_F(GetDataTest, AnswerWithAnErrorStatusLendsNoValue) {
  // SNMPv1 answers an absent object with noSuchName and echoes the NULL
  // value: the integer reads as -1, the text is no value.
  PmcPtr<IPmcGetData> r = request();
  ASSERT_EQ(r->add_oid_string("1.3.6.1.4.1.32473.99.99", true), PMC_OK);
  int32_t value = 0;
  ASSERT_EQ(r->get_data(&value), PMC_OK);
  EXPECT_EQ(value, -1);

  PmcPtr<IPmcGetData> t = request();
  ASSERT_EQ(t->add_oid_string("1.3.6.1.4.1.32473.99.99", true), PMC_OK);
  char buffer[PMC_GET_DATA_TEXT_SIZE] = "untouched";
  EXPECT_EQ(t->get_data(buffer), PMC_E_NOVALUE);
  EXPECT_STREQ(buffer, "untouched");

  // A genErr answer that carries values: none of them is taken.
  FaultScript script;
  script.error_status = ber::kGenErr;
  agent_.set_script(script);
  PmcPtr<IPmcGetData> g = request();
  ASSERT_EQ(g->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  ASSERT_EQ(g->add_oid_string("1.3.6.1.2.1.25.2.2", true), PMC_OK);
  int32_t values[2] = {0, 0};
  ASSERT_EQ(g->get_data(values, 2), PMC_OK);
  EXPECT_EQ(values[0], -1);
  EXPECT_EQ(values[1], -1);
  PmcPtr<IPmcGetData> gt = request();
  ASSERT_EQ(gt->add_oid_string("1.3.6.1.2.1.1.5", true), PMC_OK);
  EXPECT_EQ(gt->get_data(buffer), PMC_E_NOVALUE);
  EXPECT_STREQ(buffer, "untouched");
}

TEST_F(GetDataTest, LongTextIsCutToTheBuffer) {
  std::string longer(400, 'a');
  for (size_t i = 0; i < longer.size(); ++i) longer[i] = static_cast<char>('a' + i % 26);
  agent_.set("1.3.6.1.2.1.1.1.0", ber::Value::OctetString(longer));
  PmcPtr<IPmcGetData> r = request();
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.1.1", true), PMC_OK);
  char buffer[PMC_GET_DATA_TEXT_SIZE + 8];
  std::memset(buffer, '#', sizeof buffer);
  ASSERT_EQ(r->get_data(buffer), PMC_OK);
  EXPECT_EQ(std::string(buffer), longer.substr(0, 255));
  for (size_t i = PMC_GET_DATA_TEXT_SIZE; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], '#') << i;
}

TEST_F(GetDataTest, TimeOutsAndBadArgumentsAreReturned) {
  FaultScript script;
  script.drop_first = 1000;
  agent_.set_script(script);
  PmcPtr<IPmcGetData> r = request(50, 1);
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  int32_t value = 0;
  EXPECT_EQ(r->get_data(&value), PMC_E_TIMEOUT);
  EXPECT_EQ(agent_.request_count(), 2u);
  EXPECT_EQ(r->get_data(static_cast<int32_t*>(nullptr)), PMC_E_ARG);
  EXPECT_EQ(r->get_data(static_cast<char*>(nullptr)), PMC_E_ARG);
  EXPECT_EQ(r->get_data(static_cast<IPmsPduList*>(nullptr), "1.3"), PMC_E_ARG);
}

// --- Set ---

TEST_F(GetDataTest, AcceptedSetChangesTheValue) {
  PmcPtr<IPmcGetData> r = request();
  ASSERT_EQ(r->add_oid_string(kCancel.c_str(), "5", 1414), PMC_OK);
  ASSERT_EQ(r->set_data(), PMC_OK);
  EXPECT_EQ(agent_.requests().back().message.pdu_type, ber::kSetRequest);
  EXPECT_EQ(agent_.value(kCancel + ".5"), ber::Value::Integer(1414));
}

TEST_F(GetDataTest, EveryRefusalOfASetIsMinusSeven) {
  // noSuchName, badValue, readOnly, genErr, noAccess and SNMPv2 codes alike.
  for (int status : {2, 3, 4, 5, 6, 7, 12, 17, 18}) {
    FaultScript script;
    script.set_error_status = status;
    agent_.set_script(script);
    PmcPtr<IPmcGetData> r = request();
    ASSERT_EQ(r->add_oid_string(kCancel.c_str(), "5", 1414), PMC_OK);
    EXPECT_EQ(r->set_data(), PMC_E_NOVALUE) << "error-status " << status;
  }
  EXPECT_EQ(agent_.value(kCancel + ".5"), ber::Value::Integer(0));
}

TEST_F(GetDataTest, SetOfAnObjectThatIsNotWritableIsMinusSeven) {
  PmcPtr<IPmcGetData> r = request();
  ASSERT_EQ(r->add_oid_string("1.3.6.1.2.1.1.7", "0", 1), PMC_OK);
  EXPECT_EQ(r->set_data(), PMC_E_NOVALUE);
  EXPECT_EQ(agent_.value("1.3.6.1.2.1.1.7.0"), ber::Value::Integer(72));
}

// --- the table walk ---

TEST_F(GetDataTest, WalkOfThreeRowsAndTwoColumnsTakesFourRequests) {
  PmcPtr<IPmsPduList> rows;
  ASSERT_EQ(walk({kColumnA, kColumnB}, &rows), PMC_OK);
  std::vector<IPmsPdu*> got = all(rows.get());
  ASSERT_EQ(got.size(), 3u);
  for (int row = 1; row <= 3; ++row) {
    const IPmsPdu& pdu = *got[row - 1];
    ASSERT_EQ(engine_test::binding_count(pdu), 2u);
    EXPECT_EQ(engine_test::oid_at(pdu, 0), kColumnA + "." + std::to_string(row));
    EXPECT_EQ(engine_test::int_at(pdu, 0), 10 * row);
    EXPECT_EQ(engine_test::oid_at(pdu, 1), kColumnB + "." + std::to_string(row));
    EXPECT_EQ(engine_test::text_at(pdu, 1), "row " + std::to_string(row));
  }
  std::vector<psw_test::ReceivedRequest> sent = agent_.requests();
  ASSERT_EQ(sent.size(), 4u);
  for (const auto& r : sent) EXPECT_EQ(r.message.pdu_type, ber::kGetNextRequest);
  // Each request asks with the bindings of the previous answer.
  EXPECT_EQ(ber::oid_text(sent[2].message.bindings[1].oid), kColumnB + ".2");
}

TEST_F(GetDataTest, WalkThatLeavesTheColumnAtOnceHasNoRows) {
  PmcPtr<IPmsPduList> rows;
  ASSERT_EQ(walk({kTable + ".1"}, &rows), PMC_OK);  // the next object is in column 2
  EXPECT_EQ(rows->size(), 0u);
  EXPECT_EQ(agent_.request_count(), 1u);
}

TEST_F(GetDataTest, WalkEndsAtTheLastObjectOfTheDevice) {
  // The last column of the device: SNMPv1 answers noSuchName past its end.
  PmcPtr<IPmsPduList> rows;
  agent_.clear();
  for (int row = 1; row <= 2; ++row) agent_.set(kColumnB + "." + std::to_string(row), ber::Value::Integer(row));
  ASSERT_EQ(walk({kColumnB}, &rows), PMC_OK);
  EXPECT_EQ(rows->size(), 2u);
  EXPECT_EQ(agent_.request_count(), 3u);
}

TEST_F(GetDataTest, WalkRefusedByTheDeviceFailsWithTheRowsSoFar) {
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) {
    if (index == 2) plan.error_status = ber::kGenErr;
  };
  agent_.set_script(script);
  PmcPtr<IPmsPduList> rows;
  EXPECT_EQ(walk({kColumnA, kColumnB}, &rows), PMC_E_NOVALUE);
  EXPECT_EQ(rows->size(), 2u);
}

TEST_F(GetDataTest, WalkFailureOfTheExchangeIsReturnedWithTheRowsSoFar) {
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) { plan.drop = index >= 1; };
  agent_.set_script(script);
  PmcPtr<IPmcGetData> r = request(50, 0);
  ASSERT_EQ(r->add_oid_string(kColumnA.c_str(), false), PMC_OK);
  int err = -1;
  PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(&err));
  EXPECT_EQ(r->get_data(rows.get(), kColumnA.c_str()), PMC_E_TIMEOUT);
  EXPECT_EQ(rows->size(), 1u);
  EXPECT_EQ(r->get_data(rows.get(), "not an oid"), PMC_E_ARG);
}

// --- one socket per operation ---

namespace {

std::set<uint16_t> source_ports(const std::vector<psw_test::ReceivedRequest>& requests) {
  std::set<uint16_t> ports;
  for (const auto& r : requests) ports.insert(r.from_port);
  return ports;
}

}  // namespace

TEST_F(GetDataTest, EveryExchangeAndRetryOfAWalkGoesOutOfOneSocket) {
  // The second request is answered late: its first try times out and the
  // retry's answer, the later of two, arrives while the walk is already at
  // its next exchange on the same socket, where it must be dropped.
  FaultScript script;
  script.hook = [](size_t index, const ber::Message&, ReplyPlan& plan) {
    if (index == 1 || index == 2) plan.delay = std::chrono::milliseconds(index == 1 ? 150 : 100);
  };
  agent_.set_script(script);
  PmcPtr<IPmcGetData> r = request(100, 1);
  ASSERT_EQ(r->add_oid_string(kColumnA.c_str(), false), PMC_OK);
  ASSERT_EQ(r->add_oid_string(kColumnB.c_str(), false), PMC_OK);
  int err = -1;
  PmcPtr<IPmsPduList> rows(pmc_create_pdu_list(&err));
  ASSERT_EQ(r->get_data(rows.get(), kColumnA.c_str()), PMC_OK);
  std::vector<IPmsPdu*> got = all(rows.get());
  ASSERT_EQ(got.size(), 3u);
  for (int row = 1; row <= 3; ++row) {
    EXPECT_EQ(engine_test::int_at(*got[row - 1], 0), 10 * row);
    EXPECT_EQ(engine_test::text_at(*got[row - 1], 1), "row " + std::to_string(row));
  }
  std::vector<psw_test::ReceivedRequest> walk_requests = agent_.requests();
  ASSERT_EQ(walk_requests.size(), 5u);  // four exchanges, one of them tried twice
  std::set<uint16_t> walk_ports = source_ports(walk_requests);
  ASSERT_EQ(walk_ports.size(), 1u);

  // A Get split in two by tooBig is one operation too, with its own socket.
  agent_.reset_requests();
  FaultScript split;
  split.too_big_above = 1;
  agent_.set_script(split);
  PmcPtr<IPmcGetData> get = request();
  ASSERT_EQ(get->add_oid_string("1.3.6.1.2.1.1.5", true), PMC_OK);
  ASSERT_EQ(get->add_oid_string("1.3.6.1.2.1.1.7", true), PMC_OK);
  char name[PMC_GET_DATA_TEXT_SIZE] = {};
  ASSERT_EQ(get->get_data(name), PMC_OK);
  EXPECT_STREQ(name, "LP-2200");
  std::vector<psw_test::ReceivedRequest> get_requests = agent_.requests();
  ASSERT_EQ(get_requests.size(), 3u);  // the whole request, then its two halves
  std::set<uint16_t> get_ports = source_ports(get_requests);
  ASSERT_EQ(get_ports.size(), 1u);
  EXPECT_NE(*get_ports.begin(), *walk_ports.begin());

  // And a second walk of the same object gets a socket of its own.
  agent_.reset_requests();
  agent_.set_script(FaultScript{});
  PmcPtr<IPmsPduList> again;
  ASSERT_EQ(walk({kColumnA}, &again), PMC_OK);
  std::set<uint16_t> again_ports = source_ports(agent_.requests());
  ASSERT_EQ(again_ports.size(), 1u);
  EXPECT_EQ(again_ports.count(*walk_ports.begin()) + again_ports.count(*get_ports.begin()), 0u);
}

}  // namespace
