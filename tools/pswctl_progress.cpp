#include "pswctl_progress.h"

#include <fmt/format.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace pswctl {

Progress::Progress(bool enabled, std::FILE* out) : enabled_(enabled), out_(out != nullptr ? out : stderr) {
  if (enabled_) thread_ = std::thread([this] { run(); });
}

Progress::~Progress() {
  if (!enabled_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  clear();
}

#ifdef _WIN32
bool Progress::stderr_is_terminal() { return ::_isatty(::_fileno(stderr)) != 0; }
#else
bool Progress::stderr_is_terminal() { return ::isatty(STDERR_FILENO) == 1; }
#endif

void Progress::countdown(const std::string& label, std::chrono::milliseconds total) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  label_ = label;
  counting_ = true;
  deadline_ = std::chrono::steady_clock::now() + total;
  active_ = true;
  draw_locked();
}

void Progress::step(const std::string& label) {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  label_ = label;
  counting_ = false;
  active_ = true;
  draw_locked();
}

void Progress::clear() {
  if (!enabled_) return;
  std::lock_guard<std::mutex> lock(mutex_);
  active_ = false;
  if (drawn_ > 0) {
    fmt::print(out_, "\r{:{}}\r", "", drawn_);
    std::fflush(out_);
    drawn_ = 0;
  }
}

void Progress::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    wake_.wait_for(lock, std::chrono::milliseconds(100));
    if (active_ && !stopping_) draw_locked();
  }
}

void Progress::draw_locked() {
  static const char kSpinner[] = {'|', '/', '-', '\\'};
  std::string line;
  if (counting_) {
    auto left = std::chrono::duration<double>(deadline_ - std::chrono::steady_clock::now()).count();
    line = fmt::format("{}: {:.1f} s left", label_, left > 0 ? left : 0.0);
  } else {
    line = fmt::format("{} {}", label_, kSpinner[tick_++ % 4]);
  }
  const size_t width = line.size();
  if (width < drawn_) line.append(drawn_ - width, ' ');
  fmt::print(out_, "\r{}", line);
  std::fflush(out_);
  drawn_ = width > drawn_ ? width : drawn_;
}

}  // namespace pswctl
