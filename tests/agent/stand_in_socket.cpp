#include "agent/stand_in_socket.h"

#include <cstring>
#include <new>

namespace psw_test {

namespace {

// The stand-in's own address: any address of the protocol, and the port
// asked for, or one a system might choose.
constexpr uint16_t kChosenPort = 49152;

const char* any_address_of(int protocol) {
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPX: return "00000000:000000000000";
    case IPmcNetworkAddress::PROTOCOL_IPV6: return "::";
    default: return "0.0.0.0";
  }
}

IPmcNetworkAddress* address_of(const char* text, int protocol, uint16_t port) {
  IPmcNetworkAddress* address = pmc_create_network_address(nullptr);
  if (address == nullptr) return nullptr;
  address->set(text, static_cast<IPmcNetworkAddress::EProtocol>(protocol), port);
  return address;
}

}  // namespace

StandInSocket::StandInSocket(StandInPeer& peer, int protocol, uint16_t port)
    : DataGramSocket(static_cast<IPmcNetworkAddress::EProtocol>(protocol)),
      m_peer(peer),
      m_pLocal(address_of(any_address_of(protocol), protocol, port == 0 ? kChosenPort : port)) {}

int StandInSocket::send(const void* data, size_t size, const IPmcNetworkAddress* destination) {
  if (data == nullptr || destination == nullptr) return PMC_E_ARG;
  IPmcNetworkAddress* copy = nullptr;
  if (destination->clone(&copy) != PMC_OK) return PMC_E_NOMEM;
  m_pLastDestination.reset(copy);
  return m_peer.on_send(std::string(static_cast<const char*>(data), size), *destination);
}

int StandInSocket::receive(void* buffer, size_t size, int32_t timeout_ms, size_t* received,
                           IPmcNetworkAddress** source) {
  if (buffer == nullptr || received == nullptr || source == nullptr) return PMC_E_ARG;
  *received = 0;
  *source = nullptr;
  StandInDatagram datagram;
  int rc = m_peer.on_receive(timeout_ms, &datagram);
  if (rc != PMC_OK) return rc;
  if (datagram.bytes.size() > size) return PMC_E_OVERFLOW;
  const IPmcNetworkAddress* asked = m_pLastDestination.get();
  const char* text = asked != nullptr ? asked->c_str() : "";
  if (datagram.from_elsewhere) text = protocol() == IPmcNetworkAddress::PROTOCOL_IPV4 ? "198.51.100.9" : "fe80::9";
  IPmcNetworkAddress* from = address_of(text, protocol(), asked != nullptr ? asked->get_port() : 0);
  if (from == nullptr) return PMC_E_NOMEM;
  if (!datagram.bytes.empty()) std::memcpy(buffer, datagram.bytes.data(), datagram.bytes.size());
  *received = datagram.bytes.size();
  *source = from;
  return PMC_OK;
}

bool StandInSocket::is_same_endpoint(const IPmcNetworkAddress* peer, const IPmcNetworkAddress* source) {
  if (peer == nullptr || source == nullptr) return false;
  return peer->get_protocol() == source->get_protocol() && peer->get_port() == source->get_port() &&
         std::strcmp(peer->c_str(), source->c_str()) == 0;
}

int PlannedPeer::on_send(const std::string& datagram, const IPmcNetworkAddress& destination) {
  sent.push_back(datagram);
  destinations.push_back(std::string(destination.c_str()) + ":" + std::to_string(destination.get_port()));
  return PMC_OK;
}

int PlannedPeer::on_receive(int32_t, StandInDatagram* out) {
  ++receives;
  if (plan.empty() || sent.empty()) return PMC_E_TIMEOUT;
  ber::Message request;
  std::string error;
  if (!ber::decode_message(sent.back(), &request, &error)) {
    errors.push_back("the library sent a message that does not decode: " + error);
    return PMC_E_TIMEOUT;
  }
  Step step = std::move(plan.front());
  plan.pop_front();
  *out = step(request);
  return PMC_OK;
}

int StandInFactory::open_socket(int protocol, uint16_t port, DataGramSocket** out) {
  *out = nullptr;
  if (open_result != PMC_OK) return open_result;
  StandInSocket* socket = new (std::nothrow) StandInSocket(m_peer, protocol, port);
  if (socket == nullptr) return PMC_E_NOMEM;
  ++m_opened;
  *out = socket;
  return PMC_OK;
}

}  // namespace psw_test
