// The datagram transport on loopback, and broadcast and multicast inside a
// namespace of the test's own.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "net/pmc_address_rules.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_socket_api.h"
#include "net_test_support.h"

namespace {

using Protocol = IPmcNetworkAddress::EProtocol;

PmcPtr<DataGramSocket> open_socket(int protocol, unsigned short port = 0) {
  DataGramSocket* socket = nullptr;
  int rc = pmc_create_datagram_socket(protocol, port, &socket);
  EXPECT_EQ(rc, PMC_OK) << "protocol " << protocol;
  return PmcPtr<DataGramSocket>(socket);
}

PmcPtr<IPmcNetworkAddress> address_of(const char* text, unsigned short port, Protocol protocol) {
  PmcPtr<IPmcNetworkAddress> address(pmc_create_network_address(nullptr));
  if (address) address->set(text, protocol, port);
  return address;
}

// Sends `payload` from `sender` to `text`:port of `receiver` and checks that
// it arrives whole, from the sender's port at `source_text`.
void round_trip(DataGramSocket* sender, DataGramSocket* receiver, const char* text, Protocol protocol,
                const char* source_text) {
  const char payload[] = "get-request";
  PmcPtr<IPmcNetworkAddress> to(address_of(text, receiver->local_address()->get_port(), protocol));
  ASSERT_EQ(sender->send(payload, sizeof(payload), to.get()), PMC_OK);

  char buffer[64];
  size_t received = 0;
  IPmcNetworkAddress* from = nullptr;
  ASSERT_EQ(receiver->receive(buffer, sizeof(buffer), 2000, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> source(from);
  ASSERT_EQ(received, sizeof(payload));
  EXPECT_EQ(std::memcmp(buffer, payload, sizeof(payload)), 0);
  ASSERT_TRUE(source);
  EXPECT_STREQ(source->c_str(), source_text);
  EXPECT_EQ(source->get_port(), sender->local_address()->get_port());
  EXPECT_EQ(source->get_protocol(), protocol);
}

}  // namespace

TEST(DataGramSocket, FactoryRefusesBadArgumentsAndReleasesItsStartUp) {
  int before = NPmcSocketAPI::startup_count();
  DataGramSocket* socket = reinterpret_cast<DataGramSocket*>(0x1);
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_RESERVED, 0, &socket), PMC_E_ARG);
  EXPECT_EQ(socket, nullptr);
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_NONE, 0, &socket), PMC_E_ARG);
  EXPECT_EQ(pmc_create_datagram_socket(7, 0, &socket), PMC_E_ARG);
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, nullptr), PMC_E_ARG);

  // IPX: the kernel decides; the socket layer must agree with it and not
  // keep a start-up behind when it fails.
  int raw = ::socket(AF_IPX, SOCK_DGRAM, 0);
  int expected = raw >= 0 ? PMC_OK : PMC_E_SOCKET;
  if (raw >= 0) ::close(raw);
  socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPX, 0, &socket), expected);
  if (socket != nullptr) socket->release();
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before);

  // A port in use fails the bind, and the half-made socket goes away.
  PmcPtr<DataGramSocket> first(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  ASSERT_TRUE(first);
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before + 1);
  socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, first->local_address()->get_port(), &socket),
            PMC_E_BIND);
  EXPECT_EQ(socket, nullptr);
  first.reset();
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before);
}

TEST(DataGramSocket, PortZeroShowsTheChosenPort) {
  PmcPtr<DataGramSocket> v4(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<DataGramSocket> v6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
  ASSERT_TRUE(v4 && v6);
  EXPECT_NE(v4->local_address()->get_port(), 0);
  EXPECT_STREQ(v4->local_address()->c_str(), "0.0.0.0");
  EXPECT_EQ(v4->local_address()->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV4);
  EXPECT_NE(v6->local_address()->get_port(), 0);
  EXPECT_STREQ(v6->local_address()->c_str(), "::");
  EXPECT_EQ(v6->local_address()->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV6);

  // A port given is the port bound.
  unsigned short port = v4->local_address()->get_port();
  v4.reset();
  PmcPtr<DataGramSocket> again(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4, port));
  ASSERT_TRUE(again);
  EXPECT_EQ(again->local_address()->get_port(), port);
}

TEST(DataGramSocket, RoundTripOnBothLoopbacks) {
  PmcPtr<DataGramSocket> a4(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<DataGramSocket> b4(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  ASSERT_TRUE(a4 && b4);
  round_trip(a4.get(), b4.get(), "127.0.0.1", IPmcNetworkAddress::PROTOCOL_IPV4, "127.0.0.1");
  round_trip(b4.get(), a4.get(), "127.000.000.001", IPmcNetworkAddress::PROTOCOL_IPV4, "127.0.0.1");

  PmcPtr<DataGramSocket> a6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
  PmcPtr<DataGramSocket> b6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
  ASSERT_TRUE(a6 && b6);
  round_trip(a6.get(), b6.get(), "::1", IPmcNetworkAddress::PROTOCOL_IPV6, "::1");
  round_trip(b6.get(), a6.get(), "0:0:0:0:0:0:0:1", IPmcNetworkAddress::PROTOCOL_IPV6, "::1");
}

TEST(DataGramSocket, ReceiveTimesOutAndPolls) {
  PmcPtr<DataGramSocket> socket(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  ASSERT_TRUE(socket);
  char buffer[16];
  size_t received = 99;
  IPmcNetworkAddress* from = reinterpret_cast<IPmcNetworkAddress*>(0x1);

  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 0, &received, &from), PMC_E_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
  EXPECT_EQ(from, nullptr);
  EXPECT_EQ(received, 0u);

  start = std::chrono::steady_clock::now();
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 120, &received, &from), PMC_E_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(110));

  EXPECT_EQ(socket->receive(nullptr, sizeof(buffer), 0, &received, &from), PMC_E_ARG);
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 0, nullptr, &from), PMC_E_ARG);
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 0, &received, nullptr), PMC_E_ARG);
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), -2, &received, &from), PMC_E_ARG);

  // A datagram already waiting is taken by a poll, and by a wait without limit.
  PmcPtr<IPmcNetworkAddress> self(address_of("127.0.0.1", socket->local_address()->get_port(),
                                              IPmcNetworkAddress::PROTOCOL_IPV4));
  ASSERT_EQ(socket->send("x", 1, self.get()), PMC_OK);
  ASSERT_EQ(socket->send("y", 1, self.get()), PMC_OK);
  ASSERT_EQ(socket->receive(buffer, sizeof(buffer), 0, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> first(from);
  EXPECT_EQ(buffer[0], 'x');
  ASSERT_EQ(socket->receive(buffer, sizeof(buffer), -1, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> second(from);
  EXPECT_EQ(buffer[0], 'y');
}

TEST(DataGramSocket, OversizedDatagramNeverOverrunsTheBuffer) {
  PmcPtr<DataGramSocket> socket(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  ASSERT_TRUE(socket);
  PmcPtr<IPmcNetworkAddress> self(address_of("127.0.0.1", socket->local_address()->get_port(),
                                              IPmcNetworkAddress::PROTOCOL_IPV4));
  char big[100];
  std::memset(big, 'A', sizeof(big));
  ASSERT_EQ(socket->send(big, sizeof(big), self.get()), PMC_OK);

  char buffer[32];
  std::memset(buffer, 'z', sizeof(buffer));
  size_t received = 99;
  IPmcNetworkAddress* from = nullptr;
  // Told apart from a failing socket, so a caller can go on waiting.
  EXPECT_EQ(socket->receive(buffer, 16, 2000, &received, &from), PMC_E_OVERFLOW);
  EXPECT_EQ(received, 0u);
  EXPECT_EQ(from, nullptr);
  for (size_t i = 16; i < sizeof(buffer); ++i) ASSERT_EQ(buffer[i], 'z') << i;
  // The dropped datagram does not linger, and the next one is whole.
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 0, &received, &from), PMC_E_TIMEOUT);
  ASSERT_EQ(socket->send("fits", 4, self.get()), PMC_OK);
  ASSERT_EQ(socket->receive(buffer, 16, 2000, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> sender(from);
  EXPECT_EQ(std::string(buffer, received), "fits");
}

TEST(DataGramSocket, SendRefusesWhatCannotBeAddressed) {
  PmcPtr<DataGramSocket> v4(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<DataGramSocket> v6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
  ASSERT_TRUE(v4 && v6);
  PmcPtr<IPmcNetworkAddress> bad(address_of("not-an-address", 161, IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<IPmcNetworkAddress> almost(address_of("255.255.255.255x", 161, IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<IPmcNetworkAddress> zero_port(address_of("127.0.0.1", 0, IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<IPmcNetworkAddress> v4_on_v6(address_of("127.0.0.1", 161, IPmcNetworkAddress::PROTOCOL_IPV4));
  EXPECT_EQ(v4->send("x", 1, bad.get()), PMC_E_ARG);
  EXPECT_EQ(v4->send("x", 1, almost.get()), PMC_E_ARG);  // only the exact text means broadcast
  EXPECT_EQ(v4->send(nullptr, 1, zero_port.get()), PMC_E_ARG);
  EXPECT_EQ(v4->send("x", 1, nullptr), PMC_E_ARG);
  EXPECT_EQ(v4->send("x", 1, zero_port.get()), PMC_E_SEND);   // port 0 cannot be sent to
  EXPECT_EQ(v6->send("x", 1, v4_on_v6.get()), PMC_E_SEND);    // an IPv4 destination on IPv6
}

TEST(DataGramSocket, BroadcastAndMulticastInAPrivateNamespace) {
  std::string failure = psw_net_test::run_in_new_namespace(psw_net_test::veth_setup(true), [] {
    PmcPtr<DataGramSocket> sender(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
    PmcPtr<DataGramSocket> listener(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
    ASSERT_TRUE(sender && listener);
    PmcPtr<IPmcNetworkAddress> everyone(address_of("255.255.255.255", listener->local_address()->get_port(),
                                                   IPmcNetworkAddress::PROTOCOL_IPV4));
    // Without the broadcast flag the system refuses; with it the datagram
    // goes out of the namespace's own interface and loops back to us.
    EXPECT_EQ(sender->send("b", 1, everyone.get()), PMC_E_SEND);
    ASSERT_EQ(sender->set_broadcast(true), PMC_OK);
    ASSERT_EQ(sender->send("b", 1, everyone.get()), PMC_OK);
    char buffer[8];
    size_t received = 0;
    IPmcNetworkAddress* from = nullptr;
    ASSERT_EQ(listener->receive(buffer, sizeof(buffer), 2000, &received, &from), PMC_OK);
    PmcPtr<IPmcNetworkAddress> source(from);
    EXPECT_EQ(received, 1u);
    EXPECT_EQ(source->get_port(), sender->local_address()->get_port());
    EXPECT_EQ(sender->set_broadcast(false), PMC_OK);
    EXPECT_EQ(sender->send("b", 1, everyone.get()), PMC_E_SEND);

    EXPECT_EQ(listener->join_multicast("224.0.0.251"), PMC_OK);
    EXPECT_EQ(listener->join_multicast("not-a-group"), PMC_E_FAIL);
    EXPECT_EQ(listener->join_multicast(nullptr), PMC_E_ARG);

    PmcPtr<DataGramSocket> v6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->set_broadcast(true), PMC_OK);  // nothing to do on IPv6
    EXPECT_EQ(v6->join_multicast("ff02::1"), PMC_OK);
    EXPECT_EQ(v6->join_multicast("ff02::"), PMC_E_ARG);
    EXPECT_EQ(v6->join_multicast("ff02::1zz"), PMC_E_ARG);
  });
  EXPECT_EQ(failure, "");
}

TEST(DataGramSocket, IpxAddressesConvertBothWays) {
  struct sockaddr_storage address {};
  socklen_t length = 0;
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000a:00001b2c3d4e", 36879, &address, &length), PMC_OK);
  EXPECT_EQ(address.ss_family, AF_IPX);
  const auto* bytes = reinterpret_cast<const uint8_t*>(&address);
  const uint8_t expected[] = {0x90, 0x0f, 0x00, 0x00, 0x00, 0x0a, 0x00, 0x00, 0x1b, 0x2c, 0x3d, 0x4e};
  EXPECT_EQ(std::memcmp(bytes + 2, expected, sizeof(expected)), 0);  // socket number, network, node

  PmcPtr<IPmcNetworkAddress> back(pmc_create_network_address(nullptr));
  ASSERT_TRUE(back);
  ASSERT_EQ(DataGramSocketIPX::ipx_to_network_address(address, length, back.get()), PMC_OK);
  EXPECT_STREQ(back->c_str(), "0000000a:00001b2c3d4e");
  EXPECT_EQ(back->get_port(), 36879);
  EXPECT_EQ(back->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPX);

  EXPECT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000a:00001b2c3d4", 1, &address, &length), PMC_E_FAIL);
  EXPECT_EQ(DataGramSocketIPX::ipx_to_socket_address("255.255.255.255", 1, &address, &length), PMC_E_FAIL);
  address.ss_family = AF_INET;
  EXPECT_EQ(DataGramSocketIPX::ipx_to_network_address(address, length, back.get()), PMC_E_FAIL);
}

TEST(DataGramSocket, SameEndpointReadsBothAddressesAsSendWould) {
  PmcPtr<DataGramSocket> v4(open_socket(IPmcNetworkAddress::PROTOCOL_IPV4));
  PmcPtr<DataGramSocket> v6(open_socket(IPmcNetworkAddress::PROTOCOL_IPV6));
  ASSERT_TRUE(v4 && v6);
  const Protocol ipv4 = IPmcNetworkAddress::PROTOCOL_IPV4;
  const Protocol ipv6 = IPmcNetworkAddress::PROTOCOL_IPV6;
  PmcPtr<IPmcNetworkAddress> device(address_of("127.000.000.001", 161, ipv4));
  EXPECT_TRUE(v4->is_same_endpoint(device.get(), address_of("127.0.0.1", 161, ipv4).get()));
  EXPECT_FALSE(v4->is_same_endpoint(device.get(), address_of("127.0.0.2", 161, ipv4).get()));
  EXPECT_FALSE(v4->is_same_endpoint(device.get(), address_of("127.0.0.1", 162, ipv4).get()));
  EXPECT_FALSE(v4->is_same_endpoint(device.get(), address_of("not-an-address", 161, ipv4).get()));
  EXPECT_FALSE(v4->is_same_endpoint(device.get(), nullptr));
  EXPECT_FALSE(v4->is_same_endpoint(nullptr, device.get()));

  PmcPtr<IPmcNetworkAddress> device6(address_of("0:0:0:0:0:0:0:1", 161, ipv6));
  EXPECT_TRUE(v6->is_same_endpoint(device6.get(), address_of("::1", 161, ipv6).get()));
  EXPECT_FALSE(v6->is_same_endpoint(device6.get(), address_of("::2", 161, ipv6).get()));
  EXPECT_FALSE(v6->is_same_endpoint(device6.get(), address_of("::1", 1161, ipv6).get()));
  PmcPtr<IPmcNetworkAddress> mapped(address_of("::ffff:127.0.0.1", 161, ipv6));
  EXPECT_TRUE(v6->is_same_endpoint(mapped.get(), address_of("127.0.0.1", 161, ipv6).get()));
  // Zones by number: a zone is part of the endpoint.
  EXPECT_TRUE(v6->is_same_endpoint(address_of("fe80::1%1", 161, ipv6).get(), address_of("fe80::1%1", 161, ipv6).get()));
  EXPECT_FALSE(v6->is_same_endpoint(address_of("fe80::1%1", 161, ipv6).get(), address_of("fe80::1", 161, ipv6).get()));
}

TEST(DataGramSocket, IpxEndpointsCompareNetworkNodeAndSocket) {
  struct sockaddr_storage a {}, b {};
  socklen_t la = 0, lb = 0;
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000a:00001b2c3d4e", 36879, &a, &la), PMC_OK);
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000A:00001B2C3D4E", 36879, &b, &lb), PMC_OK);
  EXPECT_TRUE(pmc_same_endpoint(a, la, b, lb));
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000b:00001b2c3d4e", 36879, &b, &lb), PMC_OK);
  EXPECT_FALSE(pmc_same_endpoint(a, la, b, lb));
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000a:00001b2c3d4f", 36879, &b, &lb), PMC_OK);
  EXPECT_FALSE(pmc_same_endpoint(a, la, b, lb));
  ASSERT_EQ(DataGramSocketIPX::ipx_to_socket_address("0000000a:00001b2c3d4e", 36880, &b, &lb), PMC_OK);
  EXPECT_FALSE(pmc_same_endpoint(a, la, b, lb));
}
