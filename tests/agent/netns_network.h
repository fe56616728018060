// A private network of several SNMP agents for broadcast tests, built from
// network namespaces: one namespace holds a bridge, every agent and one
// client get a namespace of their own joined to the bridge by a veth pair.
// Addresses come from a private /24 (10.231.1.0/24 by default) that exists
// only inside these namespaces; the client has a default route through its
// only interface, so a datagram to 255.255.255.255 reaches every agent (and,
// with IPv6, one to ff02::1).
// Each agent is a real SNMP agent listening on port 161 of every address of
// its namespace.
//
// The namespace the test process runs in is never changed: the network is
// reached through run_in_client (a thread that entered the client
// namespace) or commands started in it. Namespace names carry the pid and a
// counter, so parallel tests never collide; the destructor stops every agent
// by its pid and deletes every namespace, and a later network removes the
// namespaces of test processes that died before they could.
//
//   std::vector<psw_test::SnmpdOptions> agents(3);
//   for (auto& a : agents) a.profile = ...;
//   psw_test::NetnsNetwork net(agents);
//   net.run_in_client([&] { ... send to 255.255.255.255:161 ... });
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/child_process.h"
#include "agent/fault_agent.h"
#include "agent/snmpd_agent.h"

namespace psw_test {

class TempDir;

struct NetnsNetworkOptions {
  std::string subnet = "10.231.1";  // the first three octets of the /24
  int client_host = 2;              // the client's last octet
  int first_agent_host = 11;        // the first agent's last octet; the others follow
  // IPv6 as well: every endpoint also gets SUBNET6 + host (fd31:231:1::2,
  // ::11, ...) in a /64 and no link-local address, so answers to a search
  // sent to ff02::1 always come from these addresses; agents listen on both.
  bool ipv6 = true;
  std::string subnet6 = "fd31:231:1::";
  // Further hosts, each with a FaultAgent of its own on port 161 of every
  // IPv4 address (addresses after the SNMP agents'), for broadcast tests
  // with a misbehaving device among well-behaved ones.
  size_t fault_agents = 0;
};

class NetnsNetwork {
 public:
  // Builds the network and starts one agent per entry (their listen
  // addresses, port and namespace are set here). Throws std::runtime_error
  // with the failing step; everything built so far is removed then.
  explicit NetnsNetwork(std::vector<SnmpdOptions> agents, NetnsNetworkOptions options = {});
  ~NetnsNetwork();
  NetnsNetwork(const NetnsNetwork&) = delete;
  NetnsNetwork& operator=(const NetnsNetwork&) = delete;

  size_t agent_count() const { return agents_.size(); }
  std::string agent_address(size_t i) const;
  std::string agent_address6(size_t i) const;
  const std::string& agent_netns(size_t i) const { return agent_namespaces_.at(i); }
  SnmpdAgent& agent(size_t i) { return *agents_.at(i); }
  size_t fault_agent_count() const { return fault_agents_.size(); }
  FaultAgent& fault_agent(size_t i) { return *fault_agents_.at(i); }
  std::string fault_agent_address(size_t i) const;
  const std::string& fault_agent_netns(size_t i) const { return fault_namespaces_.at(i); }
  std::string client_address() const;
  std::string client_address6() const;
  const std::string& client_netns() const { return client_namespace_; }
  const std::string& bridge_netns() const { return bridge_namespace_; }
  // Every namespace this network created.
  std::vector<std::string> namespaces() const { return created_; }

  // Runs `fn` on a thread inside the client namespace and waits for it;
  // sockets it creates live there. Exceptions from `fn` are rethrown.
  void run_in_client(const std::function<void()>& fn) const;
  // Runs a command in the client namespace to completion.
  CommandResult run_command_in_client(const std::vector<std::string>& argv,
                                      std::chrono::milliseconds timeout = std::chrono::milliseconds(10000)) const;
  // Starts a command in the client namespace; it is stopped by its pid when
  // the returned object goes away.
  std::unique_ptr<ChildProcess> start_in_client(SpawnOptions options) const;

  // Deletes namespaces left by test processes that no longer run.
  static void remove_stale_namespaces();
  // Names of the namespaces in /run/netns.
  static std::vector<std::string> list_namespaces();

 private:
  void build(std::vector<SnmpdOptions> agents);
  // Runs `commands` with one `ip -batch` inside `netns` (empty: here).
  void ip_batch(const std::vector<std::string>& commands, const std::string& netns);
  void cleanup() noexcept;

  NetnsNetworkOptions options_;
  std::string prefix_;
  std::string bridge_namespace_;
  std::string client_namespace_;
  std::vector<std::string> agent_namespaces_;
  std::vector<std::string> fault_namespaces_;
  std::vector<std::string> created_;
  std::vector<std::unique_ptr<SnmpdAgent>> agents_;
  std::vector<std::unique_ptr<FaultAgent>> fault_agents_;
  std::unique_ptr<TempDir> dir_;
};

}  // namespace psw_test
