// The option functions of the C interface: refresh and query the option
// reader of the opened device, and ask whether its sysObjectID lies under
// an identifier. Each checks its pointers first (-2), then that a device has
// been opened (-8).
#include <cstring>

#include "api/psw_handle.h"
#include "device/pmc_plugin_usm.h"
#include "psw/psw.h"
#include "psw/psw_options.hpp"

namespace {

// The common checks of the four getters; 0 when the reader may be asked.
int32_t check_getter(PSWHANDLE handle, const char* key, const void* out) {
  if (handle == nullptr || key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  if (handle->m_pOption == nullptr) return PSW_ERR_NOT_OPENED;
  return PSW_OK;
}

}  // namespace

extern "C" {

PSW_API int32_t PSWRefreshOptions(PSWHANDLE handle) {
  if (handle == nullptr) return PSW_ERR_ARGUMENT;
  if (handle->m_pOption == nullptr) return PSW_ERR_NOT_OPENED;
  return handle->m_pOption->refresh_options();
}

PSW_API int32_t PSWGetOptionValueBoolean(PSWHANDLE handle, const char* key, uint16_t, int16_t* value) {
  int32_t rc = check_getter(handle, key, value);
  if (rc != PSW_OK) return rc;
  // No yes/no key reads a tray: the index is not passed on.
  bool answer = false;
  rc = handle->m_pOption->get_option(key, &answer, 0);
  if (rc == PSW_OK) *value = answer ? 1 : 0;
  return rc;
}

PSW_API int32_t PSWGetOptionValueInteger(PSWHANDLE handle, const char* key, uint16_t index, int32_t* value) {
  int32_t rc = check_getter(handle, key, value);
  return rc != PSW_OK ? rc : handle->m_pOption->get_option(key, value, static_cast<int>(index));
}

PSW_API int32_t PSWGetOptionValueUInteger(PSWHANDLE handle, const char* key, uint16_t index, uint32_t* value) {
  int32_t rc = check_getter(handle, key, value);
  return rc != PSW_OK ? rc : handle->m_pOption->get_option(key, value, static_cast<int>(index));
}

PSW_API int32_t PSWGetOptionValueString(PSWHANDLE handle, const char* key, uint16_t index, char* buffer) {
  int32_t rc = check_getter(handle, key, buffer);
  if (rc != PSW_OK) return rc;
  const char* text = nullptr;
  rc = handle->m_pOption->get_option(key, &text, static_cast<int>(index));
  if (rc == PSW_OK) psw_copy_text(buffer, PSW_OPTION_TEXT_SIZE, text);
  return rc;
}

PSW_API PSW_BOOL16 PSWIsSupportedOID(PSWHANDLE handle, const char* oid) {
  if (handle == nullptr) return PSW_ERR_ARGUMENT;
  if (handle->m_pOption == nullptr) return 0;
  if (oid == nullptr || oid[0] == '\0') return 1;
  return handle->m_pOption->is_supported_OID(oid) ? 1 : 0;
}

}  // extern "C"
