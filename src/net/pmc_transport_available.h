// Whether a protocol can be used on this host.
//
// IPv4 and IPv6 are judged from the host's adapters (net/pmc_iphelp_api.h);
// other protocols, and IPv4 when the adapters cannot be asked, by opening a
// datagram socket of the protocol. Nothing is cached: every call looks at the
// adapters of the calling thread's network namespace as they are now.
#pragma once

// What the adapters say about IPv4.
enum class PmcAdapterAnswer {
  kAvailable,
  kNotAvailable,
  kUndecided,  // the adapters could not be asked: the socket probe decides
};

// IPv4 by the adapters: 0 with the answer, or -3 (size 0 or no memory).
int pmc_ipv4_by_adapters(PmcAdapterAnswer* answer);
// IPv6 by the adapters; an adapter query that cannot be made means not
// available. 0 with the answer, or -3.
int pmc_ipv6_by_adapters(bool* available);
// True when a datagram socket of `protocol` can be opened on port 0.
bool pmc_socket_probe(int protocol);
// The whole decision; -2 for a null output.
int pmc_transport_available(int protocol, bool* available);
