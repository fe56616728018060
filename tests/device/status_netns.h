// A private network namespace of a test's or benchmark's own, and the
// profiles of the simulated office printer. The device readers always talk
// to port 161, so every test gets a namespace of its own, in which a
// simulated printer listens on port 161 of both loopback addresses and the
// code under test runs: tests running in parallel never share a port.
#pragma once

#include <unistd.h>

#include <atomic>
#include <functional>
#include <string>

#include "agent/child_process.h"
#include "agent/netns_network.h"
#include "agent/netns_thread.h"
#include "agent/snmprec_profile.h"

namespace status_test {

// A network namespace holding only loopback, brought up. Named like the
// namespaces of NetnsNetwork ("pswt-PID-..."), so one left behind by a
// crashed test is removed by the next network that is built.
class PrivateNetns {
 public:
  PrivateNetns() {
    static std::atomic<unsigned> counter{0};
    psw_test::NetnsNetwork::remove_stale_namespaces();
    name_ = "pswt-" + std::to_string(::getpid()) + "-status" + std::to_string(counter++);
    psw_test::run_checked({"/usr/sbin/ip", "netns", "add", name_});
    try {
      psw_test::run_checked({"/usr/sbin/ip", "-n", name_, "link", "set", "lo", "up"});
    } catch (...) {
      psw_test::run_command({"/usr/sbin/ip", "netns", "delete", name_});
      throw;
    }
  }
  ~PrivateNetns() { psw_test::run_command({"/usr/sbin/ip", "netns", "delete", name_}); }
  PrivateNetns(const PrivateNetns&) = delete;
  PrivateNetns& operator=(const PrivateNetns&) = delete;

  const std::string& name() const { return name_; }
  // Runs `fn` on a thread inside the namespace (sockets it opens live there).
  void run(const std::function<void()>& fn) const { psw_test::run_in_netns(name_, fn); }

 private:
  std::string name_;
};

// The status profile of the simulated office printer.
inline psw_test::SnmprecProfile status_profile() {
  return psw_test::SnmprecProfile::load(psw_test::profile_path("office_mfp_status.snmprec"));
}

// The whole simulated office printer: the status profile and the options
// profile (system group, option and setting objects) served together.
inline psw_test::SnmprecProfile office_printer_profile() {
  psw_test::SnmprecProfile profile = status_profile();
  psw_test::SnmprecProfile options =
      psw_test::SnmprecProfile::load(psw_test::profile_path("office_mfp_options.snmprec"));
  for (const psw_test::ProfileEntry& e : options.entries()) profile.set(e.oid, e.value, e.writable);
  return profile;
}

}  // namespace status_test
