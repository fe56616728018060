// Fuzz target for the text parsers of the SNMP values and for the OID
// operations.
//
// Input: the first byte chooses the mode.
//   below 0x80: a value of the tag kTags[byte % 16] is parsed from the rest
//     (up to its first zero byte) with pmc_create_value_from_text; a value
//     that parses must write a text that reads back into an equal value, and
//     its table-index forms must read back too.
//   0x80 and above: the rest up to the first zero byte is an OID text (kept
//     even when it is not a valid OID, so that the operations meet bad text
//     as well); every following byte chooses one OID operation, its
//     arguments taken from the bytes after it. After each operation the
//     OID's cached count must match a recount of its text.
// A broken invariant aborts with a message, so the fuzzer reports it.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"

namespace {

const int kTags[16] = {PMC_TAG_INTEGER,        PMC_TAG_OCTET_STRING, PMC_TAG_NULL,         PMC_TAG_OID,
                       PMC_TAG_IP_ADDRESS,     PMC_TAG_COUNTER32,    PMC_TAG_GAUGE32,      PMC_TAG_TIMETICKS,
                       PMC_TAG_OPAQUE,         PMC_TAG_COUNTER64,    PMC_TAG_IPV6_ADDRESS, PMC_TAG_NO_SUCH_OBJECT,
                       PMC_TAG_END_OF_MIB_VIEW, PMC_TAG_IPV4_PREFIX, PMC_TAG_IPX_ADDRESS,  PMC_TAG_NO_SUCH_INSTANCE};

// Texts the OID operations take as arguments.
const char* const kTexts[] = {"", "0", "1.3.6.1", "1.2", "x", ".", "4294967295", "4294967296", "1..2", "9.",
                              "10.0.0.1", "abc", "fe80:0:0:0:0:0:0:1", "1.2.3.4/8", "0000abcd:0123456789ab/1"};
constexpr size_t kTextCount = sizeof kTexts / sizeof kTexts[0];

[[noreturn]] void fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "invariant broken: %s [%s]\n", what, detail.c_str());
  std::abort();
}

std::string text_of(const IPmcValue& value) {
  PmcPtr<IPmcText> text(value.to_text(nullptr));
  if (!text || text->c_str() == nullptr) return std::string();
  return std::string(text->c_str(), text->length());
}

// The arguments of the OID operations, read from the input; zero once it
// runs out.
class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool empty() const { return m_pos >= m_size; }
  uint8_t u8() { return m_pos < m_size ? m_data[m_pos++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | u8();
    return v;
  }
  // Small counts most of the time, any count now and then.
  uint32_t count() {
    uint8_t b = u8();
    return b == 0xFF ? u32() : b % 16;
  }
  const char* text() { return kTexts[u8() % kTextCount]; }
  int tag() { return kTags[u8() % 16]; }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_pos = 0;
};

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

void check_index_forms(const IPmcValue& value) {
  for (bool implied : {false, true}) {
    PmcPtr<IPmcOid> oid(pmc_create_oid(nullptr));
    if (!oid || value.to_oid(*oid, implied) != PMC_OK) continue;
    if (oid->size() != value.index_length(implied)) fail("index length", text_of(*oid));
    if (!oid->is_valid()) fail("index form is a valid OID", text_of(*oid));
    PmcPtr<IPmcValue> back(pmc_create_value(value.get_type(), nullptr));
    int rc = back->from_oid(*oid, implied, PMC_ALL_SUBIDS);
    if (rc != PMC_OK || !back->equals(value)) fail("index form reads back", text_of(*oid));
    // Taking the value from the OID uses every sub-identifier of its form.
    PmcPtr<IPmcValue> taken(oid->pop_value(value.get_type(), &rc, implied, PMC_ALL_SUBIDS));
    if (!taken || oid->size() != 0) fail("pop_value uses the whole form", text_of(*oid));
  }
}

void fuzz_value(int tag, const char* text) {
  int err = 0;
  PmcPtr<IPmcValue> value(pmc_create_value_from_text(text, tag, &err));
  if (!value) {
    if (err == PMC_OK) fail("null value without an error", text);
    return;
  }
  if (err != PMC_OK || value->get_type() != tag) fail("created value", text);
  const std::string written = text_of(*value);
  PmcPtr<IPmcValue> again(pmc_create_value_from_text(written.c_str(), tag, &err));
  if (!again || !again->equals(*value)) fail("written text reads back", written);
  PmcPtr<IPmcValue> copy(value->clone(nullptr));
  if (!copy || !copy->equals(*value)) fail("clone equals", written);

  // Getters must answer without reading past anything.
  value->get_int32(nullptr);
  value->get_uint32(nullptr);
  value->get_uint16(nullptr);
  for (size_t i = 0; i < value->size() + 2 && i < 64; ++i) value->get_element(i, nullptr);
  PmcPtr<IPmcText> octets(value->to_octet_text(nullptr));
  check_index_forms(*value);
}

// ---------------------------------------------------------------------------
// OIDs
// ---------------------------------------------------------------------------

void check_count(const IPmcOid& oid, uint8_t op) {
  size_t length = 0;
  const char* text = reinterpret_cast<const char*>(oid.get_octets(&length, nullptr));
  if (oid.size() != pmc_count_subids(text, length)) {
    fail("cached count", "op " + std::to_string(op) + ": " + std::string(text, length));
  }
}

void run_oid_operation(IPmcOid& oid, uint8_t op, Bytes& in) {
  int err = 0;
  switch (op % 18) {
    case 0: oid.append_subid(in.u32()); break;
    case 1: oid.append_text(in.text()); break;
    case 2: {
      PmcPtr<IPmcOid> other(pmc_create_oid(nullptr));
      other->from_text(in.text());
      oid.append_oid(in.u8() % 2 ? oid : *other);
      break;
    }
    case 3: {
      // A prefix split from a copy always strips.
      PmcPtr<IPmcOid> copy(oid.clone(nullptr));
      uint32_t n = std::max<uint32_t>(in.count(), 1);
      PmcPtr<IPmcOid> front(copy->split_front(n, nullptr));
      if (oid.size() > 0 && oid.strip_prefix(*front) != PMC_OK) fail("strip own prefix", text_of(oid));
      break;
    }
    case 4: {
      uint32_t n = in.count();
      PmcPtr<IPmcOid> front(oid.split_front(n, &err));
      if (front) check_count(*front, op);
      if (front && front->size() > n) fail("split takes at most n", text_of(*front));
      break;
    }
    case 5: {
      PmcPtr<IPmcText> text(oid.take_front_text(in.count(), &err));
      break;
    }
    case 6: {
      const size_t before = oid.size();
      oid.pop_subid(&err);
      if (err == PMC_OK && oid.size() + 1 != before && oid.size() != 0) fail("pop_subid removes one", text_of(oid));
      break;
    }
    case 7: {
      int tag = in.tag();
      bool implied = in.u8() % 2;
      PmcPtr<IPmcValue> value(oid.pop_value(tag, &err, implied, in.count()));
      break;
    }
    case 8: {
      int tag = in.tag();
      PmcPtr<IPmcValue> value(oid.read_value(tag, &err, in.u8() % 2));
      break;
    }
    case 9: {
      uint32_t start = in.count();
      oid.remove(start, in.count());
      break;
    }
    case 10: oid.get_element(in.count(), &err); break;
    case 11: {
      PmcPtr<IPmcOid> copy(oid.clone(nullptr));
      if (oid.compare(*copy, nullptr) != IPmcOid::EQUAL) fail("compare with a copy", text_of(oid));
      oid.compare(in.text(), nullptr);
      break;
    }
    case 12: {
      int tag = in.tag();
      PmcPtr<IPmcValue> value(pmc_create_value_from_text(in.text(), tag, nullptr));
      if (value) oid.set_from_value(*value, in.u8() % 2);
      break;
    }
    case 13: oid.append_value(oid, in.u8() % 2); break;
    case 14: {
      PmcPtr<IPmcValue> value(pmc_create_value(in.tag(), nullptr));
      oid.take_front_into(*value, in.count());
      break;
    }
    case 15: {
      bool implied = in.u8() % 2;
      if (in.u8() % 2) {
        oid.set_from_value(oid, implied);
      } else {
        oid.read_value(oid, implied);
      }
      break;
    }
    case 16: oid.append_value_text(in.text(), in.tag(), in.u8() % 2); break;
    case 17: oid.set_uint32(in.u32()); break;
  }
  check_count(oid, op);
}

void fuzz_oid(const char* text, Bytes& ops) {
  int err = 0;
  PmcPtr<IPmcOid> checked(pmc_create_oid_from_text(text, &err));
  PmcPtr<IPmcOid> oid(pmc_create_oid(nullptr));
  oid->from_text(text);
  if (static_cast<bool>(checked) != oid->is_valid()) fail("factory and is_valid agree", text);
  for (int n = 0; !ops.empty() && n < 256; ++n) {
    run_oid_operation(*oid, ops.u8(), ops);
    // Bound the text, so that self-appends do not grow it without end.
    if (oid->size() > 4096) oid->clear();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const char* rest = reinterpret_cast<const char*>(data + 1);
  const size_t rest_size = size - 1;
  const size_t text_size = strnlen(rest, rest_size);
  const std::string text(rest, text_size);
  if (mode < 0x80) {
    fuzz_value(kTags[mode % 16], text.c_str());
  } else {
    const size_t used = text_size < rest_size ? text_size + 1 : rest_size;
    Bytes ops(data + 1 + used, rest_size - used);
    fuzz_oid(text.c_str(), ops);
  }
  return 0;
}
