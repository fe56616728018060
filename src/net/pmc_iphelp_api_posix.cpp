#include "net/pmc_iphelp_api.h"
#include "net/pmc_iphelp_backend.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <netpacket/packet.h>

#include <cstddef>
#include <cstring>
#include <new>

#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "platform/pmc_platform.h"

namespace NPmcIpHelpAPI {
namespace {

using GetIfAddrsFn = decltype(&::getifaddrs);
using FreeIfAddrsFn = decltype(&::freeifaddrs);

// Written only by set_api before the module is published, read afterwards.
GetIfAddrsFn g_getifaddrs = nullptr;
FreeIfAddrsFn g_freeifaddrs = nullptr;

// The C library is linked in: its interface list is bound where it is.
int bind_linked_c_library() {
  PMC_TRACE(g_logSocket, "NPmcIpHelpAPI::set_api");
  g_getifaddrs = &::getifaddrs;
  g_freeifaddrs = &::freeifaddrs;
  return PMC_OK;
}

CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({}, &set_api, &bind_linked_c_library);
  return s_loader;
}

// What the queries report of one interface.
struct Adapter {
  const char* name;  // points into the interface list while it is held
  uint32_t type;
  const struct sockaddr* first_ipv4;
  const struct sockaddr* first_unicast;  // of the family asked
};

uint32_t type_of_link(unsigned short hatype) {
  switch (hatype) {
    case ARPHRD_LOOPBACK: return PMC_IF_TYPE_LOOPBACK;
    case ARPHRD_TUNNEL:
    case ARPHRD_TUNNEL6:
    case ARPHRD_SIT:
    case ARPHRD_IPGRE: return PMC_IF_TYPE_TUNNEL;
    case ARPHRD_ETHER: return PMC_IF_TYPE_ETHERNET;
    default: return PMC_IF_TYPE_OTHER;
  }
}

Adapter* find_or_add(std::vector<Adapter>& adapters, const struct ifaddrs* entry) {
  for (Adapter& a : adapters) {
    if (std::strcmp(a.name, entry->ifa_name) == 0) return &a;
  }
  // Until its link entry says otherwise, an interface is typed by its flags.
  uint32_t type = (entry->ifa_flags & IFF_LOOPBACK) != 0 ? PMC_IF_TYPE_LOOPBACK : PMC_IF_TYPE_OTHER;
  adapters.push_back(Adapter{entry->ifa_name, type, nullptr, nullptr});
  return &adapters.back();
}

// The interface list, owned for the length of one query.
class InterfaceList {
 public:
  InterfaceList() {
    if (g_getifaddrs(&m_list) != 0) m_list = nullptr;
  }
  ~InterfaceList() {
    if (m_list != nullptr) g_freeifaddrs(m_list);
  }
  InterfaceList(const InterfaceList&) = delete;
  InterfaceList& operator=(const InterfaceList&) = delete;

  bool ok() const { return m_list != nullptr; }
  const struct ifaddrs* first() const { return m_list; }

  // One entry per interface, in the order the system lists them.
  std::vector<Adapter> adapters(int family) const {
    std::vector<Adapter> out;
    for (const struct ifaddrs* e = m_list; e != nullptr; e = e->ifa_next) {
      if (e->ifa_name == nullptr) continue;
      Adapter* a = find_or_add(out, e);
      const struct sockaddr* sa = e->ifa_addr;
      if (sa == nullptr) continue;
      if (sa->sa_family == AF_PACKET) {
        a->type = type_of_link(reinterpret_cast<const struct sockaddr_ll*>(sa)->sll_hatype);
      } else {
        if (sa->sa_family == AF_INET && a->first_ipv4 == nullptr) a->first_ipv4 = sa;
        bool wanted = family == AF_UNSPEC ? (sa->sa_family == AF_INET || sa->sa_family == AF_INET6)
                                          : sa->sa_family == family;
        if (wanted && a->first_unicast == nullptr) a->first_unicast = sa;
      }
    }
    return out;
  }

 private:
  struct ifaddrs* m_list = nullptr;
};

bool entry_points_ready() {
  return loader().is_loaded() && g_getifaddrs != nullptr && g_freeifaddrs != nullptr;
}

void fill_info(const Adapter& a, AdapterInfo* out) {
  std::memset(out, 0, sizeof(*out));
  out->type = a.type;
  if (a.first_ipv4 == nullptr ||
      inet_ntop(AF_INET, &reinterpret_cast<const struct sockaddr_in*>(a.first_ipv4)->sin_addr, out->ip_address,
                sizeof(out->ip_address)) == nullptr) {
    std::strcpy(out->ip_address, "0.0.0.0");
  }
}

void fill_addresses(const Adapter& a, AdapterAddresses* out) {
  std::memset(out, 0, sizeof(*out));
  out->if_type = a.type;
  if (a.first_unicast == nullptr) return;
  out->has_unicast = true;
  size_t length = a.first_unicast->sa_family == AF_INET6 ? sizeof(struct sockaddr_in6) : sizeof(struct sockaddr_in);
  std::memcpy(&out->first_unicast, a.first_unicast, length);
}

}  // namespace

int set_api(void* module) {
  PMC_TRACE_FUNCTION(g_logSocket);
  bind_optional(module, "getifaddrs", &g_getifaddrs);
  bind_optional(module, "freeifaddrs", &g_freeifaddrs);
  return PMC_OK;
}

int load() { return loader().load(); }

uint32_t get_adapters_info(AdapterInfo* buffer, uint32_t* size) {
  if (size == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  if (!entry_points_ready()) return PMC_ERROR_NOT_SUPPORTED;
  InterfaceList list;
  if (!list.ok()) return PMC_ERROR_NO_DATA;
  std::vector<Adapter> adapters = list.adapters(AF_INET);
  uint32_t rc = check_buffer(adapters.size(), sizeof(AdapterInfo), buffer, size);
  if (rc != PMC_NO_ERROR) return rc;
  for (size_t i = 0; i < adapters.size(); ++i) fill_info(adapters[i], &buffer[i]);
  return PMC_NO_ERROR;
}

uint32_t get_adapters_addresses(int family, uint32_t /*flags*/, AdapterAddresses* buffer, uint32_t* size) {
  if (size == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  if (family != AF_UNSPEC && family != AF_INET && family != AF_INET6) return PMC_ERROR_INVALID_PARAMETER;
  if (!entry_points_ready()) return PMC_ERROR_NOT_SUPPORTED;
  InterfaceList list;
  if (!list.ok()) return PMC_ERROR_NO_DATA;
  std::vector<Adapter> adapters = list.adapters(family);
  uint32_t rc = check_buffer(adapters.size(), sizeof(AdapterAddresses), buffer, size);
  if (rc != PMC_NO_ERROR) return rc;
  for (size_t i = 0; i < adapters.size(); ++i) fill_addresses(adapters[i], &buffer[i]);
  return PMC_NO_ERROR;
}

uint32_t get_search_interfaces(std::vector<SearchInterface>* out) {
  if (out == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  out->clear();
  if (load() != PMC_OK || !entry_points_ready()) return PMC_ERROR_NOT_SUPPORTED;
  InterfaceList list;
  if (!list.ok()) return PMC_ERROR_NOT_SUPPORTED;
  try {
    for (const struct ifaddrs* e = list.first(); e != nullptr; e = e->ifa_next) {
      const struct sockaddr* sa = e->ifa_addr;
      if (e->ifa_name == nullptr || sa == nullptr) continue;
      if ((e->ifa_flags & IFF_UP) == 0 || (e->ifa_flags & IFF_LOOPBACK) != 0) continue;
      if (sa->sa_family != AF_INET && sa->sa_family != AF_INET6) continue;
      SearchInterface* found = nullptr;
      for (SearchInterface& i : *out)
        if (i.name == e->ifa_name) found = &i;
      if (found == nullptr) {
        out->push_back(SearchInterface{e->ifa_name, e->ifa_name, {}, {}, false});
        found = &out->back();
      }
      if (sa->sa_family == AF_INET6) {
        found->ipv6 = found->ipv6 || (e->ifa_flags & IFF_MULTICAST) != 0;
        continue;
      }
      if (!found->ipv4_address.empty()) continue;  // the first address and its broadcast
      char text[INET_ADDRSTRLEN] = {};
      if (inet_ntop(AF_INET, &reinterpret_cast<const struct sockaddr_in*>(sa)->sin_addr, text, sizeof text) == nullptr)
        continue;
      found->ipv4_address = text;
      const struct sockaddr* broadcast = e->ifa_broadaddr;
      if ((e->ifa_flags & IFF_BROADCAST) != 0 && broadcast != nullptr && broadcast->sa_family == AF_INET &&
          inet_ntop(AF_INET, &reinterpret_cast<const struct sockaddr_in*>(broadcast)->sin_addr, text,
                    sizeof text) != nullptr)
        found->ipv4_broadcast = text;
    }
  } catch (const std::bad_alloc&) {
    out->clear();
    return PMC_ERROR_NO_DATA;
  }
  // An interface with neither a broadcast address nor IPv6 multicast
  // cannot be searched.
  for (size_t i = out->size(); i-- > 0;)
    if ((*out)[i].ipv4_broadcast.empty() && !(*out)[i].ipv6) out->erase(out->begin() + static_cast<std::ptrdiff_t>(i));
  return out->empty() ? PMC_ERROR_NO_DATA : PMC_NO_ERROR;
}

void reset_for_test(const std::vector<std::string>& names) {
  loader().reset_for_test(names);
  g_getifaddrs = nullptr;
  g_freeifaddrs = nullptr;
}

}  // namespace NPmcIpHelpAPI
