#include "snmp/pms_v3_channel.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "log/pmc_log.h"
#include "platform/pmc_platform.h"
#include "net/pmc_socket_api.h"
#include "snmp/pms_request_count.h"
#include "snmp/pms_request_session.h"
#include "snmp/pms_v3_library.h"
#include "snmp/pms_v3_mapping.h"
#include "snmp/pms_v3_response_converter.h"
#include "snmp/pms_v3_session_builder.h"

namespace {

u_char* bytes_of(const std::string& text) { return reinterpret_cast<u_char*>(const_cast<char*>(text.data())); }

// Replaces the engine id fields of the session record by a copy of `id`
// (none when empty). False when memory runs out (the fields are empty then).
bool set_engine_fields(snmp_session* s, const std::string& id) {
  SNMP_FREE(s->securityEngineID);
  SNMP_FREE(s->contextEngineID);
  s->securityEngineIDLen = 0;
  s->contextEngineIDLen = 0;
  if (id.empty()) return true;
  s->securityEngineID = static_cast<u_char*>(std::malloc(id.size()));
  s->contextEngineID = static_cast<u_char*>(std::malloc(id.size()));
  if (s->securityEngineID == nullptr || s->contextEngineID == nullptr) {
    SNMP_FREE(s->securityEngineID);
    SNMP_FREE(s->contextEngineID);
    return false;
  }
  std::memcpy(s->securityEngineID, id.data(), id.size());
  std::memcpy(s->contextEngineID, id.data(), id.size());
  s->securityEngineIDLen = s->contextEngineIDLen = id.size();
  return true;
}

// Discovery sends to a broadcast address, which the library's IPv4 socket
// only does once it is allowed to (the kernel refuses with EACCES).
void allow_broadcast(void* session_handle, const IPmsSnmpTarget& target) {
  const IPmcNetworkAddress* address = target.get_address();
  if (address == nullptr || address->get_protocol() != IPmcNetworkAddress::PROTOCOL_IPV4) return;
  netsnmp_transport* transport = snmp_sess_transport(session_handle);
  if (transport == nullptr || transport->sock < 0) return;
  int on = 1;
  if (NPmcSocketAPI::api().m_pSetsockopt(static_cast<PmcSocket>(transport->sock), SOL_SOCKET, SO_BROADCAST,
                                         reinterpret_cast<const char*>(&on), sizeof(on)) != 0) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "fail setsockopt(). can't set broadcast flag. errno=%d",
            NPmcSocketAPI::last_error());
  }
}

// The result of an exchange that ended with the library status `status`.
int result_of(int status, int library_error, bool report) {
  // Every report refusing the request is a security error; the table maps
  // an unknown engine id as a receive failure, which is what it means in
  // the library's own engine probe, not in an answer to a request.
  if (report && library_error == SNMPERR_UNKNOWN_ENG_ID) return PMC_E_SECURITY;
  return pms_v3_map_status(status, library_error);
}

}  // namespace

// The state of one wait, shared with the library callbacks.
struct CPmsV3Channel::Wait {
  explicit Wait(CPmsV3Channel* owner) : channel(owner) { netsnmp_large_fd_set_init(&fds, FD_SETSIZE); }
  ~Wait() {
    netsnmp_large_fd_set_cleanup(&fds);
    if (response != nullptr) snmp_free_pdu(response);
  }
  Wait(const Wait&) = delete;
  Wait& operator=(const Wait&) = delete;

  CPmsV3Channel* channel;
  int reqid = 0;
  bool waiting = false;
  int status = STAT_SUCCESS;
  int library_error = 0;
  snmp_pdu* response = nullptr;  // a copy of the answer, ours to free
  bool authenticated = false;    // the answer passed the user's authentication
  bool report = false;           // the agent answered with a report
  bool refused = false;          // an answer for the user failed its authentication
  Outcome outcome = Outcome::kDone;
  // Ended while the library may still hold the request.
  bool abandoned = false;

  // Discovery: every engine (all) or the first.
  bool discovery = false;
  bool all = false;
  PmsV3EngineList* engines = nullptr;
  std::vector<PmsV3EngineTime>* times = nullptr;
  std::string engine;
  PmsV3EngineTime time;

  // The datagram being read.
  bool peeked = false;
  PmsV3Header header;

  // The next wait: milliseconds, and whether anything is outstanding.
  int timeout_ms = 0;
  bool outstanding = false;
  netsnmp_large_fd_set fds;
};

// Holds the library lock and lends the channel's user and engine time to
// the library for as long as it lives.
class CPmsV3Channel::Entered {
 public:
  explicit Entered(CPmsV3Channel& channel) : m_channel(channel) {
    if (m_library.result() == PMC_OK) m_channel.enter_locked();
  }
  ~Entered() {
    if (m_library.result() == PMC_OK) m_channel.leave_locked();
  }
  Entered(const Entered&) = delete;
  Entered& operator=(const Entered&) = delete;
  int result() const { return m_library.result(); }

 private:
  CPmsSnmpLibraryScope m_library;
  CPmsV3Channel& m_channel;
};

CPmsV3Channel::~CPmsV3Channel() { close(); }

void CPmsV3Channel::enter_locked() {
  if (m_pUser != nullptr) usm_add_user(m_pUser);
  if (!m_engineId.empty()) {
    m_time.now(&m_lentBoots, &m_lentTime);
    set_enginetime(bytes_of(m_engineId), m_engineId.size(), m_lentBoots, m_lentTime, TRUE);
  }
}

void CPmsV3Channel::leave_locked() {
  if (!m_engineId.empty()) {
    u_int boots = 0;
    u_int estimate = 0;
    u_int received = 0;
    // The library writes the entry only for an authenticated message that
    // moved boots or time on.
    if (get_enginetime_ex(bytes_of(m_engineId), m_engineId.size(), &boots, &estimate, &received, TRUE) ==
            SNMPERR_SUCCESS &&
        (boots != m_lentBoots || received != m_lentTime)) {
      m_time.set(boots, received, true);
    }
    set_enginetime(bytes_of(m_engineId), m_engineId.size(), 0, 0, TRUE);
  }
  if (m_pUser != nullptr) usm_remove_user(m_pUser);
  // The library enters users of its own accord too (learning an engine
  // from a report, say). Whatever is in the list now came from this call:
  // only the discovery user stays.
  for (struct usmUser* user = usm_get_userList(); user != nullptr;) {
    struct usmUser* next = user->next;
    const bool discovery = user->engineIDLen == 0 && user->name != nullptr && user->name[0] == '\0';
    if (!discovery) {
      PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "CPmsV3Channel: the library's own entry of %s removed",
              user->name != nullptr ? user->name : "");
      usm_remove_user(user);
      usm_free_user(user);
    }
    user = next;
  }
}

void CPmsV3Channel::close() {
  if (m_pSession != nullptr || m_pUser != nullptr) {
    CPmsSnmpLibraryScope library;
    if (library.result() != PMC_OK) {
      // Without the lock the library must not be touched: what the channel
      // holds is lost rather than freed under another thread's feet.
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "CPmsV3Channel::close(): library lock not available (%d)", library.result());
    } else {
      if (m_pSession != nullptr) {
        snmp_session* s = snmp_sess_session(m_pSession);
        if (s != nullptr) {
          pmc_wipe(s->securityAuthKey, sizeof s->securityAuthKey);
          pmc_wipe(s->securityPrivKey, sizeof s->securityPrivKey);
        }
        snmp_sess_close(m_pSession);
      }
      if (m_pUser != nullptr) usm_free_user(m_pUser);  // wipes the localized keys
    }
  }
  m_pSession = nullptr;
  m_pUser = nullptr;
  if (!m_settings.empty()) pmc_wipe(&m_settings[0], m_settings.size());
  m_settings.clear();
  m_peer.clear();
  m_userName.clear();
  m_engineId.clear();
  m_time.forget();
  m_confirmed = false;
}

void CPmsV3Channel::seed(const std::string& engine_id, const PmsV3EngineTime& time) {
  m_seedEngine = engine_id;
  m_seedTime = time;
}

int CPmsV3Channel::ensure_open(CPmsV3SessionBuilder& builder) {
  if (m_pSession != nullptr && m_settings == builder.settings()) {
    // Only this channel's thread uses the record between library calls.
    snmp_session* s = snmp_sess_session(m_pSession);
    s->timeout = static_cast<long>(builder.timeout_ms()) * 1000;
    s->retries = builder.retries();
    return PMC_OK;
  }
  close();
  try {
    m_settings = builder.settings();
    m_peer = builder.peer();
    m_userName = builder.user();
  } catch (...) {
    return PMC_E_NOMEM;
  }
  m_level = builder.level();
  CPmsSnmpLibraryScope library;
  if (library.result() != PMC_OK) return library.result();
  // Opened without an engine, so opening enters no user: the engine is
  // attached below, once known, with the user taken out at once.
  const std::string none;
  int rc = builder.open_session(&none);
  if (rc != PMC_OK) return rc;
  m_pSession = builder.release_session();
  snmp_sess_session(m_pSession)->flags |= SNMP_FLAGS_DONT_PROBE;
  return PMC_OK;
}

void CPmsV3Channel::adopt_user_locked() {
  snmp_session* s = snmp_sess_session(m_pSession);
  struct usmUser* user = usm_get_user(s->securityEngineID, s->securityEngineIDLen, s->securityName);
  if (user == nullptr) return;
  usm_remove_user(user);
  m_pUser = user;
}

int CPmsV3Channel::attach_engine_locked(const std::string& engine_id) {
  snmp_session* s = snmp_sess_session(m_pSession);
  if (m_pUser != nullptr) {
    usm_free_user(m_pUser);
    m_pUser = nullptr;
  }
  m_engineId.clear();
  m_time.forget();
  m_confirmed = false;
  s->flags &= ~SNMP_FLAGS_USER_CREATED;
  if (!set_engine_fields(s, engine_id)) return PMC_E_NOMEM;
  if (engine_id.empty()) return PMC_OK;
  // An entry of this engine and user in the list now is none of ours
  // (every channel takes its own out before it lets the lock go); the
  // library would take its keys instead of ours.
  if (struct usmUser* stranger = usm_get_user(s->securityEngineID, s->securityEngineIDLen, s->securityName)) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "CPmsV3Channel: a user entry of %s left in the library was removed",
            s->securityName);
    usm_remove_user(stranger);
    usm_free_user(stranger);
  }
  if (usm_create_user_from_session(s) != SNMPERR_SUCCESS) return PMC_E_NOMEM;
  adopt_user_locked();
  try {
    m_engineId = engine_id;
  } catch (...) {
    return PMC_E_NOMEM;
  }
  if (engine_id == m_seedEngine && m_seedTime.known()) m_time = m_seedTime;
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Exchanges
// ---------------------------------------------------------------------------

int CPmsV3Channel::exchange(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  if (pdu == nullptr || target == nullptr) return PMC_E_ARG;
  pdu->set_request_id(pms_next_request_id());
  CPmsV3SessionBuilder builder;
  int rc = builder.prepare(target);  // derives the keys without the library lock
  if (rc == PMC_OK) rc = ensure_open(builder);
  if (rc != PMC_OK) return rc;

  CPmsV3EngineCache& record = pms_v3_engine_cache();
  PmsV3EngineRecord known;
  bool from_record = false;
  const std::string& named = builder.engine_id();
  if (!named.empty()) {
    // The target names its engine: that one, and no other, is asked.
    if (named != m_engineId) {
      CPmsSnmpLibraryScope library;
      if (library.result() != PMC_OK) return library.result();
      rc = attach_engine_locked(named);
      if (rc != PMC_OK) return rc;
      if (!m_time.known() && record.find(m_peer, &known) && known.engine_id == named) m_time = known.time;
    }
  } else if (m_engineId.empty()) {
    if (record.find(m_peer, &known)) {
      CPmsSnmpLibraryScope library;
      if (library.result() != PMC_OK) return library.result();
      rc = attach_engine_locked(known.engine_id);
      if (rc != PMC_OK) return rc;
      if (known.time.known()) m_time = known.time;
      from_record = true;
    } else {
      rc = discover_peer();
      if (rc != PMC_OK) return rc;
    }
  }

  int library_error = 0;
  Outcome outcome = Outcome::kDone;
  const int32_t retries = builder.retries();
  if (retries < 1) {
    rc = request(builder, pdu, target, &library_error, &outcome);
  } else {
    // The last try asks the address for its engine instead, because not
    // every agent answers what it does not take: some say nothing to a
    // request for an engine id they do not know, to an unknown user or to
    // a level the user does not have. A device that is off then costs the
    // same tries and time as before; one that answers the discovery shows
    // whether the engine was the wrong one (then asked again with the
    // right one) or the request is not taken.
    snmp_sess_session(m_pSession)->retries = retries - 1;
    rc = request(builder, pdu, target, &library_error, &outcome);
    if (m_pSession != nullptr) snmp_sess_session(m_pSession)->retries = retries;
    if (rc == PMC_E_TIMEOUT && outcome == Outcome::kDone && m_pSession != nullptr) {
      if (from_record) record.forget(m_peer);
      const std::string asked = m_engineId;
      std::string found;
      PmsV3EngineTime time;
      snmp_sess_session(m_pSession)->retries = 0;
      rc = probe_peer(&found, &time);
      if (m_pSession != nullptr) snmp_sess_session(m_pSession)->retries = retries;
      if (rc != PMC_OK) return rc;
      // The agent has another engine than the one the target names.
      if (!named.empty() && found != named) return PMC_E_SECURITY;
      const bool same = found == asked;
      rc = attach_engine(found, same && m_time.known() && !time.known() ? m_time : time);
      if (rc != PMC_OK) return rc;
      if (same) {
        // The engine is there and was asked right: one more try, in case
        // only the request went astray.
        snmp_sess_session(m_pSession)->retries = 0;
        rc = request(builder, pdu, target, &library_error, &outcome);
        if (m_pSession != nullptr) snmp_sess_session(m_pSession)->retries = retries;
        // Answering discovery but not the request: the agent does not take
        // the user, its keys or its level.
        if (rc == PMC_E_TIMEOUT && outcome == Outcome::kDone && m_level != SNMP_SEC_LEVEL_NOAUTH) {
          PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "the agent answers discovery but not the requests of %s",
                  m_userName.c_str());
          rc = PMC_E_SECURITY;
        }
      } else {
        rc = request(builder, pdu, target, &library_error, &outcome);
      }
    }
  }
  if (outcome == Outcome::kEngineUnknown) {
    if (!named.empty()) return PMC_E_SECURITY;  // the agent does not know the engine the target names
    // The address answers with another engine than the one it had: the
    // request was not taken. Discover the engine and ask once more.
    record.forget(m_peer);
    rc = ensure_open(builder);
    if (rc == PMC_OK) rc = discover_peer();
    if (rc == PMC_OK) rc = request(builder, pdu, target, &library_error, &outcome);
  } else if (outcome == Outcome::kTimeBehind) {
    // The engine's own boots and time, from its answer, for one more try.
    const std::string engine = m_engineId;
    const PmsV3EngineTime time = m_time;
    rc = ensure_open(builder);
    if (rc == PMC_OK) rc = attach_engine(engine, time);
    if (rc == PMC_OK) rc = request(builder, pdu, target, &library_error, &outcome);
  }
  if (outcome != Outcome::kDone && rc == PMC_OK) rc = PMC_E_SECURITY;
  return rc;
}

int CPmsV3Channel::request(CPmsV3SessionBuilder& builder, IPmsPdu* pdu, IPmsSnmpTarget* target,
                           int* library_error, Outcome* outcome) {
  *library_error = 0;
  *outcome = Outcome::kDone;
  Wait wait(this);
  {
    Entered entered(*this);
    if (entered.result() != PMC_OK) return entered.result();
    int rc = builder.build_pdu(pdu);
    if (rc != PMC_OK) return rc;
    // The request goes out with the PDU's own request-id (the library's send
    // reads 0 as a failure, so that one id keeps the library's).
    if (pdu->get_request_id() != 0) builder.pdu()->reqid = pdu->get_request_id();
    snmp_pdu* out = builder.take_pdu();
    if (out->command == SNMP_MSG_TRAP2) {
      // Waiting for an answer to a trap would never end.
      pms_count_request();
      if (snmp_sess_send(m_pSession, out) == 0) {
        snmp_free_pdu(out);
        return pms_v3_map_library_error(pms_v3_report_error("snmp_send", m_pSession, nullptr));
      }
      return PMC_OK;
    }
    rc = send_locked(wait, out, exchange_callback);
    if (rc != PMC_OK) return rc;
  }
  int rc = wait_for(wait);
  if (rc != PMC_OK) return rc;

  *outcome = wait.outcome;
  if (wait.outcome == Outcome::kEngineUnknown) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "snmp_synch_response(): the agent does not know the engine id asked");
    *library_error = SNMPERR_UNKNOWN_ENG_ID;
    return PMC_E_SECURITY;
  }
  if (wait.outcome == Outcome::kTimeBehind) {
    PMC_LOG(g_logSnmp, PMC_LOG_WARN, "snmp_synch_response(): the engine's boots and time are behind the ones sent");
    *library_error = SNMPERR_NOT_IN_TIME_WINDOW;
    return PMC_E_SECURITY;
  }
  if (wait.refused) {
    PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "snmp_synch_response(): the agent's answer for %s failed authentication",
            m_userName.c_str());
    *library_error = SNMPERR_AUTHENTICATION_FAILURE;
    return PMC_E_SECURITY;
  }
  int result = PMC_OK;
  if (wait.status != STAT_SUCCESS) {
    *library_error = wait.library_error;
    pms_v3_report_code("snmp_synch_response", wait.library_error);
    result = result_of(wait.status, wait.library_error, wait.report);
  }
  if (wait.response == nullptr) return result != PMC_OK ? result : PMC_E_RECEIVE;

  // The engine's id and time are worth keeping for the address once an
  // answer came; the time only from an authenticated one (the agent took
  // the time the request carried and the library checked what it sent).
  if (wait.status == STAT_SUCCESS && !m_engineId.empty()) {
    m_confirmed = true;
    PmsV3EngineRecord found;
    found.engine_id = m_engineId;
    CPmsV3EngineCache& record = pms_v3_engine_cache();
    if (wait.authenticated) {
      m_time.confirm();
      found.time = m_time;
      record.store(m_peer, found);
    } else {
      PmsV3EngineRecord before;
      if (!record.find(m_peer, &before) || before.engine_id != m_engineId) record.store(m_peer, found);
    }
  }
  CPmsV3ResponseConverter converter(wait.response);
  int rc_convert = converter.convert(pdu, target);
  return result != PMC_OK ? result : rc_convert;
}

int CPmsV3Channel::probe_peer(std::string* engine, PmsV3EngineTime* time) {
  {
    // Discovery asks with no engine id at all.
    CPmsSnmpLibraryScope library;
    if (library.result() != PMC_OK) return library.result();
    int rc = attach_engine_locked(std::string());
    if (rc != PMC_OK) return rc;
  }
  Wait wait(this);
  wait.discovery = true;
  int rc = probe(wait);
  if (rc != PMC_OK) return rc;
  if (wait.engine.empty()) {
    if (wait.status == STAT_SUCCESS || wait.status == STAT_TIMEOUT) return PMC_E_TIMEOUT;
    return pms_v3_map_status(wait.status, wait.library_error);
  }
  engine->swap(wait.engine);
  *time = wait.time;
  return PMC_OK;
}

int CPmsV3Channel::attach_engine(const std::string& engine, const PmsV3EngineTime& time) {
  CPmsSnmpLibraryScope library;
  if (library.result() != PMC_OK) return library.result();
  int rc = attach_engine_locked(engine);
  if (rc != PMC_OK) return rc;
  if (time.known()) m_time = time;
  m_confirmed = true;
  return PMC_OK;
}

int CPmsV3Channel::discover_peer() {
  std::string engine;
  PmsV3EngineTime time;
  int rc = probe_peer(&engine, &time);
  return rc == PMC_OK ? attach_engine(engine, time) : rc;
}

int CPmsV3Channel::discover_all(IPmsSnmpTarget* target, PmsV3EngineList* engines,
                                std::vector<PmsV3EngineTime>* times) {
  if (target == nullptr || engines == nullptr) return PMC_E_ARG;
  CPmsV3SessionBuilder builder;
  int rc = builder.prepare(target);
  if (rc == PMC_OK) rc = ensure_open(builder);
  if (rc != PMC_OK) return rc;
  {
    CPmsSnmpLibraryScope library;
    if (library.result() != PMC_OK) return library.result();
    rc = attach_engine_locked(std::string());
    if (rc != PMC_OK) return rc;
  }
  allow_broadcast(m_pSession, *target);
  Wait wait(this);
  wait.discovery = true;
  wait.all = true;
  wait.engines = engines;
  wait.times = times;
  rc = probe(wait);
  if (rc != PMC_OK) return rc;
  // The time-out is how discovery ends, with or without answers.
  if (wait.status == STAT_SUCCESS || wait.status == STAT_TIMEOUT) return PMC_OK;
  return pms_v3_map_status(wait.status, wait.library_error);
}

int CPmsV3Channel::probe(Wait& wait) {
  {
    Entered entered(*this);
    if (entered.result() != PMC_OK) return entered.result();
    // The library's engine-discovery request: a GetRequest without
    // bindings from the empty user, unauthenticated.
    snmp_pdu* out = snmp_pdu_create(SNMP_MSG_GET);
    if (out == nullptr) return PMC_E_NOMEM;
    out->version = SNMP_VERSION_3;
    out->securityName = strdup("");
    out->securityNameLen = 0;
    out->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
    out->securityModel = SNMP_SEC_MODEL_USM;
    if (out->securityName == nullptr) {
      snmp_free_pdu(out);
      return PMC_E_NOMEM;
    }
    int rc = send_locked(wait, out, discovery_callback);
    if (rc != PMC_OK) return rc;
  }
  ++m_discoveries;
  return wait_for(wait);
}

int CPmsV3Channel::send_locked(Wait& wait, snmp_pdu* out, Callback callback) {
  m_pWait = &wait;
  pms_count_request();
  wait.reqid = snmp_sess_async_send(m_pSession, out, callback, this);
  if (wait.reqid == 0) {
    m_pWait = nullptr;
    snmp_free_pdu(out);
    return pms_v3_map_library_error(pms_v3_report_error("snmp_send", m_pSession, nullptr));
  }
  wait.waiting = true;
  next_wait_locked(wait);
  return PMC_OK;
}

void CPmsV3Channel::next_wait_locked(Wait& wait) {
  int count = 0;
  int block = NETSNMP_SNMPBLOCK;
  struct timeval timeout {};
  NETSNMP_LARGE_FD_ZERO(&wait.fds);
  snmp_sess_select_info2_flags(m_pSession, &count, &wait.fds, &timeout, &block, NETSNMP_SELECT_NOALARMS);
  // Nothing outstanding that could time out: waiting would never end.
  wait.outstanding = block != 1;
  long ms = timeout.tv_sec * 1000L + (timeout.tv_usec + 999) / 1000;
  wait.timeout_ms = ms < 0 ? 0 : (ms > 3600000L ? 3600000 : static_cast<int>(ms));
}

void CPmsV3Channel::peek(Wait& wait) {
  wait.peeked = false;
  netsnmp_transport* transport = snmp_sess_transport(m_pSession);
  if (transport == nullptr || transport->sock < 0) return;
  // The headers end long before this; the rest is the library's to read.
  // Called once the socket is readable, so the peek does not wait.
  char head[512];
  int64_t n = NPmcSocketAPI::api().m_pRecvfrom(static_cast<PmcSocket>(transport->sock), head, sizeof head, MSG_PEEK,
                                               nullptr, nullptr);
  // Windows fails a peek into a buffer shorter than the datagram, after
  // filling the buffer.
  if (n < 0 && NPmcSocketAPI::last_error_is_truncation()) n = sizeof head;
  if (n > 0) wait.peeked = pms_v3_read_header(reinterpret_cast<const unsigned char*>(head), static_cast<size_t>(n),
                                       &wait.header);
}

int CPmsV3Channel::wait_for(Wait& wait) {
  const NPmcSocketAPI::Api& api = NPmcSocketAPI::api();
  netsnmp_transport* transport = snmp_sess_transport(m_pSession);
  int rc = transport == nullptr || transport->sock < 0 ? PMC_E_SOCKET : PMC_OK;
  const int fd = rc == PMC_OK ? transport->sock : -1;
  while (rc == PMC_OK && wait.waiting) {
    if (!wait.outstanding) {
      wait.waiting = false;
      wait.status = STAT_TIMEOUT;
      wait.library_error = SNMPERR_TIMEOUT;
      break;
    }
    int ready = NPmcSocketAPI::wait_readable(static_cast<PmcSocket>(fd), wait.timeout_ms);
    if (ready > 0) {
      peek(wait);
      const PmsV3Header& header = wait.header;
      if (!wait.discovery && wait.peeked && !header.authenticated() && header.engine_id_length > 0 &&
          !m_engineId.empty() && !header.same_engine(m_engineId)) {
        // A report from another engine: the library would drop it (the
        // engine is unknown to it) and send the request again to no avail.
        char discard[1];
        api.m_pRecvfrom(static_cast<PmcSocket>(fd), discard, sizeof discard, 0, nullptr, nullptr);
        wait.outcome = Outcome::kEngineUnknown;
        wait.waiting = false;
        wait.abandoned = true;
        break;
      }
      bool behind = false;
      {
        Entered entered(*this);
        rc = entered.result();
        if (rc != PMC_OK) break;
        const u_int digests = snmp_get_statistic(STAT_USMSTATSWRONGDIGESTS);
        NETSNMP_LARGE_FD_ZERO(&wait.fds);
        NETSNMP_LARGE_FD_SET(fd, &wait.fds);
        snmp_sess_read2(m_pSession, &wait.fds);
        const bool for_us = !wait.discovery && wait.peeked && header.authenticated() &&
                            header.same_user(m_userName) && (m_engineId.empty() || header.same_engine(m_engineId));
        if (for_us && snmp_get_statistic(STAT_USMSTATSWRONGDIGESTS) != digests) {
          // An authenticated message to this channel's user, from its
          // engine, that the user's keys do not verify: the agent holds
          // other keys for the user and refuses the request (some agents
          // secure the report that says so).
          wait.refused = true;
          wait.waiting = false;
          wait.abandoned = true;
        } else if (for_us && wait.waiting &&
                   (header.boots < m_lentBoots ||
                    (header.boots == m_lentBoots && static_cast<uint64_t>(header.time) + 150 < m_lentTime))) {
          // Verified, but outside the time window on our side: the library
          // keeps waiting for an answer that will not come.
          behind = true;
          wait.outcome = Outcome::kTimeBehind;
          wait.waiting = false;
          wait.abandoned = true;
        }
        if (wait.waiting) next_wait_locked(wait);
      }
      if (behind) m_time.set(header.boots, header.time, true);
    } else if (ready == 0) {
      Entered entered(*this);
      rc = entered.result();
      if (rc != PMC_OK) break;
      snmp_sess_timeout(m_pSession);  // retransmits, or reports the time-out
      if (wait.waiting) {
        pms_count_request();  // still waiting: the library sent the request again
        next_wait_locked(wait);
      }
    } else {
      const int error = NPmcSocketAPI::last_error();
      PMC_LOG(g_logSnmp, PMC_LOG_ERROR, "poll(): ErrNo = %d, %s", error, std::strerror(error));
      wait.status = STAT_ERROR;
      wait.library_error = SNMPERR_GENERR;
      wait.waiting = false;
      wait.abandoned = true;
      rc = PMC_E_RECEIVE;
    }
  }
  if (rc != PMC_OK) wait.abandoned = true;
  m_pWait = nullptr;
  // The library may still hold the request, and would call back for it.
  if (wait.abandoned) drop_session();
  return rc;
}

void CPmsV3Channel::drop_session() {
  const std::string engine = m_engineId;
  const PmsV3EngineTime time = m_time;
  close();
  try {
    m_engineId = engine;
  } catch (...) {
    m_engineId.clear();
  }
  m_time = time;
}

// ---------------------------------------------------------------------------
// Library callbacks
// ---------------------------------------------------------------------------

int CPmsV3Channel::exchange_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu,
                                     void* magic) {
  auto* channel = static_cast<CPmsV3Channel*>(magic);
  Wait* wait = channel != nullptr ? channel->m_pWait : nullptr;
  // A request no wait is waiting for any more: let the library drop it.
  if (wait == nullptr || session == nullptr) return 1;
  if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && request_id != wait->reqid) return 1;
  if (request_id != wait->reqid && pdu != nullptr && pdu->command != SNMP_MSG_REPORT) return 0;
  switch (operation) {
    case NETSNMP_CALLBACK_OP_RESEND:
    case NETSNMP_CALLBACK_OP_CONNECT:
      return 0;  // the request is still outstanding
    case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE:
      wait->waiting = false;
      if (pdu == nullptr) break;
      if (pdu->command == SNMP_MSG_REPORT) {
        const int type = snmpv3_get_report_type(pdu);
        // The library has sent the request again with the engine's time.
        if (type == SNMPERR_NOT_IN_TIME_WINDOW) wait->waiting = true;
        wait->status = STAT_ERROR;
        wait->report = true;
        wait->library_error = type;
        session->s_snmp_errno = type;
      } else if (pdu->command == SNMP_MSG_RESPONSE) {
        if (wait->response != nullptr) snmp_free_pdu(wait->response);
        wait->response = snmp_clone_pdu(pdu);
        wait->status = wait->response != nullptr ? STAT_SUCCESS : STAT_ERROR;
        wait->library_error = wait->response != nullptr ? SNMPERR_SUCCESS : SNMPERR_MALLOC;
        wait->report = false;
        wait->authenticated = pdu->securityLevel >= SNMP_SEC_LEVEL_AUTHNOPRIV;
        session->s_snmp_errno = wait->library_error;
      }
      break;
    case NETSNMP_CALLBACK_OP_TIMED_OUT:
      wait->waiting = false;
      wait->status = STAT_TIMEOUT;
      wait->library_error = SNMPERR_TIMEOUT;
      session->s_snmp_errno = SNMPERR_TIMEOUT;
      break;
    case NETSNMP_CALLBACK_OP_SEC_ERROR:
      // An answer to the request that failed the user's security checks.
      wait->waiting = false;
      wait->status = STAT_ERROR;
      wait->refused = true;
      wait->library_error = SNMPERR_AUTHENTICATION_FAILURE;
      break;
    case NETSNMP_CALLBACK_OP_SEND_FAILED:
      wait->waiting = false;
      wait->status = STAT_ERROR;
      wait->library_error = session->s_snmp_errno != 0 ? session->s_snmp_errno : SNMPERR_BAD_SENDTO;
      break;
    default:  // a disconnect, and whatever a later release adds
      wait->waiting = false;
      wait->status = STAT_ERROR;
      wait->library_error = SNMPERR_ABORT;
      session->s_snmp_errno = SNMPERR_ABORT;
      break;
  }
  return 1;
}

namespace {

// Appends an engine for the sender of `pdu` unless its address is known;
// true when it was new.
bool collect_engine(PmsV3EngineList& engines, const snmp_pdu& pdu) {
  int err = PMC_OK;
  PmcPtr<IPmcNetworkAddress> sender(pms_v3_sender_address(pdu.transport_data, pdu.transport_data_length, &err));
  if (!sender) return false;
  const char* text = sender->c_str();
  size_t length = std::strlen(text);
  for (const PmcPtr<IPmsSnmpTarget>& engine : engines) {
    const IPmcNetworkAddress* known = engine->get_address();
    if (known != nullptr && std::strlen(known->c_str()) == length && std::memcmp(known->c_str(), text, length) == 0) {
      return false;  // this engine answered before
    }
  }
  PmcPtr<IPmsSnmpTarget> engine(pms_create_usm_target(&err));
  IPmsUsmTarget* usm = pms_usm_of(engine.get());
  if (usm == nullptr || engine->set_address(sender.get()) != PMC_OK ||
      usm->set_engine_id(pdu.securityEngineID, pdu.securityEngineIDLen) != PMC_OK) {
    return false;
  }
  try {
    engines.push_back(std::move(engine));
  } catch (...) {
    return false;  // out of memory: this engine is left out; the library must not see an exception
  }
  return true;
}

}  // namespace

int CPmsV3Channel::discovery_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu,
                                      void* magic) {
  auto* channel = static_cast<CPmsV3Channel*>(magic);
  Wait* wait = channel != nullptr ? channel->m_pWait : nullptr;
  if (session == nullptr || wait == nullptr) return 1;
  if (operation != NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && request_id != wait->reqid) return 1;
  if (request_id != wait->reqid && pdu != nullptr && pdu->command != SNMP_MSG_REPORT) return 1;
  switch (operation) {
    case NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE: {
      if (pdu == nullptr || pdu->securityEngineIDLen == 0) return 0;
      std::string id;
      PmsV3EngineTime time;
      try {
        id.assign(reinterpret_cast<const char*>(pdu->securityEngineID), pdu->securityEngineIDLen);
      } catch (...) {
        return 0;
      }
      // The boots and time the report carried in its clear header.
      if (wait->peeked && wait->header.same_engine(id)) time.set(wait->header.boots, wait->header.time, false);
      if (wait->all) {
        if (wait->engines != nullptr && collect_engine(*wait->engines, *pdu) && wait->times != nullptr) {
          try {
            wait->times->push_back(time);
          } catch (...) {
            wait->times->clear();  // the caller sees no times rather than wrong ones
            wait->times = nullptr;
          }
        }
        // Not handled: the request stays outstanding, so the other engines'
        // answers and the time-out that ends discovery still arrive.
        return 0;
      }
      wait->engine.swap(id);
      wait->time = time;
      wait->waiting = false;
      wait->status = STAT_SUCCESS;
      return 1;
    }
    case NETSNMP_CALLBACK_OP_TIMED_OUT:
      wait->waiting = false;
      wait->status = STAT_TIMEOUT;
      wait->library_error = SNMPERR_TIMEOUT;
      break;
    case NETSNMP_CALLBACK_OP_DISCONNECT:
      wait->waiting = false;
      wait->status = STAT_ERROR;
      wait->library_error = SNMPERR_ABORT;
      session->s_snmp_errno = SNMPERR_ABORT;
      break;
    default:
      break;
  }
  return 1;
}
