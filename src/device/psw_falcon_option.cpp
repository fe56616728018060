// The option reader of the supported model: the base reader plus a model
// check in Init and the question whether the device's sysObjectID lies
// under a given identifier.
#include "device/psw_falcon_option.h"

#include <cstring>

#include "device/pmc_plugin_usm.h"
#include "device/psw_dev_comm_option_request.h"
#include "log/pmc_log.h"
#include "psw/psw_options.hpp"

bool psw_sys_object_id_within(const char* sysObjectId, const char* prefix) {
  if (sysObjectId == nullptr || prefix == nullptr) return false;
  const size_t length = std::strlen(prefix);
  if (std::strncmp(sysObjectId, prefix, length) != 0) return false;
  return sysObjectId[length] == '\0' || sysObjectId[length] == '.';
}

CPSWFalconOption::CPSWFalconOption() : m_szSysObjectId() {}
CPSWFalconOption::CPSWFalconOption(const CPSWFalconOption& other) = default;
CPSWFalconOption& CPSWFalconOption::operator=(const CPSWFalconOption& other) = default;
CPSWFalconOption::~CPSWFalconOption() = default;

int32_t CPSWFalconOption::Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
                               uint32_t retries, uint32_t maxMessageSize) {
  int32_t rc = CPSWDevCommOption::Init(protocol, address, settings, timeout, retries, maxMessageSize);
  return rc != PSW_OK ? rc : is_supported_device();
}

int32_t CPSWFalconOption::is_supported_device() {
  PSWOptionRequest request(*this);
  char sysObjectId[PMC_GET_DATA_TEXT_SIZE] = {};
  int rc = request.read_sys_object_id(sysObjectId);
  if (rc != PSW_OK) return rc;
  // Kept whether or not the model matches, so callers can still ask what
  // the device is.
  std::memset(m_szSysObjectId, 0, sizeof m_szSysObjectId);
  psw_copy_text(m_szSysObjectId, sysObjectId);
  return psw_is_falcon_sys_object_id(sysObjectId) ? PSW_OK : PSW_ERR_ARGUMENT;
}

bool CPSWFalconOption::is_supported_OID(const char* oid) {
  if (oid == nullptr) return true;
  return std::strncmp(m_szSysObjectId, oid, std::strlen(oid)) == 0;
}

int32_t CPSWFalconOption::get_option(const char* key, const char** out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return CPSWDevCommOption::get_option(key, out, index);
}

int32_t CPSWFalconOption::get_option(const char* key, int32_t* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return CPSWDevCommOption::get_option(key, out, index);
}

int32_t CPSWFalconOption::get_option(const char* key, bool* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  return CPSWDevCommOption::get_option(key, out, index);
}
