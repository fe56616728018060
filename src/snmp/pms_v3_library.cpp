#include "snmp/pms_v3_library.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdlib>
#include <cstring>
#include <atomic>
#include <mutex>

#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "net/pmc_advapi.h"
#include "net/pmc_socket_api.h"

namespace {

// Why one lock, and why it is held so briefly.
//
// Net-SNMP's guidance for threads (README.thread) is its single-session API
// (snmp_sess_*): a session opened with snmp_sess_open is on no shared list,
// so sessions of different threads do not meet there. That API does not
// make the rest of the library safe, and this build has no reentrant
// option, so the library's resource locks are empty. What an SNMPv3
// exchange still reaches in shared memory:
//   - the USM user list (usm_get_user when a message is built, checked or
//     its keys localized; usm_add_user when a session opens),
//   - the engine boots/time list (get_enginetime when a message is built,
//     set_enginetime when an authenticated one arrives),
//   - the request-id and message-id counters (snmp_pdu_create, every
//     retransmission), the salt counters of DES and AES, the statistics
//     counters, snmp_errno and the error detail text,
//   - the default store and the lists of security models and transports,
//     which only the set-up writes.
// Per-thread copies of all that are not to be had, so every call that can
// reach it runs under this one process-wide lock. Only the library's work
// is done under it: building, securing and sending one message, reading
// and checking one datagram that has arrived, one retransmission, opening
// or closing a session. An exchange waits for its datagrams on its own
// session's socket with the lock released (pms_v3_channel.cpp), so
// exchanges on different handles overlap and each holds the lock for tens
// of microseconds per message.
//
// The user list and the engine list are keyed by engine id and user name,
// so two operations with the same user at the same engine but different
// pass phrases would find each other's entries. An operation therefore
// keeps its user (with its localized keys) and its engine's boots and time
// out of those lists, and puts them in only for the span of one scope
// (CPmsV3Channel): while the lock is held, the lists hold the entries of
// exactly one operation.
std::mutex& library_lock() {
  static std::mutex* lock = new std::mutex();  // never destroyed: operations may run while the process exits
  return *lock;
}

// Whether init_snmp has run; set once, under the lock.
std::atomic<bool> g_ready{false};
// Whether the calling thread holds the lock.
thread_local bool t_locked = false;

// Library log lines are detail for whoever debugs the SNMPv3 path; the
// errors that matter are reported by the step that met them.
int forward_library_log(int, int, void* server_arg, void*) {
  auto* message = static_cast<snmp_log_message*>(server_arg);
  if (message != nullptr && message->msg != nullptr) {
    size_t length = std::strlen(message->msg);
    while (length > 0 && message->msg[length - 1] == '\n') --length;
    PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "net-snmp: %.*s", static_cast<int>(length), message->msg);
  }
  return SNMP_ERR_NOERROR;
}

// Settings given to the library before its initialisation.
void configure_library() {
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  // The library creates a certificate index below its persistent directory
  // even when nothing persists; below /dev/null nothing can be created.
#ifdef _WIN32
  netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, "NUL");
#else
  netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, "/dev/null");
#endif
  // Per-peer configuration files could override what the target says, and
  // would be looked for at every session opened.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
  // No signal handlers in the host process.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_ALARM_DONT_USE_SIG, 1);
  // Numeric OIDs only: no MIB directory and an empty module list, which
  // wins over the "mibs" lines of the configuration files.
#ifndef NETSNMP_DISABLE_MIB_LOADING
  netsnmp_set_mib_directory("/nonexistent");
#endif
  char no_modules[] = "mibs :";
  netsnmp_config_remember(no_modules);  // the library keeps its own copy
  netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);
  snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, forward_library_log, nullptr);
}

// The user of engine-discovery requests: empty name, no keys, no engine.
// The library looks it up whenever a discovery request is built; entered
// once, it carries nothing of any operation.
void add_discovery_user() {
  if (usm_get_user(nullptr, 0, const_cast<char*>("")) != nullptr) return;
  auto* user = static_cast<struct usmUser*>(std::calloc(1, sizeof(struct usmUser)));
  if (user == nullptr) return;
  user->name = strdup("");
  user->secName = strdup("");
  user->authProtocol = snmp_duplicate_objid(usmNoAuthProtocol, OID_LENGTH(usmNoAuthProtocol));
  user->authProtocolLen = OID_LENGTH(usmNoAuthProtocol);
  user->privProtocol = snmp_duplicate_objid(usmNoPrivProtocol, OID_LENGTH(usmNoPrivProtocol));
  user->privProtocolLen = OID_LENGTH(usmNoPrivProtocol);
  if (user->name == nullptr || user->secName == nullptr || user->authProtocol == nullptr ||
      user->privProtocol == nullptr) {
    usm_free_user(user);
    return;  // discovery builds the user itself then
  }
  user->userStatus = RS_ACTIVE;
  user->userStorageType = ST_READONLY;
  usm_add_user(user);
}

// The set-up, once per process; the caller holds the lock.
int setup_locked() {
  if (g_ready) return PMC_OK;
  int rc = NPmcSocketAPI::load();
  if (rc != PMC_OK) return rc;
  if (!NPmcAdvApi::load()) return PMC_E_PLATFORM;
#ifdef _WIN32
  // The library's own sockets need Windows Sockets started for as long as
  // it lives: one start-up, kept to the end of the process.
  rc = NPmcSocketAPI::startup_2_2();
  if (rc != PMC_OK) return rc;
#endif
  configure_library();
  init_snmp("");
  add_discovery_user();
  g_ready.store(true);
  return PMC_OK;
}

}  // namespace

bool pms_snmp_library_ready() { return g_ready.load(); }

bool pms_snmp_library_locked_here() { return t_locked; }

CPmsSnmpLibraryScope::CPmsSnmpLibraryScope() : m_result(PMC_OK) {
  // A second scope on the same thread would wait for its own lock.
  if (t_locked) {
    m_result = PMC_E_UNSUPPORTED;
    return;
  }
  library_lock().lock();
  m_result = setup_locked();
  if (m_result != PMC_OK) {
    library_lock().unlock();
    return;
  }
  m_locked = true;
  t_locked = true;
}

CPmsSnmpLibraryScope::~CPmsSnmpLibraryScope() {
  if (!m_locked) return;
  t_locked = false;
  library_lock().unlock();
}
