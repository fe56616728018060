// v3RequestSession: SNMPv3 requests with the user-based security model,
// carried by Net-SNMP.
//
// One session serves one operation (the request objects make one
// dispatcher, and so one session, per Get, Set, whole walk or search). It
// keeps one CPmsV3Channel (snmp/pms_v3_channel.h) for the operation: the
// library session is opened once and every request of the operation goes
// through it, with the operation's own user and the engine's boots and
// time learnt by the discovery or the answers before. The library is set
// up once per process; its lock is held only while the library works, not
// while a request waits for its answer, so sessions of different threads
// run at the same time. Keys are derived once per pass phrase and kept
// (snmp/pms_v3_key_cache.h); the engine found at an address is kept for
// later operations (snmp/pms_v3_engine.h).
//
// A broadcast first discovers the authoritative engines that answer an
// engine-discovery request on the broadcast address (each engine once, in
// order of first answer, until the time-out), then sends the request to
// each engine in turn and hands out one packet per engine that answered.
//
// Result codes: 0; -2 bad argument or setting (a pass phrase of 1 to 7
// characters too, before anything is sent); -3 memory; -5 a community
// target, a PDU type this path does not send, a value kind the library
// cannot carry, or a call from inside the library's own callbacks; -10 a
// value type without a value kind, the library missing; -200 a library
// error without a mapping; -203 time-out; -204 no response or receive
// failure; -205 send failure; -214 SNMPv3 security error (the agent refused
// the user, its keys, its level or the engine id); -250 malformed message;
// -299 a response command without a PDU type.
//
// Every message goes to the log category "snmp".
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "base/pmc_object.h"
#include "base/pmc_object_list.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_packet.h"
#include "protocol/pms_snmp_target.h"
#include "snmp/pms_session.h"
#include "snmp/pms_v3_channel.h"

class v3RequestSession final : public IPmsSession, public CPmcObject {
 public:
  v3RequestSession() = default;

  void release() override { destroy(); }
  // One request and its response, which overwrites `pdu` and updates
  // `target` (user, level, context, sender address, engine id).
  int send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) override;
  // The same with the PDU and target of `packet`, which keeps both.
  int send_sync(IPmsSnmpPacket* packet) override;
  // Engine discovery on the target's (broadcast) address, then the request
  // to every engine found; one packet (target, response) per engine that
  // answered. Engines that time out, answer with a security error or a
  // malformed message are skipped; any other failure ends the broadcast.
  int send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) override;
  int send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) override;

  // --- inner steps ---

  // One exchange on the session's channel.
  int send_sync_internal(IPmsPdu* pdu, IPmsSnmpTarget* target);
  // Discovers the engines that answer on the target's address and appends
  // one SNMPv3 target per engine to `engines` (their boots and time to
  // `times` when not null). Nobody answering is not an error.
  int get_engine_id_broad_cast(IPmsSnmpTarget* target, PmsV3EngineList* engines,
                               std::vector<PmsV3EngineTime>* times = nullptr);

  // The channel of the operation (null before the first exchange).
  const CPmsV3Channel* channel() const { return m_pChannel.get(); }

 protected:
  ~v3RequestSession() override = default;

 private:
  // The exchange for every engine in `engines`, collecting the packets.
  int send_to_engines(IPmsPdu* pdu, IPmsSnmpTarget* target, const PmsV3EngineList& engines,
                      const std::vector<PmsV3EngineTime>& times, IPmsSnmpPacketList* packets);

  std::unique_ptr<CPmsV3Channel> m_pChannel;
  std::mutex m_lock;  // one exchange of this session at a time
};

// Creates the session; -3 when memory runs out.
v3RequestSession* pms_create_v3_request_session(int* err);
