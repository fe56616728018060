// OIDs keep the BER contents the codec last wrote or read for them. What is
// kept must always be the encoding of the OID's current text: every change
// of the text, through any operation, has to forget it, and contents that
// do not encode back to themselves must never be kept.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/pmc_oid.h"
#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

// A Get request of one binding `name` = NULL, encoded.
Bytes get_of(const char* name) {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 5);
  add(*request, name);
  Encoded out = encode(*request, *header());
  EXPECT_EQ(out.rc, PMC_OK) << name;
  return out.bytes;
}

// The same request with the OID `name` (already sent once) as its name and
// as its value, encoded again.
Bytes resend(IPmsPdu& request) {
  Encoded out = encode(request, *header());
  EXPECT_EQ(out.rc, PMC_OK);
  return out.bytes;
}

// A request whose binding holds `name` both as the name and as an OID value.
PmcPtr<IPmsPdu> request_of(const char* name) {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 5);
  add(*request, name, value(PMC_TAG_OID, name));
  return request;
}

std::string text_of(const IPmcOid& oid) {
  size_t length = 0;
  const unsigned char* text = oid.get_octets(&length, nullptr);
  return std::string(reinterpret_cast<const char*>(text), length);
}

}  // namespace

// Each operation changes the name (and the OID value) after they were sent;
// the next encoding must be that of the new text, as a new OID gives it.
TEST(KeptOidContents, EveryChangeOfTheTextIsEncodedAnew) {
  using Change = std::function<void(IPmcOid&)>;
  // The name starts "1.3.1.3", so taking two sub-identifiers from its front
  // still leaves an OID the encoder accepts.
  const char* const kName = "1.3.1.3.6.1.2.1.43.11.1.1.9.1.1";
  const std::vector<std::pair<const char*, Change>> changes = {
      {"append_subid", [](IPmcOid& o) { EXPECT_EQ(o.append_subid(300), PMC_OK); }},
      {"append_text", [](IPmcOid& o) { EXPECT_EQ(o.append_text("7.8"), PMC_OK); }},
      {"append_oid", [](IPmcOid& o) { EXPECT_EQ(o.append_oid(*oid("9.10")), PMC_OK); }},
      {"append_value", [](IPmcOid& o) { EXPECT_EQ(o.append_value_text("ab", PMC_TAG_OCTET_STRING, false), PMC_OK); }},
      {"remove", [](IPmcOid& o) { EXPECT_EQ(o.remove(5, 1), PMC_OK); }},
      {"strip_prefix", [](IPmcOid& o) { EXPECT_EQ(o.strip_prefix("1.3"), PMC_OK); }},
      {"pop_subid", [](IPmcOid& o) {
         o.pop_subid(nullptr);
         o.pop_subid(nullptr);
       }},
      {"split_front", [](IPmcOid& o) { PmcPtr<IPmcOid> front(o.split_front(2, nullptr)); }},
      {"take_front_text", [](IPmcOid& o) { PmcPtr<IPmcText> front(o.take_front_text(2, nullptr)); }},
      {"take_value", [](IPmcOid& o) {
         PmcPtr<IPmcValue> first(pmc_create_value(PMC_TAG_GAUGE32, nullptr));
         EXPECT_EQ(o.take_value(*first, true, 1), PMC_OK);
         o.pop_subid(nullptr);
       }},
      {"set_from_value", [](IPmcOid& o) {
         PmcPtr<IPmcValue> octets(value(PMC_TAG_OCTET_STRING, "xy"));
         EXPECT_EQ(o.set_from_value(*octets, false), PMC_OK);
       }},
      {"from_text", [](IPmcOid& o) { EXPECT_EQ(o.from_text("1.3.6.1.4.1.2.3"), PMC_OK); }},
      {"set_octets", [](IPmcOid& o) { EXPECT_EQ(o.set_octets("1.3.6.1.4.1.2.4", 15), PMC_OK); }},
      {"assign", [](IPmcOid& o) { EXPECT_EQ(o.assign(*oid("1.3.6.1.4.1.9.9")), PMC_OK); }},
      {"clear and append", [](IPmcOid& o) {
         EXPECT_EQ(o.clear(), PMC_OK);
         EXPECT_EQ(o.append_text("2.999.3"), PMC_OK);
       }},
  };
  for (const auto& change : changes) {
    SCOPED_TRACE(change.first);
    PmcPtr<IPmsPdu> request = request_of(kName);
    resend(*request);  // the first encoding keeps the contents
    IPmcVarBind* binding = request->get_varbind_list()->at(0);
    change.second(*binding->get_oid());
    change.second(*binding->get_value()->as_oid());
    const std::string changed = text_of(*binding->get_oid());
    ASSERT_NE(changed, kName);
    EXPECT_EQ(hex_text(resend(*request)), hex_text(encode(*request_of(changed.c_str()), *header()).bytes));
  }
}

TEST(KeptOidContents, ClonesCarryThemAndChangeIndependently) {
  PmcPtr<IPmcOid> original = oid("1.3.6.1.2.1.1.5.0");
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GET, 5);
  ASSERT_EQ(request->add(original->clone(nullptr), nullptr), PMC_OK);
  const Bytes first = resend(*request);

  PmcPtr<IPmcOid> copy(request->get_varbind_list()->at(0)->get_oid()->clone(nullptr));
  ASSERT_EQ(copy->append_subid(1), PMC_OK);
  PmcPtr<IPmsPdu> other = pdu(PMS_PDU_GET, 5);
  ASSERT_EQ(other->add(copy.release(), nullptr), PMC_OK);
  EXPECT_EQ(hex_text(resend(*other)), hex_text(get_of("1.3.6.1.2.1.1.5.0.1")));
  // The original still encodes as before.
  EXPECT_EQ(hex_text(resend(*request)), hex_text(first));
}

// Sub-identifiers padded with leading 0x80 bytes read as the plain number,
// and a name read that way goes out again in its shortest form.
TEST(KeptOidContents, PaddedContentsReadFromTheWireAreNotKept) {
  // 1.3.6.1.2.1.1.5.0 with the 5 written as 0x80 0x05, and 1.3.6.300 (0x82
  // 0x2C) with one more padding byte.
  for (const std::string& contents : {std::string("2b06010201018005") + "00", std::string("2b06808082") + "2c"}) {
    SCOPED_TRACE(contents);
    const std::string response = tlv("a2", tlv("02", "05") + "020100020100" + tlv("30", tlv("30", tlv("06", contents) + "0500")));
    PmcPtr<IPmsPdu> into = pdu(PMS_PDU_GET);
    ASSERT_EQ(decode(hex_bytes(v1_message(response)), into.get(), header().get()), PMC_OK);
    const std::string name = oid_text(*into->get_varbind_list()->at(0));
    into->set_type(PMS_PDU_GET);
    into->set_request_id(5);
    EXPECT_EQ(hex_text(resend(*into)), hex_text(get_of(name.c_str())));
  }
}

// A response decoded into its request: where the name is the one sent, the
// text stays; where it differs, even in one byte of equal length, it is read.
TEST(KeptOidContents, DecodingIntoTheRequestReadsEveryNameThatDiffers) {
  PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GETNEXT, 5);
  add(*request, "1.3.6.1.2.1.2.2.1.10.1");
  add(*request, "1.3.6.1.2.1.2.2.1.16.1");
  resend(*request);

  PmcPtr<IPmsPdu> answer = pdu(PMS_PDU_RESPONSE, 5);
  add(*answer, "1.3.6.1.2.1.2.2.1.10.2", value(PMC_TAG_COUNTER32, "7"));  // same length, last byte differs
  add(*answer, "1.3.6.1.2.1.2.2.1.16.1", value(PMC_TAG_COUNTER32, "8"));  // the name sent
  const Bytes message = encode(*answer, *header()).bytes;
  ASSERT_EQ(decode(message, request.get(), header().get()), PMC_OK);
  EXPECT_EQ(oid_text(*request->get_varbind_list()->at(0)), "1.3.6.1.2.1.2.2.1.10.2");
  EXPECT_EQ(oid_text(*request->get_varbind_list()->at(1)), "1.3.6.1.2.1.2.2.1.16.1");
  // The next request goes out with the names just read.
  request->set_type(PMS_PDU_GETNEXT);
  PmcPtr<IPmsPdu> expected = pdu(PMS_PDU_GETNEXT, 5);
  add(*expected, "1.3.6.1.2.1.2.2.1.10.2", value(PMC_TAG_COUNTER32, "7"));
  add(*expected, "1.3.6.1.2.1.2.2.1.16.1", value(PMC_TAG_COUNTER32, "8"));
  EXPECT_EQ(hex_text(resend(*request)), hex_text(encode(*expected, *header()).bytes));
}

// A name read into an OID that was sent before: whatever the two share (all,
// a prefix, part of a multi-byte sub-identifier, or nothing), the text is
// that of the contents received, and the next request sends them back.
TEST(KeptOidContents, NamesReadOverASentNameOfAnyOverlap) {
  struct Case {
    const char* sent;
    const char* contents;  // hex, as received
    const char* text;      // what they read as
  };
  const Case cases[] = {
      {"1.3.6.1.2.1.2.2.1.10.1", "2b060102010202010a0101", "1.3.6.1.2.1.2.2.1.10.1.1"},  // longer
      {"1.3.6.1.2.1.2.2.1.10.1", "2b060102010202010a", "1.3.6.1.2.1.2.2.1.10"},          // shorter
      {"1.3.6.1.4.1.300.5", "2b06010401822d05", "1.3.6.1.4.1.301.5"},                    // inside 300
      {"1.3.6.1.4.1.300.5", "2b0601040181800005", "1.3.6.1.4.1.16384.5"},                // longer sub-identifier
      {"1.3.6", "813406", "2.100.6"},                                                     // first number differs
      {"1.3.6.1", "2b0601", "1.3.6.1"},                                                   // the same
      {"1.3.6.1.2", "2b", "1.3"},                                                         // only the first number
      {"2.999.1", "883702", "2.999.2"},                                                   // first number of two bytes
      {"1.3.6.1.5", "2b06018005", "1.3.6.1.5"},                                           // padded tail
      {"1.3.6.1.5", "2b06018105", "1.3.6.1.133"},                                         // tail grows a byte
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.sent) + " <- " + c.contents);
    PmcPtr<IPmsPdu> request = pdu(PMS_PDU_GETNEXT, 5);
    add(*request, c.sent);
    resend(*request);  // the name keeps its contents
    const std::string response =
        tlv("a2", tlv("02", "05") + "020100020100" + tlv("30", tlv("30", tlv("06", c.contents) + "0500")));
    ASSERT_EQ(decode(hex_bytes(v1_message(response)), request.get(), header().get()), PMC_OK);
    EXPECT_EQ(oid_text(*request->get_varbind_list()->at(0)), c.text);
    EXPECT_EQ(request->get_varbind_list()->at(0)->get_oid()->size(), pmc_count_subids(c.text, std::strlen(c.text)));
    request->set_type(PMS_PDU_GET);
    EXPECT_EQ(hex_text(resend(*request)), hex_text(get_of(c.text)));
  }
}
