// The shared steps of the exported status functions: a count reads its
// table anew and stores its size, a copy hands out one record of the table
// read last, and no exception crosses the interface.
#pragma once

#include "api/psw_handle.h"
#include "device/psw_device_status.h"
#include "psw/psw.h"

namespace psw_api {

// Runs `work` and turns any exception into -3, the only kind a reader can
// raise (allocation).
template <class Work>
int32_t guarded(Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    return PSW_ERR_NO_MEMORY;
  }
}

template <class Record>
using TableOf = CPSWRecordTable<Record>& (CPSWDeviceStatus::*)();
using Reader = int (CPSWDeviceStatus::*)();

// Empties the table, reads it anew and, on success, stores its size.
template <class Record>
int32_t count_records(PSWHANDLE handle, int32_t* count, TableOf<Record> table, Reader read) {
  if (handle == nullptr || count == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return guarded([&] {
    CPSWRecordTable<Record>& records = (status->*table)();
    records.clear();
    int rc = (status->*read)();
    if (rc == PSW_OK) *count = static_cast<int32_t>(records.size());
    return rc;
  });
}

// Copies one record of the table read last.
template <class Record>
int32_t copy_record(PSWHANDLE handle, int32_t index, Record* out, TableOf<Record> table) {
  if (handle == nullptr || out == nullptr) return PSW_ERR_ARGUMENT;
  CPSWDeviceStatus* status = handle->m_pStatus.get();
  if (status == nullptr) return PSW_ERR_NOT_OPENED;
  return (status->*table)().copy(index, out);
}


}  // namespace psw_api
