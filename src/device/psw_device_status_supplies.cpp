// The supplies reader of the device status object: every row of
// prtMarkerSuppliesTable, whatever the supply's type (toner, ink, drums,
// waste receptacles, ...), with the name of its colorant.
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "device/psw_device_status.h"
#include "device/psw_exchange.h"
#include "device/psw_row_reader.h"
#include "protocol/pmc_oid.h"

namespace {

// Columns in the order their values fill the record; the walk is rooted at
// the first. Both tables are indexed by hrDeviceIndex and their own index.
constexpr const char* kSupplyColumns[] = {
    "1.3.6.1.2.1.43.11.1.1.2",  // prtMarkerSuppliesMarkerIndex
    "1.3.6.1.2.1.43.11.1.1.3",  // prtMarkerSuppliesColorantIndex
    "1.3.6.1.2.1.43.11.1.1.4",  // prtMarkerSuppliesClass
    "1.3.6.1.2.1.43.11.1.1.5",  // prtMarkerSuppliesType
    "1.3.6.1.2.1.43.11.1.1.7",  // prtMarkerSuppliesSupplyUnit
    "1.3.6.1.2.1.43.11.1.1.8",  // prtMarkerSuppliesMaxCapacity
    "1.3.6.1.2.1.43.11.1.1.9",  // prtMarkerSuppliesLevel
    "1.3.6.1.2.1.43.11.1.1.6",  // prtMarkerSuppliesDescription
};
constexpr const char* kColorantColumns[] = {
    "1.3.6.1.2.1.43.12.1.1.4",  // prtMarkerColorantValue
};
// Sub-identifiers of a column's OID in either table: 1.3.6.1.2.1.43.T.1.1.C.
constexpr size_t kColumnLength = 11;

using DeviceAndIndex = std::pair<uint32_t, uint32_t>;

// The two index sub-identifiers of a cell named column.device.index; false
// for a name of another form (a cell the device lacks is named by its
// column alone).
bool index_of(const IPmcOid* name, DeviceAndIndex* out) {
  if (name == nullptr || name->size() != kColumnLength + 2) return false;
  int err = PMC_OK;
  uint32_t device = name->get_element(kColumnLength, &err);
  uint32_t index = name->get_element(kColumnLength + 1, &err);
  if (err != PMC_OK) return false;
  *out = {device, index};
  return true;
}

// Reads the next binding of `r` as a number and notes its row index when
// the cell is there.
int32_t next_int32_noting(PSWRowReader& r, DeviceAndIndex* row, bool* row_known) {
  int32_t value = r.next_int32();
  if (!*row_known && r.present()) *row_known = index_of(r.oid(), row);
  return value;
}

}  // namespace

int CPSWDeviceStatus::read_supply_table() {
  std::vector<PSWSupplyInfo> records;
  std::vector<uint32_t> devices;  // hrDeviceIndex of each record, for its colorant
  bool any_colorant = false;
  int rc = walk_table(kSupplyColumns, sizeof kSupplyColumns / sizeof kSupplyColumns[0], [&](PSWRowReader& r) -> int {
    PSWSupplyInfo rec;
    std::memset(&rec, 0, sizeof rec);
    DeviceAndIndex row{0, 0};
    bool row_known = false;
    rec.markerIndex = next_int32_noting(r, &row, &row_known);
    rec.colorantIndex = next_int32_noting(r, &row, &row_known);
    rec.supplyClass = next_int32_noting(r, &row, &row_known);
    rec.type = next_int32_noting(r, &row, &row_known);
    rec.supplyUnit = next_int32_noting(r, &row, &row_known);
    rec.maxCapacity = next_int32_noting(r, &row, &row_known);
    rec.level = next_int32_noting(r, &row, &row_known);
    r.next_text(rec.description);
    if (!row_known && r.present()) row_known = index_of(r.oid(), &row);
    rec.supplyIndex = row_known ? static_cast<int32_t>(row.second) : PSW_VALUE_ABSENT;
    if (rec.colorantIndex > 0) any_colorant = true;
    try {
      records.push_back(rec);
      devices.push_back(row.first);
    } catch (...) {
      return PMC_E_NOMEM;
    }
    return PMC_OK;
  });
  if (rc != PMC_OK) return rc;

  // While the tables are planned, the colorants are planned with them.
  if (any_colorant || m_planning) {
    std::map<DeviceAndIndex, std::vector<char>> colorants;
    rc = walk_table(kColorantColumns, 1, [&](PSWRowReader& r) -> int {
      char text[sizeof(PSWSupplyInfo::colorant)] = {};
      r.next_text(text);
      DeviceAndIndex key;
      if (!r.present() || !index_of(r.oid(), &key)) return PMC_OK;
      try {
        colorants[key].assign(text, text + sizeof text);
      } catch (...) {
        return PMC_E_NOMEM;
      }
      return PMC_OK;
    });
    if (rc != PMC_OK) return rc;
    for (size_t i = 0; i < records.size(); ++i) {
      if (records[i].colorantIndex <= 0) continue;
      auto it = colorants.find({devices[i], static_cast<uint32_t>(records[i].colorantIndex)});
      if (it != colorants.end()) std::memcpy(records[i].colorant, it->second.data(), sizeof records[i].colorant);
    }
  }
  for (const PSWSupplyInfo& rec : records) {
    rc = m_supplies.append(rec);
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}
