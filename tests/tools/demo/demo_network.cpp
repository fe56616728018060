// The network of scripts/demo: simulated printers on a small network of
// private namespaces (two office printers and one printer of another model,
// each a real SNMP agent in a namespace of its own, joined by a bridge to a
// client namespace). It prints the client namespace and the agents'
// addresses, then holds the network until SIGTERM, SIGINT or SIGHUP, and
// removes every namespace and stops every agent before it exits.
#include <signal.h>

#include <cstdio>
#include <exception>

#include "agent/netns_network.h"
#include "agent/snmprec_profile.h"
#include "device/status_netns.h"


int main() {
  // Block the stop signals before any thread starts, then wait for one.
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, SIGTERM);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &stop, nullptr);
  try {
    std::vector<psw_test::SnmpdOptions> agents(3);
    agents[0].profile = status_test::office_printer_profile();
    agents[1].profile = status_test::office_printer_profile();
    agents[2].profile = psw_test::SnmprecProfile::load(psw_test::profile_path("other_model.snmprec"));
    psw_test::NetnsNetworkOptions options;
    options.subnet = "10.231.9";
    psw_test::NetnsNetwork net(agents, options);
    std::printf("client %s\n", net.client_netns().c_str());
    for (size_t i = 0; i < net.agent_count(); ++i) std::printf("agent %s\n", net.agent_address(i).c_str());
    std::printf("ready\n");
    std::fflush(stdout);
    int signal = 0;
    sigwait(&stop, &signal);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "demo network: %s\n", e.what());
    return 1;
  }
  return 0;
}
