// The decoder: one received SNMPv1 or SNMPv2c message into a PDU and a
// message header (a community target), reading forwards and never beyond
// the received bytes. Bindings and values already in the PDU are reused in
// place, so a request's bindings are filled with the response. Created per
// message by the codec factory, used once and released.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "protocol/pmc_value.h"
#include "protocol/pms_snmp_packet.h"
#include "snmp/pms_ber.h"
#include "snmp/pms_message_buffer.h"

// What header a decoder creates when it is given none.
enum PmsTranslateType : int {
  PMS_TRANSLATE_UNKNOWN = -1,    // none may be created
  PMS_TRANSLATE_COMMUNITY = 0,   // a community target
  PMS_TRANSLATE_USM = 1,         // SNMPv3: not a message of this codec
};

class IPmsDecoder {
 public:
  virtual void release() = 0;
  // Stop after the PDU's header fields (request-id, error-status, ...).
  virtual void set_header_only(bool on) = 0;
  // Decodes into the packet's PDU and target, creating what is missing
  // (the target by the translate type). 0, -2, -3, -5, -250.
  virtual int decode(IPmsSnmpPacket* packet) = 0;
  // The same into a PDU and a header; a missing one is made for this call
  // only.
  virtual int decode(IPmsPdu* pdu, IPmsSnmpTarget* header) = 0;

 protected:
  virtual ~IPmsDecoder() = default;
};

class CPmsDecoder final : public IPmsDecoder, public IPmcValueVisitor, public CPmcObject {
 public:
  CPmsDecoder(IPmsMessageBuffer* buffer, int translate_type)
      : m_pBuffer(buffer), m_translateType(translate_type) {}

  void release() override { destroy(); }
  void set_header_only(bool on) override { m_headerOnly = on; }
  int decode(IPmsSnmpPacket* packet) override;
  int decode(IPmsPdu* pdu, IPmsSnmpTarget* header) override;

  // Values: each reads its own tag and contents into the value.
  int visit_oid(CPmcOid& value) override;
  int visit_octet_string(CPmcOctetString& value) override;
  int visit_integer(CPmcInteger& value) override;
  int visit_null(CPmcNull& value) override;
  int visit_counter32(CPmcCounter32& value) override;
  int visit_gauge32(CPmcGauge32& value) override;
  int visit_timeticks(CPmcTimeTicks& value) override;
  int visit_counter64(CPmcCounter64& value) override;
  int visit_ip_address(CPmcIpAddress& value) override;
  int visit_ipv6_address(CPmcIpv6Address& value) override;
  int visit_ipv4_prefix(CPmcIpv4Prefix& value) override;
  int visit_ipx_address(CPmcIpxAddress& value) override;
  int visit_exception(CPmcException& value) override;

 private:
  // The outer sequence: sets the reader over exactly the message.
  int open_message();
  // A header of the translate type.
  int make_header(PmcPtr<IPmsSnmpTarget>* out);
  int decode_message(IPmsPdu& pdu, IPmsSnmpTarget& header);
  int decode_version_and_community(IPmsSnmpTarget& header);
  int decode_pdu_header(IPmsPdu& pdu);
  int decode_trap_fields(IPmsPdu& pdu);
  int decode_bindings(IPmsPdu& pdu);
  int decode_binding(IPmcVarBindList& list, size_t index);
  int decode_into(IPmcVarBind& binding);
  int decode_new(IPmcVarBindList& list);
  // The tag of the value that follows, which must be one a message carries.
  int peek_value_tag(int* tag);

  // `keeper`, when given, keeps the contents read as its wire form.
  int read_oid(IPmcValue& oid, CPmcOid* keeper = nullptr);
  int read_oid_text(IPmcValue& oid, CPmcOid* keeper, const unsigned char* bytes, size_t length);
  int read_integer(int32_t* out);
  int read_octets(CPmcOctetString& value);
  int read_unsigned(CPmcGauge32& value);
  int read_empty(int tag);

  IPmsMessageBuffer* m_pBuffer;
  PmsBerReader m_reader{nullptr, 0};
  int m_translateType;
  bool m_headerOnly = false;
  int32_t m_version = 0;
  std::string m_scratch;  // community text and OIDs too long for the stack
};
