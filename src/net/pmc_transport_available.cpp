#include "net/pmc_transport_available.h"

#include "net/pmc_sys_socket.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "base/pmc_result.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_network_address.h"

namespace {

using namespace NPmcIpHelpAPI;

struct FreeDeleter {
  void operator()(void* p) const { std::free(p); }
};

// Adapter flags of the IPv6 query: skip anycast, multicast and DNS servers,
// include prefixes.
constexpr uint32_t kIpv6QueryFlags = 0x2 | 0x4 | 0x8 | 0x10;

bool any_ipv4_adapter(const AdapterInfo* adapters, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    // An adapter still showing 0.0.0.0 has no address yet.
    if (adapters[i].type != PMC_IF_TYPE_LOOPBACK && std::strcmp(adapters[i].ip_address, "0.0.0.0") != 0) {
      return true;
    }
  }
  return false;
}

bool any_ipv6_adapter(const AdapterAddresses* adapters, size_t count) {
  static const uint8_t kZero[16] = {};
  for (size_t i = 0; i < count; ++i) {
    const AdapterAddresses& a = adapters[i];
    if (!a.has_unicast || a.if_type == PMC_IF_TYPE_LOOPBACK || a.if_type == PMC_IF_TYPE_TUNNEL) continue;
    if (a.first_unicast.ss_family != AF_INET6) continue;
    const auto* in6 = reinterpret_cast<const struct sockaddr_in6*>(&a.first_unicast);
    if (std::memcmp(&in6->sin6_addr, kZero, sizeof(kZero)) != 0) return true;
  }
  return false;
}

}  // namespace

int pmc_ipv4_by_adapters(PmcAdapterAnswer* answer) {
  *answer = PmcAdapterAnswer::kUndecided;
  if (NPmcIpHelpAPI::load() != PMC_OK) return PMC_OK;
  uint32_t size = 0;
  uint32_t rc = get_adapters_info(nullptr, &size);
  if (rc == PMC_ERROR_NO_DATA) {
    *answer = PmcAdapterAnswer::kNotAvailable;
    return PMC_OK;
  }
  if (rc != PMC_ERROR_BUFFER_OVERFLOW) return PMC_OK;
  if (size == 0) return PMC_E_NOMEM;
  std::unique_ptr<AdapterInfo, FreeDeleter> buffer(static_cast<AdapterInfo*>(std::malloc(size)));
  if (!buffer) return PMC_E_NOMEM;
  const uint32_t capacity = size;
  if (get_adapters_info(buffer.get(), &size) != PMC_NO_ERROR) return PMC_OK;
  size_t count = (size < capacity ? size : capacity) / sizeof(AdapterInfo);
  *answer = any_ipv4_adapter(buffer.get(), count) ? PmcAdapterAnswer::kAvailable : PmcAdapterAnswer::kNotAvailable;
  return PMC_OK;
}

int pmc_ipv6_by_adapters(bool* available) {
  *available = false;
  if (NPmcIpHelpAPI::load() != PMC_OK) return PMC_OK;
  uint32_t size = 0;
  if (get_adapters_addresses(AF_INET6, kIpv6QueryFlags, nullptr, &size) != PMC_ERROR_BUFFER_OVERFLOW) {
    return PMC_OK;
  }
  std::unique_ptr<AdapterAddresses, FreeDeleter> buffer(static_cast<AdapterAddresses*>(std::malloc(size)));
  if (!buffer) return PMC_E_NOMEM;
  const uint32_t capacity = size;
  if (get_adapters_addresses(AF_INET6, kIpv6QueryFlags, buffer.get(), &size) != PMC_NO_ERROR) return PMC_OK;
  size_t count = (size < capacity ? size : capacity) / sizeof(AdapterAddresses);
  *available = any_ipv6_adapter(buffer.get(), count);
  return PMC_OK;
}

bool pmc_socket_probe(int protocol) {
  DataGramSocket* socket = nullptr;
  if (pmc_create_datagram_socket(protocol, 0, &socket) != PMC_OK) return false;
  socket->release();
  return true;
}

int pmc_transport_available(int protocol, bool* available) {
  if (available == nullptr) return PMC_E_ARG;
  *available = false;
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: {
      PmcAdapterAnswer answer = PmcAdapterAnswer::kUndecided;
      int rc = pmc_ipv4_by_adapters(&answer);
      if (rc != PMC_OK) return rc;
      *available = answer == PmcAdapterAnswer::kUndecided ? pmc_socket_probe(protocol)
                                                          : answer == PmcAdapterAnswer::kAvailable;
      return PMC_OK;
    }
    case IPmcNetworkAddress::PROTOCOL_IPV6:
      return pmc_ipv6_by_adapters(available);
    default:
      *available = pmc_socket_probe(protocol);
      return PMC_OK;
  }
}
