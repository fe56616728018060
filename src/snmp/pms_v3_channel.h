// CPmsV3Channel: one library session of one SNMPv3 operation, its user and
// its engine, and how its exchanges wait without the library lock.
//
// An operation (one Get, one Set, one whole walk, one search) runs on one
// v3RequestSession, which keeps one channel for as long as the operation's
// target keeps its settings. The channel opens the library session once
// and sends every request of the operation through it:
//
//   - Its user. Opening the session (or learning the engine) enters the
//     user with its localized keys into the library's user list; the
//     channel takes it straight out again and keeps it. Each library call
//     of the channel (CPmsV3Channel::Entered) holds the library lock, puts
//     the user in, calls the library and takes the user out before the
//     lock is released. No other operation ever meets the user, and the
//     channel frees it (keys wiped) when it closes.
//   - Its engine. The engine id comes from the target, from the channel's
//     own discovery, or from the process's engine record of the address
//     (snmp/pms_v3_engine.h). Boots and time come from the discovery
//     report and from every authenticated answer; like the user, they are
//     lent to the library's engine list only while the lock is held, and
//     the library's entry is reset to zero before the lock is released. So
//     every request of the operation after the discovery carries the
//     engine's boots and time, and an operation never sees the time
//     another one left in the library.
//   - Its waits. A request is built, secured and sent under the lock; the
//     channel then waits on its session's socket with the lock released
//     (poll with the library's next time-out), and takes the lock again
//     only to let the library read the datagram that arrived or retransmit
//     after a time-out.
//
// Every datagram's clear header is read before the library reads it
// (pms_v3_read_header), for what the library does not tell:
//   - an authenticated answer to the channel's user that the library cannot
//     verify (the agent refusing the request, with a report secured with
//     the keys it holds for the user) ends the exchange as a security
//     error, -214, rather than in a time-out;
//   - a report from another engine than the one asked (the agent does not
//     know the engine id: the device at the address changed) ends the
//     exchange at once; with an engine the target named it is -214, with
//     one the channel found or took from the engine record the engine is
//     discovered again and the request sent once more;
//   - an authenticated answer whose boots and time lie behind the ones the
//     request carried (the library drops it; the engine restarted its
//     count) ends the exchange, which is sent once more with the engine's
//     boots and time.
//
// Result codes as v3RequestSession (snmp/pms_v3_session.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/pmc_object.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"
#include "snmp/pms_v3_engine.h"

struct snmp_session;
struct snmp_pdu;
struct usmUser;
class CPmsV3SessionBuilder;

// The engines found by discovery: one SNMPv3 target per answering address
// (the address with the port it answered from, the engine id), in order of
// first answer.
using PmsV3EngineList = std::vector<PmcPtr<IPmsSnmpTarget>>;

class CPmsV3Channel {
 public:
  CPmsV3Channel() = default;
  // Closes the session.
  ~CPmsV3Channel();
  CPmsV3Channel(const CPmsV3Channel&) = delete;
  CPmsV3Channel& operator=(const CPmsV3Channel&) = delete;

  // One request and its answer, which overwrites `pdu` and updates
  // `target` (user, level, context, sender address, engine id). Reuses the
  // open session when `target` has the settings it was opened with, else
  // opens one for `target`. A trap is sent without waiting.
  int exchange(IPmsPdu* pdu, IPmsSnmpTarget* target);
  // Engine discovery on the target's address (a broadcast address too):
  // appends one target per engine that answers until the time-out to
  // `engines`, with its boots and time in `times` (same order) when not
  // null. Nobody answering is no error.
  int discover_all(IPmsSnmpTarget* target, PmsV3EngineList* engines, std::vector<PmsV3EngineTime>* times);
  // Boots and time of the engine `engine_id` as learnt elsewhere (by a
  // broadcast discovery); used when a target names that engine.
  void seed(const std::string& engine_id, const PmsV3EngineTime& time);
  // Closes the library session and frees the user.
  void close();

  bool is_open() const { return m_pSession != nullptr; }
  const std::string& engine_id() const { return m_engineId; }
  const PmsV3EngineTime& engine_time() const { return m_time; }
  // Engine discoveries this channel sent (for tests and measurements).
  size_t discoveries() const { return m_discoveries; }

 private:
  class Entered;
  struct Wait;
  // How an exchange ended, beyond its result code.
  enum class Outcome {
    kDone,
    // A report from another engine than the one asked: the agent does not
    // know that engine id (the request was not taken).
    kEngineUnknown,
    // An authenticated answer for the user carrying boots and time behind
    // the ones the request carried: the library drops it, and the agent
    // did not take the request.
    kTimeBehind,
  };

  // Opens the session for `builder`'s target unless the open one has the
  // same settings; updates time-out and retries of a reused one.
  int ensure_open(CPmsV3SessionBuilder& builder);
  // Makes `engine_id` the session's engine: a new user entry localized for
  // it; the caller holds the lock.
  int attach_engine_locked(const std::string& engine_id);
  // Takes the user of the session's engine out of the library's list;
  // the caller holds the lock.
  void adopt_user_locked();
  // Unicast discovery of the session's peer: its engine id and the boots
  // and time its answer carried; the session is left without an engine.
  int probe_peer(std::string* engine, PmsV3EngineTime* time);
  // Makes `engine` the session's engine, with `time` when it is known,
  // confirmed as the address's engine.
  int attach_engine(const std::string& engine, const PmsV3EngineTime& time);
  // Both: the session's engine discovered.
  int discover_peer();
  // One request (built from `pdu`) and its answer, or only the send of a
  // trap. `outcome` receives the library's error of a failed exchange.
  int request(CPmsV3SessionBuilder& builder, IPmsPdu* pdu, IPmsSnmpTarget* target, int* library_error,
              Outcome* outcome);
  // Closes the library session and frees the user, keeping what the
  // channel knows of the engine (a request the library still holds must
  // not outlive the wait it belongs to).
  void drop_session();
  // Sends the probe request of discovery on the open session and waits.
  int probe(Wait& wait);
  using Callback = int (*)(int operation, snmp_session* session, int request_id, snmp_pdu* pdu, void* magic);
  // Sends `out` (the library's to free from here on) and makes `wait` the
  // wait its answer is reported to; the caller holds the lock.
  int send_locked(Wait& wait, snmp_pdu* out, Callback callback);
  // Waits until the callback ends `wait`, the last try has timed out, or
  // waiting fails; the caller holds no lock.
  int wait_for(Wait& wait);
  // The library's next time-out and whether anything is outstanding; the
  // caller holds the lock.
  void next_wait_locked(Wait& wait);
  // The clear header of the datagram waiting on the socket.
  void peek(Wait& wait);

  // Library callbacks (run inside the library's read, under the lock).
  static int exchange_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu, void* magic);
  static int discovery_callback(int operation, snmp_session* session, int request_id, snmp_pdu* pdu, void* magic);

  // Lends the user and the engine time to the library / takes them back.
  void enter_locked();
  void leave_locked();

  void* m_pSession = nullptr;
  usmUser* m_pUser = nullptr;
  // The wait the library callbacks report to (null between waits, so a
  // late callback of an abandoned request finds nothing).
  Wait* m_pWait = nullptr;
  std::string m_settings;  // of the open session; holds key material
  std::string m_peer;
  std::string m_userName;
  int m_level = 0;
  std::string m_engineId;
  // Whether the engine answered at the address in this operation (a
  // discovery answer or a response).
  bool m_confirmed = false;
  PmsV3EngineTime m_time;
  // Boots and time written into the library's entry by enter_locked.
  uint32_t m_lentBoots = 0;
  uint32_t m_lentTime = 0;
  // A seeded engine and its time (seed).
  std::string m_seedEngine;
  PmsV3EngineTime m_seedTime;
  size_t m_discoveries = 0;
};
