#include "net/pmc_socket_api.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "platform/pmc_platform.h"

namespace NPmcSocketAPI {
namespace {

Api g_api;
std::atomic<bool> g_hasResolver{false};
std::atomic<int> g_startups{0};

#ifdef _WIN32
CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({"ws2_32.dll", "wsock32.dll"}, &set_api);
  return s_loader;
}
#else
// The C library is linked in: its functions are bound where they are.
int bind_linked_c_library() {
  PMC_TRACE(g_logSocket, "NPmcSocketAPI::set_api");
#define PMC_BIND_LINKED(member, function) g_api.member = &::function;
  PMC_SOCKET_REQUIRED(PMC_BIND_LINKED)
  PMC_SOCKET_RESOLVER(PMC_BIND_LINKED)
#undef PMC_BIND_LINKED
  g_hasResolver.store(true, std::memory_order_relaxed);
  return PMC_OK;
}

CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({}, &set_api, &bind_linked_c_library);
  return s_loader;
}
#endif

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

#ifdef _WIN32
int startup(WORD version, const char* text) {
  int rc = load();
  if (rc != PMC_OK) return rc;
  WSADATA data;
  if (g_api.m_pWSAStartup(version, &data) != 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail WSAStartup(%s). WSAGetLastError()=%d", text,
            g_api.m_pWSAGetLastError());
    return PMC_E_FAIL;
  }
  g_startups.fetch_add(1, std::memory_order_relaxed);
  return PMC_OK;
}
#else
int startup(int /*version: POSIX sockets need no start-up*/, const char* /*text*/) {
  int rc = load();
  if (rc != PMC_OK) return rc;
  g_startups.fetch_add(1, std::memory_order_relaxed);
  return PMC_OK;
}
#endif

}  // namespace

int set_api(void* module) {
  PMC_TRACE_FUNCTION(g_logSocket);

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

int startup_1_1() { return startup(0x0101, "1.1"); }
int startup_2_2() { return startup(0x0202, "2.2"); }

void cleanup() {
  if (!loader().is_loaded()) return;
  int count = g_startups.load(std::memory_order_relaxed);
  while (count > 0 && !g_startups.compare_exchange_weak(count, count - 1, std::memory_order_relaxed)) {
  }
#ifdef _WIN32
  // Ends one start-up of Windows Sockets; one that failed counted none, and
  // the extra clean-up only answers WSANOTINITIALISED.
  g_api.m_pWSACleanup();
#endif
}

const Api& api() { return g_api; }

#ifdef _WIN32
int last_error() { return loader().is_loaded() ? g_api.m_pWSAGetLastError() : 0; }

bool last_error_is_truncation() { return last_error() == WSAEMSGSIZE; }

int wait_readable(PmcSocket socket, int32_t timeout_ms) {
  // A Windows fd_set is a list of sockets, not a bit map: any socket fits.
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(socket, &readable);
  struct timeval limit {};
  limit.tv_sec = timeout_ms / 1000;
  limit.tv_usec = (timeout_ms % 1000) * 1000;
  int rc = g_api.m_pSelect(0, &readable, nullptr, nullptr, timeout_ms < 0 ? nullptr : &limit);
  if (rc <= 0) return rc < 0 ? -1 : 0;
  return g_api.m_pWSAFDIsSet(socket, &readable) ? 1 : 0;
}
#else
int last_error() { return errno; }

bool last_error_is_truncation() { return false; }

int wait_readable(PmcSocket socket, int32_t timeout_ms) {
  CPmcDeadline deadline(timeout_ms);
  struct pollfd entry {};
  entry.fd = socket;
  entry.events = POLLIN;
  for (;;) {
    int wait_ms = timeout_ms <= 0 ? timeout_ms : deadline.left_ms();
    int rc = g_api.m_pPoll(&entry, 1, wait_ms);
    // A signal delivered to the host's thread is no failure of the socket:
    // wait again for what is left of the time-out.
    if (rc < 0 && errno == EINTR) continue;
    return rc > 0 ? 1 : (rc < 0 ? -1 : 0);
  }
}
#endif

int numeric_name_info(const struct sockaddr* address, socklen_t length, char* host, size_t host_size,
                      char* service, size_t service_size) {
  int flags = NI_NUMERICHOST | (service != nullptr ? NI_NUMERICSERV : 0);
  if (address->sa_family != AF_INET6 || static_cast<size_t>(length) < sizeof(struct sockaddr_in6)) {
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
#ifdef EAI_OVERFLOW
  return added > 0 && static_cast<size_t>(added) < host_size - used ? 0 : EAI_OVERFLOW;
#else
  return added > 0 && static_cast<size_t>(added) < host_size - used ? 0 : EAI_FAIL;
#endif
}

int startup_count() { return g_startups.load(std::memory_order_relaxed); }

void reset_for_test(const std::vector<std::string>& names) {
  loader().reset_for_test(names);
  g_hasResolver.store(false, std::memory_order_relaxed);
  g_api = Api();
}

}  // namespace NPmcSocketAPI
