// NPmcAdvApi on Windows: "advapi32.dll", loaded on first use.
#include <windows.h>

#include <atomic>

#include "base/pmc_result.h"
#include "net/pmc_advapi.h"
#include "platform/pmc_platform.h"

namespace NPmcAdvApi {
namespace {

// Every one must be there, in this order.
constexpr const char* kRequired[] = {
    "CloseEventLog",        "OpenEventLogA",        "ReportEventA",
    "RegCloseKey",          "RegQueryValueExA",     "RegOpenKeyExA",
    "CloseServiceHandle",   "ControlService",       "CreateServiceA",
    "DeleteService",        "DeregisterEventSource", "InitializeSecurityDescriptor",
    "OpenSCManagerA",       "OpenServiceA",         "QueryServiceStatus",
    "RegCreateKeyA",        "RegCreateKeyExA",      "RegDeleteKeyA",
    "RegQueryInfoKeyA",     "RegSetValueExA",       "RegisterEventSourceA",
    "RegisterServiceCtrlHandlerA", "SetSecurityDescriptorDacl", "SetServiceStatus",
    "StartServiceCtrlDispatcherA",
};
// The cryptography provider's, bound after them; their absence only clears
// the crypto flag.
constexpr const char* kCrypto[] = {
    "CryptAcquireContextA", "CryptCreateHash",  "CryptHashData",    "CryptGetHashParam", "CryptDeriveKey",
    "CryptGetUserKey",      "CryptGenKey",      "CryptEncrypt",     "CryptImportKey",    "CryptSetKeyParam",
    "CryptDecrypt",         "CryptGenRandom",   "CryptDestroyKey",  "CryptDestroyHash",  "CryptReleaseContext",
};

void* g_required[sizeof kRequired / sizeof kRequired[0]] = {};
void* g_crypto[sizeof kCrypto / sizeof kCrypto[0]] = {};
std::atomic<bool> g_hasCrypto{false};

int bind(PmcModule module) {
  int i = 0;
  for (const char* name : kRequired) {
    g_required[i] = pmc_get_proc_address(module, name);
    if (g_required[i++] == nullptr) return PMC_E_FAIL;  // no message: the set-up reports -10
  }
  g_hasCrypto.store(false, std::memory_order_relaxed);
  i = 0;
  for (const char* name : kCrypto) {
    g_crypto[i] = pmc_get_proc_address(module, name);
    if (g_crypto[i++] == nullptr) {
      int error = pmc_get_last_error();
      return error == PMC_SYS_MOD_NOT_FOUND || error == PMC_SYS_PROC_NOT_FOUND ? PMC_OK : PMC_E_FAIL;
    }
  }
  g_hasCrypto.store(true, std::memory_order_relaxed);
  return PMC_OK;
}

CPmcLibraryLoader& loader() {
  static CPmcLibraryLoader s_loader({"advapi32.dll"}, &bind);
  return s_loader;
}

}  // namespace

bool load() { return loader().load() == PMC_OK; }

bool has_crypto() { return loader().is_loaded() && g_hasCrypto.load(std::memory_order_relaxed); }

void reset_for_test(const std::vector<std::string>& names) {
  loader().reset_for_test(names);
  g_hasCrypto.store(false, std::memory_order_relaxed);
}

}  // namespace NPmcAdvApi
