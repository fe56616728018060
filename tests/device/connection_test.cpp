// The connection value: the one place where the caller's address, protocol,
// time-out and retries are checked and the port is chosen.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "device/psw_connection.h"
#include "net/pmc_network_address.h"

namespace {

PmcUsmSettings v3_values() {
  PmcUsmSettings v;
  v.nSnmpMode = 2;
  std::snprintf(v.szUserName, sizeof v.szUserName, "%s", "fleet");
  v.nSecurityLevel = 2;
  return v;
}

TEST(Connection, PortFollowsTheProtocolAndEveryValueIsKept) {
  struct Case {
    int32_t protocol;
    const char* address;
    uint16_t port;
  };
  for (const Case& c : {Case{IPmcNetworkAddress::PROTOCOL_IPV4, "192.0.2.7", 161},
                        Case{IPmcNetworkAddress::PROTOCOL_IPV6, "2001:db8::7", 161},
                        Case{IPmcNetworkAddress::PROTOCOL_IPX, "0000abcd:00aa00bb00cc", 36879}}) {
    SCOPED_TRACE(c.address);
    EXPECT_EQ(psw_snmp_port_of(c.protocol), c.port);
    PSWConnection out;
    ASSERT_EQ(psw_make_connection(c.protocol, c.address, v3_values(), 1500, 3, 484, &out), PMC_OK);
    EXPECT_STREQ(out.address, c.address);
    EXPECT_EQ(out.protocol, c.protocol);
    EXPECT_EQ(out.port, c.port);
    EXPECT_EQ(out.timeout, 1500);
    EXPECT_EQ(out.retries, 3);
    EXPECT_EQ(out.max_message_size, 484u);
    EXPECT_EQ(out.usm.nSnmpMode, 2);
    EXPECT_STREQ(out.usm.szUserName, "fleet");
    EXPECT_FALSE(out.community.is_set());
  }
  // Zero waits and zero retries are usable: one try that does not wait.
  PSWConnection out;
  EXPECT_EQ(psw_make_connection(IPmcNetworkAddress::PROTOCOL_IPV4, "192.0.2.7", PmcUsmSettings(), 0, 0, 0, &out),
            PMC_OK);
}

TEST(Connection, WhatNoExchangeCouldUseIsRefusedAndLeavesTheValueAsItWas) {
  const std::string longest(63, '1');
  const std::string too_long(64, '1');
  struct Case {
    const char* what;
    int32_t protocol;
    const char* address;
    int32_t timeout;
    int32_t retries;
  };
  for (const Case& c : {Case{"null address", 1, nullptr, 100, 0},
                        Case{"64-character address", 1, too_long.c_str(), 100, 0},
                        Case{"protocol without port", 3, "192.0.2.7", 100, 0},
                        Case{"no protocol", 0, "192.0.2.7", 100, 0},
                        Case{"negative retries", 1, "192.0.2.7", 100, -1},
                        Case{"negative time-out", 1, "192.0.2.7", -1, 0},
                        Case{"time-out above the signed range", 1, "192.0.2.7", INT32_MIN, 0}}) {
    SCOPED_TRACE(c.what);
    PSWConnection out;
    ASSERT_EQ(psw_make_connection(1, "198.51.100.1", PmcUsmSettings(), 7, 7, 0, &out), PMC_OK);
    EXPECT_EQ(psw_make_connection(c.protocol, c.address, PmcUsmSettings(), c.timeout, c.retries, 0, &out), PMC_E_ARG);
    EXPECT_STREQ(out.address, "198.51.100.1");
    EXPECT_EQ(out.timeout, 7);
  }
  PSWConnection out;
  EXPECT_EQ(psw_make_connection(1, longest.c_str(), PmcUsmSettings(), 100, 0, 0, &out), PMC_OK);
  EXPECT_EQ(std::string(out.address), longest);
  EXPECT_EQ(psw_make_connection(1, "192.0.2.7", PmcUsmSettings(), 100, 0, 0, nullptr), PMC_E_ARG);
}

}  // namespace
