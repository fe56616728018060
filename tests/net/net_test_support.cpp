#include "net_test_support.h"

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "net/pmc_address_service.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_socket_api.h"

namespace psw_net_test {

bool run_ip(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>("ip"));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  // The child inherits the network namespace of this thread, not the process's.
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid == 0) {
    execvp("ip", argv.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return false;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string run_in_new_namespace(const std::vector<std::vector<std::string>>& setup,
                                 const std::function<void()>& body) {
  std::string failure;
  std::thread worker([&] {
    // Network namespaces belong to threads: only this thread moves.
    if (unshare(CLONE_NEWNET) != 0) {
      failure = "unshare(CLONE_NEWNET) failed";
      return;
    }
    if (!run_ip({"link", "set", "lo", "up"})) {
      failure = "ip link set lo up failed";
      return;
    }
    for (const auto& command : setup) {
      if (!run_ip(command)) {
        failure = "ip";
        for (const std::string& a : command) failure += " " + a;
        failure += " failed";
        return;
      }
    }
    body();
  });
  worker.join();
  return failure;
}

std::vector<std::vector<std::string>> veth_setup(bool with_addresses) {
  std::vector<std::vector<std::string>> commands = {
      {"link", "add", "pswv0", "type", "veth", "peer", "name", "pswv1"},
      {"link", "set", "pswv1", "up"},
  };
  if (with_addresses) {
    commands.push_back({"addr", "add", "192.0.2.1/24", "dev", "pswv0"});
    commands.push_back({"-6", "addr", "add", "2001:db8::1/64", "dev", "pswv0", "nodad"});
  }
  commands.push_back({"link", "set", "pswv0", "up"});
  if (with_addresses) commands.push_back({"route", "add", "default", "dev", "pswv0"});
  return commands;
}

}  // namespace psw_net_test
