// NPmcAdvApi: the services the SNMPv3 library needs from the system.
//
// On Windows these are the advanced services ("advapi32.dll"): registry,
// service and event-log entry points, all required, and the cryptography
// provider's, optional. The library is loaded on first use and its entry
// points bound, so that a system without them fails the SNMPv3 set-up with
// -10 instead of failing to load us.
//
// Elsewhere the SNMP library brings its own crypto back end and needs
// nothing else from the system, so there is no library to load: `load`
// answers whether the SNMPv3 library is part of this build, and the crypto
// flag follows it.
#pragma once

#include <string>
#include <vector>

namespace NPmcAdvApi {

// True when the services are there (loaded and bound on Windows).
bool load();
// True when key derivation and privacy can be used; false before `load`.
bool has_crypto();
// For tests: unloads and tries `names` from the next load on (empty: the
// default). Only Windows loads a library; elsewhere this does nothing.
void reset_for_test(const std::vector<std::string>& names);

}  // namespace NPmcAdvApi
