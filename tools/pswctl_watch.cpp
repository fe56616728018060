#include "pswctl_watch.h"

#include <fmt/format.h>

#include <algorithm>

#include "pswctl_names.h"
#include "pswctl_render.h"

namespace pswctl {
namespace {

bool contains(const json& list, const json& item) { return std::find(list.begin(), list.end(), item) != list.end(); }

// Alerts have no stable identity across readings (rows are renumbered), so
// an alert is the same when all its fields are.
void alert_changes(const json& before, const json& after, json& changes) {
  for (const json& a : after)
    if (!contains(before, a)) changes.push_back({{"what", "alert"}, {"change", "new"}, {"alert", a}});
  for (const json& a : before)
    if (!contains(after, a)) changes.push_back({{"what", "alert"}, {"change", "cleared"}, {"alert", a}});
}

// Toners are matched by description (a supply keeps its name); supplies of
// the same description, unnamed ones included, in their order: the n-th
// "Toner" of one reading is the n-th "Toner" of the other. A toner whose
// level, maximum or unit changed is reported with its new values.
const json* same_toner(const json& list, const json& description, size_t occurrence) {
  for (const json& t : list)
    if (t["description"] == description && occurrence-- == 0) return &t;
  return nullptr;
}

size_t occurrence_of(const json& list, size_t index) {
  size_t n = 0;
  for (size_t i = 0; i < index; ++i)
    if (list[i]["description"] == list[index]["description"]) ++n;
  return n;
}

void toner_changes(const json& before, const json& after, json& changes) {
  for (size_t i = 0; i < after.size(); ++i) {
    const json& t = after[i];
    const json* same = same_toner(before, t["description"], occurrence_of(after, i));
    if (same == nullptr) {
      changes.push_back({{"what", "toner"}, {"change", "new"}, {"toner", t}});
    } else if (*same != t) {
      changes.push_back({{"what", "toner"}, {"change", "changed"}, {"toner", t}, {"before", *same}});
    }
  }
  for (size_t i = 0; i < before.size(); ++i) {
    const json& b = before[i];
    if (same_toner(after, b["description"], occurrence_of(before, i)) == nullptr)
      changes.push_back({{"what", "toner"}, {"change", "cleared"}, {"toner", b}});
  }
}

void printer_changes(const json& before, const json& after, json& changes) {
  if (after.is_null()) return;
  if (before.is_null() || before["status"] != after["status"])
    changes.push_back({{"what", "printer"},
                       {"change", "changed"},
                       {"status", after["status"]},
                       {"statusName", after["statusName"]}});
  const json none = json::array();
  const json& was = before.is_null() ? none : before["errors"];
  for (const json& e : after["errors"])
    if (!contains(was, e)) changes.push_back({{"what", "error"}, {"change", "set"}, {"error", e}});
  for (const json& e : was)
    if (!contains(after["errors"], e)) changes.push_back({{"what", "error"}, {"change", "cleared"}, {"error", e}});
}

}  // namespace

json reachability_change(bool reachable, int32_t code) {
  if (reachable) return {{"what", "device"}, {"change", "reachable"}};
  return {{"what", "device"}, {"change", "unreachable"}, {"code", code}, {"name", result_code_name(code)}};
}

json empty_snapshot() { return {{"printer", nullptr}, {"toners", json::array()}, {"alerts", json::array()}}; }

json watch_changes(const json& before, const json& after) {
  json changes = json::array();
  printer_changes(before["printer"], after["printer"], changes);
  toner_changes(before["toners"], after["toners"], changes);
  alert_changes(before["alerts"], after["alerts"], changes);
  return changes;
}

std::string render_change(const json& c) {
  const std::string what = c["what"].get<std::string>();
  const std::string change = c["change"].get<std::string>();
  if (what == "device") {
    if (change == "reachable") return "device reachable again";
    return fmt::format("device unreachable: {} ({})", cell(c["name"]), cell(c["code"]));
  }
  if (what == "printer") return fmt::format("printer status {}", cell(c["statusName"]));
  if (what == "error") return fmt::format("error {}: {}", change, cell(c["error"]));
  if (what == "toner") {
    const json& t = c["toner"];
    const std::string level = t["levelPercent"].is_null() ? cell(t["levelText"])
                                                          : fmt::format("{}%", t["levelPercent"].get<int>());
    if (change == "cleared") return fmt::format("toner gone: {}", cell(t["description"]));
    return fmt::format("toner {}: {}", cell(t["description"]), level);
  }
  const json& a = c["alert"];
  return fmt::format("alert {}: {} ({}, {}, code {})", change, cell(a["description"]), cell(a["severityName"]),
                     cell(a["groupName"]), cell(a["code"]));
}

}  // namespace pswctl
