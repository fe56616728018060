// The fault agent's behaviours, seen from a raw client socket.
#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <optional>
#include <set>

#include "agent/fault_agent.h"
#include "agent/snmp_tools.h"

namespace psw_test {
namespace {

using namespace std::chrono_literals;
using ber::Message;
using ber::Value;
using Clock = std::chrono::steady_clock;

const char* const kName = "1.3.6.1.2.1.1.5.0";
const char* const kLocation = "1.3.6.1.2.1.1.6.0";
const char* const kServices = "1.3.6.1.2.1.1.7.0";

Message request(uint8_t type, int32_t id, std::vector<std::string> oids, int32_t version = ber::kVersion1) {
  Message m;
  m.version = version;
  m.pdu_type = type;
  m.request_id = id;
  for (const std::string& oid : oids) m.bindings.push_back({ber::parse_oid(oid), Value::Null()});
  return m;
}

Message decoded(const Datagram& d) {
  Message m;
  std::string error;
  EXPECT_TRUE(ber::decode_message(d.data, &m, &error)) << error;
  return m;
}

class FaultAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    agent.set(kName, Value::OctetString("printer"));
    agent.set(kLocation, Value::OctetString("lab"), true);
    agent.set(kServices, Value::Integer(72));
  }
  void send(const Message& m) { client.send_to(ber::encode_message(m), agent.address(), agent.port()); }
  // Sends `m` and returns everything that arrives within `window`.
  std::vector<Datagram> exchange(const Message& m, std::chrono::milliseconds window = 150ms) {
    send(m);
    return client.receive_for(window);
  }
  // Sends `m` and expects exactly one answer. The first may take long (a
  // sanitizer build, a loaded machine); anything more must come soon after.
  Message ask(const Message& m) {
    send(m);
    std::vector<Datagram> answers;
    if (std::optional<Datagram> first = client.receive(2000ms)) answers.push_back(std::move(*first));
    for (Datagram& more : client.receive_for(150ms)) answers.push_back(std::move(more));
    EXPECT_EQ(answers.size(), 1u);
    return answers.empty() ? Message() : decoded(answers[0]);
  }
  void script(const FaultScript& s) { agent.set_script(s); }

  FaultAgent agent;
  UdpSocket client{"127.0.0.1"};
};

TEST_F(FaultAgentTest, ServesGetAndWalksInOidOrder) {
  Message r = ask(request(ber::kGetRequest, 7, {kServices, kName}));
  EXPECT_EQ(r.pdu_type, ber::kResponse);
  EXPECT_EQ(r.request_id, 7);
  EXPECT_EQ(r.error_status, 0);
  ASSERT_EQ(r.bindings.size(), 2u);
  EXPECT_EQ(r.bindings[0].value, Value::Integer(72));
  EXPECT_EQ(r.bindings[1].value, Value::OctetString("printer"));

  // Walk the system group with GetNext until SNMPv1 says noSuchName.
  std::vector<std::string> walked;
  std::string next = "1.3.6.1.2.1.1";
  for (int i = 0; i < 10; ++i) {
    Message n = ask(request(ber::kGetNextRequest, 100 + i, {next}));
    if (n.error_status == ber::kNoSuchName) {
      EXPECT_EQ(n.error_index, 1);
      break;
    }
    next = ber::oid_text(n.bindings.at(0).oid);
    walked.push_back(next);
  }
  EXPECT_EQ(walked, (std::vector<std::string>{kName, kLocation, kServices}));
}

TEST_F(FaultAgentTest, AnswersMissingObjectsPerVersion) {
  Message v1 = ask(request(ber::kGetRequest, 1, {kName, "1.3.6.1.2.1.1.99.0"}));
  EXPECT_EQ(v1.error_status, ber::kNoSuchName);
  EXPECT_EQ(v1.error_index, 2);
  EXPECT_EQ(v1.bindings.at(0).value, Value::Null());  // the request's bindings come back
  Message v2 = ask(request(ber::kGetRequest, 2, {kName, "1.3.6.1.2.1.1.99.0"}, ber::kVersion2c));
  EXPECT_EQ(v2.version, ber::kVersion2c);
  EXPECT_EQ(v2.error_status, 0);
  EXPECT_EQ(v2.bindings.at(1).value.tag, ber::kNoSuchObject);
  Message end = ask(request(ber::kGetNextRequest, 3, {kServices}, ber::kVersion2c));
  EXPECT_EQ(end.bindings.at(0).value.tag, ber::kEndOfMibView);
}

TEST_F(FaultAgentTest, DropsTheFirstRequestsAndCountsEveryTry) {
  FaultScript s;
  s.drop_first = 2;
  script(s);
  Message get = request(ber::kGetRequest, 11, {kName});
  EXPECT_TRUE(exchange(get, 100ms).empty());
  EXPECT_TRUE(exchange(get, 100ms).empty());
  EXPECT_EQ(exchange(get, 100ms).size(), 1u);
  EXPECT_EQ(agent.request_count(), 3u);
  agent.reset_requests();  // the count starts again
  EXPECT_TRUE(exchange(get, 100ms).empty());
}

TEST_F(FaultAgentTest, SendsAWrongRequestIdFirstThenTheRightOne) {
  FaultScript s;
  s.wrong_id_first = true;
  script(s);
  std::vector<Datagram> answers = exchange(request(ber::kGetRequest, 2147483647, {kName}));
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(decoded(answers[0]).request_id, INT32_MIN);  // wraps around
  EXPECT_EQ(decoded(answers[1]).request_id, 2147483647);
}

TEST_F(FaultAgentTest, AnswersTwice) {
  FaultScript s;
  s.answer_twice = true;
  script(s);
  std::vector<Datagram> answers = exchange(request(ber::kGetRequest, 5, {kName}));
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(answers[0].data, answers[1].data);
}

TEST_F(FaultAgentTest, AnswersLateWithoutBlockingOtherRequests) {
  FaultScript s;
  s.hook = [](size_t index, const Message&, ReplyPlan& plan) { plan.delay = index == 0 ? 300ms : 0ms; };
  script(s);
  Clock::time_point start = Clock::now();
  send(request(ber::kGetRequest, 1, {kName}));
  send(request(ber::kGetRequest, 2, {kName}));
  std::vector<Datagram> answers = client.receive_for(600ms);
  ASSERT_EQ(answers.size(), 2u);
  EXPECT_EQ(decoded(answers[0]).request_id, 2);  // the second request is not held up
  EXPECT_EQ(decoded(answers[1]).request_id, 1);
  FaultScript late;
  late.delay = 250ms;
  script(late);
  start = Clock::now();
  send(request(ber::kGetRequest, 3, {kName}));
  ASSERT_TRUE(client.receive(1000ms).has_value());
  EXPECT_GE(Clock::now() - start, 240ms);
}

TEST_F(FaultAgentTest, AnswersTooBigAboveABindingCountOrSize) {
  FaultScript s;
  s.too_big_above = 2;
  script(s);
  Message big = ask(request(ber::kGetRequest, 1, {kName, kLocation, kServices}));
  EXPECT_EQ(big.error_status, ber::kTooBig);
  EXPECT_EQ(big.error_index, 0);
  EXPECT_EQ(big.bindings.size(), 3u);
  EXPECT_EQ(ask(request(ber::kGetRequest, 2, {kName, kLocation})).error_status, 0);
  s.too_big_above = -1;
  s.too_big_always = true;
  script(s);
  EXPECT_EQ(ask(request(ber::kGetRequest, 3, {kName})).error_status, ber::kTooBig);
  s.too_big_always = false;
  s.max_answer_size = 60;  // one short binding fits, three do not
  script(s);
  EXPECT_EQ(ask(request(ber::kGetRequest, 4, {kServices})).error_status, 0);
  EXPECT_EQ(ask(request(ber::kGetRequest, 5, {kName, kLocation, kServices})).error_status, ber::kTooBig);
  // The fragment sizes a client sent are in the request log.
  std::vector<ReceivedRequest> log = agent.requests();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].message.bindings.size(), 3u);
  EXPECT_EQ(log[1].message.bindings.size(), 2u);
}

TEST_F(FaultAgentTest, ForcesAnyErrorStatusAndIndex) {
  FaultScript s;
  s.error_status = ber::kGenErr;
  s.error_index = 2;
  script(s);
  Message r = ask(request(ber::kGetNextRequest, 9, {kName, kLocation}));
  EXPECT_EQ(r.error_status, ber::kGenErr);
  EXPECT_EQ(r.error_index, 2);
}

TEST_F(FaultAgentTest, SendsMalformedDatagramsBeforeOrInsteadOfTheAnswer) {
  for (Malformed kind : {Malformed::kTruncated, Malformed::kBadLength, Malformed::kGarbage, Malformed::kEmpty}) {
    FaultScript s;
    s.malformed = kind;
    script(s);
    std::vector<Datagram> answers = exchange(request(ber::kGetRequest, 21, {kName}));
    ASSERT_EQ(answers.size(), 2u) << static_cast<int>(kind);
    Message m;
    std::string error;
    EXPECT_FALSE(ber::decode_message(answers[0].data, &m, &error)) << static_cast<int>(kind);
    EXPECT_EQ(decoded(answers[1]).request_id, 21);
    if (kind == Malformed::kEmpty) {
      EXPECT_TRUE(answers[0].data.empty());
    }
    if (kind == Malformed::kTruncated) {
      EXPECT_EQ(answers[0].data.size() + 3, answers[1].data.size());
    }
  }
  FaultScript only;
  only.malformed = Malformed::kBadLength;
  only.malformed_instead = true;
  script(only);
  std::vector<Datagram> answers = exchange(request(ber::kGetRequest, 22, {kName}));
  ASSERT_EQ(answers.size(), 1u);
  Message m;
  std::string error;
  EXPECT_FALSE(ber::decode_message(answers[0].data, &m, &error));
}

TEST_F(FaultAgentTest, AnswersFromAnotherPortOrAddress) {
  FaultScript s;
  s.reply_from = ReplyFrom::kOtherPort;
  script(s);
  std::vector<Datagram> answers = exchange(request(ber::kGetRequest, 1, {kName}));
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].port, agent.other_port());
  EXPECT_NE(answers[0].port, agent.port());
  s.reply_from = ReplyFrom::kOtherAddress;
  script(s);
  answers = exchange(request(ber::kGetRequest, 2, {kName}));
  ASSERT_EQ(answers.size(), 1u);
  EXPECT_EQ(answers[0].address, "127.0.0.2");
  EXPECT_EQ(decoded(answers[0]).request_id, 2);
}

TEST_F(FaultAgentTest, ServesAWalkThatDoesNotAdvance) {
  FaultScript s;
  s.stuck_walk = true;
  script(s);
  Message r = ask(request(ber::kGetNextRequest, 1, {kName}));
  ASSERT_EQ(r.bindings.size(), 1u);
  EXPECT_EQ(ber::oid_text(r.bindings[0].oid), kName);
  EXPECT_EQ(r.bindings[0].value, Value::OctetString("lab"));  // the next object's value
}

TEST_F(FaultAgentTest, AppliesSetsAtomicallyOrFailsThemByScript) {
  Message set = request(ber::kSetRequest, 1, {kLocation});
  set.bindings[0].value = Value::OctetString("office");
  Message ok = ask(set);
  EXPECT_EQ(ok.error_status, 0);
  EXPECT_EQ(agent.value(kLocation), Value::OctetString("office"));

  // One read-only binding fails the whole Set, the writable one stays.
  Message mixed = request(ber::kSetRequest, 2, {kLocation, kName});
  mixed.bindings[0].value = Value::OctetString("attic");
  mixed.bindings[1].value = Value::OctetString("renamed");
  Message denied = ask(mixed);
  EXPECT_EQ(denied.error_status, ber::kNoSuchName);
  EXPECT_EQ(denied.error_index, 2);
  EXPECT_EQ(agent.value(kLocation), Value::OctetString("office"));
  mixed.version = ber::kVersion2c;
  EXPECT_EQ(ask(mixed).error_status, ber::kNotWritable);

  Message wrong_type = request(ber::kSetRequest, 3, {kLocation});
  wrong_type.bindings[0].value = Value::Integer(1);
  EXPECT_EQ(ask(wrong_type).error_status, ber::kBadValue);

  FaultScript s;
  s.set_error_status = ber::kNotWritable;
  s.set_error_index = 1;
  script(s);
  Message failed = ask(set);
  EXPECT_EQ(failed.error_status, ber::kNotWritable);
  EXPECT_EQ(failed.error_index, 1);
}

TEST_F(FaultAgentTest, RecordsEveryDatagramAndIgnoresBadOnes) {
  agent.set_communities({"public"});
  send(request(ber::kGetRequest, 31, {kName, kServices}));
  client.send_to("not snmp", agent.address(), agent.port());
  Message other = request(ber::kGetNextRequest, 32, {kName});
  other.community = "secret";
  send(other);
  ASSERT_TRUE(agent.wait_for_requests(3, 1000ms));
  std::vector<Datagram> answers = client.receive_for(150ms);
  ASSERT_EQ(answers.size(), 1u);  // only the first was well-formed with a known community
  std::vector<ReceivedRequest> log = agent.requests();
  ASSERT_EQ(log.size(), 3u);
  EXPECT_TRUE(log[0].parsed);
  EXPECT_EQ(log[0].message.request_id, 31);
  EXPECT_EQ(log[0].message.pdu_type, ber::kGetRequest);
  EXPECT_EQ(ber::oid_text(log[0].message.bindings[1].oid), kServices);
  EXPECT_EQ(log[0].from_address, "127.0.0.1");
  EXPECT_EQ(log[0].from_port, client.local_port());
  EXPECT_FALSE(log[1].parsed);
  EXPECT_FALSE(log[1].error.empty());
  EXPECT_EQ(log[1].size, 8u);
  EXPECT_EQ(log[2].message.community, "secret");
  EXPECT_EQ(agent.datagrams_sent(), 1u);
}

TEST(FaultAgent, ServesOverIpv6AndRefusesAnotherAddressThere) {
  FaultAgent agent("::1");
  agent.set(kName, Value::OctetString("v6"));
  UdpSocket client("::1");
  client.send_to(ber::encode_message(request(ber::kGetRequest, 4, {kName})), "::1", agent.port());
  std::optional<Datagram> d = client.receive(1000ms);
  ASSERT_TRUE(d.has_value());
  EXPECT_EQ(d->address, "::1");
  EXPECT_EQ(decoded(*d).bindings.at(0).value, Value::OctetString("v6"));
  FaultScript s;
  s.reply_from = ReplyFrom::kOtherAddress;
  EXPECT_THROW(agent.set_script(s), std::invalid_argument);
}

TEST(FaultAgent, LoadsAProfile) {
  FaultAgent agent;
  agent.load(SnmprecProfile::load(profile_path("types.snmprec")));
  EXPECT_EQ(agent.value("1.3.6.1.4.1.32473.99.5.2.0"), Value::Counter64(18446744073709551615ull));
  EXPECT_EQ(agent.value("1.3.6.1.4.1.32473.99.5.1.0"), Value::IpAddress(10, 20, 30, 40));
  EXPECT_EQ(agent.value("1.3.6.1.4.1.32473.99.9.9.0"), Value::Null());
}

}  // namespace
}  // namespace psw_test

namespace psw_test {
namespace {

using namespace std::chrono_literals;

class FaultAgentForgeryTest : public ::testing::Test {
 protected:
  void SetUp() override { agent.set("1.3.6.1.2.1.1.5.0", ber::Value::OctetString("printer")); }
  std::vector<Datagram> ask(int32_t id, std::chrono::milliseconds window = 200ms) {
    ber::Message m;
    m.pdu_type = ber::kGetRequest;
    m.request_id = id;
    m.bindings.push_back({ber::parse_oid("1.3.6.1.2.1.1.5.0"), ber::Value::Null()});
    client.send_to(ber::encode_message(m), agent.address(), agent.port());
    return client.receive_for(window);
  }
  FaultAgent agent;
  UdpSocket client{"127.0.0.1"};
};

TEST_F(FaultAgentForgeryTest, ForgeriesComeFirstInOrderFromTheirOwnSockets) {
  FaultScript s;
  s.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    Forgery other_port;
    other_port.from = ReplyFrom::kOtherPort;
    Forgery report;
    report.pdu_type = 0xA8;
    report.error_status = ber::kGenErr;
    report.text = "forged";
    Forgery big;
    big.id_offset = 5;
    big.pad_to = 3000;
    plan.forged = {other_port, report, big};
  };
  agent.set_script(s);
  std::vector<Datagram> got = ask(40);
  ASSERT_EQ(got.size(), 4u);
  std::vector<ber::Message> m(4);
  std::string error;
  for (size_t i = 0; i < 4; ++i) ASSERT_TRUE(ber::decode_message(got[i].data, &m[i], &error)) << i << error;
  EXPECT_EQ(got[0].port, agent.other_port());
  EXPECT_EQ(m[0].pdu_type, ber::kResponse);
  EXPECT_EQ(m[0].request_id, 40);
  EXPECT_EQ(got[1].port, agent.port());
  EXPECT_EQ(m[1].pdu_type, 0xA8);
  EXPECT_EQ(m[1].error_status, ber::kGenErr);
  EXPECT_EQ(m[1].bindings.at(0).value, ber::Value::OctetString("forged"));
  EXPECT_GE(got[2].data.size(), 3000u);
  EXPECT_EQ(m[2].request_id, 45);
  EXPECT_EQ(m[3].pdu_type, ber::kResponse);  // the answer itself, last
  EXPECT_EQ(m[3].request_id, 40);
  EXPECT_EQ(m[3].bindings.at(0).value, ber::Value::OctetString("printer"));
}

TEST_F(FaultAgentForgeryTest, TrapForgeryIsAnSnmpV1TrapWithTheAnswersBindings) {
  FaultScript s;
  s.hook = [](size_t, const ber::Message&, ReplyPlan& plan) {
    Forgery trap;
    trap.pdu_type = ber::kTrapV1;
    plan.forged = {trap};
    plan.copies = 0;
  };
  agent.set_script(s);
  std::vector<Datagram> got = ask(41);
  ASSERT_EQ(got.size(), 1u);
  ber::Reader whole(got[0].data), message(nullptr, 0), field(nullptr, 0), pdu(nullptr, 0);
  ASSERT_TRUE(whole.expect(ber::kSequence, &message));
  ASSERT_TRUE(message.expect(ber::kInteger, &field));
  ASSERT_TRUE(message.expect(ber::kOctetString, &field));
  EXPECT_EQ(field.rest(), "public");
  ASSERT_TRUE(message.expect(ber::kTrapV1, &pdu));
  for (uint8_t tag : {ber::kObjectId, ber::kIpAddress, ber::kInteger, ber::kInteger, ber::kTimeTicks}) {
    ASSERT_TRUE(pdu.expect(tag, &field)) << int(tag);
  }
  ber::Reader bindings(nullptr, 0), binding(nullptr, 0);
  ASSERT_TRUE(pdu.expect(ber::kSequence, &bindings));
  ASSERT_TRUE(bindings.expect(ber::kSequence, &binding));
  EXPECT_TRUE(pdu.at_end());
}

TEST_F(FaultAgentForgeryTest, FloodCopiesTheAnswerFromDistinctLoopbackAddresses) {
  EXPECT_EQ(flood_address(0), "127.1.0.1");
  EXPECT_EQ(flood_address(255), "127.1.1.0");
  EXPECT_EQ(flood_address(65535), "127.2.0.0");
  FaultScript s;
  s.hook = [](size_t, const ber::Message&, ReplyPlan& plan) { plan.flood_sources = 500; };
  agent.set_script(s);
  std::vector<Datagram> got = ask(42, 1500ms);
  // Paced by the client's queue: none is lost although the client reads
  // only after the window has begun.
  ASSERT_EQ(got.size(), 501u);
  std::set<std::string> sources;
  for (size_t i = 0; i < 500; ++i) {
    ASSERT_EQ(got[i].data, got[500].data) << i;
    sources.insert(got[i].address);
  }
  EXPECT_EQ(sources.size(), 500u);
  EXPECT_EQ(sources.count("127.0.0.1"), 0u);
  EXPECT_EQ(got[500].address, "127.0.0.1");  // the answer itself, last
}

}  // namespace
}  // namespace psw_test

namespace psw_test {
namespace {

using namespace std::chrono_literals;
using ber::Message;
using ber::Value;

// A small table after the system group: three rows in columns 1 and 2, two
// in column 3, which holds the last object of all.
const std::string kTable = "1.3.6.1.4.1.32473.7.1";

Message bulk(int32_t id, int32_t non_repeaters, int32_t max_repetitions, const std::vector<std::string>& oids,
             int32_t version = ber::kVersion2c) {
  Message m = request(ber::kGetBulkRequest, id, oids, version);
  m.set_non_repeaters(non_repeaters);
  m.set_max_repetitions(max_repetitions);
  return m;
}

std::string col(int column, int row) { return kTable + "." + std::to_string(column) + "." + std::to_string(row); }

// The system group of FaultAgentTest, then the table.
class FaultAgentBulkTest : public FaultAgentTest {
 protected:
  void SetUp() override {
    FaultAgentTest::SetUp();
    for (int row = 1; row <= 3; ++row) {
      agent.set(col(1, row), Value::Integer(row));
      agent.set(col(2, row), Value::OctetString("row " + std::to_string(row)));
    }
    agent.set(col(3, 1), Value::Gauge32(10));
    agent.set(col(3, 2), Value::Gauge32(20));
  }
  // The answer's names in order, " end" appended to those with endOfMibView;
  // every other value must be the table's value of that name.
  std::vector<std::string> rows(const Message& answer) {
    std::vector<std::string> names;
    for (const ber::VarBind& vb : answer.bindings) {
      std::string name = ber::oid_text(vb.oid);
      if (vb.value.tag == ber::kEndOfMibView) {
        names.push_back(name + " end");
      } else {
        EXPECT_EQ(vb.value, agent.value(name)) << name;
        names.push_back(name);
      }
    }
    return names;
  }
  std::vector<std::string> rows_of(const Message& request) {
    Message r = ask(request);
    EXPECT_EQ(r.request_id, request.request_id);
    EXPECT_EQ(r.error_status, 0);
    EXPECT_EQ(r.error_index, 0);
    return rows(r);
  }
  std::string endpoint() const { return "127.0.0.1:" + std::to_string(agent.port()); }
};

using Rows = std::vector<std::string>;

TEST_F(FaultAgentBulkTest, AnswersNonRepeatersOnceThenRowsColumnByColumn) {
  // Column 1 runs past its end into column 2, as GetNext would.
  EXPECT_EQ(rows_of(bulk(1, 1, 4, {kName, kTable + ".1", kTable + ".2"})),
            (Rows{kLocation, col(1, 1), col(2, 1), col(1, 2), col(2, 2), col(1, 3), col(2, 3), col(2, 1), col(3, 1)}));
  // No repetitions (0 or negative): the non-repeaters alone.
  EXPECT_EQ(rows_of(bulk(2, 1, 0, {kName, kTable})), (Rows{kLocation}));
  EXPECT_EQ(rows_of(bulk(3, 1, -5, {kName, kTable})), (Rows{kLocation}));
  // More non-repeaters than bindings: all of them once; negative: none.
  EXPECT_EQ(rows_of(bulk(4, 7, 3, {kName, kTable})), (Rows{kLocation, col(1, 1)}));
  EXPECT_EQ(rows_of(bulk(5, -1, 2, {kName, kTable})), (Rows{kLocation, col(1, 1), kServices, col(1, 2)}));

  // The log gives each request's non-repeaters and max-repetitions.
  std::vector<ReceivedRequest> log = agent.requests();
  ASSERT_EQ(log.size(), 5u);
  EXPECT_EQ(log[0].message.pdu_type, ber::kGetBulkRequest);
  EXPECT_EQ(log[0].message.non_repeaters(), 1);
  EXPECT_EQ(log[0].message.max_repetitions(), 4);
  EXPECT_EQ(log[2].message.max_repetitions(), -5);
  EXPECT_EQ(log[4].message.non_repeaters(), -1);
}

TEST_F(FaultAgentBulkTest, PadsEndedColumnsWithEndOfMibViewAndStopsWhenAllHaveEnded) {
  // Column 3 ends first and keeps its last name; the answer stops after the
  // first row that is endOfMibView throughout (4 of the 5 rows asked).
  EXPECT_EQ(rows_of(bulk(1, 0, 5, {col(2, 2), col(3, 1)})),
            (Rows{col(2, 3), col(3, 2), col(3, 1), col(3, 2) + " end", col(3, 2), col(3, 2) + " end",
                  col(3, 2) + " end", col(3, 2) + " end"}));
  // A non-repeater past the end, and a repeater that starts past it.
  EXPECT_EQ(rows_of(bulk(2, 1, 2, {col(3, 2), kTable + ".1"})), (Rows{col(3, 2) + " end", col(1, 1), col(1, 2)}));
  EXPECT_EQ(rows_of(bulk(3, 0, 3, {"1.3.6.1.4.1.32473.8"})), (Rows{"1.3.6.1.4.1.32473.8 end"}));
}

TEST_F(FaultAgentBulkTest, CutsAnswersFromTheEndToFitTheSizeLimit) {
  Message request = bulk(1, 1, 3, {kName, kTable + ".1", kTable + ".2"});
  Message full = ask(request);
  ASSERT_EQ(full.bindings.size(), 7u);
  const size_t full_size = ber::encode_message(full).size();

  FaultScript s;
  s.max_answer_size = static_cast<int>(full_size - 1);
  agent.set_script(s);
  std::vector<Datagram> cut = exchange(request);
  ASSERT_EQ(cut.size(), 1u);
  EXPECT_LE(cut[0].data.size(), full_size - 1);
  Message expected = full;
  expected.bindings.pop_back();  // the last binding goes, not the whole last row
  EXPECT_EQ(cut[0].data, ber::encode_message(expected));

  // Room for the non-repeater alone: that is the answer; one octet less is tooBig.
  Message lead = full;
  lead.bindings.resize(1);
  s.max_answer_size = static_cast<int>(ber::encode_message(lead).size());
  agent.set_script(s);
  EXPECT_EQ(rows_of(request), (Rows{kLocation}));
  s.max_answer_size -= 1;
  agent.set_script(s);
  Message too_big = ask(request);
  EXPECT_EQ(too_big.error_status, ber::kTooBig);
  EXPECT_EQ(too_big.error_index, 0);
  ASSERT_EQ(too_big.bindings.size(), 3u);
  EXPECT_EQ(too_big.bindings[1].oid, request.bindings[1].oid);
  EXPECT_EQ(too_big.bindings[1].value, Value::Null());

  // Without a limit, an answer that never ends (a stuck column asked for
  // every repetition there is) still fits one datagram.
  FaultScript stuck;
  stuck.stuck_walk = true;
  agent.set_script(stuck);
  std::vector<Datagram> huge = exchange(bulk(2, 0, INT32_MAX, {col(1, 1)}), 1000ms);
  ASSERT_EQ(huge.size(), 1u);
  EXPECT_LE(huge[0].data.size(), 65507u);
  Message m = decoded(huge[0]);
  EXPECT_GT(m.bindings.size(), 1000u);
  EXPECT_EQ(m.bindings.back().oid, ber::parse_oid(col(1, 1)));
  EXPECT_EQ(m.bindings.back().value, Value::Integer(2));
}

TEST_F(FaultAgentBulkTest, MisbehavesTheWaysRealAgentsDo) {
  const std::vector<std::string> columns = {kTable + ".1", kTable + ".2"};
  auto with = [&](auto change) {
    FaultScript s;
    change(s);
    agent.set_script(s);
  };

  with([](FaultScript& s) { s.bulk_too_big = true; });
  Message old_agent = ask(bulk(1, 0, 1, columns));
  EXPECT_EQ(old_agent.error_status, ber::kTooBig);
  EXPECT_EQ(old_agent.error_index, 0);
  EXPECT_EQ(old_agent.bindings.size(), 2u);  // the request's own, nothing more
  EXPECT_EQ(old_agent.bindings[0].value, Value::Null());

  with([](FaultScript& s) { s.bulk_too_big_above = 2; });
  EXPECT_EQ(rows_of(bulk(2, 0, 2, {kTable})), (Rows{col(1, 1), col(1, 2)}));
  EXPECT_EQ(ask(bulk(3, 0, 3, {kTable})).error_status, ber::kTooBig);

  with([](FaultScript& s) { s.bulk_single_row = true; });
  EXPECT_EQ(rows_of(bulk(4, 0, 3, columns)), (Rows{col(1, 1), col(2, 1)}));
  EXPECT_EQ(rows_of(bulk(5, 0, 0, columns)), (Rows{col(1, 1), col(2, 1)}));

  with([](FaultScript& s) { s.bulk_extra_rows = 2; });
  EXPECT_EQ(rows_of(bulk(6, 0, 1, {kTable})), (Rows{col(1, 1), col(1, 2), col(1, 3)}));

  // Ends in the middle: from row 1 on, both columns say endOfMibView under
  // the last names they had, and that ends the answer.
  with([](FaultScript& s) { s.bulk_end_after = 1; });
  EXPECT_EQ(rows_of(bulk(7, 0, 3, columns)), (Rows{col(1, 1), col(2, 1), col(1, 1) + " end", col(2, 1) + " end"}));
  with([](FaultScript& s) { s.bulk_end_after = 0; });
  EXPECT_EQ(rows_of(bulk(8, 1, 3, {kName, kTable})), (Rows{kLocation, kTable + " end"}));

  with([](FaultScript& s) { s.bulk_max_repetitions_cap = 2; });
  EXPECT_EQ(rows_of(bulk(9, 0, 10, {kTable})), (Rows{col(1, 1), col(1, 2)}));
  EXPECT_EQ(agent.requests().back().message.max_repetitions(), 10);  // what was asked, not the cap

  // The hook sees the plan worked out from the script and may change it
  // for one request.
  std::atomic<int> planned{-1};  // written by the agent's thread
  with([&](FaultScript& s) {
    s.bulk_max_repetitions_cap = 3;
    s.hook = [&](size_t, const Message& r, ReplyPlan& plan) {
      planned = plan.bulk.repetitions;
      if (r.max_repetitions() == 7) plan.bulk.repetitions = 1;
    };
  });
  EXPECT_EQ(rows_of(bulk(10, 0, 7, {kTable})), (Rows{col(1, 1)}));
  EXPECT_EQ(planned.load(), 3);
  EXPECT_EQ(rows_of(bulk(11, 0, 6, {kTable})), (Rows{col(1, 1), col(1, 2), col(1, 3)}));
  agent.set_script(FaultScript());  // the hook refers to this test's locals
}

TEST_F(FaultAgentBulkTest, IgnoresGetBulkOverSnmpV1AndSnmpV2cWhenV1Only) {
  EXPECT_TRUE(exchange(bulk(1, 0, 2, {kTable}, ber::kVersion1)).empty());
  EXPECT_EQ(agent.request_count(), 1u);  // recorded, not answered

  FaultScript s;
  s.v1_only = true;
  agent.set_script(s);
  Message get = request(ber::kGetRequest, 2, {kName}, ber::kVersion2c);
  EXPECT_TRUE(exchange(get).empty());
  EXPECT_TRUE(exchange(request(ber::kGetNextRequest, 3, {kName}, ber::kVersion2c)).empty());
  EXPECT_TRUE(exchange(bulk(4, 0, 2, {kTable})).empty());
  get.version = ber::kVersion1;
  EXPECT_EQ(ask(get).bindings.at(0).value, Value::OctetString("printer"));
  EXPECT_EQ(agent.request_count(), 5u);
}

// Net-SNMP's bulk tools read the agent's answers as the agent meant them.
TEST_F(FaultAgentBulkTest, NetSnmpBulkToolsReadTheAnswers) {
  SnmpTools tools;
  // Names as rows() gives them: endOfMibView is the tool's "No more variables".
  auto oids = [](const CommandResult& r) {
    std::vector<std::string> names;
    for (const ToolLine& line : object_lines(r.output)) {
      names.push_back(line.oid + (line.text.rfind("No more variables", 0) == 0 ? " end" : ""));
    }
    return names;
  };
  CommandResult got = tools.run("snmpbulkget", {"-v2c", "-c", "public", "-Cn1", "-Cr4", endpoint(), kName,
                                                kTable + ".1", kTable + ".2"});
  ASSERT_EQ(got.exit_code, 0) << got.output;
  EXPECT_EQ(oids(got), rows_of(bulk(1, 1, 4, {kName, kTable + ".1", kTable + ".2"}))) << got.output;
  std::vector<ToolLine> lines = object_lines(got.output);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0].text, "STRING: \"lab\"");
  EXPECT_EQ(lines[2].text, "STRING: \"row 1\"");
  EXPECT_EQ(lines[8].text, "Gauge32: 10");
  const Message sent = agent.requests().at(0).message;
  EXPECT_EQ(sent.non_repeaters(), 1);
  EXPECT_EQ(sent.max_repetitions(), 4);

  const std::vector<std::string> whole_table = {col(1, 1), col(1, 2), col(1, 3), col(2, 1),
                                                col(2, 2), col(2, 3), col(3, 1), col(3, 2)};
  FaultScript s;
  s.max_answer_size = 120;  // about four bindings an answer
  agent.set_script(s);
  agent.reset_requests();
  got = tools.run("snmpbulkwalk", {"-v2c", "-c", "public", "-Cr20", endpoint(), kTable});
  EXPECT_EQ(got.exit_code, 0) << got.output;
  std::vector<std::string> walked = whole_table;
  walked.push_back(col(3, 2) + " end");
  EXPECT_EQ(oids(got), walked) << got.output;
  std::vector<ReceivedRequest> log = agent.requests();
  EXPECT_GE(log.size(), 3u);
  for (const ReceivedRequest& r : log) EXPECT_EQ(r.message.max_repetitions(), 20);

  // An answer that ends in the middle ends the tool's walk there.
  s = FaultScript();
  s.bulk_end_after = 2;
  agent.set_script(s);
  got = tools.run("snmpbulkwalk", {"-v2c", "-c", "public", "-Cr5", endpoint(), kTable});
  EXPECT_EQ(oids(got), (Rows{col(1, 1), col(1, 2), col(1, 2) + " end"})) << got.output;

  s = FaultScript();
  s.v1_only = true;
  agent.set_script(s);
  got = tools.run("snmpbulkwalk", {"-v2c", "-c", "public", "-t", "0.3", "-r", "0", endpoint(), kTable});
  EXPECT_NE(got.exit_code, 0) << got.output;
  EXPECT_NE(got.output.find("Timeout"), std::string::npos) << got.output;
  got = tools.run("snmpwalk", {"-v1", "-c", "public", endpoint(), kTable});
  EXPECT_EQ(oids(got), whole_table) << got.output;
}

}  // namespace
}  // namespace psw_test
