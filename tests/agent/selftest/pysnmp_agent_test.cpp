// The pysnmp agent serves profiles exactly and in numeric order, accepts
// Sets only where it may, answers SNMPv3 users at their level with their own
// keys, listens where it is told, and fails loudly without leaving anything
// behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "agent/pysnmp_agent.h"
#include "agent/snmp_tools.h"
#include "agent/temp_dir.h"
#include "agent/udp_socket.h"

namespace psw_test {
namespace {

using namespace std::chrono_literals;
using ber::Message;
using ber::Value;

const std::string kTypes = "1.3.6.1.4.1.32473.99";

// pysnmp agents this process started that still run.
int running_agents() {
  int count = 0;
  DIR* proc = ::opendir("/proc");
  while (dirent* e = proc ? ::readdir(proc) : nullptr) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string pid, comm, state;
    long ppid = 0;
    if (!(stat >> pid >> comm >> state >> ppid) || ppid != ::getpid()) continue;
    std::ifstream cmdline(std::string("/proc/") + e->d_name + "/cmdline");
    std::string args((std::istreambuf_iterator<char>(cmdline)), std::istreambuf_iterator<char>());
    if (args.find("pysnmp_agent.py") != std::string::npos) ++count;
  }
  if (proc) ::closedir(proc);
  return count;
}

Message exchange(const PysnmpAgent& agent, const Message& request) {
  UdpSocket socket(address_family(agent.address()) == AF_INET6 ? "::1" : "127.0.0.1");
  socket.send_to(ber::encode_message(request), agent.address(), agent.port());
  std::optional<Datagram> d = socket.receive(3000ms);
  Message answer;
  std::string error;
  EXPECT_TRUE(d.has_value()) << "no answer from " << agent.endpoint();
  if (d) {
    EXPECT_TRUE(ber::decode_message(d->data, &answer, &error)) << error;
    EXPECT_EQ(answer.pdu_type, ber::kResponse);
    EXPECT_EQ(answer.request_id, request.request_id);
  }
  return answer;
}

// One request through our own codec; fails the test when nothing answers.
Message raw_request(const PysnmpAgent& agent, uint8_t type, int32_t version, const std::string& community,
                    const std::vector<ber::Oid>& oids) {
  Message m;
  m.version = version;
  m.community = community;
  m.pdu_type = type;
  m.request_id = 4343;
  for (const ber::Oid& oid : oids) m.bindings.push_back({oid, Value::Null()});
  return exchange(agent, m);
}

// Lines of a tool's output that carry a value (".OID = TYPE: value"); the
// end-of-view line of an SNMPv2c walk is not one.
std::vector<std::string> value_lines(const std::string& output) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line[0] == '.' && line.find(" = ") != std::string::npos &&
        line.find("No more variables left") == std::string::npos) {
      lines.push_back(line);
    }
    start = end + 1;
  }
  return lines;
}

std::string oid_of_line(const std::string& line) { return line.substr(1, line.find(' ') - 1); }

PysnmpOptions types_agent() {
  PysnmpOptions o;
  o.profile = SnmprecProfile::load(profile_path("types.snmprec"));
  return o;
}

// Objects whose numeric order differs from their text order (9 before 10,
// 2.1 before 10.1, a parent before its children) and a NULL, which this
// agent can serve.
SnmprecProfile ordering_profile() {
  return SnmprecProfile::parse(
      "1.3.6.1.4.1.32473.97.10.1|2|4\n"
      "1.3.6.1.4.1.32473.97.9|2|3\n"
      "1.3.6.1.4.1.32473.97.2.1|2|1\n"
      "1.3.6.1.4.1.32473.97.2|2|0\n"
      "1.3.6.1.4.1.32473.97.2.10|2|2\n"
      "1.3.6.1.4.1.32473.97.100|5|\n"
      "1.3.6.1.4.1.32473.97.11.4294967295|4|last\n",
      "ordering");
}

TEST(PysnmpAgent, ServesEveryProfileValueExactly) {
  PysnmpOptions o = types_agent();
  o.profile.set(kTypes + ".7.1.0", Value::Null());
  PysnmpAgent agent(o);
  std::vector<ProfileEntry> entries = o.profile.entries();
  std::vector<ber::Oid> oids;
  for (const ProfileEntry& e : entries) oids.push_back(e.oid);
  Message answer = raw_request(agent, ber::kGetRequest, ber::kVersion2c, "public", oids);
  EXPECT_EQ(answer.error_status, 0);
  ASSERT_EQ(answer.bindings.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(answer.bindings[i].oid, entries[i].oid);
    EXPECT_EQ(answer.bindings[i].value, entries[i].value)
        << ber::oid_text(entries[i].oid) << ": " << answer.bindings[i].value.describe();
  }
  // Net-SNMP's client decodes the same over SNMPv1; Counter64 is refused
  // there with noSuchName at its own index.
  SnmpTools tools;
  std::string v1 = tools.run("snmpget", {"-v1", "-c", "public", agent.endpoint(), kTypes + ".1.1.0", kTypes + ".2.2.0",
                                         kTypes + ".3.1.0", kTypes + ".4.1.0", kTypes + ".4.2.0", kTypes + ".4.3.0",
                                         kTypes + ".5.1.0", kTypes + ".5.3.0"})
                       .output;
  for (const char* expected : {"INTEGER: -123456", "Hex-STRING: 00 FF 41 42", "OID: .1.3.6.1.4.1.32473.8.52.2.101",
                               "Counter32: 4294967295", "Gauge32: 1234", "Timeticks: (8640000)",
                               "IpAddress: 10.20.30.40", "OPAQUE: 01 02 FF"}) {
    EXPECT_NE(v1.find(expected), std::string::npos) << expected << " missing in:\n" << v1;
  }
  Message c64 = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public",
                            {ber::parse_oid(kTypes + ".1.1.0"), ber::parse_oid(kTypes + ".5.2.0")});
  EXPECT_EQ(c64.error_status, ber::kNoSuchName);
  EXPECT_EQ(c64.error_index, 2);
  // Missing objects: noSuchInstance below an object type the profile has,
  // noSuchObject elsewhere; SNMPv1 says noSuchName.
  Message missing = raw_request(agent, ber::kGetRequest, ber::kVersion2c, "public",
                                {ber::parse_oid(kTypes + ".1.1.1"), ber::parse_oid(kTypes + ".8.1.0")});
  ASSERT_EQ(missing.bindings.size(), 2u);
  EXPECT_EQ(missing.bindings[0].value.tag, ber::kNoSuchInstance);
  EXPECT_EQ(missing.bindings[1].value.tag, ber::kNoSuchObject);
  Message v1_missing =
      raw_request(agent, ber::kGetRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".8.1.0")});
  EXPECT_EQ(v1_missing.error_status, ber::kNoSuchName);
  EXPECT_EQ(v1_missing.error_index, 1);
}

TEST(PysnmpAgent, WalksInNumericOrderAndEndsAtTheLastObject) {
  PysnmpOptions o;
  o.profile = ordering_profile();
  PysnmpAgent agent(o);
  std::vector<ProfileEntry> entries = o.profile.entries();  // numeric order
  SnmpTools tools;
  for (const char* version : {"-v1", "-v2c"}) {
    std::vector<std::string> walked =
        value_lines(tools.run("snmpwalk", {version, "-c", "public", agent.endpoint(), "1.3.6.1.4.1.32473.97"}).output);
    // SNMPv1 answers have no NULL value to show apart from a missing one:
    // both walks list every object, in the profile's numeric order.
    ASSERT_EQ(walked.size(), entries.size()) << version;
    for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(oid_of_line(walked[i]), ber::oid_text(entries[i].oid));
  }
  // GetNext from between objects, from a prefix and past the end, in each
  // binding of one request.
  Message next = raw_request(agent, ber::kGetNextRequest, ber::kVersion2c, "public",
                             {ber::parse_oid("1.3.6.1.4.1.32473.97.2.2"), ber::parse_oid("1.3.6.1.4.1.32473.97.10"),
                              ber::parse_oid("1.3.6.1.4.1.32473.97.11.4294967295"), ber::parse_oid("1.3.6.1.4.1")});
  ASSERT_EQ(next.bindings.size(), 4u);
  EXPECT_EQ(ber::oid_text(next.bindings[0].oid), "1.3.6.1.4.1.32473.97.2.10");
  EXPECT_EQ(next.bindings[0].value, Value::Integer(2));
  EXPECT_EQ(ber::oid_text(next.bindings[1].oid), "1.3.6.1.4.1.32473.97.10.1");
  EXPECT_EQ(ber::oid_text(next.bindings[2].oid), "1.3.6.1.4.1.32473.97.100");
  EXPECT_EQ(next.bindings[2].value, Value::Null());
  EXPECT_EQ(ber::oid_text(next.bindings[3].oid), "1.3.6.1.4.1.32473.97.2");
  Message end = raw_request(agent, ber::kGetNextRequest, ber::kVersion2c, "public",
                            {ber::parse_oid("1.3.6.1.4.1.32473.97.9"), ber::parse_oid("1.3.6.1.4.1.32473.97.100")});
  ASSERT_EQ(end.bindings.size(), 2u);
  EXPECT_EQ(end.error_status, 0);
  EXPECT_EQ(end.bindings[1].value.tag, ber::kEndOfMibView);
  EXPECT_EQ(ber::oid_text(end.bindings[1].oid), "1.3.6.1.4.1.32473.97.100");
  Message v1_end = raw_request(agent, ber::kGetNextRequest, ber::kVersion1, "public",
                               {ber::parse_oid("1.3.6.1.4.1.32473.97.9"), ber::parse_oid("1.3.6.1.4.1.32473.97.100")});
  EXPECT_EQ(v1_end.error_status, ber::kNoSuchName);
  EXPECT_EQ(v1_end.error_index, 2);

  // GetBulk: one non-repeater, then three rounds of two repeaters.
  Message bulk;
  bulk.version = ber::kVersion2c;
  bulk.pdu_type = ber::kGetBulkRequest;
  bulk.request_id = 77;
  bulk.error_status = 1;  // non-repeaters
  bulk.error_index = 3;   // max-repetitions
  for (const char* oid : {"1.3.6.1.4.1.32473.97.9", "1.3.6.1.4.1.32473.97.2", "1.3.6.1.4.1.32473.97.10.1"}) {
    bulk.bindings.push_back({ber::parse_oid(oid), Value::Null()});
  }
  Message answer = exchange(agent, bulk);
  std::vector<std::string> got;
  for (const ber::VarBind& b : answer.bindings) {
    got.push_back(ber::oid_text(b.oid) + (b.value.tag == ber::kEndOfMibView ? " end" : ""));
  }
  EXPECT_EQ(got, (std::vector<std::string>{"1.3.6.1.4.1.32473.97.10.1", "1.3.6.1.4.1.32473.97.2.1",
                                           "1.3.6.1.4.1.32473.97.11.4294967295", "1.3.6.1.4.1.32473.97.2.10",
                                           "1.3.6.1.4.1.32473.97.100", "1.3.6.1.4.1.32473.97.9",
                                           "1.3.6.1.4.1.32473.97.100 end"}));
}

TEST(PysnmpAgent, OmitsCounter64FromSnmpv1GetNext) {
  PysnmpAgent agent(types_agent());
  Message next = raw_request(agent, ber::kGetNextRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".5.1.0")});
  ASSERT_EQ(next.bindings.size(), 1u);
  EXPECT_EQ(ber::oid_text(next.bindings[0].oid), kTypes + ".5.3.0");
  next = raw_request(agent, ber::kGetNextRequest, ber::kVersion2c, "public", {ber::parse_oid(kTypes + ".5.1.0")});
  ASSERT_EQ(next.bindings.size(), 1u);
  EXPECT_EQ(next.bindings[0].value, Value::Counter64(18446744073709551615ull));
}

TEST(PysnmpAgent, AcceptsSetsOnWritableObjectsWithTheWriteCommunityOnly) {
  PysnmpOptions o = types_agent();
  o.write_community = "private";
  o.writable_oids = {kTypes + ".1.2.0"};
  PysnmpAgent agent(o);
  SnmpTools tools;
  auto set = [&](const char* version, const std::string& community, const std::string& oid, const char* type,
                 const std::string& value) {
    return tools.run("snmpset", {version, "-c", community, agent.endpoint(), oid, type, value});
  };
  EXPECT_EQ(set("-v1", "private", kTypes + ".6.1.0", "i", "9").exit_code, 0);
  EXPECT_EQ(set("-v2c", "private", kTypes + ".6.2.0", "s", "changed").exit_code, 0);
  EXPECT_EQ(set("-v1", "private", kTypes + ".1.2.0", "i", "-1").exit_code, 0);
  Message after = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public",
                              {ber::parse_oid(kTypes + ".6.1.0"), ber::parse_oid(kTypes + ".6.2.0"),
                               ber::parse_oid(kTypes + ".1.2.0")});
  ASSERT_EQ(after.bindings.size(), 3u);
  EXPECT_EQ(after.bindings[0].value, Value::Integer(9));
  EXPECT_EQ(after.bindings[1].value, Value::OctetString("changed"));
  EXPECT_EQ(after.bindings[2].value, Value::Integer(-1));

  // Refusals: a read-only object, the read community, a wrong type, an
  // object the profile does not have. None changes anything.
  CommandResult read_only = set("-v1", "private", kTypes + ".1.1.0", "i", "1");
  EXPECT_NE(read_only.exit_code, 0);
  EXPECT_NE(read_only.output.find("noSuchName"), std::string::npos) << read_only.output;
  CommandResult v2_read_only = set("-v2c", "private", kTypes + ".1.1.0", "i", "1");
  EXPECT_NE(v2_read_only.output.find("notWritable"), std::string::npos) << v2_read_only.output;
  EXPECT_NE(set("-v1", "public", kTypes + ".6.1.0", "i", "10").exit_code, 0);
  EXPECT_NE(set("-v2c", "public", kTypes + ".6.1.0", "i", "10").exit_code, 0);
  CommandResult wrong_type = set("-v2c", "private", kTypes + ".6.1.0", "s", "wrong type");
  EXPECT_NE(wrong_type.output.find("wrongType"), std::string::npos) << wrong_type.output;
  EXPECT_NE(set("-v2c", "private", kTypes + ".9.9.0", "i", "1").exit_code, 0);
  // A request with one refused binding changes none of the others.
  Message two;
  two.version = ber::kVersion2c;
  two.community = "private";
  two.pdu_type = ber::kSetRequest;
  two.request_id = 99;
  two.bindings = {{ber::parse_oid(kTypes + ".6.1.0"), Value::Integer(11)},
                  {ber::parse_oid(kTypes + ".1.1.0"), Value::Integer(12)}};
  Message refused = exchange(agent, two);
  EXPECT_EQ(refused.error_status, ber::kNotWritable);
  EXPECT_EQ(refused.error_index, 2);
  Message unchanged = raw_request(agent, ber::kGetRequest, ber::kVersion2c, "public",
                                  {ber::parse_oid(kTypes + ".6.1.0"), ber::parse_oid(kTypes + ".1.1.0")});
  ASSERT_EQ(unchanged.bindings.size(), 2u);
  EXPECT_EQ(unchanged.bindings[0].value, Value::Integer(9));
  EXPECT_EQ(unchanged.bindings[1].value, Value::Integer(-123456));
}

TEST(PysnmpAgent, AnswersSnmpv3UsersAtEachLevelWithTheirOwnKeys) {
  PysnmpOptions o = types_agent();
  o.read_community.clear();
  o.users = {UsmUser{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", true},
             UsmUser{"bob", "MD5", "bob-auth-pass", "", "", false},
             UsmUser{"carol", "MD5", "carol-auth-pass", "DES", "carol-priv-pass", false},
             UsmUser{"dave", "", "", "", "", false},
             UsmUser{"erin", "SHA", "erin-auth-pass", "DES", "erin-priv-pass", false},
             UsmUser{"frank", "MD5", "frank-auth-pass", "AES", "frank-priv-pass", false}};
  PysnmpAgent agent(o);
  SnmpTools tools;
  const std::string object = kTypes + ".2.1.0";
  auto get = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "-v3");
    args.push_back(agent.endpoint());
    args.push_back(object);
    return tools.run("snmpget", args);
  };
  auto served = [](const CommandResult& r) { return r.output.find("STRING: \"Ready to print\"") != std::string::npos; };
  struct Case {
    const char* what;
    std::vector<std::string> args;
  };
  const Case good[] = {
      {"alice SHA/AES", {"-l", "authPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass", "-x", "AES", "-X",
                         "alice-priv-pass"}},
      {"bob MD5", {"-l", "authNoPriv", "-u", "bob", "-a", "MD5", "-A", "bob-auth-pass"}},
      {"carol MD5/DES", {"-l", "authPriv", "-u", "carol", "-a", "MD5", "-A", "carol-auth-pass", "-x", "DES", "-X",
                         "carol-priv-pass"}},
      {"dave noAuthNoPriv", {"-l", "noAuthNoPriv", "-u", "dave"}},
      {"erin SHA/DES", {"-l", "authPriv", "-u", "erin", "-a", "SHA", "-A", "erin-auth-pass", "-x", "DES", "-X",
                        "erin-priv-pass"}},
      {"frank MD5/AES", {"-l", "authPriv", "-u", "frank", "-a", "MD5", "-A", "frank-auth-pass", "-x", "AES", "-X",
                         "frank-priv-pass"}},
  };
  for (const Case& c : good) {
    CommandResult r = get(c.args);
    EXPECT_TRUE(served(r)) << c.what << ":\n" << r.output;
  }
  const Case bad[] = {
      {"wrong auth pass", {"-l", "authNoPriv", "-u", "bob", "-a", "MD5", "-A", "not-bobs-pass"}},
      {"wrong auth protocol", {"-l", "authNoPriv", "-u", "bob", "-a", "SHA", "-A", "bob-auth-pass"}},
      {"wrong priv pass", {"-l", "authPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass", "-x", "AES", "-X",
                           "not-alices-pass"}},
      {"below the user's level", {"-l", "authNoPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass"}},
      {"no auth for an auth user", {"-l", "noAuthNoPriv", "-u", "bob"}},
      {"unknown user", {"-l", "noAuthNoPriv", "-u", "mallory"}},
  };
  for (const Case& c : bad) {
    CommandResult r = get(c.args);
    EXPECT_FALSE(served(r)) << c.what << ":\n" << r.output;
  }
  // Sets: a writable user may, a read-only one may not.
  std::vector<std::string> alice_set = {"-v3", "-l", "authPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass",
                                        "-x", "AES", "-X", "alice-priv-pass", agent.endpoint(), kTypes + ".6.2.0",
                                        "s", "by alice"};
  EXPECT_EQ(tools.run("snmpset", alice_set).exit_code, 0);
  std::vector<std::string> carol_set = {"-v3", "-l", "authPriv", "-u", "carol", "-a", "MD5", "-A", "carol-auth-pass",
                                        "-x", "DES", "-X", "carol-priv-pass", agent.endpoint(), kTypes + ".6.2.0",
                                        "s", "by carol"};
  EXPECT_NE(tools.run("snmpset", carol_set).exit_code, 0);
  std::string now = tools.run("snmpget", {"-v3", "-l", "noAuthNoPriv", "-u", "dave", agent.endpoint(), kTypes + ".6.2.0"}).output;
  EXPECT_NE(now.find("STRING: \"by alice\""), std::string::npos) << now;
  // No community was configured: community requests get no answer.
  CommandResult v2c = tools.run("snmpget", {"-v2c", "-c", "public", "-t", "0.3", "-r", "0", agent.endpoint(), object});
  EXPECT_NE(v2c.output.find("Timeout"), std::string::npos) << v2c.output;
}

TEST(PysnmpAgent, ListensOnIpv6AndOtherLoopbackAddressesOnOnePort) {
  PysnmpOptions o = types_agent();
  o.listen = {"::1", "127.0.0.3"};
  PysnmpAgent agent(o);
  EXPECT_EQ(agent.address(), "::1");
  EXPECT_EQ(agent.endpoint(), "udp6:[::1]:" + std::to_string(agent.port()));
  Message v6 = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".1.1.0")});
  ASSERT_EQ(v6.bindings.size(), 1u);
  EXPECT_EQ(v6.bindings[0].value, Value::Integer(-123456));
  SnmpTools tools;
  std::string v4 = tools.run("snmpget", {"-v1", "-c", "public", "127.0.0.3:" + std::to_string(agent.port()),
                                         kTypes + ".2.1.0"})
                       .output;
  EXPECT_NE(v4.find("STRING: \"Ready to print\""), std::string::npos) << v4;
  // Only the addresses it was given: not 127.0.0.1.
  std::string other = tools.run("snmpget", {"-v1", "-c", "public", "-t", "0.3", "-r", "0",
                                            "127.0.0.1:" + std::to_string(agent.port()), kTypes + ".2.1.0"})
                          .output;
  EXPECT_NE(other.find("Timeout"), std::string::npos) << other;
  // The port it reported is its own.
  EXPECT_NE(agent.output_text().find("listening on ::1 port " + std::to_string(agent.port())), std::string::npos)
      << agent.output_text();
}

TEST(PysnmpAgent, FailsWithItsLogAndLeavesNothingRunning) {
  UdpSocket taken("127.0.0.1");
  PysnmpOptions busy = types_agent();
  busy.port = taken.local_port();
  try {
    PysnmpAgent agent(busy);
    ADD_FAILURE() << "an agent started on a port in use";
  } catch (const std::runtime_error& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("cannot listen on 127.0.0.1 port " + std::to_string(taken.local_port())),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("---- agent log ----"), std::string::npos) << message;
  }
  EXPECT_EQ(running_agents(), 0);

  PysnmpOptions short_pass = types_agent();
  short_pass.users = {UsmUser{"zoe", "SHA", "short", "", "", false}};
  try {
    PysnmpAgent agent(short_pass);
    ADD_FAILURE() << "an agent started with a 5-character pass phrase";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("at least 8 characters"), std::string::npos) << e.what();
  }
  EXPECT_EQ(running_agents(), 0);

  PysnmpOptions colon = types_agent();
  colon.users = {UsmUser{"zoe", "SHA", "pass:with:colons", "", "", false}};
  EXPECT_THROW(PysnmpAgent agent(colon), std::invalid_argument);
  PysnmpOptions not_numeric = types_agent();
  not_numeric.listen = {"localhost"};
  EXPECT_THROW(PysnmpAgent agent(not_numeric), std::invalid_argument);
  EXPECT_EQ(running_agents(), 0);
}

TEST(PysnmpAgent, DelaysRepliesLogsDatagramsAndStopsByPid) {
  PysnmpOptions o = types_agent();
  o.reply_delay_ms = 300;
  o.log_datagrams = true;
  PysnmpAgent agent(o);
  auto start = std::chrono::steady_clock::now();
  Message m = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".1.1.0")});
  EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
  ASSERT_EQ(m.bindings.size(), 1u);
  EXPECT_EQ(m.bindings[0].value, Value::Integer(-123456));
  std::string log = agent.log_text();
  EXPECT_NE(log.find("GET v1 read-area: " + kTypes + ".1.1.0"), std::string::npos) << log;
  EXPECT_NE(log.find("RECV from"), std::string::npos) << log;
  EXPECT_NE(log.find("SEND to"), std::string::npos) << log;
  pid_t pid = agent.pid();
  ASSERT_GT(pid, 0);
  EXPECT_EQ(running_agents(), 1);
  agent.stop();
  EXPECT_FALSE(agent.running());
  EXPECT_EQ(running_agents(), 0);
  EXPECT_NE(::kill(pid, 0), 0);
  EXPECT_NE(agent.log_text().find("stopped by signal 15"), std::string::npos) << agent.log_text();
}

// The script reads profile files in their own text (plain and hex values,
// writable marks, Latin-1 octets) as our own parser does, and names the line
// of a fault.
TEST(PysnmpAgent, ServesProfileFilesAsTheProfileParserReadsThem) {
  for (const char* file : {"types.snmprec", "mono_laser_latin1.snmprec", "office_mfp_status.snmprec"}) {
    SCOPED_TRACE(file);
    PysnmpOptions o;
    o.profile_file = profile_path(file);
    o.write_community = "private";
    PysnmpAgent agent(o);
    std::vector<ProfileEntry> entries = SnmprecProfile::load(o.profile_file).entries();
    ASSERT_FALSE(entries.empty());
    // A walk from the first object's parent answers every object in order.
    ber::Oid at(entries.front().oid.begin(), entries.front().oid.end() - 1);
    for (size_t i = 0; i < entries.size(); ++i) {
      Message next = raw_request(agent, ber::kGetNextRequest, ber::kVersion2c, "public", {at});
      ASSERT_EQ(next.bindings.size(), 1u);
      EXPECT_EQ(next.bindings[0].oid, entries[i].oid);
      EXPECT_EQ(next.bindings[0].value, entries[i].value) << ber::oid_text(entries[i].oid);
      at = next.bindings[0].oid;
    }
    // Writable marks: a Set of the same value is taken exactly where marked.
    for (const ProfileEntry& e : entries) {
      Message set;
      set.version = ber::kVersion2c;
      set.community = "private";
      set.pdu_type = ber::kSetRequest;
      set.request_id = 5;
      set.bindings = {{e.oid, e.value}};
      Message answer = exchange(agent, set);
      EXPECT_EQ(answer.error_status, e.writable ? 0 : ber::kNotWritable) << ber::oid_text(e.oid);
    }
  }
  TempDir dir("psw-pysnmp-test");
  dir.write("bad.snmprec", "1.3.6.1.4.1.32473.95.1.0|2|1\n1.3.6.1.4.1.32473.95.2.0|2x|00\n");
  PysnmpOptions bad;
  bad.profile_file = dir.file("bad.snmprec");
  try {
    PysnmpAgent agent(bad);
    ADD_FAILURE() << "an agent started with a broken profile";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("bad.snmprec:2: hex values are only for types 4, 64 and 68"),
              std::string::npos)
        << e.what();
  }
  EXPECT_EQ(running_agents(), 0);
}

TEST(PysnmpAgent, ProfileTextKeepsEveryOctet) {
  SnmprecProfile p;
  p.set("1.3.6.1.4.1.32473.96.1.0", Value::OctetString(std::string("a|b\nc\r\xF3\0", 8)));
  p.set("1.3.6.1.4.1.32473.96.2.0", Value::OctetString(""), true);
  p.set("1.3.6.1.4.1.32473.96.3.0", Value::IpAddress(0, 255, 10, 1));
  p.set("1.3.6.1.4.1.32473.96.4.0", Value::Null());
  SnmprecProfile back = SnmprecProfile::parse(snmprec_text(p), "round trip");
  ASSERT_EQ(back.size(), p.size());
  for (const ProfileEntry& e : p.entries()) {
    const ProfileEntry* b = back.find(e.oid);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->value, e.value) << ber::oid_text(e.oid);
    EXPECT_EQ(b->writable, e.writable) << ber::oid_text(e.oid);
  }
  // And the agent serves those octets unchanged.
  PysnmpOptions o;
  o.profile = p;
  PysnmpAgent agent(o);
  Message answer = raw_request(agent, ber::kGetRequest, ber::kVersion2c, "public",
                               {ber::parse_oid("1.3.6.1.4.1.32473.96.1.0"), ber::parse_oid("1.3.6.1.4.1.32473.96.3.0")});
  ASSERT_EQ(answer.bindings.size(), 2u);
  EXPECT_EQ(answer.bindings[0].value, p.find(ber::parse_oid("1.3.6.1.4.1.32473.96.1.0"))->value);
  EXPECT_EQ(answer.bindings[1].value, Value::IpAddress(0, 255, 10, 1));
}

}  // namespace
}  // namespace psw_test
