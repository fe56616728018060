// Readable names for the numbers the printer reports and for the library's
// result codes: enumeration values of the status records, the printer's
// detected error bits, media sizes, supply levels, and what a result code
// means together with what the user could try next.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pswctl {

// The symbolic name of a result code ("PSW_ERR_ARGUMENT", "PSW_ERR_TIMEOUT");
// "PSW_ERR_UNKNOWN" for a code that has no name.
std::string result_code_name(int32_t code);
// One or two sentences: what the code means and what to try.
std::string result_code_advice(int32_t code);

// Exit statuses of pswctl, one per kind of failure, so that scripts can tell
// a printer that is off from one that refuses them.
enum ExitStatus : int {
  kExitOk = 0,
  kExitFailed = 1,        // a failure of none of the kinds below
  kExitUsage = 2,         // the command line is wrong
  kExitNoAnswer = 3,      // no answer within the time-out (device off, wrong address or community)
  kExitRefused = 4,       // the device answered but refused: no value, a refused write, SNMPv3 security
  kExitNotSupported = 5,  // not the supported model, an address of another transport, unsupported request
  kExitNetwork = 6,       // this computer could not send or receive (socket, bind, send, receive)
  kExitBadAnswer = 7,     // the device's answers were faulty (malformed, stuck or endless tables)
};
// The exit status of a failure with this result code; kExitFailed for a
// code of no kind.
int exit_status(int32_t code);

// Names of the printer MIB and host resources enumerations; a value without
// a name gives "other(N)"-like text "value N".
std::string printer_status_name(int32_t status);
std::string device_status_name(int32_t status);
std::string storage_type_name(int32_t type);
std::string device_type_name(int32_t type);
std::string input_type_name(int32_t type);
std::string output_type_name(int32_t type);
std::string alert_severity_name(int32_t severity);
std::string alert_group_name(int32_t group);
std::string supply_unit_name(int32_t unit);
// prtMarkerSuppliesType and prtMarkerSuppliesClass as words ("ink
// cartridge", "consumed"); "value N" for numbers the Printer MIB does not
// name.
std::string supply_type_name(int32_t type);
std::string supply_class_name(int32_t supplyClass);
std::string capacity_unit_name(int32_t unit);
// prtMarkerMarkTech ("electrophotographic laser", "thermal ink jet"),
// prtMarkerCounterUnit ("impressions", "sheets"), prtCoverStatus ("open",
// "interlock closed") and prtConsoleColor ("green").
std::string marking_technology_name(int32_t technology);
std::string counter_unit_name(int32_t unit);
std::string cover_status_name(int32_t status);
std::string console_color_name(int32_t color);
// Whether a prtCoverStatus value says the cover or its interlock is open.
bool cover_is_open(int32_t status);
// A state of PSWGetSupplyLevel as a camelCase word: "known", "unknown",
// "someRemaining", "noMaximum", "receptacle", "other".
std::string level_state_name(int32_t state);
// The option key InputTrayMediaDirection's value: "short edge first",
// "long edge first", "no size matched".
std::string media_direction_name(int32_t direction);
// An uptime in hundredths of a second as days and hours ("12 days 3 hours",
// "1 day 0 hours", "0 days 5 hours 12 minutes" below a day).
std::string uptime_text(uint32_t ticks);

// A sub-unit status (tray status) as its availability and flag words.
std::string subunit_status_text(int32_t status);

// The error conditions set in a PSWPrinterInfo::detectedErrorState value
// (first octet in the lowest byte, bit 0 the octet's most significant bit).
std::vector<std::string> detected_error_names(int32_t state);
// The state's octets as hex text, first octet first ("2804"); trailing zero
// octets after the first are left out.
std::string detected_error_octets(int32_t state);

// A level or capacity value: the printer MIB's special negative values by
// name ("unknown", "some remaining", "other"), else the number.
std::string level_text(int32_t level);
// An alert's group index: -1 (the alert belongs to no row of its group)
// as "none", else the number.
std::string alert_group_index_text(int32_t index);
// An alert's location within its sub-unit: -1 "other", -2 "unknown",
// else the number.
std::string alert_location_text(int32_t location);

// The fill level in percent, when the unit and values allow one: a level
// already in percent, or a non-negative level of a positive maximum in the
// same unit (rounded, clamped to 100). Nothing for the special negative values.
std::optional<int32_t> level_percent(int32_t unit, int32_t maxCapacity, int32_t level);

// The name of a paper size given by its two chosen dimensions in
// `dimUnit` (3: ten-thousandths of an inch, 4: micrometres): "A4", "Letter",
// ...; a ±2 mm tolerance. Empty when no size matches or the unit is other.
struct MediaSize {
  std::string name;       // empty: no size matched
  std::string direction;  // "short edge first", "long edge first" or empty
};
MediaSize media_size(int32_t dimUnit, int32_t feed, int32_t crossFeed);

}  // namespace pswctl
