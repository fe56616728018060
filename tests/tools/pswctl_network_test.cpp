// pswctl where the network changes under it: a watched printer that stops
// answering and comes back, and a search of every interface of a client
// joined to two networks.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "agent/netns_network.h"
#include "agent/temp_dir.h"
#include "device/status_test_support.h"
#include "pswctl_run.h"

namespace {

// Whether `text` has the form of `shape`: '#' stands for a digit, '~' for
// '+' or '-', every other character for itself.
bool shaped(const std::string& text, const std::string& shape) {
  if (text.size() != shape.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (shape[i] == '#' ? !(c >= '0' && c <= '9') : shape[i] == '~' ? (c != '+' && c != '-') : c != shape[i])
      return false;
  }
  return true;
}

using nlohmann::json;
using pswctl_test::has;
using pswctl_test::parse;
using pswctl_test::pswctl;
using pswctl_test::ToolRun;

std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits until `path` holds `part` (up to 20 s); the file's text.
std::string wait_for(const std::string& path, const std::string& part) {
  for (int i = 0; i < 400; ++i) {
    std::string text = read_file(path);
    if (has(text, part)) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ADD_FAILURE() << "no '" << part << "' in:\n" << read_file(path);
  return read_file(path);
}

std::vector<json> json_lines(const std::string& text) {
  std::vector<json> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(json::parse(line));
  }
  return lines;
}

psw_test::SnmpdOptions printer_options(const std::string& netns, psw_test::SnmprecProfile profile) {
  psw_test::SnmpdOptions o;
  o.profile = std::move(profile);
  o.netns = netns;
  o.listen = {"127.0.0.1"};
  o.port = 161;
  return o;
}

TEST(PswctlWatch, ReportsAnOutageOnceAndWhatChangedWhenTheDeviceIsBack) {
  status_test::PrivateNetns netns;
  auto agent = std::make_unique<psw_test::SnmpdAgent>(
      printer_options(netns.name(), status_test::office_printer_profile()));
  psw_test::TempDir dir("pswctl-watch");
  psw_test::SpawnOptions spawn;
  spawn.argv = {PSWCTL_PATH, "watch", "127.0.0.1", "--interval", "0.2", "--timeout", "200", "--retries", "0",
                "--json"};
  spawn.env = {"TZ=XYZ-05:30"};  // a zone of its own, without a time zone database
  spawn.netns = netns.name();
  spawn.output_path = dir.file("out");
  psw_test::ChildProcess watch(spawn);

  wait_for(spawn.output_path, "\"changes\"");
  agent.reset();  // the printer goes away
  wait_for(spawn.output_path, "\"unreachable\"");
  // Several readings fail while it is away: reported once.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  // It comes back with its black toner lower.
  psw_test::SnmprecProfile changed = status_test::office_printer_profile();
  changed.set("1.3.6.1.2.1.43.11.1.1.9.1.1", psw_test::ber::Value::Integer(40), false);
  agent = std::make_unique<psw_test::SnmpdAgent>(printer_options(netns.name(), changed));
  const std::string text = wait_for(spawn.output_path, "\"reachable\"");
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_TRUE(watch.running()) << read_file(spawn.output_path);
  watch.stop();

  std::vector<json> lines = json_lines(read_file(spawn.output_path));
  ASSERT_EQ(lines.size(), 3u) << text;  // the start, the outage, the return with its change
  for (const json& l : lines) EXPECT_TRUE(shaped(l["time"].get<std::string>(), "####-##-##T##:##:##+05:30")) << l["time"];
  EXPECT_EQ(lines[1]["changes"], json::parse(R"([{"what":"device","change":"unreachable","code":-203,
                                                  "name":"PSW_ERR_TIMEOUT"}])"));
  const json& back = lines[2]["changes"];
  ASSERT_EQ(back.size(), 2u) << back.dump();
  EXPECT_EQ(back[0], json::parse(R"({"what":"device","change":"reachable"})"));
  EXPECT_EQ(back[1]["what"], "toner");
  EXPECT_EQ(back[1]["toner"]["levelPercent"], 40);
  EXPECT_EQ(back[1]["before"]["levelPercent"], 62);
}

TEST(PswctlWatch, ADeviceAwayFromTheStartIsWatchedAndTheStatusIsTheLastReadings) {
  status_test::PrivateNetns netns;
  ToolRun r = pswctl(netns.name(), {"watch", "127.0.0.1", "--interval", "0.05", "--count", "3", "--timeout", "100",
                                    "--retries", "0"});
  EXPECT_EQ(r.exit_code, 3) << r.err;
  // Reported once, in text, with its time stamp.
  EXPECT_TRUE(shaped(r.out, "####-##-##T##:##:##~##:## device unreachable: PSW_ERR_TIMEOUT (-203)\n")) << r.out;
  // A failure that is no outage still ends the watch at once.
  ToolRun wrong = pswctl(netns.name(), {"watch", "::1", "--interval", "0.05", "--count", "3"});
  EXPECT_EQ(wrong.exit_code, 5) << wrong.err;
  EXPECT_EQ(wrong.out, "");
}

// Two networks, each with a printer, and a client on both: its first
// interface is its own network's, the second is joined to the other
// network's bridge here.
TEST(PswctlDiscover, AllInterfacesSearchesEveryNetworkOfTheClientOnce) {
  std::vector<psw_test::SnmpdOptions> agents(1);
  agents[0].profile = status_test::office_printer_profile();
  agents[0].reply_from_own_address = true;  // answers subnet broadcasts
  psw_test::NetnsNetworkOptions first;
  first.subnet = "10.231.41";
  first.subnet6 = "fd31:231:41::";
  psw_test::NetnsNetworkOptions second;
  second.subnet = "10.231.42";
  second.subnet6 = "fd31:231:42::";
  psw_test::NetnsNetwork a(agents, first);
  psw_test::NetnsNetwork b(agents, second);
  const std::string client = a.client_netns();
  psw_test::run_checked({"/usr/sbin/ip", "-n", b.bridge_netns(), "link", "add", "vjoin", "type", "veth", "peer",
                         "name", "eth1", "netns", client});
  psw_test::run_checked({"/usr/sbin/ip", "-n", b.bridge_netns(), "link", "set", "vjoin", "master", "br0", "up"});
  psw_test::run_checked({"/usr/sbin/ip", "-n", client, "addr", "add", "10.231.42.3/24", "brd", "+", "dev", "eth1"});
  psw_test::run_checked({"/usr/sbin/ip", "-n", client, "addr", "add", "fd31:231:42::3/64", "dev", "eth1", "nodad"});
  psw_test::run_checked({"/usr/sbin/ip", "-n", client, "link", "set", "eth1", "up"});
  // No default route: the subnet broadcasts need none.
  psw_test::run_command({"/usr/sbin/ip", "-n", client, "route", "del", "default"});

  ToolRun r = pswctl(client, {"discover", "--all-interfaces", "--json", "--timeout", "800", "--retries", "0"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::multiset<std::pair<std::string, std::string>> found;
  const json devices = parse(r)["devices"];
  for (const json& d : devices) {
    found.insert({d["address"].get<std::string>(), d["interface"].get<std::string>()});
    EXPECT_EQ(d["sysObjectId"], "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1");
  }
  const std::multiset<std::pair<std::string, std::string>> expected = {
      {a.agent_address(0), "eth0"}, {a.agent_address6(0), "eth0"},
      {b.agent_address(0), "eth1"}, {b.agent_address6(0), "eth1"}};
  EXPECT_EQ(found, expected) << r.out;

  // In text, with the interface column; a filter and the search of one
  // address keep working beside it.
  ToolRun t = pswctl(client, {"discover", "--all-interfaces", "--timeout", "800", "--retries", "0"});
  ASSERT_EQ(t.exit_code, 0) << t.err;
  EXPECT_TRUE(has(t.out, "Devices found: 4\n  ADDRESS")) << t.out;
  EXPECT_TRUE(has(t.out, "INTERFACE")) << t.out;
  ToolRun none = pswctl(client, {"discover", "--all-interfaces", "--filter", "1.3.6.1.4.1.9", "--timeout", "500",
                                 "--retries", "0"});
  ASSERT_EQ(none.exit_code, 0) << none.err;
  EXPECT_TRUE(has(none.out, "Devices found: 0")) << none.out;
}

}  // namespace
