// Transport values of the C interface and the protocol values they stand for.
#pragma once

#include <cstdint>

// Maps a transport value of the C interface (PSW_TRANSPORT_*) to the value
// of IPmcNetworkAddress::EProtocol it stands for:
//   1 UDP over IPv4 -> 1, 2 IPX -> 2, 3 reserved -> 3, 5 UDP over IPv6 -> 4.
// Stores the protocol and returns 0; any other transport (0, 4, 6 and up,
// negative) or a null `protocol` returns -2 and stores nothing. Protocol 3
// is passed on so each caller can refuse it with its own code.
int psw_map_transport(int32_t transport, int32_t* protocol);
