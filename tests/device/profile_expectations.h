// The status records a device profile must give, worked out from the
// profile's own objects rather than written down by hand, so that one rule
// covers every profile:
//
// - a table's rows are the union of the indices present in any of the
//   columns its record is filled from, in numeric index order (the order of
//   ber::Oid, which compares sub-identifier by sub-identifier);
// - a field is its cell's value when the cell is there; an absent cell
//   gives the neutral value: PSW_VALUE_ABSENT for a signed number, 0 for a
//   type mapped from an OID (storage, device and job type, as for an
//   unknown type) and for the printer's error state, PSW_VALUE_ABSENT_U32
//   for an unsigned number, zeros for a date, "" for a text;
// - a text is its octets as they are (Latin-1 octets stay Latin-1), cut to
//   the field's size less one;
// - a storage type 1.3.6.1.2.1.25.2.1.N gives N for N 1-8; a device type
//   1.3.6.1.2.1.25.3.1.N gives N for 1-6 and 10-21, the supported maker's
//   1.3.6.1.4.1.32473.8.52.2.N gives N for 101-109, 151-154 and 201-207;
//   any other type gives 0;
// - the error state is its first four octets read little-endian (first
//   octet lowest);
// - only supplies whose prtMarkerSuppliesType is 3 (toner) are toners;
// - the printer record comes from the last row of hrPrinterTable;
// - the printer's character set is prtLocalizationCharacterSet of the
//   current localization (of the last row of prtGeneralCurrentLocalization).
//
// A cell of a type its field cannot hold is a fault of the profile and
// throws std::invalid_argument.
#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "agent/snmprec_profile.h"
#include "device/status_test_support.h"
#include "psw/psw.h"

#ifndef PSW_VALUE_ABSENT
#define PSW_VALUE_ABSENT INT32_MIN
#endif
#ifndef PSW_VALUE_ABSENT_U32
#define PSW_VALUE_ABSENT_U32 0xFFFFFFFFu
#endif

namespace profile_test {

using psw_test::SnmprecProfile;
using psw_test::ber::Oid;
using psw_test::ber::Value;

// One table of a profile: the cells of `columns` below the entry OID.
class ProfileTable {
 public:
  ProfileTable(const SnmprecProfile& profile, const std::string& entry, const std::vector<uint32_t>& columns) {
    Oid base = psw_test::ber::parse_oid(entry);
    std::set<uint32_t> wanted(columns.begin(), columns.end());
    std::set<Oid> rows;
    for (const psw_test::ProfileEntry& e : profile.entries()) {
      if (e.oid.size() <= base.size() + 1 || !psw_test::ber::oid_starts_with(e.oid, base)) continue;
      uint32_t column = e.oid[base.size()];
      if (wanted.count(column) == 0) continue;
      Oid index(e.oid.begin() + static_cast<std::ptrdiff_t>(base.size()) + 1, e.oid.end());
      cells_[{column, index}] = e.value;
      rows.insert(index);
    }
    rows_.assign(rows.begin(), rows.end());
  }

  const std::vector<Oid>& rows() const { return rows_; }
  // The cell, or null when the profile does not have it.
  const Value* cell(uint32_t column, const Oid& row) const {
    auto it = cells_.find({column, row});
    return it == cells_.end() ? nullptr : &it->second;
  }

 private:
  std::map<std::pair<uint32_t, Oid>, Value> cells_;
  std::vector<Oid> rows_;
};

inline std::invalid_argument wrong_cell(const Value& v, const char* field) {
  return std::invalid_argument("profile cell " + v.describe() + " where " + field + " belongs");
}

inline int32_t number_field(const Value* v) {
  if (v == nullptr) return PSW_VALUE_ABSENT;
  switch (v->tag) {
    case psw_test::ber::kInteger: return static_cast<int32_t>(v->integer);
    case psw_test::ber::kCounter32:
    case psw_test::ber::kGauge32:
    case psw_test::ber::kTimeTicks: return static_cast<int32_t>(v->number);
    default: throw wrong_cell(*v, "a number");
  }
}

template <size_t N>
void text_field(char (&field)[N], const Value* v) {
  std::memset(field, 0, N);
  if (v == nullptr) return;
  if (v->tag != psw_test::ber::kOctetString) throw wrong_cell(*v, "a text");
  std::memcpy(field, v->bytes.data(), v->bytes.size() < N - 1 ? v->bytes.size() : N - 1);
}

// N when `v` is `base`.N with N in one of `ranges`, else 0 (absent too).
inline int32_t mapped_type(const Value* v, const std::vector<std::pair<std::string, std::pair<uint32_t, uint32_t>>>& ranges) {
  if (v == nullptr) return 0;
  if (v->tag != psw_test::ber::kObjectId) throw wrong_cell(*v, "a type OID");
  for (const auto& range : ranges) {
    Oid base = psw_test::ber::parse_oid(range.first);
    if (v->oid.size() != base.size() + 1 || !psw_test::ber::oid_starts_with(v->oid, base)) continue;
    uint32_t n = v->oid.back();
    if (n >= range.second.first && n <= range.second.second) return static_cast<int32_t>(n);
  }
  return 0;
}

inline int32_t storage_type(const Value* v) { return mapped_type(v, {{"1.3.6.1.2.1.25.2.1", {1, 8}}}); }

inline int32_t device_type(const Value* v) {
  return mapped_type(v, {{"1.3.6.1.2.1.25.3.1", {1, 6}},
                         {"1.3.6.1.2.1.25.3.1", {10, 21}},
                         {"1.3.6.1.4.1.32473.8.52.2", {101, 109}},
                         {"1.3.6.1.4.1.32473.8.52.2", {151, 154}},
                         {"1.3.6.1.4.1.32473.8.52.2", {201, 207}}});
}

inline int32_t error_state(const Value* v) {
  if (v == nullptr) return 0;
  if (v->tag != psw_test::ber::kOctetString) throw wrong_cell(*v, "the error state octets");
  uint32_t value = 0;
  for (size_t i = 0; i < 4 && i < v->bytes.size(); ++i) value |= uint32_t{static_cast<unsigned char>(v->bytes[i])} << (8 * i);
  return static_cast<int32_t>(value);
}

// hrStorageTable: type (2), allocation units (4), size (5), description (3).
inline std::vector<PSWStorageInfo> expected_storage(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.25.2.3.1", {2, 4, 5, 3});
  std::vector<PSWStorageInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWStorageInfo>([&](PSWStorageInfo& r) {
      r.type = storage_type(t.cell(2, row));
      r.allocationUnits = number_field(t.cell(4, row));
      r.size = number_field(t.cell(5, row));
      text_field(r.description, t.cell(3, row));
    }));
  }
  return out;
}

// hrDeviceTable: type (2), status (5), description (3).
inline std::vector<PSWDeviceInfo> expected_devices(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.25.3.2.1", {2, 5, 3});
  std::vector<PSWDeviceInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWDeviceInfo>([&](PSWDeviceInfo& r) {
      r.type = device_type(t.cell(2, row));
      r.status = number_field(t.cell(5, row));
      text_field(r.description, t.cell(3, row));
    }));
  }
  return out;
}

// prtInputTable: columns 2-11 as numbers, then media name (12), name (13),
// description (18), media type (21), media colour (22).
inline std::vector<PSWInputTrayInfo> expected_input_trays(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.8.2.1", {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 18, 21, 22});
  std::vector<PSWInputTrayInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWInputTrayInfo>([&](PSWInputTrayInfo& r) {
      r.type = number_field(t.cell(2, row));
      r.dimUnit = number_field(t.cell(3, row));
      r.mediaDimFeedDirDeclared = number_field(t.cell(4, row));
      r.mediaDimXFeedDirDeclared = number_field(t.cell(5, row));
      r.mediaDimFeedDirChosen = number_field(t.cell(6, row));
      r.mediaDimXFeedDirChosen = number_field(t.cell(7, row));
      r.capacityUnit = number_field(t.cell(8, row));
      r.maxCapacity = number_field(t.cell(9, row));
      r.currentLevel = number_field(t.cell(10, row));
      r.status = number_field(t.cell(11, row));
      text_field(r.mediaName, t.cell(12, row));
      text_field(r.name, t.cell(13, row));
      text_field(r.description, t.cell(18, row));
      text_field(r.mediaType, t.cell(21, row));
      text_field(r.mediaColor, t.cell(22, row));
    }));
  }
  return out;
}

// prtOutputTable: type (2), status (6), name (7), description (12).
inline std::vector<PSWOutputTrayInfo> expected_output_trays(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.9.2.1", {2, 6, 7, 12});
  std::vector<PSWOutputTrayInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWOutputTrayInfo>([&](PSWOutputTrayInfo& r) {
      r.type = number_field(t.cell(2, row));
      r.status = number_field(t.cell(6, row));
      text_field(r.name, t.cell(7, row));
      text_field(r.description, t.cell(12, row));
    }));
  }
  return out;
}

// prtMarkerSuppliesTable rows of type (5) 3: unit (7), maximum (8), level
// (9), description (6).
inline std::vector<PSWTonerInfo> expected_toners(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.11.1.1", {5, 7, 8, 9, 6});
  std::vector<PSWTonerInfo> out;
  for (const Oid& row : t.rows()) {
    if (number_field(t.cell(5, row)) != 3) continue;
    out.push_back(status_test::make_record<PSWTonerInfo>([&](PSWTonerInfo& r) {
      r.supplyUnit = number_field(t.cell(7, row));
      r.maxCapacity = number_field(t.cell(8, row));
      r.level = number_field(t.cell(9, row));
      text_field(r.description, t.cell(6, row));
    }));
  }
  return out;
}

// prtAlertTable: severity (2), group (4), group index (5), location (6),
// code (7), description (8).
inline std::vector<PSWAlertInfo> expected_alerts(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.18.1.1", {2, 4, 5, 6, 7, 8});
  std::vector<PSWAlertInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWAlertInfo>([&](PSWAlertInfo& r) {
      r.severityLevel = number_field(t.cell(2, row));
      r.group = number_field(t.cell(4, row));
      r.groupIndex = number_field(t.cell(5, row));
      r.location = number_field(t.cell(6, row));
      r.code = number_field(t.cell(7, row));
      text_field(r.description, t.cell(8, row));
    }));
  }
  return out;
}

// hrPrinterTable's last row: status (1), error state (2). Throws when the
// profile has no printer row (the record is then not defined by the profile).
inline PSWPrinterInfo expected_printer(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.25.3.5.1", {1, 2});
  if (t.rows().empty()) throw std::invalid_argument("profile without hrPrinterTable rows");
  const Oid& row = t.rows().back();
  return status_test::make_record<PSWPrinterInfo>([&](PSWPrinterInfo& r) {
    r.status = number_field(t.cell(1, row));
    r.detectedErrorState = error_state(t.cell(2, row));
  });
}

// The printer's character set; throws when the profile does not define it.
inline int32_t expected_char_set(const SnmprecProfile& p) {
  ProfileTable current(p, "1.3.6.1.2.1.43.5.1.1", {2});
  if (current.rows().empty()) throw std::invalid_argument("profile without prtGeneralCurrentLocalization");
  const Oid& device = current.rows().back();
  Oid lookup = device;
  lookup.push_back(static_cast<uint32_t>(number_field(current.cell(2, device))));
  // The table must outlive the cell it lends.
  ProfileTable sets(p, "1.3.6.1.2.1.43.7.1.1", {4});
  const Value* set = sets.cell(4, lookup);
  if (set == nullptr) throw std::invalid_argument("profile without the current localization's character set");
  return number_field(set);
}

// Whether the profile has objects of the supported maker's job tables.
inline bool has_job_tables(const SnmprecProfile& p) {
  Oid jobs = psw_test::ber::parse_oid("1.3.6.1.4.1.32473.8.59");
  for (const psw_test::ProfileEntry& e : p.entries()) {
    if (psw_test::ber::oid_starts_with(e.oid, jobs)) return true;
  }
  return false;
}

}  // namespace profile_test
