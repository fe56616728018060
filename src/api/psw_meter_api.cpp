// The exported meter reads and identity of an opened device: the device's
// identity, its markers with their page counters, covers, the console's
// display lines and lights; and the supply level as a percentage, which
// needs no device.
//
// Checks as for the status functions: a null handle or pointer (-2), no
// device opened (-8), then the index of a copy (-11).
#include "api/psw_handle.h"
#include "api/psw_record_api.h"
#include "device/psw_device_status.h"
#include "device/psw_supply_level.h"
#include "psw/psw.h"

using psw_api::copy_record;
using psw_api::count_records;
using psw_api::guarded;

extern "C" {

PSW_API int32_t PSWGetIdentityInfo(PSWHANDLE handle, PSWIdentityInfo* info) {
  if (handle == nullptr || info == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  // On failure the caller's record stays untouched.
  return guarded([&] { return status->read_identity(info); });
}

PSW_API int32_t PSWGetNumberOfMarkerInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::marker_table, &CPSWDeviceStatus::read_marker_table);
}

PSW_API int32_t PSWGetMarkerInfo(PSWHANDLE handle, int32_t index, PSWMarkerInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::marker_table);
}

PSW_API int32_t PSWGetNumberOfCoverInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::cover_table, &CPSWDeviceStatus::read_cover_table);
}

PSW_API int32_t PSWGetCoverInfo(PSWHANDLE handle, int32_t index, PSWCoverInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::cover_table);
}

PSW_API int32_t PSWGetNumberOfConsoleLineInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::console_line_table,
                       &CPSWDeviceStatus::read_console_line_table);
}

PSW_API int32_t PSWGetConsoleLineInfo(PSWHANDLE handle, int32_t index, PSWConsoleLineInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::console_line_table);
}

PSW_API int32_t PSWGetNumberOfConsoleLightInfo(PSWHANDLE handle, int32_t* count) {
  return count_records(handle, count, &CPSWDeviceStatus::console_light_table,
                       &CPSWDeviceStatus::read_console_light_table);
}

PSW_API int32_t PSWGetConsoleLightInfo(PSWHANDLE handle, int32_t index, PSWConsoleLightInfo* info) {
  return copy_record(handle, index, info, &CPSWDeviceStatus::console_light_table);
}

PSW_API int32_t PSWGetSupplyLevel(int32_t supplyClass, int32_t supplyUnit, int32_t maxCapacity, int32_t level,
                                  int32_t* percent, int32_t* state) {
  if (percent == nullptr || state == nullptr) return PSW_ERR_ARGUMENT;
  const PSWSupplyLevel result = psw_supply_level(supplyClass, supplyUnit, maxCapacity, level);
  *percent = result.percent;
  *state = result.state;
  return PSW_OK;
}

}  // extern "C"
