// Character sets, the job table and the job cancel of the device status
// object. These readers need more than one exchange: the character sets and
// the job texts are looked up in further tables, keyed by what the first
// walk returned.
#include <cstring>

#include "device/psw_device_status.h"
#include "device/psw_exchange.h"
#include "device/psw_row_reader.h"

namespace {

// Where one kind of character set is read: the walk of the current
// localization and the table the character set of a localization is
// looked up in ("<lookup>.<device index>.<localization>").
struct CharSetSource {
  const char* root;
  const char* lookup;
};

constexpr CharSetSource kCharSetSources[] = {
    // prtGeneralCurrentLocalization, prtLocalizationCharacterSet
    {"1.3.6.1.2.1.43.5.1.1.2", "1.3.6.1.2.1.43.7.1.1.4"},
    // the maker's current localization and its character set
    {"1.3.6.1.4.1.32473.8.51.3.1.1.1", "1.3.6.1.4.1.32473.8.51.4.1.1.7"},
};

// Columns of the maker's job table, in the order the record is filled.
constexpr const char* kJobTypeColumn = "1.3.6.1.4.1.32473.8.59.6.1.1.4";
constexpr const char* kJobText5Column = "1.3.6.1.4.1.32473.8.59.6.1.1.5";
constexpr const char* kJobText6Column = "1.3.6.1.4.1.32473.8.59.6.1.1.6";
constexpr const char* kJobText7Column = "1.3.6.1.4.1.32473.8.59.10.1.1.7";
constexpr const char* kJobColumns[] = {
    kJobTypeColumn,
    "1.3.6.1.4.1.32473.8.59.6.1.1.9",   // jobState
    "1.3.6.1.4.1.32473.8.59.6.1.1.10",  // jobValue10
    "1.3.6.1.4.1.32473.8.59.16.1.1.5",  // jobCount5
    "1.3.6.1.4.1.32473.8.59.16.1.1.6",  // jobCount6
    kJobText5Column,
    kJobText6Column,
    kJobText7Column,
    "1.3.6.1.4.1.32473.8.59.6.1.1.3",    // jobText3
    "1.3.6.1.4.1.32473.8.59.10.1.1.10",  // time10
    "1.3.6.1.4.1.32473.8.59.16.1.1.4",   // time4
    "1.3.6.1.4.1.32473.8.59.16.1.1.7",   // time7
};
constexpr size_t kJobColumnCount = sizeof kJobColumns / sizeof kJobColumns[0];

// The maker's text table: "<base>.<row key>.<text index>.<character set>".
constexpr const char* kJobTextLookup = "1.3.6.1.4.1.32473.8.51.5.1.1.4";

// The job cancel column, and the value written to it.
constexpr const char* kCancelColumn = "1.3.6.1.4.1.32473.8.76.3.2.1.1";
constexpr int32_t kCancelValue = 1414;

// jobState of a finished job.
constexpr int32_t kJobFinished = 17;

// The job identifier: up to eight octets after the first two
// sub-identifiers of the index.
constexpr uint32_t kJobIdSkip = 2;
constexpr uint32_t kJobIdOctets = 8;

bool job_of_kind(int32_t state, uint32_t kind) {
  return kind == 0 || (kind == 1 && state != kJobFinished) || (kind == 2 && state == kJobFinished);
}

// The first sub-identifier of `oid` below `column`, which is stripped.
int row_key(IPmcOid& oid, const char* column, uint32_t* key) {
  int rc = oid.strip_prefix(column);
  if (rc != PMC_OK) return rc;
  int err = PMC_OK;
  uint32_t first = oid.get_element(0, &err);
  if (err != PMC_OK) return err;
  *key = first;
  return PMC_OK;
}

}  // namespace

// ---------------------------------------------------------------------------
// Character sets
// ---------------------------------------------------------------------------

int CPSWDeviceStatus::read_char_set(uint32_t kind, int32_t* out) {
  if (kind >= sizeof kCharSetSources / sizeof kCharSetSources[0]) return PMC_E_ARG;
  const CharSetSource& source = kCharSetSources[kind];
  int32_t* kept = kind == 0 ? &m_nCharSet : &m_nVendorCharSet;
  int rc = walk_table(&source.root, 1, [&](PSWRowReader& row) -> int {
    return look_up_char_set(source.root, source.lookup, row, kept);
  });
  if (rc == PMC_OK && out != nullptr) *out = *kept;
  return rc;
}

int CPSWDeviceStatus::look_up_char_set(const char* root, const char* lookup_base, PSWRowReader& row, int32_t* kept) {
  if (!row.next() || row.oid() == nullptr || !row.present()) return PMC_E_NOVALUE;
  int32_t localization = row.value()->get_int32(nullptr);
  uint32_t device = 0;
  int rc = row_key(*row.oid(), root, &device);
  if (rc != PMC_OK) return rc;

  PSWExchange exchange;
  rc = exchange.open(m_connection);
  if (rc == PMC_OK) rc = exchange.add(psw_oid_with(lookup_base, device, static_cast<uint32_t>(localization)).c_str());
  int32_t char_set = 0;
  if (rc == PMC_OK) rc = exchange.get_int32(&char_set);
  // A failed look-up leaves the kept character set as it was.
  if (rc == PMC_OK) *kept = char_set;
  return rc;
}

// ---------------------------------------------------------------------------
// Jobs
// ---------------------------------------------------------------------------

int CPSWDeviceStatus::read_job_table(uint32_t kind) {
  if (kind > 2) return PMC_E_ARG;
  // The job texts are looked up in the maker's character set.
  if (m_nVendorCharSet == 0) {
    int rc = read_char_set(1, nullptr);
    if (rc != PMC_OK) return rc;
  }
  return walk_table(kJobColumns, kJobColumnCount,
                    [this, kind](PSWRowReader& row) -> int { return read_job_row(row, kind); });
}

int CPSWDeviceStatus::read_job_row(PSWRowReader& r, uint32_t kind) {
  PSWJobInfo rec;
  std::memset(&rec, 0, sizeof rec);
  rec.jobType = r.next_mapped(kPSWJobTypes);
  rec.jobState = r.next_int32();
  rec.jobValue10 = r.next_int32();
  rec.jobCount5 = r.next_uint32();
  rec.jobCount6 = r.next_uint32();
  int rc = look_up_job_text(r, kJobText5Column, rec.jobText5);
  if (rc == PMC_OK) rc = look_up_job_text(r, kJobText6Column, rec.jobText6);
  if (rc == PMC_OK) rc = look_up_job_text(r, kJobText7Column, rec.jobText7);
  // The look-up left the index of the jobText7 binding in its identifier.
  if (rc == PMC_OK) rc = job_id_from_index(*r.oid(), rec.jobId);
  if (rc != PMC_OK) return rc;
  r.next_text(rec.jobText3);
  uint16_t* times[] = {rec.time10, rec.time4, rec.time7};
  for (uint16_t* time : times) {
    size_t length = 0;
    const unsigned char* octets = r.next_octets(&length);
    psw_date_and_time(octets, length, time);
  }
  return job_of_kind(rec.jobState, kind) ? m_jobs.append(rec) : PMC_OK;
}

int CPSWDeviceStatus::look_up_job_text(PSWRowReader& row, const char* column, char* text_out) {
  if (!row.next() || row.oid() == nullptr || row.value() == nullptr) return PMC_E_NOVALUE;
  // A job without this text index has no text to look up.
  if (!row.present()) return PMC_OK;
  int32_t text_index = row.value()->get_int32(nullptr);
  uint32_t key = 0;
  int rc = row_key(*row.oid(), column, &key);
  if (rc != PMC_OK) return rc;

  PSWExchange exchange;
  rc = exchange.open(m_connection);
  if (rc == PMC_OK)
    rc = exchange.add(
        psw_oid_with(kJobTextLookup, key, static_cast<uint32_t>(text_index), static_cast<uint32_t>(m_nVendorCharSet))
            .c_str());
  if (rc == PMC_OK) rc = exchange.get_text_if_present(text_out);
  return rc;
}

int CPSWDeviceStatus::job_id_from_index(IPmcOid& index, char* id_out) {
  // An index of two sub-identifiers or fewer carries no octets: empty id.
  if (index.size() <= kJobIdSkip) return PMC_OK;
  int rc = index.remove(0, kJobIdSkip);
  if (rc != PMC_OK) return rc;
  int err = PMC_OK;
  PmcPtr<IPmcValue> id(index.pop_value(PMC_TAG_OCTET_STRING, &err, true, kJobIdOctets));
  if (!id) return err == PMC_OK ? PMC_E_BAD_INDEX : err;
  size_t length = 0;
  const unsigned char* octets = id->get_octets(&length, &err);
  if (err != PMC_OK) return err;
  psw_copy_text(id_out, sizeof(PSWJobInfo::jobId), reinterpret_cast<const char*>(octets), length);
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Cancel
// ---------------------------------------------------------------------------

int CPSWDeviceStatus::cancel_job(const char* id) {
  if (id == nullptr) return PMC_E_ARG;
  PSWExchange exchange;
  // The cancel always goes with the write community ("private" unless one
  // was given).
  int rc = exchange.open(m_connection, &m_writeCommunity);
  if (rc == PMC_OK) rc = exchange.add_set(kCancelColumn, psw_cancel_suffix(id).c_str(), kCancelValue);
  if (rc == PMC_OK) rc = exchange.set();
  return rc;
}
