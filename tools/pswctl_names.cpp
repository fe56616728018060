// Name tables of the tool. The enumerations are those of the printer MIB and
// the host resources MIB that the status records carry as plain numbers.
#include "pswctl_names.h"

#include <fmt/format.h>

#include <cstdlib>
#include <utility>

#include "psw/psw.h"

namespace pswctl {
namespace {

struct Named {
  int32_t value;
  const char* name;
};

template <size_t N>
std::string lookup(const Named (&table)[N], int32_t value) {
  for (const Named& row : table)
    if (row.value == value) return row.name;
  return fmt::format("value {}", value);
}

struct CodeText {
  int32_t code;
  int exitStatus;
  const char* advice;
};

// Every code the C interface returns: the exit status of its kind of
// failure and what the user could try. Names come from the library.
const CodeText kCodes[] = {
    {PSW_OK, kExitOk, "Success."},
    {PSW_ERR_FAILED, kExitBadAnswer,
     "The device's answer had an unexpected form (for options: the firmware version text). "
     "The device may not be the supported model; try 'status' to see what it reports."},
    {PSW_ERR_ARGUMENT, kExitNotSupported,
     "An argument was refused: the address does not belong to the transport, the transport is "
     "not usable, or the device is not of the supported model. Check the address and --transport."},
    {PSW_ERR_NO_MEMORY, kExitFailed, "The library ran out of memory. Close other programs and try again."},
    {PSW_ERR_NO_INTERFACE, kExitFailed,
     "An internal object was not available. Try again with --verbose and report the log."},
    {PSW_ERR_UNSUPPORTED, kExitNotSupported,
     "The operation is not supported (an unknown key or command, or a search on a reserved "
     "transport). Check the spelling and the --transport value."},
    {PSW_ERR_NOT_FOUND, kExitNotSupported, "A name was not found. Check the spelling of what you asked for."},
    {PSW_ERR_NO_VALUE, kExitRefused,
     "The device answered without the value, or refused a write. For writes (cancel) check "
     "--write-community; for reads, the device may not have that table."},
    {PSW_ERR_NOT_OPENED, kExitFailed, "No device is open on the handle. Open the device first (check the address)."},
    {PSW_ERR_PLATFORM, kExitNetwork,
     "A platform service failed to start. Check that the network stack and libraries are present."},
    {PSW_ERR_INDEX, kExitFailed,
     "An index lies beyond the table read last, or a list is full (at most 50 --filter prefixes)."},
    {PSW_ERR_SNMP_LIBRARY, kExitFailed, "The SNMPv3 library reported an error. Try again with --verbose to see its message."},
    {PSW_ERR_SOCKET, kExitNetwork, "No socket could be created. Check that the transport is available on this computer."},
    {PSW_ERR_BIND, kExitNetwork, "The socket could not be bound. Check that the local address and port are free."},
    {PSW_ERR_TIMEOUT, kExitNoAnswer,
     "No answer within the time-out. Check the address and the community (--community), that "
     "the device is switched on and reachable, or raise --timeout and --retries."},
    {PSW_ERR_RECEIVE, kExitNetwork, "Receiving failed. Check the network connection."},
    {PSW_ERR_SEND, kExitNetwork,
     "Sending failed. Check that the address is reachable (a route exists) and that broadcasts are allowed."},
    {PSW_ERR_TOO_BIG, kExitBadAnswer,
     "The device's answer would be too big. Try again; the library splits requests where it can."},
    {PSW_ERR_OVERFLOW, kExitBadAnswer, "A message did not fit its buffer. Try again with --verbose and report the log."},
    {PSW_ERR_NO_SPLIT, kExitBadAnswer, "The request could not be made small enough for the device."},
    {PSW_ERR_SECURITY, kExitRefused,
     "SNMPv3 security failed. Check --v3-user, --v3-level, the protocols and the pass phrases."},
    {PSW_ERR_MALFORMED, kExitBadAnswer, "The device sent a malformed message. Try again with -vvvv to see it."},
    {PSW_ERR_OTHER_REQUEST, kExitBadAnswer, "An answer belonged to another request. Try again."},
    {PSW_ERR_NO_PDU_TYPE, kExitBadAnswer, "The device sent an answer without a PDU type."},
    {PSW_ERR_BAD_INDEX, kExitBadAnswer, "A table index sent by the device could not be read."},
    {PSW_ERR_WALK_STUCK, kExitBadAnswer, "The device's table answers stopped advancing; its agent is faulty."},
    {PSW_ERR_WALK_TOO_LONG, kExitBadAnswer, "The device's table did not end within 10000 rows."},
};

const CodeText* find_code(int32_t code) {
  for (const CodeText& c : kCodes)
    if (c.code == code) return &c;
  return nullptr;
}

// hrPrinterDetectedErrorState bits, bit 0 first.
const char* const kErrorBits[] = {
    "lowPaper",       "noPaper",           "lowToner",          "noToner",
    "doorOpen",       "jammed",            "offline",           "serviceRequested",
    "inputTrayMissing", "outputTrayMissing", "markerSupplyMissing", "outputNearFull",
    "outputFull",     "inputTrayEmpty",    "overduePreventMaint",
};

// Paper sizes by short and long side in micrometres.
struct Paper {
  int32_t shortSide;
  int32_t longSide;
  const char* name;
};
const Paper kPapers[] = {
    {297000, 420000, "A3"},        {210000, 297000, "A4"},        {148000, 210000, "A5"},
    {105000, 148000, "A6"},        {257000, 364000, "B4"},        {182000, 257000, "B5"},
    {215900, 279400, "Letter"},    {215900, 355600, "Legal"},     {279400, 431800, "Ledger"},
    {184150, 266700, "Executive"}, {139700, 215900, "Statement"}, {215900, 330200, "Folio"},
    {100000, 148000, "Postcard"},  {110000, 220000, "DL envelope"}, {162000, 229000, "C5 envelope"},
    {104775, 241300, "Com-10 envelope"}, {98425, 190500, "Monarch envelope"},
};
constexpr int32_t kPaperTolerance = 2000;  // micrometres either way

}  // namespace

std::string result_code_name(int32_t code) { return PSWGetResultName(code); }

std::string result_code_advice(int32_t code) {
  const CodeText* c = find_code(code);
  if (c != nullptr) return c->advice;
  return "An error the tool does not know. Try again with --verbose to see the library's log.";
}

int exit_status(int32_t code) {
  const CodeText* c = find_code(code);
  return c != nullptr ? c->exitStatus : kExitFailed;
}

std::string printer_status_name(int32_t status) {
  static const Named t[] = {{1, "other"}, {2, "unknown"}, {3, "idle"}, {4, "printing"}, {5, "warmup"}};
  return lookup(t, status);
}

std::string device_status_name(int32_t status) {
  static const Named t[] = {{1, "unknown"}, {2, "running"}, {3, "warning"}, {4, "testing"}, {5, "down"}};
  return lookup(t, status);
}

std::string storage_type_name(int32_t type) {
  static const Named t[] = {{0, "unknown"}, {1, "other"},         {2, "ram"},         {3, "virtualMemory"},
                            {4, "fixedDisk"}, {5, "removableDisk"}, {6, "floppyDisk"}, {7, "compactDisc"},
                            {8, "ramDisk"},   {9, "flashMemory"},   {10, "networkDisk"}};
  return lookup(t, type);
}

std::string device_type_name(int32_t type) {
  static const Named t[] = {
      {0, "unknown"},       {1, "other"},      {2, "unknown"},          {3, "processor"},
      {4, "network"},       {5, "printer"},    {6, "diskStorage"},      {10, "video"},
      {11, "audio"},        {12, "coprocessor"}, {13, "keyboard"},      {14, "modem"},
      {15, "parallelPort"}, {16, "pointing"},  {17, "serialPort"},      {18, "tape"},
      {19, "clock"},        {20, "volatileMemory"}, {21, "nonVolatileMemory"}};
  if (type > 100) return fmt::format("maker unit {}", type);
  return lookup(t, type);
}

std::string input_type_name(int32_t type) {
  static const Named t[] = {{1, "other"},          {2, "unknown"},      {3, "removable tray"},
                            {4, "fixed tray"},     {5, "manual feed"},  {6, "continuous roll"},
                            {7, "continuous fan-fold"}};
  return lookup(t, type);
}

std::string output_type_name(int32_t type) {
  static const Named t[] = {{1, "other"},   {2, "unknown"},        {3, "removable bin"},
                            {4, "fixed bin"}, {5, "continuous roll"}, {6, "mailbox"},
                            {7, "continuous fan-fold"}};
  return lookup(t, type);
}

std::string alert_severity_name(int32_t severity) {
  static const Named t[] = {{1, "other"}, {3, "critical"}, {4, "warning"}, {5, "warning (binary change)"}};
  return lookup(t, severity);
}

std::string alert_group_name(int32_t group) {
  static const Named t[] = {
      {1, "other"},         {3, "storage"},          {4, "device"},        {5, "general printer"},
      {6, "cover"},         {7, "localization"},     {8, "input"},         {9, "output"},
      {10, "marker"},       {11, "marker supplies"}, {12, "colorant"},     {13, "media path"},
      {14, "channel"},      {15, "interpreter"},     {16, "console display"}, {17, "console lights"},
      {18, "alert"},        {30, "finisher"},        {31, "finisher supply"}, {32, "finisher media input"},
      {33, "finisher attribute"}};
  return lookup(t, group);
}

std::string supply_unit_name(int32_t unit) {
  static const Named t[] = {
      {1, "other"},         {2, "unknown"},      {3, "1/10000 in"},  {4, "micrometres"},
      {7, "impressions"},   {8, "sheets"},       {11, "hours"},       {12, "1/1000 oz"},
      {13, "1/10 g"},       {14, "1/100 fl oz"}, {15, "1/10 ml"},     {16, "feet"},
      {17, "metres"},       {18, "items"},       {19, "percent"}};
  return lookup(t, unit);
}

std::string supply_type_name(int32_t type) {
  static const Named t[] = {
      {1, "other"},          {2, "unknown"},          {3, "toner"},          {4, "waste toner"},
      {5, "ink"},            {6, "ink cartridge"},    {7, "ink ribbon"},     {8, "waste ink"},
      {9, "drum"},           {10, "developer"},       {11, "fuser oil"},     {12, "solid wax"},
      {13, "ribbon wax"},    {14, "waste wax"},       {15, "fuser"},         {16, "corona wire"},
      {17, "fuser oil wick"}, {18, "cleaner unit"},   {19, "fuser cleaning pad"}, {20, "transfer unit"},
      {21, "toner cartridge"}, {22, "fuser oiler"},   {23, "water"},         {24, "waste water"},
      {25, "glue water additive"}, {26, "waste paper"}, {27, "binding supply"}, {28, "banding supply"},
      {29, "stitching wire"}, {30, "shrink wrap"},    {31, "paper wrap"},    {32, "staples"},
      {33, "inserts"},       {34, "covers"},          {35, "matte toner"},   {36, "matte ink"}};
  return lookup(t, type);
}

std::string supply_class_name(int32_t supplyClass) {
  static const Named t[] = {{1, "other"}, {3, "consumed"}, {4, "receptacle"}};
  return lookup(t, supplyClass);
}

std::string capacity_unit_name(int32_t unit) {
  static const Named t[] = {{1, "other"},  {2, "unknown"}, {3, "1/10000 in"}, {4, "micrometres"}, {8, "sheets"},
                            {16, "feet"}, {17, "metres"}, {18, "items"},     {19, "percent"}};
  return lookup(t, unit);
}

std::string marking_technology_name(int32_t technology) {
  static const Named t[] = {{1, "other"},
                            {2, "unknown"},
                            {3, "electrophotographic LED"},
                            {4, "electrophotographic laser"},
                            {5, "electrophotographic other"},
                            {6, "dot matrix 9-pin"},
                            {7, "dot matrix 24-pin"},
                            {8, "dot matrix other"},
                            {9, "fully formed impact"},
                            {10, "impact band"},
                            {11, "impact other"},
                            {12, "ink jet aerosol"},
                            {13, "thermal ink jet"},
                            {14, "ink jet other"},
                            {15, "pen"},
                            {16, "thermal transfer"},
                            {17, "thermal sensitive"},
                            {18, "thermal diffusion"},
                            {19, "thermal other"},
                            {20, "electroerosion"},
                            {21, "electrostatic"},
                            {22, "photographic microfiche"},
                            {23, "photographic imagesetter"},
                            {24, "photographic other"},
                            {25, "ion deposition"},
                            {26, "e-beam"},
                            {27, "typesetter"}};
  return lookup(t, technology);
}

std::string counter_unit_name(int32_t unit) {
  static const Named t[] = {{3, "1/10000 in"}, {4, "micrometres"}, {5, "characters"}, {6, "lines"},
                            {7, "impressions"}, {8, "sheets"},     {9, "dot rows"},   {11, "hours"},
                            {16, "feet"},       {17, "metres"}};
  return lookup(t, unit);
}

std::string cover_status_name(int32_t status) {
  static const Named t[] = {
      {1, "other"}, {3, "open"}, {4, "closed"}, {5, "interlock open"}, {6, "interlock closed"}};
  return lookup(t, status);
}

bool cover_is_open(int32_t status) { return status == PSW_COVER_OPEN || status == PSW_COVER_INTERLOCK_OPEN; }

std::string console_color_name(int32_t color) {
  static const Named t[] = {{1, "other"}, {2, "unknown"}, {3, "white"},   {4, "red"},     {5, "green"},
                            {6, "blue"},  {7, "cyan"},    {8, "magenta"}, {9, "yellow"}, {10, "orange"}};
  return lookup(t, color);
}

std::string level_state_name(int32_t state) {
  static const Named t[] = {{PSW_LEVEL_KNOWN, "known"},         {PSW_LEVEL_UNKNOWN, "unknown"},
                            {PSW_LEVEL_SOME_REMAINING, "someRemaining"}, {PSW_LEVEL_NO_MAXIMUM, "noMaximum"},
                            {PSW_LEVEL_RECEPTACLE, "receptacle"}, {PSW_LEVEL_OTHER, "other"}};
  return lookup(t, state);
}

std::string media_direction_name(int32_t direction) {
  static const Named t[] = {{1, "no size matched"}, {2, "short edge first"}, {3, "long edge first"}};
  return lookup(t, direction);
}

std::string uptime_text(uint32_t ticks) {
  const uint32_t minutes = ticks / 6000;
  const uint32_t days = minutes / (60 * 24);
  const uint32_t hours = minutes / 60 % 24;
  const std::string day_part = fmt::format("{} day{} {} hour{}", days, days == 1 ? "" : "s", hours, hours == 1 ? "" : "s");
  if (days > 0) return day_part;
  return fmt::format("{} {} minute{}", day_part, minutes % 60, minutes % 60 == 1 ? "" : "s");
}

std::string subunit_status_text(int32_t status) {
  if (status < 0) return fmt::format("value {}", status);
  static const char* const availability[] = {"available, idle",         "unavailable on request",
                                             "available, standby",      "unavailable, broken",
                                             "available, active",       "unknown",
                                             "busy",                    "value 7"};
  std::string text = availability[status & 7];
  if (status & 8) text += ", non-critical alerts";
  if (status & 16) text += ", critical alerts";
  if (status & 32) text += ", off-line";
  if (status & 64) text += ", transitioning";
  return text;
}

std::vector<std::string> detected_error_names(int32_t state) {
  const uint32_t bits = static_cast<uint32_t>(state);
  std::vector<std::string> names;
  for (size_t bit = 0; bit < 32; ++bit) {
    const uint32_t octet = (bits >> (8 * (bit / 8))) & 0xFFu;
    if ((octet & (0x80u >> (bit % 8))) == 0) continue;
    names.push_back(bit < std::size(kErrorBits) ? kErrorBits[bit] : fmt::format("bit {}", bit));
  }
  return names;
}

std::string detected_error_octets(int32_t state) {
  const uint32_t bits = static_cast<uint32_t>(state);
  size_t octets = 4;
  while (octets > 1 && ((bits >> (8 * (octets - 1))) & 0xFFu) == 0) --octets;
  std::string text;
  for (size_t i = 0; i < octets; ++i) text += fmt::format("{:02x}", (bits >> (8 * i)) & 0xFFu);
  return text;
}

std::string level_text(int32_t level) {
  switch (level) {
    case -1: return "other";
    case -2: return "unknown";
    case -3: return "some remaining";
    default: return std::to_string(level);
  }
}

std::string alert_group_index_text(int32_t index) {
  return index == -1 ? std::string("none") : std::to_string(index);
}

std::string alert_location_text(int32_t location) {
  switch (location) {
    case -1: return "other";
    case -2: return "unknown";
    default: return std::to_string(location);
  }
}

std::optional<int32_t> level_percent(int32_t unit, int32_t maxCapacity, int32_t level) {
  constexpr int32_t kUnitPercent = 19;
  if (level < 0) return std::nullopt;
  if (unit == kUnitPercent) return level > 100 ? 100 : level;
  if (maxCapacity <= 0) return std::nullopt;
  // Rounded to the nearest percent, as the option reader's tray levels are.
  const int64_t percent = (static_cast<int64_t>(level) * 100 + maxCapacity / 2) / maxCapacity;
  return static_cast<int32_t>(percent > 100 ? 100 : percent);
}

MediaSize media_size(int32_t dimUnit, int32_t feed, int32_t crossFeed) {
  constexpr int32_t kTenThousandthsOfInch = 3;
  constexpr int32_t kMicrometres = 4;
  if (feed < 0 || crossFeed < 0) return {};
  int64_t f = feed;
  int64_t x = crossFeed;
  if (dimUnit == kTenThousandthsOfInch) {
    f = f * 254 / 100;  // 1/10000 in = 2.54 micrometres
    x = x * 254 / 100;
  } else if (dimUnit != kMicrometres) {
    return {};
  }
  const int64_t shortSide = f < x ? f : x;
  const int64_t longSide = f < x ? x : f;
  for (const Paper& p : kPapers) {
    if (std::llabs(shortSide - p.shortSide) > kPaperTolerance) continue;
    if (std::llabs(longSide - p.longSide) > kPaperTolerance) continue;
    // The leading edge is the cross-feed side: a long feed side means the
    // short edge enters first.
    return {p.name, f >= x ? "short edge first" : "long edge first"};
  }
  return {};
}

}  // namespace pswctl
