#include "protocol/pmc_value_number.h"

#include <cinttypes>

#include "protocol/pmc_oid.h"

namespace {

// The one sub-identifier of a number's index form.
int read_first_subid(const IPmcOid& oid, uint32_t* out) {
  int rc = PMC_OK;
  uint32_t subid = oid.get_element(0, &rc);
  if (rc == PMC_OK) *out = subid;
  return rc;
}

}  // namespace

// ---------------------------------------------------------------------------
// INTEGER
// ---------------------------------------------------------------------------

int CPmcInteger::clear() {
  m_value = 0;
  return PMC_OK;
}

int32_t CPmcInteger::get_int32(int* err) const {
  pmc_set_err(err, PMC_OK);
  return m_value;
}

int CPmcInteger::set_int32(int32_t number) {
  m_value = number;
  return PMC_OK;
}

int CPmcInteger::copy_from(const IPmcValue& other) {
  m_value = other.get_int32(nullptr);
  return PMC_OK;
}

bool CPmcInteger::same_content(const IPmcValue& other) const { return other.get_int32(nullptr) == m_value; }

int CPmcInteger::write_text(IPmcText& out) const { return pmc_write_text(out, "%" PRId32, m_value); }

// Reads like the C library's integer conversion (text without a leading
// number is 0), but a number outside 32 bits is refused instead of wrapping.
int CPmcInteger::parse_text(const char* text, size_t length) {
  int64_t number = 0;
  if (!PmcTextScanner(text, length).lenient_integer(INT32_MIN, INT32_MAX, &number)) return PMC_E_ARG;
  m_value = static_cast<int32_t>(number);
  return PMC_OK;
}

int CPmcInteger::append_to_oid(IPmcOid& oid, bool) const {
  return oid.append_subid(static_cast<uint32_t>(m_value));
}

int CPmcInteger::from_oid(const IPmcOid& oid, bool, uint32_t) {
  m_value = 0;
  uint32_t subid = 0;
  int rc = read_first_subid(oid, &subid);
  if (rc == PMC_OK) m_value = static_cast<int32_t>(subid);
  return rc;
}

// ---------------------------------------------------------------------------
// Unsigned 32-bit classes
// ---------------------------------------------------------------------------

int CPmcUnsigned32Base::clear() {
  m_value = 0;
  return PMC_OK;
}

uint32_t CPmcUnsigned32Base::get_uint32(int* err) const {
  pmc_set_err(err, PMC_OK);
  return m_value;
}

int CPmcUnsigned32Base::set_uint32(uint32_t number) {
  m_value = number;
  return PMC_OK;
}

int CPmcUnsigned32Base::copy_from(const IPmcValue& other) {
  m_value = other.get_uint32(nullptr);
  return PMC_OK;
}

bool CPmcUnsigned32Base::same_content(const IPmcValue& other) const {
  return other.get_uint32(nullptr) == m_value;
}

int CPmcUnsigned32Base::write_text(IPmcText& out) const { return pmc_write_text(out, "%" PRIu32, m_value); }

// The INTEGER reading, stored as unsigned. Negative numbers down to -2^31
// keep their bit pattern (-1 is 4294967295); the upper bound is 2^32 - 1 so
// that every text this class writes reads back.
int CPmcUnsigned32Base::parse_text(const char* text, size_t length) {
  int64_t number = 0;
  if (!PmcTextScanner(text, length).lenient_integer(INT32_MIN, UINT32_MAX, &number)) return PMC_E_ARG;
  m_value = static_cast<uint32_t>(number);
  return PMC_OK;
}

int CPmcUnsigned32Base::append_to_oid(IPmcOid& oid, bool) const { return oid.append_subid(m_value); }

int CPmcUnsigned32Base::from_oid(const IPmcOid& oid, bool, uint32_t) {
  m_value = 0;
  return read_first_subid(oid, &m_value);
}

// ---------------------------------------------------------------------------
// Counter64
// ---------------------------------------------------------------------------

int CPmcCounter64::clear() {
  m_high = 0;
  m_low = 0;
  return PMC_OK;
}

uint32_t CPmcCounter64::get_uint32(int* err) const { return get_low32(err); }

uint32_t CPmcCounter64::get_high32(int* err) const {
  pmc_set_err(err, PMC_OK);
  return m_high;
}

uint32_t CPmcCounter64::get_low32(int* err) const {
  pmc_set_err(err, PMC_OK);
  return m_low;
}

int CPmcCounter64::set_uint32(uint32_t number) {
  m_high = 0;
  m_low = number;
  return PMC_OK;
}

int CPmcCounter64::set_high32(uint32_t number) {
  m_high = number;
  return PMC_OK;
}

int CPmcCounter64::set_low32(uint32_t number) {
  m_low = number;
  return PMC_OK;
}

int CPmcCounter64::copy_from(const IPmcValue& other) {
  m_high = other.get_high32(nullptr);
  m_low = other.get_low32(nullptr);
  return PMC_OK;
}

bool CPmcCounter64::same_content(const IPmcValue& other) const {
  return other.get_high32(nullptr) == m_high && other.get_low32(nullptr) == m_low;
}

int CPmcCounter64::write_text(IPmcText& out) const { return pmc_write_text(out, "%" PRIu64, value()); }

// Decimal digits only, the whole text, at most 2^64 - 1.
int CPmcCounter64::parse_text(const char* text, size_t length) {
  PmcTextScanner scan(text, length);
  uint64_t number = 0;
  if (!scan.decimal(UINT64_MAX, &number) || !scan.at_end()) return PMC_E_ARG;
  set_value(number);
  return PMC_OK;
}
