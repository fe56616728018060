// pswctl check: a plugin for the monitoring systems that run the classic
// plugin interface (Nagios, Icinga, Checkmk, Naemon): one status line
// "PRINTER OK|WARNING|CRITICAL|UNKNOWN - ..." with performance data after
// a '|', and exit status 0, 1, 2 or 3.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace pswctl {

using nlohmann::json;

struct CheckSettings {
  int warning = 20;   // a supply at or below this many percent left: WARNING
  int critical = 10;  // ... at or below this: CRITICAL
  bool timeoutCritical = false;  // no answer: CRITICAL rather than UNKNOWN
};

// The plugin's exit statuses.
enum CheckState : int { kCheckOk = 0, kCheckWarning = 1, kCheckCritical = 2, kCheckUnknown = 3 };

struct CheckResult {
  int state = kCheckUnknown;
  std::string line;  // the whole status line, performance data included
};

// Judges one printer's reading: {"identity", "supplies", "covers",
// "alerts", "markers", "printer"} as the Device reads them. Open covers and
// critical alerts are CRITICAL; supplies with a known percentage at or
// below the thresholds WARNING or CRITICAL. Performance data: each such
// supply in percent with its thresholds as lower bounds ("20:"), and the
// markers' page counters ("pages", then "pages_2", ... for further
// markers) as counters.
CheckResult evaluate_check(const json& reading, const CheckSettings& settings);

// The status line of a printer that could not be read (result name and
// what happened); UNKNOWN, or CRITICAL for no answer with timeoutCritical.
CheckResult failed_check(int32_t code, const std::string& address, const CheckSettings& settings);

// A performance-data label: quoted when it holds blanks, its quotes
// doubled, '=' (which would end the label) replaced by '_'.
std::string perfdata_label(const std::string& text);

}  // namespace pswctl
