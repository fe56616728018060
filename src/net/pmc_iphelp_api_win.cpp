// NPmcIpHelpAPI on Windows: IP Helper, loaded on first use. Each entry point
// is optional; a missing one is logged, stays null, and makes the questions
// that need it unanswerable (PMC_ERROR_NOT_SUPPORTED), which the transport
// check answers with its fallbacks.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_iphelp_backend.h"
#include "platform/pmc_platform.h"

namespace NPmcIpHelpAPI {
namespace {

using GetBestInterfaceExFn = DWORD(WINAPI*)(struct sockaddr*, PDWORD);
using GetAdaptersInfoFn = ULONG(WINAPI*)(PIP_ADAPTER_INFO, PULONG);
using GetAdaptersAddressesFn = ULONG(WINAPI*)(ULONG, ULONG, PVOID, PIP_ADAPTER_ADDRESSES, PULONG);

// Written only by set_api before the module is published, read afterwards.
GetBestInterfaceExFn g_getBestInterfaceEx = nullptr;
GetAdaptersInfoFn g_getAdaptersInfo = nullptr;
GetAdaptersAddressesFn g_getAdaptersAddresses = nullptr;

CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({"iphlpapi.dll"}, &set_api);
  return s_loader;
}

// One of IP Helper's lists, fetched with its two-call buffer protocol and
// owned for the length of one query.
template <class Record>
struct AdapterList {
  std::unique_ptr<unsigned char[]> bytes;
  ULONG rc = ERROR_NO_DATA;
  const Record* first() const { return reinterpret_cast<const Record*>(bytes.get()); }
};

AdapterList<IP_ADAPTER_INFO> fetch_info() {
  AdapterList<IP_ADAPTER_INFO> list;
  ULONG size = 0;
  list.rc = g_getAdaptersInfo(nullptr, &size);
  if (list.rc != ERROR_BUFFER_OVERFLOW) return list;
  list.bytes.reset(new (std::nothrow) unsigned char[size]);
  if (!list.bytes) {
    list.rc = ERROR_NOT_ENOUGH_MEMORY;
    return list;
  }
  list.rc = g_getAdaptersInfo(reinterpret_cast<PIP_ADAPTER_INFO>(list.bytes.get()), &size);
  return list;
}

AdapterList<IP_ADAPTER_ADDRESSES> fetch_addresses(ULONG family, ULONG flags) {
  AdapterList<IP_ADAPTER_ADDRESSES> list;
  // The list may grow between the two calls: ask again while it does.
  ULONG size = 15 * 1024;
  for (int attempt = 0; attempt < 3; ++attempt) {
    list.bytes.reset(new (std::nothrow) unsigned char[size]);
    if (!list.bytes) {
      list.rc = ERROR_NOT_ENOUGH_MEMORY;
      return list;
    }
    list.rc = g_getAdaptersAddresses(family, flags, nullptr,
                                     reinterpret_cast<PIP_ADAPTER_ADDRESSES>(list.bytes.get()), &size);
    if (list.rc != ERROR_BUFFER_OVERFLOW) break;
  }
  return list;
}

// IP Helper's answers, in the numbering this layer reports.
uint32_t our_error(ULONG rc) {
  switch (rc) {
    case ERROR_NO_DATA: return PMC_ERROR_NO_DATA;
    case ERROR_INVALID_PARAMETER: return PMC_ERROR_INVALID_PARAMETER;
    default: return PMC_ERROR_NOT_SUPPORTED;
  }
}

std::string ipv4_text(const struct sockaddr* address) {
  char text[INET_ADDRSTRLEN] = {};
  const auto* in = reinterpret_cast<const struct sockaddr_in*>(address);
  const unsigned char* b = reinterpret_cast<const unsigned char*>(&in->sin_addr);
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
  return text;
}

// The broadcast address of an IPv4 address and its prefix length.
std::string ipv4_broadcast(const struct sockaddr* address, unsigned prefix) {
  if (prefix == 0 || prefix > 30) return std::string();  // no neighbours to reach
  struct sockaddr_in broadcast;
  std::memcpy(&broadcast, address, sizeof broadcast);
  // The host bits set, octet by octet (the address is in network order).
  auto* b = reinterpret_cast<unsigned char*>(&broadcast.sin_addr);
  for (unsigned bit = prefix; bit < 32; ++bit) b[bit / 8] |= static_cast<unsigned char>(0x80u >> (bit % 8));
  return ipv4_text(reinterpret_cast<const struct sockaddr*>(&broadcast));
}

std::string narrow(const wchar_t* text) {
  std::string out;
  for (; text != nullptr && *text != 0; ++text) out.push_back(*text < 0x80 ? static_cast<char>(*text) : '?');
  return out;
}

}  // namespace

int set_api(void* module) {
  PMC_TRACE_FUNCTION(g_logSocket);
  bind_optional(module, "GetBestInterfaceEx", &g_getBestInterfaceEx);
  bind_optional(module, "GetAdaptersInfo", &g_getAdaptersInfo);
  bind_optional(module, "GetAdaptersAddresses", &g_getAdaptersAddresses);
  return PMC_OK;
}

int load() { return loader().load(); }

uint32_t get_adapters_info(AdapterInfo* buffer, uint32_t* size) {
  if (size == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  if (load() != PMC_OK || g_getAdaptersInfo == nullptr) return PMC_ERROR_NOT_SUPPORTED;
  AdapterList<IP_ADAPTER_INFO> list = fetch_info();
  if (list.rc != NO_ERROR) return our_error(list.rc);
  size_t count = 0;
  for (const IP_ADAPTER_INFO* a = list.first(); a != nullptr; a = a->Next) ++count;
  uint32_t rc = check_buffer(count, sizeof(AdapterInfo), buffer, size);
  if (rc != PMC_NO_ERROR) return rc;
  size_t i = 0;
  for (const IP_ADAPTER_INFO* a = list.first(); a != nullptr; a = a->Next, ++i) {
    std::memset(&buffer[i], 0, sizeof buffer[i]);
    buffer[i].type = a->Type;
    std::snprintf(buffer[i].ip_address, sizeof buffer[i].ip_address, "%s", a->IpAddressList.IpAddress.String);
  }
  return PMC_NO_ERROR;
}

uint32_t get_adapters_addresses(int family, uint32_t flags, AdapterAddresses* buffer, uint32_t* size) {
  if (size == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  if (family != AF_UNSPEC && family != AF_INET && family != AF_INET6) return PMC_ERROR_INVALID_PARAMETER;
  if (load() != PMC_OK || g_getAdaptersAddresses == nullptr) return PMC_ERROR_NOT_SUPPORTED;
  AdapterList<IP_ADAPTER_ADDRESSES> list = fetch_addresses(static_cast<ULONG>(family), flags);
  if (list.rc != NO_ERROR) return our_error(list.rc);
  size_t count = 0;
  for (const IP_ADAPTER_ADDRESSES* a = list.first(); a != nullptr; a = a->Next) ++count;
  uint32_t rc = check_buffer(count, sizeof(AdapterAddresses), buffer, size);
  if (rc != PMC_NO_ERROR) return rc;
  size_t i = 0;
  for (const IP_ADAPTER_ADDRESSES* a = list.first(); a != nullptr; a = a->Next, ++i) {
    std::memset(&buffer[i], 0, sizeof buffer[i]);
    buffer[i].if_type = a->IfType;
    const IP_ADAPTER_UNICAST_ADDRESS* first = a->FirstUnicastAddress;
    if (first == nullptr || first->Address.lpSockaddr == nullptr) continue;
    size_t length = static_cast<size_t>(first->Address.iSockaddrLength);
    if (length > sizeof buffer[i].first_unicast) length = sizeof buffer[i].first_unicast;
    buffer[i].has_unicast = true;
    std::memcpy(&buffer[i].first_unicast, first->Address.lpSockaddr, length);
  }
  return PMC_NO_ERROR;
}

uint32_t get_search_interfaces(std::vector<SearchInterface>* out) {
  if (out == nullptr) return PMC_ERROR_INVALID_PARAMETER;
  out->clear();
  if (load() != PMC_OK || g_getAdaptersAddresses == nullptr) return PMC_ERROR_NOT_SUPPORTED;
  AdapterList<IP_ADAPTER_ADDRESSES> list =
      fetch_addresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_DNS_SERVER | GAA_FLAG_SKIP_MULTICAST);
  if (list.rc != NO_ERROR) return list.rc == ERROR_NO_DATA ? PMC_ERROR_NO_DATA : PMC_ERROR_NOT_SUPPORTED;
  try {
    for (const IP_ADAPTER_ADDRESSES* a = list.first(); a != nullptr; a = a->Next) {
      if (a->OperStatus != IfOperStatusUp || a->IfType == IF_TYPE_SOFTWARE_LOOPBACK) continue;
      SearchInterface found;
      found.name = narrow(a->FriendlyName);
      if (found.name.empty() && a->AdapterName != nullptr) found.name = a->AdapterName;
      found.zone = std::to_string(a->Ipv6IfIndex != 0 ? a->Ipv6IfIndex : a->IfIndex);
      const bool multicast = (a->Flags & IP_ADAPTER_NO_MULTICAST) == 0;
      for (const IP_ADAPTER_UNICAST_ADDRESS* u = a->FirstUnicastAddress; u != nullptr; u = u->Next) {
        const struct sockaddr* sa = u->Address.lpSockaddr;
        if (sa == nullptr) continue;
        if (sa->sa_family == AF_INET6) {
          found.ipv6 = found.ipv6 || multicast;
        } else if (sa->sa_family == AF_INET && found.ipv4_address.empty()) {
          found.ipv4_address = ipv4_text(sa);
          found.ipv4_broadcast = ipv4_broadcast(sa, u->OnLinkPrefixLength);
        }
      }
      // An interface with neither a broadcast address nor IPv6 multicast
      // cannot be searched.
      if (!found.ipv4_broadcast.empty() || found.ipv6) out->push_back(std::move(found));
    }
  } catch (const std::bad_alloc&) {
    out->clear();
    return PMC_ERROR_NO_DATA;
  }
  return out->empty() ? PMC_ERROR_NO_DATA : PMC_NO_ERROR;
}

void reset_for_test(const std::vector<std::string>& names) {
  loader().reset_for_test(names);
  g_getBestInterfaceEx = nullptr;
  g_getAdaptersInfo = nullptr;
  g_getAdaptersAddresses = nullptr;
}

}  // namespace NPmcIpHelpAPI
