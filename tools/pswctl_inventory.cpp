#include "pswctl_inventory.h"

#include <fmt/format.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>

#include "pswctl_names.h"
#include "pswctl_records.h"
#include "pswctl_render.h"

namespace pswctl {
namespace {

std::string text_of(const json& v) { return v.is_string() ? trimmed(v.get<std::string>()) : std::string(); }

const char* const kColumns[] = {"address", "model",    "serial",       "name",   "location", "mac",
                                "pages",   "status",   "lowestSupply", "alerts", "error"};

// The row's cells in column order, as text ("" for a value it lacks).
std::vector<std::string> cells(const InventoryRow& r) {
  auto number = [](const auto& v) { return v ? std::to_string(*v) : std::string(); };
  return {r.address, r.model,  r.serial, r.name, r.location, r.mac, number(r.pages), r.status,
          number(r.lowestSupply), number(r.alerts), r.error};
}

std::string csv_field(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

}  // namespace

InventoryRow read_inventory_row(const Connection& connection, const std::string& address) {
  InventoryRow row;
  row.address = address;
  try {
    Device device(connection, nullptr);
    device.open(address);
    const json id = device.identity();
    device.prefetch(PSW_TABLE_PRINTER | PSW_TABLE_MARKER | PSW_TABLE_SUPPLY | PSW_TABLE_ALERT);
    row.model = text_of(id["model"]);
    row.serial = text_of(id["serialNumber"]);
    row.name = text_of(id["printerName"]);
    if (row.name.empty()) row.name = text_of(id["sysName"]);
    row.location = text_of(id["sysLocation"]);
    row.mac = text_of(id["hardwareAddress"]);
    const json printer = device.printer_status();
    row.status = text_of(printer["statusName"]);
    for (const json& m : device.markers()) {
      if (m["lifeCount"].is_number()) {
        row.pages = m["lifeCount"].get<uint64_t>();
        break;
      }
    }
    for (const json& s : device.supplies()) {
      if (!s["levelPercent"].is_number()) continue;
      const int32_t p = s["levelPercent"].get<int32_t>();
      row.lowestSupply = row.lowestSupply ? std::min(*row.lowestSupply, p) : p;
    }
    row.alerts = static_cast<int32_t>(device.alerts().size());
  } catch (const PswError& e) {
    row.errorCode = e.code();
    row.error = fmt::format("{} ({})", result_code_name(e.code()), e.step());
  } catch (const std::exception& e) {
    row.errorCode = PSW_ERR_NO_MEMORY;
    row.error = e.what();
  }
  return row;
}

std::vector<InventoryRow> read_inventory(const Connection& connection, const std::vector<std::string>& addresses,
                                         int parallel, Progress* progress) {
  std::vector<InventoryRow> rows(addresses.size());
  std::atomic<size_t> next{0};
  std::atomic<size_t> done{0};
  std::mutex progress_mutex;
  auto worker = [&] {
    for (size_t i = next++; i < addresses.size(); i = next++) {
      rows[i] = read_inventory_row(connection, addresses[i]);
      const size_t finished = ++done;
      if (progress != nullptr) {
        std::lock_guard<std::mutex> lock(progress_mutex);
        progress->step(fmt::format("read {} of {} printers", finished, addresses.size()));
      }
    }
  };
  const size_t threads = std::min<size_t>(static_cast<size_t>(std::max(parallel, 1)), addresses.size());
  std::vector<std::thread> pool;
  for (size_t t = 0; t < threads; ++t) pool.emplace_back(worker);
  for (std::thread& t : pool) t.join();
  if (progress != nullptr) progress->clear();
  return rows;
}

std::string inventory_table(const std::vector<InventoryRow>& rows) {
  std::vector<std::vector<std::string>> table;
  for (const InventoryRow& r : rows) {
    std::vector<std::string> c = cells(r);
    for (std::string& text : c) text = text.empty() ? "-" : cell(json(text));
    table.push_back(std::move(c));
  }
  return render_table(fmt::format("Printers: {}", rows.size()),
                      {"ADDRESS", "MODEL", "SERIAL", "NAME", "LOCATION", "MAC", "PAGES", "STATUS", "LOWEST SUPPLY %",
                       "ALERTS", "ERROR"},
                      table);
}

std::string inventory_csv(const std::vector<InventoryRow>& rows) {
  std::string out;
  for (const char* c : kColumns) out += (out.empty() ? "" : ",") + std::string(c);
  out += "\r\n";
  for (const InventoryRow& r : rows) {
    std::string line;
    const std::vector<std::string> c = cells(r);
    for (size_t i = 0; i < c.size(); ++i) line += (i ? "," : "") + csv_field(c[i]);
    out += line + "\r\n";
  }
  return out;
}

json inventory_json(const std::vector<InventoryRow>& rows) {
  json out = json::array();
  for (const InventoryRow& r : rows) {
    auto opt = [](const auto& v) { return v ? json(*v) : json(nullptr); };
    out.push_back({{"address", r.address},
                   {"model", r.model},
                   {"serial", r.serial},
                   {"name", r.name},
                   {"location", r.location},
                   {"mac", r.mac},
                   {"pages", opt(r.pages)},
                   {"status", r.status.empty() ? json(nullptr) : json(r.status)},
                   {"lowestSupply", opt(r.lowestSupply)},
                   {"alerts", opt(r.alerts)},
                   {"errorCode", opt(r.errorCode)},
                   {"error", r.error.empty() ? json(nullptr) : json(r.error)}});
  }
  return out;
}

}  // namespace pswctl
