// The encoder: one SNMPv1 or SNMPv2c message (header and PDU) into BER,
// written backwards into a block of the header's maximum message size.
// Created per message by the codec factory, used once and released.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/pmc_value.h"
#include "protocol/pms_snmp_packet.h"
#include "snmp/pms_ber.h"
#include "snmp/pms_message_buffer.h"

class IPmsEncoder {
 public:
  virtual void release() = 0;
  // Encodes the packet's PDU with its target as the message header into
  // the buffer: 0, -2 (a part missing or unusable), -3, -5 (a value or PDU
  // the version cannot carry), -211 (the message does not fit).
  virtual int encode(IPmsSnmpPacket* packet) = 0;
  virtual int encode(IPmsPdu* pdu, IPmsSnmpTarget* header) = 0;
  // Bindings written completely, counted from the end of the list; after
  // -211 these are the ones that fitted.
  virtual size_t encoded_bindings() const = 0;

 protected:
  virtual ~IPmsEncoder() = default;
};

// The largest block the encoder allocates: no datagram can carry more, so
// a larger maximum message size behaves as this one.
constexpr size_t PMS_MAX_BLOCK = 65535;

class CPmsEncoder final : public IPmsEncoder, public IPmcValueVisitor, public CPmcObject {
 public:
  explicit CPmsEncoder(IPmsMessageBuffer* buffer) : m_pBuffer(buffer) {}

  void release() override { destroy(); }
  int encode(IPmsSnmpPacket* packet) override;
  int encode(IPmsPdu* pdu, IPmsSnmpTarget* header) override;
  size_t encoded_bindings() const override { return m_encodedBindings; }

  // Values, each written with its own tag.
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
  int encode_pdu(IPmsPdu& pdu);
  int encode_binding(IPmcVarBind& binding);
  int encode_trap_fields(IPmsPdu& pdu);
  // An OID from its dotted text (`slot`: see PmsBerWriter::put_oid);
  // refuses a single sub-identifier with a log line, and any text that is
  // not an encodable OID.
  int put_oid(const char* text, size_t length, int slot);
  int put_octet_value(CPmcOctetString& value, int tag);
  int put_unsigned_value(CPmcGauge32& value, int tag);
  int put_empty_value(int tag);
  int overflow() const { return m_writer.overflow() ? PMC_E_OVERFLOW : PMC_OK; }

  IPmsMessageBuffer* m_pBuffer;
  PmsBerWriter m_writer;
  int32_t m_version = 0;
  size_t m_encodedBindings = 0;
  // The writer's memory an OID reaching visit_oid shares prefixes with:
  // names have their own, so alternating names and OID values both gain.
  int m_oidSlot = PmsBerWriter::kValueSlot;
};
