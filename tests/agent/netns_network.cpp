#include "agent/netns_network.h"

#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "agent/netns_thread.h"

namespace psw_test {

namespace {

const char* const kIp = "/usr/sbin/ip";
// Every namespace of these networks is named "pswt-PID-N-ROLE".
const std::string kNamePrefix = "pswt-";

std::atomic<unsigned> g_network_counter{0};

// The pid in a name made by this helper, or 0.
pid_t owner_pid(const std::string& name) {
  if (name.compare(0, kNamePrefix.size(), kNamePrefix) != 0) return 0;
  return static_cast<pid_t>(std::strtol(name.c_str() + kNamePrefix.size(), nullptr, 10));
}

}  // namespace

std::vector<std::string> NetnsNetwork::list_namespaces() {
  std::vector<std::string> names;
  DIR* dir = ::opendir("/run/netns");
  if (dir == nullptr) return names;
  while (dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(dir);
  return names;
}

void NetnsNetwork::remove_stale_namespaces() {
  for (const std::string& name : list_namespaces()) {
    pid_t owner = owner_pid(name);
    if (owner <= 0 || owner == ::getpid()) continue;
    if (::kill(owner, 0) != 0 && errno == ESRCH) run_command({kIp, "netns", "delete", name});
  }
}

NetnsNetwork::NetnsNetwork(std::vector<SnmpdOptions> agents, NetnsNetworkOptions options)
    : options_(std::move(options)) {
  prefix_ = kNamePrefix + std::to_string(::getpid()) + "-" + std::to_string(g_network_counter++);
  try {
    build(std::move(agents));
  } catch (...) {
    cleanup();
    throw;
  }
}

NetnsNetwork::~NetnsNetwork() { cleanup(); }

void NetnsNetwork::build(std::vector<SnmpdOptions> agents) {
  remove_stale_namespaces();
  bridge_namespace_ = prefix_ + "-br";
  add_namespace(bridge_namespace_);
  ip({"link", "add", "br0", "type", "bridge"}, bridge_namespace_);
  ip({"link", "set", "br0", "up"}, bridge_namespace_);

  client_namespace_ = prefix_ + "-client";
  add_namespace(client_namespace_);
  connect(client_namespace_, 0, options_.client_host);
  ip({"route", "add", "default", "dev", "eth0"}, client_namespace_);

  for (size_t i = 0; i < agents.size(); ++i) {
    std::string name = prefix_ + "-a" + std::to_string(i);
    add_namespace(name);
    agent_namespaces_.push_back(name);
    connect(name, i + 1, options_.first_agent_host + static_cast<int>(i));
  }
  for (size_t i = 0; i < agents.size(); ++i) {
    SnmpdOptions& a = agents[i];
    a.netns = agent_namespaces_[i];
    a.listen = {"0.0.0.0"};
    a.port = 161;
    agents_.push_back(std::make_unique<SnmpdAgent>(std::move(a)));
  }
}

void NetnsNetwork::add_namespace(const std::string& name) {
  run_checked({kIp, "netns", "add", name});
  created_.push_back(name);
  ip({"link", "set", "lo", "up"}, name);
}

// Joins namespace `name` to the bridge: veth "vLINK" in the bridge namespace,
// its peer "eth0" in `name` with address SUBNET.HOST/24.
void NetnsNetwork::connect(const std::string& name, size_t link, int host) {
  std::string port = "v" + std::to_string(link);
  ip({"link", "add", port, "type", "veth", "peer", "name", "eth0", "netns", name}, bridge_namespace_);
  ip({"link", "set", port, "master", "br0", "up"}, bridge_namespace_);
  ip({"addr", "add", options_.subnet + "." + std::to_string(host) + "/24", "brd", "+", "dev", "eth0"}, name);
  ip({"link", "set", "eth0", "up"}, name);
}

void NetnsNetwork::ip(const std::vector<std::string>& args, const std::string& netns) {
  std::vector<std::string> argv = {kIp};
  argv.insert(argv.end(), args.begin(), args.end());
  run_checked(argv, std::chrono::milliseconds(10000), netns);
}

void NetnsNetwork::cleanup() noexcept {
  agents_.clear();  // each agent is stopped by its pid
  for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
    try {
      CommandResult r = run_command({kIp, "netns", "delete", *it});
      if (r.exit_code != 0) std::cerr << "could not delete network namespace " << *it << ": " << r.output << "\n";
    } catch (const std::exception& e) {
      std::cerr << "could not delete network namespace " << *it << ": " << e.what() << "\n";
    }
  }
  created_.clear();
}

std::string NetnsNetwork::agent_address(size_t i) const {
  if (i >= agents_.size()) throw std::out_of_range("no agent " + std::to_string(i));
  return options_.subnet + "." + std::to_string(options_.first_agent_host + static_cast<int>(i));
}

std::string NetnsNetwork::client_address() const {
  return options_.subnet + "." + std::to_string(options_.client_host);
}

void NetnsNetwork::run_in_client(const std::function<void()>& fn) const { run_in_netns(client_namespace_, fn); }

CommandResult NetnsNetwork::run_command_in_client(const std::vector<std::string>& argv,
                                                  std::chrono::milliseconds timeout) const {
  return run_command(argv, timeout, client_namespace_);
}

std::unique_ptr<ChildProcess> NetnsNetwork::start_in_client(SpawnOptions options) const {
  options.netns = client_namespace_;
  return std::make_unique<ChildProcess>(options);
}

}  // namespace psw_test
