#include "net/pmc_datagram_socket.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>


#include "log/pmc_log.h"
#include "net/pmc_address_rules.h"
#include "net/pmc_socket_api.h"

namespace {

const NPmcSocketAPI::Api& sock() { return NPmcSocketAPI::api(); }

int last_error() { return NPmcSocketAPI::last_error(); }

// The any-address text of a protocol, or null when it has none.
const char* any_address_text(int protocol) {
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: return "0.0.0.0";
    case IPmcNetworkAddress::PROTOCOL_IPX: return "00000000:000000000000";
    case IPmcNetworkAddress::PROTOCOL_IPV6: return "0000:0000:0000:0000:0000:0000:0000:0000";
    default: return nullptr;
  }
}

// Stores text, protocol and port exactly (set() would keep a current port or
// protocol where the new one is 0).
int store_address(IPmcNetworkAddress* out, const char* text, int protocol, unsigned short port) {
  int rc = out->set(text, IPmcNetworkAddress::PROTOCOL_NONE, 0);
  if (rc != PMC_OK) return rc;
  out->set_protocol(static_cast<IPmcNetworkAddress::EProtocol>(protocol));
  out->set_port(port);
  return PMC_OK;
}

// IPv4 text to address in network order. Dotted decimal is read as decimal;
// other forms go to "inet_addr", whose "no address" answer stands for the
// limited broadcast only when that is exactly the text.
bool ipv4_text_to_address(const char* text, PmcInAddr* out) {
  uint8_t bytes[4];
  if (pmc_parse_ipv4_decimal(text, bytes)) {
    std::memcpy(out, bytes, sizeof(bytes));
    return true;
  }
  *out = sock().m_pInetAddr(text);
  return *out != INADDR_NONE || std::strcmp(text, "255.255.255.255") == 0;
}

// A port between host and network order (the same swap both ways). The IPX
// conversions work on texts alone, before any socket library is loaded.
unsigned short swap_to_network_order(unsigned short port) {
  unsigned char bytes[2] = {static_cast<unsigned char>(port >> 8), static_cast<unsigned char>(port & 0xFF)};
  unsigned short out = 0;
  std::memcpy(&out, bytes, sizeof out);
  return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Common operations
// ---------------------------------------------------------------------------

DataGramSocket::DataGramSocket(IPmcNetworkAddress::EProtocol protocol) : m_protocol(protocol) {}

DataGramSocket::~DataGramSocket() {
  m_pLocal.reset();
  if (m_handle != PMC_INVALID_SOCKET) sock().m_pClosesocket(m_handle);
  if (m_startedServices) NPmcSocketAPI::cleanup();
}

void DataGramSocket::release() { destroy(); }

IPmcNetworkAddress* DataGramSocket::local_address() { return m_pLocal.get(); }

int DataGramSocket::set_local_to_any_address() {
  const char* any = any_address_text(m_protocol);
  if (any == nullptr) return PMC_E_NOVALUE;
  return m_pLocal->set(any, IPmcNetworkAddress::PROTOCOL_NONE, 0);
}

int DataGramSocket::create_handle() {
  int family = pmc_family_of_protocol(m_protocol);
  if (family < 0) {
#ifndef _WIN32
    errno = EAFNOSUPPORT;  // what the log line reports
#endif
    return PMC_E_SOCKET;
  }
  m_handle = sock().m_pSocket(family, SOCK_DGRAM, 0);
  return m_handle == PMC_INVALID_SOCKET ? PMC_E_SOCKET : PMC_OK;
}

int DataGramSocket::open(unsigned short port) {
  int err = PMC_OK;
  m_pLocal.reset(pmc_create_network_address(&err));
  if (!m_pLocal) return err;
  m_pLocal->set_protocol(m_protocol);
  m_pLocal->set_port(port);
  int rc = set_local_to_any_address();
  if (rc != PMC_OK) return rc;

  rc = start_services();
  if (rc != PMC_OK) return rc;
  m_startedServices = true;

  if (create_handle() != PMC_OK) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail socket(). WSAGetLastError()=%d", last_error());
    return PMC_E_SOCKET;
  }

  struct sockaddr_storage address {};
  socklen_t length = 0;
  if (to_socket_address(m_pLocal.get(), &address, &length) != PMC_OK) return PMC_E_BIND;
  if (sock().m_pBind(m_handle, reinterpret_cast<struct sockaddr*>(&address), length) != 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail bind(). WSAGetLastError()=%d", last_error());
    return PMC_E_BIND;
  }

  // Read the bound address back, so a port of 0 shows the port chosen.
  length = sizeof(address);
  if (sock().m_pGetsockname(m_handle, reinterpret_cast<struct sockaddr*>(&address), &length) != 0) return PMC_E_FAIL;
  if (to_network_address(address, length, m_pLocal.get()) != PMC_OK) return PMC_E_FAIL;

  unsigned short local_port = m_pLocal->get_port();
  PMC_LOG(g_logSocket, PMC_LOG_DEBUG, "create socket. id:0x%x port:%d(0x%x)", static_cast<unsigned>(m_handle),
          local_port, local_port);
  return PMC_OK;
}

int DataGramSocket::send(const void* data, size_t size, const IPmcNetworkAddress* destination) {
  if (data == nullptr || destination == nullptr) return PMC_E_ARG;
  unsigned short local_port = m_pLocal->get_port();
  unsigned short to_port = destination->get_port();
  PMC_LOG(g_logSocket, PMC_LOG_DEBUG, "[DataGramSocket::send] send packet. port:%d(0x%x) -> %s:%d(0x%x).", local_port,
          local_port, destination->c_str(), to_port, to_port);

  struct sockaddr_storage address {};
  socklen_t length = 0;
  if (to_socket_address(destination, &address, &length) != PMC_OK) return PMC_E_ARG;

  // Datagrams are far below 2 GiB; the cast serves Windows' int length.
  auto sent = sock().m_pSendto(m_handle, static_cast<const char*>(data), static_cast<int>(size), 0,
                               reinterpret_cast<struct sockaddr*>(&address), length);
  if (sent < 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail send(). WSAGetLastError()=%d", last_error());
    return PMC_E_SEND;
  }
  if (static_cast<size_t>(sent) != size) {
    PMC_LOG(g_logSocket, PMC_LOG_WARN, "send(). size of sended bytes is not same that of buffer.");
  }
  return PMC_OK;
}

int DataGramSocket::receive(void* buffer, size_t size, int32_t timeout_ms, size_t* received,
                            IPmcNetworkAddress** source) {
  if (buffer == nullptr || received == nullptr || source == nullptr) return PMC_E_ARG;
  *source = nullptr;
  *received = 0;
  if (timeout_ms < -1) return PMC_E_ARG;

  int ready = NPmcSocketAPI::wait_readable(m_handle, timeout_ms);
  if (ready < 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail select(). WSAGetLastError()=%d", last_error());
    return PMC_E_RECEIVE;
  }
  if (ready == 0) {
    PMC_LOG(g_logSocket, PMC_LOG_TRACE, "select API timeout.");
    return PMC_E_TIMEOUT;
  }

  struct sockaddr_storage from {};
  socklen_t from_length = sizeof(from);
  // A datagram larger than the buffer is dropped instead of being handed on
  // cut short: POSIX reports its real length (MSG_TRUNC), Windows fails the
  // receive with WSAEMSGSIZE, which counts as one byte too many.
#ifdef MSG_TRUNC
  const int flags = MSG_TRUNC;
#else
  const int flags = 0;
#endif
  int64_t length = sock().m_pRecvfrom(m_handle, static_cast<char*>(buffer), static_cast<int>(size), flags,
                                      reinterpret_cast<struct sockaddr*>(&from), &from_length);
  if (length < 0 && NPmcSocketAPI::last_error_is_truncation()) length = static_cast<int64_t>(size) + 1;
  if (length < 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail recvfrom(). WSAGetLastError()=%d", last_error());
    return PMC_E_RECEIVE;
  }

  int err = PMC_OK;
  PmcPtr<IPmcNetworkAddress> sender(pmc_create_network_address(&err));
  if (!sender) return err;
  const bool known_sender = to_network_address(from, from_length, sender.get()) == PMC_OK;
  unsigned short local_port = m_pLocal->get_port();
  unsigned short from_port = known_sender ? sender->get_port() : 0;
  if (static_cast<size_t>(length) > size) {
    // Anyone can send such a datagram; it is no failure of the socket.
    PMC_LOG(g_logSocket, PMC_LOG_WARN,
            "[DataGramSocket::receive] drop a packet of %zu bytes, larger than the buffer of %zu bytes. "
            "port:%d(0x%x) <- %s:%d(0x%x).",
            static_cast<size_t>(length), size, local_port, local_port, known_sender ? sender->c_str() : "?",
            from_port, from_port);
    return PMC_E_OVERFLOW;
  }
  if (!known_sender) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR,
            "[DataGramSocket::receive] fail create CPmcNetworkAddress ( success recvfrom() ).");
    return PMC_E_FAIL;
  }
  *received = static_cast<size_t>(length);
  PMC_LOG(g_logSocket, PMC_LOG_DEBUG, "[DataGramSocket::receive] receive packet port:%d(0x%x) <- %s:%d(0x%x).",
          local_port, local_port, sender->c_str(), from_port, from_port);
  *source = sender.release();
  return PMC_OK;
}

bool DataGramSocket::is_same_endpoint(const IPmcNetworkAddress* peer, const IPmcNetworkAddress* source) {
  if (peer == nullptr || source == nullptr) return false;
  struct sockaddr_storage first {};
  struct sockaddr_storage second {};
  socklen_t first_length = 0;
  socklen_t second_length = 0;
  if (to_socket_address(peer, &first, &first_length) != PMC_OK) return false;
  if (to_socket_address(source, &second, &second_length) != PMC_OK) return false;
  return pmc_same_endpoint(first, first_length, second, second_length);
}

int DataGramSocket::set_broadcast(bool on) {
  if (m_protocol != IPmcNetworkAddress::PROTOCOL_IPV4 && m_protocol != IPmcNetworkAddress::PROTOCOL_IPX) {
    return PMC_OK;  // IPv6 has no broadcast; its searches use multicast
  }
  int value = on ? 1 : 0;
  if (sock().m_pSetsockopt(m_handle, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value),
                           sizeof(value)) != 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail setsockopt(). can't set broadcast flag. WSAGetLastError()=%d",
            last_error());
    return PMC_E_FAIL;
  }
  return PMC_OK;
}

int DataGramSocket::join_multicast(const char* group) {
  if (group == nullptr) return PMC_E_ARG;
  switch (m_protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: return join_ipv4_group(group);
    case IPmcNetworkAddress::PROTOCOL_IPV6: return join_ipv6_group(group);
    default: return PMC_E_ARG;
  }
}

int DataGramSocket::join_ipv4_group(const char* group) {
  struct ip_mreq request {};
  PmcInAddr group_address = 0;
  if (!ipv4_text_to_address(group, &group_address)) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail inet_addr(). WSAGetLastError()=%d", last_error());
    return PMC_E_FAIL;
  }
  request.imr_multiaddr.s_addr = group_address;
  request.imr_interface.s_addr = INADDR_ANY;
  if (sock().m_pSetsockopt(m_handle, IPPROTO_IP, IP_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                           sizeof(request)) != 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail setsockopt(). can't set multicast flag. WSAGetLastError()=%d",
            last_error());
    return PMC_E_FAIL;
  }
  return PMC_OK;
}

int DataGramSocket::join_ipv6_group(const char* group) {
  struct ipv6_mreq request {};
  int rc = pmc_ipv6_group_to_bytes(group, request.ipv6mr_multiaddr.s6_addr);
  if (rc != PMC_OK) return rc;
  request.ipv6mr_interface = 0;
  if (sock().m_pSetsockopt(m_handle, IPPROTO_IPV6, IPV6_ADD_MEMBERSHIP, reinterpret_cast<const char*>(&request),
                           sizeof(request)) != 0) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "fail setsockopt(). can't set multicast flag. WSAGetLastError()=%d",
            last_error());
    return PMC_E_FAIL;
  }
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// UDP over IPv4
// ---------------------------------------------------------------------------

int DataGramSocketIPv4::start_services() { return NPmcSocketAPI::startup_1_1(); }

int DataGramSocketIPv4::to_network_address(const struct sockaddr_storage& from, socklen_t length,
                                           IPmcNetworkAddress* out) {
  if (from.ss_family != AF_INET || static_cast<size_t>(length) < sizeof(struct sockaddr_in)) return PMC_E_FAIL;
  const auto& in = reinterpret_cast<const struct sockaddr_in&>(from);
  const char* text = sock().m_pInetNtoa(in.sin_addr);
  if (text == nullptr) return PMC_E_FAIL;
  return store_address(out, text, IPmcNetworkAddress::PROTOCOL_IPV4, sock().m_pNtohs(in.sin_port));
}

int DataGramSocketIPv4::to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out,
                                          socklen_t* length) {
  auto& in = reinterpret_cast<struct sockaddr_in&>(*out);
  std::memset(out, 0, sizeof(*out));
  PmcInAddr host = 0;
  if (!ipv4_text_to_address(address->c_str(), &host)) return PMC_E_FAIL;
  in.sin_addr.s_addr = host;
  in.sin_family = AF_INET;
  in.sin_port = sock().m_pHtons(address->get_port());
  *length = sizeof(struct sockaddr_in);
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// IPX
// ---------------------------------------------------------------------------

int DataGramSocketIPX::start_services() { return NPmcSocketAPI::startup_1_1(); }

int DataGramSocketIPX::ipx_to_socket_address(const char* text, unsigned short port, struct sockaddr_storage* out,
                                             socklen_t* length) {
#ifdef PMC_HAVE_IPX_HEADER
  uint8_t network[4];
  uint8_t node[6];
  if (!pmc_parse_ipx(text, network, node)) return PMC_E_FAIL;
  std::memset(out, 0, sizeof(*out));
  auto& ipx = reinterpret_cast<struct sockaddr_ipx&>(*out);
  ipx.sipx_family = AF_IPX;
  ipx.sipx_port = swap_to_network_order(port);
  std::memcpy(&ipx.sipx_network, network, sizeof(network));
  std::memcpy(ipx.sipx_node, node, sizeof(node));
  *length = sizeof(struct sockaddr_ipx);
  return PMC_OK;
#else
  (void)text, (void)port, (void)out, (void)length;
  return PMC_E_FAIL;
#endif
}

int DataGramSocketIPX::ipx_to_network_address(const struct sockaddr_storage& from, socklen_t length,
                                              IPmcNetworkAddress* out) {
#ifdef PMC_HAVE_IPX_HEADER
  if (from.ss_family != AF_IPX || static_cast<size_t>(length) < sizeof(struct sockaddr_ipx)) return PMC_E_FAIL;
  const auto& ipx = reinterpret_cast<const struct sockaddr_ipx&>(from);
  uint8_t network[4];
  std::memcpy(network, &ipx.sipx_network, sizeof(network));
  char text[PMC_IPX_TEXT_SIZE];
  pmc_format_ipx(network, ipx.sipx_node, text);
  return store_address(out, text, IPmcNetworkAddress::PROTOCOL_IPX, swap_to_network_order(ipx.sipx_port));
#else
  (void)from, (void)length, (void)out;
  return PMC_E_FAIL;
#endif
}

int DataGramSocketIPX::to_network_address(const struct sockaddr_storage& from, socklen_t length,
                                          IPmcNetworkAddress* out) {
  return ipx_to_network_address(from, length, out);
}

int DataGramSocketIPX::to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out,
                                         socklen_t* length) {
  return ipx_to_socket_address(address->c_str(), address->get_port(), out, length);
}

// ---------------------------------------------------------------------------
// UDP over IPv6
// ---------------------------------------------------------------------------

int DataGramSocketIPv6::start_services() {
  int rc = NPmcSocketAPI::startup_2_2();
  if (rc != PMC_OK) return rc;
  // Every IPv6 address conversion goes through the resolver.
  if (!NPmcSocketAPI::has_resolver()) {
    NPmcSocketAPI::cleanup();
    return PMC_E_PLATFORM;
  }
  return PMC_OK;
}

int DataGramSocketIPv6::create_handle() {
  int rc = DataGramSocket::create_handle();
  if (rc != PMC_OK || protocol() != IPmcNetworkAddress::PROTOCOL_IPV6) return rc;
  // An IPv6 socket serves IPv6 only, so it neither takes the IPv4 port of
  // the same number nor receives IPv4 datagrams in mapped form.
  int on = 1;
  if (sock().m_pSetsockopt(handle(), IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&on), sizeof(on)) !=
      0) {
    PMC_LOG(g_logSocket, PMC_LOG_WARN, "fail setsockopt(IPV6_V6ONLY). WSAGetLastError()=%d", last_error());
  }
  return PMC_OK;
}

int DataGramSocketIPv6::to_network_address(const struct sockaddr_storage& from, socklen_t /*length*/,
                                           IPmcNetworkAddress* out) {
  socklen_t length = sizeof(struct sockaddr_storage);
  switch (protocol()) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: length = sizeof(struct sockaddr_in); break;
#ifdef PMC_HAVE_IPX_HEADER
    case IPmcNetworkAddress::PROTOCOL_IPX: length = sizeof(struct sockaddr_ipx); break;
#endif
    case IPmcNetworkAddress::PROTOCOL_IPV6: length = sizeof(struct sockaddr_in6); break;
    default: break;
  }
  char host[PMC_HOST_TEXT_SIZE];
  char service[32];
  if (NPmcSocketAPI::numeric_name_info(reinterpret_cast<const struct sockaddr*>(&from), length, host, sizeof(host),
                                       service, sizeof(service)) != 0) {
    return PMC_E_FAIL;
  }
  char* end = nullptr;
  unsigned long port = std::strtoul(service, &end, 10);
  if (end == service || *end != '\0' || port > 0xffff) return PMC_E_FAIL;
  return store_address(out, host, pmc_protocol_of_family(from.ss_family), static_cast<unsigned short>(port));
}

int DataGramSocketIPv6::to_socket_address(const IPmcNetworkAddress* address, struct sockaddr_storage* out,
                                          socklen_t* length) {
  char port[8];
  std::snprintf(port, sizeof(port), "%d", address->get_port());
  struct addrinfo hints {};
  hints.ai_flags = AI_PASSIVE;
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  struct addrinfo* list = nullptr;
  if (sock().m_pGetaddrinfo(address->c_str(), port, &hints, &list) != 0 || list == nullptr) return PMC_E_FAIL;
  int rc = PMC_E_FAIL;
  if (list->ai_addr != nullptr && list->ai_addrlen <= sizeof(*out)) {
    std::memset(out, 0, sizeof(*out));
    std::memcpy(out, list->ai_addr, list->ai_addrlen);
    *length = list->ai_addrlen;
    rc = PMC_OK;
  }
  sock().m_pFreeaddrinfo(list);
  return rc;
}

// ---------------------------------------------------------------------------
// Factory
// ---------------------------------------------------------------------------

template <class Variant>
int DataGramSocket::create(unsigned short port, DataGramSocket** out) {
  int err = PMC_OK;
  DataGramSocket* socket = pmc_make<Variant>(&err);
  if (socket == nullptr) return err;
  err = socket->open(port);
  if (err != PMC_OK) {
    socket->release();  // closes what was opened and ends the start-up
    return err;
  }
  *out = socket;
  return PMC_OK;
}

int pmc_create_datagram_socket(int protocol, unsigned short port, DataGramSocket** out) {
  if (out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  switch (protocol) {
    case IPmcNetworkAddress::PROTOCOL_IPV4: return DataGramSocket::create<DataGramSocketIPv4>(port, out);
    case IPmcNetworkAddress::PROTOCOL_IPX: return DataGramSocket::create<DataGramSocketIPX>(port, out);
    case IPmcNetworkAddress::PROTOCOL_IPV6: return DataGramSocket::create<DataGramSocketIPv6>(port, out);
    default: return PMC_E_ARG;
  }
}
