// The POSIX backend of the platform table: the C library, called directly.
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "base/pmc_result.h"
#include "platform/pmc_platform.h"

namespace {

thread_local int t_lastError = 0;

// The directory of the file that holds this code (libpsw.so, or the program
// it is linked into), with a trailing "/"; empty when it cannot be told.
std::string own_directory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&pmc_native_platform), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  const char* slash = std::strrchr(info.dli_fname, '/');
  if (slash == nullptr) return std::string();
  return std::string(info.dli_fname, static_cast<size_t>(slash - info.dli_fname) + 1);
}

PmcModule load_library(const char* name) {
  if (name == nullptr) return nullptr;
  PmcModule module = dlopen(name, RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr && std::strchr(name, '/') == nullptr) {
    // A bare name the system search did not find: look beside our own file,
    // where an installation keeps the libraries it ships with.
    std::string dir = own_directory();
    if (!dir.empty()) module = dlopen((dir + name).c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  // A name with a directory part names the file itself: the first try
  // already loaded it from its own directory, so there is nothing to retry.
  t_lastError = module == nullptr ? PMC_SYS_MOD_NOT_FOUND : 0;
  return module;
}

void free_library(PmcModule module) {
  if (module != nullptr) dlclose(module);
}

void* get_proc_address(PmcModule module, const char* name) {
  if (module == nullptr || name == nullptr) {
    t_lastError = PMC_SYS_MOD_NOT_FOUND;
    return nullptr;
  }
  dlerror();  // clear a stale message so a null result is judged by this call
  void* address = dlsym(module, name);
  t_lastError = address == nullptr ? PMC_SYS_PROC_NOT_FOUND : 0;
  return address;
}

int last_error() { return t_lastError; }

// Reads `size` bytes of /dev/urandom into `out`; false when it cannot.
bool read_urandom(unsigned char* out, size_t size) {
  int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < size) {
    ssize_t got = ::read(fd, out + done, size - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  ::close(fd);
  return done == size;
}

int random_bytes(void* out, size_t size) {
  auto* bytes = static_cast<unsigned char*>(out);
  size_t done = 0;
  while (done < size) {
    ssize_t got = ::getrandom(bytes + done, size - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  if (done == size) return PMC_OK;
  // A kernel without getrandom (or a filter that refuses it) still has the
  // device; it never blocks once the system has booted.
  return read_urandom(bytes, size) ? PMC_OK : PMC_E_PLATFORM;
}

uint32_t tick_count() {
  struct timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

void local_time(PmcLocalTime* out) {
  struct timespec now {};
  clock_gettime(CLOCK_REALTIME, &now);
  struct tm local {};
  localtime_r(&now.tv_sec, &local);
  *out = PmcLocalTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min,         local.tm_sec,     static_cast<int>(now.tv_nsec / 1000000)};
}

uint32_t process_id() { return static_cast<uint32_t>(getpid()); }
uint32_t thread_id() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

int slot_create(PmcThreadSlot* slot, PmcThreadExitFn on_exit) {
  pthread_key_t key{};
  if (pthread_key_create(&key, on_exit) != 0) return PMC_E_PLATFORM;
  *slot = static_cast<PmcThreadSlot>(key);
  return PMC_OK;
}
void slot_delete(PmcThreadSlot slot) { pthread_key_delete(static_cast<pthread_key_t>(slot)); }
void* slot_get(PmcThreadSlot slot) { return pthread_getspecific(static_cast<pthread_key_t>(slot)); }
int slot_set(PmcThreadSlot slot, void* value) {
  return pthread_setspecific(static_cast<pthread_key_t>(slot), value) == 0 ? PMC_OK : PMC_E_PLATFORM;
}

}  // namespace

void pmc_wipe(void* data, size_t size) {
  if (data != nullptr && size > 0) explicit_bzero(data, size);
}

const PmcPlatformTable& pmc_native_platform() {
  static const PmcPlatformTable s_table = {
      &load_library, &free_library, &get_proc_address, &last_error, &random_bytes, &tick_count, &local_time,
      &process_id,   &thread_id,    &slot_create,      &slot_delete, &slot_get,    &slot_set,
  };
  return s_table;
}
