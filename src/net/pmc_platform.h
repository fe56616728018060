// Run-time loading of system libraries.
//
// The library links only to what every host has; the socket services and the
// adapter queries are loaded on first need and their entry points bound into
// process-wide pointers, so a host without a newer entry point (the
// protocol-independent resolver) still loads us and gets a fallback.
//
// Failures keep a per-thread system error in the classic numbering that the
// loaders test: 126 when a library cannot be loaded, 127 when an entry point
// is missing from a loaded library.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

using PmcModule = void*;

enum PmcSystemError : int {
  PMC_SYS_MOD_NOT_FOUND = 126,   // the library could not be loaded
  PMC_SYS_PROC_NOT_FOUND = 127,  // the entry point is not in the library
};

// Loads a library by name; when that fails, loads it again by the directory
// of the file that holds this code (a bare name) first. Null for a null name
// or when both tries fail (the thread's error is then 126).
PmcModule pmc_load_library(const char* name);
// Frees a module of pmc_load_library; null is ignored.
void pmc_free_library(PmcModule module);
// The address of an entry point, or null (the thread's error is then 127).
void* pmc_get_proc_address(PmcModule module, const char* name);
// The system error of the calling thread's last failed load or bind.
int pmc_get_last_error();

// Fills `out` with `size` bytes from the operating system's random source:
// getrandom, or /dev/urandom on a kernel without it. 0; -2 for a null `out`
// with a non-zero size; -10 when neither source gives the bytes.
int pmc_system_random(void* out, size_t size);

// One run-time loaded library: tries its names in order under its own lock,
// binds the entry points with `bind` (which must return 0 or a failure) and
// keeps the module for the life of the process. The handle is read without
// the lock first, so a loaded library costs one atomic read.
class CPmcLibraryLoader {
 public:
  using BindFn = int (*)(PmcModule module);

  CPmcLibraryLoader(std::vector<std::string> names, BindFn bind);
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
};
