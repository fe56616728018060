#include "device/psw_connection.h"

#include <cstring>

#include "base/pmc_result.h"
#include "net/pmc_network_address.h"

uint16_t psw_snmp_port_of(int32_t protocol) {
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4:
    case IPmcNetworkAddress::PROTOCOL_IPV6:
      return 161;
    case IPmcNetworkAddress::PROTOCOL_IPX:
      return 36879;
    default:
      return 0;
  }
}

bool psw_timing_is_usable(int32_t timeout, int32_t retries) { return timeout >= 0 && retries >= 0; }

int psw_make_connection(int32_t protocol, const char* address, const PmcUsmSettings& usm, int32_t timeout,
                        int32_t retries, uint32_t max_message_size, PSWConnection* out) {
  if (address == nullptr || out == nullptr) return PMC_E_ARG;
  if (std::strlen(address) >= PSWConnection::kAddressSize) return PMC_E_ARG;
  const uint16_t port = psw_snmp_port_of(protocol);
  if (port == 0 || !psw_timing_is_usable(timeout, retries)) return PMC_E_ARG;
  PSWConnection c;
  std::memcpy(c.address, address, std::strlen(address) + 1);
  c.protocol = protocol;
  c.port = port;
  c.timeout = timeout;
  c.retries = retries;
  c.max_message_size = max_message_size;
  c.usm = usm;
  *out = c;
  return PMC_OK;
}
