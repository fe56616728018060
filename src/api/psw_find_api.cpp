// The exported functions of the device search: the two search forms, the
// model filters and the walk over the devices found. Each checks its
// pointer arguments first and hands the work to the handle's discovery
// object.
#include <cstring>

#include "api/psw_handle.h"
#include "api/psw_transport_map.h"
#include "device/psw_discovery.h"
#include "net/pmc_network_address.h"
#include "psw/psw.h"

namespace {

// The destination of a search without an address: the IPv4 limited
// broadcast, the IPv6 all-nodes multicast, or every node on any IPX network.
const char* default_destination(int32_t protocol) {
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPX: return CPSWDiscovery::kIpxBroadcast;
    case IPmcNetworkAddress::PROTOCOL_IPV6: return CPSWDiscovery::kIpv6AllNodes;
    default: return CPSWDiscovery::kIpv4Broadcast;
  }
}

// The common routine of both search forms.
int32_t find_devices(PSWHANDLE handle, const char* address, int32_t transport, int32_t snmpMode,
                     const PSWUSMSettings* settings, int32_t timeout, int32_t retries, int32_t* count) {
  if (handle == nullptr || count == nullptr || settings == nullptr) return PSW_ERR_ARGUMENT;
  int32_t protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  if (psw_map_transport(transport, &protocol) != PMC_OK) return PSW_ERR_ARGUMENT;
  if (protocol == IPmcNetworkAddress::PROTOCOL_RESERVED) return PSW_ERR_UNSUPPORTED;
  const char* destination = address != nullptr ? address : default_destination(protocol);

  // The block is copied whole before use, so a caller changing it meanwhile
  // (another thread) cannot tear the settings.
  PSWUSMSettings block;
  std::memcpy(&block, settings, sizeof block);
  handle->m_pUSM->set(snmpMode, &block);
  // An empty find community keeps the one an earlier search used.
  handle->m_pDiscovery->set_community(handle->m_communityFind.c_str());
  handle->m_pDiscovery->set_any_model(handle->m_bAnyModel);
  handle->m_pDiscovery->set_community_version(handle->m_nCommunityVersion);
  return handle->m_pDiscovery->search(destination, protocol, *handle->m_pUSM, timeout, retries, count);
}

}  // namespace

extern "C" {

PSW_API int32_t PSWFindDeviceSNMP(PSWHANDLE handle, const char* address, int32_t transport, int32_t timeout,
                                  int32_t retries, int32_t* count) {
  static const PSWUSMSettings kZeroBlock = {};
  return find_devices(handle, address, transport, PSW_SNMP_MODE_COMMUNITY, &kZeroBlock, timeout, retries,
                      count);
}

PSW_API int32_t PSWFindDeviceSNMPEx(PSWHANDLE handle, const char* address, int32_t transport, int32_t snmpMode,
                                    const PSWUSMSettings* settings, int32_t timeout, int32_t retries,
                                    int32_t* count) {
  return find_devices(handle, address, transport, snmpMode, settings, timeout, retries, count);
}

PSW_API int32_t PSWFindAddFilter(PSWHANDLE handle, const char* filter) {
  if (handle == nullptr || filter == nullptr) return PSW_ERR_ARGUMENT;
  return handle->m_pDiscovery->add_filter(filter);
}

PSW_API void PSWFindClearFilter(PSWHANDLE handle) {
  if (handle != nullptr) handle->m_pDiscovery->clear_filters();
}

PSW_API void PSWFindResetPosition(PSWHANDLE handle) {
  if (handle != nullptr) handle->m_pDiscovery->reset_position();
}

PSW_API PSW_BOOL16 PSWGetDeviceNext(PSWHANDLE handle, char* address, char* modelName, char* flag,
                                    char* sysObjectId) {
  if (handle == nullptr) return 0;
  return handle->m_pDiscovery->get_next(address, modelName, flag, sysObjectId) ? 1 : 0;
}

}  // extern "C"
