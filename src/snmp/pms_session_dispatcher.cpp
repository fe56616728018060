#include "snmp/pms_session_dispatcher.h"

#include "log/pmc_log.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_v3_session.h"

SessionDispatcher* pmc_create_session_dispatcher(int* err) { return pmc_make<SessionDispatcher>(err); }

SessionDispatcher::~SessionDispatcher() {
  m_pV3Session.reset();
  m_pRequestSession.reset();
}

int SessionDispatcher::kind_of(const IPmsSnmpTarget* target, Kind* kind) {
  if (target == nullptr) return PMC_E_ARG;
  int32_t version = target->get_version();
  if (target->uses_usm()) {
    if (version != PMS_VERSION_V3) return PMC_E_ARG;
    *kind = Kind::kUsm;
    return PMC_OK;
  }
  if (version != PMS_VERSION_V1 && version != PMS_VERSION_V2C) return PMC_E_ARG;
  *kind = Kind::kCommunity;
  return PMC_OK;
}

IPmsSession* SessionDispatcher::create_session(Kind kind, int* err) {
  if (kind == Kind::kCommunity) return pmc_make<RequestSession>(err);
  return pms_create_v3_request_session(err);
}

IPmsSession* SessionDispatcher::session_for(const IPmsSnmpTarget* target, int* err) {
  Kind kind = Kind::kCommunity;
  int rc = kind_of(target, &kind);
  if (rc != PMC_OK) {
    pmc_set_err(err, rc);
    return nullptr;
  }
  PmcPtr<IPmsSession>& slot = kind == Kind::kCommunity ? m_pRequestSession : m_pV3Session;
  pmc_set_err(err, PMC_OK);
  // Creation is serialised, so two first uses never make two sessions.
  std::lock_guard<std::mutex> lock(m_lock);
  if (!slot) slot.reset(create_session(kind, err));
  return slot.get();
}

int SessionDispatcher::send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  IPmsSession* session = session_for(target, &rc);
  return session == nullptr ? rc : session->send_sync(pdu, target);
}

int SessionDispatcher::send_sync(IPmsSnmpPacket* packet) {
  if (packet == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  IPmsSession* session = session_for(packet->get_target(), &rc);
  return session == nullptr ? rc : session->send_sync(packet);
}

int SessionDispatcher::send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) {
  if (packet == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  IPmsSession* session = session_for(packet->get_target(), &rc);
  return session == nullptr ? rc : session->send_broad_cast_sync(packet, out);
}

int SessionDispatcher::send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) {
  PMC_TRACE_FUNCTION(g_logSnmp);
  if (pdu == nullptr || target == nullptr || out == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  IPmsSession* session = session_for(target, &rc);
  return session == nullptr ? rc : session->send_broad_cast_sync(pdu, target, out);
}
