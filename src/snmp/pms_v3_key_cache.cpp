#include "snmp/pms_v3_key_cache.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <algorithm>
#include <cstring>

#include "base/pmc_result.h"
#include "platform/pmc_platform.h"
#include "snmp/pms_v3_mapping.h"
#include "snmp/pms_v3_session_builder.h"

void CPmsKeyCache::wipe(Entry& entry) {
  if (!entry.phrase.empty()) pmc_wipe(&entry.phrase[0], entry.phrase.size());
  pmc_wipe(entry.key, sizeof entry.key);
  entry.length = 0;
}

std::vector<CPmsKeyCache::Entry>::iterator CPmsKeyCache::find_locked(int32_t hash, const char* phrase,
                                                                     size_t length) {
  return std::find_if(m_entries.begin(), m_entries.end(), [&](const Entry& e) {
    return e.hash == hash && e.phrase.size() == length && std::memcmp(e.phrase.data(), phrase, length) == 0;
  });
}

int CPmsKeyCache::key(int32_t hash, const char* phrase, size_t length, unsigned char* key, size_t* key_length) {
  if (phrase == nullptr || key == nullptr || key_length == nullptr) return PMC_E_ARG;
  {
    std::lock_guard<std::mutex> hold(m_lock);
    auto found = find_locked(hash, phrase, length);
    if (found != m_entries.end()) {
      if (found->length > *key_length) return PMC_E_OVERFLOW;
      std::rotate(m_entries.begin(), found, found + 1);  // now the most recent
      std::memcpy(key, m_entries.front().key, m_entries.front().length);
      *key_length = m_entries.front().length;
      return PMC_OK;
    }
  }
  // Derived without the lock: it takes milliseconds. Two threads asking for
  // the same new key both derive it; the second entry simply replaces the
  // first below.
  const int rc = m_derive(hash, phrase, length, key, key_length);
  if (rc != PMC_OK || *key_length > kMaxKey) return rc;

  std::lock_guard<std::mutex> hold(m_lock);
  try {
    auto same = find_locked(hash, phrase, length);
    if (same != m_entries.end()) {
      wipe(*same);
      m_entries.erase(same);
    }
    if (m_entries.size() == kCapacity) {
      wipe(m_entries.back());
      m_entries.pop_back();
    }
    Entry entry;
    entry.hash = hash;
    entry.phrase.assign(phrase, length);
    std::memcpy(entry.key, key, *key_length);
    entry.length = *key_length;
    m_entries.insert(m_entries.begin(), std::move(entry));
  } catch (...) {
    // Not kept: the key itself is good.
  }
  return PMC_OK;
}

void CPmsKeyCache::clear() {
  std::lock_guard<std::mutex> hold(m_lock);
  for (Entry& entry : m_entries) wipe(entry);
  m_entries.clear();
}

size_t CPmsKeyCache::size() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_entries.size();
}

namespace {

int derive_with_library(int32_t hash, const char* phrase, size_t length, unsigned char* key, size_t* key_length) {
  const oid* protocol = nullptr;
  switch (hash) {
    case 1: protocol = usmHMACMD5AuthProtocol; break;
    case 2: protocol = usmHMACSHA1AuthProtocol; break;
    default: return PMC_E_ARG;
  }
  int rc = generate_Ku(protocol, USM_AUTH_PROTO_MD5_LEN, reinterpret_cast<const u_char*>(phrase), length, key,
                       key_length);
  if (rc == SNMPERR_SUCCESS) return PMC_OK;
  *key_length = 0;
  pms_v3_report_code("generate_Ku", rc);
  return pms_v3_map_library_error(rc);
}

}  // namespace

CPmsKeyCache& pms_v3_key_cache() {
  // Never destroyed: operations may still run while the process exits.
  static CPmsKeyCache* cache = new CPmsKeyCache(derive_with_library);
  return *cache;
}
