// A stand-in for the network under the SNMPv1/v2c session: with a
// StandInFactory put in place (snmp/pms_socket_factory.h), every socket the
// session opens is a StandInSocket that hands what the library sends to a
// StandInPeer and receives what the peer answers. Nothing touches a real
// socket, no time passes while "waiting", and a peer sees each request as
// the bytes the library encoded.
//
//   class Echo : public psw_test::StandInPeer { ... };
//   Echo peer;
//   psw_test::StandInFactory network(peer);
//   PmsSocketFactoryOverride use(network);
//   ... the library's reads talk to `peer` ...
//
// Used by the engine tests and by the fuzz targets (fuzz/), which compile
// this file themselves; it needs nothing but the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "agent/mini_ber.h"
#include "net/pmc_datagram_socket.h"
#include "snmp/pms_socket_factory.h"

namespace psw_test {

// One datagram a peer hands to the library, and where it says it comes
// from (by default the device the library asked).
struct StandInDatagram {
  std::string bytes;
  bool from_elsewhere = false;  // true: from another address than the one asked
};

// The other end of every stand-in socket: one device (or network).
class StandInPeer {
 public:
  virtual ~StandInPeer() = default;
  // The library sends `datagram` to `destination`; 0, or a socket code
  // (-205 for a failed send) that the library sees.
  virtual int on_send(const std::string& datagram, const IPmcNetworkAddress& destination) = 0;
  // The library waits up to `timeout_ms` for a datagram: 0 with `*out`
  // filled, -203 for a time-out (returned at once), or another socket code.
  virtual int on_receive(int32_t timeout_ms, StandInDatagram* out) = 0;
};

// A socket that is only a pipe to its peer. It remembers the last
// destination, which is the source of the peer's answers unless an answer
// says it comes from elsewhere.
class StandInSocket final : public DataGramSocket {
 public:
  StandInSocket(StandInPeer& peer, int protocol, uint16_t port);

  int send(const void* data, size_t size, const IPmcNetworkAddress* destination) override;
  // A datagram larger than `size` is dropped with -211, as by a real socket.
  int receive(void* buffer, size_t size, int32_t timeout_ms, size_t* received,
              IPmcNetworkAddress** source) override;
  // Same text, protocol and port.
  bool is_same_endpoint(const IPmcNetworkAddress* peer, const IPmcNetworkAddress* source) override;
  IPmcNetworkAddress* local_address() override { return m_pLocal.get(); }
  int set_broadcast(bool) override { return PMC_OK; }
  int join_multicast(const char*) override { return PMC_OK; }

 protected:
  ~StandInSocket() override = default;
  // A stand-in never opens a real socket: these are never reached.
  int start_services() override { return PMC_E_PLATFORM; }
  int to_network_address(const struct sockaddr_storage&, socklen_t, IPmcNetworkAddress*) override {
    return PMC_E_ARG;
  }
  int to_socket_address(const IPmcNetworkAddress*, struct sockaddr_storage*, socklen_t*) override {
    return PMC_E_ARG;
  }

 private:
  StandInPeer& m_peer;
  PmcPtr<IPmcNetworkAddress> m_pLocal;
  PmcPtr<IPmcNetworkAddress> m_pLastDestination;
};

// A device that keeps every request it is sent and answers each receive
// by the next step of its plan, built from the last request; past the plan
// (or before any request) every receive times out. A request that the
// strict reader cannot decode is noted in `errors` and not answered.
class PlannedPeer : public StandInPeer {
 public:
  using Step = std::function<StandInDatagram(const ber::Message& request)>;

  int on_send(const std::string& datagram, const IPmcNetworkAddress& destination) override;
  int on_receive(int32_t timeout_ms, StandInDatagram* out) override;

  std::deque<Step> plan;
  std::vector<std::string> sent;          // every datagram, in order
  std::vector<std::string> destinations;  // "address:port" of each
  std::vector<std::string> errors;
  int receives = 0;
};

// The factory of stand-in sockets of one peer; counts the sockets opened.
// `open_result`, when not 0, makes every open fail with that code instead.
class StandInFactory final : public IPmsSocketFactory {
 public:
  explicit StandInFactory(StandInPeer& peer) : m_peer(peer) {}

  int open_socket(int protocol, uint16_t port, DataGramSocket** out) override;

  int opened() const { return m_opened; }
  int open_result = PMC_OK;

 private:
  StandInPeer& m_peer;
  int m_opened = 0;
};

}  // namespace psw_test
