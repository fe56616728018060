#include "agent/netns_network.h"

#include <dirent.h>
#include <errno.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

#include "agent/netns_thread.h"
#include "agent/temp_dir.h"

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

// The network is built with a few batches of `ip` commands (one process per
// namespace rather than one per command): starting processes is what costs.
void NetnsNetwork::build(std::vector<SnmpdOptions> agents) {
  remove_stale_namespaces();
  dir_ = std::make_unique<TempDir>("psw-netns");
  bridge_namespace_ = prefix_ + "-br";
  client_namespace_ = prefix_ + "-client";
  for (size_t i = 0; i < agents.size(); ++i) agent_namespaces_.push_back(prefix_ + "-a" + std::to_string(i));
  for (size_t i = 0; i < options_.fault_agents; ++i) fault_namespaces_.push_back(prefix_ + "-f" + std::to_string(i));

  // Endpoint k (client first, then agents, then fault agents) is joined by
  // bridge port "vK"; hosts after the client are numbered from first_agent_host.
  std::vector<std::string> endpoints = {client_namespace_};
  endpoints.insert(endpoints.end(), agent_namespaces_.begin(), agent_namespaces_.end());
  endpoints.insert(endpoints.end(), fault_namespaces_.begin(), fault_namespaces_.end());
  std::vector<std::string> adds;
  created_ = {bridge_namespace_};
  created_.insert(created_.end(), endpoints.begin(), endpoints.end());
  for (const std::string& name : created_) adds.push_back("netns add " + name);
  ip_batch(adds, "");

  std::vector<std::string> bridge = {"link set lo up", "link add br0 type bridge", "link set br0 up"};
  for (size_t link = 0; link < endpoints.size(); ++link) {
    std::string port = "v" + std::to_string(link);
    bridge.push_back("link add " + port + " type veth peer name eth0 netns " + endpoints[link]);
    bridge.push_back("link set " + port + " master br0 up");
  }
  ip_batch(bridge, bridge_namespace_);

  for (size_t link = 0; link < endpoints.size(); ++link) {
    int host = link == 0 ? options_.client_host : options_.first_agent_host + static_cast<int>(link - 1);
    std::vector<std::string> setup = {"link set lo up",
                                      "addr add " + options_.subnet + "." + std::to_string(host) + "/24 brd + dev eth0"};
    if (options_.ipv6) {
      // No link-local address (and no duplicate detection): the /64 address
      // is usable at once and is the only source of IPv6 answers.
      setup.push_back("link set eth0 addrgenmode none");
      setup.push_back("addr add " + options_.subnet6 + std::to_string(host) + "/64 dev eth0 nodad");
    }
    setup.push_back("link set eth0 up");
    if (link == 0) {
      setup.push_back("route add default dev eth0");
      if (options_.ipv6) setup.push_back("route add ::/0 dev eth0");
    }
    ip_batch(setup, endpoints[link]);
  }

  // Start every agent first and then wait for each, so they start together.
  for (size_t i = 0; i < agents.size(); ++i) {
    SnmpdOptions& a = agents[i];
    a.netns = agent_namespaces_[i];
    a.listen = {"0.0.0.0"};
    if (options_.ipv6) a.listen.push_back("::");
    a.port = 161;
    agents_.push_back(std::make_unique<SnmpdAgent>(std::move(a), SnmpdAgent::Start::kNoWait));
  }
  for (auto& agent : agents_) agent->wait_until_ready();
  for (const std::string& name : fault_namespaces_) {
    // The agent's sockets are made inside its namespace and stay there.
    run_in_netns(name, [&] { fault_agents_.push_back(std::make_unique<FaultAgent>("0.0.0.0", 161)); });
  }
}

void NetnsNetwork::ip_batch(const std::vector<std::string>& commands, const std::string& netns) {
  std::string text;
  for (const std::string& c : commands) text += c + "\n";
  dir_->write("batch", text);
  run_checked({kIp, "-batch", dir_->file("batch")}, std::chrono::milliseconds(10000), netns);
}

void NetnsNetwork::cleanup() noexcept {
  agents_.clear();  // each agent is stopped by its pid
  fault_agents_.clear();
  if (created_.empty()) return;
  try {
    std::string text;
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) text += "netns delete " + *it + "\n";
    std::unique_ptr<TempDir> dir = std::make_unique<TempDir>("psw-netns-delete");
    dir->write("batch", text);
    CommandResult r = run_command({kIp, "-force", "-batch", dir->file("batch")});
    std::vector<std::string> left = list_namespaces();
    for (const std::string& name : created_) {
      if (std::find(left.begin(), left.end(), name) != left.end()) {
        std::cerr << "could not delete network namespace " << name << ": " << r.output << "\n";
      }
    }
  } catch (const std::exception& e) {
    std::cerr << "could not delete the network namespaces of " << prefix_ << ": " << e.what() << "\n";
  }
  created_.clear();
}

std::string NetnsNetwork::agent_address(size_t i) const {
  if (i >= agents_.size()) throw std::out_of_range("no agent " + std::to_string(i));
  return options_.subnet + "." + std::to_string(options_.first_agent_host + static_cast<int>(i));
}

std::string NetnsNetwork::fault_agent_address(size_t i) const {
  if (i >= fault_agents_.size()) throw std::out_of_range("no fault agent " + std::to_string(i));
  return options_.subnet + "." + std::to_string(options_.first_agent_host + static_cast<int>(agents_.size() + i));
}

std::string NetnsNetwork::client_address() const {
  return options_.subnet + "." + std::to_string(options_.client_host);
}

std::string NetnsNetwork::agent_address6(size_t i) const {
  if (i >= agents_.size()) throw std::out_of_range("no agent " + std::to_string(i));
  return options_.subnet6 + std::to_string(options_.first_agent_host + static_cast<int>(i));
}

std::string NetnsNetwork::client_address6() const {
  return options_.subnet6 + std::to_string(options_.client_host);
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
