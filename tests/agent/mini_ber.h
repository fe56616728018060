// A small, strict BER reader and writer for SNMPv1/v2c messages, used by the
// test peers (fault agent, probes) and by tests that craft datagrams by hand.
// It is written independently of the library's codec on purpose: a test peer
// that shared the codec under test would agree with its mistakes.
//
// Strict means: every length is checked against the bytes that hold it,
// indefinite lengths and lengths over four octets are refused, integers must
// fit their type, OID sub-identifiers must fit 32 bits and may not start with
// a 0x80 pad octet, and a message may not carry trailing bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace psw_test {
namespace ber {

using Oid = std::vector<uint32_t>;

// BER tags used in SNMP messages.
enum Tag : uint8_t {
  kInteger = 0x02,
  kOctetString = 0x04,
  kNull = 0x05,
  kObjectId = 0x06,
  kSequence = 0x30,
  kIpAddress = 0x40,
  kCounter32 = 0x41,
  kGauge32 = 0x42,
  kTimeTicks = 0x43,
  kOpaque = 0x44,
  kCounter64 = 0x46,
  kNoSuchObject = 0x80,
  kNoSuchInstance = 0x81,
  kEndOfMibView = 0x82,
  kGetRequest = 0xA0,
  kGetNextRequest = 0xA1,
  kResponse = 0xA2,
  kSetRequest = 0xA3,
  kTrapV1 = 0xA4,
  kGetBulkRequest = 0xA5,
};

// SNMP error-status values the peers produce.
enum ErrorStatus : int32_t {
  kNoError = 0,
  kTooBig = 1,
  kNoSuchName = 2,
  kBadValue = 3,
  kReadOnly = 4,
  kGenErr = 5,
  kWrongType = 7,
  kNotWritable = 17,
};

// Message versions as carried on the wire.
constexpr int32_t kVersion1 = 0;
constexpr int32_t kVersion2c = 1;

// "1.3.6.1" or ".1.3.6.1" to arcs; throws std::invalid_argument on anything
// else (empty text, empty arcs, arcs over 32 bits).
Oid parse_oid(const std::string& dotted);
// Arcs to "1.3.6.1" (no leading dot).
std::string oid_text(const Oid& oid);
// True when `oid` lies strictly below `prefix` or equals it.
bool oid_starts_with(const Oid& oid, const Oid& prefix);

// One SNMP value. Which member is meaningful depends on `tag`:
// INTEGER uses `integer`; Counter32, Gauge32, TimeTicks and Counter64 use
// `number`; OCTET STRING, IpAddress (4 octets) and Opaque use `bytes`;
// OBJECT IDENTIFIER uses `oid`; NULL and the exceptions use nothing.
struct Value {
  uint8_t tag = kNull;
  int64_t integer = 0;
  uint64_t number = 0;
  std::string bytes;
  Oid oid;

  static Value Integer(int32_t v);
  static Value OctetString(const std::string& v);
  static Value Null();
  static Value ObjectId(const Oid& v);
  static Value IpAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d);
  static Value Counter32(uint32_t v);
  static Value Gauge32(uint32_t v);
  static Value TimeTicks(uint32_t v);
  static Value Opaque(const std::string& v);
  static Value Counter64(uint64_t v);
  static Value Exception(uint8_t tag);

  bool operator==(const Value& other) const;
  bool operator!=(const Value& other) const { return !(*this == other); }
  // Human-readable form for test messages, e.g. "Gauge32 7", "OCTET STRING \"abc\"".
  std::string describe() const;
};

struct VarBind {
  Oid oid;
  Value value;
};

// One community-based message (SNMPv1 or SNMPv2c) with any PDU but the
// SNMPv1 trap. For GetBulk, error_status and error_index hold non-repeaters
// and max-repetitions as on the wire; the accessors below name them so.
struct Message {
  int32_t version = kVersion1;
  std::string community = "public";
  uint8_t pdu_type = kGetRequest;
  int32_t request_id = 0;
  int32_t error_status = 0;
  int32_t error_index = 0;
  std::vector<VarBind> bindings;

  int32_t non_repeaters() const { return error_status; }
  int32_t max_repetitions() const { return error_index; }
  void set_non_repeaters(int32_t n) { error_status = n; }
  void set_max_repetitions(int32_t m) { error_index = m; }
};

// --- writer --------------------------------------------------------------
// Minimal definite length octets for `length`.
std::string encode_length(size_t length);
// Tag, minimal length and content.
std::string encode_tlv(uint8_t tag, const std::string& content);
// Minimal two's-complement content of a signed integer.
std::string integer_content(int64_t v);
// Minimal content of an unsigned integer (a leading zero octet when the top
// bit is set, as BER requires for Counter32, Gauge32, TimeTicks, Counter64).
std::string unsigned_content(uint64_t v);
// Content of an OBJECT IDENTIFIER; throws std::invalid_argument for fewer
// than two arcs or a first arc over 2.
std::string oid_content(const Oid& oid);
std::string encode_value(const Value& value);
std::string encode_message(const Message& message);

// --- reader --------------------------------------------------------------
// Walks one buffer of TLVs; every read checks the bounds of its container.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  explicit Reader(const std::string& bytes)
      : Reader(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) {}

  bool at_end() const { return pos_ == size_; }
  size_t position() const { return pos_; }
  // Reads one TLV; its content becomes `*content`. False (with `error()`)
  // on a truncated header, a bad length form or a length past the end.
  bool read_tlv(uint8_t* tag, Reader* content);
  // Reads one TLV and requires its tag.
  bool expect(uint8_t tag, Reader* content);
  const std::string& error() const { return error_; }
  // The remaining bytes.
  std::string rest() const;
  const uint8_t* data() const { return data_ + pos_; }
  size_t remaining() const { return size_ - pos_; }

 private:
  bool fail(const std::string& why);

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  std::string error_;
};

// Content decoders; false with a reason in `*error` when the content does not
// fit the type.
bool decode_integer(const Reader& content, int64_t min, int64_t max, int64_t* out, std::string* error);
bool decode_unsigned(const Reader& content, uint64_t max, uint64_t* out, std::string* error);
bool decode_oid(const Reader& content, Oid* out, std::string* error);
bool decode_value(uint8_t tag, const Reader& content, Value* out, std::string* error);
// Decodes a whole datagram; false with a reason on any fault.
bool decode_message(const std::string& datagram, Message* out, std::string* error);

}  // namespace ber
}  // namespace psw_test
