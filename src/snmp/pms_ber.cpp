// The out-of-line BER rules: OID text to wire and back, and the integer
// content rules.
#include "snmp/pms_ber.h"

namespace {

// One component of dotted text, [begin, end): "0" or a digit 1 to 9 and
// digits, at most 32 bits.
bool parse_component(const char* begin, const char* end, uint32_t* out) {
  const size_t digits = static_cast<size_t>(end - begin);
  if (digits == 0 || digits > 10 || (digits > 1 && *begin == '0')) return false;
  uint64_t value = 0;
  for (const char* p = begin; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
    if (digit > 9) return false;
    value = value * 10 + digit;
  }
  if (value > 0xFFFFFFFFu) return false;
  *out = static_cast<uint32_t>(value);
  return true;
}

// Writes `value` in decimal at `out`; returns the number of characters.
size_t write_decimal(uint32_t value, char* out) {
  char digits[10];
  size_t count = 0;
  do {
    digits[count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (size_t i = 0; i < count; ++i) out[i] = digits[count - 1 - i];
  return count;
}

// True when every byte of [bytes, bytes + count) is `fill`.
bool all_bytes(const unsigned char* bytes, size_t count, unsigned char fill) {
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] != fill) return false;
  }
  return true;
}

}  // namespace

int PmsBerWriter::put_oid(unsigned char tag, const char* text, size_t length) {
  const size_t mark = m_written;
  if (length != 0) {
    const char* first_dot = static_cast<const char*>(std::memchr(text, '.', length));
    if (first_dot == nullptr) return PMC_E_ARG;
    const char* second = first_dot + 1;
    // Components from the last back to the second; the second is joined
    // with the first.
    const char* end = text + length;
    for (;;) {
      const char* begin = end;
      while (begin > second && begin[-1] != '.') --begin;
      uint32_t subid = 0;
      if (!parse_component(begin, end, &subid)) return PMC_E_ARG;
      if (begin != second) {
        put_subid(subid);
        end = begin - 1;  // the dot before this component
        continue;
      }
      uint32_t first = 0;
      if (!parse_component(text, first_dot, &first)) return PMC_E_ARG;
      if (first > 2 || (first < 2 && subid >= 40)) return PMC_E_ARG;
      const uint64_t joined = 40ull * first + subid;
      if (joined > 0xFFFFFFFFu) return PMC_E_ARG;
      put_subid(static_cast<uint32_t>(joined));
      break;
    }
  }
  close(tag, mark);
  return PMC_OK;
}

int pms_ber_int32(const unsigned char* bytes, size_t length, int32_t* out) {
  if (length == 0) {
    *out = 0;
    return PMC_OK;
  }
  if (length > 4) {
    // The extra bytes must repeat the sign of the 32-bit number.
    const unsigned char fill = (bytes[length - 4] & 0x80) != 0 ? 0xFF : 0x00;
    if (!all_bytes(bytes, length - 4, fill)) return PMC_E_MALFORMED;
    bytes += length - 4;
    length = 4;
  }
  uint32_t value = (bytes[0] & 0x80) != 0 ? 0xFFFFFFFFu : 0;
  for (size_t i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  *out = static_cast<int32_t>(value);
  return PMC_OK;
}

int pms_ber_uint32(const unsigned char* bytes, size_t length, uint32_t* out) {
  if (length == 0) {
    *out = 0;
    return PMC_OK;
  }
  if (length > 4) {
    if (!all_bytes(bytes, length - 4, 0x00)) return PMC_E_MALFORMED;
    bytes += length - 4;
    length = 4;
    // Four bytes after zero padding: the number as it stands.
    *out = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
    return PMC_OK;
  }
  uint32_t value = (bytes[0] & 0x80) != 0 ? 0xFFFFFFFFu : 0;
  for (size_t i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  *out = value;
  return PMC_OK;
}

int pms_ber_uint64(const unsigned char* bytes, size_t length, uint64_t* out) {
  if (length > 8) {
    if (!all_bytes(bytes, length - 8, 0x00)) return PMC_E_MALFORMED;
    bytes += length - 8;
    length = 8;
  }
  uint64_t value = 0;
  for (size_t i = 0; i < length; ++i) value = (value << 8) | bytes[i];
  *out = value;
  return PMC_OK;
}

int pms_ber_oid_text(const unsigned char* bytes, size_t length, char* out, size_t* text_length) {
  size_t at = 0;
  bool first = true;
  uint64_t subid = 0;
  for (size_t i = 0; i < length; ++i) {
    subid = (subid << 7) | (bytes[i] & 0x7F);
    if (subid > 0xFFFFFFFFu) return PMS_OID_TOO_BIG;
    if ((bytes[i] & 0x80) != 0) continue;
    uint32_t value = static_cast<uint32_t>(subid);
    subid = 0;
    if (first) {
      const uint32_t arc = value < 40 ? 0 : (value < 80 ? 1 : 2);
      out[at++] = static_cast<char>('0' + arc);
      value -= 40 * arc;
      first = false;
    }
    out[at++] = '.';
    at += write_decimal(value, out + at);
  }
  if (length != 0 && (bytes[length - 1] & 0x80) != 0) return PMS_OID_UNFINISHED;
  *text_length = at;
  return PMC_OK;
}
