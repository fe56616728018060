// Device opening: PSWInitDevice and PSWInitDeviceEx create the option
// reader of the device, which checks the model with one request, and the
// status object that later reads its tables; both keep the connection
// parameters every later request uses.
#include <new>

#include "api/psw_handle.h"
#include "api/psw_transport_map.h"
#include "device/psw_any_model_option.h"
#include "device/psw_connection.h"
#include "device/psw_device_status.h"
#include "device/psw_option_version.h"
#include "psw/psw.h"
#include "psw/psw_options.hpp"

namespace {

// Let the request layer choose the message size (1400 over UDP, 546 over IPX).
constexpr uint32_t kDefaultMessageSize = 0;

int32_t open_device(PSWHANDLE handle, const char* address, int32_t transport, int32_t snmpMode,
                    const PSWUSMSettings* settings, int32_t timeout, int32_t retries) {
  if (handle == nullptr || address == nullptr || settings == nullptr) return PSW_ERR_ARGUMENT;
  int32_t protocol = 0;
  if (psw_map_transport(transport, &protocol) != PSW_OK) return PSW_ERR_ARGUMENT;
  const PSWUSMSettings block = *settings;

  // The reader of an earlier opening goes now; the new one stays even when
  // its Init fails, as the option functions then answer from it.
  // With "CmdSetAnyModel" on, the reader accepts printers of other models
  // too; for the supported model it answers as the usual one.
  // Both carry the handle's choice of version for community-based requests.
  CPSWFalconOption* option = nullptr;
  PSWCommunityVersionHolder* version = nullptr;
  if (handle->m_bAnyModel) {
    auto* reader = new (std::nothrow) CPSWAnyModelOption();
    option = reader;
    version = reader;
  } else {
    auto* reader = new (std::nothrow) PSWHandleFalconOption();
    option = reader;
    version = reader;
  }
  if (option == nullptr) return PSW_ERR_NO_MEMORY;
  handle->m_pOption.reset(option);
  version->set_community_version(handle->m_nCommunityVersion);
  version->set_bulk_repetitions(handle->m_nBulkRepetitions);

  handle->m_pUSM->set(snmpMode, &block);
  // The connection every later status request uses, built and checked once
  // here; the option reader keeps its own copy, which is part of its
  // exported layout, and checks it the same way.
  PSWConnection connection;
  int32_t rc = psw_make_connection(protocol, address, psw_usm_settings_of(*handle->m_pUSM), timeout, retries,
                                   kDefaultMessageSize, &connection);
  // Nothing is sent for arguments no exchange could use.
  if (rc != PSW_OK) return rc;
  connection.community = handle->m_communityGetOption;
  connection.community_version = handle->m_nCommunityVersion;
  connection.bulk_repetitions = handle->m_nBulkRepetitions;

  if (handle->m_communityGetOption.is_set()) option->SetCommunityStr(handle->m_communityGetOption.c_str());
  rc = option->Init(protocol, address, handle->m_pUSM.get(), static_cast<uint32_t>(timeout),
                            static_cast<uint32_t>(retries), kDefaultMessageSize);
  // A device that failed its check leaves the status object as it was.
  if (rc != PSW_OK) return rc;

  int err = PSW_OK;
  CPSWDeviceStatus* status = pmc_make<CPSWDeviceStatus>(&err);
  if (status == nullptr) return err;
  handle->m_pStatus.reset(status);
  status->setup(connection);
  if (handle->m_communityWrite.is_set()) status->set_write_community(handle->m_communityWrite.c_str());
  return PSW_OK;
}

}  // namespace

extern "C" {

PSW_API int32_t PSWInitDevice(PSWHANDLE handle, const char* address, int32_t transport, int32_t timeout,
                              int32_t retries) {
  // Community-based requests with the settings object's defaults.
  static const PSWUSMSettings kZeroBlock = {};
  return open_device(handle, address, transport, PSW_SNMP_MODE_COMMUNITY, &kZeroBlock, timeout, retries);
}

PSW_API int32_t PSWInitDeviceEx(PSWHANDLE handle, const char* address, int32_t transport, int32_t snmpMode,
                                const PSWUSMSettings* settings, int32_t timeout, int32_t retries) {
  return open_device(handle, address, transport, snmpMode, settings, timeout, retries);
}

}  // extern "C"
