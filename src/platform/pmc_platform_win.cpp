// The Windows backend of the platform table: kernel32, linked as every
// Windows program is. Libraries load with LoadLibraryA, and again with the
// altered search path (the directory of the named file first) when the plain
// load fails; the random source is the C runtime's rand_s, which draws on the
// system's generator without another library to link.
#define _CRT_RAND_S  // rand_s: the C runtime's front of the system's generator
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <stdlib.h>

#include <cstring>
#include <string>

#include "base/pmc_result.h"
#include "platform/pmc_platform.h"

namespace {

thread_local int t_lastError = 0;

// The directory of the module that holds this code (psw.dll, or the program
// it is linked into), with a trailing "\"; empty when it cannot be told.
std::string own_directory() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&pmc_native_platform), &self)) {
    return std::string();
  }
  char path[MAX_PATH] = {};
  DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::string();
  const char* slash = std::strrchr(path, '\\');
  if (slash == nullptr) return std::string();
  return std::string(path, static_cast<size_t>(slash - path) + 1);
}

// The classic numbering the loaders test, whatever the loader reported.
int classic_error(DWORD error, int fallback) {
  return error == ERROR_MOD_NOT_FOUND || error == ERROR_PROC_NOT_FOUND ? static_cast<int>(error) : fallback;
}

PmcModule load_library(const char* name) {
  if (name == nullptr) return nullptr;
  HMODULE module = LoadLibraryA(name);
  if (module == nullptr && std::strpbrk(name, "\\/") == nullptr) {
    // A bare name the system search did not find: look beside our own file.
    std::string dir = own_directory();
    if (!dir.empty()) {
      module = LoadLibraryExA((dir + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
  } else if (module == nullptr) {
    module = LoadLibraryExA(name, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  t_lastError = module == nullptr ? classic_error(GetLastError(), PMC_SYS_MOD_NOT_FOUND) : 0;
  return reinterpret_cast<PmcModule>(module);
}

void free_library(PmcModule module) {
  if (module != nullptr) FreeLibrary(reinterpret_cast<HMODULE>(module));
}

void* get_proc_address(PmcModule module, const char* name) {
  if (module == nullptr || name == nullptr) {
    t_lastError = PMC_SYS_MOD_NOT_FOUND;
    return nullptr;
  }
  FARPROC address = GetProcAddress(reinterpret_cast<HMODULE>(module), name);
  t_lastError = address == nullptr ? classic_error(GetLastError(), PMC_SYS_PROC_NOT_FOUND) : 0;
  return reinterpret_cast<void*>(address);
}

int last_error() { return t_lastError; }

int random_bytes(void* out, size_t size) {
  auto* bytes = static_cast<unsigned char*>(out);
  while (size > 0) {
    unsigned int word = 0;
    if (rand_s(&word) != 0) return PMC_E_PLATFORM;
    size_t chunk = size < sizeof word ? size : sizeof word;
    std::memcpy(bytes, &word, chunk);
    bytes += chunk;
    size -= chunk;
  }
  return PMC_OK;
}

uint32_t tick_count() { return static_cast<uint32_t>(GetTickCount()); }

void local_time(PmcLocalTime* out) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  *out = PmcLocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

uint32_t process_id() { return static_cast<uint32_t>(GetCurrentProcessId()); }
uint32_t thread_id() { return static_cast<uint32_t>(GetCurrentThreadId()); }

// Fiber-local slots: unlike plain TLS slots they run a clean-up for each
// thread that ends with a value set, which the per-thread state relies on.
int slot_create(PmcThreadSlot* slot, PmcThreadExitFn on_exit) {
  DWORD index = FlsAlloc(reinterpret_cast<PFLS_CALLBACK_FUNCTION>(on_exit));
  if (index == FLS_OUT_OF_INDEXES) return PMC_E_PLATFORM;
  *slot = static_cast<PmcThreadSlot>(index);
  return PMC_OK;
}
void slot_delete(PmcThreadSlot slot) { FlsFree(static_cast<DWORD>(slot)); }
void* slot_get(PmcThreadSlot slot) { return FlsGetValue(static_cast<DWORD>(slot)); }
int slot_set(PmcThreadSlot slot, void* value) {
  return FlsSetValue(static_cast<DWORD>(slot), value) ? PMC_OK : PMC_E_PLATFORM;
}

}  // namespace

void pmc_wipe(void* data, size_t size) {
  if (data != nullptr && size > 0) SecureZeroMemory(data, size);
}

const PmcPlatformTable& pmc_native_platform() {
  static const PmcPlatformTable s_table = {
      &load_library, &free_library, &get_proc_address, &last_error, &random_bytes, &tick_count, &local_time,
      &process_id,   &thread_id,    &slot_create,      &slot_delete, &slot_get,    &slot_set,
  };
  return s_table;
}
