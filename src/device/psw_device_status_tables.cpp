// Several status tables in one walk: the readers run twice, first to name
// their columns, then, once one walk has read every column of every chosen
// table side by side, to convert the rows it read. Each table's records are
// thus made by its own reader, byte for byte as when it is read alone.
#include <cstring>
#include <vector>

#include "device/psw_device_status.h"
#include "device/psw_exchange.h"

namespace {

// A chosen table: its bit, its reader and how it is emptied.
struct TableReader {
  uint32_t bit;
  int (CPSWDeviceStatus::*read)();
  void (*clear)(CPSWDeviceStatus&);
};

template <class Record, CPSWRecordTable<Record>& (CPSWDeviceStatus::*Table)()>
void clear_table(CPSWDeviceStatus& s) {
  (s.*Table)().clear();
}

const TableReader kReaders[] = {
    {PSW_TABLE_STORAGE, &CPSWDeviceStatus::read_storage_table,
     clear_table<PSWStorageInfo, &CPSWDeviceStatus::storage_table>},
    {PSW_TABLE_DEVICE, &CPSWDeviceStatus::read_device_table,
     clear_table<PSWDeviceInfo, &CPSWDeviceStatus::device_table>},
    {PSW_TABLE_PRINTER, &CPSWDeviceStatus::read_printer_status,
     [](CPSWDeviceStatus& s) { s.clear_printer_info(); }},
    {PSW_TABLE_INPUT_TRAY, &CPSWDeviceStatus::read_input_tray_table,
     clear_table<PSWInputTrayInfo, &CPSWDeviceStatus::input_tray_table>},
    {PSW_TABLE_OUTPUT_TRAY, &CPSWDeviceStatus::read_output_tray_table,
     clear_table<PSWOutputTrayInfo, &CPSWDeviceStatus::output_tray_table>},
    {PSW_TABLE_TONER, &CPSWDeviceStatus::read_toner_table,
     clear_table<PSWTonerInfo, &CPSWDeviceStatus::toner_table>},
    {PSW_TABLE_SUPPLY, &CPSWDeviceStatus::read_supply_table,
     clear_table<PSWSupplyInfo, &CPSWDeviceStatus::supply_table>},
    {PSW_TABLE_ALERT, &CPSWDeviceStatus::read_alert_table,
     clear_table<PSWAlertInfo, &CPSWDeviceStatus::alert_table>},
    {PSW_TABLE_MARKER, &CPSWDeviceStatus::read_marker_table,
     clear_table<PSWMarkerInfo, &CPSWDeviceStatus::marker_table>},
    {PSW_TABLE_COVER, &CPSWDeviceStatus::read_cover_table,
     clear_table<PSWCoverInfo, &CPSWDeviceStatus::cover_table>},
    {PSW_TABLE_CONSOLE_LINE, &CPSWDeviceStatus::read_console_line_table,
     clear_table<PSWConsoleLineInfo, &CPSWDeviceStatus::console_line_table>},
    {PSW_TABLE_CONSOLE_LIGHT, &CPSWDeviceStatus::read_console_light_table,
     clear_table<PSWConsoleLightInfo, &CPSWDeviceStatus::console_light_table>},
};

}  // namespace

void CPSWDeviceStatus::clear_chosen(uint32_t tables) {
  for (const TableReader& t : kReaders) {
    if ((tables & t.bit) != 0) t.clear(*this);
  }
}

int CPSWDeviceStatus::run_table_readers(uint32_t tables) {
  for (const TableReader& t : kReaders) {
    if ((tables & t.bit) == 0) continue;
    int rc = (this->*t.read)();
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}

int CPSWDeviceStatus::read_tables(uint32_t tables) {
  if (tables == 0 || (tables & ~static_cast<uint32_t>(PSW_TABLE_ALL_STATUS)) != 0) return PMC_E_ARG;
  m_planned.clear();
  clear_chosen(tables);

  // The readers name their walks; nothing is sent.
  m_planning = true;
  int rc = run_table_readers(tables);
  m_planning = false;
  if (rc != PMC_OK) {
    m_planned.clear();
    return rc;
  }

  // One walk of every column of every table.
  std::vector<const char* const*> columns;
  std::vector<size_t> counts;
  try {
    for (const PlannedWalk& p : m_planned) {
      columns.push_back(p.columns);
      counts.push_back(p.count);
    }
  } catch (...) {
    m_planned.clear();
    return PMC_E_NOMEM;
  }
  std::vector<PmcPtr<IPmsPduList>> rows;
  PSWExchange exchange;
  rc = exchange.open(m_connection);
  if (rc == PMC_OK) rc = exchange.walk_tables(columns.data(), counts.data(), columns.size(), &rows);
  if (rc == PMC_OK) {
    for (size_t i = 0; i < m_planned.size(); ++i) m_planned[i].rows = std::move(rows[i]);
    // The readers convert what was read, as if each had walked its table.
    rc = run_table_readers(tables);
  }
  m_planned.clear();
  if (rc != PMC_OK) clear_chosen(tables);
  return rc;
}
