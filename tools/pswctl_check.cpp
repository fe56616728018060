#include "pswctl_check.h"

#include <fmt/format.h>

#include <map>
#include <vector>

#include "pswctl_names.h"
#include "pswctl_records.h"
#include "pswctl_text.h"
#include "psw/psw.h"

namespace pswctl {
namespace {

const char* const kStateNames[] = {"OK", "WARNING", "CRITICAL", "UNKNOWN"};

std::string text_of(const json& value) { return value.is_string() ? trimmed(value.get<std::string>()) : std::string(); }

// What a status line may carry: one line, no '|' (which starts the
// performance data), control characters made visible.
std::string plain(const std::string& text) {
  std::string out = printable(text);
  for (char& c : out)
    if (c == '|') c = '/';
  return out;
}

struct Findings {
  int state = kCheckOk;
  std::vector<std::string> problems;
  void add(int level, const std::string& what) {
    if (level > state) state = level;
    problems.push_back(what);
  }
};

void judge_covers(const json& covers, Findings& f) {
  for (const json& c : covers)
    if (c.value("open", false)) f.add(kCheckCritical, "cover open: " + plain(text_of(c["description"])));
}

void judge_alerts(const json& alerts, Findings& f) {
  constexpr int kCriticalSeverity = 3;
  for (const json& a : alerts)
    if (a["severityLevel"] == kCriticalSeverity)
      f.add(kCheckCritical, "critical alert: " + plain(text_of(a["description"])));
}

// Supplies with a known percentage, judged and put into the performance
// data; labels made unique by the supply's index where two are alike.
void judge_supplies(const json& supplies, const CheckSettings& s, Findings& f, std::vector<std::string>& perf) {
  std::map<std::string, int> seen;
  for (const json& row : supplies) seen[text_of(row["description"])]++;
  for (const json& row : supplies) {
    if (!row["levelPercent"].is_number()) continue;
    const int percent = row["levelPercent"].get<int>();
    std::string name = text_of(row["description"]);
    if (name.empty()) name = text_of(row["typeName"]);
    const std::string label = seen[text_of(row["description"])] > 1 || name.empty()
                                  ? fmt::format("{} #{}", name, row["index"].dump())
                                  : name;
    if (percent <= s.critical) {
      f.add(kCheckCritical, fmt::format("{} {}%", plain(label), percent));
    } else if (percent <= s.warning) {
      f.add(kCheckWarning, fmt::format("{} {}%", plain(label), percent));
    }
    perf.push_back(fmt::format("{}={}%;{}:;{}:;0;100", perfdata_label(label), percent, s.warning, s.critical));
  }
}

void page_counters(const json& markers, std::vector<std::string>& perf) {
  size_t n = 0;
  for (const json& m : markers) {
    if (!m["lifeCount"].is_number()) continue;
    const std::string label = n == 0 ? "pages" : fmt::format("pages_{}", n + 1);
    perf.push_back(fmt::format("{}={}c", label, m["lifeCount"].get<uint64_t>()));
    ++n;
  }
}

}  // namespace

std::string perfdata_label(const std::string& text) {
  std::string label;
  for (char c : text) {
    if (c == '\'') label += "''";
    else if (c == '=') label += '_';
    else if (static_cast<unsigned char>(c) < 0x20) label += '_';
    else label += c;
  }
  return label.find_first_of(" '") == std::string::npos && !label.empty() ? label : "'" + label + "'";
}

CheckResult evaluate_check(const json& reading, const CheckSettings& settings) {
  Findings f;
  std::vector<std::string> perf;
  judge_covers(reading.value("covers", json::array()), f);
  judge_alerts(reading.value("alerts", json::array()), f);
  judge_supplies(reading.value("supplies", json::array()), settings, f, perf);
  page_counters(reading.value("markers", json::array()), perf);

  const json identity = reading.value("identity", json::object());
  std::string who = plain(text_of(identity["model"]));
  if (who.empty()) who = "printer";
  std::string summary;
  if (f.problems.empty()) {
    const json printer = reading.value("printer", json::object());
    summary = fmt::format("{}: {}, no open cover, no critical alert, supplies above {}%", who,
                          printer["statusName"].is_string() ? printer["statusName"].get<std::string>() : "status -",
                          settings.warning);
  } else {
    summary = who + ": ";
    for (size_t i = 0; i < f.problems.size(); ++i) summary += (i ? ", " : "") + f.problems[i];
  }
  CheckResult result;
  result.state = f.state;
  result.line = fmt::format("PRINTER {} - {}", kStateNames[f.state], summary);
  if (!perf.empty()) {
    result.line += " |";
    for (const std::string& p : perf) result.line += " " + p;
  }
  return result;
}

CheckResult failed_check(int32_t code, const std::string& address, const CheckSettings& settings) {
  const bool silent = exit_status(code) == kExitNoAnswer;
  CheckResult result;
  result.state = silent && settings.timeoutCritical ? kCheckCritical : kCheckUnknown;
  result.line = fmt::format("PRINTER {} - {}: {} ({})", kStateNames[result.state], plain(address),
                            silent ? "no answer" : plain(PSWGetResultText(code)), result_code_name(code));
  return result;
}

}  // namespace pswctl
