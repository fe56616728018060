// The packet: a target paired with a PDU. A broadcast search hands back one
// per responding device (its address and message header in the target, its
// answer in the PDU); the codec also takes a packet as one whole message.
#pragma once

#include "core/pms_pdu.h"
#include "core/pms_snmp_target.h"

// IPmsSnmpPacket, in slot order. Either part may be absent.
class IPmsSnmpPacket {
 public:
  virtual void release() = 0;                                        // slot 0
  // Copies target and PDU.
  virtual IPmsSnmpPacket* clone(int* err) const = 0;                 // slot 1
  // PDUs equal (or both absent) and targets equal (or both absent).
  virtual bool equals(const IPmsSnmpPacket& other) const = 0;        // slot 2
  // Adopt, releasing the old part.
  virtual void set_target(IPmsSnmpTarget* target) = 0;               // slot 3
  virtual void set_pdu(IPmsPdu* pdu) = 0;                            // slot 4
  // Hand the part out and forget it.
  virtual IPmsSnmpTarget* detach_target() = 0;                       // slot 5
  virtual IPmsPdu* detach_pdu() = 0;                                 // slot 6
  // Lend the part.
  virtual IPmsSnmpTarget* get_target() const = 0;                    // slot 7
  virtual IPmsPdu* get_pdu() const = 0;                              // slot 8

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
