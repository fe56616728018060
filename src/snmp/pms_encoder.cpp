// The encoder. Everything is written backwards, so each element's contents
// come before its length and tag, and the last element on the wire first.
#include "snmp/pms_encoder.h"

#include <cstring>

#include "log/pmc_log.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value_exception.h"
#include "protocol/pmc_value_null.h"
#include "protocol/pmc_value_number.h"
#include "protocol/pmc_value_octets.h"

namespace {

// The enterprise prefix of the generic traps: an enterprise value below it
// stands for generic-trap n - 1.
constexpr char kSnmpTrapsPrefix[] = "1.3.6.1.6.3.1.1.5";
constexpr size_t kSnmpTrapsPrefixLength = sizeof(kSnmpTrapsPrefix) - 1;

// The PDU tag of a type: 0xA0 ORed with the type. Types that cannot form a
// one-byte context tag (negative ones, such as "not set", and 31 and above)
// give 0.
unsigned char pdu_tag(int32_t type) {
  if (type < 0 || type > 30) return 0;
  return static_cast<unsigned char>(0xA0 | type);
}

// The decimal component [begin, end) as a number; false when it is not one.
bool component(const char* begin, const char* end, uint32_t* out) {
  if (begin == end || end - begin > 10 || (end - begin > 1 && *begin == '0')) return false;
  uint64_t value = 0;
  for (const char* p = begin; p != end; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + static_cast<unsigned>(*p - '0');
  }
  *out = static_cast<uint32_t>(value);
  return value <= 0xFFFFFFFFu;
}

// Splits an enterprise text "prefix.0.n" into the prefix's length and n;
// false when it does not have that form.
bool split_enterprise(const char* text, size_t length, size_t* prefix_length, uint32_t* n) {
  const char* end = text + length;
  const char* last_dot = end;
  while (last_dot != text && last_dot[-1] != '.') --last_dot;
  if (last_dot == text) return false;  // one component only
  --last_dot;
  const char* zero = last_dot;
  while (zero != text && zero[-1] != '.') --zero;
  uint32_t second_last = 1;
  if (!component(zero, last_dot, &second_last) || second_last != 0) return false;
  if (!component(last_dot + 1, end, n)) return false;
  *prefix_length = zero == text ? 0 : static_cast<size_t>(zero - 1 - text);
  return true;
}

}  // namespace

int CPmsEncoder::encode(IPmsSnmpPacket* packet) {
  if (packet == nullptr) return PMC_E_ARG;
  return encode(packet->get_pdu(), packet->get_target());
}

int CPmsEncoder::encode(IPmsPdu* pdu, IPmsSnmpTarget* header) {
  m_encodedBindings = 0;
  if (pdu == nullptr || header == nullptr || m_pBuffer == nullptr) return PMC_E_ARG;
  const IPmsCommunityTarget* community = pms_community_of(header);
  if (community == nullptr) return PMC_E_ARG;
  m_version = header->get_version();
  if (m_version != PMS_VERSION_V1 && m_version != PMS_VERSION_V2C) return PMC_E_UNSUPPORTED;

  size_t capacity = header->get_max_message_size();
  if (capacity > PMS_MAX_BLOCK) capacity = PMS_MAX_BLOCK;
  int rc = m_pBuffer->allocate(capacity);
  if (rc != PMC_OK) return rc;
  m_writer.reset(m_pBuffer->get_data(), m_pBuffer->get_capacity());

  rc = encode_pdu(*pdu);
  if (rc != PMC_OK) return rc;
  const char* text = community->get_community();
  const size_t text_length = text != nullptr ? std::strlen(text) : 0;
  m_writer.put_octets(PMS_BER_OCTET_STRING, reinterpret_cast<const unsigned char*>(text), text_length);
  m_writer.put_integer(PMS_BER_INTEGER, m_version);
  m_writer.close(PMS_BER_SEQUENCE, 0);
  if (m_writer.overflow()) return PMC_E_OVERFLOW;
  return m_pBuffer->set_start(m_writer.start_offset());
}

int CPmsEncoder::encode_pdu(IPmsPdu& pdu) {
  const int32_t type = pdu.get_type();
  const unsigned char tag = pdu_tag(type);
  if (tag == 0) return PMC_E_ARG;
  if (type == PMS_PDU_TRAP && m_version != PMS_VERSION_V1) return PMC_E_UNSUPPORTED;

  IPmcVarBindList* list = pdu.get_varbind_list();
  if (list == nullptr) {
    int rc = PMC_OK;
    list = pmc_create_varbind_list(&rc);
    if (list == nullptr) return rc;
    pdu.set_varbind_list(list);
  }
  const size_t pdu_mark = m_writer.written();
  for (size_t i = list->size(); i-- > 0;) {
    int rc = encode_binding(*list->at(i));
    if (rc != PMC_OK) return rc;
    ++m_encodedBindings;
  }
  m_writer.close(PMS_BER_SEQUENCE, pdu_mark);

  if (type == PMS_PDU_TRAP) {
    int rc = encode_trap_fields(pdu);
    if (rc != PMC_OK) return rc;
  } else {
    // The error-index travels as a 32-bit INTEGER.
    m_writer.put_integer(PMS_BER_INTEGER, static_cast<int32_t>(static_cast<uint32_t>(pdu.get_error_index())));
    m_writer.put_integer(PMS_BER_INTEGER, pdu.get_error_status());
    m_writer.put_integer(PMS_BER_INTEGER, pdu.get_request_id());
  }
  m_writer.close(tag, pdu_mark);
  return overflow();
}

int CPmsEncoder::encode_binding(IPmcVarBind& binding) {
  IPmcOid* oid = binding.get_oid();
  IPmcValue* value = binding.get_value();
  if (oid == nullptr || value == nullptr) return PMC_E_ARG;
  const size_t mark = m_writer.written();
  int rc = value->accept(*this);
  if (rc != PMC_OK) return rc;
  // The name comes through visit_oid as well, to reach its kept contents.
  m_oidSlot = PmsBerWriter::kNameSlot;
  rc = oid->accept(*this);
  m_oidSlot = PmsBerWriter::kValueSlot;
  if (rc != PMC_OK) return rc;
  m_writer.close(PMS_BER_SEQUENCE, mark);
  return overflow();
}

// enterprise, agent-addr, generic-trap, specific-trap, time-stamp; the PDU's
// enterprise value "prefix.0.n" carries the first and the trap numbers.
int CPmsEncoder::encode_trap_fields(IPmsPdu& pdu) {
  IPmcValue* stamp = pdu.get_time_stamp();
  IPmcValue* enterprise = pdu.get_enterprise();
  if (stamp == nullptr || enterprise == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  size_t length = 0;
  const char* text = reinterpret_cast<const char*>(enterprise->get_octets(&length, &rc));
  size_t prefix_length = 0;
  uint32_t n = 0;
  if (text == nullptr || !split_enterprise(text, length, &prefix_length, &n)) return PMC_E_ARG;

  int32_t generic = 6;
  uint32_t specific = n;
  if (prefix_length == kSnmpTrapsPrefixLength && std::memcmp(text, kSnmpTrapsPrefix, prefix_length) == 0) {
    // Only 1 to 6 name a generic trap (0 to 5); anything else would go out
    // as a generic-trap number no receiver accepts.
    if (n < 1 || n > 6) return PMC_E_ARG;
    generic = static_cast<int32_t>(n - 1);
    specific = 0;
  }
  rc = stamp->accept(*this);
  if (rc != PMC_OK) return rc;
  m_writer.put_integer(PMS_BER_INTEGER, static_cast<int32_t>(specific));
  m_writer.put_integer(PMS_BER_INTEGER, generic);
  static const unsigned char kNoAgent[4] = {0, 0, 0, 0};
  m_writer.put_octets(PMS_BER_IP_ADDRESS, kNoAgent, sizeof kNoAgent);
  return put_oid(text, prefix_length, PmsBerWriter::kNoSlot);
}

int CPmsEncoder::put_oid(const char* text, size_t length, int slot) {
  const int rc = m_writer.put_oid(PMS_BER_OID, text, length, slot);
  if (rc != PMS_OID_SINGLE) return rc;
  PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "encode error:oid size is 1.");
  return PMC_E_ARG;
}

int CPmsEncoder::put_octet_value(CPmcOctetString& value, int tag) {
  m_writer.put_octets(static_cast<unsigned char>(tag), value.data(), value.length());
  return PMC_OK;
}

int CPmsEncoder::put_unsigned_value(CPmcGauge32& value, int tag) {
  m_writer.put_unsigned(static_cast<unsigned char>(tag), value.value());
  return PMC_OK;
}

int CPmsEncoder::put_empty_value(int tag) {
  const unsigned char empty[2] = {static_cast<unsigned char>(tag), 0};
  m_writer.put_bytes(empty, sizeof empty);
  return PMC_OK;
}

// An OID value or a binding's name (m_oidSlot tells which): the contents
// the OID keeps when it has them, else built from its text and kept.
int CPmsEncoder::visit_oid(CPmcOid& value) {
  size_t length = 0;
  if (const unsigned char* wire = value.wire_contents(&length)) {
    m_writer.put_contents(PMS_BER_OID, wire, length);
    return PMC_OK;
  }
  const std::string& text = value.text();
  const unsigned char* content = nullptr;
  if (m_writer.oid_contents(text.data(), text.size(), m_oidSlot, &content, &length) != PMC_OK) {
    // Refused texts and very long ones take the ordinary way.
    return put_oid(text.data(), text.size(), m_oidSlot);
  }
  value.keep_wire_contents(content, length);
  m_writer.put_contents(PMS_BER_OID, content, length);
  return PMC_OK;
}
// OCTET STRING and Opaque share this operation; the tag tells them apart.
int CPmsEncoder::visit_octet_string(CPmcOctetString& value) { return put_octet_value(value, value.get_type()); }
int CPmsEncoder::visit_integer(CPmcInteger& value) {
  m_writer.put_integer(PMS_BER_INTEGER, value.value());
  return PMC_OK;
}
int CPmsEncoder::visit_null(CPmcNull& value) { return put_empty_value(value.get_type()); }
int CPmsEncoder::visit_counter32(CPmcCounter32& value) { return put_unsigned_value(value, PMC_TAG_COUNTER32); }
int CPmsEncoder::visit_gauge32(CPmcGauge32& value) { return put_unsigned_value(value, PMC_TAG_GAUGE32); }
int CPmsEncoder::visit_timeticks(CPmcTimeTicks& value) { return put_unsigned_value(value, PMC_TAG_TIMETICKS); }
int CPmsEncoder::visit_counter64(CPmcCounter64& value) {
  m_writer.put_unsigned(PMC_TAG_COUNTER64, value.value());
  return PMC_OK;
}
int CPmsEncoder::visit_ip_address(CPmcIpAddress& value) { return put_octet_value(value, PMC_TAG_IP_ADDRESS); }
int CPmsEncoder::visit_ipv6_address(CPmcIpv6Address& value) { return put_octet_value(value, PMC_TAG_IPV6_ADDRESS); }
// The private address kinds have no wire form.
int CPmsEncoder::visit_ipv4_prefix(CPmcIpv4Prefix&) { return PMC_E_UNSUPPORTED; }
int CPmsEncoder::visit_ipx_address(CPmcIpxAddress&) { return PMC_E_UNSUPPORTED; }
int CPmsEncoder::visit_exception(CPmcException& value) { return put_empty_value(value.get_type()); }
