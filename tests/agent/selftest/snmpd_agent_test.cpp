// The real agent serves profiles faithfully, accepts Sets and SNMPv3 users,
// listens where it is told, and fails loudly without leaving anything behind.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "agent/snmp_tools.h"
#include "agent/snmpd_agent.h"
#include "agent/udp_socket.h"

namespace psw_test {
namespace {

using namespace std::chrono_literals;
using ber::Message;
using ber::Value;

const std::string kTypes = "1.3.6.1.4.1.32473.99";

// Agents this process started that still run.
int running_agents() {
  int count = 0;
  DIR* proc = ::opendir("/proc");
  while (dirent* e = proc ? ::readdir(proc) : nullptr) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string pid, comm, state;
    long ppid = 0;
    if (stat >> pid >> comm >> state >> ppid && comm == "(snmpd)" && ppid == ::getpid()) ++count;
  }
  if (proc) ::closedir(proc);
  return count;
}

// One request through our own codec; fails the test when nothing answers.
Message raw_request(const SnmpdAgent& agent, uint8_t type, int32_t version, const std::string& community,
                    const std::vector<ber::Oid>& oids) {
  Message m;
  m.version = version;
  m.community = community;
  m.pdu_type = type;
  m.request_id = 4242;
  for (const ber::Oid& oid : oids) m.bindings.push_back({oid, Value::Null()});
  UdpSocket socket(address_family(agent.address()) == AF_INET6 ? "::1" : "127.0.0.1");
  socket.send_to(ber::encode_message(m), agent.address(), agent.port());
  std::optional<Datagram> d = socket.receive(2000ms);
  Message answer;
  std::string error;
  EXPECT_TRUE(d.has_value()) << "no answer from " << agent.endpoint();
  if (d) {
    EXPECT_TRUE(ber::decode_message(d->data, &answer, &error)) << error;
  }
  return answer;
}

// Lines of a tool's output that carry a value (".OID = TYPE: value").
std::vector<std::string> value_lines(const std::string& output) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    if (!line.empty() && line[0] == '.' && line.find(" = ") != std::string::npos) lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

SnmpdOptions types_agent() {
  SnmpdOptions o;
  o.profile = SnmprecProfile::load(profile_path("types.snmprec"));
  return o;
}

TEST(SnmpdAgent, ServesEveryProfileValueExactly) {
  SnmpdAgent agent(types_agent());
  std::vector<ProfileEntry> entries = SnmprecProfile::load(profile_path("types.snmprec")).entries();
  std::vector<ber::Oid> oids;
  for (const ProfileEntry& e : entries) oids.push_back(e.oid);
  Message answer = raw_request(agent, ber::kGetRequest, ber::kVersion2c, "public", oids);
  EXPECT_EQ(answer.error_status, 0);
  ASSERT_EQ(answer.bindings.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(answer.bindings[i].value, entries[i].value)
        << ber::oid_text(entries[i].oid) << ": " << answer.bindings[i].value.describe();
  }
  // Net-SNMP's own client reads the same over SNMPv1, except Counter64,
  // which the agent never puts into an SNMPv1 answer.
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
  std::string c64 = tools.run("snmpget", {"-v1", "-c", "public", agent.endpoint(), kTypes + ".5.2.0"}).output;
  EXPECT_NE(c64.find("noSuchName"), std::string::npos) << c64;
  c64 = tools.run("snmpget", {"-v2c", "-c", "public", agent.endpoint(), kTypes + ".5.2.0"}).output;
  EXPECT_NE(c64.find("Counter64: 18446744073709551615"), std::string::npos) << c64;
}

TEST(SnmpdAgent, WalksTheProfileInOidOrderAcrossHelperServedObjects) {
  SnmpdAgent agent(types_agent());
  SnmpTools tools;
  std::vector<std::string> walked = value_lines(tools.run("snmpwalk", {"-v2c", "-c", "public", agent.endpoint(), kTypes}).output);
  std::vector<ProfileEntry> entries = SnmprecProfile::load(profile_path("types.snmprec")).entries();
  ASSERT_EQ(walked.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    EXPECT_EQ(walked[i].substr(0, walked[i].find(' ')), "." + ber::oid_text(entries[i].oid));
  }
  // GetNext into and out of the helper's subtrees.
  std::string into = tools.run("snmpgetnext", {"-v1", "-c", "public", agent.endpoint(), kTypes + ".4.3.0"}).output;
  EXPECT_NE(into.find("." + kTypes + ".5.1.0 = IpAddress: 10.20.30.40"), std::string::npos) << into;
  Message out = raw_request(agent, ber::kGetNextRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".5.3.0")});
  ASSERT_EQ(out.bindings.size(), 1u);
  EXPECT_EQ(ber::oid_text(out.bindings[0].oid), kTypes + ".6.1.0");
}

TEST(SnmpdAgent, AcceptsSetsOnWritableObjectsOnly) {
  SnmpdOptions o = types_agent();
  o.write_community = "private";
  o.writable_oids = {kTypes + ".1.2.0"};
  SnmpdAgent agent(o);
  SnmpTools tools;
  auto set = [&](const std::string& community, const std::string& oid, const char* type, const std::string& value) {
    return tools.run("snmpset", {"-v1", "-c", community, agent.endpoint(), oid, type, value});
  };
  EXPECT_EQ(set("private", kTypes + ".6.1.0", "i", "9").exit_code, 0);
  EXPECT_EQ(set("private", kTypes + ".6.2.0", "s", "changed").exit_code, 0);
  EXPECT_EQ(set("private", kTypes + ".1.2.0", "i", "-1").exit_code, 0);
  Message after = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public",
                              {ber::parse_oid(kTypes + ".6.1.0"), ber::parse_oid(kTypes + ".6.2.0"),
                               ber::parse_oid(kTypes + ".1.2.0")});
  ASSERT_EQ(after.bindings.size(), 3u);
  EXPECT_EQ(after.bindings[0].value, Value::Integer(9));
  EXPECT_EQ(after.bindings[1].value, Value::OctetString("changed"));
  EXPECT_EQ(after.bindings[2].value, Value::Integer(-1));
  CommandResult read_only = set("private", kTypes + ".1.1.0", "i", "1");
  EXPECT_NE(read_only.exit_code, 0);
  EXPECT_NE(read_only.output.find("noSuchName"), std::string::npos) << read_only.output;
  EXPECT_NE(set("public", kTypes + ".6.1.0", "i", "10").exit_code, 0);
  EXPECT_NE(set("private", kTypes + ".6.1.0", "s", "wrong type").exit_code, 0);
}

TEST(SnmpdAgent, AnswersSnmpv3UsersWithTheirOwnKeys) {
  SnmpdOptions o;
  o.read_community.clear();
  o.sys_name = "v3-printer";
  o.sys_object_id = "1.3.6.1.4.1.32473.1.2200";
  o.users = {UsmUser{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", false},
             UsmUser{"bob", "MD5", "bob-auth-pass", "", "", false},
             UsmUser{"carol", "MD5", "carol-auth-pass", "DES", "carol-priv-pass", false}};
  SnmpdAgent agent(o);
  SnmpTools tools;
  std::vector<std::string> alice = {"-v3", "-l", "authPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass",
                                    "-x", "AES", "-X", "alice-priv-pass", agent.endpoint(),
                                    "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.2.0"};
  std::string out = tools.run("snmpget", alice).output;
  EXPECT_NE(out.find("STRING: \"v3-printer\""), std::string::npos) << out;
  EXPECT_NE(out.find("OID: .1.3.6.1.4.1.32473.1.2200"), std::string::npos) << out;
  out = tools.run("snmpget", {"-v3", "-l", "authNoPriv", "-u", "bob", "-a", "MD5", "-A", "bob-auth-pass",
                              agent.endpoint(), "1.3.6.1.2.1.1.5.0"})
            .output;
  EXPECT_NE(out.find("v3-printer"), std::string::npos) << out;
  out = tools.run("snmpget", {"-v3", "-l", "authPriv", "-u", "carol", "-a", "MD5", "-A", "carol-auth-pass", "-x",
                              "DES", "-X", "carol-priv-pass", agent.endpoint(), "1.3.6.1.2.1.1.5.0"})
            .output;
  EXPECT_NE(out.find("v3-printer"), std::string::npos) << out;
  CommandResult wrong = tools.run("snmpget", {"-v3", "-l", "authNoPriv", "-u", "bob", "-a", "MD5", "-A",
                                              "not-bobs-pass", agent.endpoint(), "1.3.6.1.2.1.1.5.0"});
  EXPECT_NE(wrong.exit_code, 0);
  // No community was configured: SNMPv1 gets no answer.
  CommandResult v1 = tools.run("snmpget", {"-v1", "-c", "public", "-t", "0.3", "-r", "0", agent.endpoint(),
                                           "1.3.6.1.2.1.1.5.0"});
  EXPECT_NE(v1.output.find("Timeout"), std::string::npos) << v1.output;
}

TEST(SnmpdAgent, ListensOnIpv6AndOtherLoopbackAddresses) {
  SnmpdOptions o = types_agent();
  o.listen = {"::1", "127.0.0.3"};
  SnmpdAgent agent(o);
  EXPECT_EQ(agent.address(), "::1");
  EXPECT_EQ(agent.endpoint(), "udp6:[::1]:" + std::to_string(agent.port()));
  Message v6 = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".1.1.0")});
  EXPECT_EQ(v6.bindings.at(0).value, Value::Integer(-123456));
  SnmpTools tools;
  std::string v4 = tools.run("snmpget", {"-v1", "-c", "public", "127.0.0.3:" + std::to_string(agent.port()),
                                         kTypes + ".2.1.0"})
                       .output;
  EXPECT_NE(v4.find("STRING: \"Ready to print\""), std::string::npos) << v4;
}

TEST(SnmpdAgent, ServesThePrinterProfileTables) {
  SnmpdOptions o;
  o.profile = SnmprecProfile::load(profile_path("printer.snmprec"));
  o.write_community = "private";
  SnmpdAgent agent(o);
  SnmpTools tools;
  std::vector<std::string> trays =
      value_lines(tools.run("snmpwalk", {"-v1", "-c", "public", agent.endpoint(), "1.3.6.1.2.1.43.8.2.1"}).output);
  EXPECT_EQ(trays.size(), 30u);  // two trays, fifteen columns
  std::vector<std::string> devices =
      value_lines(tools.run("snmpwalk", {"-v1", "-c", "public", agent.endpoint(), "1.3.6.1.2.1.25.3.2.1"}).output);
  EXPECT_EQ(devices.size(), 8u);  // only the profile's rows, none of the host's
  std::string system = tools.run("snmpget", {"-v1", "-c", "public", agent.endpoint(), "1.3.6.1.2.1.1.5.0",
                                             "1.3.6.1.2.1.1.2.0"})
                           .output;
  EXPECT_NE(system.find("STRING: \"LP-2200\""), std::string::npos) << system;
  EXPECT_NE(system.find("OID: .1.3.6.1.4.1.32473.1.2200"), std::string::npos) << system;
  EXPECT_EQ(tools.run("snmpset", {"-v1", "-c", "private", agent.endpoint(), "1.3.6.1.2.1.1.6.0", "s", "Room 2"})
                .exit_code,
            0);
}

TEST(SnmpdAgent, FailsWithItsLogAndLeavesNothingRunning) {
  SnmpdOptions bad = types_agent();
  bad.extra_config = {"override .1.3.6.1.4.1.32473.98.1.0 float 1"};
  try {
    SnmpdAgent agent(bad);
    ADD_FAILURE() << "an agent with a broken configuration started";
  } catch (const std::runtime_error& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("agent.conf: line"), std::string::npos) << message;
    EXPECT_NE(message.find("---- agent log ----"), std::string::npos) << message;
    EXPECT_NE(message.find("override .1.3.6.1.4.1.32473.98.1.0 float 1"), std::string::npos) << message;
  }
  EXPECT_EQ(running_agents(), 0);

  UdpSocket taken("127.0.0.1");
  SnmpdOptions busy;
  busy.port = taken.local_port();
  try {
    SnmpdAgent agent(busy);
    ADD_FAILURE() << "an agent started on a port in use";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Error opening specified endpoint"), std::string::npos) << e.what();
  }
  EXPECT_EQ(running_agents(), 0);

  SnmpdOptions null_object;
  null_object.profile.set("1.3.6.1.4.1.32473.98.2.0", Value::Null());
  EXPECT_THROW(SnmpdAgent agent(null_object), std::invalid_argument);
  EXPECT_EQ(running_agents(), 0);
}

TEST(SnmpdAgent, DelaysRepliesAndStopsByPid) {
  SnmpdOptions o = types_agent();
  o.reply_delay_ms = 300;
  SnmpdAgent agent(o);
  auto start = std::chrono::steady_clock::now();
  Message m = raw_request(agent, ber::kGetRequest, ber::kVersion1, "public", {ber::parse_oid(kTypes + ".1.1.0")});
  EXPECT_GE(std::chrono::steady_clock::now() - start, 290ms);
  EXPECT_EQ(m.bindings.at(0).value, Value::Integer(-123456));
  pid_t pid = agent.pid();
  ASSERT_GT(pid, 0);
  EXPECT_EQ(running_agents(), 1);
  agent.stop();
  EXPECT_FALSE(agent.running());
  EXPECT_EQ(running_agents(), 0);
  EXPECT_NE(::kill(pid, 0), 0);
}

}  // namespace
}  // namespace psw_test
