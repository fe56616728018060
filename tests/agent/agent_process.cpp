#include "agent/agent_process.h"

#include <gtest/gtest.h>

#include <iostream>

#include "agent/udp_socket.h"

namespace psw_test {

std::string agent_client_address(const std::string& listen) {
  if (listen == "0.0.0.0") return "127.0.0.1";
  if (listen == "::") return "::1";
  return listen;
}

std::string agent_transport(const std::string& address, uint16_t port) {
  if (address_family(address) == AF_INET6) return "udp6:[" + address + "]:" + std::to_string(port);
  return "udp:" + address + ":" + std::to_string(port);
}

AgentProcess::AgentProcess(const char* kind, const char* temp_prefix, std::string first_listen)
    : dir_(std::make_unique<TempDir>(temp_prefix)), kind_(kind), first_listen_(std::move(first_listen)) {}

AgentProcess::~AgentProcess() {
  stop();
  if (::testing::Test::HasFailure()) {
    std::cerr << "---- log of the " << kind_ << " on " << endpoint() << " ----\n"
              << log_text() << "---- its output ----\n"
              << output_text() << "---- end of log ----\n";
  }
}

std::string AgentProcess::address() const { return agent_client_address(first_listen_); }

std::string AgentProcess::endpoint() const { return agent_transport(address(), port_); }

pid_t AgentProcess::pid() const { return process_ ? process_->pid() : -1; }

bool AgentProcess::running() { return process_ && process_->running(); }

void AgentProcess::stop() {
  if (process_) process_->stop();
}

std::string AgentProcess::log_text() const { return dir_->read("agent.log"); }

std::string AgentProcess::output_text() const { return dir_->read("agent.out"); }

const std::string& AgentProcess::run_dir() const { return dir_->path(); }

}  // namespace psw_test
