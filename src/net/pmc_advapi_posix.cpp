#include "net/pmc_advapi.h"

#include <atomic>

namespace NPmcAdvApi {
namespace {

// The SNMPv3 library is a build-time dependency: its headers are present
// exactly when the build links it in.
#if __has_include(<net-snmp/net-snmp-config.h>)
constexpr bool kSnmpLibraryBuiltIn = true;
#else
constexpr bool kSnmpLibraryBuiltIn = false;
#endif

std::atomic<bool> g_hasCrypto{false};

}  // namespace

bool load() {
  g_hasCrypto.store(kSnmpLibraryBuiltIn, std::memory_order_relaxed);
  return kSnmpLibraryBuiltIn;
}

bool has_crypto() { return g_hasCrypto.load(std::memory_order_relaxed); }

}  // namespace NPmcAdvApi

namespace NPmcAdvApi {
void reset_for_test(const std::vector<std::string>& /*names*/) {}
}  // namespace NPmcAdvApi
