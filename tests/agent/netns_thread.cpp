#include "agent/netns_thread.h"

#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstring>
#include <exception>
#include <stdexcept>
#include <thread>

namespace psw_test {

void run_in_netns(const std::string& name, const std::function<void()>& fn) {
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      int fd = ::open(("/run/netns/" + name).c_str(), O_RDONLY | O_CLOEXEC);
      if (fd < 0) throw std::runtime_error("cannot open network namespace '" + name + "': " + std::strerror(errno));
      int r = ::setns(fd, CLONE_NEWNET);
      int saved = errno;
      ::close(fd);
      if (r != 0) throw std::runtime_error("cannot enter network namespace '" + name + "': " + std::strerror(saved));
      fn();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace psw_test
