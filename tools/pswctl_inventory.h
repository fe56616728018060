// pswctl inventory: one row per printer for a fleet's monthly meter read or
// asset list (address, model, serial, name, location, hardware address,
// page count, status, lowest supply percentage, alerts), read concurrently,
// one handle per thread. A printer that cannot be read gets a row with its
// error; it never ends the run.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "pswctl_device.h"
#include "pswctl_progress.h"

namespace pswctl {

struct InventoryRow {
  std::string address;
  std::string model, serial, name, location, mac, status;
  std::optional<uint64_t> pages;         // the first marker's life count
  std::optional<int32_t> lowestSupply;   // the lowest known supply percentage
  std::optional<int32_t> alerts;         // rows of the alert table
  std::optional<int32_t> errorCode;      // the read failed with this code
  std::string error;                     // its step, for people
};

// Reads one printer on a handle of its own.
InventoryRow read_inventory_row(const Connection& connection, const std::string& address);

// Reads every address, at most `parallel` at once, in the order given.
// `progress` (may be null) counts the printers read.
std::vector<InventoryRow> read_inventory(const Connection& connection, const std::vector<std::string>& addresses,
                                         int parallel, Progress* progress);

// The three output forms: an aligned table, CSV with a header row (RFC
// 4180 quoting), and a JSON array (numbers as numbers, absent as null).
std::string inventory_table(const std::vector<InventoryRow>& rows);
std::string inventory_csv(const std::vector<InventoryRow>& rows);
nlohmann::json inventory_json(const std::vector<InventoryRow>& rows);

}  // namespace pswctl
