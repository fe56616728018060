// The ten refresh readers of the option reader and the firmware version
// parser. Each runs one exchange (device/psw_dev_comm_option_request.h).
#include <cstring>
#include <vector>

#include "device/pmc_plugin_usm.h"
#include "device/psw_dev_comm_option_request.h"
#include "device/psw_dev_comm_option_scan.h"
#include "log/pmc_log.h"

namespace {

// hrDeviceIndex values of the maker's devices that some readers depend on.
constexpr int kIndexPrinterController = 10;  // its description is the firmware text

constexpr int32_t kInputTypeManual = 5;        // prtInputType sheetFeedManual
constexpr int32_t kOffsetStackingOn = 3;       // prtOutputOffsetStacking
constexpr int32_t kMediaPathDuplexLong = 3;    // prtMediaPathType longEdgeBindingDuplex
constexpr int32_t kMediaPathDuplexShort = 4;   // prtMediaPathType shortEdgeBindingDuplex
constexpr int32_t kNoMediumSize = 10000;       // media size code when no size matched
constexpr int32_t kNoMediumDirection = 1;
// What a number the device lacks reads as in the option data.
constexpr int32_t kAbsent = -1;

// The objects of the single Gets, by reader.
constexpr const char* kSysName = "1.3.6.1.2.1.1.5";      // .0
constexpr const char* kMemorySize = "1.3.6.1.2.1.25.2.2";  // .0
constexpr const char* kNetWareUnitName = "1.3.6.1.4.1.32473.8.64.4.2.1.7.10.19159104";
constexpr const char* kFaxOids[] = {"1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124141",
                                    "1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124142",
                                    "1.3.6.1.4.1.32473.8.64.4.2.1.5.10.13124143"};
constexpr const char* kDetailOids[] = {
    "1.3.6.1.4.1.32473.8.53.13.2.1.6.1.1.1", "1.3.6.1.4.1.32473.8.53.13.2.1.6.1.1.2",
    "1.3.6.1.4.1.32473.8.53.13.2.1.6.1.1.4", "1.3.6.1.4.1.32473.8.53.13.2.1.6.1.1.5",
    "1.3.6.1.4.1.32473.8.53.13.2.1.6.1.1.6", "1.3.6.1.4.1.32473.8.53.13.2.1.6.104.1.1"};
constexpr const char* kBookletText = "1.3.6.1.4.1.32473.8.53.13.2.1.8.124.6.1";

// The columns of the walked tables, by reader.
// hrDeviceIndex, hrDeviceDescr, hrDeviceStatus.
constexpr const char* kDeviceColumns[] = {"1.3.6.1.2.1.25.3.2.1.1", "1.3.6.1.2.1.25.3.2.1.3",
                                          "1.3.6.1.2.1.25.3.2.1.5"};
// prtInputTable: type, dimension unit, feed and cross-feed dimensions
// chosen, capacity unit, maximum capacity, current level, name,
// description, media type.
constexpr const char* kInputTrayColumns[] = {
    "1.3.6.1.2.1.43.8.2.1.2",  "1.3.6.1.2.1.43.8.2.1.3",  "1.3.6.1.2.1.43.8.2.1.6",  "1.3.6.1.2.1.43.8.2.1.7",
    "1.3.6.1.2.1.43.8.2.1.8",  "1.3.6.1.2.1.43.8.2.1.9",  "1.3.6.1.2.1.43.8.2.1.10", "1.3.6.1.2.1.43.8.2.1.13",
    "1.3.6.1.2.1.43.8.2.1.18", "1.3.6.1.2.1.43.8.2.1.21"};
// prtOutputType, prtOutputName (read, not kept), prtOutputOffsetStacking.
constexpr const char* kOutputTrayColumns[] = {"1.3.6.1.2.1.43.9.2.1.2", "1.3.6.1.2.1.43.9.2.1.7",
                                              "1.3.6.1.2.1.43.9.2.1.24"};
constexpr const char* kMediaPathColumns[] = {"1.3.6.1.2.1.43.13.4.1.9"};  // prtMediaPathType

template <size_t N>
constexpr PSWOptionTable table_of(const char* const (&columns)[N]) {
  return {columns, N};
}

}  // namespace

int psw_gather_option_gets(PSWOptionGathering& gathering, const PSWOptionUnits* units) {
  std::vector<PSWOptionObject> objects;
  try {
    if (units == nullptr) {
      // What every device is asked, before anything else.
      objects = {{kSysName, true}, {kMemorySize, true}, {kNetWareUnitName, false}};
    } else {
      // What the device table says the device has.
      if (units->fax) {
        for (const char* oid : kFaxOids) objects.push_back({oid, false});
      }
      for (size_t i = 0; i < (units->fax ? 6u : 5u); ++i) objects.push_back({kDetailOids[i], false});
      if (units->booklet) objects.push_back({kBookletText, false});
    }
  } catch (...) {
    return PMC_OK;  // the readers ask on their own
  }
  return gathering.gather_gets(objects.data(), objects.size());
}

int psw_gather_option_walks(PSWOptionGathering& gathering) {
  const PSWOptionTable tables[] = {table_of(kDeviceColumns), table_of(kInputTrayColumns),
                                   table_of(kOutputTrayColumns), table_of(kMediaPathColumns)};
  return gathering.gather_walks(tables, sizeof tables / sizeof tables[0]);
}

int psw_gather_standard_options(PSWOptionGathering& gathering) {
  const PSWOptionObject objects[] = {{kSysName, true}, {kMemorySize, true}};
  int rc = gathering.gather_gets(objects, sizeof objects / sizeof objects[0]);
  if (psw_option_unreachable(rc)) return rc;
  const PSWOptionTable tables[] = {table_of(kInputTrayColumns), table_of(kOutputTrayColumns),
                                   table_of(kMediaPathColumns)};
  return gathering.gather_walks(tables, sizeof tables / sizeof tables[0]);
}

int32_t CPSWDevCommOption::parse_version_value() {
  int32_t numbers[3] = {};
  if (psw_scan_numbers(m_szPrinterRomVersion, "Printer Controller v%d.%d.%d - Processor", numbers, 3) != 3) {
    PMC_LOG(g_logPsw, PMC_LOG_ERROR, "%s", "invalid PrinterROMVersion format");
    return PSW_ERR_FAILED;
  }
  m_nRomVersionMajor = numbers[0];
  m_nRomVersionMinor = numbers[1];
  m_nRomVersionRevision = numbers[2];
  return PSW_OK;
}

int32_t CPSWDevCommOption::refresh_system_attributes() {
  // sysName.0; a failure of this Get is returned without a log line.
  return psw_option_get_text(*this, kSysName, true, m_szSysName, false);
}

int32_t CPSWDevCommOption::refresh_hrdevice_table() {
  int32_t versionResult = PSW_OK;
  int rc = psw_option_walk(*this, kDeviceColumns, [&](PSWRowReader& row) {
    SDeviceEntry device = {};
    char description[256];
    device.hrDeviceIndex = row.next_int32(kAbsent);
    row.next_text(description, sizeof description);
    device.hrDeviceStatus = row.next_int32(kAbsent);
    psw_copy_text(device.szDescription, description);
    if (m_nDeviceCount < kMaxDevices) m_devices[m_nDeviceCount++] = device;
    if (device.hrDeviceIndex == kIndexPrinterController) {
      psw_copy_text(m_szPrinterRomVersion, description);
      // The walk goes on; a bad version text is reported once it is done.
      if (parse_version_value() != PSW_OK) versionResult = PSW_ERR_FAILED;
    }
  });
  return rc != PSW_OK ? rc : versionResult;
}

int32_t CPSWDevCommOption::refresh_input_tray_table() {
  int32_t rowNumber = 0;
  return psw_option_walk(*this, kInputTrayColumns, [&](PSWRowReader& row) {
    SInputTrayEntry tray = {};
    tray.nNumber = ++rowNumber;  // rows past the list's capacity still count
    tray.nType = row.next_int32(kAbsent);
    const int32_t dimUnit = row.next_int32(kAbsent);
    tray.nMediaDimFeedDirChosen = row.next_int32(kAbsent);
    tray.nMediaDimXFeedDirChosen = row.next_int32(kAbsent);
    const int32_t capacityUnit = row.next_int32(kAbsent);
    const int32_t maxCapacity = row.next_int32(kAbsent);
    const int32_t currentLevel = row.next_int32(kAbsent);
    row.next_text(tray.szName, sizeof tray.szName);
    row.next_text(tray.szDescription, sizeof tray.szDescription);
    row.next_text(tray.szMediaType, sizeof tray.szMediaType);

    tray.nMediaSize = kNoMediumSize;
    tray.nMediaDirection = kNoMediumDirection;
    MediaDimensionToMediumSize(dimUnit, tray.nMediaDimFeedDirChosen, tray.nMediaDimXFeedDirChosen,
                               &tray.nMediaSize, &tray.nMediaDirection);
    tray.nMaxCapacityInSheets = -1;
    tray.nCurrentLevelInPercent = -1;
    ConvertMediumLevel(capacityUnit, maxCapacity, currentLevel, &tray.nMaxCapacityInSheets,
                       &tray.nCurrentLevelInPercent);
    if (tray.nType == kInputTypeManual) m_bManualTray = true;
    if (m_nInputTrayCount < kMaxInputTrays) m_inputTrays[m_nInputTrayCount++] = tray;
  });
}

int32_t CPSWDevCommOption::refresh_output_tray_table() {
  int32_t rowNumber = 0;
  return psw_option_walk(*this, kOutputTrayColumns, [&](PSWRowReader& row) {
    SOutputTrayEntry tray = {};
    char name[256];
    char oid[256];
    tray.nNumber = ++rowNumber;
    tray.prtOutputType = row.next_int32(kAbsent);
    row.next_text(name, sizeof name);
    tray.prtOutputOffsetStacking = row.next_int32(kAbsent);
    row.oid_text(oid, sizeof oid);
    if (tray.prtOutputOffsetStacking == kOffsetStackingOn) m_bOffsetStacking = true;
    // The device marks its centre tray by the row index: an offset-stacking
    // object whose OID ends in the digit 3.
    size_t length = std::strlen(oid);
    if (length > 0 && oid[length - 1] == '3') m_bCenterTrayMark = true;
    if (m_nOutputTrayCount < kMaxOutputTrays) m_outputTrays[m_nOutputTrayCount++] = tray;
  });
}

int32_t CPSWDevCommOption::refresh_memory_size() {
  return psw_option_get_int(*this, kMemorySize, true, &m_nMemorySizeKB);
}

int32_t CPSWDevCommOption::refresh_prt_media_table() {
  return psw_option_walk(*this, kMediaPathColumns, [&](PSWRowReader& row) {
    int32_t type = row.next_int32(kAbsent);
    if (type == kMediaPathDuplexLong || type == kMediaPathDuplexShort) m_bDuplexUnit = true;
  });
}

int32_t CPSWDevCommOption::refresh_netware_attributes() {
  return psw_option_get_text(*this, kNetWareUnitName, false, m_szNetWareSAPUnitName);
}

int32_t CPSWDevCommOption::refresh_fax_attributes() {
  if (!has_device_index(kPswFaxUnitIndex, nullptr)) return PSW_OK;
  int32_t values[3] = {};
  int rc = psw_option_get_ints(*this, kFaxOids, 3, values);
  if (rc != PSW_OK) return rc;
  if (values[0] == 1) m_bISDNG4Kit = true;
  if (values[1] == 1) m_bLineSwitchKit = true;
  m_nFaxMaxSpeedDial = values[2];
  return PSW_OK;
}

int32_t CPSWDevCommOption::refresh_qrl_hrdev_detail_setting() {
  int32_t* const kTargets[] = {&m_nPaperSizeGroup,    &m_nPaperSize8K, &m_nLimitedColorPrinting,
                               &m_nMinPasswordLength, &m_nUserPrompt,  &m_nFaxType};
  // The fax type is asked only of a device with a fax unit.
  const int count = has_device_index(kPswFaxUnitIndex, nullptr) ? 6 : 5;
  int32_t values[6] = {-1, -1, -1, -1, -1, -1};
  int rc = psw_option_get_ints(*this, kDetailOids, count, values);
  if (rc != PSW_OK) return rc;
  // A negative value (also what an absent object reads as) keeps the setting.
  for (int i = 0; i < 6; ++i) {
    if (values[i] >= 0) *kTargets[i] = values[i];
  }
  return PSW_OK;
}

int32_t CPSWDevCommOption::refresh_finisher_booklet_info() {
  if (!has_device_index(kPswBookletUnitIndex, nullptr)) return PSW_OK;
  char text[256] = {};
  int rc = psw_option_get_text(*this, kBookletText, false, text);
  if (rc != PSW_OK) return rc;
  int32_t impressions = 0;
  if (psw_scan_numbers(text, "Max Impression = %d", &impressions, 1) == 1) m_nBookletMaxImpressions = impressions;
  return PSW_OK;
}
