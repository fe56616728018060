// The status records of the C interface as JSON objects: the raw numbers
// and texts of each record, plus readable names and derived values (error
// bits, media size, fill level in percent). A value the device lacks
// (PSW_VALUE_ABSENT, PSW_VALUE_ABSENT_U32, a zero date) is null, never the
// placeholder number, and texts are UTF-8 whatever the device's character
// set. The text output of the tool is rendered from these objects, so both
// forms always carry the same data.
#pragma once

#include <nlohmann/json.hpp>

#include "psw/psw.h"

namespace pswctl {

using nlohmann::json;

// `charset` is the character set of the record's texts (MIBenum, see
// pswctl_charset.h): the printer's for the Printer MIB and Host Resources
// records, the maker's for jobs; 0 when unknown.
json to_json(const PSWStorageInfo& r, int32_t charset = 0);
json to_json(const PSWDeviceInfo& r, int32_t charset = 0);
json to_json(const PSWPrinterInfo& r, int32_t charset = 0);
json to_json(const PSWInputTrayInfo& r, int32_t charset = 0);
json to_json(const PSWOutputTrayInfo& r, int32_t charset = 0);
json to_json(const PSWTonerInfo& r, int32_t charset = 0);
json to_json(const PSWSupplyInfo& r, int32_t charset = 0);
json to_json(const PSWAlertInfo& r, int32_t charset = 0);
json to_json(const PSWJobInfo& r, int32_t charset = 0);
json to_json(const PSWIdentityInfo& r, int32_t charset = 0);
json to_json(const PSWMarkerInfo& r, int32_t charset = 0);
json to_json(const PSWCoverInfo& r, int32_t charset = 0);
json to_json(const PSWConsoleLineInfo& r, int32_t charset = 0);
json to_json(const PSWConsoleLightInfo& r, int32_t charset = 0);

// A text without the blanks, tabs and line ends devices pad it with.
std::string trimmed(const std::string& text);

// A six-field date and time as "YYYY-MM-DDThh:mm:ss" (ISO 8601; the device
// gives no zone); null when all zero (the device lacks it).
json date_time(const uint16_t (&t)[6]);

}  // namespace pswctl
