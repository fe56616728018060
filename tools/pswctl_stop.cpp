#include "pswctl_stop.h"

#ifdef _WIN32
#include <windows.h>

#include <mutex>
#else
#include <pthread.h>
#endif

namespace pswctl {

void StopRequest::request() {
  if (!requested_.exchange(true) && onStop_) onStop_();
}

#ifdef _WIN32

namespace {

// The console calls its handlers on a thread of its own and knows nothing
// of objects: the one StopRequest alive is found here, under a lock that
// keeps it alive while its handler runs.
std::mutex g_mutex;
StopRequest* g_current = nullptr;

BOOL WINAPI console_event(DWORD) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (g_current == nullptr) return FALSE;  // the system's default: end the process
  g_current->request();
  return TRUE;
}

}  // namespace

StopRequest::StopRequest(std::function<void()> on_stop) : onStop_(std::move(on_stop)) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_current = this;
  ::SetConsoleCtrlHandler(console_event, TRUE);
}

StopRequest::~StopRequest() {
  ::SetConsoleCtrlHandler(console_event, FALSE);
  std::lock_guard<std::mutex> lock(g_mutex);
  g_current = nullptr;
}

#else

StopRequest::StopRequest(std::function<void()> on_stop) : onStop_(std::move(on_stop)) {
  sigemptyset(&signals_);
  sigaddset(&signals_, SIGINT);
  sigaddset(&signals_, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals_, &previousMask_);
  waiter_ = std::thread([this] {
    int signal = 0;
    sigwait(&signals_, &signal);
    if (!closing_) request();
  });
}

StopRequest::~StopRequest() {
  // The waiter still waits unless a signal came: wake it with one of its
  // own signals, sent to that thread alone.
  closing_ = true;
  if (!requested_) pthread_kill(waiter_.native_handle(), SIGTERM);
  waiter_.join();
  pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
}

#endif

}  // namespace pswctl
