#include "pswctl_probe.h"

#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "pswctl_names.h"
#include "pswctl_records.h"

namespace pswctl {
namespace {

using prometheus::Gauge;
using prometheus::Labels;
using prometheus::Registry;
using Clock = std::chrono::steady_clock;

prometheus::Family<Gauge>& gauge(Registry& registry, const char* name, const char* help) {
  return prometheus::BuildGauge().Name(name).Help(help).Register(registry);
}

std::string text_or_empty(const json& value) { return value.is_string() ? value.get<std::string>() : std::string(); }

std::string number_label(const json& value) { return value.is_number() ? std::to_string(value.get<int64_t>()) : ""; }

// printer_info: what the printer says it is, from its identity record
// (one request): the model (its printer row's hrDeviceDescr, else sysDescr),
// the serial number and printer name trimmed of their padding (the name
// falls back to sysName), the location, the hardware address and the
// sysObjectID.
void add_info(Device& device, Registry& registry) {
  const json id = device.identity();
  std::string name = text_or_empty(id["printerName"]);
  if (name.empty()) name = trimmed(text_or_empty(id["sysName"]));
  std::string sys_object_id = text_or_empty(id["sysObjectId"]);
  if (sys_object_id.empty()) sys_object_id = device.sys_object_id();
  const Labels labels = {{"model", text_or_empty(id["model"])},
                         {"serial", text_or_empty(id["serialNumber"])},
                         {"name", name},
                         {"location", trimmed(text_or_empty(id["sysLocation"]))},
                         {"mac", text_or_empty(id["hardwareAddress"])},
                         {"sys_object_id", sys_object_id}};
  gauge(registry, "printer_info", "What the printer says it is; the value is always 1").Add(labels).Set(1);
}

// The life count of every marker (prtMarkerLifeCount, in the marker's
// counter unit: impressions or sheets on most printers).
void add_pages(Device& device, Registry& registry) {
  const json rows = device.markers();
  auto& family = prometheus::BuildCounter()
                     .Name("printer_pages_total")
                     .Help("Pages the marker has printed in its life (prtMarkerLifeCount, in its counter unit)")
                     .Register(registry);
  for (const json& row : rows) {
    if (!row["lifeCount"].is_number()) continue;
    family.Add({{"marker", number_label(row["index"])}}).Increment(row["lifeCount"].get<double>());
  }
}

// Every cover or door: 1 when it or its interlock is open.
void add_covers(Device& device, Registry& registry) {
  const json rows = device.covers();
  auto& family = gauge(registry, "printer_cover_open", "1 when the cover or its interlock is open, else 0");
  for (const json& row : rows) {
    if (!row["open"].is_boolean()) continue;
    family.Add({{"index", number_label(row["index"])}, {"description", text_or_empty(row["description"])}})
        .Set(row["open"].get<bool>() ? 1 : 0);
  }
}

// hrPrinterStatus as its number, and every named bit of
// hrPrinterDetectedErrorState as 0 or 1 (bits without a name only when set).
void add_status(Device& device, Registry& registry) {
  const json printer = device.printer_status();
  if (printer["status"].is_number())
    gauge(registry, "printer_status",
          "hrPrinterStatus: 1 other, 2 unknown, 3 idle, 4 printing, 5 warmup")
        .Add({})
        .Set(printer["status"].get<double>());
  if (!printer["errors"].is_array()) return;  // no error state reported
  auto& family = gauge(registry, "printer_error_state",
                       "hrPrinterDetectedErrorState: 1 for each condition the printer reports, else 0");
  for (int bit = 0; bit < 15; ++bit) {
    const int32_t value = static_cast<int32_t>((0x80u >> (bit % 8)) << (8 * (bit / 8)));
    family.Add({{"state", detected_error_names(value).front()}}).Set(0);
  }
  for (const json& name : printer["errors"]) family.Add({{"state", name.get<std::string>()}}).Set(1);
}

// A supply with a known percentage as a ratio (for a waste receptacle the
// space left in it); any other by the state of its level (someRemaining,
// unknown, noMaximum, other).
void add_supplies(Device& device, Registry& registry) {
  const json rows = device.supplies();
  auto& ratios = gauge(registry, "printer_supply_level_ratio",
                       "Fill level of a marker supply, 0 to 1, where the printer gives a percentage");
  auto& states = gauge(registry, "printer_supply_state",
                       "The level state of a supply without a known percentage; the value is always 1");
  for (const json& row : rows) {
    Labels labels = {{"index", number_label(row["index"])},
                     {"type", text_or_empty(row["typeName"])},
                     {"colorant", text_or_empty(row["colorant"])},
                     {"description", text_or_empty(row["description"])}};
    // The library's one reading of the level (PSWGetSupplyLevel): a
    // percentage of what is left, or a state.
    if (row["levelPercent"].is_number()) {
      ratios.Add(labels).Set(row["levelPercent"].get<double>() / 100.0);
    } else {
      labels["state"] = text_or_empty(row["levelState"]);
      states.Add(labels).Set(1);
    }
  }
}

// Alerts counted by severity; the Printer MIB's severities are always
// listed, so that a severity that goes back to none reads 0.
void add_alerts(Device& device, Registry& registry) {
  const json rows = device.alerts();
  auto& family = gauge(registry, "printer_alerts", "Alerts in the printer's alert table, by severity");
  std::map<std::string, int> counts;
  for (int32_t severity : {1, 3, 4, 5}) counts[alert_severity_name(severity)] = 0;
  for (const json& row : rows) ++counts[row["severityName"].is_string() ? row["severityName"].get<std::string>() : "unknown"];
  for (const auto& [severity, count] : counts) family.Add({{"severity", severity}}).Set(count);
}

// Input trays with a known fill level; `index` is the tray's position in
// the printer's input table, from 1.
void add_input_levels(Device& device, Registry& registry) {
  const json rows = device.input_trays();
  auto& family = gauge(registry, "printer_input_level_ratio",
                       "Paper in an input tray, 0 to 1, where the printer gives a level and a capacity");
  for (size_t i = 0; i < rows.size(); ++i) {
    if (!rows[i]["levelPercent"].is_number()) continue;
    family.Add({{"index", std::to_string(i + 1)}, {"name", text_or_empty(rows[i]["name"])}})
        .Set(rows[i]["levelPercent"].get<double>() / 100.0);
  }
}

// The reads of one probe, in order. Each is one group of families; a new
// group is one more function here.
const std::pair<const char*, void (*)(Device&, Registry&)> kSections[] = {
    {"info", add_info},     {"status", add_status},           {"supplies", add_supplies}, {"alerts", add_alerts},
    {"input trays", add_input_levels}, {"pages", add_pages}, {"covers", add_covers}};

// The tables the sections read.
constexpr uint32_t kProbeTables = PSW_TABLE_PRINTER | PSW_TABLE_SUPPLY | PSW_TABLE_ALERT | PSW_TABLE_INPUT_TRAY |
                                  PSW_TABLE_MARKER | PSW_TABLE_COVER;

bool unreachable(int32_t code) {
  return code == PSW_ERR_TIMEOUT || code == PSW_ERR_SEND || code == PSW_ERR_RECEIVE || code == PSW_ERR_SECURITY;
}

}  // namespace

Connection fitted_connection(const Connection& connection, std::chrono::milliseconds budget) {
  Connection fitted = connection;
  constexpr int32_t kShortest = 50;
  const int64_t limit = std::max<int64_t>(budget.count(), kShortest);
  while (fitted.retries > 0 && static_cast<int64_t>(fitted.retries + 1) * fitted.timeoutMs > limit) --fitted.retries;
  if (fitted.timeoutMs > limit) fitted.timeoutMs = static_cast<int32_t>(limit);
  return fitted;
}

ProbeOutcome probe_printer(const Connection& connection, const ProbeTarget& target,
                           std::chrono::milliseconds budget) {
  const Clock::time_point start = Clock::now();
  // The probe runs on this thread from start to end: the library's count of
  // this thread's requests tells what it cost.
  const uint32_t requests_before = PSWGetThreadRequestCount();
  Connection fitted = fitted_connection(connection, budget);
  fitted.transport = target.transport;
  Registry registry;
  ProbeOutcome outcome;
  try {
    Device device(fitted, nullptr);
    device.open(target.address);
    outcome.up = true;
    // Every table the sections show, in one walk.
    device.prefetch(kProbeTables);
    for (const auto& [name, section] : kSections) {
      if (Clock::now() - start > budget) {
        outcome.failures.emplace_back(PSW_ERR_TIMEOUT, std::string("probe time used up before ") + name);
        break;
      }
      try {
        section(device, registry);
      } catch (const PswError& e) {
        outcome.failures.push_back(e);
        // The printer went away: the other reads would wait in vain.
        if (unreachable(e.code())) {
          outcome.up = false;
          break;
        }
      }
    }
  } catch (const PswError& e) {
    outcome.failures.push_back(e);
  } catch (const std::bad_alloc&) {
    outcome.failures.emplace_back(PSW_ERR_NO_MEMORY, "probe");
  }
  outcome.duration = Clock::now() - start;
  gauge(registry, "printer_up", "1 when the printer answered the probe, else 0").Add({}).Set(outcome.up ? 1 : 0);
  gauge(registry, "printer_probe_duration_seconds", "Time the probe took, in seconds")
      .Add({})
      .Set(outcome.duration.count());
  outcome.requests = PSWGetThreadRequestCount() - requests_before;
  gauge(registry, "printer_probe_requests", "SNMP requests the probe sent, retries included")
      .Add({})
      .Set(static_cast<double>(outcome.requests));
  outcome.families = registry.Collect();
  return outcome;
}

std::string exposition_text(const std::vector<prometheus::MetricFamily>& families) {
  return prometheus::TextSerializer().Serialize(families);
}

}  // namespace pswctl
