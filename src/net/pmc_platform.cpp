#include "net/pmc_platform.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/pmc_result.h"

namespace {

thread_local int t_lastError = 0;

// The directory of the file that holds this code (libpsw.so, or the program
// it is linked into), with a trailing "/"; empty when it cannot be told.
std::string own_directory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&pmc_load_library), &info) == 0 || info.dli_fname == nullptr) {
    return std::string();
  }
  const char* slash = std::strrchr(info.dli_fname, '/');
  if (slash == nullptr) return std::string();
  return std::string(info.dli_fname, static_cast<size_t>(slash - info.dli_fname) + 1);
}

}  // namespace

PmcModule pmc_load_library(const char* name) {
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

void pmc_free_library(PmcModule module) {
  if (module != nullptr) dlclose(module);
}

void* pmc_get_proc_address(PmcModule module, const char* name) {
  if (module == nullptr || name == nullptr) {
    t_lastError = PMC_SYS_MOD_NOT_FOUND;
    return nullptr;
  }
  dlerror();  // clear a stale message so a null result is judged by this call
  void* address = dlsym(module, name);
  t_lastError = address == nullptr ? PMC_SYS_PROC_NOT_FOUND : 0;
  return address;
}

int pmc_get_last_error() { return t_lastError; }

namespace {

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

}  // namespace

int pmc_system_random(void* out, size_t size) {
  if (size == 0) return PMC_OK;
  if (out == nullptr) return PMC_E_ARG;
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

CPmcLibraryLoader::CPmcLibraryLoader(std::vector<std::string> names, BindFn bind)
    : m_defaultNames(names), m_names(std::move(names)), m_bind(bind) {}

CPmcLibraryLoader::~CPmcLibraryLoader() {
  pmc_free_library(m_module.exchange(nullptr));
}

int CPmcLibraryLoader::load() {
  if (is_loaded()) return PMC_OK;
  std::lock_guard<std::mutex> guard(m_lock);
  if (is_loaded()) return PMC_OK;  // another thread loaded it meanwhile

  PmcModule module = nullptr;
  for (const std::string& name : m_names) {
    module = pmc_load_library(name.c_str());
    if (module != nullptr) break;
  }
  if (module == nullptr) return PMC_E_PLATFORM;

  int rc = m_bind(module);
  if (rc != PMC_OK) {
    pmc_free_library(module);  // nothing is kept: the next call starts over
    return rc;
  }
  m_module.store(module, std::memory_order_release);
  return PMC_OK;
}

void CPmcLibraryLoader::reset_for_test(const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> guard(m_lock);
  pmc_free_library(m_module.exchange(nullptr));
  m_names = names.empty() ? m_defaultNames : names;
}
