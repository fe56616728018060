// What every agent harness shares: its run folder, its one child process,
// the address and port it answers on, and its log.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <memory>
#include <string>

#include "agent/child_process.h"
#include "agent/temp_dir.h"

namespace psw_test {

class AgentProcess {
 public:
  AgentProcess(const AgentProcess&) = delete;
  AgentProcess& operator=(const AgentProcess&) = delete;

  // The port the agent listens on (known once it is ready).
  uint16_t port() const { return port_; }
  // An address clients can send to (the first listen address; a wildcard
  // becomes the matching loopback address).
  std::string address() const;
  // "udp:127.0.0.1:PORT" or "udp6:[::1]:PORT" for Net-SNMP's tools.
  std::string endpoint() const;
  pid_t pid() const;
  bool running();
  void stop();

  std::string log_text() const;
  // The agent's standard output and error (start-up lines, errors).
  std::string output_text() const;
  const std::string& run_dir() const;

 protected:
  // `kind` names the agent in printed logs; `temp_prefix` its run folder.
  AgentProcess(const char* kind, const char* temp_prefix, std::string first_listen);
  // Stops the agent; when the current test has failed, prints its log and
  // output.
  ~AgentProcess();

  std::unique_ptr<TempDir> dir_;
  std::unique_ptr<ChildProcess> process_;
  uint16_t port_ = 0;

 private:
  const char* kind_;
  std::string first_listen_;
};

// The address clients send to for a listen address ("0.0.0.0" and "::"
// become loopback).
std::string agent_client_address(const std::string& listen);
// "udp:ADDRESS:PORT" or "udp6:[ADDRESS]:PORT".
std::string agent_transport(const std::string& address, uint16_t port);

}  // namespace psw_test
