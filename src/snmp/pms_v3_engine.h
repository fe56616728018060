// What an SNMPv3 operation knows of the agent's engine: its id, its boots
// and time, and where they came from; the clear header of a received
// message; and the process's record of the engines found at each address.
//
// An authenticated message must carry the engine's boots and time, or a
// strict agent answers with a notInTimeWindows report and the request is
// sent again. Engine discovery (an unauthenticated request without an
// engine id) is answered by a report that carries the engine's id, boots
// and time in its clear header, and every authenticated answer carries
// them again. The library keeps boots and time in a list of its own for
// every engine; an operation keeps its own copy (PmsV3EngineTime) and lends
// it to the library only while it holds the library lock.
//
// The engine record (CPmsV3EngineCache) lets an operation skip discovery
// when an earlier one found the engine at the same address: it keeps an
// engine id, boots and time per address, all of which every agent hands
// out to anyone who asks, and nothing of any user. Entries are stored only
// after an operation's authenticated exchange with the engine succeeded
// (the agent took the boots and time), or, for the engine id alone, after
// an unauthenticated one. An operation that meets a stale entry (the agent
// reports the engine id unknown, or does not answer) forgets it and
// discovers the engine again.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <unordered_map>

// The clear header of an SNMPv3 message with user-based security.
struct PmsV3Header {
  static constexpr size_t kMaxEngineId = 32;
  static constexpr size_t kMaxUser = 32;

  int64_t msg_id = 0;
  uint8_t flags = 0;  // bit 0 authentication, bit 1 privacy, bit 2 reportable
  unsigned char engine_id[kMaxEngineId] = {};
  size_t engine_id_length = 0;
  uint32_t boots = 0;
  uint32_t time = 0;
  char user[kMaxUser] = {};
  size_t user_length = 0;

  bool authenticated() const { return (flags & 1) != 0; }
  bool same_engine(const std::string& id) const;
  bool same_user(const std::string& name) const;
};

// Reads the header from the first `length` bytes of a datagram, which may
// stop anywhere after the security parameters (the rest of the message is
// not looked at). False for anything that is not an SNMPv3 message with
// well-formed user-based security parameters: lengths past the bytes, other
// tags, an engine id or user name over 32 octets, boots or time outside
// 0..2147483647.
bool pms_v3_read_header(const unsigned char* data, size_t length, PmsV3Header* out);

// An engine's boots and time as last learnt, and when.
class PmsV3EngineTime {
 public:
  using Clock = std::chrono::steady_clock;

  bool known() const { return m_known; }
  // Learnt from an authenticated message (else from a discovery report).
  bool authenticated() const { return m_authenticated; }
  void set(uint32_t boots, uint32_t time, bool authenticated, Clock::time_point at = Clock::now());
  void forget() { *this = PmsV3EngineTime(); }
  // The engine took these boots and time (it answered an authenticated
  // request that carried them).
  void confirm() { m_authenticated = m_known; }
  // Boots and time at the engine now: the time learnt plus the whole
  // seconds since (boots and time stay 0 while unknown).
  void now(uint32_t* boots, uint32_t* time, Clock::time_point at = Clock::now()) const;

 private:
  uint32_t m_boots = 0;
  uint32_t m_time = 0;
  Clock::time_point m_stamp{};
  bool m_known = false;
  bool m_authenticated = false;
};

// One engine as found at an address.
struct PmsV3EngineRecord {
  std::string engine_id;
  PmsV3EngineTime time;
};

class CPmsV3EngineCache {
 public:
  // Enough for every printer of a large fleet polled in turn (an entry is
  // about a hundred bytes); a smaller record would be empty again by the
  // time the poll comes round to an address.
  static constexpr size_t kCapacity = 4096;
  // Older entries are not handed out: an agent whose engine changed in
  // the meantime costs a failed try, which is kept rare.
  static constexpr std::chrono::seconds kMaxAge{600};

  // The entry of `peer` (the library's peer name), or false.
  bool find(const std::string& peer, PmsV3EngineRecord* out);
  // Keeps `record` for `peer` (the most recent entry; the oldest beyond
  // kCapacity goes). Nothing when the record has no engine id.
  void store(const std::string& peer, const PmsV3EngineRecord& record);
  void forget(const std::string& peer);
  void clear();
  size_t size() const;
  // Off: find finds nothing and store keeps nothing (for measurements).
  void set_enabled(bool on);
  bool enabled() const;

 private:
  struct Entry {
    std::string peer;
    PmsV3EngineRecord record;
    PmsV3EngineTime::Clock::time_point stored;
  };
  // Removes the entry at `it`; m_lock is held.
  void erase_locked(std::list<Entry>::iterator it);

  mutable std::mutex m_lock;
  std::list<Entry> m_entries;  // the most recent first
  std::unordered_map<std::string, std::list<Entry>::iterator> m_index;  // by peer
  bool m_enabled = true;
};

// The process's engine record.
CPmsV3EngineCache& pms_v3_engine_cache();
