#include "snmp/pms_v3_session.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>

#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "log/pmc_log.h"
#include "net/pmc_socket_api.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_mapping.h"
#include "snmp/pms_v3_response_converter.h"
#include "snmp/pms_v3_session_builder.h"

namespace {

IPmcLogger* slog() { return g_logSnmp.logger(); }

// Codes with which the broadcast skips an engine and goes on to the next.
bool skips_engine(int rc) {
  return rc == PMC_E_MALFORMED || rc == PMC_E_SECURITY || rc == PMC_E_RECEIVE || rc == PMC_E_TIMEOUT;
}

// Sends a PDU that expects no answer (an SNMPv2 trap): waiting for one
// would never end.
int send_without_answer(CPmsV3SessionBuilder& builder) {
  snmp_pdu* pdu = builder.take_pdu();
  if (snmp_sess_send(builder.session_handle(), pdu) == 0) {
    snmp_free_pdu(pdu);
    return pms_v3_map_library_error(pms_v3_report_error("snmp_send", builder.session_handle(), nullptr));
  }
  return PMC_OK;
}

// Discovery sends to a broadcast address, which the library's IPv4 socket
// only does once it is allowed to (the kernel refuses with EACCES).
void allow_broadcast(void* session_handle, const IPmsSnmpTarget& target) {
  const IPmcNetworkAddress* address = target.get_address();
  if (address == nullptr || address->get_protocol() != IPmcNetworkAddress::PROTOCOL_IPV4) return;
  netsnmp_transport* transport = snmp_sess_transport(session_handle);
  if (transport == nullptr || transport->sock < 0) return;
  int on = 1;
  if (NPmcSocketAPI::api().m_pSetsockopt(transport->sock, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) {
    slog()->log(PMC_LOG_WARN, "fail setsockopt(). can't set broadcast flag. errno=%d", NPmcSocketAPI::last_error());
  }
}

// Appends an engine for the sender of `pdu` unless its address is known.
void collect_engine(PmsV3EngineList& engines, const snmp_pdu& pdu) {
  int err = PMC_OK;
  PmcPtr<IPmcNetworkAddress> sender(pms_v3_sender_address(pdu.transport_data, pdu.transport_data_length, &err));
  if (!sender) return;
  const char* text = sender->c_str();
  size_t length = std::strlen(text);
  for (const PmcPtr<IPmsSnmpTarget>& engine : engines) {
    const IPmcNetworkAddress* known = engine->get_address();
    if (known != nullptr && std::strlen(known->c_str()) == length && std::memcmp(known->c_str(), text, length) == 0) {
      return;  // this engine answered before
    }
  }
  PmcPtr<IPmsSnmpTarget> engine(pms_create_usm_target(&err));
  IPmsUsmTarget* usm = pms_usm_of(engine.get());
  if (usm == nullptr || engine->set_address(sender.get()) != PMC_OK ||
      usm->set_engine_id(pdu.securityEngineID, pdu.securityEngineIDLen) != PMC_OK) {
    return;
  }
  try {
    engines.push_back(std::move(engine));
  } catch (...) {
    // Out of memory: this engine is left out; the library must not see an exception.
  }
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

}  // namespace

v3RequestSession* pms_create_v3_request_session(int* err) { return pmc_make<v3RequestSession>(err); }

// ---------------------------------------------------------------------------
// Outer operations: each one inside the library's set-up and tear-down
// ---------------------------------------------------------------------------

int v3RequestSession::send_sync(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  CPmcTraceScope trace("v3RequestSession::send_sync(IPmsSnmpPacket*)", slog());
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  CPmsSnmpLibraryScope library;
  if (library.result() != PMC_OK) return library.result();
  return send_sync_internal(pdu, target);
}

int v3RequestSession::send_sync(IPmsSnmpPacket* packet) {
  CPmcTraceScope trace("v3RequestSession::send_sync(IPmsSnmpPacket*)", slog());
  if (packet == nullptr || packet->get_pdu() == nullptr || packet->get_target() == nullptr) return PMC_E_ARG;
  CPmsSnmpLibraryScope library;
  if (library.result() != PMC_OK) return library.result();
  return send_sync_internal(packet->get_pdu(), packet->get_target());
}

int v3RequestSession::send_broad_cast_sync(IPmsSnmpPacket* packet, IPmsSnmpPacketList** out) {
  CPmcTraceScope trace("v3RequestSession::send_broad_cast_sync(IPmsSnmpPacket*, IPmsSnmpPacketList**)", slog());
  if (packet == nullptr) return PMC_E_ARG;
  return send_broad_cast_sync(packet->get_pdu(), packet->get_target(), out);
}

int v3RequestSession::send_broad_cast_sync(IPmsPdu* pdu, IPmsSnmpTarget* target, IPmsSnmpPacketList** out) {
  CPmcTraceScope trace("v3RequestSession::send_broad_cast_sync(IPmsPdu*, IPmsSnmpTarget*, IPmsSnmpPacketList**)",
                       slog());
  if (pdu == nullptr || target == nullptr || out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  CPmsSnmpLibraryScope library;
  if (library.result() != PMC_OK) return library.result();

  PmsV3EngineList engines;
  int rc = get_engine_id_broad_cast(target, &engines);
  if (rc != PMC_OK) return rc;
  int err = PMC_OK;
  PmcPtr<IPmsSnmpPacketList> packets(pmc_create_packet_list(&err));
  if (!packets) return err;
  rc = send_to_engines(pdu, target, engines, packets.get());
  if (rc != PMC_OK) return rc;
  *out = packets.release();
  return PMC_OK;
}

int v3RequestSession::send_to_engines(IPmsPdu* pdu, IPmsSnmpTarget* target, const PmsV3EngineList& engines,
                                      IPmsSnmpPacketList* packets) {
  for (const PmcPtr<IPmsSnmpTarget>& engine : engines) {
    PmcPtr<IPmsSnmpTarget> engine_target;
    int rc = clone_for_engine(*target, *engine, &engine_target);
    if (rc != PMC_OK) return rc;
    int err = PMC_OK;
    PmcPtr<IPmsPdu> engine_pdu(pdu->clone(&err));
    if (!engine_pdu) return err;

    rc = send_sync_internal(engine_pdu.get(), engine_target.get());
    if (skips_engine(rc)) continue;
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

// ---------------------------------------------------------------------------
// Inner operations
// ---------------------------------------------------------------------------

int v3RequestSession::send_sync_internal(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  CPmcTraceScope trace("v3RequestSession::send_sync_internal(IPmsPdu*, IPmsSnmpTarget*)", slog());
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  CPmsV3SessionBuilder builder;
  pdu->set_request_id(pms_next_request_id());

  int rc = builder.open(target);
  if (rc == PMC_OK) rc = builder.build_pdu(pdu);
  if (rc != PMC_OK) return rc;
  // The request goes out with the PDU's own request-id (the library's send
  // reads 0 as a failure, so that one id keeps the library's).
  if (pdu->get_request_id() != 0) builder.pdu()->reqid = pdu->get_request_id();
  if (builder.pdu()->command == SNMP_MSG_TRAP2) return send_without_answer(builder);

  snmp_pdu* response = nullptr;
  int status = snmp_sess_synch_response(builder.session_handle(), builder.take_pdu(), &response);
  int result = PMC_OK;
  if (status != PMS_V3_STAT_SUCCESS) {
    int library_errno = pms_v3_report_error("snmp_synch_response", builder.session_handle(), nullptr);
    result = pms_v3_map_status(status, library_errno);
  }
  if (response == nullptr) return result != PMC_OK ? result : PMC_E_RECEIVE;
  // A response that came with an error (a report) still updates PDU and target.
  CPmsV3ResponseConverter converter(response);
  rc = converter.convert(pdu, target);
  snmp_free_pdu(response);
  return result != PMC_OK ? result : rc;
}

int v3RequestSession::get_engine_id_broad_cast(IPmsSnmpTarget* target, PmsV3EngineList* engines) {
  CPmcTraceScope trace("v3RequestSession::get_engine_id_broad_cast", slog());
  if (target == nullptr || engines == nullptr) return PMC_E_ARG;
  CPmsV3SessionBuilder builder(true);
  int err = PMC_OK;
  PmcPtr<IPmsPdu> pdu(pms_create_pdu(&err));
  if (!pdu) return err;
  pdu->set_request_id(pms_next_request_id());

  int rc = builder.open(target);
  if (rc == PMC_OK) rc = builder.build_pdu(pdu.get());
  if (rc != PMC_OK) return rc;
  snmp_session* session = builder.session();
  session->flags |= SNMP_FLAGS_DONT_PROBE;
  session->myvoid = engines;  // where broadcast_callback collects
  allow_broadcast(builder.session_handle(), *target);

  snmp_pdu* response = nullptr;
  int status = snmp_sess_synch_response_cb(builder.session_handle(), builder.take_pdu(), &response, broadcast_callback);
  rc = PMC_OK;
  if (status != PMS_V3_STAT_SUCCESS) {
    int library_errno = pms_v3_report_error("snmp_sess_synch_response_cb", builder.session_handle(), nullptr);
    rc = pms_v3_map_status(status, library_errno);
  }
  if (response != nullptr) snmp_free_pdu(response);
  session->myvoid = nullptr;
  // The time-out is how discovery ends, with or without answers.
  return rc == PMC_E_TIMEOUT ? PMC_OK : rc;
}

int v3RequestSession::snmp_sess_synch_response_cb(void* session_handle, snmp_pdu* pdu, snmp_pdu** response,
                                                  Callback callback) {
  if (callback == nullptr) return snmp_sess_synch_response(session_handle, pdu, response);
  snmp_session* session = snmp_sess_session(session_handle);
  if (session == nullptr || response == nullptr) {
    snmp_free_pdu(pdu);
    return PMS_V3_STAT_ERROR;
  }
  snmp_callback saved_callback = session->callback;
  void* saved_magic = session->callback_magic;
  synch_state state{};
  session->callback = callback;
  session->callback_magic = &state;

  state.reqid = snmp_sess_send(session_handle, pdu);
  if (state.reqid == 0) {
    snmp_free_pdu(pdu);
    state.status = STAT_ERROR;
  } else {
    state.waiting = 1;
  }

  netsnmp_large_fd_set fds;
  netsnmp_large_fd_set_init(&fds, FD_SETSIZE);
  while (state.waiting) {
    int count_fds = 0;
    int block = NETSNMP_SNMPBLOCK;
    struct timeval timeout {};
    NETSNMP_LARGE_FD_ZERO(&fds);
    snmp_sess_select_info2_flags(session_handle, &count_fds, &fds, &timeout, &block, NETSNMP_SELECT_NOALARMS);
    if (block == 1) {
      // Nothing outstanding that could time out: waiting would never end.
      state.waiting = 0;
      state.status = STAT_TIMEOUT;
      session->s_snmp_errno = SNMPERR_TIMEOUT;
      break;
    }
    int ready = netsnmp_large_fd_set_select(count_fds, &fds, nullptr, nullptr, &timeout);
    if (ready > 0) {
      snmp_sess_read2(session_handle, &fds);
    } else if (ready == 0) {
      snmp_sess_timeout(session_handle);
    } else if (errno != EINTR) {
      session->s_snmp_errno = SNMPERR_GENERR;
      session->s_errno = errno;
      snmp_set_detail(strerror(errno));
      state.status = STAT_ERROR;
      state.waiting = 0;
    }
  }
  netsnmp_large_fd_set_cleanup(&fds);

  session->callback = saved_callback;
  session->callback_magic = saved_magic;
  *response = state.pdu;
  return state.status;
}

int v3RequestSession::broadcast_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu,
                                         void* magic) {
  CPmcTraceScope trace("broadcast_callback", slog());
  auto* state = static_cast<synch_state*>(magic);
  if (session == nullptr || state == nullptr) return 1;
  if (request_id != state->reqid && pdu != nullptr && pdu->command != SNMP_MSG_REPORT) return 1;
  auto* engines = static_cast<PmsV3EngineList*>(session->myvoid);

  switch (operation) {
    case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE:
      if (pdu != nullptr && engines != nullptr) collect_engine(*engines, *pdu);
      // Not handled: the request stays outstanding, so the other engines'
      // answers and the time-out that ends discovery still arrive.
      return 0;
    case NETSNMP_CALLBACK_OP_TIMED_OUT:
      state->waiting = 0;
      if (engines == nullptr || engines->empty()) {
        state->status = STAT_TIMEOUT;
        session->s_snmp_errno = SNMPERR_TIMEOUT;
      }
      break;
    case NETSNMP_CALLBACK_OP_DISCONNECT:
      state->waiting = 0;
      state->pdu = nullptr;
      state->status = STAT_ERROR;
      session->s_snmp_errno = SNMPERR_ABORT;
      break;
    default:
      break;
  }
  return 1;
}
