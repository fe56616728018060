// pswctl check, the monitoring plugin: its judgement and performance data
// from readings (thresholds, open covers, critical alerts, label quoting),
// and every exit status against simulated printers: OK, WARNING and
// CRITICAL by supply level, CRITICAL for an open interlock and a critical
// alert, UNKNOWN or CRITICAL for a silent device as --timeout-state says.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "api/served_device.h"
#include "device/status_netns.h"
#include "pswctl_check.h"
#include "pswctl_run.h"

namespace {

using api_test::AgentKind;
using api_test::ServedDevice;
using nlohmann::json;
using pswctl::CheckSettings;
using pswctl::evaluate_check;
using pswctl_test::pswctl;
using pswctl_test::ToolRun;

psw_test::SnmprecProfile profile(const std::string& name) { return api_test::shipped_profile(name); }

json supply(int index, const std::string& description, json percent) {
  return {{"index", index}, {"description", description}, {"typeName", "toner"}, {"levelPercent", percent}};
}

// The plugin guidelines' grammar: 'label'=value[UOM];[warn];[crit];[min];[max]
// (a quoted label doubles its quotes).
bool perfdata_well_formed(const std::string& line) {
  const size_t bar = line.find(" | ");
  if (bar == std::string::npos) return false;
  static const std::regex item(R"(('([^']|'')+'|[^' =]+)=-?[0-9.]+(%|c|s|ms|B|KB|MB|GB|TB)?(;[0-9.:~@]*){0,4})");
  std::string rest = line.substr(bar + 3);
  std::smatch m;
  while (!rest.empty()) {
    if (!std::regex_search(rest, m, item) || m.position(0) != 0) return false;
    rest = rest.substr(static_cast<size_t>(m.length(0)));
    if (!rest.empty() && rest[0] != ' ') return false;
    if (!rest.empty()) rest = rest.substr(1);
  }
  return true;
}

TEST(CheckJudgement, ThresholdsCoversAlertsAndPerfdata) {
  json reading = {{"identity", {{"model", "Corvid CL-5500  "}}},
                  {"printer", {{"statusName", "idle"}}},
                  {"supplies", json::array({supply(1, "Black Toner", 64), supply(2, "Cyan 'C' Toner", 21),
                                            supply(3, "Waste", nullptr)})},
                  {"markers", json::array({{{"lifeCount", 42976}}, {{"lifeCount", 3000000001u}}})}};
  pswctl::CheckResult r = evaluate_check(reading, CheckSettings{});
  EXPECT_EQ(r.state, pswctl::kCheckOk);
  EXPECT_EQ(r.line,
            "PRINTER OK - Corvid CL-5500: idle, no open cover, no critical alert, supplies above 20% | "
            "'Black Toner'=64%;20:;10:;0;100 'Cyan ''C'' Toner'=21%;20:;10:;0;100 pages=42976c pages_2=3000000001c");
  EXPECT_TRUE(perfdata_well_formed(r.line)) << r.line;

  reading["supplies"][1]["levelPercent"] = 20;  // at the warning threshold
  r = evaluate_check(reading, CheckSettings{});
  EXPECT_EQ(r.state, pswctl::kCheckWarning);
  EXPECT_NE(r.line.find("PRINTER WARNING - Corvid CL-5500: Cyan 'C' Toner 20% |"), std::string::npos) << r.line;

  reading["supplies"][1]["levelPercent"] = 10;
  EXPECT_EQ(evaluate_check(reading, CheckSettings{}).state, pswctl::kCheckCritical);
  CheckSettings lenient;
  lenient.warning = 5;
  lenient.critical = 2;
  EXPECT_EQ(evaluate_check(reading, lenient).state, pswctl::kCheckOk);

  // An open cover or a critical alert is CRITICAL whatever the supplies;
  // a '|' in a device text cannot start the performance data early.
  reading["supplies"][1]["levelPercent"] = 90;
  reading["covers"] = json::array({{{"open", false}, {"description", "Front"}}, {{"open", true}, {"description", "Rear | door"}}});
  r = evaluate_check(reading, CheckSettings{});
  EXPECT_EQ(r.state, pswctl::kCheckCritical);
  EXPECT_NE(r.line.find("cover open: Rear / door"), std::string::npos) << r.line;
  EXPECT_TRUE(perfdata_well_formed(r.line)) << r.line;
  reading["covers"] = json::array();
  reading["alerts"] = json::array({{{"severityLevel", 4}, {"description", "Toner low"}},
                                   {{"severityLevel", 3}, {"description", "Jam"}}});
  r = evaluate_check(reading, CheckSettings{});
  EXPECT_EQ(r.state, pswctl::kCheckCritical);
  EXPECT_NE(r.line.find("critical alert: Jam"), std::string::npos) << r.line;
  EXPECT_EQ(r.line.find("Toner low"), std::string::npos) << r.line;
}

TEST(CheckJudgement, LabelsAndFailures) {
  EXPECT_EQ(pswctl::perfdata_label("Black"), "Black");
  EXPECT_EQ(pswctl::perfdata_label("Black Toner"), "'Black Toner'");
  EXPECT_EQ(pswctl::perfdata_label("a=b"), "a_b");
  EXPECT_EQ(pswctl::perfdata_label("it's"), "'it''s'");
  EXPECT_EQ(pswctl::perfdata_label(""), "''");
  CheckSettings s;
  pswctl::CheckResult r = pswctl::failed_check(PSW_ERR_TIMEOUT, "192.0.2.7", s);
  EXPECT_EQ(r.state, pswctl::kCheckUnknown);
  EXPECT_EQ(r.line, "PRINTER UNKNOWN - 192.0.2.7: no answer (PSW_ERR_TIMEOUT)");
  s.timeoutCritical = true;
  EXPECT_EQ(pswctl::failed_check(PSW_ERR_TIMEOUT, "192.0.2.7", s).state, pswctl::kCheckCritical);
  // Only silence is CRITICAL with --timeout-state critical: a refusal
  // stays UNKNOWN.
  EXPECT_EQ(pswctl::failed_check(PSW_ERR_ARGUMENT, "192.0.2.7", s).state, pswctl::kCheckUnknown);
}

// Every exit status from simulated printers.
TEST(CheckPlugin, EveryExitStatusFromProfiles) {
  {
    // Ink at 37 and 100 %, no cover, no alert: OK; WARNING at 40, CRITICAL at 37.
    ServedDevice ink(AgentKind::kSnmpd, profile("meters_inkjet_sparse"));
    ToolRun ok = pswctl(ink.netns_name(), {"check", "127.0.0.1", "--any-model"});
    EXPECT_EQ(ok.exit_code, 0) << ok.out << ok.err;
    EXPECT_EQ(ok.out.rfind("PRINTER OK - Vantor IX-20 Series: ", 0), 0u) << ok.out;
    EXPECT_NE(ok.out.find("'Black ink'=37%;20:;10:;0;100"), std::string::npos) << ok.out;
    EXPECT_NE(ok.out.find(" pages=1234c"), std::string::npos) << ok.out;
    EXPECT_TRUE(perfdata_well_formed(ok.out.substr(0, ok.out.size() - 1))) << ok.out;
    ToolRun warning = pswctl(ink.netns_name(), {"check", "127.0.0.1", "--any-model", "--warning", "40"});
    EXPECT_EQ(warning.exit_code, 1) << warning.out;
    EXPECT_EQ(warning.out.rfind("PRINTER WARNING - Vantor IX-20 Series: Black ink 37%", 0), 0u) << warning.out;
    ToolRun critical =
        pswctl(ink.netns_name(), {"check", "127.0.0.1", "--any-model", "--warning", "50", "--critical", "37"});
    EXPECT_EQ(critical.exit_code, 2) << critical.out;
  }
  {
    // An open interlock and a critical alert.
    ServedDevice laser(AgentKind::kPysnmp, profile("meters_laser"));
    ToolRun r = pswctl(laser.netns_name(), {"check", "127.0.0.1", "--any-model"});
    EXPECT_EQ(r.exit_code, 2) << r.out;
    EXPECT_NE(r.out.find("cover open: Toner access interlock"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("critical alert: Sportello aperto"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" pages=3000000000c pages_2=3000000001c"), std::string::npos) << r.out;
  }
  {
    status_test::PrivateNetns silent;
    ToolRun unknown = pswctl(silent.name(), {"check", "127.0.0.1", "--timeout", "200", "--retries", "0"});
    EXPECT_EQ(unknown.exit_code, 3) << unknown.out;
    EXPECT_EQ(unknown.out, "PRINTER UNKNOWN - 127.0.0.1: no answer (PSW_ERR_TIMEOUT)\n");
    ToolRun critical = pswctl(silent.name(), {"check", "127.0.0.1", "--timeout", "200", "--retries", "0",
                                              "--timeout-state", "critical"});
    EXPECT_EQ(critical.exit_code, 2) << critical.out;
  }
}

}  // namespace
