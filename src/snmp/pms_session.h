// IPmsSession: what the session dispatcher asks of a protocol session. Two
// sessions implement it: RequestSession (SNMPv1/SNMPv2c with a community,
// the library's own codec and transport) and v3RequestSession (SNMPv3 with
// the user-based security model, through Net-SNMP). Slot order is part of
// the contract.
#pragma once

#include "base/pmc_object_list.h"

class IPmsPdu;
class IPmsSnmpTarget;
class IPmsSnmpPacket;

class IPmsSession {
 public:
  virtual void release() = 0;
  // One request-response exchange; the response overwrites the PDU.
  virtual int send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) = 0;
  virtual int send_sync(IPmsSnmpPacket* packet) = 0;
  // Sends one request to a broadcast or multicast address and hands out one
  // packet (responder's target + response PDU) per responding device.
  virtual int send_broad_cast_sync(IPmsSnmpPacket* packet,
                                   IPmsSnmpPacketList** out) = 0;
  virtual int send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target,
                                   IPmsSnmpPacketList** out) = 0;

 protected:
  virtual ~IPmsSession() = default;
};
