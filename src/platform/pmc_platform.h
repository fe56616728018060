// The platform services the library needs from the operating system.
//
// Everything the rest of the library asks of the system that C++ itself does
// not offer goes through one table of functions: loading libraries and
// binding their entry points, the random source, a millisecond tick for
// time-outs, the wall clock in local time, process and thread ids,
// thread-local slots with a clean-up at thread exit. Sockets and adapters are
// the run-time loaded libraries of NPmcSocketAPI and NPmcIpHelpAPI, bound
// through this table's loader. There are two backends, one for POSIX systems
// and one for Windows, chosen when the library is built; tests may replace
// the table to play a system that fails.
//
// This is the lowest layer above base: it logs nothing (the log layer sits
// above it and uses its clock and ids). Failures keep a per-thread system
// error in the classic numbering that the loaders test: 126 when a library
// cannot be loaded, 127 when an entry point is missing from a loaded library.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

using PmcModule = void*;

enum PmcSystemError : int {
  PMC_SYS_MOD_NOT_FOUND = 126,   // the library could not be loaded
  PMC_SYS_PROC_NOT_FOUND = 127,  // the entry point is not in the library
};

// A wall-clock time in the host's local time zone.
struct PmcLocalTime {
  int year;    // e.g. 2026
  int month;   // 1..12
  int day;     // 1..31
  int hour;    // 0..23
  int minute;  // 0..59
  int second;  // 0..60
  int millisecond;
};

// A thread-local slot; what a slot holds is a pointer per thread.
using PmcThreadSlot = uintptr_t;
using PmcThreadExitFn = void (*)(void* value);

// The services, one entry each. Every entry is always set.
struct PmcPlatformTable {
  // Loads a library by name; null and the thread's error 126 when it cannot.
  PmcModule (*load_library)(const char* name);
  void (*free_library)(PmcModule module);
  // An entry point of a loaded library; null and error 127 when missing.
  void* (*get_proc_address)(PmcModule module, const char* name);
  // The calling thread's error of its last failed load or bind.
  int (*last_error)();
  // `size` bytes of the system's random source: 0, or -10 when it gives none.
  int (*random)(void* out, size_t size);
  // Milliseconds since some fixed point; wraps after 49.7 days, so only
  // differences (as unsigned 32-bit values) mean anything.
  uint32_t (*tick_count)();
  void (*local_time)(PmcLocalTime* out);
  uint32_t (*process_id)();
  uint32_t (*thread_id)();
  // A new slot whose `on_exit` runs, with the thread's value, when a thread
  // that set a non-null value ends. 0, or -10 when the system has none left.
  int (*slot_create)(PmcThreadSlot* slot, PmcThreadExitFn on_exit);
  void (*slot_delete)(PmcThreadSlot slot);
  void* (*slot_get)(PmcThreadSlot slot);
  // 0, or -10 when the value cannot be stored.
  int (*slot_set)(PmcThreadSlot slot, void* value);
};

// The table in use.
const PmcPlatformTable& pmc_platform();
// The backend built for this system (POSIX or Windows).
const PmcPlatformTable& pmc_native_platform();
// For tests: uses `table` from now on and returns the one it replaces. Not
// for use while other threads use the library.
PmcPlatformTable pmc_replace_platform_for_test(const PmcPlatformTable& table);

// Loads a library by name; when that fails, loads it again by the directory
// of the file that holds this code (a bare name) first. Null for a null name
// or when both tries fail (the thread's error is then 126).
inline PmcModule pmc_load_library(const char* name) { return pmc_platform().load_library(name); }
// Frees a module of pmc_load_library; null is ignored.
inline void pmc_free_library(PmcModule module) { pmc_platform().free_library(module); }
// The address of an entry point, or null (the thread's error is then 127).
inline void* pmc_get_proc_address(PmcModule module, const char* name) {
  return pmc_platform().get_proc_address(module, name);
}
// The system error of the calling thread's last failed load or bind.
inline int pmc_get_last_error() { return pmc_platform().last_error(); }
// Fills `out` with `size` bytes from the operating system's random source.
// 0; -2 for a null `out` with a non-zero size; -10 when the source gives
// no bytes.
int pmc_system_random(void* out, size_t size);
// Overwrites `size` bytes at `data` with zeros in a way the compiler keeps,
// for keys and pass phrases that must not outlive their use.
void pmc_wipe(void* data, size_t size);
// The millisecond tick of the platform (see PmcPlatformTable::tick_count).
inline uint32_t pmc_tick_count() { return pmc_platform().tick_count(); }

// A time-out measured on the platform's tick (GetTickCount on Windows):
// started at construction, `left_ms` tells what remains of it (0 once it has
// passed). Every wait of the library for an answer counts down one of these.
// A negative time-out is taken as 0.
class CPmcDeadline {
 public:
  explicit CPmcDeadline(int32_t timeout_ms)
      : m_start(pmc_tick_count()), m_timeout(timeout_ms < 0 ? 0u : static_cast<uint32_t>(timeout_ms)) {}
  int32_t left_ms() const {
    uint32_t spent = pmc_tick_count() - m_start;  // unsigned: right across a wrap
    return spent >= m_timeout ? 0 : static_cast<int32_t>(m_timeout - spent);
  }
  bool passed() const { return left_ms() == 0; }

 private:
  uint32_t m_start;
  uint32_t m_timeout;
};

// One run-time loaded library: tries its names in order under its own lock,
// binds the entry points with `bind` (which must return 0 or a failure) and
// keeps the module for the life of the process. The handle is read without
// the lock first, so a loaded library costs one atomic read.
//
// A loader may also have a built-in binding: with no names to try it calls
// `bind_builtin` instead, for a system whose services are linked in (the
// POSIX C library) rather than loaded.
class CPmcLibraryLoader {
 public:
  using BindFn = int (*)(PmcModule module);
  using BindBuiltinFn = int (*)();

  CPmcLibraryLoader(std::vector<std::string> names, BindFn bind, BindBuiltinFn bind_builtin = nullptr);
  ~CPmcLibraryLoader();  // frees the module at process exit
  CPmcLibraryLoader(const CPmcLibraryLoader&) = delete;
  CPmcLibraryLoader& operator=(const CPmcLibraryLoader&) = delete;

  // 0 once loaded and bound; -10 when no name loads; else the result of
  // `bind` (the module is then freed and the next call tries again).
  int load();
  bool is_loaded() const { return m_module.load(std::memory_order_acquire) != nullptr; }

  // For tests: frees the module and uses `names` from the next load on (an
  // empty list restores the names given at construction). Not for use while
  // another thread uses the library.
  void reset_for_test(const std::vector<std::string>& names);

 private:
  std::mutex m_lock;
  std::atomic<PmcModule> m_module{nullptr};
  std::vector<std::string> m_defaultNames;
  std::vector<std::string> m_names;
  BindFn m_bind;
  BindBuiltinFn m_bindBuiltin;
};
