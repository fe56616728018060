#include "agent/mini_ber.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <stdexcept>

namespace psw_test {
namespace ber {

// ---------------------------------------------------------------- OIDs ----

Oid parse_oid(const std::string& dotted) {
  Oid oid;
  size_t i = (!dotted.empty() && dotted[0] == '.') ? 1 : 0;
  if (i >= dotted.size()) throw std::invalid_argument("empty OID '" + dotted + "'");
  while (i <= dotted.size()) {
    uint64_t arc = 0;
    size_t digits = 0;
    while (i < dotted.size() && dotted[i] >= '0' && dotted[i] <= '9') {
      arc = arc * 10 + static_cast<uint64_t>(dotted[i] - '0');
      if (arc > 0xFFFFFFFFull) throw std::invalid_argument("OID arc over 32 bits in '" + dotted + "'");
      ++i;
      ++digits;
    }
    if (digits == 0 || (i < dotted.size() && dotted[i] != '.')) {
      throw std::invalid_argument("malformed OID '" + dotted + "'");
    }
    oid.push_back(static_cast<uint32_t>(arc));
    ++i;  // past the dot (or past the end)
  }
  return oid;
}

std::string oid_text(const Oid& oid) {
  std::string text;
  for (size_t i = 0; i < oid.size(); ++i) {
    if (i) text += '.';
    text += std::to_string(oid[i]);
  }
  return text;
}

bool oid_starts_with(const Oid& oid, const Oid& prefix) {
  return oid.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), oid.begin());
}

// -------------------------------------------------------------- values ----

Value Value::Integer(int32_t v) {
  Value r;
  r.tag = kInteger;
  r.integer = v;
  return r;
}
Value Value::OctetString(const std::string& v) {
  Value r;
  r.tag = kOctetString;
  r.bytes = v;
  return r;
}
Value Value::Null() { return Value(); }
Value Value::ObjectId(const Oid& v) {
  Value r;
  r.tag = kObjectId;
  r.oid = v;
  return r;
}
Value Value::IpAddress(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
  Value r;
  r.tag = kIpAddress;
  r.bytes = {static_cast<char>(a), static_cast<char>(b), static_cast<char>(c), static_cast<char>(d)};
  return r;
}
static Value unsigned_value(uint8_t tag, uint64_t v) {
  Value r;
  r.tag = tag;
  r.number = v;
  return r;
}
Value Value::Counter32(uint32_t v) { return unsigned_value(kCounter32, v); }
Value Value::Gauge32(uint32_t v) { return unsigned_value(kGauge32, v); }
Value Value::TimeTicks(uint32_t v) { return unsigned_value(kTimeTicks, v); }
Value Value::Counter64(uint64_t v) { return unsigned_value(kCounter64, v); }
Value Value::Opaque(const std::string& v) {
  Value r;
  r.tag = kOpaque;
  r.bytes = v;
  return r;
}
Value Value::Exception(uint8_t tag) {
  Value r;
  r.tag = tag;
  return r;
}

bool Value::operator==(const Value& o) const {
  if (tag != o.tag) return false;
  switch (tag) {
    case kInteger: return integer == o.integer;
    case kCounter32: case kGauge32: case kTimeTicks: case kCounter64: return number == o.number;
    case kOctetString: case kIpAddress: case kOpaque: return bytes == o.bytes;
    case kObjectId: return oid == o.oid;
    default: return true;
  }
}

static std::string hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    out += buf;
  }
  return out;
}

std::string Value::describe() const {
  switch (tag) {
    case kInteger: return "INTEGER " + std::to_string(integer);
    case kOctetString: return "OCTET STRING \"" + bytes + "\" (0x" + hex(bytes) + ")";
    case kNull: return "NULL";
    case kObjectId: return "OBJECT IDENTIFIER " + oid_text(oid);
    case kIpAddress: return "IpAddress 0x" + hex(bytes);
    case kCounter32: return "Counter32 " + std::to_string(number);
    case kGauge32: return "Gauge32 " + std::to_string(number);
    case kTimeTicks: return "TimeTicks " + std::to_string(number);
    case kOpaque: return "Opaque 0x" + hex(bytes);
    case kCounter64: return "Counter64 " + std::to_string(number);
    case kNoSuchObject: return "noSuchObject";
    case kNoSuchInstance: return "noSuchInstance";
    case kEndOfMibView: return "endOfMibView";
    default: return "tag 0x" + hex(std::string(1, static_cast<char>(tag)));
  }
}

// -------------------------------------------------------------- writer ----

std::string encode_length(size_t length) {
  if (length < 0x80) return std::string(1, static_cast<char>(length));
  std::string octets;
  for (size_t v = length; v; v >>= 8) octets.insert(octets.begin(), static_cast<char>(v & 0xFF));
  return std::string(1, static_cast<char>(0x80 | octets.size())) + octets;
}

std::string encode_tlv(uint8_t tag, const std::string& content) {
  return std::string(1, static_cast<char>(tag)) + encode_length(content.size()) + content;
}

std::string integer_content(int64_t v) {
  std::string out;
  for (int shift = 56; shift >= 0; shift -= 8) out += static_cast<char>((static_cast<uint64_t>(v) >> shift) & 0xFF);
  // Drop leading octets that only repeat the sign of the next one.
  size_t skip = 0;
  while (skip + 1 < out.size()) {
    unsigned char a = static_cast<unsigned char>(out[skip]);
    unsigned char b = static_cast<unsigned char>(out[skip + 1]);
    if ((a == 0x00 && !(b & 0x80)) || (a == 0xFF && (b & 0x80))) {
      ++skip;
    } else {
      break;
    }
  }
  return out.substr(skip);
}

std::string unsigned_content(uint64_t v) {
  std::string out;
  for (int shift = 56; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
  size_t skip = 0;
  while (skip + 1 < out.size() && out[skip] == 0 && !(static_cast<unsigned char>(out[skip + 1]) & 0x80)) ++skip;
  out = out.substr(skip);
  if (static_cast<unsigned char>(out[0]) & 0x80) out.insert(out.begin(), '\0');
  return out;
}

static void append_subidentifier(std::string* out, uint64_t v) {
  std::string groups(1, static_cast<char>(v & 0x7F));
  for (v >>= 7; v; v >>= 7) groups.insert(groups.begin(), static_cast<char>(0x80 | (v & 0x7F)));
  *out += groups;
}

std::string oid_content(const Oid& oid) {
  if (oid.size() < 2 || oid[0] > 2 || (oid[0] < 2 && oid[1] > 39)) {
    throw std::invalid_argument("OID cannot be encoded: '" + oid_text(oid) + "'");
  }
  std::string out;
  append_subidentifier(&out, static_cast<uint64_t>(oid[0]) * 40 + oid[1]);
  for (size_t i = 2; i < oid.size(); ++i) append_subidentifier(&out, oid[i]);
  return out;
}

std::string encode_value(const Value& value) {
  switch (value.tag) {
    case kInteger: return encode_tlv(kInteger, integer_content(value.integer));
    case kCounter32: case kGauge32: case kTimeTicks: case kCounter64:
      return encode_tlv(value.tag, unsigned_content(value.number));
    case kObjectId: return encode_tlv(kObjectId, oid_content(value.oid));
    case kOctetString: case kIpAddress: case kOpaque: return encode_tlv(value.tag, value.bytes);
    default: return encode_tlv(value.tag, "");  // NULL and the exceptions
  }
}

std::string encode_message(const Message& m) {
  std::string bindings;
  for (const VarBind& vb : m.bindings) {
    bindings += encode_tlv(kSequence, encode_tlv(kObjectId, oid_content(vb.oid)) + encode_value(vb.value));
  }
  std::string pdu = encode_tlv(kInteger, integer_content(m.request_id)) +
                    encode_tlv(kInteger, integer_content(m.error_status)) +
                    encode_tlv(kInteger, integer_content(m.error_index)) + encode_tlv(kSequence, bindings);
  return encode_tlv(kSequence, encode_tlv(kInteger, integer_content(m.version)) +
                                   encode_tlv(kOctetString, m.community) + encode_tlv(m.pdu_type, pdu));
}

// -------------------------------------------------------------- reader ----

bool Reader::fail(const std::string& why) {
  error_ = why + " at offset " + std::to_string(pos_);
  return false;
}

bool Reader::read_tlv(uint8_t* tag, Reader* content) {
  if (remaining() < 2) return fail("truncated TLV header");
  uint8_t t = data_[pos_];
  if ((t & 0x1F) == 0x1F) return fail("multi-octet tags are not used by SNMP");
  size_t p = pos_ + 1;
  size_t length = data_[p++];
  if (length == 0x80) return fail("indefinite length");
  if (length > 0x80) {
    size_t count = length & 0x7F;
    if (count > 4) return fail("length of more than four octets");
    if (size_ - p < count) return fail("truncated length");
    length = 0;
    for (size_t i = 0; i < count; ++i) length = (length << 8) | data_[p++];
  }
  if (size_ - p < length) return fail("length " + std::to_string(length) + " runs past its container");
  *tag = t;
  *content = Reader(data_ + p, length);
  pos_ = p + length;
  return true;
}

bool Reader::expect(uint8_t tag, Reader* content) {
  size_t start = pos_;
  uint8_t t = 0;
  if (!read_tlv(&t, content)) return false;
  if (t != tag) {
    pos_ = start;
    char buf[64];
    std::snprintf(buf, sizeof buf, "expected tag 0x%02x, found 0x%02x", tag, t);
    return fail(buf);
  }
  return true;
}

std::string Reader::rest() const { return std::string(reinterpret_cast<const char*>(data()), remaining()); }

bool decode_integer(const Reader& c, int64_t min, int64_t max, int64_t* out, std::string* error) {
  size_t n = c.remaining();
  if (n == 0 || n > 8) {
    *error = "INTEGER of " + std::to_string(n) + " octets";
    return false;
  }
  const uint8_t* p = c.data();
  uint64_t v = (p[0] & 0x80) ? ~0ull : 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  int64_t s = static_cast<int64_t>(v);
  if (s < min || s > max) {
    *error = "INTEGER " + std::to_string(s) + " out of range";
    return false;
  }
  *out = s;
  return true;
}

bool decode_unsigned(const Reader& c, uint64_t max, uint64_t* out, std::string* error) {
  size_t n = c.remaining();
  const uint8_t* p = c.data();
  if (n == 0 || n > 9 || (n == 9 && p[0] != 0)) {
    *error = "unsigned value of " + std::to_string(n) + " octets";
    return false;
  }
  if (p[0] & 0x80) {
    *error = "unsigned value with the sign bit set";
    return false;
  }
  uint64_t v = 0;
  for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
  if (v > max) {
    *error = "unsigned value " + std::to_string(v) + " out of range";
    return false;
  }
  *out = v;
  return true;
}

bool decode_oid(const Reader& c, Oid* out, std::string* error) {
  const uint8_t* p = c.data();
  size_t n = c.remaining();
  if (n == 0) {
    *error = "empty OBJECT IDENTIFIER";
    return false;
  }
  Oid oid;
  size_t i = 0;
  while (i < n) {
    if (p[i] == 0x80) {
      *error = "sub-identifier with a 0x80 pad octet";
      return false;
    }
    uint64_t v = 0;
    for (;;) {
      if (i >= n) {
        *error = "truncated sub-identifier";
        return false;
      }
      v = (v << 7) | (p[i] & 0x7F);
      if (v > 0xFFFFFFFFull + 80) {
        *error = "sub-identifier over 32 bits";
        return false;
      }
      if (!(p[i++] & 0x80)) break;
    }
    if (oid.empty()) {
      uint64_t first = v < 40 ? 0 : (v < 80 ? 1 : 2);
      oid.push_back(static_cast<uint32_t>(first));
      v -= first * 40;
    }
    if (v > 0xFFFFFFFFull) {
      *error = "sub-identifier over 32 bits";
      return false;
    }
    oid.push_back(static_cast<uint32_t>(v));
  }
  *out = oid;
  return true;
}

bool decode_value(uint8_t tag, const Reader& c, Value* out, std::string* error) {
  Value v;
  v.tag = tag;
  switch (tag) {
    case kInteger:
      if (!decode_integer(c, INT32_MIN, INT32_MAX, &v.integer, error)) return false;
      break;
    case kCounter32: case kGauge32: case kTimeTicks:
      if (!decode_unsigned(c, 0xFFFFFFFFull, &v.number, error)) return false;
      break;
    case kCounter64:
      if (!decode_unsigned(c, ~0ull, &v.number, error)) return false;
      break;
    case kObjectId:
      if (!decode_oid(c, &v.oid, error)) return false;
      break;
    case kIpAddress:
      if (c.remaining() != 4) {
        *error = "IpAddress of " + std::to_string(c.remaining()) + " octets";
        return false;
      }
      v.bytes = c.rest();
      break;
    case kOctetString: case kOpaque:
      v.bytes = c.rest();
      break;
    case kNull: case kNoSuchObject: case kNoSuchInstance: case kEndOfMibView:
      if (c.remaining() != 0) {
        *error = "NULL or exception with content";
        return false;
      }
      break;
    default: {
      char buf[48];
      std::snprintf(buf, sizeof buf, "unknown value tag 0x%02x", tag);
      *error = buf;
      return false;
    }
  }
  *out = v;
  return true;
}

namespace {

// Fills `error` from the reader that failed and returns false.
bool reader_failed(const Reader& r, const char* where, std::string* error) {
  *error = std::string(where) + ": " + r.error();
  return false;
}

bool read_int32(Reader* r, const char* what, int32_t* out, std::string* error) {
  Reader c(nullptr, 0);
  if (!r->expect(kInteger, &c)) return reader_failed(*r, what, error);
  int64_t v = 0;
  if (!decode_integer(c, INT32_MIN, INT32_MAX, &v, error)) {
    *error = std::string(what) + ": " + *error;
    return false;
  }
  *out = static_cast<int32_t>(v);
  return true;
}

bool read_binding(Reader* list, VarBind* vb, std::string* error) {
  Reader seq(nullptr, 0), name(nullptr, 0), value(nullptr, 0);
  if (!list->expect(kSequence, &seq)) return reader_failed(*list, "variable binding", error);
  if (!seq.expect(kObjectId, &name)) return reader_failed(seq, "binding name", error);
  if (!decode_oid(name, &vb->oid, error)) return false;
  uint8_t tag = 0;
  if (!seq.read_tlv(&tag, &value)) return reader_failed(seq, "binding value", error);
  if (!seq.at_end()) {
    *error = "variable binding with trailing bytes";
    return false;
  }
  return decode_value(tag, value, &vb->value, error);
}

}  // namespace

bool decode_message(const std::string& datagram, Message* out, std::string* error) {
  Reader whole(datagram), msg(nullptr, 0), community(nullptr, 0), pdu(nullptr, 0), list(nullptr, 0);
  if (!whole.expect(kSequence, &msg)) return reader_failed(whole, "message", error);
  if (!whole.at_end()) {
    *error = "trailing bytes after the message";
    return false;
  }
  Message m;
  if (!read_int32(&msg, "version", &m.version, error)) return false;
  if (!msg.expect(kOctetString, &community)) return reader_failed(msg, "community", error);
  m.community = community.rest();
  if (!msg.read_tlv(&m.pdu_type, &pdu)) return reader_failed(msg, "PDU", error);
  if (m.pdu_type < kGetRequest || m.pdu_type > 0xA8 || m.pdu_type == kTrapV1) {
    *error = "unsupported PDU type";
    return false;
  }
  if (!msg.at_end()) {
    *error = "trailing bytes after the PDU";
    return false;
  }
  if (!read_int32(&pdu, "request-id", &m.request_id, error) ||
      !read_int32(&pdu, "error-status", &m.error_status, error) ||
      !read_int32(&pdu, "error-index", &m.error_index, error)) {
    return false;
  }
  if (!pdu.expect(kSequence, &list)) return reader_failed(pdu, "binding list", error);
  if (!pdu.at_end()) {
    *error = "trailing bytes after the binding list";
    return false;
  }
  while (!list.at_end()) {
    VarBind vb;
    if (!read_binding(&list, &vb, error)) return false;
    m.bindings.push_back(vb);
  }
  *out = m;
  return true;
}

}  // namespace ber
}  // namespace psw_test
