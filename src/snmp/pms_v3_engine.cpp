#include "snmp/pms_v3_engine.h"

#include <cstring>
#include <iterator>

namespace {

// A forward reader of definite-length BER that never reads past its end.
class Reader {
 public:
  Reader(const unsigned char* data, size_t length) : m_data(data), m_end(data + length) {}

  // The header of the next element: its tag and the length of its
  // contents. With `whole`, the contents must lie within the bytes.
  bool header(unsigned char* tag, size_t* length, bool whole) {
    if (m_end - m_data < 2) return false;
    *tag = *m_data++;
    unsigned char first = *m_data++;
    if (first < 0x80) {
      *length = first;
    } else {
      size_t count = first & 0x7F;
      if (count == 0 || count > 4 || static_cast<size_t>(m_end - m_data) < count) return false;
      size_t value = 0;
      for (size_t i = 0; i < count; ++i) value = (value << 8) | *m_data++;
      *length = value;
    }
    return !whole || *length <= static_cast<size_t>(m_end - m_data);
  }

  // The next element, which must have `tag` and lie within the bytes.
  bool element(unsigned char tag, Reader* contents) {
    unsigned char found = 0;
    size_t length = 0;
    if (!header(&found, &length, true) || found != tag) return false;
    *contents = Reader(m_data, length);
    m_data += length;
    return true;
  }

  // A non-negative INTEGER of at most 31 bits.
  bool integer(int64_t max, int64_t* out) {
    Reader contents(nullptr, 0);
    if (!element(0x02, &contents)) return false;
    size_t length = contents.remaining();
    if (length == 0 || length > 5) return false;
    if ((contents.m_data[0] & 0x80) != 0) return false;  // negative
    int64_t value = 0;
    for (size_t i = 0; i < length; ++i) value = (value << 8) | contents.m_data[i];
    if (value > max) return false;
    *out = value;
    return true;
  }

  bool octets(unsigned char* out, size_t room, size_t* length) {
    Reader contents(nullptr, 0);
    if (!element(0x04, &contents) || contents.remaining() > room) return false;
    *length = contents.remaining();
    if (*length > 0) std::memcpy(out, contents.m_data, *length);
    return true;
  }

  size_t remaining() const { return static_cast<size_t>(m_end - m_data); }

 private:
  const unsigned char* m_data;
  const unsigned char* m_end;
};

constexpr int64_t kMax31 = 2147483647;

}  // namespace

bool PmsV3Header::same_engine(const std::string& id) const {
  return id.size() == engine_id_length && std::memcmp(id.data(), engine_id, engine_id_length) == 0;
}

bool PmsV3Header::same_user(const std::string& name) const {
  return name.size() == user_length && std::memcmp(name.data(), user, user_length) == 0;
}

bool pms_v3_read_header(const unsigned char* data, size_t length, PmsV3Header* out) {
  if (data == nullptr || out == nullptr) return false;
  *out = PmsV3Header();
  Reader datagram(data, length);
  unsigned char tag = 0;
  size_t message_length = 0;
  // The message itself may go on past the bytes at hand.
  if (!datagram.header(&tag, &message_length, false) || tag != 0x30) return false;
  Reader message = datagram;
  int64_t version = 0;
  if (!message.integer(kMax31, &version) || version != 3) return false;

  Reader global(nullptr, 0);
  int64_t max_size = 0;
  int64_t model = 0;
  unsigned char flags[1] = {};
  size_t flags_length = 0;
  if (!message.element(0x30, &global) || !global.integer(kMax31, &out->msg_id) ||
      !global.integer(kMax31, &max_size) || !global.octets(flags, sizeof flags, &flags_length) ||
      flags_length != 1 || !global.integer(kMax31, &model) || global.remaining() != 0 || model != 3) {
    return false;
  }
  out->flags = flags[0];

  Reader wrapper(nullptr, 0);
  Reader parameters(nullptr, 0);
  int64_t boots = 0;
  int64_t time = 0;
  if (!message.element(0x04, &wrapper) || !wrapper.element(0x30, &parameters) ||
      !parameters.octets(out->engine_id, sizeof out->engine_id, &out->engine_id_length) ||
      !parameters.integer(kMax31, &boots) || !parameters.integer(kMax31, &time) ||
      !parameters.octets(reinterpret_cast<unsigned char*>(out->user), sizeof out->user, &out->user_length)) {
    *out = PmsV3Header();
    return false;
  }
  out->boots = static_cast<uint32_t>(boots);
  out->time = static_cast<uint32_t>(time);
  return true;
}

// ---------------------------------------------------------------------------
// PmsV3EngineTime
// ---------------------------------------------------------------------------

void PmsV3EngineTime::set(uint32_t boots, uint32_t time, bool authenticated, Clock::time_point at) {
  m_boots = boots;
  m_time = time;
  m_stamp = at;
  m_known = true;
  m_authenticated = authenticated;
}

void PmsV3EngineTime::now(uint32_t* boots, uint32_t* time, Clock::time_point at) const {
  *boots = m_known ? m_boots : 0;
  *time = 0;
  if (!m_known) return;
  int64_t passed = std::chrono::duration_cast<std::chrono::seconds>(at - m_stamp).count();
  if (passed < 0) passed = 0;
  int64_t estimate = static_cast<int64_t>(m_time) + passed;
  *time = estimate > kMax31 ? static_cast<uint32_t>(kMax31) : static_cast<uint32_t>(estimate);
}

// ---------------------------------------------------------------------------
// CPmsV3EngineCache
// ---------------------------------------------------------------------------

bool CPmsV3EngineCache::find(const std::string& peer, PmsV3EngineRecord* out) {
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_enabled) return false;
  auto found = m_index.find(peer);
  if (found == m_index.end()) return false;
  auto it = found->second;
  if (PmsV3EngineTime::Clock::now() - it->stored > kMaxAge) {
    erase_locked(it);
    return false;
  }
  m_entries.splice(m_entries.begin(), m_entries, it);
  if (out != nullptr) *out = it->record;
  return true;
}

void CPmsV3EngineCache::store(const std::string& peer, const PmsV3EngineRecord& record) {
  if (record.engine_id.empty()) return;
  std::lock_guard<std::mutex> hold(m_lock);
  if (!m_enabled) return;
  try {
    auto found = m_index.find(peer);
    if (found != m_index.end()) erase_locked(found->second);
    m_entries.push_front(Entry{peer, record, PmsV3EngineTime::Clock::now()});
    try {
      m_index.emplace(peer, m_entries.begin());
    } catch (...) {
      m_entries.pop_front();  // an entry nobody can find would only take room
      throw;
    }
    while (m_entries.size() > kCapacity) erase_locked(std::prev(m_entries.end()));
  } catch (...) {
    // Not kept: the next operation discovers the engine itself.
  }
}

void CPmsV3EngineCache::erase_locked(std::list<Entry>::iterator it) {
  m_index.erase(it->peer);
  m_entries.erase(it);
}

void CPmsV3EngineCache::forget(const std::string& peer) {
  std::lock_guard<std::mutex> hold(m_lock);
  auto found = m_index.find(peer);
  if (found != m_index.end()) erase_locked(found->second);
}

void CPmsV3EngineCache::clear() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_entries.clear();
  m_index.clear();
}

size_t CPmsV3EngineCache::size() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_entries.size();
}

void CPmsV3EngineCache::set_enabled(bool on) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_enabled = on;
  if (!on) {
    m_entries.clear();
    m_index.clear();
  }
}

bool CPmsV3EngineCache::enabled() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_enabled;
}

CPmsV3EngineCache& pms_v3_engine_cache() {
  // Never destroyed: operations may still run while the process exits.
  static CPmsV3EngineCache* cache = new CPmsV3EngineCache();
  return *cache;
}
