// What the loaders and the datagram transport write to the "socket" category.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "log/log_test_support.h"
#include "net/pmc_datagram_socket.h"
#include "net/pmc_socket_api.h"
#include "net_test_support.h"

namespace {

class SocketLog : public log_test::LogTest {
 protected:
  void SetUp() override {
    log_test::LogTest::SetUp();
    IPmcLogger* logger = category("socket");
    ASSERT_EQ(logger->add_sink(&m_sink), 0);
    ASSERT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
  }

  // Index of the first captured line that ends with `level, text`, or -1.
  int find(const std::string& level_and_text) const {
    std::vector<std::string> lines = m_sink.lines();
    for (size_t i = 0; i < lines.size(); ++i) {
      const std::string& line = lines[i];
      if (line.size() >= level_and_text.size() &&
          line.compare(line.size() - level_and_text.size(), std::string::npos, level_and_text) == 0) {
        return static_cast<int>(i);
      }
    }
    return -1;
  }
  bool has(const std::string& level_and_text) const { return find(level_and_text) >= 0; }
  bool has_prefix(const std::string& level_and_prefix) const {
    for (const std::string& line : m_sink.lines()) {
      if (line.find(level_and_prefix) != std::string::npos) return true;
    }
    return false;
  }

  log_test::CaptureSink m_sink;
};

}  // namespace

TEST_F(SocketLog, MissingEntryPointIsNamedBetweenTraceLines) {
  psw_net_test::ScopedSocketLibrary stub({PSW_STUB_NOREQUIRED_PATH});
  ASSERT_EQ(NPmcSocketAPI::load(), PMC_E_FAIL);
  int enter = find("[NPmcSocketAPI::set_api] enter.");
  int fail = find("Error, [NPmcSocketAPI::set_api] fail GetProcAddress \"sendto\": GetLastError()=127");
  int exit = find("[NPmcSocketAPI::set_api] exit.");
  EXPECT_GE(enter, 0);
  EXPECT_GT(fail, enter);
  EXPECT_GT(exit, fail);
}

TEST_F(SocketLog, DatagramLifeIsLogged) {
  DataGramSocket* raw = nullptr;
  ASSERT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV4, 0, &raw), PMC_OK);
  PmcPtr<DataGramSocket> socket(raw);
  unsigned port = socket->local_address()->get_port();
  char hex[8];
  std::snprintf(hex, sizeof(hex), "%x", port);
  const std::string ports = std::to_string(port) + "(0x" + hex + ")";
  EXPECT_TRUE(has_prefix("Debug, create socket. id:0x"));
  EXPECT_TRUE(has_prefix(" port:" + ports));

  char buffer[8];
  size_t received = 0;
  IPmcNetworkAddress* from = nullptr;
  EXPECT_EQ(socket->receive(buffer, sizeof(buffer), 0, &received, &from), PMC_E_TIMEOUT);
  EXPECT_TRUE(has("Trace, select API timeout."));

  PmcPtr<IPmcNetworkAddress> self(pmc_create_network_address("127.0.0.1", static_cast<unsigned short>(port), nullptr));
  ASSERT_TRUE(self);
  ASSERT_EQ(socket->send("abc", 3, self.get()), PMC_OK);
  EXPECT_TRUE(has("Debug, [DataGramSocket::send] send packet. port:" + ports + " -> 127.0.0.1:" + ports + "."));
  ASSERT_EQ(socket->receive(buffer, sizeof(buffer), 2000, &received, &from), PMC_OK);
  PmcPtr<IPmcNetworkAddress> source(from);
  EXPECT_TRUE(has("Debug, [DataGramSocket::receive] receive packet port:" + ports + " <- 127.0.0.1:" + ports + "."));

  // Too big for the buffer: dropped, with its size and sender.
  ASSERT_EQ(socket->send("0123456789", 10, self.get()), PMC_OK);
  EXPECT_EQ(socket->receive(buffer, 4, 2000, &received, &from), PMC_E_OVERFLOW);
  EXPECT_TRUE(has("Warn , [DataGramSocket::receive] drop a packet of 10 bytes, larger than the buffer of 4 bytes. "
                  "port:" + ports + " <- 127.0.0.1:" + ports + "."));

  PmcPtr<IPmcNetworkAddress> nowhere(pmc_create_network_address("127.0.0.1", 0, nullptr));
  EXPECT_EQ(socket->send("x", 1, nowhere.get()), PMC_E_SEND);
  EXPECT_TRUE(has("Error, fail send(). WSAGetLastError()=" + std::to_string(EINVAL)));
}

TEST_F(SocketLog, FailedBindIsLogged) {
  DataGramSocket* raw = nullptr;
  ASSERT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV6, 0, &raw), PMC_OK);
  PmcPtr<DataGramSocket> first(raw);
  EXPECT_EQ(pmc_create_datagram_socket(IPmcNetworkAddress::PROTOCOL_IPV6, first->local_address()->get_port(), &raw),
            PMC_E_BIND);
  EXPECT_TRUE(has("Error, fail bind(). WSAGetLastError()=" + std::to_string(EADDRINUSE)));
}
