// A plain UDP socket for test peers and probes: IPv4 or IPv6 chosen by the
// address text, errors thrown as std::runtime_error with the reason.
#pragma once

#include <sys/socket.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace psw_test {

struct Datagram {
  std::string data;
  std::string address;  // numeric text of the sender, e.g. "127.0.0.1", "::1"
  uint16_t port = 0;
};

// Fills `out` from a numeric IPv4 or IPv6 address text; false for anything else.
bool make_sockaddr(const std::string& address, uint16_t port, sockaddr_storage* out, socklen_t* length);
// AF_INET or AF_INET6 for a numeric address text; throws std::invalid_argument otherwise.
int address_family(const std::string& address);

class UdpSocket {
 public:
  // Binds to `address` ("127.0.0.1", "::1", "0.0.0.0", "::") and `port`
  // (0 lets the system pick one).
  explicit UdpSocket(const std::string& address, uint16_t port = 0);
  ~UdpSocket();
  UdpSocket(UdpSocket&& other) noexcept;
  UdpSocket& operator=(UdpSocket&& other) noexcept;
  UdpSocket(const UdpSocket&) = delete;
  UdpSocket& operator=(const UdpSocket&) = delete;

  int fd() const { return fd_; }
  int family() const { return family_; }
  uint16_t local_port() const;
  void enable_broadcast();
  void send_to(const std::string& data, const std::string& address, uint16_t port);
  // One datagram, or nothing when `timeout` passes first.
  std::optional<Datagram> receive(std::chrono::milliseconds timeout);
  // Every datagram that arrives within `window`.
  std::vector<Datagram> receive_for(std::chrono::milliseconds window);

 private:
  int fd_ = -1;
  int family_ = 0;
};

// A UDP port that is free on every one of `addresses` at the time of the
// call (bound once with port 0 on the first, then checked on the others).
uint16_t pick_free_udp_port(const std::vector<std::string>& addresses);

}  // namespace psw_test
