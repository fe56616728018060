// A second SNMP agent as a test peer, independent of Net-SNMP: pysnmp's
// command responder (its own engine, BER codec and user-based security
// model), run by tools/pysnmp_agent.py under Debian's interpreter. It serves
// a device profile exactly, and nothing else: no system group or other
// objects of its own, every type in every version (Counter64 is left out of
// SNMPv1 answers: Get answers noSuchName, GetNext skips it).
//
//   psw_test::PysnmpOptions options;
//   options.profile = psw_test::SnmprecProfile::load(psw_test::profile_path("printer.snmprec"));
//   options.write_community = "private";
//   options.users = {{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", true}};
//   psw_test::PysnmpAgent agent(options);          // waits until it answers
//   ... talk to agent.address():agent.port() ...
//
// The agent is started as a child process and stopped by its pid; when the
// current test has failed, the destructor prints its log (every request and
// answer; with log_datagrams also each datagram in hex).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "agent/agent_process.h"
#include "agent/snmpd_agent.h"
#include "agent/snmprec_profile.h"

namespace psw_test {

class ChildProcess;
class TempDir;

struct PysnmpOptions {
  SnmprecProfile profile;
  // A profile file the script reads itself, in its own text, instead of
  // `profile` (which is written out in hex form); `writable_oids` do not
  // apply to it.
  std::string profile_file;
  // "127.0.0.1", other 127.0.0.x, "::1", "0.0.0.0" or "::"; every address
  // listens on the same port.
  std::vector<std::string> listen = {"127.0.0.1"};
  uint16_t port = 0;                      // 0: the agent picks a free port
  std::string read_community = "public";  // empty: none
  std::string write_community;            // empty: none
  // SNMPv3 users; names and pass phrases must not contain ':'. A user is
  // served at its own security level and above.
  std::vector<UsmUser> users;
  // Further objects to accept Set for, in addition to the profile's marks.
  std::vector<std::string> writable_oids;
  int reply_delay_ms = 0;  // sleep before every datagram sent
  // Named network namespace to run in (created by the caller); empty: the
  // caller's namespace.
  std::string netns;
  // Every datagram in and out, in hex, in the log (also for every agent
  // when PSW_AGENT_LOG_DATAGRAMS=1 is set).
  bool log_datagrams = false;
  std::chrono::milliseconds start_timeout{15000};
};

class PysnmpAgent : public AgentProcess {
 public:
  enum class Start { kWait, kNoWait };
  // Starts the agent and (kWait) waits until it answers. Throws
  // std::runtime_error with the agent's log and output when it exits or does
  // not answer in time (nothing is left running then), and
  // std::invalid_argument for options it cannot serve.
  explicit PysnmpAgent(PysnmpOptions options, Start start = Start::kWait);
  void wait_until_ready();
  PysnmpAgent(const PysnmpAgent&) = delete;
  PysnmpAgent& operator=(const PysnmpAgent&) = delete;

  // The command line the agent was started with.
  const std::vector<std::string>& command() const { return argv_; }
  const PysnmpOptions& options() const { return options_; }

 private:
  void launch();
  bool wait_for_port(std::string* failure);
  bool wait_until_answering(std::string* failure);
  std::string failure_message(const std::string& what) const;

  PysnmpOptions options_;
  std::vector<std::string> argv_;
};

// The profile in the agents' text form, every octet value in hex, so that
// any bytes (line ends, '|', Latin-1) come through exactly.
std::string snmprec_text(const SnmprecProfile& profile);

// The path of the pysnmp agent's script and its interpreter.
std::string pysnmp_agent_script();
constexpr const char* kPysnmpInterpreter = "/usr/bin/python3";

}  // namespace psw_test
