#include "device/psw_any_model_option.h"

#include <cstring>

#include "base/pmc_text.h"
#include "device/psw_dev_comm_option_keys.h"
#include "device/psw_dev_comm_option_request.h"
#include "device/psw_falcon_option.h"
#include "device/psw_printer_probe.h"
#include "log/pmc_log.h"

CPSWAnyModelOption::CPSWAnyModelOption() : m_szDeviceSysObjectId(), m_bForeign(false) {}

int32_t CPSWAnyModelOption::Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
                                 uint32_t retries, uint32_t maxMessageSize) {
  m_bForeign = false;
  int32_t rc = CPSWDevCommOption::Init(protocol, address, settings, timeout, retries, maxMessageSize);
  if (rc != PSW_OK) return rc;
  char sysObjectId[PMC_GET_DATA_TEXT_SIZE] = {};
  {
    PSWOptionRequest request(*this);
    rc = request.read_sys_object_id(sysObjectId);
  }
  if (rc != PSW_OK) return rc;
  std::memset(m_szDeviceSysObjectId, 0, sizeof m_szDeviceSysObjectId);
  psw_copy_text(m_szDeviceSysObjectId, sysObjectId);
  if (psw_is_falcon_sys_object_id(sysObjectId)) return PSW_OK;

  PSWOptionRequest probeRequest(*this);
  rc = probeRequest.open();
  PSWPrinterProbe probe;
  if (rc == PSW_OK) rc = psw_probe_printer(probeRequest, &probe);
  if (rc != PSW_OK) return rc;
  if (!probe.printer) {
    PMC_LOG(g_logPsw, PMC_LOG_INFO, "device %s (%s) has no Printer MIB: refused", m_szAddress, sysObjectId);
    return PSW_ERR_ARGUMENT;
  }
  m_bForeign = true;
  return PSW_OK;
}

bool CPSWAnyModelOption::is_supported_OID(const char* oid) {
  if (oid == nullptr) return true;
  return std::strncmp(m_szDeviceSysObjectId, oid, std::strlen(oid)) == 0;
}

int32_t CPSWAnyModelOption::refresh_options() {
  if (!m_bForeign) return CPSWFalconOption::refresh_options();
  initialize_data();
  int32_t (CPSWAnyModelOption::*const kReaders[])() = {
      &CPSWAnyModelOption::refresh_system_attributes, &CPSWAnyModelOption::refresh_input_tray_table,
      &CPSWAnyModelOption::refresh_output_tray_table, &CPSWAnyModelOption::refresh_memory_size,
      &CPSWAnyModelOption::refresh_prt_media_table,
  };
  // Its Gets and walks go together, as those of the maker's own devices do.
  PSWOptionGathering gathering(*this);
  int rc = psw_gather_standard_options(gathering);
  if (psw_option_unreachable(rc)) return rc;
  for (auto reader : kReaders) {
    int32_t rc = (this->*reader)();
    if (rc != PSW_OK) return rc;  // what was read so far stays
  }
  return PSW_OK;
}

int32_t CPSWAnyModelOption::check_key(const char* key) const {
  return m_bForeign && !psw_option_key_is_standard(key) ? PSW_ERR_UNSUPPORTED : PSW_OK;
}

int32_t CPSWAnyModelOption::get_option(const char* key, const char** out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  int32_t rc = check_key(key);
  return rc != PSW_OK ? rc : CPSWFalconOption::get_option(key, out, index);
}

int32_t CPSWAnyModelOption::get_option(const char* key, int32_t* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  int32_t rc = check_key(key);
  return rc != PSW_OK ? rc : CPSWFalconOption::get_option(key, out, index);
}

int32_t CPSWAnyModelOption::get_option(const char* key, bool* out, int index) const {
  if (key == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  int32_t rc = check_key(key);
  return rc != PSW_OK ? rc : CPSWFalconOption::get_option(key, out, index);
}
