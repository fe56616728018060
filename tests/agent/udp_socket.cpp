#include "agent/udp_socket.h"

#include <arpa/inet.h>
#include <errno.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace psw_test {

namespace {

using Clock = std::chrono::steady_clock;

std::runtime_error socket_error(const std::string& what) {
  return std::runtime_error(what + ": " + std::strerror(errno));
}

Datagram from_sockaddr(const sockaddr_storage& from) {
  Datagram d;
  char text[INET6_ADDRSTRLEN] = {0};
  if (from.ss_family == AF_INET) {
    const auto* in = reinterpret_cast<const sockaddr_in*>(&from);
    ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
    d.port = ntohs(in->sin_port);
  } else if (from.ss_family == AF_INET6) {
    const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&from);
    ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
    d.port = ntohs(in6->sin6_port);
  }
  d.address = text;
  return d;
}

}  // namespace

bool make_sockaddr(const std::string& address, uint16_t port, sockaddr_storage* out, socklen_t* length) {
  std::memset(out, 0, sizeof *out);
  auto* in = reinterpret_cast<sockaddr_in*>(out);
  if (::inet_pton(AF_INET, address.c_str(), &in->sin_addr) == 1) {
    in->sin_family = AF_INET;
    in->sin_port = htons(port);
    *length = sizeof(sockaddr_in);
    return true;
  }
  auto* in6 = reinterpret_cast<sockaddr_in6*>(out);
  if (::inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) == 1) {
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    *length = sizeof(sockaddr_in6);
    return true;
  }
  return false;
}

int address_family(const std::string& address) {
  sockaddr_storage ss;
  socklen_t len = 0;
  if (!make_sockaddr(address, 0, &ss, &len)) throw std::invalid_argument("not a numeric address: '" + address + "'");
  return ss.ss_family;
}

UdpSocket::UdpSocket(const std::string& address, uint16_t port) {
  sockaddr_storage ss;
  socklen_t len = 0;
  if (!make_sockaddr(address, port, &ss, &len)) throw std::invalid_argument("not a numeric address: '" + address + "'");
  family_ = ss.ss_family;
  fd_ = ::socket(family_, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0) throw socket_error("socket");
  if (family_ == AF_INET6) {
    int on = 1;
    ::setsockopt(fd_, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
  }
  if (::bind(fd_, reinterpret_cast<sockaddr*>(&ss), len) != 0) {
    std::runtime_error e = socket_error("bind " + address + ":" + std::to_string(port));
    ::close(fd_);
    fd_ = -1;
    throw e;
  }
}

UdpSocket::~UdpSocket() {
  if (fd_ >= 0) ::close(fd_);
}

UdpSocket::UdpSocket(UdpSocket&& other) noexcept : fd_(other.fd_), family_(other.family_) { other.fd_ = -1; }

UdpSocket& UdpSocket::operator=(UdpSocket&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = other.fd_;
    family_ = other.family_;
    other.fd_ = -1;
  }
  return *this;
}

uint16_t UdpSocket::local_port() const {
  sockaddr_storage ss;
  socklen_t len = sizeof ss;
  if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&ss), &len) != 0) throw socket_error("getsockname");
  return from_sockaddr(ss).port;
}

void UdpSocket::enable_broadcast() {
  int on = 1;
  if (::setsockopt(fd_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) throw socket_error("SO_BROADCAST");
}

void UdpSocket::send_to(const std::string& data, const std::string& address, uint16_t port) {
  sockaddr_storage ss;
  socklen_t len = 0;
  if (!make_sockaddr(address, port, &ss, &len)) throw std::invalid_argument("not a numeric address: '" + address + "'");
  ssize_t n = ::sendto(fd_, data.data(), data.size(), 0, reinterpret_cast<sockaddr*>(&ss), len);
  if (n < 0 || static_cast<size_t>(n) != data.size()) throw socket_error("sendto " + address);
}

std::optional<Datagram> UdpSocket::receive(std::chrono::milliseconds timeout) {
  Clock::time_point deadline = Clock::now() + timeout;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    int r = ::poll(&p, 1, left > 0 ? static_cast<int>(left) : 0);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) throw socket_error("poll");
    if (r == 0) return std::nullopt;
    char buf[65536];
    sockaddr_storage from;
    socklen_t len = sizeof from;
    ssize_t n = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    // A refused earlier send (ICMP port unreachable) is reported here on Linux.
    if (n < 0 && errno == ECONNREFUSED) continue;
    if (n < 0) throw socket_error("recvfrom");
    Datagram d = from_sockaddr(from);
    d.data.assign(buf, static_cast<size_t>(n));
    return d;
  }
}

std::vector<Datagram> UdpSocket::receive_for(std::chrono::milliseconds window) {
  std::vector<Datagram> all;
  Clock::time_point deadline = Clock::now() + window;
  for (;;) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return all;
    std::optional<Datagram> d = receive(left);
    if (!d) return all;
    all.push_back(*d);
  }
}

uint16_t pick_free_udp_port(const std::vector<std::string>& addresses) {
  if (addresses.empty()) throw std::invalid_argument("pick_free_udp_port: no address");
  for (int attempt = 0; attempt < 20; ++attempt) {
    UdpSocket first(addresses[0], 0);
    uint16_t port = first.local_port();
    bool free_everywhere = true;
    for (size_t i = 1; i < addresses.size() && free_everywhere; ++i) {
      try {
        UdpSocket other(addresses[i], port);
      } catch (const std::runtime_error&) {
        free_everywhere = false;
      }
    }
    if (free_everywhere) return port;
  }
  throw std::runtime_error("no UDP port free on every requested address");
}

}  // namespace psw_test
