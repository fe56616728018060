#include "protocol/pmc_value_base.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "protocol/pmc_oid.h"

// ---------------------------------------------------------------------------
// Operations every class shares
// ---------------------------------------------------------------------------

void CPmcValueBase::release() { destroy(); }

int CPmcValueBase::assign(const IPmcValue& other) {
  if (&other == this) return PMC_OK;
  if (other.get_type() != get_type()) return PMC_E_ARG;
  return copy_from(other);
}

bool CPmcValueBase::equals(const IPmcValue& other) const {
  if (&other == this) return true;
  if (other.get_type() != get_type()) return false;
  return same_content(other);
}

int CPmcValueBase::query_interface(int id, void** out) {
  if (out == nullptr) return PMC_E_ARG;
  if (id == PMC_IID_VALUE) {
    *out = static_cast<IPmcValue*>(this);
    return PMC_OK;
  }
  if (id == PMC_IID_VALUE_IMPL) {
    *out = this;
    return PMC_OK;
  }
  *out = nullptr;
  return PMC_E_NOINTERFACE;
}

int32_t CPmcValueBase::get_int32(int* err) const { return pmc_unsupported<int32_t>(err, -1); }
uint32_t CPmcValueBase::get_uint32(int* err) const { return pmc_unsupported<uint32_t>(err, 0xFFFFFFFFu); }
uint16_t CPmcValueBase::get_uint16(int* err) const { return pmc_unsupported<uint16_t>(err, 0xFFFF); }
uint32_t CPmcValueBase::get_high32(int* err) const { return pmc_unsupported<uint32_t>(err, 0xFFFFFFFFu); }
uint32_t CPmcValueBase::get_low32(int* err) const { return pmc_unsupported<uint32_t>(err, 0xFFFFFFFFu); }

uint32_t CPmcValueBase::get_element(size_t, int* err) const {
  return pmc_unsupported<uint32_t>(err, 0xFFFFFFFFu);
}

const unsigned char* CPmcValueBase::get_octets(size_t* length, int* err) const {
  if (length != nullptr) *length = 0;
  return pmc_unsupported<const unsigned char*>(err, nullptr);
}

int CPmcValueBase::set_int32(int32_t) { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::set_uint32(uint32_t) { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::set_uint16(uint16_t) { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::set_high32(uint32_t) { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::set_low32(uint32_t) { return PMC_E_UNSUPPORTED; }

size_t CPmcValueBase::index_length(bool) const { return 0; }
int CPmcValueBase::append_to_oid(IPmcOid&, bool) const { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::from_oid(const IPmcOid&, bool, uint32_t) { return PMC_E_UNSUPPORTED; }

int CPmcValueBase::to_oid(IPmcOid& oid, bool implied) const {
  if (!has_index_form()) return PMC_E_UNSUPPORTED;
  oid.clear();
  return append_to_oid(oid, implied);
}

// ---------------------------------------------------------------------------
// Text and octet forwarding
// ---------------------------------------------------------------------------

int CPmcValueBase::write_text(IPmcText&) const { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::parse_text(const char*, size_t) { return PMC_E_UNSUPPORTED; }
int CPmcValueBase::store_octets(const void*, size_t) { return PMC_E_UNSUPPORTED; }

IPmcText* CPmcValueBase::to_text(int* err) const {
  IPmcText* text = pmc_create_text(err);
  if (text == nullptr) return nullptr;
  pmc_set_err(err, write_text(*text));
  return text;
}

int CPmcValueBase::to_text(IPmcText& out) const { return write_text(out); }

int CPmcValueBase::to_octet_text(IPmcText& out) const {
  size_t length = 0;
  int rc = PMC_OK;
  const unsigned char* octets = get_octets(&length, &rc);
  if (rc != PMC_OK) return rc;
  return out.assign(octets, length);
}

IPmcText* CPmcValueBase::to_octet_text(int* err) const {
  IPmcText* text = pmc_create_text(err);
  if (text == nullptr) return nullptr;
  pmc_set_err(err, to_octet_text(*text));
  return text;
}

int CPmcValueBase::from_text(const char* text) {
  if (text == nullptr) return parse_null_text();
  return parse_text(text, std::strlen(text));
}

int CPmcValueBase::from_text(const IPmcText& text) {
  // An empty text object has no bytes at all; it reads as "".
  const char* bytes = text.c_str();
  return parse_text(bytes != nullptr ? bytes : "", bytes != nullptr ? text.length() : 0);
}

int CPmcValueBase::set_octets(const void* data, size_t length) {
  if (data == nullptr && length != 0) return PMC_E_ARG;
  return store_octets(data, length);
}

int CPmcValueBase::set_octets(const IPmcText& octets) {
  return store_octets(octets.c_str(), octets.c_str() != nullptr ? octets.length() : 0);
}

// ---------------------------------------------------------------------------
// PmcTextScanner
// ---------------------------------------------------------------------------

namespace {

int digit_value(char c, unsigned radix) {
  if (c >= '0' && c <= '9') return c - '0';
  if (radix == 16) {
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  }
  return -1;
}

bool is_space(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

bool PmcTextScanner::take(char c) {
  if (m_pos == m_end || *m_pos != c) return false;
  ++m_pos;
  return true;
}

bool PmcTextScanner::decimal(uint64_t max, uint64_t* out) { return number(10, 1, 0, max, out); }

bool PmcTextScanner::hex(size_t min_digits, size_t max_digits, uint64_t max, uint64_t* out) {
  return number(16, min_digits, max_digits, max, out);
}

bool PmcTextScanner::number(unsigned radix, size_t min_digits, size_t max_digits, uint64_t max,
                            uint64_t* out) {
  uint64_t value = 0;
  size_t digits = 0;
  bool too_big = false;
  int d;
  while (m_pos != m_end && (max_digits == 0 || digits < max_digits) &&
         (d = digit_value(*m_pos, radix)) >= 0) {
    // Once past `max` the value only needs to stay past it, so the sum is
    // checked before it could wrap.
    if (!too_big) {
      const uint64_t digit = static_cast<uint64_t>(d);
      if (value > (UINT64_MAX - digit) / radix) {
        too_big = true;
      } else {
        value = value * radix + digit;
        too_big = value > max;
      }
    }
    ++digits;
    ++m_pos;
  }
  *out = value;
  return digits >= min_digits && digits > 0 && !too_big;
}

bool PmcTextScanner::hex_low16(uint16_t* out) {
  uint32_t value = 0;
  size_t digits = 0;
  int d;
  while (m_pos != m_end && (d = digit_value(*m_pos, 16)) >= 0) {
    value = ((value << 4) | static_cast<uint32_t>(d)) & 0xFFFFu;
    ++digits;
    ++m_pos;
  }
  *out = static_cast<uint16_t>(value);
  return digits > 0;
}

bool PmcTextScanner::lenient_integer(int64_t min, int64_t max, int64_t* out) {
  while (m_pos != m_end && is_space(*m_pos)) ++m_pos;
  bool negative = false;
  if (m_pos != m_end && (*m_pos == '+' || *m_pos == '-')) {
    negative = *m_pos == '-';
    ++m_pos;
  }
  // The magnitude is bounded by 2^32 + 1 before it can overflow anything.
  const uint64_t limit = uint64_t{1} << 33;
  uint64_t magnitude = 0;
  int d;
  while (m_pos != m_end && (d = digit_value(*m_pos, 10)) >= 0) {
    if (magnitude < limit) magnitude = magnitude * 10 + static_cast<uint64_t>(d);
    ++m_pos;
  }
  if (magnitude >= limit) return false;
  int64_t value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
  if (value < min || value > max) return false;
  *out = value;
  return true;
}

int pmc_write_text(IPmcText& out, const char* format, ...) {
  char buffer[96];
  va_list args;
  va_start(args, format);
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0 || static_cast<size_t>(n) >= sizeof buffer) return PMC_E_FAIL;
  return out.assign(buffer, static_cast<size_t>(n));
}
