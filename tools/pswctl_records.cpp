#include "pswctl_records.h"

#include <fmt/format.h>

#include <cstring>

#include "pswctl_names.h"

namespace pswctl {
namespace {

// A text field of a record: at most its size, even without a terminator.
template <size_t N>
std::string text(const char (&field)[N]) {
  return std::string(field, strnlen(field, N));
}

json percent_or_null(const std::optional<int32_t>& p) { return p ? json(*p) : json(nullptr); }

}  // namespace

json to_json(const PSWStorageInfo& r) {
  return {{"type", r.type},
          {"typeName", storage_type_name(r.type)},
          {"allocationUnits", r.allocationUnits},
          {"size", r.size},
          {"bytes", static_cast<int64_t>(r.allocationUnits) * r.size},
          {"description", text(r.description)}};
}

json to_json(const PSWDeviceInfo& r) {
  return {{"type", r.type},
          {"typeName", device_type_name(r.type)},
          {"status", r.status},
          {"statusName", device_status_name(r.status)},
          {"description", text(r.description)}};
}

json to_json(const PSWPrinterInfo& r) {
  return {{"status", r.status},
          {"statusName", printer_status_name(r.status)},
          {"detectedErrorState", detected_error_octets(r.detectedErrorState)},
          {"errors", detected_error_names(r.detectedErrorState)}};
}

json to_json(const PSWInputTrayInfo& r) {
  const MediaSize size = media_size(r.dimUnit, r.mediaDimFeedDirChosen, r.mediaDimXFeedDirChosen);
  return {{"name", text(r.name)},
          {"description", text(r.description)},
          {"type", r.type},
          {"typeName", input_type_name(r.type)},
          {"dimUnit", r.dimUnit},
          {"mediaDimFeedDirDeclared", r.mediaDimFeedDirDeclared},
          {"mediaDimXFeedDirDeclared", r.mediaDimXFeedDirDeclared},
          {"mediaDimFeedDirChosen", r.mediaDimFeedDirChosen},
          {"mediaDimXFeedDirChosen", r.mediaDimXFeedDirChosen},
          {"mediaSize", size.name.empty() ? json(nullptr) : json(size.name)},
          {"direction", size.direction.empty() ? json(nullptr) : json(size.direction)},
          {"capacityUnit", r.capacityUnit},
          {"capacityUnitName", capacity_unit_name(r.capacityUnit)},
          {"maxCapacity", r.maxCapacity},
          {"currentLevel", r.currentLevel},
          {"levelText", level_text(r.currentLevel)},
          {"levelPercent", percent_or_null(level_percent(r.capacityUnit, r.maxCapacity, r.currentLevel))},
          {"status", r.status},
          {"statusText", subunit_status_text(r.status)},
          {"mediaName", text(r.mediaName)},
          {"mediaType", text(r.mediaType)},
          {"mediaColor", text(r.mediaColor)}};
}

json to_json(const PSWOutputTrayInfo& r) {
  return {{"name", text(r.name)},
          {"description", text(r.description)},
          {"type", r.type},
          {"typeName", output_type_name(r.type)},
          {"status", r.status},
          {"statusText", subunit_status_text(r.status)}};
}

json to_json(const PSWTonerInfo& r) {
  return {{"description", text(r.description)},
          {"supplyUnit", r.supplyUnit},
          {"supplyUnitName", supply_unit_name(r.supplyUnit)},
          {"maxCapacity", r.maxCapacity},
          {"level", r.level},
          {"levelText", level_text(r.level)},
          {"levelPercent", percent_or_null(level_percent(r.supplyUnit, r.maxCapacity, r.level))}};
}

json to_json(const PSWAlertInfo& r) {
  return {{"severityLevel", r.severityLevel},
          {"severityName", alert_severity_name(r.severityLevel)},
          {"group", r.group},
          {"groupName", alert_group_name(r.group)},
          {"groupIndex", r.groupIndex},
          {"location", r.location},
          {"code", r.code},
          {"description", text(r.description)}};
}

std::string date_time_text(const uint16_t (&t)[6]) {
  bool any = false;
  for (uint16_t v : t) any = any || v != 0;
  if (!any) return "";
  return fmt::format("{:04}-{:02}-{:02} {:02}:{:02}:{:02}", t[0], t[1], t[2], t[3], t[4], t[5]);
}

json to_json(const PSWJobInfo& r) {
  constexpr int32_t kFinishedState = 17;
  return {{"jobId", text(r.jobId)},
          {"jobType", r.jobType},
          {"jobState", r.jobState},
          {"finished", r.jobState == kFinishedState},
          {"jobValue10", r.jobValue10},
          {"jobCount5", r.jobCount5},
          {"jobCount6", r.jobCount6},
          {"jobText3", text(r.jobText3)},
          {"jobText5", text(r.jobText5)},
          {"jobText6", text(r.jobText6)},
          {"jobText7", text(r.jobText7)},
          {"time10", date_time_text(r.time10)},
          {"time4", date_time_text(r.time4)},
          {"time7", date_time_text(r.time7)}};
}

}  // namespace pswctl
