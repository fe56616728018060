// The exported status functions: counts that read one table of the opened
// device, copies of the records read last, the printer status, the
// character sets and the job cancel.
//
// Every function checks, in this order: a null handle or pointer argument
// (-2), a kind out of range (-2), no device opened on the handle (-8). The
// copies then check the index against the table read last (-11). Nothing
// throws across this interface: an allocation failure deep in a reader
// becomes -3.
#include "api/psw_handle.h"
#include "api/psw_record_api.h"
#include "device/psw_device_status.h"
#include "psw/psw.h"
#include "snmp/pms_request_count.h"


using psw_api::copy_record;
using psw_api::count_records;
using psw_api::guarded;

extern "C" {

PSW_API int32_t PSWGetNumberOfStorageInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::storage_table, &CPSWDeviceStatus::read_storage_table);
}

PSW_API int32_t PSWGetStorageInfo(PSWHANDLE handle, int32_t index, PSWStorageInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::storage_table);
}

PSW_API int32_t PSWGetNumberOfDeviceInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::device_table, &CPSWDeviceStatus::read_device_table);
}

PSW_API int32_t PSWGetDeviceInfo(PSWHANDLE handle, int32_t index, PSWDeviceInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::device_table);
}

PSW_API int32_t PSWGetPrinterInfo(PSWHANDLE handle, PSWPrinterInfo* info) {
  if (handle == nullptr || info == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] {
    status->clear_printer_info();
    int rc = status->read_printer_status();
    // On failure the caller's buffer stays untouched.
    if (rc == PSW_OK) *info = status->printer_info();
    return rc;
  });
}

PSW_API int32_t PSWGetNumberOfInputTrayInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::input_tray_table, &CPSWDeviceStatus::read_input_tray_table);
}

PSW_API int32_t PSWGetInputTrayInfo(PSWHANDLE handle, int32_t index, PSWInputTrayInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::input_tray_table);
}

PSW_API int32_t PSWGetNumberOfOutputTrayInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::output_tray_table, &CPSWDeviceStatus::read_output_tray_table);
}

PSW_API int32_t PSWGetOutputTrayInfo(PSWHANDLE handle, int32_t index, PSWOutputTrayInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::output_tray_table);
}

PSW_API int32_t PSWGetNumberOfTonerInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::toner_table, &CPSWDeviceStatus::read_toner_table);
}

PSW_API int32_t PSWGetTonerInfo(PSWHANDLE handle, int32_t index, PSWTonerInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::toner_table);
}

PSW_API int32_t PSWGetNumberOfSupplyInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::supply_table, &CPSWDeviceStatus::read_supply_table);
}

PSW_API int32_t PSWGetSupplyInfo(PSWHANDLE handle, int32_t index, PSWSupplyInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::supply_table);
}

PSW_API int32_t PSWGetNumberOfAlertInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::alert_table, &CPSWDeviceStatus::read_alert_table);
}

PSW_API int32_t PSWGetAlertInfo(PSWHANDLE handle, int32_t index, PSWAlertInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::alert_table);
}

PSW_API int32_t PSWGetNumberOfJobInfo(PSWHANDLE handle, uint32_t kind, int32_t* count) {
  if (handle == nullptr || count == nullptr) return PSW_ERR_ARGUMENT;
  if (kind > PSW_JOBS_FINISHED) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] {
    status->job_table().clear();
    int rc = status->read_job_table(kind);
    if (rc == PSW_OK) *count = static_cast<int32_t>(status->job_table().size());
    return rc;
  });
}

PSW_API int32_t PSWGetJobInfo(PSWHANDLE handle, int32_t index, PSWJobInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::job_table);
}

PSW_API int32_t PSWCancelJob(PSWHANDLE handle, const char* jobId) {
  if (handle == nullptr || jobId == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] { return status->cancel_job(jobId); });
}

PSW_API int32_t PSWReadStatusTables(PSWHANDLE handle, uint32_t tables) {
  if (handle == nullptr) return PSW_ERR_ARGUMENT;
  if (tables == 0 || (tables & ~PSW_TABLE_ALL_STATUS) != 0) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] { return status->read_tables(tables); });
}

PSW_API int32_t PSWGetTableCount(PSWHANDLE handle, uint32_t table, int32_t* count) {
  if (handle == nullptr || count == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  size_t size = 0;
  switch (table) {
    case PSW_TABLE_STORAGE: size = status != nullptr ? status->storage_table().size() : 0; break;
    case PSW_TABLE_DEVICE: size = status != nullptr ? status->device_table().size() : 0; break;
    case PSW_TABLE_INPUT_TRAY: size = status != nullptr ? status->input_tray_table().size() : 0; break;
    case PSW_TABLE_OUTPUT_TRAY: size = status != nullptr ? status->output_tray_table().size() : 0; break;
    case PSW_TABLE_TONER: size = status != nullptr ? status->toner_table().size() : 0; break;
    case PSW_TABLE_SUPPLY: size = status != nullptr ? status->supply_table().size() : 0; break;
    case PSW_TABLE_ALERT: size = status != nullptr ? status->alert_table().size() : 0; break;
    case PSW_TABLE_MARKER: size = status != nullptr ? status->marker_table().size() : 0; break;
    case PSW_TABLE_COVER: size = status != nullptr ? status->cover_table().size() : 0; break;
    case PSW_TABLE_CONSOLE_LINE: size = status != nullptr ? status->console_line_table().size() : 0; break;
    case PSW_TABLE_CONSOLE_LIGHT: size = status != nullptr ? status->console_light_table().size() : 0; break;
    default: return PSW_ERR_ARGUMENT;
  }
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  *count = static_cast<int32_t>(size);
  return PSW_OK;
}

PSW_API int32_t PSWGetLastPrinterInfo(PSWHANDLE handle, PSWPrinterInfo* info) {
  if (handle == nullptr || info == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  *info = status->printer_info();
  return PSW_OK;
}

PSW_API uint32_t PSWGetThreadRequestCount(void) { return pms_thread_request_count(); }

PSW_API int32_t PSWGetCharSet(PSWHANDLE handle, uint32_t kind, int32_t* charSet) {
  if (handle == nullptr || charSet == nullptr) return PSW_ERR_ARGUMENT;
  if (kind > PSW_CHARSET_VENDOR) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] { return status->read_char_set(kind, charSet); });
}

}  // extern "C"
