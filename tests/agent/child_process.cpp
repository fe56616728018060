#include "agent/child_process.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

namespace psw_test {

namespace {

using Clock = std::chrono::steady_clock;

// File descriptor closed on scope exit.
struct Fd {
  int fd = -1;
  Fd() = default;
  explicit Fd(int f) : fd(f) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  void reset() {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

// Steps of the child before exec, reported to the parent with errno.
enum ChildStep : int { kStepSetns = 1, kStepOutput = 2, kStepExec = 3 };

const char* step_text(int step) {
  switch (step) {
    case kStepSetns: return "entering the network namespace";
    case kStepOutput: return "redirecting output";
    default: return "executing the program";
  }
}

std::vector<char*> c_strings(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(&s[0]);
  out.push_back(nullptr);
  return out;
}

// Runs in the forked child: only async-signal-safe calls from here on.
[[noreturn]] void child_main(pid_t parent, int netns_fd, int output_fd, int report_fd, char** argv, char** envp) {
  auto report = [&](int step) {
    int words[2] = {step, errno};
    ssize_t ignored = ::write(report_fd, words, sizeof words);
    (void)ignored;
    ::_exit(127);
  };
  ::prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (::getppid() != parent) ::_exit(127);  // the parent died before prctl
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  if (netns_fd >= 0 && ::setns(netns_fd, CLONE_NEWNET) != 0) report(kStepSetns);
  int null_in = ::open("/dev/null", O_RDONLY);
  if (null_in < 0 || ::dup2(null_in, 0) < 0 || ::dup2(output_fd, 1) < 0 || ::dup2(output_fd, 2) < 0) {
    report(kStepOutput);
  }
  // Keep the test's sockets and files out of the child.
  for (int fd = 3; fd < 4096; ++fd) {
    if (fd != report_fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  }
  ::execve(argv[0], argv, envp);
  report(kStepExec);
  ::_exit(127);
}

// Starts argv with the given stdout/stderr descriptor; returns the pid.
pid_t spawn(const std::vector<std::string>& argv_in, const std::vector<std::string>& env_in,
            const std::string& netns, int output_fd) {
  if (argv_in.empty()) throw std::invalid_argument("spawn: empty command");
  Fd netns_fd;
  if (!netns.empty()) {
    netns_fd.fd = ::open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
    if (netns_fd.fd < 0) throw std::runtime_error("cannot open network namespace '" + netns + "': " + std::strerror(errno));
  }
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
  Fd report_read(report[0]), report_write(report[1]);
  std::vector<std::string> argv_copy = argv_in, env_copy = env_in;
  std::vector<char*> argv = c_strings(argv_copy), envp = c_strings(env_copy);
  pid_t parent = ::getpid();
  pid_t pid = ::fork();
  if (pid < 0) throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
  if (pid == 0) child_main(parent, netns_fd.fd, output_fd, report_write.fd, argv.data(), envp.data());
  report_write.reset();
  int words[2] = {0, 0};
  ssize_t n;
  do {
    n = ::read(report_read.fd, words, sizeof words);
  } while (n < 0 && errno == EINTR);
  if (n > 0) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    throw std::runtime_error(command_text(argv_in) + ": failed " + step_text(words[0]) + ": " +
                             std::strerror(words[1]));
  }
  return pid;
}

}  // namespace

std::string command_text(const std::vector<std::string>& argv) {
  std::string text;
  for (const std::string& a : argv) {
    if (!text.empty()) text += ' ';
    bool plain = !a.empty() && a.find_first_of(" \t'\"\\$") == std::string::npos;
    text += plain ? a : "'" + a + "'";
  }
  return text;
}

std::vector<std::string> tool_environment(const std::vector<std::string>& extra) {
  std::vector<std::string> env = {"PATH=/usr/sbin:/usr/bin:/sbin:/bin", "LC_ALL=C"};
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

ChildProcess::ChildProcess(const SpawnOptions& options) {
  std::string path = options.output_path.empty() ? "/dev/null" : options.output_path;
  Fd output(::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600));
  if (output.fd < 0) throw std::runtime_error("cannot open '" + path + "': " + std::strerror(errno));
  pid_ = spawn(options.argv, options.env, options.netns, output.fd);
}

ChildProcess::~ChildProcess() { stop(); }

bool ChildProcess::running() {
  if (pid_ < 0) return false;
  int status = 0;
  pid_t r = ::waitpid(pid_, &status, WNOHANG);
  if (r == pid_ || (r < 0 && errno == ECHILD)) {
    status_ = r == pid_ ? status : -1;
    pid_ = -1;
    return false;
  }
  return true;
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
  if (!running()) return;
  ::kill(pid_, SIGTERM);
  Clock::time_point deadline = Clock::now() + grace;
  while (Clock::now() < deadline) {
    if (!running()) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ::kill(pid_, SIGKILL);
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  status_ = status;
  pid_ = -1;
}

CommandResult run_command(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                          const std::string& netns, const std::vector<std::string>& env) {
  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error(std::string("pipe2: ") + std::strerror(errno));
  Fd out_read(out[0]), out_write(out[1]);
  pid_t pid = spawn(argv, tool_environment(env), netns, out_write.fd);
  out_write.reset();
  CommandResult result;
  Clock::time_point deadline = Clock::now() + timeout;
  bool timed_out = false;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      timed_out = true;
      break;
    }
    pollfd p{out_read.fd, POLLIN, 0};
    int r = ::poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) continue;
    char buf[4096];
    ssize_t n = ::read(out_read.fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    result.output.append(buf, static_cast<size_t>(n));
  }
  if (timed_out) ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exit_code = (!timed_out && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  if (timed_out) result.output += "\n[killed after " + std::to_string(timeout.count()) + " ms]";
  return result;
}

std::string run_checked(const std::vector<std::string>& argv, std::chrono::milliseconds timeout,
                        const std::string& netns) {
  CommandResult r = run_command(argv, timeout, netns);
  if (r.exit_code != 0) {
    throw std::runtime_error(command_text(argv) + (netns.empty() ? "" : " (in " + netns + ")") +
                             " exited with " + std::to_string(r.exit_code) + ": " + r.output);
  }
  return r.output;
}

}  // namespace psw_test
