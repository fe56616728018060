// Our messages read by Net-SNMP's own parser, and Net-SNMP's messages read
// by our decoder: every value kind a message carries, every PDU type and
// the SNMPv1 trap fields, checked against an independent implementation.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "netsnmp/netsnmp_glue.h"
#include "snmp/codec_test_support.h"

using namespace codec_test;

namespace {

struct Sample {
  const char* name;
  int tag;
  const char* text;  // display text of our value
};

// Values of every kind that goes on the wire, with their edges.
const Sample kSamples[] = {
    {"1.3.6.1.2.1.1.1.0", PMC_TAG_INTEGER, "0"},
    {"1.3.6.1.2.1.1.2.0", PMC_TAG_INTEGER, "-1"},
    {"1.3.6.1.2.1.1.3.0", PMC_TAG_INTEGER, "128"},
    {"1.3.6.1.2.1.1.4.0", PMC_TAG_INTEGER, "-129"},
    {"1.3.6.1.2.1.1.5.0", PMC_TAG_INTEGER, "2147483647"},
    {"1.3.6.1.2.1.1.6.0", PMC_TAG_INTEGER, "-2147483648"},
    {"1.3.6.1.2.1.2.1.0", PMC_TAG_OCTET_STRING, ""},
    {"1.3.6.1.2.1.2.2.0", PMC_TAG_OCTET_STRING, "Printer on the second floor"},
    {"1.3.6.1.2.1.3.1.0", PMC_TAG_NULL, nullptr},
    {"1.3.6.1.2.1.4.1.0", PMC_TAG_OID, "1.3.6.1.4.1.47001.1.2.3"},
    {"1.3.6.1.2.1.4.2.0", PMC_TAG_OID, "2.999.4294967295.0"},
    {"1.3.6.1.2.1.4.3.0", PMC_TAG_OID, "0.0"},
    {"1.3.6.1.2.1.5.1.0", PMC_TAG_IP_ADDRESS, "192.0.2.255"},
    {"1.3.6.1.2.1.6.1.0", PMC_TAG_COUNTER32, "0"},
    {"1.3.6.1.2.1.6.2.0", PMC_TAG_COUNTER32, "-2147483648"},  // 0x80000000
    {"1.3.6.1.2.1.6.3.0", PMC_TAG_COUNTER32, "-1"},           // 0xFFFFFFFF
    {"1.3.6.1.2.1.7.1.0", PMC_TAG_GAUGE32, "127"},
    {"1.3.6.1.2.1.7.2.0", PMC_TAG_GAUGE32, "8388608"},
    {"1.3.6.1.2.1.8.1.0", PMC_TAG_TIMETICKS, "4321"},
    {"1.3.6.1.2.1.8.2.0", PMC_TAG_TIMETICKS, "-1"},
    {"1.3.6.1.2.1.9.1.0", PMC_TAG_OPAQUE, "opaque bytes"},
    {"1.3.6.1.2.1.10.1.0", PMC_TAG_NO_SUCH_OBJECT, nullptr},
    {"1.3.6.1.2.1.10.2.0", PMC_TAG_NO_SUCH_INSTANCE, nullptr},
    {"1.3.6.1.2.1.10.3.0", PMC_TAG_END_OF_MIB_VIEW, nullptr},
};

const uint64_t kCounter64s[] = {0, 255, 0x100000000ull, 0x7FFFFFFFFFFFFFFFull, 0x8000000000000000ull,
                                UINT64_MAX};

// A PDU with every sample, a few Counter64 values and octets of every byte.
PmcPtr<IPmsPdu> every_kind(int32_t type) {
  PmcPtr<IPmsPdu> out = pdu(type, 0x5eed);
  for (const Sample& sample : kSamples) {
    IPmcValue* bound = sample.text != nullptr ? value(sample.tag, sample.text) : pmc_create_value(sample.tag, nullptr);
    add(*out, sample.name, bound);
  }
  int n = 0;
  for (uint64_t number : kCounter64s) {
    IPmcValue* big = pmc_create_value(PMC_TAG_COUNTER64, nullptr);
    big->set_high32(static_cast<uint32_t>(number >> 32));
    big->set_low32(static_cast<uint32_t>(number));
    add(*out, ("1.3.6.1.2.1.31.1.1.1.6." + std::to_string(++n)).c_str(), big);
  }
  IPmcValue* binary = pmc_create_value(PMC_TAG_OCTET_STRING, nullptr);
  unsigned char all[256];
  for (int i = 0; i < 256; ++i) all[i] = static_cast<unsigned char>(i);
  binary->set_octets(all, sizeof all);
  add(*out, "1.3.6.1.2.1.11.1.0", binary);
  return out;
}

// Net-SNMP's reading of our encoding of `sent` in `version`; fails the test
// when Net-SNMP refuses the message.
netsnmp_glue::PduPtr netsnmp_read(IPmsPdu& sent, int32_t version, const char* community = "public") {
  Encoded ours = encode(sent, *header(version, community, 65535));
  EXPECT_EQ(ours.rc, PMC_OK);
  netsnmp_glue::PduPtr read = netsnmp_glue::parse(ours.bytes.data(), ours.bytes.size());
  EXPECT_NE(read, nullptr) << hex_text(ours.bytes);
  return read;
}

// Net-SNMP's bindings against ours, value by value.
void expect_same_bindings(const netsnmp_pdu& theirs, const IPmsPdu& ours) {
  const IPmcVarBindList* list = ours.get_varbind_list();
  size_t i = 0;
  for (const netsnmp_variable_list* var = theirs.variables; var != nullptr; var = var->next_variable, ++i) {
    ASSERT_LT(i, list->size());
    const IPmcValue& mine = *list->at(i)->get_value();
    const std::string name = oid_text(*list->at(i));
    EXPECT_EQ(netsnmp_glue::oid_text(var->name, var->name_length), name);
    EXPECT_EQ(var->type, mine.get_type()) << name;
    EXPECT_EQ(netsnmp_glue::value_text(*var), fixture_value_text(mine)) << name;
  }
  EXPECT_EQ(i, list->size());
}

}  // namespace

TEST(NetSnmpReadsOurs, EveryValueKindInEveryVersion) {
  for (int32_t version : {PMS_VERSION_V1, PMS_VERSION_V2C}) {
    SCOPED_TRACE(version);
    PmcPtr<IPmsPdu> sent = every_kind(PMS_PDU_RESPONSE);
    sent->set_error_status(5);
    sent->set_error_index(12);
    netsnmp_glue::PduPtr read = netsnmp_read(*sent, version, "c0mmunity");
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->version, version == PMS_VERSION_V1 ? SNMP_VERSION_1 : SNMP_VERSION_2c);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(read->community), read->community_len), "c0mmunity");
    EXPECT_EQ(read->command, SNMP_MSG_RESPONSE);
    EXPECT_EQ(read->reqid, 0x5eed);
    EXPECT_EQ(read->errstat, 5);
    EXPECT_EQ(read->errindex, 12);
    expect_same_bindings(*read, *sent);
  }
}

TEST(NetSnmpReadsOurs, EveryPduType) {
  const struct {
    int32_t type;
    int32_t version;
    int command;
  } cases[] = {{PMS_PDU_GET, PMS_VERSION_V1, SNMP_MSG_GET},          {PMS_PDU_GETNEXT, PMS_VERSION_V1, SNMP_MSG_GETNEXT},
               {PMS_PDU_SET, PMS_VERSION_V1, SNMP_MSG_SET},          {PMS_PDU_GETBULK, PMS_VERSION_V2C, SNMP_MSG_GETBULK},
               {PMS_PDU_INFORM, PMS_VERSION_V2C, SNMP_MSG_INFORM},   {PMS_PDU_REPORT, PMS_VERSION_V2C, SNMP_MSG_REPORT},
               {7, PMS_VERSION_V2C, SNMP_MSG_TRAP2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    PmcPtr<IPmsPdu> sent = pdu(c.type, -42);
    add(*sent, "1.3.6.1.2.1.43.11.1.1.9.1.1");
    add(*sent, "1.3.6.1.2.1.43.11.1.1.8.1.1");
    if (c.type == PMS_PDU_GETBULK) {
      sent->set_error_status(1);   // non-repeaters
      sent->set_error_index(10);   // max-repetitions
    }
    netsnmp_glue::PduPtr read = netsnmp_read(*sent, c.version);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->command, c.command);
    EXPECT_EQ(read->reqid, -42);
    if (c.type == PMS_PDU_GETBULK) {
      EXPECT_EQ(read->non_repeaters, 1);
      EXPECT_EQ(read->max_repetitions, 10);
    }
    expect_same_bindings(*read, *sent);
  }
}

TEST(NetSnmpReadsOurs, TrapFields) {
  const struct {
    const char* enterprise;
    const char* wire_enterprise;
    long generic;
    long specific;
  } cases[] = {{"1.3.6.1.6.3.1.1.5.0.3", "1.3.6.1.6.3.1.1.5", 2, 0},
               {"1.3.6.1.4.1.47001.0.17", "1.3.6.1.4.1.47001", 6, 17}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.enterprise);
    PmcPtr<IPmsPdu> sent = pdu(PMS_PDU_TRAP);
    ASSERT_EQ(sent->set_enterprise(value(PMC_TAG_OID, c.enterprise)), PMC_OK);
    ASSERT_EQ(sent->set_time_stamp(value(PMC_TAG_TIMETICKS, "123456")), PMC_OK);
    add(*sent, "1.3.6.1.2.1.1.3.0", value(PMC_TAG_TIMETICKS, "123456"));
    netsnmp_glue::PduPtr read = netsnmp_read(*sent, PMS_VERSION_V1);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->command, SNMP_MSG_TRAP);
    EXPECT_EQ(netsnmp_glue::oid_text(read->enterprise, read->enterprise_length), c.wire_enterprise);
    EXPECT_EQ(read->trap_type, c.generic);
    EXPECT_EQ(read->specific_type, c.specific);
    EXPECT_EQ(read->time, 123456u);
    const unsigned char no_agent[4] = {0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(read->agent_addr, no_agent, 4), 0);
    expect_same_bindings(*read, *sent);
  }
}

TEST(NetSnmpReadsOurs, LengthsAroundEveryBoundary) {
  std::mt19937 random(5);
  for (size_t size : {size_t{0}, size_t{1}, size_t{127}, size_t{128}, size_t{255}, size_t{256}, size_t{1000},
                      size_t{65000}}) {
    PmcPtr<IPmsPdu> sent = pdu(PMS_PDU_SET, static_cast<int32_t>(size));
    std::vector<unsigned char> octets(size);
    for (unsigned char& octet : octets) octet = static_cast<unsigned char>(random());
    IPmcValue* bound = pmc_create_value(PMC_TAG_OCTET_STRING, nullptr);
    ASSERT_EQ(bound->set_octets(octets.data(), octets.size()), PMC_OK);
    add(*sent, "1.3.6.1.4.1.47001.1", bound);
    netsnmp_glue::PduPtr read = netsnmp_read(*sent, PMS_VERSION_V2C);
    ASSERT_NE(read, nullptr) << size;
    expect_same_bindings(*read, *sent);
  }
}

TEST(WeReadNetSnmps, EveryValueKind) {
  // Net-SNMP builds a response from our sample values; our decoder reads it.
  PmcPtr<IPmsPdu> source = every_kind(PMS_PDU_RESPONSE);
  for (long version : {SNMP_VERSION_1, SNMP_VERSION_2c}) {
    SCOPED_TRACE(version);
    netsnmp_glue::PduPtr theirs(snmp_pdu_create(SNMP_MSG_RESPONSE));
    theirs->version = version;
    theirs->reqid = 77;
    theirs->errstat = 2;
    theirs->errindex = 3;
    theirs->community = static_cast<u_char*>(std::malloc(6));
    std::memcpy(theirs->community, "public", 6);
    theirs->community_len = 6;
    const IPmcVarBindList* list = source->get_varbind_list();
    for (size_t i = 0; i < list->size(); ++i) {
      ::oid name[MAX_OID_LEN];
      const size_t name_length = netsnmp_glue::parse_oid(oid_text(*list->at(i)), name);
      const IPmcValue& mine = *list->at(i)->get_value();
      const int tag = mine.get_type();
      if (tag == PMC_TAG_INTEGER || tag == PMC_TAG_COUNTER32 || tag == PMC_TAG_GAUGE32 || tag == PMC_TAG_TIMETICKS) {
        long number = tag == PMC_TAG_INTEGER ? mine.get_int32(nullptr) : static_cast<long>(mine.get_uint32(nullptr));
        snmp_pdu_add_variable(theirs.get(), name, name_length, static_cast<u_char>(tag), &number, sizeof number);
      } else if (tag == PMC_TAG_COUNTER64) {
        struct counter64 big = {mine.get_high32(nullptr), mine.get_low32(nullptr)};
        snmp_pdu_add_variable(theirs.get(), name, name_length, ASN_COUNTER64, &big, sizeof big);
      } else if (tag == PMC_TAG_OID) {
        ::oid bound[MAX_OID_LEN];
        const size_t bound_length = netsnmp_glue::parse_oid(value_text(mine), bound);
        snmp_pdu_add_variable(theirs.get(), name, name_length, ASN_OBJECT_ID, bound, bound_length * sizeof(::oid));
      } else {
        size_t length = 0;
        const unsigned char* octets = mine.get_octets(&length, nullptr);
        snmp_pdu_add_variable(theirs.get(), name, name_length, static_cast<u_char>(tag), octets, length);
      }
    }
    netsnmp_glue::Block block(65536);
    unsigned char* start = nullptr;
    size_t length = 0;
    ASSERT_TRUE(block.build(theirs.get(), &start, &length));

    PmcPtr<IPmsPdu> decoded = pdu(PMS_PDU_NONE);
    PmcPtr<IPmsSnmpTarget> target = header(PMS_VERSION_NONE, "");
    ASSERT_EQ(decode(Bytes(start, start + length), decoded.get(), target.get()), PMC_OK);
    EXPECT_EQ(target->get_version(), version == SNMP_VERSION_1 ? PMS_VERSION_V1 : PMS_VERSION_V2C);
    EXPECT_EQ(decoded->get_request_id(), 77);
    EXPECT_EQ(decoded->get_error_status(), 2);
    EXPECT_EQ(decoded->get_varbind_list()->at(2)->get_mark(), 2);
    expect_same_bindings(*theirs, *decoded);
  }
}
