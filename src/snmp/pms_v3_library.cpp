#include "snmp/pms_v3_library.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "core/pmc_result.h"
#include "log/pmc_log.h"
#include "net/pmc_advapi.h"
#include "net/pmc_socket_api.h"
#include "snmp/pmc_thread_state.h"

namespace {

// One operation at a time uses the library.
std::mutex& library_lock() {
  static std::mutex lock;
  return lock;
}

// Whether the library is set up on this thread. No initial value: it reads
// false on every thread and restoring initial values leaves it alone.
PmcThreadValue<bool> g_libraryReady;
// Whether this thread is inside an operation (holds the lock).
PmcThreadValue<bool> g_inOperation;

bool flag(PmcThreadValue<bool>& variable) {
  bool* value = variable.get();
  return value != nullptr && *value;
}

void set_flag(PmcThreadValue<bool>& variable, bool on) {
  bool* value = variable.get();
  if (value != nullptr) *value = on;
}

// Library log lines are detail for whoever debugs the SNMPv3 path; the
// errors that matter are reported by the step that met them.
int forward_library_log(int, int, void* server_arg, void*) {
  auto* message = static_cast<snmp_log_message*>(server_arg);
  if (message != nullptr && message->msg != nullptr) {
    size_t length = std::strlen(message->msg);
    while (length > 0 && message->msg[length - 1] == '\n') --length;
    g_logSnmp.logger()->log(PMC_LOG_DEBUG, "net-snmp: %.*s", static_cast<int>(length), message->msg);
  }
  return SNMP_ERR_NOERROR;
}

// Settings given to the library before each initialisation (its shut-down
// forgets them).
void configure_library() {
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
  // The library creates a certificate index below its persistent directory
  // even when nothing persists; below /dev/null nothing can be created.
  netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, "/dev/null");
  // Per-peer configuration files could override what the target says.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
  // No signal handlers in the host process.
  netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_ALARM_DONT_USE_SIG, 1);
  // Numeric OIDs only: no MIB directory and an empty module list, which
  // wins over the "mibs" lines of the configuration files.
  netsnmp_set_mib_directory("/nonexistent");
  char no_modules[] = "mibs :";
  netsnmp_config_remember(no_modules);  // the library keeps its own copy
  netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);
  snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, forward_library_log, nullptr);
}

// Net-SNMP 5.9 allocates the MIB parser's table of textual conventions
// ("tclist", about 4.7 KB) at every initialisation and only clears it at
// shut-down, so each set-up and shut-down pair would lose one table. After
// the shut-down (no MIB tree any more, the table's entries cleared) the
// table is freed here. Only the release known to behave so is touched: a
// later one may free the table itself, and freeing it twice would be far
// worse than losing it. The symbols are looked up at run time: a library
// without them is left alone as well.
void free_textual_convention_table() {
  static const bool known_release = std::strcmp(netsnmp_get_version(), "5.9.3") == 0;
  static void** table = known_release ? static_cast<void**>(dlsym(RTLD_DEFAULT, "tclist")) : nullptr;
  static int* allocated = known_release ? static_cast<int*>(dlsym(RTLD_DEFAULT, "tc_alloc")) : nullptr;
  if (table == nullptr || allocated == nullptr || *table == nullptr || get_tree_head() != nullptr) return;
  std::free(*table);
  *table = nullptr;
  *allocated = 0;
}

}  // namespace

bool pms_snmp_library_ready() { return flag(g_libraryReady); }

int pms_snmp_library_setup() {
  int rc = NPmcSocketAPI::load();
  if (rc != PMC_OK) return rc;
  if (!NPmcAdvApi::load()) return PMC_E_PLATFORM;
  CPmcThreadRegistry::process().restore_initial_values();
  bool* ready = g_libraryReady.get();
  if (ready == nullptr) return PMC_E_NOMEM;  // without the flag the shut-down would be skipped
  if (*ready) return PMC_OK;
  *ready = true;
  configure_library();
  init_snmp("");
  return PMC_OK;
}

void pms_snmp_library_teardown() {
  if (flag(g_libraryReady)) {
    snmp_shutdown("");
    free_textual_convention_table();
  }
  set_flag(g_libraryReady, false);
  CPmcThreadRegistry::process().release_thread_copies();
}

CPmsSnmpLibraryScope::CPmsSnmpLibraryScope() : m_result(PMC_OK) {
  // A second operation on the same thread would wait for its own lock.
  if (flag(g_inOperation)) {
    m_result = PMC_E_UNSUPPORTED;
    return;
  }
  library_lock().lock();
  m_locked = true;
  set_flag(g_inOperation, true);
  m_result = pms_snmp_library_setup();
}

CPmsSnmpLibraryScope::~CPmsSnmpLibraryScope() {
  if (!m_locked) return;
  pms_snmp_library_teardown();  // also clears g_inOperation with the thread's copies
  library_lock().unlock();
}
