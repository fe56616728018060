// Keys derived from pass phrases, kept for later SNMPv3 operations.
//
// Turning a pass phrase into a key hashes a megabyte of the phrase repeated.
// Every SNMPv3 operation needs one or two keys, and a host asks the same few
// users again and again, so without keeping them an operation spends nearly
// all of its time deriving keys it has derived before. A key depends only on
// the pass phrase and the hash, never on the agent (the agent-specific form
// is made from it by the SNMP library for each session, which is cheap).
//
// The cache keeps the most recently used entries (at most kCapacity). An
// entry is wiped when it leaves the cache and at clear(). A failed
// derivation is not kept. Safe to use from several threads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

class CPmsKeyCache {
 public:
  static constexpr size_t kCapacity = 32;
  static constexpr size_t kMaxKey = 64;

  // Derives the key of the `length` bytes of `phrase` with hash `hash` into
  // `key`; *key_length holds the room on entry and the key's length on
  // return. 0 or a result code.
  using Derive = int (*)(int32_t hash, const char* phrase, size_t length, unsigned char* key, size_t* key_length);

  explicit CPmsKeyCache(Derive derive) : m_derive(derive) {}
  ~CPmsKeyCache() { clear(); }
  CPmsKeyCache(const CPmsKeyCache&) = delete;
  CPmsKeyCache& operator=(const CPmsKeyCache&) = delete;

  // The key of `phrase` with `hash`: kept, or derived and kept. Same
  // contract as Derive; a key longer than kMaxKey is handed out but not kept.
  int key(int32_t hash, const char* phrase, size_t length, unsigned char* key, size_t* key_length);
  // Wipes and forgets every entry.
  void clear();
  size_t size() const;

 private:
  struct Entry {
    int32_t hash = 0;
    std::string phrase;
    unsigned char key[kMaxKey] = {};
    size_t length = 0;
  };
  static void wipe(Entry& entry);
  // The entry of `hash` and `phrase`, or end(); m_lock is held.
  std::vector<Entry>::iterator find_locked(int32_t hash, const char* phrase, size_t length);

  const Derive m_derive;
  mutable std::mutex m_lock;
  std::vector<Entry> m_entries;  // the most recently used first
};

// The process's cache of SNMPv3 keys; `hash` is the authentication protocol
// setting of a target (1 MD5, 2 SHA-1). Keys are derived by the SNMP library,
// which must be set up when a key is not kept yet.
CPmsKeyCache& pms_v3_key_cache();
