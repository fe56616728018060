// NPmcAdvApi: the services the SNMPv3 library needs from the system.
//
// Elsewhere the SNMP library takes its cryptography, registry and service
// entry points from a separate system library loaded at run time. Here the
// SNMP library brings its own crypto back end and needs nothing else from the
// system, so there is no library to load: `load` answers whether the SNMPv3
// library is part of this build, and the crypto flag follows it.
#pragma once

namespace NPmcAdvApi {

// True when the SNMPv3 library (with its crypto back end) is available.
bool load();
// True when key derivation and privacy can be used; false before `load`.
bool has_crypto();

}  // namespace NPmcAdvApi
