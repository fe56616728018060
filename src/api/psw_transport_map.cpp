#include "api/psw_transport_map.h"

#include "base/pmc_result.h"
#include "psw/psw.h"

int psw_map_transport(int32_t transport, int32_t* protocol) {
  if (protocol == nullptr) return PMC_E_ARG;
  switch (transport) {
    case PSW_TRANSPORT_UDP: *protocol = 1; return PMC_OK;       // PROTOCOL_IPV4
    case PSW_TRANSPORT_IPX: *protocol = 2; return PMC_OK;       // PROTOCOL_IPX
    case PSW_TRANSPORT_RESERVED: *protocol = 3; return PMC_OK;  // PROTOCOL_RESERVED
    case PSW_TRANSPORT_UDP6: *protocol = 4; return PMC_OK;      // PROTOCOL_IPV6
    default: return PMC_E_ARG;
  }
}
