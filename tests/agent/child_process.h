// Child processes of the test peers (the SNMP agent, `ip`, client tools):
// started without a shell, optionally inside a named network namespace, and
// always ended by their own pid. A child is killed by the kernel if the
// thread that started it dies (PR_SET_PDEATHSIG), so a crashed or killed
// test leaves no agent running; start children from a thread that outlives
// them (the test's own thread does).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace psw_test {

struct SpawnOptions {
  std::vector<std::string> argv;  // argv[0] is the program path (no PATH search)
  std::vector<std::string> env;   // the child's whole environment, "NAME=value"
  std::string netns;              // named network namespace to enter, or empty
  std::string output_path;        // stdout and stderr are appended here; empty: /dev/null
};

class ChildProcess {
 public:
  // Starts the child; throws std::runtime_error (with the reason) when the
  // namespace cannot be entered or the program cannot be executed.
  explicit ChildProcess(const SpawnOptions& options);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }
  // False once the child has exited (it is reaped then).
  bool running();
  // The wait status once exited; -1 while running.
  int wait_status() const { return status_; }
  // SIGTERM, up to `grace` for it to exit, then SIGKILL. Idempotent.
  void stop(std::chrono::milliseconds grace = std::chrono::milliseconds(2000));

 private:
  pid_t pid_ = -1;
  int status_ = -1;
};

struct CommandResult {
  int exit_code = -1;  // -1 when killed (time-out) or by a signal
  std::string output;  // stdout and stderr together
};

// Runs a command to completion, bounded by `timeout` (then killed).
// Throws std::runtime_error when it cannot be started.
// `env` is added to tool_environment().
CommandResult run_command(const std::vector<std::string>& argv,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(10000),
                          const std::string& netns = "", const std::vector<std::string>& env = {});
// Like run_command, but throws std::runtime_error with the output when the
// command does not exit with 0.
std::string run_checked(const std::vector<std::string>& argv,
                        std::chrono::milliseconds timeout = std::chrono::milliseconds(10000),
                        const std::string& netns = "");
// "a b 'c d'" for messages.
std::string command_text(const std::vector<std::string>& argv);
// A clean environment for tools: a fixed PATH plus `extra`.
std::vector<std::string> tool_environment(const std::vector<std::string>& extra = {});

}  // namespace psw_test
