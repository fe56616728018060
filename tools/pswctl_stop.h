// A request from outside to stop a program that serves until told: SIGINT
// or SIGTERM on POSIX systems; on Windows the console's control events
// (Ctrl+C, Ctrl+Break, the console closed, log-off, shut-down), since
// Windows has no SIGTERM. While a StopRequest lives these no longer end the
// program: `on_stop` is called once instead, and the program ends itself.
#pragma once

#include <atomic>
#include <functional>
#include <thread>

#ifndef _WIN32
#include <signal.h>
#endif

namespace pswctl {

class StopRequest {
 public:
  // On POSIX systems the signals are blocked in the calling thread, so
  // construct this before starting other threads: they inherit the mask,
  // and only this object's own thread takes the signals.
  explicit StopRequest(std::function<void()> on_stop);
  ~StopRequest();
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  // Asks to stop as the signals and events do: `on_stop` runs, the first
  // time only, on the calling thread.
  void request();
  bool requested() const { return requested_; }

 private:
  std::function<void()> onStop_;
  std::atomic<bool> requested_{false};
#ifndef _WIN32
  sigset_t signals_;
  sigset_t previousMask_;
  std::atomic<bool> closing_{false};
  std::thread waiter_;
#endif
};

}  // namespace pswctl
