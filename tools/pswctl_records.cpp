#include "pswctl_records.h"

#include <fmt/format.h>

#include <cstring>

#include "pswctl_names.h"
#include "pswctl_text.h"

namespace pswctl {
namespace {

// A text field of a record as UTF-8: at most its size, even without a
// terminator, in the device's character set turned into UTF-8.
template <size_t N>
std::string text(const char (&field)[N]) {
  return device_text(field);
}

json percent_or_null(const std::optional<int32_t>& p) { return p ? json(*p) : json(nullptr); }

bool absent(int32_t v) { return v == PSW_VALUE_ABSENT; }

// A signed field: null when the device lacks the cell.
json number(int32_t v) { return absent(v) ? json(nullptr) : json(v); }
json number(uint32_t v) { return v == PSW_VALUE_ABSENT_U32 ? json(nullptr) : json(v); }

// The readable form of a field: null when the device lacks the cell.
json named(int32_t v, std::string (*name)(int32_t)) { return absent(v) ? json(nullptr) : json(name(v)); }

}  // namespace

json to_json(const PSWStorageInfo& r) {
  // Mapped types read 0 (unknown) when absent; sizes are null.
  const bool sized = !absent(r.allocationUnits) && !absent(r.size) && r.allocationUnits >= 0 && r.size >= 0;
  return {{"type", r.type},
          {"typeName", storage_type_name(r.type)},
          {"allocationUnits", number(r.allocationUnits)},
          {"size", number(r.size)},
          {"bytes", sized ? json(static_cast<int64_t>(r.allocationUnits) * r.size) : json(nullptr)},
          {"description", text(r.description)}};
}

json to_json(const PSWDeviceInfo& r) {
  return {{"type", r.type},
          {"typeName", device_type_name(r.type)},
          {"status", number(r.status)},
          {"statusName", named(r.status, device_status_name)},
          {"description", text(r.description)}};
}

json to_json(const PSWPrinterInfo& r) {
  return {{"status", number(r.status)},
          {"statusName", named(r.status, printer_status_name)},
          {"detectedErrorState", detected_error_octets(r.detectedErrorState)},
          {"errors", detected_error_names(r.detectedErrorState)}};
}

json to_json(const PSWInputTrayInfo& r) {
  // Absent dimensions and levels are negative: no size, no percentage.
  const MediaSize size = media_size(r.dimUnit, r.mediaDimFeedDirChosen, r.mediaDimXFeedDirChosen);
  return {{"name", text(r.name)},
          {"description", text(r.description)},
          {"type", number(r.type)},
          {"typeName", named(r.type, input_type_name)},
          {"dimUnit", number(r.dimUnit)},
          {"mediaDimFeedDirDeclared", number(r.mediaDimFeedDirDeclared)},
          {"mediaDimXFeedDirDeclared", number(r.mediaDimXFeedDirDeclared)},
          {"mediaDimFeedDirChosen", number(r.mediaDimFeedDirChosen)},
          {"mediaDimXFeedDirChosen", number(r.mediaDimXFeedDirChosen)},
          {"mediaSize", size.name.empty() ? json(nullptr) : json(size.name)},
          {"direction", size.direction.empty() ? json(nullptr) : json(size.direction)},
          {"capacityUnit", number(r.capacityUnit)},
          {"capacityUnitName", named(r.capacityUnit, capacity_unit_name)},
          {"maxCapacity", number(r.maxCapacity)},
          {"currentLevel", number(r.currentLevel)},
          {"levelText", named(r.currentLevel, level_text)},
          {"levelPercent", percent_or_null(level_percent(r.capacityUnit, r.maxCapacity, r.currentLevel))},
          {"status", number(r.status)},
          {"statusText", named(r.status, subunit_status_text)},
          {"mediaName", text(r.mediaName)},
          {"mediaType", text(r.mediaType)},
          {"mediaColor", text(r.mediaColor)}};
}

json to_json(const PSWOutputTrayInfo& r) {
  return {{"name", text(r.name)},
          {"description", text(r.description)},
          {"type", number(r.type)},
          {"typeName", named(r.type, output_type_name)},
          {"status", number(r.status)},
          {"statusText", named(r.status, subunit_status_text)}};
}

json to_json(const PSWTonerInfo& r) {
  return {{"description", text(r.description)},
          {"supplyUnit", number(r.supplyUnit)},
          {"supplyUnitName", named(r.supplyUnit, supply_unit_name)},
          {"maxCapacity", number(r.maxCapacity)},
          {"level", number(r.level)},
          {"levelText", named(r.level, level_text)},
          {"levelPercent", percent_or_null(level_percent(r.supplyUnit, r.maxCapacity, r.level))}};
}

json to_json(const PSWAlertInfo& r) {
  return {{"severityLevel", number(r.severityLevel)},
          {"severityName", named(r.severityLevel, alert_severity_name)},
          {"group", number(r.group)},
          {"groupName", named(r.group, alert_group_name)},
          {"groupIndex", number(r.groupIndex)},
          {"location", number(r.location)},
          {"code", number(r.code)},
          {"description", text(r.description)}};
}

json date_time(const uint16_t (&t)[6]) {
  bool any = false;
  for (uint16_t v : t) any = any || v != 0;
  if (!any) return nullptr;
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", t[0], t[1], t[2], t[3], t[4], t[5]);
}

json to_json(const PSWJobInfo& r) {
  constexpr int32_t kFinishedState = 17;
  return {{"jobId", text(r.jobId)},
          {"jobType", r.jobType},
          {"jobState", number(r.jobState)},
          {"finished", r.jobState == kFinishedState},
          {"jobValue10", number(r.jobValue10)},
          {"jobCount5", number(r.jobCount5)},
          {"jobCount6", number(r.jobCount6)},
          {"jobText3", text(r.jobText3)},
          {"jobText5", text(r.jobText5)},
          {"jobText6", text(r.jobText6)},
          {"jobText7", text(r.jobText7)},
          {"time10", date_time(r.time10)},
          {"time4", date_time(r.time4)},
          {"time7", date_time(r.time7)}};
}

}  // namespace pswctl
