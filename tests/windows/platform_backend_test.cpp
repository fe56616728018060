// The Windows backend of the platform layer, under Wine: the socket library
// loaded by name with its fall-back, a missing resolver or required entry
// point, IP Helper without an optional entry point, start-up counting,
// datagrams through Windows Sockets (including one too big for the buffer),
// and the kernel services of the platform table.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "log/log_test_support.h"
#include "net/pmc_address_service.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_iphelp_api.h"
#include "net/pmc_socket_api.h"
#include "net/pmc_transport_available.h"
#include "platform/pmc_platform.h"
#include "net/scoped_libraries.h"

namespace {

using psw_net_test::ScopedSocketLibrary;
using ScopedIpHelp = psw_net_test::ScopedIpHelpLibrary;

class SocketLoaderLog : public log_test::LogTest {
 protected:
  void SetUp() override {
    log_test::LogTest::SetUp();
    IPmcLogger* logger = category("socket");
    ASSERT_EQ(logger->add_sink(&m_sink), 0);
    ASSERT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
  }
  bool logged(const std::string& ending) const {
    for (const std::string& line : m_sink.lines())
      if (line.size() >= ending.size() && line.compare(line.size() - ending.size(), ending.size(), ending) == 0)
        return true;
    return false;
  }
  log_test::CaptureSink m_sink;
};

PmcPtr<DataGramSocket> open_ipv4() {
  DataGramSocket* socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_OK);
  return PmcPtr<DataGramSocket>(socket);
}

PmcPtr<IPmcNetworkAddress> loopback(unsigned short port) {
  PmcPtr<IPmcNetworkAddress> address(pmc_create_network_address(nullptr));
  if (address) address->set("127.0.0.1", IPmcNetworkAddress::PROTOCOL_IPV4, port);
  return address;
}

}  // namespace

TEST(WindowsPlatform, LoadsLibrariesByNameAndReportsTheClassicErrors) {
  EXPECT_EQ(pmc_load_library(nullptr), nullptr);
  EXPECT_EQ(pmc_load_library("psw-no-such-library.dll"), nullptr);
  EXPECT_EQ(pmc_get_last_error(), PMC_SYS_MOD_NOT_FOUND);

  // A bare name: found beside the program (where the stubs are built).
  PmcModule stub = pmc_load_library("psw_stub_ws2_nosendto.dll");
  ASSERT_NE(stub, nullptr);
  EXPECT_EQ(pmc_get_last_error(), 0);
  EXPECT_NE(pmc_get_proc_address(stub, "recvfrom"), nullptr);
  EXPECT_EQ(pmc_get_proc_address(stub, "sendto"), nullptr);
  EXPECT_EQ(pmc_get_last_error(), PMC_SYS_PROC_NOT_FOUND);
  pmc_free_library(stub);
}

TEST(WindowsPlatform, SocketLibraryIsWs2WithItsResolver) {
  ScopedSocketLibrary defaults({});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_OK);
  EXPECT_TRUE(NPmcSocketAPI::has_resolver());
  const NPmcSocketAPI::Api& api = NPmcSocketAPI::api();
  EXPECT_NE(api.m_pWSAStartup, nullptr);
  EXPECT_NE(api.m_pWSAFDIsSet, nullptr);
  EXPECT_NE(api.m_pGetaddrinfo, nullptr);

  // Start-ups are counted, and each one is ended by its clean-up.
  int before = NPmcSocketAPI::startup_count();
  EXPECT_EQ(NPmcSocketAPI::startup_2_2(), PMC_OK);
  EXPECT_EQ(NPmcSocketAPI::startup_1_1(), PMC_OK);
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before + 2);
  NPmcSocketAPI::cleanup();
  NPmcSocketAPI::cleanup();
  EXPECT_EQ(NPmcSocketAPI::startup_count(), before);
}

TEST(WindowsPlatform, WithoutWs2TheOlderLibraryServesWithoutTheResolver) {
  ScopedSocketLibrary older({"psw-no-ws2_32.dll", "wsock32.dll"});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_OK);
  EXPECT_FALSE(NPmcSocketAPI::has_resolver());
  // The classic address rules then serve: IPv4 yes, IPv6 texts refused.
  int protocol = -1;
  int err = PMC_OK;
  IPmcAddressService* service = pmc_address_service(&err);
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->protocol_of("192.0.2.7", &protocol), PMC_OK);
  EXPECT_EQ(protocol, IPmcNetworkAddress::PROTOCOL_IPV4);
  EXPECT_EQ(service->protocol_of("fd00::7", &protocol), PMC_E_NOVALUE);
}

TEST(WindowsPlatform, NoSocketLibraryAtAllIsAPlatformFailure) {
  ScopedSocketLibrary none({"psw-no-ws2_32.dll", "psw-no-wsock32.dll"});
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_PLATFORM);
  EXPECT_FALSE(NPmcSocketAPI::has_resolver());
  DataGramSocket* socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &socket), PMC_E_PLATFORM);
  EXPECT_EQ(socket, nullptr);
}

TEST(WindowsPlatform, MissingResolverEntryPointSelectsTheClassicRules) {
  ScopedSocketLibrary stub({"psw_stub_ws2_noresolver.dll"});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_OK);
  EXPECT_FALSE(NPmcSocketAPI::has_resolver());
  // IPv6 sockets need the resolver; IPv4 ones do not.
  DataGramSocket* socket = nullptr;
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV6, 0, &socket), PMC_E_PLATFORM);
  PmcPtr<DataGramSocket> ipv4(open_ipv4());
  EXPECT_TRUE(ipv4);
}

TEST_F(SocketLoaderLog, MissingRequiredEntryPointIsNamedAndNothingIsKept) {
  ScopedSocketLibrary stub({"psw_stub_ws2_nosendto.dll"});
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_FAIL);
  EXPECT_TRUE(logged("Error, [NPmcSocketAPI::set_api] fail GetProcAddress \"sendto\": GetLastError()=127"));
  // Nothing was cached: the next call loads and fails again.
  EXPECT_EQ(NPmcSocketAPI::load(), PMC_E_FAIL);
}

TEST_F(SocketLoaderLog, IpHelpWithoutAnOptionalEntryPointStillAnswers) {
  ScopedIpHelp stub({"psw_stub_iphlpapi_nobest.dll"});
  EXPECT_EQ(NPmcIpHelpAPI::load(), PMC_OK);
  EXPECT_TRUE(logged("Error, [NPmcIpHelpAPI::set_api] fail GetProcAddress \"GetBestInterfaceEx\": GetLastError()=127"));
  uint32_t size = 0;
  uint32_t rc = NPmcIpHelpAPI::get_adapters_addresses(AF_UNSPEC, 0, nullptr, &size);
  EXPECT_TRUE(rc == NPmcIpHelpAPI::PMC_ERROR_BUFFER_OVERFLOW || rc == NPmcIpHelpAPI::PMC_ERROR_NO_DATA) << rc;
}

TEST(WindowsPlatform, WithoutIpHelpIpv6IsNotAvailableAndIpv4IsProbed) {
  ScopedIpHelp none({"psw-no-iphlpapi.dll"});
  EXPECT_EQ(NPmcIpHelpAPI::load(), PMC_E_PLATFORM);
  int err = PMC_OK;
  IPmcAddressService* service = pmc_address_service(&err);
  ASSERT_NE(service, nullptr);
  bool available = true;
  EXPECT_EQ(service->transport_available(IPmcNetworkAddress::PROTOCOL_IPV6, &available), PMC_OK);
  EXPECT_FALSE(available);
  EXPECT_EQ(service->transport_available(IPmcNetworkAddress::PROTOCOL_IPV4, &available), PMC_OK);
  EXPECT_TRUE(available);  // a UDP socket opens on loopback
}

TEST(WindowsPlatform, DatagramsTravelAndOneTooBigIsDroppedAlone) {
  PmcPtr<DataGramSocket> sender(open_ipv4());
  PmcPtr<DataGramSocket> receiver(open_ipv4());
  ASSERT_TRUE(sender && receiver);
  PmcPtr<IPmcNetworkAddress> to(loopback(receiver->local_address()->get_port()));

  char big[100];
  std::memset(big, 'x', sizeof big);
  const char small[] = "get-request";
  ASSERT_EQ(sender->send(big, sizeof big, to.get()), PMC_OK);
  ASSERT_EQ(sender->send(small, sizeof small, to.get()), PMC_OK);

  char buffer[32];
  size_t received = 0;
  IPmcNetworkAddress* from = nullptr;
  EXPECT_EQ(receiver->receive(buffer, sizeof buffer, 2000, &received, &from), PMC_E_OVERFLOW);
  EXPECT_EQ(from, nullptr);
  ASSERT_EQ(receiver->receive(buffer, sizeof buffer, 2000, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> source(from);
  ASSERT_EQ(received, sizeof small);
  EXPECT_EQ(std::memcmp(buffer, small, sizeof small), 0);
  EXPECT_STREQ(source->c_str(), "127.0.0.1");
  EXPECT_EQ(source->get_port(), sender->local_address()->get_port());

  // Nothing more: the wait ends at its time-out.
  uint32_t start = pmc_tick_count();
  EXPECT_EQ(receiver->receive(buffer, sizeof buffer, 200, &received, &from), PMC_E_TIMEOUT);
  EXPECT_GE(pmc_tick_count() - start, 150u);
}

namespace {
std::atomic<int> g_slotExits{0};
void count_exit(void* value) {
  if (value != nullptr) g_slotExits.fetch_add(1);
}
}  // namespace

TEST(WindowsPlatform, ThreadSlotsAreCleanedUpWhenTheirThreadEnds) {
  const PmcPlatformTable& platform = pmc_platform();
  PmcThreadSlot slot{};
  ASSERT_EQ(platform.slot_create(&slot, &count_exit), PMC_OK);
  int value = 7;
  std::thread worker([&] {
    EXPECT_EQ(platform.slot_get(slot), nullptr);
    EXPECT_EQ(platform.slot_set(slot, &value), PMC_OK);
    EXPECT_EQ(platform.slot_get(slot), &value);
  });
  worker.join();
  EXPECT_EQ(g_slotExits.load(), 1);
  EXPECT_EQ(platform.slot_get(slot), nullptr);  // each thread has its own
  platform.slot_delete(slot);
}

TEST(WindowsPlatform, ClockIdsAndRandomBytes) {
  const PmcPlatformTable& platform = pmc_platform();
  PmcLocalTime now{};
  platform.local_time(&now);
  EXPECT_GE(now.year, 2020);
  EXPECT_TRUE(now.month >= 1 && now.month <= 12);
  EXPECT_TRUE(now.millisecond >= 0 && now.millisecond < 1000);
  EXPECT_NE(platform.process_id(), 0u);
  uint32_t main_thread = platform.thread_id();
  uint32_t other = 0;
  std::thread([&] { other = pmc_platform().thread_id(); }).join();
  EXPECT_NE(main_thread, other);

  unsigned char first[32] = {};
  unsigned char second[32] = {};
  ASSERT_EQ(pmc_system_random(first, sizeof first), PMC_OK);
  ASSERT_EQ(pmc_system_random(second, sizeof second), PMC_OK);
  EXPECT_NE(std::memcmp(first, second, sizeof first), 0);
  EXPECT_EQ(pmc_system_random(nullptr, 4), PMC_E_ARG);
}
