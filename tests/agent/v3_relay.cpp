#include "agent/v3_relay.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <utility>

#include "agent/mini_ber.h"
#include "agent/udp_socket.h"

namespace psw_test {

namespace {

bool read_int(ber::Reader& r, int64_t* out) {
  ber::Reader content(nullptr, 0);
  std::string error;
  return r.expect(ber::kInteger, &content) && ber::decode_integer(content, INT64_MIN / 2, INT64_MAX / 2, out, &error);
}

bool read_octets(ber::Reader& r, std::string* out) {
  ber::Reader content(nullptr, 0);
  if (!r.expect(ber::kOctetString, &content)) return false;
  *out = content.rest();
  return true;
}

}  // namespace

bool parse_v3_header(const std::string& datagram, V3WireMessage* out) {
  out->size = datagram.size();
  ber::Reader whole(datagram);
  ber::Reader message(nullptr, 0);
  if (!whole.expect(ber::kSequence, &message) || !whole.at_end()) return false;
  int64_t version = 0;
  if (!read_int(message, &version) || version != 3) return false;

  ber::Reader header(nullptr, 0);
  int64_t max_size = 0;
  int64_t model = 0;
  std::string flags;
  if (!message.expect(ber::kSequence, &header) || !read_int(header, &out->msg_id) || !read_int(header, &max_size) ||
      !read_octets(header, &flags) || flags.size() != 1 || !read_int(header, &model) || !header.at_end()) {
    return false;
  }
  out->flags = static_cast<uint8_t>(flags[0]);

  std::string parameters;
  if (!read_octets(message, &parameters)) return false;
  ber::Reader outer(parameters);
  ber::Reader usm(nullptr, 0);
  std::string auth;
  std::string priv;
  if (!outer.expect(ber::kSequence, &usm) || !read_octets(usm, &out->engine_id) || !read_int(usm, &out->boots) ||
      !read_int(usm, &out->time) || !read_octets(usm, &out->user) || !read_octets(usm, &auth) ||
      !read_octets(usm, &priv)) {
    return false;
  }

  // The scoped PDU: a SEQUENCE in clear, an OCTET STRING when encrypted.
  uint8_t tag = 0;
  ber::Reader scoped(nullptr, 0);
  if (!message.read_tlv(&tag, &scoped)) return false;
  out->v3 = true;
  if (tag != ber::kSequence) return true;
  std::string context_engine;
  std::string context_name;
  ber::Reader pdu(nullptr, 0);
  if (!read_octets(scoped, &context_engine) || !read_octets(scoped, &context_name) || !scoped.read_tlv(&tag, &pdu)) {
    return true;
  }
  out->pdu_type = tag;
  int64_t id = 0;
  int64_t status = 0;
  int64_t index = 0;
  ber::Reader list(nullptr, 0);
  ber::Reader binding(nullptr, 0);
  ber::Reader name(nullptr, 0);
  if (read_int(pdu, &id) && read_int(pdu, &status) && read_int(pdu, &index) && pdu.expect(ber::kSequence, &list) &&
      !list.at_end() && list.expect(ber::kSequence, &binding) && binding.expect(ber::kObjectId, &name)) {
    ber::Oid oid;
    std::string error;
    if (ber::decode_oid(name, &oid, &error)) out->first_oid = ber::oid_text(oid);
  }
  return true;
}

V3WireCounts count_wire(const std::vector<V3WireMessage>& messages) {
  V3WireCounts counts;
  for (const V3WireMessage& m : messages) {
    ++counts.datagrams;
    if (m.to_agent) ++counts.requests;
    if (m.untimed_request()) ++counts.untimed_requests;
    if (m.to_agent && m.v3 && m.engine_id.empty()) ++counts.discovery_requests;
    if (!m.to_agent && m.is_report() && m.first_oid == kUsmNotInTimeWindows) ++counts.time_window_reports;
  }
  return counts;
}

struct V3Relay::State {
  std::string agent_address;
  uint16_t agent_port = 0;
  std::string listen_address;
  UdpSocket listener;
  int stop_fd = -1;
  // One socket towards the agent per client (address, port).
  std::map<std::pair<std::string, uint16_t>, std::unique_ptr<UdpSocket>> upstream;
  std::mutex lock;  // guards `seen`
  std::vector<V3WireMessage> seen;
  std::thread thread;

  State(const std::string& address, uint16_t port, const std::string& listen_at, uint16_t listen_port)
      : agent_address(address),
        agent_port(port),
        listen_address(!listen_at.empty() ? listen_at : address_family(address) == AF_INET6 ? "::1" : "127.0.0.1"),
        listener(listen_address, listen_port) {}

  void record(const std::string& data, bool to_agent) {
    V3WireMessage m;
    m.to_agent = to_agent;
    parse_v3_header(data, &m);
    std::lock_guard<std::mutex> hold(lock);
    seen.push_back(std::move(m));
  }

  static bool receive(int fd, std::string* data, sockaddr_storage* from) {
    char buffer[65536];
    socklen_t length = sizeof *from;
    ssize_t n = ::recvfrom(fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(from), &length);
    if (n < 0) return false;
    data->assign(buffer, static_cast<size_t>(n));
    return true;
  }

  static std::pair<std::string, uint16_t> sender(const sockaddr_storage& from) {
    char text[64] = {};
    uint16_t port = 0;
    if (from.ss_family == AF_INET6) {
      const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&from);
      ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
      port = ntohs(in6->sin6_port);
    } else {
      const auto* in = reinterpret_cast<const sockaddr_in*>(&from);
      ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
      port = ntohs(in->sin_port);
    }
    return {text, port};
  }

  void run() {
    for (;;) {
      std::vector<pollfd> fds;
      std::vector<std::pair<std::string, uint16_t>> clients;
      fds.push_back({stop_fd, POLLIN, 0});
      fds.push_back({listener.fd(), POLLIN, 0});
      for (auto& [client, socket] : upstream) {
        fds.push_back({socket->fd(), POLLIN, 0});
        clients.push_back(client);
      }
      if (::poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[0].revents != 0) return;
      std::string data;
      sockaddr_storage from{};
      if ((fds[1].revents & POLLIN) != 0 && receive(listener.fd(), &data, &from)) {
        auto client = sender(from);
        auto& socket = upstream[client];
        if (!socket) socket = std::make_unique<UdpSocket>(listen_address);
        record(data, true);
        socket->send_to(data, agent_address, agent_port);
      }
      for (size_t i = 2; i < fds.size(); ++i) {
        if ((fds[i].revents & POLLIN) == 0 || !receive(fds[i].fd, &data, &from)) continue;
        record(data, false);
        listener.send_to(data, clients[i - 2].first, clients[i - 2].second);
      }
    }
  }
};

V3Relay::V3Relay(const std::string& agent_address, uint16_t agent_port, const std::string& listen_address,
                 uint16_t listen_port)
    : state_(std::make_unique<State>(agent_address, agent_port, listen_address, listen_port)) {
  state_->stop_fd = ::eventfd(0, EFD_CLOEXEC);
  if (state_->stop_fd < 0) throw std::runtime_error(std::string("eventfd: ") + std::strerror(errno));
  state_->thread = std::thread([this] { state_->run(); });
}

V3Relay::~V3Relay() {
  uint64_t one = 1;
  if (::write(state_->stop_fd, &one, sizeof one) < 0) {
    // The thread would never end; nothing else can stop it.
    std::terminate();
  }
  state_->thread.join();
  ::close(state_->stop_fd);
}

std::string V3Relay::address() const { return state_->listen_address; }
uint16_t V3Relay::port() const { return state_->listener.local_port(); }

std::vector<V3WireMessage> V3Relay::take() {
  std::lock_guard<std::mutex> hold(state_->lock);
  std::vector<V3WireMessage> out;
  out.swap(state_->seen);
  return out;
}

}  // namespace psw_test
