#include "api/psw_transport_map.h"

#include "base/pmc_result.h"
#include "net/pmc_network_address.h"
#include "psw/psw.h"

int psw_map_transport(int32_t transport, int32_t* protocol) {
  if (protocol == nullptr) return PMC_E_ARG;
  switch (transport) {
    case PSW_TRANSPORT_UDP: *protocol = IPmcNetworkAddress::PROTOCOL_IPV4; return PMC_OK;
    case PSW_TRANSPORT_IPX: *protocol = IPmcNetworkAddress::PROTOCOL_IPX; return PMC_OK;
    case PSW_TRANSPORT_RESERVED: *protocol = IPmcNetworkAddress::PROTOCOL_RESERVED; return PMC_OK;
    case PSW_TRANSPORT_UDP6: *protocol = IPmcNetworkAddress::PROTOCOL_IPV6; return PMC_OK;
    default: return PMC_E_ARG;
  }
}
