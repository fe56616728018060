// Transport availability, judged in namespaces that the tests build: one
// with loopback only and one with an interface that has addresses. Each runs
// on a thread of its own, so the process's namespace (shared with tests that
// run in parallel) is never changed.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "net/pmc_address_service.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_transport_available.h"
#include "net_test_support.h"
#include "psw/psw.h"

using psw_net_test::run_in_new_namespace;
using psw_net_test::veth_setup;

namespace {

struct Answers {
  bool ipv4 = true;
  bool ipv6 = true;
  PSW_BOOL16 exported_udp = -1;
  PSW_BOOL16 exported_udp6 = -1;
};

// Asks both ways on the calling thread: the decision itself and the exported
// function through the process-wide service (which caches nothing about
// adapters, so the order of the tests does not matter).
Answers ask() {
  Answers answers;
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPV4, &answers.ipv4), PMC_OK);
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPV6, &answers.ipv6), PMC_OK);
  answers.exported_udp = PSWTransportAvailable(PSW_TRANSPORT_UDP);
  answers.exported_udp6 = PSWTransportAvailable(PSW_TRANSPORT_UDP6);
  return answers;
}

std::vector<NPmcIpHelpAPI::AdapterInfo> adapters_info() {
  uint32_t size = 0;
  EXPECT_EQ(NPmcIpHelpAPI::get_adapters_info(nullptr, &size), NPmcIpHelpAPI::PMC_ERROR_BUFFER_OVERFLOW);
  std::vector<NPmcIpHelpAPI::AdapterInfo> list(size / sizeof(NPmcIpHelpAPI::AdapterInfo));
  EXPECT_EQ(size % sizeof(NPmcIpHelpAPI::AdapterInfo), 0u);
  EXPECT_EQ(NPmcIpHelpAPI::get_adapters_info(list.data(), &size), NPmcIpHelpAPI::PMC_NO_ERROR);
  return list;
}

}  // namespace

TEST(TransportAvailable, LoopbackOnlyHasNeitherIpv4NorIpv6) {
  ASSERT_EQ(NPmcIpHelpAPI::load(), PMC_OK);
  Answers answers;
  std::vector<NPmcIpHelpAPI::AdapterInfo> adapters;
  std::string failure = run_in_new_namespace({}, [&] {
    answers = ask();
    adapters = adapters_info();
  });
  ASSERT_EQ(failure, "");
  EXPECT_FALSE(answers.ipv4);
  EXPECT_FALSE(answers.ipv6);
  EXPECT_EQ(answers.exported_udp, 0);
  EXPECT_EQ(answers.exported_udp6, 0);
  ASSERT_EQ(adapters.size(), 1u);
  EXPECT_EQ(adapters[0].type, NPmcIpHelpAPI::PMC_IF_TYPE_LOOPBACK);
  EXPECT_STREQ(adapters[0].ip_address, "127.0.0.1");
}

TEST(TransportAvailable, InterfaceWithAddressesMakesBothAvailable) {
  Answers answers;
  std::vector<NPmcIpHelpAPI::AdapterInfo> adapters;
  std::string failure = run_in_new_namespace(veth_setup(true), [&] {
    answers = ask();
    adapters = adapters_info();
  });
  ASSERT_EQ(failure, "");
  EXPECT_TRUE(answers.ipv4);
  EXPECT_TRUE(answers.ipv6);
  EXPECT_EQ(answers.exported_udp, 1);
  EXPECT_EQ(answers.exported_udp6, 1);
  bool found = false;
  for (const auto& a : adapters) {
    if (std::strcmp(a.ip_address, "192.0.2.1") == 0) {
      found = true;
      EXPECT_EQ(a.type, NPmcIpHelpAPI::PMC_IF_TYPE_ETHERNET);
    }
  }
  EXPECT_TRUE(found);
}

TEST(TransportAvailable, InterfaceWithoutIpv4AddressDoesNotCount) {
  Answers answers;
  std::vector<NPmcIpHelpAPI::AdapterInfo> adapters;
  std::string failure = run_in_new_namespace(veth_setup(false), [&] {
    answers = ask();
    adapters = adapters_info();
  });
  ASSERT_EQ(failure, "");
  EXPECT_FALSE(answers.ipv4);  // the veth pair shows 0.0.0.0
  EXPECT_EQ(adapters.size(), 3u);
  for (const auto& a : adapters) {
    if (a.type != NPmcIpHelpAPI::PMC_IF_TYPE_LOOPBACK) {
      EXPECT_STREQ(a.ip_address, "0.0.0.0");
    }
  }
}

TEST(TransportAvailable, OtherTransportsAndProtocols) {
  EXPECT_EQ(PSWTransportAvailable(PSW_TRANSPORT_RESERVED), 0);
  EXPECT_EQ(PSWTransportAvailable(4), 0);  // not a transport value
  EXPECT_EQ(PSWTransportAvailable(0), 0);
  EXPECT_EQ(PSWTransportAvailable(-1), 0);

  bool available = true;
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_RESERVED, &available), PMC_OK);
  EXPECT_FALSE(available);
  EXPECT_EQ(pmc_transport_available(9, &available), PMC_OK);
  EXPECT_FALSE(available);
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPV4, nullptr), PMC_E_ARG);
  IPmcAddressService* service = pmc_address_service(nullptr);
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->transport_available(IPmcNetworkAddress::PROTOCOL_IPV6, nullptr), PMC_E_ARG);

  // IPX is available exactly when the kernel opens an IPX datagram socket.
  int raw = ::socket(AF_IPX, SOCK_DGRAM, 0);
  bool kernel_has_ipx = raw >= 0;
  if (raw >= 0) ::close(raw);
  EXPECT_EQ(pmc_transport_available(IPmcNetworkAddress::PROTOCOL_IPX, &available), PMC_OK);
  EXPECT_EQ(available, kernel_has_ipx);
  EXPECT_EQ(PSWTransportAvailable(PSW_TRANSPORT_IPX), kernel_has_ipx ? 1 : 0);
}

TEST(TransportAvailable, AdapterQueriesFollowTheBufferProtocol) {
  ASSERT_EQ(NPmcIpHelpAPI::load(), PMC_OK);
  std::string failure = run_in_new_namespace(veth_setup(true), [] {
    using namespace NPmcIpHelpAPI;
    uint32_t size = 0;
    ASSERT_EQ(get_adapters_addresses(AF_INET6, 0, nullptr, &size), PMC_ERROR_BUFFER_OVERFLOW);
    ASSERT_EQ(size % sizeof(AdapterAddresses), 0u);
    std::vector<AdapterAddresses> list(size / sizeof(AdapterAddresses));
    uint32_t small = size - 1;
    EXPECT_EQ(get_adapters_addresses(AF_INET6, 0, list.data(), &small), PMC_ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(small, size);
    ASSERT_EQ(get_adapters_addresses(AF_INET6, 0, list.data(), &size), PMC_NO_ERROR);
    int loopbacks = 0;
    int with_ipv6 = 0;
    for (const auto& a : list) {
      if (a.if_type == PMC_IF_TYPE_LOOPBACK) ++loopbacks;
      if (a.has_unicast) {
        EXPECT_EQ(a.first_unicast.ss_family, AF_INET6);
        ++with_ipv6;
      }
    }
    EXPECT_EQ(loopbacks, 1);
    EXPECT_GE(with_ipv6, 2);  // ::1 on lo, 2001:db8::1 on pswv0
    EXPECT_EQ(get_adapters_addresses(AF_IPX, 0, nullptr, &size), PMC_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(get_adapters_info(nullptr, nullptr), PMC_ERROR_INVALID_PARAMETER);
  });
  EXPECT_EQ(failure, "");
}
