#include "snmp/pmc_thread_state.h"

#include <cstddef>
#include <cstdlib>

#include "base/pmc_result.h"

// Header in front of every thread's bytes. The blocks form a list so that
// the arena can free the blocks of threads that never released theirs.
struct alignas(std::max_align_t) CPmcThreadArena::Block {
  CPmcThreadArena* owner;
  Block* prev;
  Block* next;
};

// The thread's bytes follow the header, aligned for any variable.
unsigned char* CPmcThreadArena::data_of(Block* block) {
  return reinterpret_cast<unsigned char*>(block) + sizeof(Block);
}

namespace {

bool is_power_of_two(size_t value) { return value != 0 && (value & (value - 1)) == 0; }

}  // namespace

// ---------------------------------------------------------------------------
// CPmcThreadArena
// ---------------------------------------------------------------------------

CPmcThreadArena::CPmcThreadArena(size_t capacity) : m_capacity(capacity) {
  // A thread that ends without releasing its block gives it back here.
  m_haveSlot = pmc_platform().slot_create(&m_slot, &CPmcThreadArena::on_thread_exit) == PMC_OK;
}

CPmcThreadArena::~CPmcThreadArena() {
  if (m_haveSlot) {
    pmc_platform().slot_set(m_slot, nullptr);
    pmc_platform().slot_delete(m_slot);
  }
  std::lock_guard<std::mutex> guard(m_lock);
  while (m_blocks != nullptr) {
    Block* block = m_blocks;
    m_blocks = block->next;
    std::free(block);
  }
}

CPmcThreadArena& CPmcThreadArena::process() {
  static CPmcThreadArena arena;
  return arena;
}

int64_t CPmcThreadArena::reserve(size_t size, size_t align) {
  if (!is_power_of_two(align) || align > alignof(std::max_align_t)) return kNoOffset;
  std::lock_guard<std::mutex> guard(m_lock);
  size_t start = (m_used + align - 1) & ~(align - 1);
  // Strict comparison: the last byte of the arena is never handed out.
  if (start < m_used || size >= m_capacity || start >= m_capacity - size) return kNoOffset;
  m_used = start + size;
  return static_cast<int64_t>(start);
}

size_t CPmcThreadArena::used() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_used;
}

size_t CPmcThreadArena::live_blocks() const {
  std::lock_guard<std::mutex> guard(m_lock);
  size_t count = 0;
  for (Block* block = m_blocks; block != nullptr; block = block->next) ++count;
  return count;
}

void* CPmcThreadArena::find(int64_t offset) const {
  if (!m_haveSlot || offset < 0) return nullptr;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    // Offsets past what was handed out belong to no variable.
    if (static_cast<uint64_t>(offset) >= m_used) return nullptr;
  }
  auto* block = static_cast<Block*>(pmc_platform().slot_get(m_slot));
  return block != nullptr ? data_of(block) + offset : nullptr;
}

void* CPmcThreadArena::at(int64_t offset) {
  if (!m_haveSlot || offset < 0) return nullptr;
  std::lock_guard<std::mutex> guard(m_lock);
  if (static_cast<uint64_t>(offset) >= m_used) return nullptr;
  auto* block = static_cast<Block*>(pmc_platform().slot_get(m_slot));
  if (block == nullptr) {
    block = static_cast<Block*>(std::calloc(1, sizeof(Block) + m_capacity));
    if (block == nullptr) return nullptr;
    block->owner = this;
    block->prev = nullptr;
    block->next = m_blocks;
    if (m_blocks != nullptr) m_blocks->prev = block;
    m_blocks = block;
    if (pmc_platform().slot_set(m_slot, block) != PMC_OK) {
      unlink(block);
      std::free(block);
      return nullptr;
    }
  }
  return data_of(block) + offset;
}

bool CPmcThreadArena::has_block() const {
  return m_haveSlot && pmc_platform().slot_get(m_slot) != nullptr;
}

void CPmcThreadArena::release_block() {
  if (!m_haveSlot) return;
  auto* block = static_cast<Block*>(pmc_platform().slot_get(m_slot));
  if (block == nullptr) return;
  pmc_platform().slot_set(m_slot, nullptr);
  free_block(block);
}

void CPmcThreadArena::unlink(Block* block) {
  if (block->prev != nullptr) block->prev->next = block->next;
  if (block->next != nullptr) block->next->prev = block->prev;
  if (m_blocks == block) m_blocks = block->next;
}

void CPmcThreadArena::free_block(Block* block) {
  {
    std::lock_guard<std::mutex> guard(m_lock);
    unlink(block);
  }
  std::free(block);
}

void CPmcThreadArena::on_thread_exit(void* block) {
  auto* b = static_cast<Block*>(block);
  b->owner->free_block(b);
}

// ---------------------------------------------------------------------------
// CPmcThreadVariable
// ---------------------------------------------------------------------------

CPmcThreadVariable::CPmcThreadVariable(CPmcThreadRegistry& registry, size_t size, size_t align)
    : m_registry(registry), m_size(size), m_offset(registry.arena().reserve(size, align)) {}

CPmcThreadVariable::~CPmcThreadVariable() { m_registry.unregister_variable(this); }

void CPmcThreadVariable::declare(const void* initial) {
  m_pInitial = initial;
  if (initial == nullptr || !reserved()) return;
  reset();  // the declaring thread starts with the initial value
  m_registry.register_variable(this);
}

void* CPmcThreadVariable::copy() { return reserved() ? m_registry.arena().at(m_offset) : nullptr; }

void* CPmcThreadVariable::existing_copy() const {
  return reserved() ? m_registry.arena().find(m_offset) : nullptr;
}

void CPmcThreadVariable::reset() {
  if (m_pInitial == nullptr) return;
  void* target = copy();
  if (target != nullptr) std::memcpy(target, m_pInitial, m_size);
}

// ---------------------------------------------------------------------------
// CPmcThreadRegistry
// ---------------------------------------------------------------------------

CPmcThreadRegistry::CPmcThreadRegistry(CPmcThreadArena& arena) : m_arena(arena) {}

CPmcThreadRegistry::~CPmcThreadRegistry() {
  // Descriptors that outlive the registry must not reach back into it.
  std::lock_guard<std::mutex> guard(m_lock);
  while (m_pHead != nullptr) {
    CPmcThreadVariable* variable = m_pHead;
    m_pHead = variable->m_pNext == variable ? nullptr : variable->m_pNext;
    variable->m_pPrev->m_pNext = variable->m_pNext;
    variable->m_pNext->m_pPrev = variable->m_pPrev;
    variable->m_pPrev = variable->m_pNext = nullptr;
  }
  m_count = 0;
}

CPmcThreadRegistry& CPmcThreadRegistry::process() {
  static CPmcThreadRegistry registry(CPmcThreadArena::process());
  return registry;
}

void CPmcThreadRegistry::register_variable(CPmcThreadVariable* variable) {
  if (variable == nullptr) return;
  std::lock_guard<std::mutex> guard(m_lock);
  if (variable->m_pNext != nullptr) return;  // already in the ring
  if (m_pHead == nullptr) {
    variable->m_pPrev = variable->m_pNext = variable;
    m_pHead = variable;
  } else {
    CPmcThreadVariable* tail = m_pHead->m_pPrev;
    variable->m_pPrev = tail;
    variable->m_pNext = m_pHead;
    tail->m_pNext = variable;
    m_pHead->m_pPrev = variable;
  }
  ++m_count;
}

void CPmcThreadRegistry::unregister_variable(CPmcThreadVariable* variable) {
  if (variable == nullptr) return;
  std::lock_guard<std::mutex> guard(m_lock);
  if (variable->m_pNext == nullptr) return;  // not in the ring
  if (variable->m_pNext == variable) {
    m_pHead = nullptr;
  } else {
    variable->m_pPrev->m_pNext = variable->m_pNext;
    variable->m_pNext->m_pPrev = variable->m_pPrev;
    if (m_pHead == variable) m_pHead = variable->m_pNext;
  }
  variable->m_pPrev = variable->m_pNext = nullptr;
  --m_count;
}

size_t CPmcThreadRegistry::count() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return m_count;
}

template <class Fn>
void CPmcThreadRegistry::for_each(Fn fn) {
  std::lock_guard<std::mutex> guard(m_lock);
  CPmcThreadVariable* variable = m_pHead;
  for (size_t i = 0; i < m_count; ++i, variable = variable->m_pNext) fn(variable);
}

void CPmcThreadRegistry::restore_initial_values() {
  for_each([](CPmcThreadVariable* variable) { variable->reset(); });
}

void CPmcThreadRegistry::release_thread_copies() {
  for_each([](CPmcThreadVariable* variable) { variable->release(); });
  m_arena.release_block();
}
