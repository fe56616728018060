// The packet: a target paired with a PDU. A broadcast search hands back one
// per responding device (its address and message header in the target, its
// answer in the PDU); the codec also takes a packet as one whole message.
#pragma once

#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"

// IPmsSnmpPacket. Either part may be absent.
class IPmsSnmpPacket {
 public:
  virtual void release() = 0;
  // Copies target and PDU.
  virtual IPmsSnmpPacket* clone(int* err) const = 0;
  // PDUs equal (or both absent) and targets equal (or both absent).
  virtual bool equals(const IPmsSnmpPacket& other) const = 0;
  // Adopt, releasing the old part.
  virtual void set_target(IPmsSnmpTarget* target) = 0;
  virtual void set_pdu(IPmsPdu* pdu) = 0;
  // Hand the part out and forget it.
  virtual IPmsSnmpTarget* detach_target() = 0;
  virtual IPmsPdu* detach_pdu() = 0;
  // Lend the part.
  virtual IPmsSnmpTarget* get_target() const = 0;
  virtual IPmsPdu* get_pdu() const = 0;

 protected:
  virtual ~IPmsSnmpPacket() = default;
};

// An empty packet.
IPmsSnmpPacket* pms_create_snmp_packet(int* err);

class CPmsSnmpPacket final : public IPmsSnmpPacket, public CPmcObject {
 public:
  void release() override { destroy(); }
  IPmsSnmpPacket* clone(int* err) const override;
  bool equals(const IPmsSnmpPacket& other) const override;
  void set_target(IPmsSnmpTarget* target) override { m_pTarget.reset(target); }
  void set_pdu(IPmsPdu* pdu) override { m_pPdu.reset(pdu); }
  IPmsSnmpTarget* detach_target() override { return m_pTarget.release(); }
  IPmsPdu* detach_pdu() override { return m_pPdu.release(); }
  IPmsSnmpTarget* get_target() const override { return m_pTarget.get(); }
  IPmsPdu* get_pdu() const override { return m_pPdu.get(); }

 private:
  PmcPtr<IPmsSnmpTarget> m_pTarget;
  PmcPtr<IPmsPdu> m_pPdu;
};
