// The peer codec against messages built by Net-SNMP (shared fixtures), its
// minimal encodings, and its refusal of malformed input.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "agent/mini_ber.h"

namespace psw_test {
namespace {

using namespace ber;

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string unhex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

std::string tohex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// Reads a fixture's .values file (what Net-SNMP's own parser found).
Message expected_message(const std::string& path) {
  std::istringstream in(read_file(path));
  Message m;
  std::string line;
  while (std::getline(in, line)) {
    size_t eq = line.find('=');
    if (line.find('|') == std::string::npos && eq != std::string::npos) {
      std::string key = line.substr(0, eq), v = line.substr(eq + 1);
      if (key == "version") m.version = std::stoi(v);
      if (key == "community") m.community = v;
      if (key == "pdu_tag") m.pdu_type = static_cast<uint8_t>(std::stoi(v, nullptr, 16));
      if (key == "request_id") m.request_id = std::stoi(v);
      if (key == "error_status") m.error_status = std::stoi(v);
      if (key == "error_index") m.error_index = std::stoi(v);
      continue;
    }
    size_t b1 = line.find('|'), b2 = line.find('|', b1 + 1);
    VarBind vb;
    vb.oid = parse_oid(line.substr(0, b1));
    vb.value.tag = static_cast<uint8_t>(std::stoi(line.substr(b1 + 1, b2 - b1 - 1), nullptr, 16));
    std::string text = line.substr(b2 + 1);
    switch (vb.value.tag) {
      case kInteger: vb.value.integer = std::stoll(text); break;
      case kCounter32: case kGauge32: case kTimeTicks: case kCounter64: vb.value.number = std::stoull(text); break;
      case kObjectId: vb.value.oid = parse_oid(text); break;
      case kOctetString: case kIpAddress: case kOpaque: vb.value.bytes = unhex(text); break;
      default: break;
    }
    m.bindings.push_back(vb);
  }
  return m;
}

class NetSnmpFixture : public ::testing::TestWithParam<std::string> {};

TEST_P(NetSnmpFixture, DecodesAsNetSnmpAndReencodesIdentically) {
  std::string base = std::string(PSW_SHARED_DIR) + "/fixtures/ber/" + GetParam();
  std::string wire = read_file(base + ".ber");
  ASSERT_FALSE(wire.empty()) << base;
  Message want = expected_message(base + ".values");
  Message got;
  std::string error;
  ASSERT_TRUE(decode_message(wire, &got, &error)) << error;
  EXPECT_EQ(got.version, want.version);
  EXPECT_EQ(got.community, want.community);
  EXPECT_EQ(got.pdu_type, want.pdu_type);
  EXPECT_EQ(got.request_id, want.request_id);
  EXPECT_EQ(got.error_status, want.error_status);
  EXPECT_EQ(got.error_index, want.error_index);
  ASSERT_EQ(got.bindings.size(), want.bindings.size());
  for (size_t i = 0; i < got.bindings.size(); ++i) {
    EXPECT_EQ(oid_text(got.bindings[i].oid), oid_text(want.bindings[i].oid)) << i;
    EXPECT_EQ(got.bindings[i].value, want.bindings[i].value)
        << i << ": " << got.bindings[i].value.describe() << " vs " << want.bindings[i].value.describe();
  }
  // Net-SNMP writes minimal lengths and integers, and so do we.
  EXPECT_EQ(tohex(encode_message(got)), tohex(wire));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, NetSnmpFixture,
                         ::testing::Values("a_get1", "a_resp1", "b_getnext15", "c_resp15", "d_resp50", "d_resp50_v2c"));

TEST(MiniBer, WritesMinimalIntegersAndLengths) {
  struct Case {
    int64_t value;
    const char* hex;
  } signed_cases[] = {{0, "00"}, {127, "7f"}, {128, "0080"}, {-1, "ff"}, {-128, "80"}, {-129, "ff7f"},
                      {256, "0100"}, {INT32_MAX, "7fffffff"}, {INT32_MIN, "80000000"}};
  for (const Case& c : signed_cases) EXPECT_EQ(tohex(integer_content(c.value)), c.hex) << c.value;
  EXPECT_EQ(tohex(unsigned_content(0)), "00");
  EXPECT_EQ(tohex(unsigned_content(0x80)), "0080");
  EXPECT_EQ(tohex(unsigned_content(0xFFFFFFFFu)), "00ffffffff");
  EXPECT_EQ(tohex(unsigned_content(~0ull)), "00ffffffffffffffff");
  EXPECT_EQ(tohex(encode_length(127)), "7f");
  EXPECT_EQ(tohex(encode_length(128)), "8180");
  EXPECT_EQ(tohex(encode_length(65536)), "83010000");
}

TEST(MiniBer, RoundTripsEveryValueTypeAndExtremeOids) {
  Message m;
  m.version = kVersion2c;
  m.pdu_type = kResponse;
  m.request_id = INT32_MIN;
  Oid big = {2, 999, 4294967295u, 0, 128};
  std::vector<Value> values = {Value::Integer(INT32_MIN), Value::OctetString(std::string("\0\xff", 2)),
                               Value::Null(), Value::ObjectId(big), Value::IpAddress(10, 0, 0, 255),
                               Value::Counter32(4294967295u), Value::Gauge32(0), Value::TimeTicks(1),
                               Value::Opaque("\x9f\x78"), Value::Counter64(~0ull),
                               Value::Exception(kEndOfMibView)};
  for (const Value& v : values) m.bindings.push_back({big, v});
  Message back;
  std::string error;
  ASSERT_TRUE(decode_message(encode_message(m), &back, &error)) << error;
  EXPECT_EQ(back.request_id, INT32_MIN);
  ASSERT_EQ(back.bindings.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(back.bindings[i].oid, big);
    EXPECT_EQ(back.bindings[i].value, values[i]) << back.bindings[i].value.describe();
  }
}

TEST(MiniBer, RefusesEveryTruncation) {
  Message m;
  m.bindings.push_back({parse_oid("1.3.6.1.2.1.1.5.0"), Value::OctetString("name")});
  std::string wire = encode_message(m);
  for (size_t n = 0; n < wire.size(); ++n) {
    Message out;
    std::string error;
    EXPECT_FALSE(decode_message(wire.substr(0, n), &out, &error)) << "prefix of " << n << " octets";
  }
}

// Builders for near-valid messages that break exactly one rule.
std::string binding(const std::string& name_content, const std::string& value_tlv) {
  return encode_tlv(kSequence, encode_tlv(kObjectId, name_content) + value_tlv);
}
std::string pdu(const std::string& bindings, uint8_t tag = kGetRequest, const std::string& id = "\x01") {
  return encode_tlv(tag, encode_tlv(kInteger, id) + encode_tlv(kInteger, std::string(1, '\0')) +
                             encode_tlv(kInteger, std::string(1, '\0')) + encode_tlv(kSequence, bindings));
}
std::string message(const std::string& pdu_tlv, const std::string& version = encode_tlv(kInteger, std::string(1, '\0'))) {
  return encode_tlv(kSequence, version + encode_tlv(kOctetString, "public") + pdu_tlv);
}

TEST(MiniBer, RefusesMalformedEncodings) {
  const std::string name = "\x2b\x06\x01";  // 1.3.6.1
  const std::string null = encode_tlv(kNull, "");
  const std::string valid = message(pdu(binding(name, null)));
  const std::string content = valid.substr(2);
  Message out;
  std::string error;
  ASSERT_TRUE(decode_message(valid, &out, &error)) << error;
  struct Case {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"trailing octet after the message", valid + std::string(1, '\0')},
      {"indefinite length", "\x30\x80" + content + std::string(2, '\0')},
      {"five-octet length", std::string("\x30\x85\0\0\0", 5) + std::string(1, static_cast<char>(content.size())) + content},
      {"length past the end", "\x30" + encode_length(content.size() + 1) + content},
      {"request-id of five octets", message(pdu(binding(name, null), kGetRequest, std::string("\x01\0\0\0\0", 5)))},
      {"OID with a 0x80 pad", message(pdu(binding("\x2b\x80\x01", null)))},
      {"OID arc over 32 bits", message(pdu(binding(std::string("\x2b\x90\x80\x80\x80\x00", 6), null)))},
      {"empty OID", message(pdu(binding("", null)))},
      {"IpAddress of five octets", message(pdu(binding(name, encode_tlv(kIpAddress, "12345"))))},
      {"Counter32 over 32 bits", message(pdu(binding(name, encode_tlv(kCounter32, std::string("\x01\0\0\0\0", 5)))))},
      {"Gauge32 with the sign bit", message(pdu(binding(name, encode_tlv(kGauge32, "\xff"))))},
      {"NULL with content", message(pdu(binding(name, encode_tlv(kNull, std::string(1, '\0')))))},
      {"unknown value tag", message(pdu(binding(name, encode_tlv(0x09, ""))))},
      {"binding with a third element", message(pdu(encode_tlv(kSequence, encode_tlv(kObjectId, name) + null + null)))},
      {"version that is not an INTEGER", message(pdu(binding(name, null)), encode_tlv(kOctetString, std::string(1, '\0')))},
      {"trap PDU", message(pdu(binding(name, null), kTrapV1))},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(decode_message(c.bytes, &out, &error)) << c.what;
  }
}

TEST(MiniBer, ParsesDottedOidsStrictly) {
  EXPECT_EQ(parse_oid(".1.3.6.1"), (Oid{1, 3, 6, 1}));
  EXPECT_EQ(parse_oid("1.3.4294967295"), (Oid{1, 3, 4294967295u}));
  for (const char* bad : {"", ".", "1..3", "1.3.", "1.x", "1.3.4294967296", " 1.3"}) {
    EXPECT_THROW(parse_oid(bad), std::invalid_argument) << bad;
  }
  EXPECT_THROW(oid_content(Oid{1}), std::invalid_argument);
  EXPECT_THROW(oid_content(Oid{3, 1}), std::invalid_argument);
  EXPECT_TRUE(oid_starts_with(parse_oid("1.3.6.1.2"), parse_oid("1.3.6")));
  EXPECT_FALSE(oid_starts_with(parse_oid("1.3.60"), parse_oid("1.3.6.1")));
}

}  // namespace
}  // namespace psw_test
