// NPmcIpHelpAPI: the host's network adapters and their addresses.
//
// Answers the two questions the transport check asks: per adapter its type
// and first IPv4 address as dotted text, and per adapter its type and first
// unicast address of a family. Both follow the two-call buffer protocol of
// the classic adapter queries: ask with no buffer for the size, allocate,
// ask again. On Windows the answers come from IP Helper ("iphlpapi.dll",
// loaded on first use: "GetBestInterfaceEx", "GetAdaptersInfo",
// "GetAdaptersAddresses", each optional); elsewhere from the C library's
// interface list ("getifaddrs", "freeifaddrs"), linked in.
#pragma once

#include "net/pmc_sys_socket.h"

#include <cstdint>
#include <string>
#include <vector>

namespace NPmcIpHelpAPI {

// Answers of the adapter queries.
enum : uint32_t {
  PMC_NO_ERROR = 0,
  PMC_ERROR_NOT_SUPPORTED = 50,    // the interface list entry points are missing
  PMC_ERROR_INVALID_PARAMETER = 87,
  PMC_ERROR_BUFFER_OVERFLOW = 111,  // no buffer, or too small: *size holds the size needed
  PMC_ERROR_NO_DATA = 232,          // no adapter at all
};

// Adapter types, from the interface's link type.
enum : uint32_t {
  PMC_IF_TYPE_OTHER = 1,
  PMC_IF_TYPE_ETHERNET = 6,
  PMC_IF_TYPE_LOOPBACK = 24,
  PMC_IF_TYPE_TUNNEL = 131,  // IP-in-IP, IPv6-in-IPv4, GRE
};

// One adapter of get_adapters_info.
struct AdapterInfo {
  uint32_t type;
  char ip_address[16];  // first IPv4 address, "0.0.0.0" when it has none
};

// One adapter of get_adapters_addresses.
struct AdapterAddresses {
  uint32_t if_type;
  bool has_unicast;                      // false: first_unicast is all zero
  struct sockaddr_storage first_unicast;  // first address of the family asked
};

// One interface a local search can go out on: up, not loopback, and able
// to reach its neighbours by IPv4 broadcast or IPv6 multicast.
struct SearchInterface {
  std::string name;            // "eth0"; what the system calls the interface
  std::string zone;            // the zone of its IPv6 link: the name, or on Windows its index
  std::string ipv4_address;    // first IPv4 address, empty when it has none
  std::string ipv4_broadcast;  // its broadcast address, empty when none
  bool ipv6 = false;           // has an IPv6 address and takes multicast
};

// 0, -10 when the library cannot be loaded, else the result of set_api (0).
int load();
// Binds each entry point it finds; a missing one is logged and stays null.
int set_api(void* module);

// Adapters with their first IPv4 address. `buffer` may be null to ask for the
// size. PMC_ERROR_NO_DATA when the host lists no adapter.
uint32_t get_adapters_info(AdapterInfo* buffer, uint32_t* size);
// Adapters with their first unicast address of `family` (AF_UNSPEC: any).
// `flags` may carry the classic skip/include bits; unicast addresses are all
// this layer reports, so they change nothing.
uint32_t get_adapters_addresses(int family, uint32_t flags, AdapterAddresses* buffer, uint32_t* size);

// The interfaces of this host that a search of every local network uses,
// in the order the system lists them. PMC_ERROR_NOT_SUPPORTED when the
// interface list cannot be read, PMC_ERROR_NO_DATA when no interface
// qualifies; `out` is then empty.
uint32_t get_search_interfaces(std::vector<SearchInterface>* out);

// For tests: unloads and tries `names` from the next load on (empty: the
// default, "iphlpapi.dll" on Windows, the linked-in C library elsewhere).
void reset_for_test(const std::vector<std::string>& names);

}  // namespace NPmcIpHelpAPI
