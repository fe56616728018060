// SessionDispatcher: the entry point of the protocol engine for the request
// objects. It hands each call to the session that fits the target:
// RequestSession for SNMPv1 and SNMPv2c with a community, the SNMPv3 session
// for a target of the user-based security model. It owns both sessions,
// creates each on first need and releases them with itself.
//
// The request objects make one dispatcher per operation (one Get, one Set,
// one whole walk, one search), so every operation runs on fresh sessions.
// Only the lazy creation of the sessions is locked; one dispatcher serves
// one exchange at a time.
#pragma once

#include <mutex>

#include "base/pmc_object.h"
#include "protocol/pms_snmp_target.h"
#include "snmp/pms_session.h"

class SessionDispatcher final : public IPmsSession, public CPmcObject {
 public:
  SessionDispatcher() = default;

  void release() override { destroy(); }
  int send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) override;
  int send_sync(IPmsSnmpPacket* packet) override;
  int send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) override;
  int send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) override;

  // The session that serves `target`, created on first need (lent; the
  // dispatcher keeps it). -2 for a null target or a version that does not
  // fit the target's kind; -3 when the session cannot be created.
  IPmsSession* session_for(const IPmsSnmpTarget* target, int* err);

  // The sessions made so far (lent), null before their first use.
  IPmsSession* request_session() const { return m_pRequestSession.get(); }
  IPmsSession* v3_session() const { return m_pV3Session.get(); }

 protected:
  // The SNMPv3 session goes first, then the community session.
  ~SessionDispatcher() override;

 private:
  // Which session a target needs.
  enum class Kind { kCommunity, kUsm };

  static int kind_of(const IPmsSnmpTarget* target, Kind* kind);
  // Creates the session of `kind`.
  static IPmsSession* create_session(Kind kind, int* err);

  PmcPtr<IPmsSession> m_pRequestSession;
  PmcPtr<IPmsSession> m_pV3Session;
  std::mutex m_lock;  // guards the creation of the two sessions
};

// A dispatcher without sessions; -3 when memory is exhausted.
SessionDispatcher* pmc_create_session_dispatcher(int* err);
