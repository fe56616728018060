// The out-of-line BER rules: OID text to wire and back, and the integer
// content rules.
#include "snmp/pms_ber.h"

#include <memory>
#include <new>

namespace {

// "00" to "99", for writing decimal numbers two digits at a time.
constexpr char kTwoDigits[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Writes `value` in decimal at `out`; returns the number of characters.
size_t write_decimal(uint32_t value, char* out) {
  char digits[10];
  char* p = digits + sizeof digits;
  while (value >= 100) {
    p -= 2;
    std::memcpy(p, kTwoDigits + 2 * (value % 100), 2);
    value /= 100;
  }
  if (value >= 10) {
    p -= 2;
    std::memcpy(p, kTwoDigits + 2 * value, 2);
  } else {
    *--p = static_cast<char>('0' + value);
  }
  const size_t count = static_cast<size_t>(digits + sizeof digits - p);
  std::memcpy(out, p, count);
  return count;
}

// ".0" to ".127": the text of every one-byte sub-identifier, padded to four
// characters so that each is copied with one fixed-size move.
struct SmallSubid {
  char text[4];
  unsigned char length;
};
struct SmallSubids {
  SmallSubid entry[128];
  constexpr SmallSubids() : entry() {
    for (unsigned v = 0; v < 128; ++v) {
      SmallSubid& e = entry[v];
      e.text[0] = '.';
      e.text[1] = e.text[2] = e.text[3] = '\0';
      if (v >= 100) {
        e.text[1] = '1';
        e.text[2] = static_cast<char>('0' + v / 10 % 10);
        e.text[3] = static_cast<char>('0' + v % 10);
        e.length = 4;
      } else if (v >= 10) {
        e.text[1] = static_cast<char>('0' + v / 10);
        e.text[2] = static_cast<char>('0' + v % 10);
        e.length = 3;
      } else {
        e.text[1] = static_cast<char>('0' + v);
        e.length = 2;
      }
    }
  }
};
constexpr SmallSubids kSmallSubids;

// Gathers one sub-identifier from `bytes[*at]` on (7 bits per byte while
// bit 7 is set); 0, PMS_OID_UNFINISHED or PMS_OID_TOO_BIG.
int gather_subid(const unsigned char* bytes, size_t length, size_t* at, uint32_t* out) {
  uint64_t subid = 0;
  while (*at < length) {
    const unsigned char byte = bytes[(*at)++];
    subid = (subid << 7) | (byte & 0x7F);
    if (subid > 0xFFFFFFFFu) return PMS_OID_TOO_BIG;
    if ((byte & 0x80) == 0) {
      *out = static_cast<uint32_t>(subid);
      return PMC_OK;
    }
  }
  return PMS_OID_UNFINISHED;
}

// True when every byte of [bytes, bytes + count) is `fill`.
bool all_bytes(const unsigned char* bytes, size_t count, unsigned char fill) {
  for (size_t i = 0; i < count; ++i) {
    if (bytes[i] != fill) return false;
  }
  return true;
}

}  // namespace

// ---------------------------------------------------------------------------
// OIDs
// ---------------------------------------------------------------------------

namespace {

// Length of the common prefix of two texts, eight bytes at a time.
size_t common_prefix(const char* a, const char* b, size_t limit) {
  size_t at = 0;
  for (; at + 8 <= limit; at += 8) {
    uint64_t x = 0;
    uint64_t y = 0;
    std::memcpy(&x, a + at, 8);
    std::memcpy(&y, b + at, 8);
    if (x != y) return at + static_cast<size_t>(__builtin_ctzll(x ^ y) / 8);  // little-endian
  }
  while (at < limit && a[at] == b[at]) ++at;
  return at;
}

// Reads the decimal component at `*p` (ending at `end` or a dot); false
// when it is not "0" or a digit 1 to 9 and digits, or exceeds 32 bits.
[[gnu::always_inline]] inline bool read_component(const char** p, const char* end, uint32_t* out) {
  const char* const start = *p;
  const char* q = start;
  uint64_t value = 0;
  for (unsigned digit; q != end && (digit = static_cast<unsigned char>(*q) - static_cast<unsigned>('0')) <= 9; ++q) {
    value = value * 10 + digit;
  }
  const size_t digits = static_cast<size_t>(q - start);
  if (digits == 0 || digits > 10 || (digits > 1 && *start == '0') || value > 0xFFFFFFFFu) return false;
  *out = static_cast<uint32_t>(value);
  *p = q;
  return true;
}

// True when the first two components can be joined into one number that
// comes back as the same two.
bool joinable(uint32_t first, uint32_t second) {
  if (first > 2 || (first < 2 && second >= 40)) return false;
  return 40ull * first + second <= 0xFFFFFFFFu;
}

// Appends `subid` in base 128 at `out + at`; returns the new end.
size_t append_base128(unsigned char* out, size_t at, uint32_t subid) {
  if (subid < 0x80) {
    out[at] = static_cast<unsigned char>(subid);
    return at + 1;
  }
  const int groups = (32 - __builtin_clz(subid) + 6) / 7;
  for (int shift = 7 * (groups - 1); shift > 0; shift -= 7) {
    out[at++] = static_cast<unsigned char>(0x80 | ((subid >> shift) & 0x7F));
  }
  out[at++] = static_cast<unsigned char>(subid & 0x7F);
  return at;
}

}  // namespace

PmsBerWriter::OidMemory* PmsBerWriter::oid_memories() {
  static thread_local OidMemory memories[kOidMemories];
  return memories;
}

int PmsBerWriter::encode_components(const char* text, size_t length, OidMemory& memory, size_t* content) {
  if (length > 0xFFFF) return PMC_E_NOMEM;  // offsets beyond the memory's
  // Whole components of the shared prefix are kept: those that end (at a
  // dot, in both texts) before the first difference.
  size_t count = 0;
  size_t at = 0;
  const char* p = text;
  if (memory.text != nullptr) {
    const size_t same = common_prefix(text, memory.text, length < memory.length ? length : memory.length);
    while (count < memory.count && memory.ends[count] < same) ++count;
    if (count != 0) p = text + memory.ends[count - 1] + 1;
    // The first two share one number: its bytes are kept only with both.
    if (count >= 2) at = memory.content_ends[count - 1];
  }
  memory.text = nullptr;  // until the new text is read completely
  const char* const end = text + length;
  for (;;) {
    if (count == kRemembered) return PMC_E_NOMEM;
    uint32_t subid = 0;
    if (!read_component(&p, end, &subid)) return PMC_E_ARG;
    memory.ends[count] = static_cast<uint16_t>(p - text);
    if (count < 2) memory.first[count] = subid;
    if (count == 1) {
      if (!joinable(memory.first[0], subid)) return PMC_E_ARG;
      at = append_base128(memory.content, 0, 40 * memory.first[0] + subid);
      memory.content_ends[1] = static_cast<uint16_t>(at);
    } else if (count > 1) {
      at = append_base128(memory.content, at, subid);
      memory.content_ends[count] = static_cast<uint16_t>(at);
    }
    ++count;
    if (p == end) break;
    if (*p != '.') return PMC_E_ARG;
    ++p;
  }
  if (count == 1) return PMS_OID_SINGLE;
  memory.text = text;
  memory.length = length;
  memory.count = count;
  *content = at;
  return PMC_OK;
}

void PmsBerWriter::put_contents(unsigned char tag, const unsigned char* content, size_t length) {
  if (length + 10 <= m_free) {
    // Straight into the block, then one update of the counters.
    unsigned char* end = m_pBlock + m_free;
    unsigned char* start = end - length;
    copy(start, content, length);
    start = length_field(start, length);
    *--start = tag;
    const size_t count = static_cast<size_t>(end - start);
    m_free -= count;
    m_written += count;
  } else {
    put_bytes(content, length);
    close(tag, m_written - length);
  }
}

int PmsBerWriter::oid_contents(const char* text, size_t length, int slot, const unsigned char** content,
                               size_t* content_length) {
  OidMemory& memory = m_pOids[slot == kNameSlot || slot == kValueSlot ? slot : 2];
  if (length == 0) {
    *content = memory.content;
    *content_length = 0;
    return PMC_OK;
  }
  if (slot != kNameSlot && slot != kValueSlot) memory.text = nullptr;
  const int rc = encode_components(text, length, memory, content_length);
  if (rc == PMC_OK) *content = memory.content;
  return rc;
}

int PmsBerWriter::put_oid(unsigned char tag, const char* text, size_t length, int slot) {
  const unsigned char* content = nullptr;
  size_t content_length = 0;
  const int rc = oid_contents(text, length, slot, &content, &content_length);
  if (rc == PMC_E_NOMEM) return put_long_oid(tag, text, length);
  if (rc != PMC_OK) return rc;
  put_contents(tag, content, content_length);
  return PMC_OK;
}

int PmsBerWriter::put_long_oid(unsigned char tag, const char* text, size_t length) {
  const size_t most = length / 2 + 1;  // "1.2.3" has (5 + 1) / 2 components
  std::unique_ptr<unsigned char[]> content(new (std::nothrow) unsigned char[5 * most]);
  if (!content) return PMC_E_NOMEM;
  size_t count = 0;
  size_t at = 0;
  uint32_t first = 0;
  const char* p = text;
  const char* const end = text + length;
  for (;;) {
    uint32_t subid = 0;
    if (!read_component(&p, end, &subid)) return PMC_E_ARG;
    if (count == 0) {
      first = subid;
    } else if (count == 1) {
      if (!joinable(first, subid)) return PMC_E_ARG;
      at = append_base128(content.get(), 0, 40 * first + subid);
    } else {
      at = append_base128(content.get(), at, subid);
    }
    ++count;
    if (p == end) break;
    if (*p != '.') return PMC_E_ARG;
    ++p;
  }
  if (count == 1) return PMS_OID_SINGLE;
  put_contents(tag, content.get(), at);
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

int pms_ber_oid_text(const unsigned char* bytes, size_t length, char* out, size_t* text_length, bool* padded) {
  size_t at = 0;
  size_t i = 0;
  // Only sub-identifiers of several bytes can start with 0x80.
  bool starts_padded = false;
  if (length != 0) {
    starts_padded = bytes[0] == 0x80;
    // The first number holds the first two arcs.
    uint32_t first = 0;
    const int rc = gather_subid(bytes, length, &i, &first);
    if (rc != PMC_OK) return rc;
    const uint32_t arc = first < 40 ? 0 : (first < 80 ? 1 : 2);
    out[at++] = static_cast<char>('0' + arc);
    out[at++] = '.';
    at += write_decimal(first - 40 * arc, out + at);
  }
  while (i < length) {
    const unsigned char byte = bytes[i];
    if (byte < 0x80) {
      // Most sub-identifiers fit one byte: a table copy.
      std::memcpy(out + at, kSmallSubids.entry[byte].text, 4);
      at += kSmallSubids.entry[byte].length;
      ++i;
      continue;
    }
    starts_padded |= byte == 0x80;
    uint32_t subid = 0;
    const int rc = gather_subid(bytes, length, &i, &subid);
    if (rc != PMC_OK) return rc;
    out[at++] = '.';
    at += write_decimal(subid, out + at);
  }
  *text_length = at;
  if (padded != nullptr) *padded = starts_padded;
  return PMC_OK;
}
