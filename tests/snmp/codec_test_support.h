// Helpers of the codec tests: building PDUs and targets, running messages
// through the codec front end, and the fixture messages built by Net-SNMP.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/pmc_oid.h"
#include "protocol/pms_snmp_packet.h"
#include "snmp/pms_translator.h"

namespace codec_test {

using Bytes = std::vector<unsigned char>;

// "30 03 02 01 00" (spaces optional) to bytes.
Bytes hex_bytes(const std::string& hex);
std::string hex_text(const Bytes& bytes);
std::string hex_text(const unsigned char* bytes, size_t length);

// Hex of a tag-length-value from hex tag and hex contents (minimal length).
std::string tlv(const std::string& tag, const std::string& contents);
// The same with the length field given as hex.
std::string tlv_with_length(const std::string& tag, const std::string& length, const std::string& contents);
// An SNMPv1 message around the PDU `pdu_hex` with community "public".
std::string v1_message(const std::string& pdu_hex, const std::string& version = "00");

// A community target with `version`, the community and a maximum size.
PmcPtr<IPmsSnmpTarget> header(int32_t version = PMS_VERSION_V1, const char* community = "public",
                              size_t max_size = 1400);
PmcPtr<IPmsPdu> pdu(int32_t type, int32_t request_id = 0);
PmcPtr<IPmcOid> oid(const char* text);
// A value of `tag` from its display text.
IPmcValue* value(int tag, const char* text);
// Appends a binding of `name` with `bound` (adopted; null becomes NULL).
void add(IPmsPdu& pdu, const char* name, IPmcValue* bound = nullptr);

// Encodes through the front end.
struct Encoded {
  int rc = 1;
  size_t bindings = 0;
  Bytes bytes;  // the message when rc is 0
};
Encoded encode(IPmsPdu& pdu, IPmsSnmpTarget& header);
// Decodes `bytes` into the PDU and header through the front end.
int decode(const Bytes& bytes, IPmsPdu* pdu, IPmsSnmpTarget* header, int translate_type = PMS_TRANSLATE_COMMUNITY);
int decode_header(const Bytes& bytes, int32_t* error_status, int32_t* request_id,
                  int translate_type = PMS_TRANSLATE_COMMUNITY);

// Text of a binding's parts.
std::string oid_text(const IPmcVarBind& binding);
std::string value_text(const IPmcValue& value);

// One fixture message and what Net-SNMP's parser read from it.
struct FixtureBinding {
  std::string oid;
  int tag = 0;
  std::string value;  // decimal, dotted OID, or lower-case hex of octets
};
struct Fixture {
  std::string name;
  Bytes message;
  int32_t version = 0;
  std::string community;
  int pdu_tag = 0;
  int32_t request_id = 0;
  int32_t error_status = 0;
  int32_t error_index = 0;
  std::vector<FixtureBinding> bindings;
};
// The fixture names of ../shared/fixtures/ber, sorted.
std::vector<std::string> fixture_names();
Fixture load_fixture(const std::string& name);
// The fixture's bindings as our values (adds them to `pdu`).
void add_fixture_bindings(const Fixture& fixture, IPmsPdu& pdu);
// Our text for a value in the fixture's notation.
std::string fixture_value_text(const IPmcValue& value);

}  // namespace codec_test
