// A progress line on standard error while the tool waits for the network:
// a count-down for searches (whose length is known in advance) and the name
// of the table being read for long reads. It draws only when enabled (the
// tool enables it when standard error is a terminal), so a pipe or a log
// file never receives it; the line is wiped before anything else is printed.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

namespace pswctl {

class Progress {
 public:
  // `out` receives the drawing (standard error when null).
  explicit Progress(bool enabled, std::FILE* out = nullptr);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // True when standard error is a terminal.
  static bool stderr_is_terminal();

  // Shows "label: N.N s left" counting down from `total` until the next
  // call or clear().
  void countdown(const std::string& label, std::chrono::milliseconds total);
  // Shows "label ..." with a spinner until the next call or clear().
  void step(const std::string& label);
  // Wipes the line.
  void clear();

  bool enabled() const { return enabled_; }

 private:
  void run();
  void draw_locked();

  const bool enabled_;
  std::FILE* out_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::string label_;
  bool counting_ = false;
  std::chrono::steady_clock::time_point deadline_;
  bool active_ = false;
  bool stopping_ = false;
  unsigned tick_ = 0;
  size_t drawn_ = 0;  // width of the line on screen
  std::thread thread_;
};

}  // namespace pswctl
