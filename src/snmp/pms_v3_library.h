// The SNMP library binding: how an SNMPv3 operation gets hold of Net-SNMP.
//
// Net-SNMP keeps its state (security models, USM users, engine times,
// default-store settings, transports, callbacks, sessions) in process-wide
// variables. Every SNMPv3 operation therefore runs inside one
// CPmsSnmpLibraryScope, which
//   1. takes the library's process-wide lock (one operation at a time),
//   2. sets the library up on the calling thread from its initial state,
//   3. after the operation shuts the library down again, so no user, key,
//      engine time or session is left behind for the next operation,
//   4. and releases the lock.
// The binding's own per-thread state (whether the library is set up on this
// thread, whether the thread is inside an operation) lives in the per-thread
// variable store (snmp/pmc_thread_state.h) and is released at tear-down.
//
// The library writes no files of ours: persistent state is neither loaded
// nor saved, its persistent directory points where nothing can be created,
// and no MIB files are loaded (OIDs are numeric). It still reads its
// ordinary configuration files (snmp.conf along SNMPCONFPATH). Its own log
// lines go to the "snmp" category at debug level.
#pragma once

class CPmsSnmpLibraryScope {
 public:
  CPmsSnmpLibraryScope();
  // Shuts the library down (when it was set up) and releases the lock.
  ~CPmsSnmpLibraryScope();
  CPmsSnmpLibraryScope(const CPmsSnmpLibraryScope&) = delete;
  CPmsSnmpLibraryScope& operator=(const CPmsSnmpLibraryScope&) = delete;

  // 0 when the library is ready; the socket loader's error, -10 when the
  // library is not part of this build, -3 when the thread's per-thread
  // state cannot be allocated, or -5 when the calling thread is already
  // inside an SNMPv3 operation (which would wait for itself).
  int result() const { return m_result; }

 private:
  int m_result;
  bool m_locked = false;
};

// The library's set-up on the calling thread (the caller holds the lock):
// 0, or the failure described at CPmsSnmpLibraryScope::result.
int pms_snmp_library_setup();
// The library's shut-down on the calling thread; frees the thread's copies
// of the per-thread variables.
void pms_snmp_library_teardown();
// Whether the library is set up on the calling thread.
bool pms_snmp_library_ready();
