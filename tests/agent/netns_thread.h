// Running code inside a named network namespace. Network namespaces belong
// to threads on Linux, so the code runs on a new thread that entered the
// namespace with setns(); sockets it creates live there. The calling
// thread's own namespace is never changed.
#pragma once

#include <functional>
#include <string>

namespace psw_test {

// Runs `fn` on a new thread inside /run/netns/`name` and waits for it.
// An exception thrown by `fn` is rethrown here; failing to enter the
// namespace throws std::runtime_error.
void run_in_netns(const std::string& name, const std::function<void()>& fn);

}  // namespace psw_test
