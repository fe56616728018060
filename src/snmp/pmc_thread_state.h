// The per-thread variable store of the SNMP library binding.
//
// A variable is declared once (normally at load time) as an offset into a
// per-thread block; each thread that touches it works on its own copy, which
// starts as zero bytes. Variables with an initial value are registered, so
// that `restore_initial_values` writes every initial value into the calling
// thread's copies and `release_thread_copies` frees what the copies own and
// then the thread's whole block.
//
//   static PmcThreadValue<bool> g_ready;          // zero in every thread
//   static PmcThreadValue<int32_t> g_depth(7);    // initial value 7
//   *g_depth.get() += 1;                          // this thread's copy only
//
// The process-wide arena and registry are created on first use; tests build
// their own pairs with a small capacity.
#pragma once


#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <type_traits>

#include "platform/pmc_platform.h"

// One thread-local block per thread, `capacity` bytes each, handed out as
// offsets by `reserve`.
class CPmcThreadArena {
 public:
  static constexpr size_t kDefaultCapacity = 0x40000;
  static constexpr int64_t kNoOffset = -1;

  explicit CPmcThreadArena(size_t capacity = kDefaultCapacity);
  // Frees the blocks of every thread that still holds one and the
  // thread-local slot.
  ~CPmcThreadArena();
  CPmcThreadArena(const CPmcThreadArena&) = delete;
  CPmcThreadArena& operator=(const CPmcThreadArena&) = delete;

  // The offset of `size` new bytes, aligned to `align` (a power of two), or
  // kNoOffset when they would not fit strictly below the capacity: a request
  // that would fill the arena exactly is refused. Nothing changes then.
  int64_t reserve(size_t size, size_t align = 1);
  // The calling thread's copy of the bytes at `offset`; the thread's block
  // is allocated (zeroed) on its first access. Null for an offset that was
  // never handed out or when memory runs out.
  void* at(int64_t offset);
  // The same without allocating: null when the thread holds no block.
  void* find(int64_t offset) const;
  // Whether the calling thread holds a block now.
  bool has_block() const;
  // Frees the calling thread's block; its next access starts from zeros.
  void release_block();

  size_t capacity() const { return m_capacity; }
  size_t used() const;
  // Number of threads holding a block.
  size_t live_blocks() const;

  // The process-wide arena (created on first use, never null).
  static CPmcThreadArena& process();

 private:
  struct Block;
  static unsigned char* data_of(Block* block);
  static void on_thread_exit(void* block);
  void unlink(Block* block);
  void free_block(Block* block);

  const size_t m_capacity;
  mutable std::mutex m_lock;  // guards m_used and the list of blocks
  size_t m_used = 0;
  Block* m_blocks = nullptr;  // every live block, for the destructor
  PmcThreadSlot m_slot{};
  bool m_haveSlot = false;
};

class CPmcThreadRegistry;

// The descriptor of one declared variable: where it lives in the block and
// what its initial value is. Reset and release act on the calling thread's
// copy. A descriptor registers itself when it has an initial value and
// leaves the registry when it is destroyed.
class CPmcThreadVariable {
 public:
  // Writes the initial value into this thread's copy (nothing when there is
  // none); exactly the variable's size is written.
  virtual void reset();
  // Frees what this thread's copy owns; nothing for plain values.
  virtual void release() {}

  int64_t offset() const { return m_offset; }
  size_t size() const { return m_size; }
  bool reserved() const { return m_offset != CPmcThreadArena::kNoOffset; }
  // This thread's copy, or null (no room in the arena, no memory).
  void* copy();
  // This thread's copy when the thread holds a block, else null.
  void* existing_copy() const;

  CPmcThreadVariable(const CPmcThreadVariable&) = delete;
  CPmcThreadVariable& operator=(const CPmcThreadVariable&) = delete;

 protected:
  CPmcThreadVariable(CPmcThreadRegistry& registry, size_t size, size_t align);
  virtual ~CPmcThreadVariable();

  // The declaration, run by the derived constructor once `initial` (which
  // may be null: zero bytes) is in place: copies the initial value into the
  // declaring thread's copy and registers the variable when it has one.
  void declare(const void* initial);

 private:
  friend class CPmcThreadRegistry;

  CPmcThreadRegistry& m_registry;
  const size_t m_size;
  int64_t m_offset;
  const void* m_pInitial = nullptr;
  // Links of the registry's ring.
  CPmcThreadVariable* m_pPrev = nullptr;
  CPmcThreadVariable* m_pNext = nullptr;
};

// The ring of registered descriptors over one arena.
class CPmcThreadRegistry {
 public:
  explicit CPmcThreadRegistry(CPmcThreadArena& arena);
  ~CPmcThreadRegistry();
  CPmcThreadRegistry(const CPmcThreadRegistry&) = delete;
  CPmcThreadRegistry& operator=(const CPmcThreadRegistry&) = delete;

  // Appends at the tail ("register" itself is a keyword).
  void register_variable(CPmcThreadVariable* variable);
  // Takes a descriptor out of the ring (a descriptor being destroyed).
  void unregister_variable(CPmcThreadVariable* variable);
  // Resets every registered descriptor, head to tail, on the calling thread.
  void restore_initial_values();
  // Releases every registered descriptor, head to tail, then frees the
  // calling thread's block.
  void release_thread_copies();

  size_t count() const;
  CPmcThreadArena& arena() { return m_arena; }

  // The process-wide registry over CPmcThreadArena::process().
  static CPmcThreadRegistry& process();

 private:
  // Calls `fn` on every descriptor, head to tail. The ring is walked under
  // the lock; descriptors only join and leave it at declaration and
  // destruction.
  template <class Fn>
  void for_each(Fn fn);

  CPmcThreadArena& m_arena;
  mutable std::mutex m_lock;
  CPmcThreadVariable* m_pHead = nullptr;
  size_t m_count = 0;
};

// A variable of a trivially copyable type.
template <class T>
class PmcThreadValue : public CPmcThreadVariable {
  static_assert(std::is_trivially_copyable<T>::value, "per-thread copies are plain bytes");

 public:
  // Zero bytes in every thread; not registered.
  explicit PmcThreadValue(CPmcThreadRegistry& registry = CPmcThreadRegistry::process())
      : CPmcThreadVariable(registry, sizeof(T), alignof(T)) {
    declare(nullptr);
  }
  // Starts as `initial` in the declaring thread and in every thread after
  // restore_initial_values.
  explicit PmcThreadValue(const T& initial, CPmcThreadRegistry& registry = CPmcThreadRegistry::process())
      : CPmcThreadVariable(registry, sizeof(T), alignof(T)), m_initial(initial) {
    declare(&m_initial);
  }

  // This thread's copy, or null when the variable has no room.
  T* get() { return static_cast<T*>(copy()); }

 private:
  T m_initial{};
};

// An array of `N` elements 4 bytes wide.
template <class T, size_t N>
class PmcThreadArray : public CPmcThreadVariable {
  static_assert(sizeof(T) == 4 && std::is_trivially_copyable<T>::value, "elements are 4 bytes wide");

 public:
  explicit PmcThreadArray(CPmcThreadRegistry& registry = CPmcThreadRegistry::process())
      : CPmcThreadVariable(registry, N * sizeof(T), alignof(T)) {
    declare(nullptr);
  }
  PmcThreadArray(const T (&initial)[N], CPmcThreadRegistry& registry = CPmcThreadRegistry::process())
      : CPmcThreadVariable(registry, N * sizeof(T), alignof(T)) {
    std::memcpy(m_initial, initial, sizeof(m_initial));
    declare(m_initial);
  }

  T* get() { return static_cast<T*>(copy()); }
  static constexpr size_t count() { return N; }

 private:
  T m_initial[N] = {};
};

// A pointer that the thread's copy owns: release frees it with `Free` and
// clears the copy. Starts null; registered so that release runs.
template <class T, void (*Free)(T*)>
class PmcThreadOwned : public CPmcThreadVariable {
 public:
  explicit PmcThreadOwned(CPmcThreadRegistry& registry = CPmcThreadRegistry::process())
      : CPmcThreadVariable(registry, sizeof(T*), alignof(T*)) {
    declare(&m_null);
  }

  T** get() { return static_cast<T**>(copy()); }

  // A reset never leaks: what the copy held is freed first.
  void reset() override { release(); }
  // Touches only a block that exists, so releasing on a thread that never
  // used the variable allocates nothing.
  void release() override {
    T** slot = static_cast<T**>(existing_copy());
    if (slot != nullptr && *slot != nullptr) {
      Free(*slot);
      *slot = nullptr;
    }
  }

 private:
  T* m_null = nullptr;
};
