#include "net/pmc_socket_api.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "net/pmc_platform.h"

namespace NPmcSocketAPI {
namespace {

Api g_api;
std::atomic<bool> g_hasResolver{false};
std::atomic<int> g_startups{0};

CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({"libc.so.6", "libc.so"}, &set_api);
  return s_loader;
}

// Binds one entry point into its typed slot; false (slot untouched) when the
// library does not have it.
template <class Fn>
bool bind_entry(PmcModule module, const char* name, Fn* slot) {
  void* address = pmc_get_proc_address(module, name);
  if (address == nullptr) return false;
  *slot = reinterpret_cast<Fn>(address);
  return true;
}

void log_missing(const char* name, int error) {
  PMC_LOG(g_logSocket, PMC_LOG_ERROR, "[NPmcSocketAPI::set_api] fail GetProcAddress \"%s\": GetLastError()=%d",
          name, error);
}

int startup(const char* /*version: the platform needs none*/) {
  int rc = load();
  if (rc != PMC_OK) return rc;
  g_startups.fetch_add(1, std::memory_order_relaxed);
  return PMC_OK;
}

}  // namespace

int set_api(void* module) {
  PMC_TRACE(g_logSocket, "NPmcSocketAPI::set_api");

#define PMC_BIND_REQUIRED(member, function)                      \
  if (!bind_entry(module, #function, &g_api.member)) {           \
    log_missing(#function, pmc_get_last_error());                \
    return PMC_E_FAIL;                                           \
  }
  PMC_SOCKET_REQUIRED(PMC_BIND_REQUIRED)
#undef PMC_BIND_REQUIRED

  // A missing resolver entry point is a normal, older system: the classic
  // address rules take over. Any other kind of failure is a broken library.
  g_hasResolver.store(false, std::memory_order_relaxed);
#define PMC_BIND_RESOLVER(member, function)                                  \
  if (!bind_entry(module, #function, &g_api.member)) {                       \
    int error = pmc_get_last_error();                                        \
    if (error == PMC_SYS_MOD_NOT_FOUND || error == PMC_SYS_PROC_NOT_FOUND) { \
      return PMC_OK;                                                         \
    }                                                                        \
    log_missing(#function, error);                                           \
    return PMC_E_FAIL;                                                       \
  }
  PMC_SOCKET_RESOLVER(PMC_BIND_RESOLVER)
#undef PMC_BIND_RESOLVER

  g_hasResolver.store(true, std::memory_order_relaxed);
  return PMC_OK;
}

int load() { return loader().load(); }

bool has_resolver() {
  if (load() != PMC_OK) return false;
  return g_hasResolver.load(std::memory_order_relaxed);
}

int startup_1_1() { return startup("1.1"); }
int startup_2_2() { return startup("2.2"); }

void cleanup() {
  if (!loader().is_loaded()) return;
  int count = g_startups.load(std::memory_order_relaxed);
  while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1, std::memory_order_relaxed)) {
  }
}

const Api& api() { return g_api; }

int last_error() { return errno; }

int numeric_name_info(const struct sockaddr* address, socklen_t length, char* host, size_t host_size,
                      char* service, size_t service_size) {
  int flags = NI_NUMERICHOST | (service != nullptr ? NI_NUMERICSERV : 0);
  if (address->sa_family != AF_INET6 || length < sizeof(struct sockaddr_in6)) {
    return g_api.m_pGetnameinfo(address, length, host, host_size, service, service_size, flags);
  }
  // Convert without the zone, then append it as a number.
  struct sockaddr_in6 unscoped;
  std::memcpy(&unscoped, address, sizeof(unscoped));
  uint32_t zone = unscoped.sin6_scope_id;
  unscoped.sin6_scope_id = 0;
  int rc = g_api.m_pGetnameinfo(reinterpret_cast<struct sockaddr*>(&unscoped), sizeof(unscoped), host, host_size,
                                service, service_size, flags);
  if (rc != 0 || zone == 0) return rc;
  size_t used = std::strlen(host);
  int added = std::snprintf(host + used, host_size - used, "%%%u", zone);
  return added > 0 && static_cast<size_t>(added) < host_size - used ? 0 : EAI_OVERFLOW;
}

int startup_count() { return g_startups.load(std::memory_order_relaxed); }

void reset_for_test(const std::vector<std::string>& names) {
  loader().reset_for_test(names);
  g_hasResolver.store(false, std::memory_order_relaxed);
  g_api = Api();
}

}  // namespace NPmcSocketAPI
