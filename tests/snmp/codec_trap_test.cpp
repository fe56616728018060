// SNMPv1 traps: the trap fields on the wire and the enterprise value
// "prefix.0.n" that carries them in the PDU, both ways.
#include <gtest/gtest.h>

#include <string>

#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

constexpr char kEnterprise9[] = "2b0601040109";  // 1.3.6.1.4.1.9
constexpr char kSnmpTraps[] = "2b06010603010105";   // 1.3.6.1.6.3.1.1.5

// An SNMPv1 trap PDU (tag 0xA4 unless given) with one binding.
std::string trap_pdu(const std::string& enterprise, const std::string& agent, const std::string& generic,
                     const std::string& specific, const std::string& stamp, const std::string& tag = "a4") {
  return tlv(tag, tlv("06", enterprise) + tlv("40", agent) + tlv("02", generic) + tlv("02", specific) +
                      tlv("43", stamp) + tlv("30", tlv("30", "06042b060101020105")));
}

PmcPtr<IPmsPdu> decoded_trap(const std::string& hex, int expect_rc = PMC_OK) {
  PmcPtr<IPmsPdu> out = pdu(PMS_PDU_NONE);
  EXPECT_EQ(decode(hex_bytes(hex), out.get(), header().get()), expect_rc);
  return out;
}

std::string enterprise_of(const IPmsPdu& trap) { return value_text(*trap.get_enterprise()); }

PmcPtr<IPmsPdu> trap_with(const char* enterprise, const char* stamp = "100") {
  PmcPtr<IPmsPdu> trap = pdu(PMS_PDU_TRAP);
  if (enterprise != nullptr) {
    EXPECT_EQ(trap->set_enterprise(value(PMC_TAG_OID, enterprise)), PMC_OK);
  }
  if (stamp != nullptr) {
    EXPECT_EQ(trap->set_time_stamp(value(PMC_TAG_TIMETICKS, stamp)), PMC_OK);
  }
  add(*trap, "1.3.6.1.1", value(PMC_TAG_INTEGER, "5"));
  return trap;
}

}  // namespace

TEST(CodecTrap, AGenericTrapRoundTripsThroughTheSnmpTrapsPrefix) {
  // coldStart (generic 0) from enterprise 1.3.6.1.4.1.9, agent 192.0.2.1.
  PmcPtr<IPmsPdu> trap = decoded_trap(v1_message(trap_pdu(kEnterprise9, "c0000201", "00", "00", "64")));
  EXPECT_EQ(trap->get_type(), PMS_PDU_TRAP);
  EXPECT_EQ(enterprise_of(*trap), "1.3.6.1.6.3.1.1.5.0.1");
  ASSERT_NE(trap->get_time_stamp(), nullptr);
  EXPECT_EQ(trap->get_time_stamp()->get_uint32(nullptr), 100u);
  ASSERT_EQ(trap->get_varbind_list()->size(), 1u);

  // Back out: the snmpTraps prefix, no agent address, generic 0, specific 0.
  Encoded out = encode(*trap, *header());
  ASSERT_EQ(out.rc, PMC_OK);
  EXPECT_EQ(hex_text(out.bytes), hex_text(hex_bytes(v1_message(trap_pdu(kSnmpTraps, "00000000", "00", "00", "64")))));
  EXPECT_EQ(enterprise_of(*decoded_trap(hex_text(out.bytes))), "1.3.6.1.6.3.1.1.5.0.1");
}

TEST(CodecTrap, EveryGenericNumberMapsBothWays) {
  for (int generic = 0; generic <= 5; ++generic) {
    const std::string g = hex_text(Bytes{static_cast<unsigned char>(generic)});
    PmcPtr<IPmsPdu> trap = decoded_trap(v1_message(trap_pdu(kSnmpTraps, "00000000", g, "00", "01")));
    EXPECT_EQ(enterprise_of(*trap), "1.3.6.1.6.3.1.1.5.0." + std::to_string(generic + 1));
    Encoded out = encode(*trap, *header());
    ASSERT_EQ(out.rc, PMC_OK);
    EXPECT_EQ(hex_text(out.bytes), hex_text(hex_bytes(v1_message(trap_pdu(kSnmpTraps, "00000000", g, "00", "01")))));
  }
}

TEST(CodecTrap, EnterpriseSpecificTrapsKeepTheirNumber) {
  const struct {
    const char* specific;  // INTEGER contents on the wire
    const char* last;      // the enterprise value's last sub-identifier
  } cases[] = {{"2a", "42"}, {"00", "0"}, {"ff", "4294967295"}, {"7fffffff", "2147483647"}, {"80000000", "2147483648"}};
  for (const auto& c : cases) {
    const std::string message = v1_message(trap_pdu(kEnterprise9, "00000000", "06", c.specific, "00"));
    PmcPtr<IPmsPdu> trap = decoded_trap(message);
    EXPECT_EQ(enterprise_of(*trap), std::string("1.3.6.1.4.1.9.0.") + c.last);
    Encoded out = encode(*trap, *header());
    ASSERT_EQ(out.rc, PMC_OK);
    EXPECT_EQ(hex_text(out.bytes), hex_text(hex_bytes(message))) << c.specific;
  }
}

TEST(CodecTrap, DecodingReusesTheTrapFields) {
  PmcPtr<IPmsPdu> trap = trap_with("1.3.6.1.4.1.9.0.1");
  IPmcValue* enterprise = trap->get_enterprise();
  IPmcValue* stamp = trap->get_time_stamp();
  ASSERT_EQ(decode(hex_bytes(v1_message(trap_pdu(kEnterprise9, "00000000", "06", "07", "0200"))), trap.get(),
                   header().get()),
            PMC_OK);
  EXPECT_EQ(trap->get_enterprise(), enterprise);
  EXPECT_EQ(trap->get_time_stamp(), stamp);
  EXPECT_EQ(enterprise_of(*trap), "1.3.6.1.4.1.9.0.7");
  EXPECT_EQ(stamp->get_uint32(nullptr), 512u);
  // A trap's bindings are never marked, whatever its fields.
  EXPECT_EQ(trap->get_varbind_list()->at(0)->get_mark(), 0);
}

TEST(CodecTrap, TrapsAreNotSnmpV2cMessages) {
  for (const char* tag : {"a4", "a7"}) {
    PmcPtr<IPmsPdu> trap =
        decoded_trap(v1_message(trap_pdu(kEnterprise9, "00000000", "00", "00", "00", tag), "01"), PMC_E_UNSUPPORTED);
    EXPECT_EQ(trap->get_type(), PMS_PDU_TRAP);
  }
  // 0xA7 in an SNMPv1 message is read as a trap too.
  EXPECT_EQ(decoded_trap(v1_message(trap_pdu(kEnterprise9, "00000000", "06", "01", "00", "a7")))->get_type(),
            PMS_PDU_TRAP);
  EXPECT_EQ(encode(*trap_with("1.3.6.1.4.1.9.0.1"), *header(PMS_VERSION_V2C)).rc, PMC_E_UNSUPPORTED);
}

TEST(CodecTrap, UnusableTrapFieldsAreRefused) {
  EXPECT_EQ(encode(*trap_with("1.3.6.1.4.1.9.0.1", nullptr), *header()).rc, PMC_E_ARG);
  EXPECT_EQ(encode(*trap_with(nullptr), *header()).rc, PMC_E_ARG);
  for (const char* enterprise : {"5", "1.3.6.1.4.1.9.1.3", "1.3.6.1.4.1.9.0", "1.3.6.1.6.3.1.1.5.0.0",
                                 "1.3.6.1.6.3.1.1.5.0.7", "1.0.3"}) {
    EXPECT_EQ(encode(*trap_with(enterprise), *header()).rc, PMC_E_ARG) << enterprise;
  }
  // "0.n" alone has an empty enterprise, which goes out as an empty OID.
  Encoded out = encode(*trap_with("0.3"), *header());
  ASSERT_EQ(out.rc, PMC_OK);
  EXPECT_EQ(enterprise_of(*decoded_trap(hex_text(out.bytes))), "0.3");
}

TEST(CodecTrap, HeaderDecodeTellsATrapByItsTypeAndReadsNoRequestId) {
  Bytes bytes = hex_bytes(v1_message(trap_pdu(kEnterprise9, "c0000201", "06", "07", "64")));
  PmcPtr<IPmsMessageBuffer> buffer(pms_create_message_buffer(nullptr));
  ASSERT_EQ(buffer->assign(bytes.data(), bytes.size()), PMC_OK);
  PmsMessageHeader head;
  head.request_id = 99;
  ASSERT_EQ(pms_translator()->decode_header(buffer.get(), &head, PMS_TRANSLATE_COMMUNITY), PMC_OK);
  EXPECT_EQ(head.pdu_type, PMS_PDU_TRAP);
  EXPECT_EQ(head.request_id, 0);  // what a request with id 0 would have matched
  EXPECT_EQ(pms_translator()->decode_header(buffer.get(), nullptr, PMS_TRANSLATE_COMMUNITY), PMC_E_ARG);
}
