// Helpers of the network layer tests: private namespaces with interfaces,
// and (scoped_libraries.h) scoped changes of the process-wide loaders.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "scoped_libraries.h"

namespace psw_net_test {

// Runs `ip ARGS...` in the calling thread's network namespace; true when it
// exits with 0.
bool run_ip(const std::vector<std::string>& args);

// Runs `body` on a new thread that first moves into a new network namespace
// of its own (other threads and processes keep theirs), brings loopback up
// and runs each of `setup` as an `ip` command there. The namespace and its
// interfaces vanish with the thread. Returns "" on success or what failed
// before `body` could run.
std::string run_in_new_namespace(const std::vector<std::vector<std::string>>& setup,
                                 const std::function<void()>& body);

// `ip` commands that add a veth pair pswv0/pswv1 (both up) to the namespace,
// give pswv0 the IPv4 address 192.0.2.1/24 and the IPv6 address 2001:db8::1
// when `with_addresses` is true, and route everything through pswv0.
std::vector<std::vector<std::string>> veth_setup(bool with_addresses);

}  // namespace psw_net_test
