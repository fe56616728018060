// Run-time loading of the socket services and the adapter layer, with stub
// libraries standing in for older or broken systems.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "net/pmc_address_service.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_socket_api.h"
#include "net/pmc_transport_available.h"
#include "net_test_support.h"
#include "platform/pmc_platform.h"

using psw_net_test::ScopedIpHelpLibrary;
using psw_net_test::ScopedSocketLibrary;

namespace {

bool library_is_mapped(const char* path) {
  void* handle = dlopen(path, RTLD_NOW | RTLD_NOLOAD);
  if (handle == nullptr) return false;
  dlclose(handle);
  return true;
}

}  // namespace

TEST(SocketLoader, CLibraryBindsEveryEntryPointAndTheResolver) {
  ScopedSocketLibrary defaults({});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_OK);
  EXPECT_TRUE(NPmcSocketAPI::has_resolver());
  const NPmcSocketAPI::Api& api = NPmcSocketAPI::api();
  EXPECT_NE(api.m_pSocket, nullptr);
  EXPECT_NE(api.m_pClosesocket, nullptr);
  EXPECT_NE(api.m_pPoll, nullptr);
  EXPECT_NE(api.m_pGetaddrinfo, nullptr);
  EXPECT_NE(api.m_pFreeaddrinfo, nullptr);
  EXPECT_EQ(api.m_pHtons(0x1234), htons(0x1234));

  int before = NPmcSocketAPI::startup_count();
  EXPECT_EQ(NPmcSocketAPI::startup_1_1(), PMC_OK);
  EXPECT_EQ(NPmcSocketAPI::startup_2_2(), PMC_OK);
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before + 2);
  NPmcSocketAPI::cleanup();
  NPmcSocketAPI::cleanup();
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before);

  int err = -99;
  IPmcAddressService* service = pmc_address_service(&err);
  EXPECT_EQ(err, PMC_OK);
  EXPECT_NE(dynamic_cast<CPmcAddressServiceDual*>(service), nullptr);
  EXPECT_EQ(pmc_address_service(nullptr), service);  // created once
}

TEST(SocketLoader, LibraryWithoutResolverSelectsTheClassicService) {
  // The first name does not load, so the second (a bare name found beside
  // this program) is used.
  ScopedSocketLibrary stub({"libpsw-no-such-library.so", PSW_STUB_NORESOLVER_NAME});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_OK);
  EXPECT_FALSE(NPmcSocketAPI::has_resolver());

  IPmcAddressService* service = pmc_address_service(nullptr);
  ASSERT_NE(service, nullptr);
  EXPECT_NE(dynamic_cast<CPmcAddressServiceClassic*>(service), nullptr);
  int protocol = -1;
  EXPECT_EQ(service->protocol_of("fe80::1", &protocol), PMC_E_NOVALUE);
  EXPECT_EQ(protocol, IPmcNetworkAddress::PROTOCOL_NONE);

  // Address objects follow the process's classic rules.
  PmcPtr<IPmcNetworkAddress> address(pmc_create_network_address("192.168.1.10", 161, nullptr));
  ASSERT_TRUE(address);
  EXPECT_EQ(address->set_address("fe80::1"), PMC_E_NOVALUE);
  EXPECT_STREQ(address->c_str(), "192.168.1.10");
  int err = 0;
  EXPECT_EQ(pmc_create_network_address("fe80::1", 161, &err), nullptr);
  EXPECT_EQ(err, PMC_E_NOVALUE);

  // IPv6 needs the resolver; IPv4 sockets work through the stub's forwarders.
  DataGramSocket* socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV6, 0, &socket), PMC_E_PLATFORM);
  EXPECT_EQ(socket, nullptr);
  ASSERT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_OK);
  PmcPtr<DataGramSocket> receiver(socket);
  ASSERT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_OK);
  PmcPtr<DataGramSocket> sender(socket);
  PmcPtr<IPmcNetworkAddress> to(pmc_create_network_address("127.0.0.1", receiver->local_address()->get_port(), nullptr));
  ASSERT_TRUE(to);
  ASSERT_EQ(sender->send("ping", 4, to.get()), PMC_OK);
  char buffer[16];
  size_t received = 0;
  IPmcNetworkAddress* from = nullptr;
  ASSERT_EQ(receiver->receive(buffer, sizeof(buffer), 2000, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> source(from);
  EXPECT_EQ(received, 4u);
  EXPECT_EQ(source->get_port(), sender->local_address()->get_port());
}

TEST(SocketLoader, MissingRequiredEntryPointKeepsNothingAndRetries) {
  ScopedSocketLibrary stub({PSW_STUB_NOREQUIRED_PATH});
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_FAIL);
  EXPECT_FALSE(library_is_mapped(PSW_STUB_NOREQUIRED_PATH));  // freed again
  // Nothing was cached: the next call loads and fails again instead of
  // answering from a half-bound library.
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_FAIL);
  EXPECT_EQ(NPmcSocketAPI::startup_2_2(), PMC_E_FAIL);
  EXPECT_FALSE(NPmcSocketAPI::has_resolver());
}

TEST(SocketLoader, NoLibraryGivesThePlatformError) {
  ScopedSocketLibrary none({"libpsw-no-such-library.so", "libpsw-no-such-library-either.so"});
  int before = NPmcSocketAPI::startup_count();
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_PLATFORM);
  EXPECT_EQ(NPmcSocketAPI::startup_1_1(), PMC_E_PLATFORM);
  NPmcSocketAPI::cleanup();  // after a failed start-up: nothing to end
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before);

  // The resolver rules pass the loader's error on; the text rules that need
  // no resolver still answer.
  CPmcAddressServiceDual dual;
  int protocol = 0;
  EXPECT_EQ(dual.protocol_of("fe80::1", &protocol), PMC_E_PLATFORM);
  EXPECT_EQ(dual.protocol_of("10.0.0.1", &protocol), PMC_OK);
  IPmcText* text = nullptr;
  EXPECT_EQ(dual.normalize("::1", &text), PMC_E_PLATFORM);
  EXPECT_EQ(text, nullptr);

  DataGramSocket* socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_E_PLATFORM);
  EXPECT_EQ(socket, nullptr);
}

TEST(IpHelpLoader, UnloadableLibraryFallsBackToTheSocketProbe) {
  ScopedIpHelpLibrary none({"libpsw-no-such-library.so"});
  EXPECT_EQ(NPmcIpHelpAPI::load(), PMC_E_PLATFORM);
  uint32_t size = 0;
  EXPECT_EQ(NPmcIpHelpAPI::get_adapters_info(nullptr, &size), NPmcIpHelpAPI::PMC_ERROR_NOT_SUPPORTED);

  PmcAdapterAnswer answer = PmcAdapterAnswer::kAvailable;
  EXPECT_EQ(pmc_ipv4_by_adapters(&answer), PMC_OK);
  EXPECT_EQ(answer, PmcAdapterAnswer::kUndecided);
  // Only loopback here: the adapters would say no, but a UDP socket opens.
  bool available = false;
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPV4, &available), PMC_OK);
  EXPECT_TRUE(available);
  available = true;
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPV6, &available), PMC_OK);
  EXPECT_FALSE(available);
}

TEST(IpHelpLoader, LibraryWithoutInterfaceListStillLoads) {
  // The stub has none of the adapter entry points: the load succeeds, the
  // queries cannot be answered, and the decision falls back as above.
  ScopedIpHelpLibrary stub({PSW_STUB_NORESOLVER_PATH});
  EXPECT_EQ(NPmcIpHelpAPI::load(), PMC_OK);
  uint32_t size = 0;
  EXPECT_EQ(NPmcIpHelpAPI::get_adapters_addresses(AF_INET6, 0, nullptr, &size),
            NPmcIpHelpAPI::PMC_ERROR_NOT_SUPPORTED);
  PmcAdapterAnswer answer = PmcAdapterAnswer::kAvailable;
  EXPECT_EQ(pmc_ipv4_by_adapters(&answer), PMC_OK);
  EXPECT_EQ(answer, PmcAdapterAnswer::kUndecided);
}
