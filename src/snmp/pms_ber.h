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

#include "base/pmc_result.h"

// BER tags the codec writes and expects besides the value tags.
constexpr unsigned char PMS_BER_SEQUENCE = 0x30;
constexpr unsigned char PMS_BER_INTEGER = 0x02;
constexpr unsigned char PMS_BER_OCTET_STRING = 0x04;
constexpr unsigned char PMS_BER_OID = 0x06;
constexpr unsigned char PMS_BER_IP_ADDRESS = 0x40;
constexpr unsigned char PMS_BER_TIMETICKS = 0x43;

// Results of the OID rules besides 0 and the result codes.
enum PmsOidTextResult : int { PMS_OID_UNFINISHED = 1, PMS_OID_TOO_BIG = 2, PMS_OID_SINGLE = 3 };

// ---------------------------------------------------------------------------
// PmsBerWriter: writes backwards from the end of a block. A byte that would
// land before the block's beginning is dropped and sets the overflow flag;
// the count of bytes written goes on, so the lengths of enclosing elements
// still add up and the caller learns how big the message would have been.
//
// Elements are built whole where there is room: small ones in a local
// array, OIDs straight into the block, then committed with one update of
// the counters (a byte store through the block could alias them, so byte
// by byte they would be reloaded and stored for every byte).
// ---------------------------------------------------------------------------
class PmsBerWriter {
 public:
  // Where put_oid may take the components of a shared prefix from: the OID
  // it last wrote with the same slot (bindings' names follow each other
  // with long common prefixes, and so do OID values).
  enum OidSlot : int { kNoSlot = -1, kNameSlot = 0, kValueSlot = 1 };

  PmsBerWriter() = default;
  // Starts over on `block`.
  void reset(unsigned char* block, size_t capacity) {
    m_pBlock = block;
    m_free = capacity;
    m_written = 0;
    m_overflow = false;
    m_pOids = oid_memories();
    for (size_t i = 0; i < kOidMemories; ++i) m_pOids[i].text = nullptr;
  }

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
      copy(m_pBlock + m_free, bytes, count);
    } else {
      if (m_free != 0) std::memcpy(m_pBlock, bytes + (count - m_free), m_free);
      m_free = 0;
      m_overflow = true;
    }
  }

  // Definite form: one byte below 128, else 0x80 | count and the count's
  // big-endian bytes without leading zeros.
  void put_length(size_t length) {
    unsigned char field[9];
    unsigned char* start = length_field(field + sizeof field, length);
    put_bytes(start, static_cast<size_t>(field + sizeof field - start));
  }

  // Tag and length of an element whose contents were written since
  // written() was `mark`.
  void close(unsigned char tag, size_t mark) {
    unsigned char field[10];
    unsigned char* start = length_field(field + sizeof field, m_written - mark);
    *--start = tag;
    put_bytes(start, static_cast<size_t>(field + sizeof field - start));
  }

  // Minimal two's-complement contents, 1 to 4 bytes.
  void put_integer(unsigned char tag, int32_t value) {
    unsigned char tlv[8];
    unsigned char* end = tlv + sizeof tlv;
    unsigned char* start = end;
    uint32_t rest = static_cast<uint32_t>(value);
    const uint32_t fill = value < 0 ? 0xFFFFFFFFu : 0;
    for (;;) {
      const unsigned char byte = static_cast<unsigned char>(rest);
      *--start = byte;
      rest = (rest >> 8) | (fill << 24);
      // Done when what is left is pure sign and the byte carries that sign.
      if (rest == fill && ((byte & 0x80) != 0) == (fill != 0)) break;
    }
    start[-1] = static_cast<unsigned char>(end - start);
    start[-2] = tag;
    put_bytes(start - 2, static_cast<size_t>(end - start) + 2);
  }

  // Minimal unsigned contents: the big-endian bytes without leading zeros
  // (one 0x00 for zero), with a 0x00 in front when the top bit is set.
  void put_unsigned(unsigned char tag, uint64_t value) {
    unsigned char tlv[12];
    unsigned char* end = tlv + sizeof tlv;
    unsigned char* start = end;
    unsigned char byte = 0;
    do {
      byte = static_cast<unsigned char>(value);
      *--start = byte;
      value >>= 8;
    } while (value != 0);
    if ((byte & 0x80) != 0) *--start = 0;
    start[-1] = static_cast<unsigned char>(end - start);
    start[-2] = tag;
    put_bytes(start - 2, static_cast<size_t>(end - start) + 2);
  }

  void put_octets(unsigned char tag, const unsigned char* bytes, size_t count) {
    put_bytes(bytes, count);
    close(tag, m_written - count);
  }

  // An OBJECT IDENTIFIER from its dotted text: the first two components
  // joined as 40 * first + second, each sub-identifier in base 128. The
  // empty text gives length 0. Text of one component answers
  // PMS_OID_SINGLE; text that is not an OID, or whose first component is
  // above 2 or (below 2) whose second is 40 or more, answers -2: those
  // would come back as another OID; -3 when a very long text finds no
  // scratch memory. Nothing is written then. The text must stay unchanged
  // while the writer may compare a later OID of the same slot with it.
  int put_oid(unsigned char tag, const char* text, size_t length, int slot = kNoSlot);

  // The contents put_oid would write for `text`, built without writing
  // them: on 0, *content points at them until the next OID of the slot.
  // Answers as put_oid does, and -3 also for a text of more components
  // than a slot remembers (put_oid still writes those).
  int oid_contents(const char* text, size_t length, int slot, const unsigned char** content, size_t* content_length);

  // Tag, length and the given contents, in one commit when there is room.
  void put_contents(unsigned char tag, const unsigned char* content, size_t length);

 private:
  // The OID last written in a slot: its text, its first two components,
  // where each component ends in the text, and its contents with the
  // number of content bytes up to each component. A following OID takes
  // the contents of the components it shares and reads only the rest.
  static constexpr size_t kRemembered = 128;
  static constexpr size_t kOidMemories = 3;  // the two slots and one for OIDs without a slot
  struct OidMemory {
    const char* text;
    size_t length;
    size_t count;
    uint32_t first[2];
    uint16_t ends[kRemembered];          // text offset just past component i
    uint16_t content_ends[kRemembered];  // content bytes through component i (i >= 1)
    unsigned char content[5 * kRemembered];
  };
  // This thread's memories: they live outside the writer so that an
  // encoder, made for every message, stays small.
  static OidMemory* oid_memories();

  // Writes the length field ending at `end`; returns its first byte.
  static unsigned char* length_field(unsigned char* end, size_t length) {
    if (length < 0x80) {
      *--end = static_cast<unsigned char>(length);
      return end;
    }
    unsigned char count = 0;
    for (; length != 0; length >>= 8, ++count) *--end = static_cast<unsigned char>(length);
    *--end = static_cast<unsigned char>(0x80 | count);
    return end;
  }

  // memcpy for the short runs a message is made of, without a library call
  // for the shortest: fixed-size moves that stay inside [to, to + count).
  static void copy(unsigned char* to, const unsigned char* from, size_t count) {
    if (count >= 8 && count <= 16) {
      std::memcpy(to, from, 8);
      std::memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 4 && count < 8) {
      std::memcpy(to, from, 4);
      std::memcpy(to + count - 4, from + count - 4, 4);
    } else if (count < 4) {
      for (size_t i = 0; i < count; ++i) to[i] = from[i];
    } else {
      std::memcpy(to, from, count);
    }
  }

  // Reads `text` and builds its contents in `memory`, reusing what it
  // shares with the OID the memory holds; the content length goes to
  // `content`. -3 for more components than a memory holds.
  static int encode_components(const char* text, size_t length, OidMemory& memory, size_t* content);
  // OIDs beyond what a memory holds, built in heap blocks.
  int put_long_oid(unsigned char tag, const char* text, size_t length);

  unsigned char* m_pBlock = nullptr;
  size_t m_free = 0;  // bytes still free at the block's beginning
  size_t m_written = 0;
  bool m_overflow = false;
  OidMemory* m_pOids = nullptr;
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
// `padded`, when given, is set when a sub-identifier starts with a 0x80
// byte: such contents read as a text that encodes back shorter.
inline size_t pms_ber_oid_text_room(size_t length) { return 4 * length + 8; }
int pms_ber_oid_text(const unsigned char* bytes, size_t length, char* out, size_t* text_length,
                     bool* padded = nullptr);
