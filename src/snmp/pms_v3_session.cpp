#include "snmp/pms_v3_session.h"

#include <new>

#include "log/pmc_log.h"
#include "snmp/pms_v3_library.h"

namespace {

// Codes with which the broadcast skips an engine and goes on to the next.
bool skips_engine(int rc) {
  return rc == PMC_E_MALFORMED || rc == PMC_E_SECURITY || rc == PMC_E_RECEIVE || rc == PMC_E_TIMEOUT;
}

// A copy of `target` aimed at one discovered engine: its address (with the
// port it answered from) and its engine id.
int clone_for_engine(const IPmsSnmpTarget& target, const IPmsSnmpTarget& engine, PmcPtr<IPmsSnmpTarget>* out) {
  int err = PMC_OK;
  PmcPtr<IPmsSnmpTarget> clone(target.clone(&err));
  if (!clone) return err;
  IPmsUsmTarget* usm = pms_usm_of(clone.get());
  const IPmsUsmTarget* found = pms_usm_of(&engine);
  if (usm == nullptr || found == nullptr || engine.get_address() == nullptr) return PMC_E_ARG;
  int rc = clone->set_address(engine.get_address());
  const IPmcText* engine_id = found->get_engine_id();
  if (rc == PMC_OK) rc = usm->set_engine_id(engine_id->c_str(), engine_id->length());
  if (rc != PMC_OK) return rc;
  *out = std::move(clone);
  return PMC_OK;
}

// The same rule as SNMPv1's: a negative time-out or retry count is refused
// before anything is sent (the library would read -1 retries as its own
// default). A community target is refused later, as not for this session.
bool timing_refused(const IPmsSnmpTarget& target) {
  return target.uses_usm() && (target.get_timeout() < 0 || target.get_retries() < 0);
}

}  // namespace

v3RequestSession* pms_create_v3_request_session(int* err) { return pmc_make<v3RequestSession>(err); }

int v3RequestSession::send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  PMC_TRACE(g_logSnmp, "v3RequestSession::send_sync(IPmsSnmpPacket*)");
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  return send_sync_internal(pdu, target);
}

int v3RequestSession::send_sync(IPmsSnmpPacket* packet) {
  PMC_TRACE(g_logSnmp, "v3RequestSession::send_sync(IPmsSnmpPacket*)");
  if (packet == nullptr || packet->get_pdu() == nullptr || packet->get_target() == nullptr) return PMC_E_ARG;
  return send_sync_internal(packet->get_pdu(), packet->get_target());
}

int v3RequestSession::send_sync_internal(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  PMC_TRACE(g_logSnmp, "v3RequestSession::send_sync_internal(IPmsPdu*, IPmsSnmpTarget*)");
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  if (timing_refused(*target)) return PMC_E_ARG;
  // A library callback that called back in would wait for its own lock.
  if (pms_snmp_library_locked_here()) return PMC_E_UNSUPPORTED;
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_pChannel) {
    m_pChannel.reset(new (std::nothrow) CPmsV3Channel());
    if (!m_pChannel) return PMC_E_NOMEM;
  }
  return m_pChannel->exchange(pdu, target);
}

int v3RequestSession::send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) {
  PMC_TRACE(g_logSnmp, "v3RequestSession::send_broad_cast_sync(IPmsSnmpPacket*, IPmsSnmpPacketList**)");
  if (packet == nullptr) return PMC_E_ARG;
  return send_broad_cast_sync(packet->get_pdu(), packet->get_target(), out);
}

int v3RequestSession::send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) {
  PMC_TRACE(g_logSnmp, "v3RequestSession::send_broad_cast_sync(IPmsPdu*, IPmsSnmpTarget*, IPmsSnmpPacketList**)");
  if (pdu == nullptr || target == nullptr || out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  if (timing_refused(*target)) return PMC_E_ARG;
  PmsV3EngineList engines;
  std::vector<PmsV3EngineTime> times;
  int rc = get_engine_id_broad_cast(target, &engines, &times);
  if (rc != PMC_OK) return rc;
  int err = PMC_OK;
  PmcPtr<IPmsSnmpPacketList> packets(pmc_create_packet_list(&err));
  if (!packets) return err;
  rc = send_to_engines(pdu, target, engines, times, packets.get());
  if (rc != PMC_OK) return rc;
  *out = packets.release();
  return PMC_OK;
}

int v3RequestSession::get_engine_id_broad_cast(IPmsSnmpTarget* target, PmsV3EngineList* engines,
                                               std::vector<PmsV3EngineTime>* times) {
  PMC_TRACE_FUNCTION(g_logSnmp);
  if (target == nullptr || engines == nullptr) return PMC_E_ARG;
  if (pms_snmp_library_locked_here()) return PMC_E_UNSUPPORTED;
  CPmsV3Channel channel;
  return channel.discover_all(target, engines, times);
}

int v3RequestSession::send_to_engines(IPmsPdu* pdu, IPmsSnmpTarget* target, const PmsV3EngineList& engines,
                                      const std::vector<PmsV3EngineTime>& times, IPmsSnmpPacketList* packets) {
  for (size_t i = 0; i < engines.size(); ++i) {
    const PmcPtr<IPmsSnmpTarget>& engine = engines[i];
    PmcPtr<IPmsSnmpTarget> engine_target;
    int rc = clone_for_engine(*target, *engine, &engine_target);
    if (rc != PMC_OK) return rc;
    int err = PMC_OK;
    PmcPtr<IPmsPdu> engine_pdu(pdu->clone(&err));
    if (!engine_pdu) return err;

    // Each engine on a channel of its own, with the time its discovery
    // answer carried.
    CPmsV3Channel channel;
    const IPmcText* id = pms_usm_of(engine_target.get())->get_engine_id();
    if (i < times.size() && id != nullptr) {
      try {
        channel.seed(std::string(id->c_str(), id->length()), times[i]);
      } catch (...) {
        return PMC_E_NOMEM;
      }
    }
    rc = channel.exchange(engine_pdu.get(), engine_target.get());
    if (skips_engine(rc)) {
      PMC_LOG(g_logSnmp, PMC_LOG_WARN, "engine at %s skipped: %d", engine->get_address()->c_str(), rc);
      continue;
    }
    if (rc != PMC_OK) return rc;
    PmcPtr<IPmsSnmpPacket> packet(pms_create_snmp_packet(&err));
    if (!packet) return err;
    packet->set_pdu(engine_pdu.release());
    packet->set_target(engine_target.release());
    rc = packets->push_back(packet.release());
    if (rc != PMC_OK) return rc;
  }
  return PMC_OK;
}
