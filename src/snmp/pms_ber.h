// BER primitives of the message codec: a backward writer that fills a block
// from its end (so every length is known when it is written, after its
// contents), a forward reader that never reads past its end, and the
// content rules for integers and object identifiers.
//
// Neither side allocates; both are small enough to live on the stack of
// one encoding or decoding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/pmc_result.h"

// BER tags the codec writes and expects besides the value tags.
constexpr unsigned char PMS_BER_SEQUENCE = 0x30;
constexpr unsigned char PMS_BER_INTEGER = 0x02;
constexpr unsigned char PMS_BER_OCTET_STRING = 0x04;
constexpr unsigned char PMS_BER_OID = 0x06;
constexpr unsigned char PMS_BER_IP_ADDRESS = 0x40;
constexpr unsigned char PMS_BER_TIMETICKS = 0x43;

// ---------------------------------------------------------------------------
// PmsBerWriter: writes backwards from the end of a block. A byte that would
// land before the block's beginning is dropped and sets the overflow flag;
// the count of bytes written goes on, so the lengths of enclosing elements
// still add up and the caller learns how big the message would have been.
// ---------------------------------------------------------------------------
class PmsBerWriter {
 public:
  PmsBerWriter(unsigned char* block, size_t capacity) : m_pBlock(block), m_free(capacity) {}

  // Bytes written so far (dropped ones included).
  size_t written() const { return m_written; }
  bool overflow() const { return m_overflow; }
  // Offset of the first byte written from the block's beginning.
  size_t start_offset() const { return m_free; }

  void put(unsigned char byte) {
    ++m_written;
    if (m_free != 0) {
      m_pBlock[--m_free] = byte;
    } else {
      m_overflow = true;
    }
  }

  void put_bytes(const unsigned char* bytes, size_t count) {
    m_written += count;
    if (count <= m_free) {
      m_free -= count;
      if (count != 0) std::memcpy(m_pBlock + m_free, bytes, count);
    } else {
      if (m_free != 0) std::memcpy(m_pBlock, bytes + (count - m_free), m_free);
      m_free = 0;
      m_overflow = true;
    }
  }

  // Definite form: one byte below 128, else 0x80 | count and the count's
  // big-endian bytes without leading zeros.
  void put_length(size_t length) {
    if (length < 0x80) {
      put(static_cast<unsigned char>(length));
      return;
    }
    unsigned char count = 0;
    for (; length != 0; length >>= 8, ++count) put(static_cast<unsigned char>(length));
    put(static_cast<unsigned char>(0x80 | count));
  }

  // Tag and length of an element whose contents were written since
  // written() was `mark`.
  void close(unsigned char tag, size_t mark) {
    put_length(m_written - mark);
    put(tag);
  }

  // Minimal two's-complement contents, 1 to 4 bytes.
  void put_integer(unsigned char tag, int32_t value) {
    const size_t mark = m_written;
    uint32_t rest = static_cast<uint32_t>(value);
    const uint32_t fill = value < 0 ? 0xFFFFFFFFu : 0;
    for (;;) {
      const unsigned char byte = static_cast<unsigned char>(rest);
      put(byte);
      rest = (rest >> 8) | (fill << 24);
      // Done when what is left is pure sign and the byte carries that sign.
      if (rest == fill && ((byte & 0x80) != 0) == (fill != 0)) break;
    }
    close(tag, mark);
  }

  // Minimal unsigned contents: the big-endian bytes without leading zeros
  // (one 0x00 for zero), with a 0x00 in front when the top bit is set.
  void put_unsigned(unsigned char tag, uint64_t value) {
    const size_t mark = m_written;
    unsigned char byte = 0;
    do {
      byte = static_cast<unsigned char>(value);
      put(byte);
      value >>= 8;
    } while (value != 0);
    if ((byte & 0x80) != 0) put(0);
    close(tag, mark);
  }

  void put_octets(unsigned char tag, const unsigned char* bytes, size_t count) {
    put_bytes(bytes, count);
    put_length(count);
    put(tag);
  }

  // An OBJECT IDENTIFIER from its dotted text: the first two components
  // joined as 40 * first + second, each sub-identifier in base 128. The
  // empty text gives length 0. -2 (with nothing sensible written) for text
  // that is not an OID of at least two components whose first is 0 to 2
  // and, below 2, whose second is below 40; those would come back as
  // another OID.
  int put_oid(unsigned char tag, const char* text, size_t length);

 private:
  void put_subid(uint32_t subid) {
    put(static_cast<unsigned char>(subid & 0x7F));
    for (subid >>= 7; subid != 0; subid >>= 7) put(static_cast<unsigned char>(0x80 | (subid & 0x7F)));
  }

  unsigned char* m_pBlock;
  size_t m_free;  // bytes still free at the block's beginning
  size_t m_written = 0;
  bool m_overflow = false;
};

// ---------------------------------------------------------------------------
// PmsBerReader: reads forwards between a cursor and an end; every read
// checks what is left, so nothing beyond the end is ever touched.
// ---------------------------------------------------------------------------
class PmsBerReader {
 public:
  PmsBerReader(const unsigned char* begin, size_t length) : m_pPos(begin), m_pEnd(begin + length) {}

  const unsigned char* pos() const { return m_pPos; }
  const unsigned char* end() const { return m_pEnd; }
  size_t left() const { return static_cast<size_t>(m_pEnd - m_pPos); }
  bool at_end() const { return m_pPos == m_pEnd; }
  // Moves the end closer (never further than it was).
  void cut(size_t length) {
    if (length < left()) m_pEnd = m_pPos + length;
  }

  // The next byte, not consumed; false at the end.
  bool peek(unsigned char* byte) const {
    if (m_pPos == m_pEnd) return false;
    *byte = *m_pPos;
    return true;
  }

  // Consumes the byte `tag`; -250 when another byte or none is there.
  int take_tag(unsigned char tag) {
    if (m_pPos == m_pEnd || *m_pPos != tag) return PMC_E_MALFORMED;
    ++m_pPos;
    return PMC_OK;
  }

  // A length field in definite form of at most four length bytes; -250 for
  // the indefinite form, a longer field, or a field cut off by the end. The
  // length itself is not checked against what is left.
  int take_length(size_t* length) {
    if (m_pPos == m_pEnd) return PMC_E_MALFORMED;
    const unsigned char first = *m_pPos++;
    if (first < 0x80) {
      *length = first;
      return PMC_OK;
    }
    const size_t count = first & 0x7F;
    if (count == 0 || count > 4 || count > left()) return PMC_E_MALFORMED;
    size_t value = 0;
    for (size_t i = 0; i < count; ++i) value = (value << 8) | *m_pPos++;
    *length = value;
    return PMC_OK;
  }

  // Tag `tag` and a length that fits in what is left; -250 otherwise.
  int take_header(unsigned char tag, size_t* length) {
    int rc = take_tag(tag);
    if (rc == PMC_OK) rc = take_length(length);
    if (rc == PMC_OK && *length > left()) rc = PMC_E_MALFORMED;
    return rc;
  }

  // Consumes `count` bytes, which the caller has checked against left().
  const unsigned char* take(size_t count) {
    const unsigned char* at = m_pPos;
    m_pPos += count;
    return at;
  }
  void skip(size_t count) { m_pPos += count; }

 private:
  const unsigned char* m_pPos;
  const unsigned char* m_pEnd;
};

// ---------------------------------------------------------------------------
// Content rules. Each reads `length` bytes at `bytes` and answers 0 or -250.
// ---------------------------------------------------------------------------

// INTEGER: sign-extended big-endian. Contents longer than four bytes are
// taken only when the extra leading bytes are pure sign extension, that is
// when the number fits in 32 signed bits. No contents read as 0.
int pms_ber_int32(const unsigned char* bytes, size_t length, int32_t* out);

// Counter32, Gauge32, TimeTicks: up to four bytes are sign-extended into 32
// bits and kept as unsigned; longer contents only with leading 0x00 bytes
// (a non-negative number that fits in 32 bits).
int pms_ber_uint32(const unsigned char* bytes, size_t length, uint32_t* out);

// Counter64: the bytes as an unsigned big-endian number; contents longer
// than eight bytes only with leading 0x00 bytes.
int pms_ber_uint64(const unsigned char* bytes, size_t length, uint64_t* out);

// The dotted text of OBJECT IDENTIFIER contents into `out`, which holds at
// least pms_ber_oid_text_room(length) characters; the text's length goes to
// `text_length`. The first sub-identifier n is split into min(n / 40, 2)
// and the rest. Answers 0, PMS_OID_UNFINISHED when the contents end inside
// a sub-identifier, or PMS_OID_TOO_BIG for a sub-identifier beyond 32 bits.
enum PmsOidTextResult : int { PMS_OID_UNFINISHED = 1, PMS_OID_TOO_BIG = 2 };
inline size_t pms_ber_oid_text_room(size_t length) { return 4 * length + 4; }
int pms_ber_oid_text(const unsigned char* bytes, size_t length, char* out, size_t* text_length);
