#include "pswctl_records.h"

#include <fmt/format.h>

#include <cstring>

#include "pswctl_charset.h"
#include "pswctl_names.h"

namespace pswctl {
namespace {

// A text field of a record as UTF-8: at most its size, even without a
// terminator, converted from the device's character set.
template <size_t N>
std::string text(const char (&field)[N], int32_t charset) {
  return text_from_charset(field, N, charset);
}

json percent_or_null(const std::optional<int32_t>& p) { return p ? json(*p) : json(nullptr); }

// A text field converted and trimmed of its padding (serial numbers).
template <size_t N>
std::string trimmed_text(const char (&field)[N], int32_t charset) {
  return trimmed(text(field, charset));
}

bool absent(int32_t v) { return v == PSW_VALUE_ABSENT; }

// A signed field: null when the device lacks the cell.
json number(int32_t v) { return absent(v) ? json(nullptr) : json(v); }
json number(uint32_t v) { return v == PSW_VALUE_ABSENT_U32 ? json(nullptr) : json(v); }

// The readable form of a field: null when the device lacks the cell.
json named(int32_t v, std::string (*name)(int32_t)) { return absent(v) ? json(nullptr) : json(name(v)); }

// A level beyond a positive maximum (a device that counts past its own
// capacity); null when either is absent or special.
json above_maximum(int32_t maxCapacity, int32_t level) {
  if (absent(maxCapacity) || absent(level) || maxCapacity <= 0 || level < 0) return nullptr;
  return level > maxCapacity;
}

}  // namespace

json to_json(const PSWStorageInfo& r, int32_t charset) {
  // Mapped types read 0 (unknown) when absent; sizes are null.
  const bool sized = !absent(r.allocationUnits) && !absent(r.size) && r.allocationUnits >= 0 && r.size >= 0;
  return {{"type", r.type},
          {"typeName", storage_type_name(r.type)},
          {"allocationUnits", number(r.allocationUnits)},
          {"size", number(r.size)},
          {"bytes", sized ? json(static_cast<int64_t>(r.allocationUnits) * r.size) : json(nullptr)},
          {"description", text(r.description, charset)}};
}

json to_json(const PSWDeviceInfo& r, int32_t charset) {
  return {{"type", r.type},
          {"typeName", device_type_name(r.type)},
          {"status", number(r.status)},
          {"statusName", named(r.status, device_status_name)},
          {"description", text(r.description, charset)}};
}

json to_json(const PSWPrinterInfo& r, int32_t) {
  // A device without a printer row gives an absent status and state 0: no
  // error state was reported, which is not the same as no error.
  const bool reported = !absent(r.status) || r.detectedErrorState != 0;
  return {{"status", number(r.status)},
          {"statusName", named(r.status, printer_status_name)},
          {"detectedErrorState", reported ? json(detected_error_octets(r.detectedErrorState)) : json(nullptr)},
          {"errors", reported ? json(detected_error_names(r.detectedErrorState)) : json(nullptr)}};
}

json to_json(const PSWInputTrayInfo& r, int32_t charset) {
  // Absent dimensions and levels are negative: no size, no percentage.
  const MediaSize size = media_size(r.dimUnit, r.mediaDimFeedDirChosen, r.mediaDimXFeedDirChosen);
  return {{"name", text(r.name, charset)},
          {"description", text(r.description, charset)},
          {"type", number(r.type)},
          {"typeName", named(r.type, input_type_name)},
          {"dimUnit", number(r.dimUnit)},
          {"dimUnitName", named(r.dimUnit, capacity_unit_name)},
          {"mediaDimFeedDirDeclared", number(r.mediaDimFeedDirDeclared)},
          {"mediaDimXFeedDirDeclared", number(r.mediaDimXFeedDirDeclared)},
          {"mediaDimFeedDirChosen", number(r.mediaDimFeedDirChosen)},
          {"mediaDimXFeedDirChosen", number(r.mediaDimXFeedDirChosen)},
          {"mediaSize", size.name.empty() ? json(nullptr) : json(size.name)},
          {"direction", size.direction.empty() ? json(nullptr) : json(size.direction)},
          {"capacityUnit", number(r.capacityUnit)},
          {"capacityUnitName", named(r.capacityUnit, capacity_unit_name)},
          {"maxCapacity", number(r.maxCapacity)},
          {"maxCapacityText", named(r.maxCapacity, level_text)},
          {"currentLevel", number(r.currentLevel)},
          {"levelText", named(r.currentLevel, level_text)},
          {"levelPercent", percent_or_null(level_percent(r.capacityUnit, r.maxCapacity, r.currentLevel))},
          {"aboveMaximum", above_maximum(r.maxCapacity, r.currentLevel)},
          {"status", number(r.status)},
          {"statusText", named(r.status, subunit_status_text)},
          {"mediaName", text(r.mediaName, charset)},
          {"mediaType", text(r.mediaType, charset)},
          {"mediaColor", text(r.mediaColor, charset)}};
}

json to_json(const PSWOutputTrayInfo& r, int32_t charset) {
  return {{"name", text(r.name, charset)},
          {"description", text(r.description, charset)},
          {"type", number(r.type)},
          {"typeName", named(r.type, output_type_name)},
          {"status", number(r.status)},
          {"statusText", named(r.status, subunit_status_text)}};
}

namespace {

// The level of a supply: unit, maximum and level, each with its name, the
// percentage and its state as the library reads them, and whether the level
// is above the maximum.
json supply_level(int32_t supplyClass, int32_t unit, int32_t maximum, int32_t level) {
  int32_t percent = PSW_VALUE_ABSENT;
  int32_t state = PSW_LEVEL_UNKNOWN;
  PSWGetSupplyLevel(supplyClass, unit, maximum, level, &percent, &state);
  return {{"supplyUnit", number(unit)},
          {"supplyUnitName", named(unit, supply_unit_name)},
          {"maxCapacity", number(maximum)},
          {"maxCapacityText", named(maximum, level_text)},
          {"level", number(level)},
          {"levelText", named(level, level_text)},
          {"levelPercent", number(percent)},
          {"levelState", level_state_name(state)},
          {"aboveMaximum", above_maximum(maximum, level)}};
}

}  // namespace

json to_json(const PSWTonerInfo& r, int32_t charset) {
  json out = supply_level(PSW_SUPPLY_CLASS_CONSUMED, r.supplyUnit, r.maxCapacity, r.level);
  out["description"] = text(r.description, charset);
  return out;
}

json to_json(const PSWSupplyInfo& r, int32_t charset) {
  json out = supply_level(r.supplyClass, r.supplyUnit, r.maxCapacity, r.level);
  out.update(json{{"index", number(r.supplyIndex)},
                  {"type", number(r.type)},
                  {"typeName", named(r.type, supply_type_name)},
                  {"class", number(r.supplyClass)},
                  {"className", named(r.supplyClass, supply_class_name)},
                  {"markerIndex", number(r.markerIndex)},
                  {"colorantIndex", number(r.colorantIndex)},
                  {"colorant", text(r.colorant, charset)},
                  {"description", text(r.description, charset)}});
  return out;
}

json to_json(const PSWAlertInfo& r, int32_t charset) {
  return {{"severityLevel", number(r.severityLevel)},
          {"severityName", named(r.severityLevel, alert_severity_name)},
          {"group", number(r.group)},
          {"groupName", named(r.group, alert_group_name)},
          {"groupIndex", number(r.groupIndex)},
          {"groupIndexText", named(r.groupIndex, alert_group_index_text)},
          {"location", number(r.location)},
          {"locationText", named(r.location, alert_location_text)},
          {"code", number(r.code)},
          {"description", text(r.description, charset)}};
}

json date_time(const uint16_t (&t)[6]) {
  bool any = false;
  for (uint16_t v : t) any = any || v != 0;
  if (!any) return nullptr;
  return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", t[0], t[1], t[2], t[3], t[4], t[5]);
}

json to_json(const PSWJobInfo& r, int32_t charset) {
  // The maker's job columns by what they hold (the record's field names in
  // the comments): name, pages, source and state texts, the condition,
  // impressions and copies, and the times the job was received, started
  // and completed.
  constexpr int32_t kFinishedState = 17;
  return {{"jobId", text(r.jobId, charset)},
          {"type", r.jobType},                           // jobType, 0 unknown
          {"state", number(r.jobState)},                 // jobState
          {"finished", r.jobState == kFinishedState},
          {"name", text(r.jobText3, charset)},           // jobText3
          {"pages", number(r.jobValue10)},               // jobValue10
          {"source", text(r.jobText5, charset)},         // jobText5
          {"stateText", text(r.jobText6, charset)},      // jobText6
          {"condition", text(r.jobText7, charset)},      // jobText7
          {"impressions", number(r.jobCount5)},          // jobCount5
          {"copies", number(r.jobCount6)},               // jobCount6
          {"received", date_time(r.time4)},              // time4
          {"started", date_time(r.time10)},              // time10
          {"completed", date_time(r.time7)}};            // time7
}

std::string trimmed(const std::string& text) {
  const char* const padding = " \t\r\n";
  const size_t first = text.find_first_not_of(padding);
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(padding) - first + 1);
}

json to_json(const PSWIdentityInfo& r, int32_t charset) {
  // The model a person knows the device by: the printer's own description,
  // else the system's.
  const std::string deviceDescr = trimmed_text(r.deviceDescr, charset);
  const std::string sysDescr = text(r.sysDescr, charset);
  const bool up = r.sysUpTime != PSW_VALUE_ABSENT_U32;
  return {{"model", deviceDescr.empty() ? trimmed(sysDescr) : deviceDescr},
          {"serialNumber", trimmed_text(r.serialNumber, charset)},
          {"printerName", trimmed_text(r.printerName, charset)},
          {"sysName", text(r.sysName, charset)},
          {"sysLocation", text(r.sysLocation, charset)},
          {"sysContact", text(r.sysContact, charset)},
          {"sysDescr", sysDescr},
          {"sysObjectId", text(r.sysObjectID, 0)},
          {"deviceDescr", text(r.deviceDescr, charset)},
          {"sysUpTime", up ? json(r.sysUpTime) : json(nullptr)},
          {"upTimeSeconds", up ? json(r.sysUpTime / 100) : json(nullptr)},
          {"upTimeText", up ? json(uptime_text(r.sysUpTime)) : json(nullptr)},
          {"hardwareAddress", text(r.hardwareAddress, 0)}};
}

json to_json(const PSWMarkerInfo& r, int32_t) {
  return {{"index", number(r.markerIndex)},
          {"deviceIndex", number(r.deviceIndex)},
          {"markingTechnology", number(r.markingTechnology)},
          {"markingTechnologyName", named(r.markingTechnology, marking_technology_name)},
          {"counterUnit", number(r.counterUnit)},
          {"counterUnitName", named(r.counterUnit, counter_unit_name)},
          {"lifeCount", number(r.lifeCount)},
          {"powerOnCount", number(r.powerOnCount)},
          {"processColorants", number(r.processColorants)},
          {"spotColorants", number(r.spotColorants)},
          {"status", number(r.status)},
          {"statusText", named(r.status, subunit_status_text)}};
}

json to_json(const PSWCoverInfo& r, int32_t charset) {
  return {{"index", number(r.coverIndex)},
          {"description", text(r.description, charset)},
          {"status", number(r.status)},
          {"statusName", named(r.status, cover_status_name)},
          {"open", absent(r.status) ? json(nullptr) : json(cover_is_open(r.status))}};
}

json to_json(const PSWConsoleLineInfo& r, int32_t charset) {
  return {{"index", number(r.lineIndex)}, {"text", text(r.text, charset)}};
}

json to_json(const PSWConsoleLightInfo& r, int32_t charset) {
  // On, off or blinking by the two times (milliseconds).
  json state = nullptr;
  if (!absent(r.onTime) && !absent(r.offTime)) {
    state = r.onTime == 0 ? "off" : (r.offTime == 0 ? "on" : "blinking");
  }
  return {{"index", number(r.lightIndex)},
          {"description", text(r.description, charset)},
          {"onTime", number(r.onTime)},
          {"offTime", number(r.offTime)},
          {"color", number(r.color)},
          {"colorName", named(r.color, console_color_name)},
          {"state", state}};
}

}  // namespace pswctl
