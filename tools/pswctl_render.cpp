#include "pswctl_render.h"

#include <fmt/format.h>

#include <algorithm>
#include <cstdint>

#include "pswctl_names.h"
#include "pswctl_option_keys.h"
#include "pswctl_records.h"
#include "pswctl_text.h"

namespace pswctl {

std::string cell(const json& value) {
  if (value.is_null()) return "-";
  if (value.is_string()) {
    const std::string& text = value.get_ref<const std::string&>();
    return text.empty() ? "-" : printable(text);
  }
  if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
  return value.dump();
}

std::string render_table(const std::string& title, const std::vector<std::string>& header,
                         const std::vector<std::vector<std::string>>& rows) {
  std::string out = title + "\n";
  if (rows.empty()) return out + "  (none)\n\n";
  std::vector<size_t> widths(header.size(), 0);
  auto measure = [&](const std::vector<std::string>& row) {
    for (size_t i = 0; i < row.size() && i < widths.size(); ++i)
      widths[i] = std::max(widths[i], display_width(row[i]));
  };
  measure(header);
  for (const auto& row : rows) measure(row);
  auto line = [&](const std::vector<std::string>& row) {
    std::string text = " ";
    for (size_t i = 0; i < widths.size(); ++i) {
      const std::string& c = i < row.size() ? row[i] : std::string();
      text += " " + c;
      if (i + 1 < widths.size()) text.append(widths[i] - display_width(c) + 1, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text + "\n";
  };
  out += line(header);
  for (const auto& row : rows) out += line(row);
  return out + "\n";
}

std::string render_devices(const json& devices) {
  // The interface column only for a search of every interface.
  bool interfaces = false;
  for (const json& d : devices) interfaces = interfaces || !d.value("interface", json()).is_null();
  std::vector<std::vector<std::string>> rows;
  for (const json& d : devices) {
    rows.push_back({cell(d["address"]), cell(d["modelName"]), cell(d["sysObjectId"])});
    if (interfaces) rows.back().push_back(cell(d["interface"]));
  }
  std::vector<std::string> header = {"ADDRESS", "MODEL", "SYSOBJECTID"};
  if (interfaces) header.push_back("INTERFACE");
  return render_table(fmt::format("Devices found: {}", devices.size()), header, rows);
}

namespace {

std::string percent_cell(const json& percent, const json& levelText) {
  if (percent.is_null()) return cell(levelText);
  return fmt::format("{}%", percent.get<int>());
}

std::string storage_section(const json& storage) {
  std::vector<std::vector<std::string>> rows;
  for (const json& s : storage)
    rows.push_back({cell(s["description"]), cell(s["typeName"]), cell(s["allocationUnits"]), cell(s["size"]),
                    cell(s["bytes"])});
  return render_table("Storage", {"DESCRIPTION", "TYPE", "UNIT", "SIZE", "BYTES"}, rows);
}

std::string devices_section(const json& devices) {
  std::vector<std::vector<std::string>> rows;
  for (const json& d : devices) rows.push_back({cell(d["description"]), cell(d["typeName"]), cell(d["statusName"])});
  return render_table("Devices", {"DESCRIPTION", "TYPE", "STATUS"}, rows);
}

std::string printer_section(const json& p) {
  if (p["errors"].is_null())
    return fmt::format("Printer\n  status: {}\n  detected errors: -\n\n", cell(p["statusName"]));
  std::string errors;
  for (const json& e : p["errors"]) errors += (errors.empty() ? "" : ", ") + cell(e);
  return fmt::format("Printer\n  status: {}\n  detected errors: {} (octets {})\n\n", cell(p["statusName"]),
                     errors.empty() ? "none" : errors, cell(p["detectedErrorState"]));
}

// "412 (75%)", "600 (100%, above the maximum)", "some remaining", "-".
std::string level_cell(const json& levelText, const json& percent, const json& above) {
  std::string level = cell(levelText);
  if (percent.is_null()) return level;
  if (above.is_boolean() && above.get<bool>()) return fmt::format("{} ({}%, above the maximum)", level, percent.get<int>());
  return fmt::format("{} ({}%)", level, percent.get<int>());
}

std::string input_section(const json& trays) {
  std::vector<std::vector<std::string>> rows;
  for (const json& t : trays) {
    // A unit only after a count: not after "-", nor after the negative
    // special values.
    std::string capacity = cell(t["maxCapacityText"]);
    if (t["maxCapacity"].is_number() && t["maxCapacity"].get<int>() >= 0 && !t["capacityUnitName"].is_null())
      capacity += " " + cell(t["capacityUnitName"]);
    const std::string level = level_cell(t["levelText"], t["levelPercent"], t["aboveMaximum"]);
    rows.push_back({cell(t["name"]), cell(t["typeName"]), cell(t["mediaSize"]), cell(t["direction"]), capacity,
                    level, cell(t["mediaName"]), cell(t["statusText"])});
  }
  return render_table("Input trays", {"NAME", "TYPE", "SIZE", "DIRECTION", "CAPACITY", "LEVEL", "MEDIA", "STATUS"},
                      rows);
}

std::string output_section(const json& trays) {
  std::vector<std::vector<std::string>> rows;
  for (const json& t : trays)
    rows.push_back({cell(t["name"]), cell(t["typeName"]), cell(t["statusText"]), cell(t["description"])});
  return render_table("Output trays", {"NAME", "TYPE", "STATUS", "DESCRIPTION"}, rows);
}

std::string toner_section(const json& toners) {
  std::vector<std::vector<std::string>> rows;
  for (const json& t : toners) {
    std::string raw = fmt::format("{} / {}", cell(t["levelText"]), cell(t["maxCapacityText"]));
    if (!t["supplyUnitName"].is_null()) raw += " " + cell(t["supplyUnitName"]);
    if (t["aboveMaximum"].is_boolean() && t["aboveMaximum"].get<bool>()) raw += " (above the maximum)";
    rows.push_back({cell(t["description"]), percent_cell(t["levelPercent"], t["levelText"]), raw});
  }
  return render_table("Toners", {"DESCRIPTION", "LEVEL", "RAW"}, rows);
}

// Every supply, grouped by type in the order of the type numbers (toner
// before waste toner before ink ...), the device's order within a type.
std::string supply_section(const json& supplies) {
  std::vector<const json*> sorted;
  for (const json& s : supplies) sorted.push_back(&s);
  auto type_of = [](const json* s) { return (*s)["type"].is_number() ? (*s)["type"].get<int64_t>() : INT64_MAX; };
  std::stable_sort(sorted.begin(), sorted.end(), [&](const json* a, const json* b) { return type_of(a) < type_of(b); });
  std::vector<std::vector<std::string>> rows;
  for (const json* p : sorted) {
    const json& s = *p;
    std::string raw = fmt::format("{} / {}", cell(s["levelText"]), cell(s["maxCapacityText"]));
    if (!s["supplyUnitName"].is_null()) raw += " " + cell(s["supplyUnitName"]);
    if (s["aboveMaximum"].is_boolean() && s["aboveMaximum"].get<bool>()) raw += " (above the maximum)";
    rows.push_back({cell(s["typeName"]), cell(s["description"]), cell(s["colorant"]), cell(s["className"]),
                    percent_cell(s["levelPercent"], s["levelText"]), cell(s["levelState"]), raw});
  }
  return render_table("Supplies", {"TYPE", "DESCRIPTION", "COLORANT", "CLASS", "LEVEL", "STATE", "RAW"}, rows);
}

// The identity block that opens a status: the model and what an inventory
// keys on. Texts are trimmed of the padding devices send with them.
std::string identity_section(const json& id) {
  auto line = [](const char* label, const json& value) {
    return fmt::format("  {}: {}\n", label, cell(value.is_string() ? json(trimmed(value.get<std::string>())) : value));
  };
  return "Identity\n" + line("model", id["model"]) + line("serial number", id["serialNumber"]) +
         line("printer name", id["printerName"]) + line("system name", id["sysName"]) +
         line("location", id["sysLocation"]) + line("contact", id["sysContact"]) +
         line("uptime", id["upTimeText"]) + line("hardware address", id["hardwareAddress"]) +
         line("sysObjectID", id["sysObjectId"]) + "\n";
}

std::string marker_section(const json& markers) {
  std::vector<std::vector<std::string>> rows;
  for (const json& m : markers)
    rows.push_back({cell(m["index"]), cell(m["markingTechnologyName"]), cell(m["counterUnitName"]),
                    cell(m["lifeCount"]), cell(m["powerOnCount"]), cell(m["statusText"])});
  return render_table("Page counters", {"MARKER", "TECHNOLOGY", "UNIT", "LIFE", "SINCE POWER-ON", "STATUS"}, rows);
}

// Open covers carry a "!" in front, so they stand out in a long report.
std::string cover_section(const json& covers) {
  std::vector<std::vector<std::string>> rows;
  for (const json& c : covers) {
    const bool open = c["open"].is_boolean() && c["open"].get<bool>();
    rows.push_back({open ? "!" : "", cell(c["description"]), cell(c["statusName"])});
  }
  return render_table("Covers", {"", "DESCRIPTION", "STATUS"}, rows);
}

// The console's display as the device shows it, one line per row, without
// the blanks it pads lines with; an empty line stays a line.
std::string console_section(const json& lines, const json& lights) {
  std::string out = "Console\n";
  if (lines.empty() && lights.empty()) return out + "  (none)\n\n";
  for (const json& l : lines) {
    const std::string text = l["text"].is_string() ? trimmed(l["text"].get<std::string>()) : std::string();
    out += text.empty() ? fmt::format("  {}:\n", cell(l["index"])) : fmt::format("  {}: {}\n", cell(l["index"]), printable(text));
  }
  for (const json& l : lights)
    out += fmt::format("  light {}: {} ({}, {})\n", cell(l["index"]), cell(l["description"]), cell(l["colorName"]),
                       cell(l["state"]));
  return out + "\n";
}

std::string alert_section(const json& alerts) {
  std::vector<std::vector<std::string>> rows;
  for (const json& a : alerts)
    rows.push_back({cell(a["severityName"]), cell(a["groupName"]), cell(a["groupIndexText"]),
                    cell(a["locationText"]), cell(a["code"]), cell(a["description"])});
  return render_table("Alerts", {"SEVERITY", "GROUP", "INDEX", "LOCATION", "CODE", "DESCRIPTION"}, rows);
}

}  // namespace

std::string render_status(const json& s, bool supplies) {
  // Reports of older runs (watch snapshots) may lack the newer parts.
  auto part = [&](const char* name) { return s.value(name, json::array()); };
  std::string out = (s.contains("identity") ? identity_section(s["identity"]) : std::string()) +
                    storage_section(s["storage"]) + devices_section(s["devices"]) + printer_section(s["printer"]) +
                    input_section(s["inputTrays"]) + output_section(s["outputTrays"]) +
                    toner_section(s["toners"]) +
                    (supplies ? supply_section(s.value("supplies", json::array())) : std::string()) +
                    alert_section(s["alerts"]) + marker_section(part("markers")) + cover_section(part("covers")) +
                    console_section(part("consoleLines"), part("consoleLights"));
  const json& sets = s["charSets"];
  auto set_cell = [&](const char* kind) {
    const std::string name = std::string(kind) + "Name";
    if (sets[kind].is_null()) return std::string("-");
    return fmt::format("{} ({})", cell(sets[name]), cell(sets[kind]));
  };
  out += fmt::format("Character sets\n  printer: {}\n  vendor: {}\n", set_cell("printer"), set_cell("vendor"));
  return out;
}

std::string render_options(const json& o) {
  std::vector<std::vector<std::string>> rows;
  // In the reader's order of keys, not the alphabetical order of the object.
  for (const OptionKey& k : option_keys())
    if (!k.perTray && o["options"].contains(json_name(k.key)))
      rows.push_back({k.key, cell(o["options"][json_name(k.key)])});
  std::string out = render_table("Options", {"KEY", "VALUE"}, rows);
  size_t index = 0;
  for (const json& tray : o["inputTrays"]) {
    rows.clear();
    for (const OptionKey& k : option_keys())
      if (k.perTray && tray.contains(json_name(k.key))) {
        // A coded value with its name beside the number: "3 (removable tray)".
        const std::string name = json_name(k.key) + "Name";
        std::string value = cell(tray[json_name(k.key)]);
        if (tray.contains(name)) value += " (" + cell(tray[name]) + ")";
        rows.push_back({k.key, value});
      }
    out += render_table(fmt::format("Input tray {}", index++), {"KEY", "VALUE"}, rows);
  }
  return out;
}

std::string render_jobs(const json& jobs) {
  std::vector<std::vector<std::string>> rows;
  for (const json& j : jobs)
    rows.push_back({cell(j["jobId"]), cell(j["name"]), cell(j["stateText"]), cell(j["finished"]), cell(j["source"]),
                    cell(j["condition"]), cell(j["pages"]), cell(j["copies"]), cell(j["received"]),
                    cell(j["completed"])});
  return render_table(fmt::format("Jobs: {}", jobs.size()),
                      {"ID", "NAME", "STATE", "FINISHED", "SOURCE", "CONDITION", "PAGES", "COPIES", "RECEIVED",
                       "COMPLETED"},
                      rows);
}

}  // namespace pswctl
