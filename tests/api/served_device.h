// One profile served on port 161 of 127.0.0.1 in a namespace of its own,
// by Net-SNMP's snmpd or by pysnmp: the two agents every profile test reads
// through.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "agent/pysnmp_agent.h"
#include "agent/snmprec_profile.h"
#include "device/status_netns.h"
#include "device/status_test_support.h"

namespace api_test {

// A profile shipped in tests/agent/profiles, by its name without ".snmprec".
inline psw_test::SnmprecProfile shipped_profile(const std::string& name) {
  return psw_test::SnmprecProfile::load(psw_test::profile_path(name + ".snmprec"));
}

enum class AgentKind { kSnmpd, kPysnmp };
inline const char* agent_name(AgentKind kind) { return kind == AgentKind::kSnmpd ? "snmpd" : "pysnmp"; }

class ServedDevice {
 public:
  // `users`: SNMPv3 users the agent accepts besides the communities.
  ServedDevice(AgentKind kind, psw_test::SnmprecProfile profile, std::vector<psw_test::UsmUser> users = {}) {
    if (kind == AgentKind::kSnmpd) {
      snmpd_ = std::make_unique<status_test::SimulatedPrinter>(
          std::move(profile), [&users](psw_test::SnmpdOptions& o) { o.users = users; });
      return;
    }
    netns_ = std::make_unique<status_test::PrivateNetns>();
    psw_test::PysnmpOptions o;
    o.profile = std::move(profile);
    o.netns = netns_->name();
    o.listen = {"127.0.0.1"};
    o.port = 161;
    o.users = std::move(users);
    pysnmp_ = std::make_unique<psw_test::PysnmpAgent>(std::move(o));
  }
  void run(const std::function<void()>& fn) const { snmpd_ ? snmpd_->run(fn) : netns_->run(fn); }
  // The namespace the device answers in (for programs started there).
  const std::string& netns_name() const { return snmpd_ ? snmpd_->netns().name() : netns_->name(); }

 private:
  std::unique_ptr<status_test::SimulatedPrinter> snmpd_;
  std::unique_ptr<status_test::PrivateNetns> netns_;  // before the agent: it goes last
  std::unique_ptr<psw_test::PysnmpAgent> pysnmp_;
};

}  // namespace api_test
