// Connection set-up and the table readers of the device status object.
#include "device/psw_device_status.h"

#include <cstring>

#include "device/psw_exchange.h"
#include "device/psw_row_reader.h"

namespace {

template <size_t N>
constexpr size_t count_of(const char* const (&)[N]) {
  return N;
}

// Columns of each table, in the order their values fill the record. Every
// walk is rooted at the first column.
constexpr const char* kStorageColumns[] = {
    "1.3.6.1.2.1.25.2.3.1.2",  // hrStorageType
    "1.3.6.1.2.1.25.2.3.1.4",  // hrStorageAllocationUnits
    "1.3.6.1.2.1.25.2.3.1.5",  // hrStorageSize
    "1.3.6.1.2.1.25.2.3.1.3",  // hrStorageDescr
};

constexpr const char* kDeviceColumns[] = {
    "1.3.6.1.2.1.25.3.2.1.2",  // hrDeviceType
    "1.3.6.1.2.1.25.3.2.1.5",  // hrDeviceStatus
    "1.3.6.1.2.1.25.3.2.1.3",  // hrDeviceDescr
};

constexpr const char* kInputTrayColumns[] = {
    "1.3.6.1.2.1.43.8.2.1.2",  "1.3.6.1.2.1.43.8.2.1.3",  "1.3.6.1.2.1.43.8.2.1.4",  "1.3.6.1.2.1.43.8.2.1.5",
    "1.3.6.1.2.1.43.8.2.1.6",  "1.3.6.1.2.1.43.8.2.1.7",  "1.3.6.1.2.1.43.8.2.1.8",  "1.3.6.1.2.1.43.8.2.1.9",
    "1.3.6.1.2.1.43.8.2.1.10", "1.3.6.1.2.1.43.8.2.1.11", "1.3.6.1.2.1.43.8.2.1.12", "1.3.6.1.2.1.43.8.2.1.13",
    "1.3.6.1.2.1.43.8.2.1.18", "1.3.6.1.2.1.43.8.2.1.21", "1.3.6.1.2.1.43.8.2.1.22",
};

constexpr const char* kOutputTrayColumns[] = {
    "1.3.6.1.2.1.43.9.2.1.2",   // prtOutputType
    "1.3.6.1.2.1.43.9.2.1.6",   // prtOutputStatus
    "1.3.6.1.2.1.43.9.2.1.7",   // prtOutputName
    "1.3.6.1.2.1.43.9.2.1.12",  // prtOutputDescription
};

constexpr const char* kTonerColumns[] = {
    "1.3.6.1.2.1.43.11.1.1.5",  // prtMarkerSuppliesType
    "1.3.6.1.2.1.43.11.1.1.7",  // prtMarkerSuppliesSupplyUnit
    "1.3.6.1.2.1.43.11.1.1.8",  // prtMarkerSuppliesMaxCapacity
    "1.3.6.1.2.1.43.11.1.1.9",  // prtMarkerSuppliesLevel
    "1.3.6.1.2.1.43.11.1.1.6",  // prtMarkerSuppliesDescription
};

constexpr const char* kAlertColumns[] = {
    "1.3.6.1.2.1.43.18.1.1.2", "1.3.6.1.2.1.43.18.1.1.4", "1.3.6.1.2.1.43.18.1.1.5",
    "1.3.6.1.2.1.43.18.1.1.6", "1.3.6.1.2.1.43.18.1.1.7", "1.3.6.1.2.1.43.18.1.1.8",
};

constexpr const char* kPrinterColumns[] = {
    "1.3.6.1.2.1.25.3.5.1.1",  // hrPrinterStatus
    "1.3.6.1.2.1.25.3.5.1.2",  // hrPrinterDetectedErrorState
};

// prtMarkerSuppliesType of a toner.
constexpr int32_t kSupplyToner = 3;

// Appends one record built by `fill` from the row.
template <class Record, class Fill>
int append_row(CPSWRecordTable<Record>& table, PSWRowReader& row, Fill&& fill) {
  Record record;
  std::memset(&record, 0, sizeof record);
  fill(row, record);
  return table.append(record);
}

}  // namespace

int CPSWDeviceStatus::setup(int32_t protocol, const char* address, const IPSWPluginUSM* usm, int32_t timeout,
                            int32_t retries, uint32_t max_message_size) {
  if (usm == nullptr) return PMC_E_ARG;
  PSWConnection connection;
  int rc = psw_make_connection(protocol, address, psw_usm_settings_of(*usm), timeout, retries, max_message_size,
                               &connection);
  if (rc == PMC_OK) setup(connection);
  return rc;
}

void CPSWDeviceStatus::clear_tables() {
  m_storage.clear();
  m_devices.clear();
  m_inputTrays.clear();
  m_outputTrays.clear();
  m_toners.clear();
  m_alerts.clear();
  m_jobs.clear();
  m_supplies.clear();
  m_markers.clear();
  m_covers.clear();
  m_consoleLines.clear();
  m_consoleLights.clear();
}

// ---------------------------------------------------------------------------
// The common exchange
// ---------------------------------------------------------------------------

int CPSWDeviceStatus::walk_table(const char* const* columns, size_t count,
                                 const std::function<int(PSWRowReader&)>& convert) {
  if (m_planning) {
    try {
      m_planned.push_back(PlannedWalk{columns, count, nullptr});
    } catch (...) {
      return PMC_E_NOMEM;
    }
    return PMC_OK;
  }
  for (PlannedWalk& planned : m_planned) {
    if (planned.columns != columns || !planned.rows) continue;
    PmcPtr<IPmsPduList> rows = std::move(planned.rows);  // each walk's rows serve once
    return psw_for_each_row(*rows, convert);
  }
  PSWExchange exchange;
  int rc = exchange.open(m_connection);
  return rc == PMC_OK ? exchange.walk_columns(columns, count, convert) : rc;
}

// ---------------------------------------------------------------------------
// Table readers
// ---------------------------------------------------------------------------

int CPSWDeviceStatus::read_storage_table() {
  return walk_table(kStorageColumns, count_of(kStorageColumns), [this](PSWRowReader& row) -> int {
    return append_row(m_storage, row, [](PSWRowReader& r, PSWStorageInfo& rec) {
      rec.type = r.next_mapped(kPSWStorageTypes);
      rec.allocationUnits = r.next_int32();
      rec.size = r.next_int32();
      r.next_text(rec.description);
    });
  });
}

int CPSWDeviceStatus::read_device_table() {
  return walk_table(kDeviceColumns, count_of(kDeviceColumns), [this](PSWRowReader& row) -> int {
    return append_row(m_devices, row, [](PSWRowReader& r, PSWDeviceInfo& rec) {
      rec.type = r.next_mapped(kPSWDeviceTypes);
      rec.status = r.next_int32();
      r.next_text(rec.description);
    });
  });
}

int CPSWDeviceStatus::read_input_tray_table() {
  return walk_table(kInputTrayColumns, count_of(kInputTrayColumns), [this](PSWRowReader& row) -> int {
    return append_row(m_inputTrays, row, [](PSWRowReader& r, PSWInputTrayInfo& rec) {
      rec.type = r.next_int32();
      rec.dimUnit = r.next_int32();
      rec.mediaDimFeedDirDeclared = r.next_int32();
      rec.mediaDimXFeedDirDeclared = r.next_int32();
      rec.mediaDimFeedDirChosen = r.next_int32();
      rec.mediaDimXFeedDirChosen = r.next_int32();
      rec.capacityUnit = r.next_int32();
      rec.maxCapacity = r.next_int32();
      rec.currentLevel = r.next_int32();
      rec.status = r.next_int32();
      r.next_text(rec.mediaName);
      r.next_text(rec.name);
      r.next_text(rec.description);
      r.next_text(rec.mediaType);
      r.next_text(rec.mediaColor);
    });
  });
}

int CPSWDeviceStatus::read_output_tray_table() {
  return walk_table(kOutputTrayColumns, count_of(kOutputTrayColumns), [this](PSWRowReader& row) -> int {
    return append_row(m_outputTrays, row, [](PSWRowReader& r, PSWOutputTrayInfo& rec) {
      rec.type = r.next_int32();
      rec.status = r.next_int32();
      r.next_text(rec.name);
      r.next_text(rec.description);
    });
  });
}

int CPSWDeviceStatus::read_toner_table() {
  return walk_table(kTonerColumns, count_of(kTonerColumns), [this](PSWRowReader& r) -> int {
    if (r.next_int32() != kSupplyToner) return PMC_OK;  // waste toner, drums, fuser...
    PSWTonerInfo rec;
    std::memset(&rec, 0, sizeof rec);
    rec.supplyUnit = r.next_int32();
    rec.maxCapacity = r.next_int32();
    rec.level = r.next_int32();
    r.next_text(rec.description);
    return m_toners.append(rec);
  });
}

int CPSWDeviceStatus::read_alert_table() {
  return walk_table(kAlertColumns, count_of(kAlertColumns), [this](PSWRowReader& row) -> int {
    return append_row(m_alerts, row, [](PSWRowReader& r, PSWAlertInfo& rec) {
      rec.severityLevel = r.next_int32();
      rec.group = r.next_int32();
      rec.groupIndex = r.next_int32();
      rec.location = r.next_int32();
      rec.code = r.next_int32();
      r.next_text(rec.description);
    });
  });
}

int CPSWDeviceStatus::read_printer_status() {
  clear_printer_info();
  return walk_table(kPrinterColumns, count_of(kPrinterColumns), [this](PSWRowReader& r) -> int {
    m_nPrinterStatus = r.next_int32();
    size_t length = 0;
    const unsigned char* octets = r.next_octets(&length);
    m_nPrinterErrorState = psw_octets_le32(octets, length);
    return PMC_OK;
  });
}
