// The SNMP library binding: how SNMPv3 code gets hold of Net-SNMP.
//
// Net-SNMP keeps much of its state in process-wide variables (the USM user
// list, the engine boots/time list, request and message id counters,
// statistics, its error detail, the registered security models and
// transports) and takes no locks of its own in this build. The binding
// therefore sets the library up once per process, and every call into it
// that may touch shared state runs inside one CPmsSnmpLibraryScope, which
// holds the library's process-wide lock for as long as it lives. A scope
// is meant to be short: one build and send, one read of an arrived
// datagram, one retransmission, one session open or close. Nobody waits
// for the network inside a scope (see pms_v3_channel.h for how an exchange
// waits outside it).
//
// The library writes no files of ours: persistent state is neither loaded
// nor saved, its persistent directory points where nothing can be created,
// and no MIB files are loaded (OIDs are numeric). It reads its ordinary
// configuration files (snmp.conf along SNMPCONFPATH) once, at the set-up.
// Its own log lines go to the "snmp" category at debug level.
#pragma once

class CPmsSnmpLibraryScope {
 public:
  // Takes the lock and sets the library up when this is the first scope of
  // the process.
  CPmsSnmpLibraryScope();
  // Releases the lock.
  ~CPmsSnmpLibraryScope();
  CPmsSnmpLibraryScope(const CPmsSnmpLibraryScope&) = delete;
  CPmsSnmpLibraryScope& operator=(const CPmsSnmpLibraryScope&) = delete;

  // 0 when the library is ready and the lock held; the socket loader's
  // error, -10 when the library is not part of this build or its platform
  // layer is missing, or -5 when the calling thread already holds a scope
  // (which would wait for itself). Without 0 the lock is not held.
  int result() const { return m_result; }

 private:
  int m_result;
  bool m_locked = false;
};

// Whether the library has been set up in this process.
bool pms_snmp_library_ready();
// Whether the calling thread holds a CPmsSnmpLibraryScope now.
bool pms_snmp_library_locked_here();
