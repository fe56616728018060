// A real SNMP agent (Net-SNMP's snmpd) as a test peer, started hermetically
// from a device profile: it reads only the configuration written here, loads
// no MIB files, keeps its state in a private directory, leaves out its own
// Host Resources modules (so hrDevice, hrStorage and hrPrinter rows are only
// the profile's), and is stopped by its pid on every path.
//
//   psw_test::SnmpdOptions options;
//   options.profile = psw_test::SnmprecProfile::load(psw_test::profile_path("printer.snmprec"));
//   psw_test::SnmpdAgent agent(options);          // waits until it answers
//   ... talk to agent.address():agent.port() ...
//
// Profile objects are served with the agent's "override" directive; the
// types that directive cannot serve (IpAddress, Counter64, Opaque) are served
// by a pass_persist helper registered at the object's parent, which then also
// serves every other profile object below that parent. NULL objects cannot be
// served by the agent at all and are refused. Note that the agent never puts
// a Counter64 into an SNMPv1 answer (Get gives noSuchName, GetNext skips it);
// read Counter64 objects with SNMPv2c or SNMPv3.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "agent/agent_process.h"
#include "agent/snmprec_profile.h"

namespace psw_test {

class ChildProcess;
class TempDir;

// One SNMPv3 user of the user-based security model.
struct UsmUser {
  std::string name;
  std::string auth_protocol;    // "MD5", "SHA" or empty (noAuthNoPriv)
  std::string auth_passphrase;  // at least 8 characters
  std::string priv_protocol;    // "DES", "AES" or empty (no privacy)
  std::string priv_passphrase;
  bool writable = false;        // rwuser instead of rouser
};

struct SnmpdOptions {
  SnmprecProfile profile;
  // Addresses to listen on: "127.0.0.1", other 127.0.0.x, "::1", or
  // "0.0.0.0" / "::" (every address; what a broadcast search needs).
  std::vector<std::string> listen = {"127.0.0.1"};
  uint16_t port = 0;                    // 0: a port that is free now
  std::string read_community = "public";  // empty: none
  std::string write_community;            // empty: none
  std::vector<UsmUser> users;
  // System group; empty keeps the agent's own value.
  std::string sys_name;
  std::string sys_object_id;
  std::string sys_descr;
  std::string sys_location;
  std::string sys_contact;
  // Named network namespace to run in (created by the caller); empty: the
  // caller's namespace.
  std::string netns;
  // Further objects to accept Set for, in addition to the profile's marks.
  std::vector<std::string> writable_oids;
  // Raw configuration lines appended as they are.
  std::vector<std::string> extra_config;
  // Sleep this long before every reply (through a preloaded wrapper of the
  // agent's send calls); orders the answers of several agents.
  int reply_delay_ms = 0;
  // Answer from the address the kernel picks rather than from the address
  // the request was sent to; lets the agent answer subnet broadcasts.
  bool reply_from_own_address = false;
  // How long to wait for the first answer.
  std::chrono::milliseconds start_timeout{5000};
};

class SnmpdAgent : public AgentProcess {
 public:
  enum class Start { kWait, kNoWait };
  // Starts the agent and (kWait) waits until it answers. Throws
  // std::runtime_error with the agent's log when it exits, does not answer
  // in time or reports an error in its configuration; nothing is left
  // running then. With kNoWait call wait_until_ready() before use, which
  // lets several agents start at the same time.
  explicit SnmpdAgent(SnmpdOptions options, Start start = Start::kWait);
  void wait_until_ready();
  SnmpdAgent(const SnmpdAgent&) = delete;
  SnmpdAgent& operator=(const SnmpdAgent&) = delete;

  std::string config_text() const;
  const SnmpdOptions& options() const { return options_; }

 private:
  void write_config();
  void launch();
  bool wait_until_answering(std::string* failure);
  std::string failure_message(const std::string& what) const;

  SnmpdOptions options_;
};

// A datagram that makes any SNMP agent answer without credentials: an
// SNMPv3 engine-discovery request (answered with a Report).
std::string snmpv3_discovery_probe(int32_t message_id);

}  // namespace psw_test
