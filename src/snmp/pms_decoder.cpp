// The decoder. Fields are written into the PDU and the header as they are
// read, so a failure leaves them partly filled; callers treat any non-zero
// result as "no usable message".
#include "snmp/pms_decoder.h"

#include <cstring>

#include "log/pmc_log.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value_exception.h"
#include "protocol/pmc_value_null.h"
#include "protocol/pmc_value_number.h"
#include "protocol/pmc_value_octets.h"

namespace {

// Logs a decode error and answers "malformed".
int malformed(const char* text) {
  PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "%s", text);
  return PMC_E_MALFORMED;
}

// The PDU type of a PDU tag, or -1 for a tag that is none.
int32_t type_of(unsigned char tag) {
  switch (tag) {
    case 0xA0: return PMS_PDU_GET;
    case 0xA1: return PMS_PDU_GETNEXT;
    case 0xA2: return PMS_PDU_RESPONSE;
    case 0xA3: return PMS_PDU_SET;
    case 0xA4:
    case 0xA7: return PMS_PDU_TRAP;
    case 0xA5: return PMS_PDU_GETBULK;
    case 0xA6: return PMS_PDU_INFORM;
    case 0xA8: return PMS_PDU_REPORT;
    default: return PMS_PDU_NONE;
  }
}

// True for the value tags that may arrive in a message.
bool is_wire_value_tag(unsigned char tag) {
  switch (tag) {
    case PMC_TAG_INTEGER:
    case PMC_TAG_OCTET_STRING:
    case PMC_TAG_NULL:
    case PMC_TAG_OID:
    case PMC_TAG_IP_ADDRESS:
    case PMC_TAG_COUNTER32:
    case PMC_TAG_GAUGE32:
    case PMC_TAG_TIMETICKS:
    case PMC_TAG_OPAQUE:
    case PMC_TAG_COUNTER64:
    case PMC_TAG_NO_SUCH_OBJECT:
    case PMC_TAG_NO_SUCH_INSTANCE:
    case PMC_TAG_END_OF_MIB_VIEW: return true;
    default: return false;
  }
}

// The enterprise of the generic traps; generic-trap g stands for its
// sub-identifier g + 1 below ".0".
constexpr char kGenericTrapEnterprise[] = "1.3.6.1.6.3.1.1.5.0";
constexpr int32_t kEnterpriseSpecific = 6;

// OIDs up to this many text characters are built on the stack.
constexpr size_t kStackText = 512;

}  // namespace

// ---------------------------------------------------------------------------
// The message
// ---------------------------------------------------------------------------

int CPmsDecoder::decode(IPmsSnmpPacket* packet) {
  if (packet == nullptr) return PMC_E_ARG;
  int rc = open_message();
  if (rc != PMC_OK) return rc;
  if (packet->get_target() == nullptr) {
    PmcPtr<IPmsSnmpTarget> header;
    rc = make_header(&header);
    if (rc != PMC_OK) return rc;
    packet->set_target(header.release());
  }
  if (packet->get_pdu() == nullptr) {
    IPmsPdu* pdu = pms_create_pdu(&rc);
    if (pdu == nullptr) return rc;
    packet->set_pdu(pdu);
  }
  return decode_message(*packet->get_pdu(), *packet->get_target());
}

int CPmsDecoder::decode(IPmsPdu* pdu, IPmsSnmpTarget* header) {
  int rc = open_message();
  if (rc != PMC_OK) return rc;
  PmcPtr<IPmsSnmpTarget> own_header;
  if (header == nullptr) {
    rc = make_header(&own_header);
    if (rc != PMC_OK) return rc;
    header = own_header.get();
  }
  PmcPtr<IPmsPdu> own_pdu;
  if (pdu == nullptr) {
    own_pdu.reset(pms_create_pdu(&rc));
    if (!own_pdu) return rc;
    pdu = own_pdu.get();
  }
  return decode_message(*pdu, *header);
}

int CPmsDecoder::open_message() {
  if (m_pBuffer == nullptr) return PMC_E_ARG;
  const unsigned char* start = m_pBuffer->get_start();
  const size_t received = m_pBuffer->get_content_length();
  m_reader = PmsBerReader(start, received);
  size_t length = 0;
  int rc = m_reader.take_tag(PMS_BER_SEQUENCE);
  if (rc == PMC_OK) rc = m_reader.take_length(&length);
  if (rc != PMC_OK) return rc;
  const size_t header_bytes = static_cast<size_t>(m_reader.pos() - start);
  if (length > received - header_bytes) {
    return malformed("decode error: lack of received packet. can't go on decoding any more.");
  }
  if (length < received - header_bytes) {
    PMC_LOG(g_logSnmp, PMC_LOG_INFO, "received packet is redundancy. be cut down.");
    m_reader.cut(length);
  }
  return PMC_OK;
}

int CPmsDecoder::make_header(PmcPtr<IPmsSnmpTarget>* out) {
  if (m_translateType == PMS_TRANSLATE_COMMUNITY) {
    int rc = PMC_OK;
    out->reset(pms_create_community_target(&rc));
    return rc;
  }
  if (m_translateType == PMS_TRANSLATE_UNKNOWN) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "decode error: unknown translate type.");
  }
  return PMC_E_ARG;
}

int CPmsDecoder::decode_message(IPmsPdu& pdu, IPmsSnmpTarget& header) {
  int rc = decode_version_and_community(header);
  if (rc == PMC_OK) rc = decode_pdu_header(pdu);
  if (rc != PMC_OK || m_headerOnly) return rc;
  return decode_bindings(pdu);
}

int CPmsDecoder::decode_version_and_community(IPmsSnmpTarget& header) {
  IPmsCommunityTarget* community = pms_community_of(&header);
  if (community == nullptr) return PMC_E_ARG;
  int32_t version = 0;
  int rc = read_integer(&version);
  if (rc != PMC_OK) return rc;
  if (version != PMS_VERSION_V1 && version != PMS_VERSION_V2C) {
    return malformed("decode error: unsupported snmp version.");
  }
  m_version = version;
  header.set_version(version);

  size_t length = 0;
  rc = m_reader.take_header(PMS_BER_OCTET_STRING, &length);
  if (rc != PMC_OK) return rc;
  const char* bytes = reinterpret_cast<const char*>(m_reader.take(length));
  // The header keeps the community as a zero-terminated text.
  if (length != 0) {
    if (const void* zero = std::memchr(bytes, 0, length)) length = static_cast<size_t>(static_cast<const char*>(zero) - bytes);
  }
  try {
    m_scratch.assign(bytes, length);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return community->set_community(m_scratch.c_str());
}

int CPmsDecoder::decode_pdu_header(IPmsPdu& pdu) {
  unsigned char tag = 0;
  if (!m_reader.peek(&tag)) return PMC_E_MALFORMED;
  const int32_t type = type_of(tag);
  if (type == PMS_PDU_NONE) return malformed("decode error: unknown pdu type.");
  m_reader.skip(1);
  size_t length = 0;
  int rc = m_reader.take_length(&length);
  if (rc != PMC_OK) return rc;
  if (length != m_reader.left()) return malformed("decode error: pdu length is wrong.");
  pdu.set_type(type);
  if (type == PMS_PDU_TRAP) {
    if (m_version != PMS_VERSION_V1) return PMC_E_UNSUPPORTED;
    return decode_trap_fields(pdu);
  }

  int32_t number = 0;
  rc = read_integer(&number);
  if (rc != PMC_OK) return rc;
  pdu.set_request_id(number);
  rc = read_integer(&number);
  if (rc != PMC_OK) return rc;
  if (static_cast<uint32_t>(number) >= 19) return malformed("decode error: error_status's value is wrong.");
  pdu.set_error_status(number);
  rc = read_integer(&number);
  if (rc != PMC_OK) return rc;
  pdu.set_error_index(static_cast<uint32_t>(number));
  return PMC_OK;
}

// enterprise, agent-addr, generic-trap, specific-trap, time-stamp. The PDU
// keeps the trap's identity in its enterprise value as "enterprise.0.s"
// (enterprise-specific) or as the generic trap's own identifier.
int CPmsDecoder::decode_trap_fields(IPmsPdu& pdu) {
  int rc = PMC_OK;
  if (pdu.get_enterprise() == nullptr) {
    IPmcOid* created = pmc_create_oid(&rc);
    if (created == nullptr) return rc;
    pdu.set_enterprise(created);
  }
  // set_enterprise takes OBJECT IDENTIFIER values only.
  IPmcOid* enterprise = pdu.get_enterprise()->as_oid();
  rc = read_oid(*enterprise);
  if (rc != PMC_OK) return rc;
  size_t length = 0;
  rc = m_reader.take_header(PMS_BER_IP_ADDRESS, &length);
  if (rc != PMC_OK) return rc;
  m_reader.skip(length);  // agent-addr is not kept
  int32_t generic = 0;
  int32_t specific = 0;
  rc = read_integer(&generic);
  if (rc == PMC_OK) rc = read_integer(&specific);
  if (rc != PMC_OK) return rc;

  if (generic == kEnterpriseSpecific) {
    rc = enterprise->append_subid(0);
    if (rc == PMC_OK) rc = enterprise->append_subid(static_cast<uint32_t>(specific));
  } else if (static_cast<uint32_t>(generic) < kEnterpriseSpecific) {
    rc = enterprise->from_text(kGenericTrapEnterprise);
    if (rc == PMC_OK) rc = enterprise->append_subid(static_cast<uint32_t>(generic) + 1);
  } else {
    return malformed("decode error: generic trap No. > 6. ");
  }
  if (rc != PMC_OK) return rc;

  if (pdu.get_time_stamp() == nullptr) {
    IPmcValue* created = pmc_create_value(PMC_TAG_TIMETICKS, &rc);
    if (created == nullptr) return rc;
    pdu.set_time_stamp(created);
  }
  return pdu.get_time_stamp()->accept(*this);
}

// ---------------------------------------------------------------------------
// Bindings
// ---------------------------------------------------------------------------

int CPmsDecoder::decode_bindings(IPmsPdu& pdu) {
  size_t length = 0;
  int rc = m_reader.take_tag(PMS_BER_SEQUENCE);
  if (rc == PMC_OK) rc = m_reader.take_length(&length);
  if (rc != PMC_OK) return rc;
  if (length != m_reader.left()) return malformed("decode error: length of var bind list is wrong.");

  IPmcVarBindList* list = pdu.get_varbind_list();
  if (list == nullptr) {
    list = pmc_create_varbind_list(&rc);
    if (list == nullptr) return rc;
    pdu.set_varbind_list(list);
  }
  size_t count = 0;
  for (; !m_reader.at_end(); ++count) {
    rc = decode_binding(*list, count);
    if (rc != PMC_OK) return rc;
  }
  // Bindings of the request beyond those of the response go.
  while (list->size() > count) list->remove(list->size() - 1, nullptr);

  const int32_t status = pdu.get_error_status();
  if (pdu.get_type() != PMS_PDU_TRAP && status != 0) {
    list->mark_sequence(status, pdu.get_error_index());
  } else {
    list->mark_all(0);
  }
  return PMC_OK;
}

int CPmsDecoder::decode_binding(IPmcVarBindList& list, size_t index) {
  size_t length = 0;
  int rc = m_reader.take_header(PMS_BER_SEQUENCE, &length);
  if (rc != PMC_OK) return rc;
  const unsigned char* end = m_reader.pos() + length;
  IPmcVarBind* binding = list.at(index);
  rc = binding != nullptr ? decode_into(*binding) : decode_new(list);
  if (rc != PMC_OK) return rc;
  if (m_reader.pos() != end) return malformed("decode error: length of var bind is wrong.");
  return PMC_OK;
}

// A binding of the PDU: its OID and, when it has the right kind, its value
// are overwritten in place.
int CPmsDecoder::decode_into(IPmcVarBind& binding) {
  int rc = PMC_OK;
  IPmcOid* oid = binding.get_oid();
  if (oid == nullptr) {
    oid = pmc_create_oid(&rc);
    if (oid == nullptr) return rc;
    binding.set_oid(oid);
  }
  rc = oid->accept(*this);  // through visit_oid, which keeps the contents
  if (rc != PMC_OK) return rc;
  int tag = 0;
  rc = peek_value_tag(&tag);
  if (rc != PMC_OK) return rc;
  IPmcValue* value = binding.get_value();
  if (value == nullptr || value->get_type() != tag) {
    value = pmc_create_value(tag, &rc);
    if (value == nullptr) return rc;
    binding.set_value(value);
  }
  return value->accept(*this);
}

// A binding beyond those the PDU had: appended once it is complete.
int CPmsDecoder::decode_new(IPmcVarBindList& list) {
  int rc = PMC_OK;
  PmcPtr<IPmcOid> oid(pmc_create_oid(&rc));
  if (!oid) return rc;
  rc = oid->accept(*this);
  if (rc != PMC_OK) return rc;
  int tag = 0;
  rc = peek_value_tag(&tag);
  if (rc != PMC_OK) return rc;
  PmcPtr<IPmcValue> value(pmc_create_value(tag, &rc));
  if (!value) return rc;
  rc = value->accept(*this);
  if (rc != PMC_OK) return rc;
  return list.add(oid.release(), value.release());
}

int CPmsDecoder::peek_value_tag(int* tag) {
  unsigned char byte = 0;
  if (!m_reader.peek(&byte)) return PMC_E_MALFORMED;
  if (!is_wire_value_tag(byte)) return malformed("decode error: unknown asn type.");
  *tag = byte;
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Values
// ---------------------------------------------------------------------------

int CPmsDecoder::read_oid(IPmcValue& oid, CPmcOid* keeper) {
  int rc = m_reader.take_tag(PMS_BER_OID);
  size_t length = 0;
  if (rc == PMC_OK) rc = m_reader.take_length(&length);
  if (rc != PMC_OK) return rc;
  if (length > m_reader.left()) return malformed("decode error. oid format is wrong.");
  const unsigned char* bytes = m_reader.take(length);
  if (keeper != nullptr) {
    // The contents it was sent or read with: the text is already theirs
    // (a response names what its request named).
    size_t kept = 0;
    const unsigned char* wire = keeper->wire_contents(&kept);
    if (wire != nullptr && kept == length && std::memcmp(wire, bytes, length) == 0) return PMC_OK;
  }
  return read_oid_text(oid, keeper, bytes, length);
}

// The text of OID contents into `oid`; `keeper`, when given, keeps the
// contents as its wire form.
int CPmsDecoder::read_oid_text(IPmcValue& oid, CPmcOid* keeper, const unsigned char* bytes, size_t length) {
  char stack_text[kStackText];
  char* text = stack_text;
  const size_t room = pms_ber_oid_text_room(length);
  if (room > sizeof stack_text) {
    try {
      m_scratch.resize(room);
    } catch (...) {
      return PMC_E_NOMEM;
    }
    text = &m_scratch[0];
  }
  size_t text_length = 0;
  bool padded = false;
  const int rc = pms_ber_oid_text(bytes, length, text, &text_length, &padded);
  if (rc == PMS_OID_UNFINISHED) return PMC_E_MALFORMED;
  if (rc == PMS_OID_TOO_BIG) return malformed("decode error. oid format is wrong.");
  if (keeper == nullptr) return oid.set_octets(text, text_length);
  // Padded sub-identifiers (a leading 0x80) read as the same text but
  // encode shorter: only contents in their shortest form are kept.
  return keeper->set_wire_text(text, text_length, padded ? nullptr : bytes, length);
}

int CPmsDecoder::read_integer(int32_t* out) {
  size_t length = 0;
  int rc = m_reader.take_header(PMS_BER_INTEGER, &length);
  if (rc != PMC_OK) return rc;
  return pms_ber_int32(m_reader.take(length), length, out);
}

int CPmsDecoder::read_octets(CPmcOctetString& value) {
  size_t length = 0;
  int rc = m_reader.take_header(static_cast<unsigned char>(value.get_type()), &length);
  if (rc != PMC_OK) return rc;
  rc = value.set_octets(m_reader.take(length), length);
  // The fixed-size addresses take exactly their own size: another length
  // on the wire is a malformed message.
  return rc == PMC_E_ARG ? PMC_E_MALFORMED : rc;
}

int CPmsDecoder::read_unsigned(CPmcGauge32& value) {
  size_t length = 0;
  int rc = m_reader.take_header(static_cast<unsigned char>(value.get_type()), &length);
  if (rc != PMC_OK) return rc;
  uint32_t number = 0;
  rc = pms_ber_uint32(m_reader.take(length), length, &number);
  if (rc == PMC_OK) value.set_value(number);
  return rc;
}

int CPmsDecoder::read_empty(int tag) {
  size_t length = 0;
  int rc = m_reader.take_header(static_cast<unsigned char>(tag), &length);
  if (rc != PMC_OK) return rc;
  return length == 0 ? PMC_OK : PMC_E_MALFORMED;
}

int CPmsDecoder::visit_oid(CPmcOid& value) { return read_oid(value, &value); }
int CPmsDecoder::visit_octet_string(CPmcOctetString& value) { return read_octets(value); }
int CPmsDecoder::visit_integer(CPmcInteger& value) {
  int32_t number = 0;
  int rc = read_integer(&number);
  if (rc == PMC_OK) value.set_value(number);
  return rc;
}
int CPmsDecoder::visit_null(CPmcNull& value) { return read_empty(value.get_type()); }
int CPmsDecoder::visit_counter32(CPmcCounter32& value) { return read_unsigned(value); }
int CPmsDecoder::visit_gauge32(CPmcGauge32& value) { return read_unsigned(value); }
int CPmsDecoder::visit_timeticks(CPmcTimeTicks& value) { return read_unsigned(value); }
int CPmsDecoder::visit_counter64(CPmcCounter64& value) {
  int rc = m_reader.take_tag(static_cast<unsigned char>(value.get_type()));
  size_t length = 0;
  if (rc == PMC_OK) rc = m_reader.take_length(&length);
  if (rc != PMC_OK) return rc;
  if (length > m_reader.left()) return malformed("decode error: counter64 format is wrong.");
  uint64_t number = 0;
  rc = pms_ber_uint64(m_reader.take(length), length, &number);
  if (rc == PMC_OK) value.set_value(number);
  return rc;
}
int CPmsDecoder::visit_ip_address(CPmcIpAddress& value) { return read_octets(value); }
int CPmsDecoder::visit_ipv6_address(CPmcIpv6Address& value) { return read_octets(value); }
// The private address kinds never come from the wire.
int CPmsDecoder::visit_ipv4_prefix(CPmcIpv4Prefix&) { return PMC_E_UNSUPPORTED; }
int CPmsDecoder::visit_ipx_address(CPmcIpxAddress&) { return PMC_E_UNSUPPORTED; }
int CPmsDecoder::visit_exception(CPmcException& value) { return read_empty(value.get_type()); }
