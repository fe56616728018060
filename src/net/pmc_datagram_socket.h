// DataGramSocket: the datagram transport of the SNMP engine.
//
// A connectionless socket that sends one datagram to a network address and
// waits, with a time-out, for one datagram from anywhere. Three variants, one
// per protocol: UDP over IPv4, IPX and UDP over IPv6. Every socket call goes
// through the run-time loaded socket services (net/pmc_socket_api.h); all
// messages go to the "socket" log category.
//
// Result codes: 0; -1 address conversion or socket option failure; -2 bad
// argument or a destination that cannot be turned into a socket address; -3
// no memory; -7 no any-address for the protocol; -10 socket services missing;
// -201 socket creation, -202 binding, -203 time-out, -204 waiting or
// receiving, -205 sending failed, -211 a datagram larger than the buffer
// (dropped).
#pragma once

#include "net/pmc_sys_socket.h"

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"
#include "net/pmc_network_address.h"

class DataGramSocket : public CPmcObject {
 public:
  // Closes the socket and destroys it.
  virtual void release();
  // Sends one datagram of `size` bytes to `destination`. A partial send is
  // logged as a warning and counts as success.
  virtual int send(const void* data, size_t size, const IPmcNetworkAddress* destination);
  // Waits up to `timeout_ms` milliseconds (-1: without limit, 0: only looks)
  // for one datagram and copies it into `buffer`. Never writes past `size`
  // bytes: a larger datagram is taken off the socket and dropped with -211,
  // so the caller may go on waiting for the next one. On success
  // `*received` holds its length and `*source` a new address that the
  // caller releases.
  virtual int receive(void* buffer, size_t size, int32_t timeout_ms, size_t* received,
                      IPmcNetworkAddress** source);
  // Whether `source`, a sender that receive handed out, is the endpoint
  // `peer` names: both are read as send reads a destination and compared by
  // pmc_same_endpoint (address and port; IPv4-mapped and scoped IPv6 forms
  // taken into account). False when either is null or cannot be read.
  virtual bool is_same_endpoint(const IPmcNetworkAddress* peer, const IPmcNetworkAddress* source);
  // The socket's own address, owned by the socket; after opening it shows the
  // port that the system chose for port 0.
  virtual IPmcNetworkAddress* local_address();
  // Allows sending to broadcast addresses (IPv4 and IPX; a no-op for IPv6).
  virtual int set_broadcast(bool on);
  // Joins a multicast group given as text (IPv4 and IPv6).
  virtual int join_multicast(const char* group);

 protected:
  explicit DataGramSocket(IPmcNetworkAddress::EProtocol protocol);
  ~DataGramSocket() override;

  // Per-variant steps of opening and of address conversion.
  virtual int start_services() = 0;
  virtual int create_handle();
  virtual int to_network_address(const struct sockaddr_storage& from, socklen_t length,
                                 IPmcNetworkAddress* out) = 0;
  virtual int to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out,
                                socklen_t* length) = 0;

  int set_local_to_any_address();
  IPmcNetworkAddress::EProtocol protocol() const { return m_protocol; }
  PmcSocket handle() const { return m_handle; }

 private:
  friend int pmc_create_datagram_socket(int protocol, unsigned short port, DataGramSocket** out);

  // Builds a `Variant` and opens it; the factory's one path for all three.
  template <class Variant>
  static int create(unsigned short port, DataGramSocket** out);
  // Opens and binds the socket on `port` (0: the system chooses).
  int open(unsigned short port);
  int join_ipv4_group(const char* group);
  int join_ipv6_group(const char* group);

  const IPmcNetworkAddress::EProtocol m_protocol;
  PmcSocket m_handle = PMC_INVALID_SOCKET;
  PmcPtr<IPmcNetworkAddress> m_pLocal;
  bool m_startedServices = false;
};

// UDP over IPv4: addresses through "inet_addr"/"inet_ntoa".
class DataGramSocketIPv4 final : public DataGramSocket {
 public:
  DataGramSocketIPv4() : DataGramSocket(IPmcNetworkAddress::PROTOCOL_IPV4) {}

 protected:
  int start_services() override;
  int to_network_address(const struct sockaddr_storage& from, socklen_t length, IPmcNetworkAddress* out) override;
  int to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out, socklen_t* length) override;
};

// IPX: "network:node" texts. Current kernels have no IPX sockets, so opening
// fails with -201; the address conversions still work.
class DataGramSocketIPX final : public DataGramSocket {
 public:
  DataGramSocketIPX() : DataGramSocket(IPmcNetworkAddress::PROTOCOL_IPX) {}

  static int ipx_to_socket_address(const char* text, unsigned short port, struct sockaddr_storage* out,
                                   socklen_t* length);
  static int ipx_to_network_address(const struct sockaddr_storage& from, socklen_t length, IPmcNetworkAddress* out);

 protected:
  int start_services() override;
  int to_network_address(const struct sockaddr_storage& from, socklen_t length, IPmcNetworkAddress* out) override;
  int to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out, socklen_t* length) override;
};

// UDP over IPv6: addresses through the resolver ("getaddrinfo"/"getnameinfo").
class DataGramSocketIPv6 final : public DataGramSocket {
 public:
  DataGramSocketIPv6() : DataGramSocket(IPmcNetworkAddress::PROTOCOL_IPV6) {}

 protected:
  int start_services() override;
  int create_handle() override;
  int to_network_address(const struct sockaddr_storage& from, socklen_t length, IPmcNetworkAddress* out) override;
  int to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out, socklen_t* length) override;
};

// Creates an open socket bound to `port` for protocol 1, 2 or 4. -2 for
// another protocol or a null `out`; `*out` is null on every failure.
int pmc_create_datagram_socket(int protocol, unsigned short port, DataGramSocket** out);
