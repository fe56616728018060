// PSWTransportAvailable: whether this computer can use a transport of the
// C interface. The answer comes from the process-wide address service.
#include "api/psw_transport_map.h"
#include "net/pmc_address_service.h"
#include "psw/psw.h"

extern "C" {

PSW_API PSW_BOOL16 PSWTransportAvailable(int32_t transport) {
  int32_t protocol = 0;
  if (psw_map_transport(transport, &protocol) != PMC_OK) return 0;
  if (protocol == IPmcNetworkAddress::PROTOCOL_RESERVED) return 0;
  IPmcAddressService* service = pmc_address_service(nullptr);
  if (service == nullptr) return 0;
  bool available = false;
  int rc = service->transport_available(static_cast<IPmcNetworkAddress::EProtocol>(protocol), &available);
  return rc == PMC_OK && available ? 1 : 0;
}

}  // extern "C"
