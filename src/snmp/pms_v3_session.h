// v3RequestSession: SNMPv3 requests with the user-based security model,
// carried by Net-SNMP.
//
// The session holds nothing between calls. Each call runs inside one
// CPmsSnmpLibraryScope (snmp/pms_v3_library.h): the library is set up, a
// library session and PDU are built from the target and the IPmsPdu
// (CPmsV3SessionBuilder), the library secures, sends, retransmits and parses
// the messages, the response is turned back into the PDU and the target
// (CPmsV3ResponseConverter), and the library is shut down again. Keys are
// derived anew for every call.
//
// A broadcast first discovers the authoritative engines that answer an
// engine-discovery request on the broadcast address (each engine once, in
// order of first answer, until the time-out), then sends the request to
// each engine in turn and hands out one packet per engine that answered.
//
// Result codes: 0; -2 bad argument or setting; -3 memory; -5 a community
// target, a PDU type this path does not send, a value kind the library
// cannot carry; -10 a value type without a value kind, the library missing;
// -200 a library error without a mapping; -203 time-out; -204 no response
// or receive failure; -205 send failure; -214 SNMPv3 security error; -250
// malformed message; -299 a response command without a PDU type.
//
// Every message goes to the log category "snmp".
#pragma once

#include <cstdint>
#include <vector>

#include "core/pmc_object.h"
#include "core/pmc_object_list.h"
#include "core/pms_pdu.h"
#include "core/pms_snmp_packet.h"
#include "core/pms_snmp_target.h"
#include "snmp/pms_session.h"

struct snmp_session;
struct snmp_pdu;

// The engines found by discovery: one SNMPv3 target per answering address
// (the address with port 0, the engine id), in order of first answer.
using PmsV3EngineList = std::vector<PmcPtr<IPmsSnmpTarget>>;

class v3RequestSession final : public IPmsSession, public CPmcObject {
 public:
  // The signature of the library's message callbacks.
  using Callback = int (*)(int operation, snmp_session* session, int request_id, snmp_pdu* pdu, void* state);

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

  // --- inner steps (the caller holds a CPmsSnmpLibraryScope) ---

  // One exchange without the library set-up around it.
  int send_sync_internal(IPmsPdu* pdu, IPmsSnmpTarget* target);
  // Discovers the engines that answer on the target's address and appends
  // one SNMPv3 target per engine to `engines`. Nobody answering is not an
  // error.
  int get_engine_id_broad_cast(IPmsSnmpTarget* target, PmsV3EngineList* engines);
  // Like the library's synchronous exchange, with the message callback
  // chosen by the caller (the library's own when null). Returns the
  // library status: 0 success, 1 error (the session holds the library
  // error), 2 time-out.
  static int snmp_sess_synch_response_cb(void* session_handle, snmp_pdu* pdu, snmp_pdu** response,
                                         Callback callback);
  // The message callback of engine discovery: collects one target per
  // sending address into the engine list kept in the session's user data.
  // Keeps the discovery request outstanding, so that every engine's answer
  // and finally the time-out still arrive.
  static int broadcast_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu, void* state);

 protected:
  ~v3RequestSession() override = default;

 private:
  // The exchange for every engine in `engines`, collecting the packets.
  int send_to_engines(IPmsPdu* pdu, IPmsSnmpTarget* target, const PmsV3EngineList& engines,
                      IPmsSnmpPacketList* packets);
};

// Creates the session; -3 when memory runs out.
v3RequestSession* pms_create_v3_request_session(int* err);
