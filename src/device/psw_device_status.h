// The device status object of an opened device: its connection parameters
// and the record tables the status interface hands out.
//
// Each reader runs one exchange with the device (psw_exchange.h): it
// walks the columns of one SNMP table, turns every row into one record and
// appends it to its table. The object also reads the printer status and the
// device's character sets, and cancels jobs by an SNMP Set.
//
//   int err = 0;
//   CPSWDeviceStatus* status = pmc_make<CPSWDeviceStatus>(&err);
//   status->setup(1, "192.0.2.7", usm, 1000, 2, 0);  // IPv4, 1 s, 2 retries
//   status->set_read_community("office-ro");         // optional
//   status->storage_table().clear();
//   status->read_storage_table();                      // then copy records
//   status->destroy();
//
// The SNMPv3 settings are copied out of the settings object at setup, so a
// later change of the handle's settings (a search with other credentials)
// does not change what this device's requests use.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "base/pmc_object.h"
#include "base/pmc_object_list.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_connection.h"
#include "device/psw_status_table.h"
#include "psw/psw.h"
#include "request/pmc_get_data.h"

class PSWExchange;
class PSWRowReader;

class CPSWDeviceStatus final : public CPmcObject {
 public:
  CPSWDeviceStatus() = default;

  // Communities of later requests (cut to 255 characters; null is the
  // empty text). The read community is the connection's (without one,
  // reads use "public"); the write community, of job cancels, starts as
  // "private".
  void set_read_community(const char* text) { m_connection.community.assign(text != nullptr ? text : ""); }
  void set_write_community(const char* text) { m_writeCommunity.assign(text != nullptr ? text : ""); }

  // Stores the connection every later request uses, its community included.
  void setup(const PSWConnection& connection) { m_connection = connection; }
  // The same, built from its parts (device/psw_connection.h) with the SNMP
  // mode and SNMPv3 values of `usm` (copied); -2 for a null `usm` or what
  // psw_make_connection refuses, and nothing is stored then.
  int setup(int32_t protocol, const char* address, const IPSWPluginUSM* usm, int32_t timeout, int32_t retries,
            uint32_t max_message_size);
  const PSWConnection& connection() const { return m_connection; }

  // Table readers: each appends the rows of one device table (the caller
  // empties the table first). On failure the rows appended before stay.
  int read_storage_table();
  int read_device_table();
  int read_input_tray_table();
  int read_output_tray_table();
  int read_toner_table();  // rows of supply type 3 (toner) only
  // Every supply row, whatever its type, with the text of its colorant
  // (a second walk, of prtMarkerColorantValue, only when a row names a
  // colorant). Nothing is appended when either walk fails.
  int read_supply_table();
  int read_alert_table();
  // Job rows of one kind: 0 every row, 1 unfinished (state not 17),
  // 2 finished (state 17).
  int read_job_table(uint32_t kind);
  // Meter readers (psw_device_status_meters.cpp), appending like the
  // table readers above.
  int read_marker_table();
  int read_cover_table();
  int read_console_line_table();
  int read_console_light_table();
  // The device's identity into `out` (psw_identity.h); `out` is written
  // on success only.
  int read_identity(PSWIdentityInfo* out);

  // Reads the tables of `tables` (PSW_TABLE_* bits; the printer status
  // too) in one walk, their columns side by side in each request
  // (psw_device_status_tables.cpp). Each chosen table is emptied first and
  // then holds what its own reader would have read; on failure every
  // chosen table is left empty. -2 for no bit or an unknown one.
  int read_tables(uint32_t tables);

  // Sets the printer status and error state; with several rows the last
  // row counts.
  int read_printer_status();
  // Character set of kind 0 (the printer's current localization) or 1 (the
  // maker's current localization), also kept in the object; stored in
  // `out` on success.
  int read_char_set(uint32_t kind, int32_t* out);
  // Asks the device to cancel the job named by `id` (a job's jobId).
  int cancel_job(const char* id);

  // The tables read last.
  CPSWRecordTable<PSWStorageInfo>& storage_table() { return m_storage; }
  CPSWRecordTable<PSWDeviceInfo>& device_table() { return m_devices; }
  CPSWRecordTable<PSWInputTrayInfo>& input_tray_table() { return m_inputTrays; }
  CPSWRecordTable<PSWOutputTrayInfo>& output_tray_table() { return m_outputTrays; }
  CPSWRecordTable<PSWTonerInfo>& toner_table() { return m_toners; }
  CPSWRecordTable<PSWSupplyInfo>& supply_table() { return m_supplies; }
  CPSWRecordTable<PSWAlertInfo>& alert_table() { return m_alerts; }
  CPSWRecordTable<PSWJobInfo>& job_table() { return m_jobs; }
  CPSWRecordTable<PSWMarkerInfo>& marker_table() { return m_markers; }
  CPSWRecordTable<PSWCoverInfo>& cover_table() { return m_covers; }
  CPSWRecordTable<PSWConsoleLineInfo>& console_line_table() { return m_consoleLines; }
  CPSWRecordTable<PSWConsoleLightInfo>& console_light_table() { return m_consoleLights; }
  // Empties every table.
  void clear_tables();

  // The printer record as read last.
  PSWPrinterInfo printer_info() const { return {m_nPrinterStatus, m_nPrinterErrorState}; }
  // A device without a printer row reads as status absent, no error.
  void clear_printer_info() {
    m_nPrinterStatus = PSW_VALUE_ABSENT;
    m_nPrinterErrorState = 0;
  }

  int32_t char_set() const { return m_nCharSet; }
  int32_t vendor_char_set() const { return m_nVendorCharSet; }

 protected:
  ~CPSWDeviceStatus() override = default;

 private:
  // Runs one exchange that walks `columns` (rooted at the first) and calls
  // `convert(row)` for every row in order; conversion failures end it.
  // While read_tables plans, it only notes the columns; while it replays,
  // it converts the rows read for these columns instead of walking.
  int walk_table(const char* const* columns, size_t count, const std::function<int(PSWRowReader&)>& convert);

  // One table walk of read_tables: its columns and, once read, its rows.
  struct PlannedWalk {
    const char* const* columns = nullptr;
    size_t count = 0;
    PmcPtr<IPmsPduList> rows;
  };
  // Runs the readers of `tables` (plan or replay).
  int run_table_readers(uint32_t tables);
  // Empties the tables of `tables`.
  void clear_chosen(uint32_t tables);

  // One localization row of a character-set walk: looks up the character
  // set of localization `row` below `root` in the table at `lookup_base`.
  int look_up_char_set(const char* root, const char* lookup_base, PSWRowReader& row, int32_t* kept);
  // One job row: converts it and appends it when it is of `kind`.
  int read_job_row(PSWRowReader& row, uint32_t kind);
  // Looks up the text of the next job column, keyed by its row and value.
  int look_up_job_text(PSWRowReader& row, const char* column, char* text_out);
  static int job_id_from_index(IPmcOid& index, char* id_out);

  // Copied at setup, so a later change of the handle's settings (a search
  // with other credentials) does not change what this device's requests use.
  PSWConnection m_connection;
  PmcCommunity m_writeCommunity{"private"};
  CPSWRecordTable<PSWStorageInfo> m_storage;
  CPSWRecordTable<PSWDeviceInfo> m_devices;
  int32_t m_nPrinterStatus = PSW_VALUE_ABSENT;
  int32_t m_nPrinterErrorState = 0;
  CPSWRecordTable<PSWInputTrayInfo> m_inputTrays;
  CPSWRecordTable<PSWOutputTrayInfo> m_outputTrays;
  CPSWRecordTable<PSWTonerInfo> m_toners;
  CPSWRecordTable<PSWAlertInfo> m_alerts;
  CPSWRecordTable<PSWJobInfo> m_jobs;
  CPSWRecordTable<PSWSupplyInfo> m_supplies;
  CPSWRecordTable<PSWMarkerInfo> m_markers;
  CPSWRecordTable<PSWCoverInfo> m_covers;
  CPSWRecordTable<PSWConsoleLineInfo> m_consoleLines;
  CPSWRecordTable<PSWConsoleLightInfo> m_consoleLights;
  // The walks of read_tables, and whether its readers are planning.
  std::vector<PlannedWalk> m_planned;
  bool m_planning = false;
  int32_t m_nCharSet = 0;
  // Also the character set of the job text look-ups.
  int32_t m_nVendorCharSet = 0;
};
