// Several real agents in a namespace network: a broadcast from the client
// reaches all of them, answers can be ordered, and nothing is left behind.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <set>

#include "agent/mini_ber.h"
#include "agent/netns_network.h"
#include "agent/udp_socket.h"

namespace psw_test {
namespace {

using namespace std::chrono_literals;
using ber::Message;
using ber::Value;

const char* const kSysName = "1.3.6.1.2.1.1.5.0";

std::string sys_name_request(int32_t id) {
  Message m;
  m.request_id = id;
  m.bindings.push_back({ber::parse_oid(kSysName), Value::Null()});
  return ber::encode_message(m);
}

// Sends one GetRequest for sysName.0 to `destination`:161 from the client
// namespace and collects the answers that arrive within `window`.
std::vector<Datagram> search(const NetnsNetwork& net, const std::string& destination, std::chrono::milliseconds window) {
  std::vector<Datagram> answers;
  net.run_in_client([&] {
    UdpSocket socket("0.0.0.0");
    socket.enable_broadcast();
    socket.send_to(sys_name_request(1234), destination, 161);
    answers = socket.receive_for(window);
  });
  return answers;
}

std::vector<std::string> our_namespaces() {
  std::string mine = "pswt-" + std::to_string(::getpid()) + "-";
  std::vector<std::string> found;
  for (const std::string& name : NetnsNetwork::list_namespaces()) {
    if (name.compare(0, mine.size(), mine) == 0) found.push_back(name);
  }
  return found;
}

std::vector<SnmpdOptions> printers(size_t count) {
  std::vector<SnmpdOptions> agents(count);
  for (size_t i = 0; i < count; ++i) agents[i].sys_name = "printer-" + std::to_string(i);
  return agents;
}

TEST(NetnsNetwork, BroadcastReachesEveryAgentAndEverythingIsRemoved) {
  std::vector<std::string> names;
  std::vector<pid_t> pids;
  {
    NetnsNetwork net(printers(3));
    names = net.namespaces();
    EXPECT_EQ(names.size(), 5u);  // bridge, client, three agents
    for (size_t i = 0; i < net.agent_count(); ++i) pids.push_back(net.agent(i).pid());

    std::vector<Datagram> answers = search(net, "255.255.255.255", 500ms);
    ASSERT_EQ(answers.size(), 3u);
    std::set<std::string> from;
    for (const Datagram& d : answers) {
      from.insert(d.address);
      EXPECT_EQ(d.port, 161);
      Message m;
      std::string error;
      ASSERT_TRUE(ber::decode_message(d.data, &m, &error)) << error;
      EXPECT_EQ(m.request_id, 1234);
      // Each agent answers with its own name: agent i has address .11 + i.
      size_t i = static_cast<size_t>(std::stoi(d.address.substr(d.address.rfind('.') + 1)) - 11);
      ASSERT_LT(i, 3u) << d.address;
      EXPECT_EQ(d.address, net.agent_address(i));
      EXPECT_EQ(m.bindings.at(0).value, Value::OctetString("printer-" + std::to_string(i)));
    }
    EXPECT_EQ(from.size(), 3u);

    // The same search over IPv6 multicast reaches every agent at its /64 address.
    std::vector<Datagram> v6;
    net.run_in_client([&] {
      UdpSocket socket("::");
      socket.send_to(sys_name_request(99), "ff02::1", 161);
      v6 = socket.receive_for(500ms);
    });
    std::set<std::string> from6;
    for (const Datagram& d : v6) from6.insert(d.address);
    EXPECT_EQ(from6, (std::set<std::string>{net.agent_address6(0), net.agent_address6(1), net.agent_address6(2)}));

    // The client sees only its own interface, not the test's namespace.
    CommandResult links = net.run_command_in_client({"/usr/sbin/ip", "-o", "-4", "addr", "show"});
    EXPECT_NE(links.output.find(net.client_address() + "/24"), std::string::npos) << links.output;
    EXPECT_EQ(links.output.find(net.agent_address(0)), std::string::npos) << links.output;
  }
  std::vector<std::string> left = NetnsNetwork::list_namespaces();
  for (const std::string& name : names) EXPECT_EQ(std::count(left.begin(), left.end(), name), 0) << name;
  for (pid_t pid : pids) EXPECT_NE(::kill(pid, 0), 0) << "agent " << pid << " still runs";
  CommandResult listed = run_command({"/usr/sbin/ip", "netns", "list"});
  for (const std::string& name : names) EXPECT_EQ(listed.output.find(name), std::string::npos) << listed.output;
}

TEST(NetnsNetwork, DelaysOrderTheAnswersAndSubnetBroadcastsNeedOwnAddressReplies) {
  std::vector<SnmpdOptions> agents = printers(3);
  const int delays[] = {600, 0, 300};  // gaps wide enough for a loaded machine
  for (size_t i = 0; i < agents.size(); ++i) {
    agents[i].reply_delay_ms = delays[i];
    agents[i].reply_from_own_address = i != 2;  // the third answers like a stock agent
  }
  NetnsNetworkOptions ipv4_only;
  ipv4_only.ipv6 = false;
  NetnsNetwork net(agents, ipv4_only);
  std::vector<Datagram> answers = search(net, "255.255.255.255", 1000ms);
  ASSERT_EQ(answers.size(), 3u);
  EXPECT_EQ(answers[0].address, net.agent_address(1));
  EXPECT_EQ(answers[1].address, net.agent_address(2));
  EXPECT_EQ(answers[2].address, net.agent_address(0));

  // A subnet broadcast is answered only by agents that reply from their own
  // address; a stock agent tries to answer from the broadcast address.
  answers = search(net, "10.231.1.255", 1000ms);
  std::set<std::string> from;
  for (const Datagram& d : answers) from.insert(d.address);
  EXPECT_EQ(from, (std::set<std::string>{net.agent_address(0), net.agent_address(1)}));
}

TEST(NetnsNetwork, RunsCommandsInTheClientAndRemovesStaleNamespaces) {
  // A namespace named for a process that no longer runs is removed by the
  // next network; one named for this process is not.
  pid_t dead = ::fork();
  if (dead == 0) ::_exit(0);
  ::waitpid(dead, nullptr, 0);
  std::string stale = "pswt-" + std::to_string(dead) + "-0-br";
  std::string ours = "pswt-" + std::to_string(::getpid()) + "-999-br";
  run_checked({"/usr/sbin/ip", "netns", "add", stale});
  run_checked({"/usr/sbin/ip", "netns", "add", ours});
  {
    NetnsNetwork net({});
    std::vector<std::string> names = NetnsNetwork::list_namespaces();
    EXPECT_EQ(std::count(names.begin(), names.end(), stale), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), ours), 1);

    SpawnOptions sleeper;
    sleeper.argv = {"/bin/sleep", "30"};
    std::unique_ptr<ChildProcess> child = net.start_in_client(sleeper);
    pid_t pid = child->pid();
    EXPECT_TRUE(child->running());
    std::string link = run_checked({"/usr/bin/readlink", "/proc/" + std::to_string(pid) + "/ns/net"});
    std::string client = net.run_command_in_client({"/usr/bin/readlink", "/proc/self/ns/net"}).output;
    EXPECT_EQ(link, client);
    child.reset();  // stopped by its pid
    EXPECT_NE(::kill(pid, 0), 0);
  }
  run_checked({"/usr/sbin/ip", "netns", "delete", ours});
  EXPECT_TRUE(our_namespaces().empty());
}

TEST(NetnsNetwork, PlacesAFaultAgentAmongTheRealOnes) {
  NetnsNetworkOptions options;
  options.fault_agents = 1;
  NetnsNetwork net(printers(1), options);
  EXPECT_EQ(net.fault_agent_address(0), "10.231.1.12");
  FaultAgent& odd = net.fault_agent(0);
  odd.set(kSysName, Value::OctetString("odd one"));
  FaultScript script;
  script.wrong_id_first = true;
  script.answer_twice = true;
  odd.set_script(script);
  std::vector<Datagram> answers = search(net, "255.255.255.255", 500ms);
  std::vector<std::string> from;
  for (const Datagram& d : answers) from.push_back(d.address);
  std::sort(from.begin(), from.end());
  EXPECT_EQ(from, (std::vector<std::string>{"10.231.1.11", "10.231.1.12", "10.231.1.12", "10.231.1.12"}));
  ASSERT_EQ(odd.request_count(), 1u);
  EXPECT_EQ(odd.requests()[0].from_address, net.client_address());
  EXPECT_EQ(odd.requests()[0].message.request_id, 1234);
}

TEST(NetnsNetwork, AFailingAgentLeavesNoNamespaceBehind) {
  std::vector<SnmpdOptions> agents = printers(2);
  agents[1].extra_config = {"override .1.3.6.1.4.1.32473.98.1.0 float 1"};
  EXPECT_THROW(NetnsNetwork net(agents), std::runtime_error);
  EXPECT_TRUE(our_namespaces().empty());
}

}  // namespace
}  // namespace psw_test
