// Address texts: the classic and the resolver rules, the IPv6 group text,
// and the address objects built on them.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <string>

#include "net/pmc_address_rules.h"
#include "net/pmc_address_service.h"
#include "net/pmc_network_address.h"

namespace {

struct ProtocolCase {
  const char* text;
  int classic_rc;
  int classic_protocol;
  int dual_rc;
  int dual_protocol;
};

std::string normalized(IPmcAddressService& service, const char* text, int* rc) {
  IPmcText* out = nullptr;
  *rc = service.normalize(text, &out);
  PmcPtr<IPmcText> holder(out);
  if (*rc != PMC_OK) {
    EXPECT_EQ(out, nullptr) << text;
    return std::string();
  }
  return out->c_str() == nullptr ? std::string() : std::string(out->c_str());
}

PmcPtr<IPmcNetworkAddress> make_address(const char* text, unsigned short port) {
  int err = -99;
  PmcPtr<IPmcNetworkAddress> address(pmc_create_network_address(text, port, &err));
  EXPECT_EQ(err, PMC_OK) << text;
  return address;
}

}  // namespace

TEST(AddressRules, ProtocolOfTextUnderBothRuleSets) {
  const ProtocolCase cases[] = {
      {"192.168.001.010", PMC_OK, 1, PMC_OK, 1},
      {"255.255.255.255", PMC_OK, 1, PMC_OK, 1},
      {"1.2.3.4x", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},
      {"1.2.3.256", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},
      {"1.2.3.4.", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},
      {"4294967297.2.3.4", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},  // no wrap-around to 1.2.3.4
      {"-1.2.3.4", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},
      {"0000000A:00001B2C3D4E", PMC_OK, 2, PMC_OK, 2},
      {"0000000a:00001b2c3d4", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},     // 20 characters
      {"0000000a:00001b2c3d4e0", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},   // 22 characters
      {"0000000g:00001b2c3d4e", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},    // not hexadecimal
      {"fe80::1", PMC_E_NOVALUE, 0, PMC_OK, 4},
      {"ff02::1", PMC_E_NOVALUE, 0, PMC_OK, 4},
      {"Printer-A", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},  // names are not numeric
      {"", PMC_E_NOVALUE, 0, PMC_E_FAIL, 0},
  };
  CPmcAddressServiceClassic classic;
  CPmcAddressServiceDual dual;
  for (const ProtocolCase& c : cases) {
    int protocol = -1;
    EXPECT_EQ(classic.protocol_of(c.text, &protocol), c.classic_rc) << c.text;
    EXPECT_EQ(protocol, c.classic_protocol) << c.text;
    protocol = -1;
    EXPECT_EQ(dual.protocol_of(c.text, &protocol), c.dual_rc) << c.text;
    EXPECT_EQ(protocol, c.dual_protocol) << c.text;
  }
  int protocol = 0;
  EXPECT_EQ(classic.protocol_of(nullptr, &protocol), PMC_E_ARG);
  EXPECT_EQ(dual.protocol_of(nullptr, &protocol), PMC_E_ARG);
  EXPECT_EQ(dual.protocol_of("::1", nullptr), PMC_E_ARG);
}

TEST(AddressRules, CanonicalTexts) {
  CPmcAddressServiceClassic classic;
  CPmcAddressServiceDual dual;
  int rc = 0;
  // Leading zeros are decimal under both rule sets: the resolver alone would
  // read 010 as octal 8 and turn the text into another host.
  EXPECT_EQ(normalized(classic, "010.001.002.003", &rc), "10.1.2.3");
  EXPECT_EQ(normalized(dual, "010.001.002.003", &rc), "10.1.2.3");
  EXPECT_EQ(normalized(classic, "192.168.001.010", &rc), "192.168.1.10");
  EXPECT_EQ(normalized(dual, "0000000a:00001b2c3d4e", &rc), "0000000a:00001b2c3d4e");
  EXPECT_EQ(normalized(classic, "0000000A:00001B2C3D4E", &rc), "0000000A:00001B2C3D4E");  // kept as given
  EXPECT_EQ(normalized(dual, "fe80::0001", &rc), "fe80::1");
  EXPECT_EQ(normalized(dual, "FE80:0:0:0:0:0:0:1", &rc), "fe80::1");
  EXPECT_EQ(normalized(dual, "fe80::1%1", &rc), "fe80::1%1");  // the zone stays a number

  normalized(classic, "fe80::1", &rc);
  EXPECT_EQ(rc, PMC_E_NOVALUE);
  normalized(dual, "printer.example", &rc);
  EXPECT_EQ(rc, PMC_E_FAIL);
  normalized(dual, nullptr, &rc);
  EXPECT_EQ(rc, PMC_E_ARG);
  EXPECT_EQ(dual.normalize("::1", nullptr), PMC_E_ARG);
}

TEST(AddressRules, IsAddressAndSameAddress) {
  CPmcAddressServiceDual dual;
  CPmcAddressServiceClassic classic;
  bool yes = false;
  EXPECT_EQ(dual.is_address("::1", &yes), PMC_OK);
  EXPECT_TRUE(yes);
  EXPECT_EQ(classic.is_address("::1", &yes), PMC_E_NOVALUE);
  EXPECT_EQ(dual.is_address("::1", nullptr), PMC_E_ARG);

  bool same = false;
  EXPECT_EQ(dual.same_address("fe80::0001", "FE80::1", &same), PMC_OK);
  EXPECT_TRUE(same);
  EXPECT_EQ(classic.same_address("10.1.2.3", "010.001.002.003", &same), PMC_OK);
  EXPECT_TRUE(same);
  EXPECT_EQ(dual.same_address("10.1.2.3", "10.1.2.4", &same), PMC_OK);
  EXPECT_FALSE(same);
  EXPECT_EQ(dual.same_address("10.1.2.3", "nonsense", &same), PMC_E_FAIL);
}

TEST(Ipv6GroupText, ExpandsTheGapAndRefusesBadTexts) {
  uint8_t bytes[16];
  ASSERT_EQ(pmc_ipv6_group_to_bytes("ff02::1", bytes), PMC_OK);
  const uint8_t all_nodes[16] = {0xff, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(bytes, all_nodes, 16), 0);

  ASSERT_EQ(pmc_ipv6_group_to_bytes("::1", bytes), PMC_OK);  // zeros first
  const uint8_t loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
  EXPECT_EQ(std::memcmp(bytes, loopback, 16), 0);

  ASSERT_EQ(pmc_ipv6_group_to_bytes("ff05:1:2:3:4:5:6:abcd", bytes), PMC_OK);
  const uint8_t full[16] = {0xff, 0x05, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0xab, 0xcd};
  EXPECT_EQ(std::memcmp(bytes, full, 16), 0);

  ASSERT_EQ(pmc_ipv6_group_to_bytes("FF02:0:0:0:1:FF00::2", bytes), PMC_OK);
  EXPECT_EQ(bytes[0], 0xff);
  EXPECT_EQ(bytes[15], 2);

  const char* refused[] = {
      "ff02::",                        // the gap ends the text: seven groups
      "::",                            //
      "ff02:0:0:0:0:0:1",              // seven groups, no gap
      "ff02:0:0:0:0:0:0:0:1",          // nine groups
      "ff02::1::2",                    // two gaps
      "ff02:::1",                      //
      "12345::1",                      // a group past 0xffff
      "ff02::1zz",                     // characters after the last group
      "ff02::1%1",                     //
      "",                              //
      "0000:0000:0000:0000:0000:0000:0000:0000:0000:0000:0000:1",  // too long
  };
  for (const char* text : refused) {
    std::memset(bytes, 0xee, sizeof(bytes));
    EXPECT_EQ(pmc_ipv6_group_to_bytes(text, bytes), PMC_E_ARG) << text;
  }
  EXPECT_EQ(pmc_ipv6_group_to_bytes(nullptr, bytes), PMC_E_ARG);
}

TEST(NetworkAddress, StoresTextWithOnlyHexLettersLowered) {
  PmcPtr<IPmcNetworkAddress> address(pmc_create_network_address(nullptr));
  ASSERT_TRUE(address);
  EXPECT_STREQ(address->c_str(), "");
  EXPECT_EQ(address->get_protocol(), IPmcNetworkAddress::PROTOCOL_NONE);
  EXPECT_EQ(address->get_port(), 0);

  EXPECT_EQ(address->set_address("FE80::1"), PMC_OK);
  EXPECT_STREQ(address->c_str(), "fe80::1");
  EXPECT_EQ(address->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV6);

  EXPECT_EQ(address->set("Printer-A", IPmcNetworkAddress::PROTOCOL_NONE, 0), PMC_OK);
  EXPECT_STREQ(address->c_str(), "Printer-a");
  EXPECT_EQ(address->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV6);  // protocol 0 keeps it
  EXPECT_EQ(address->set("x", IPmcNetworkAddress::PROTOCOL_IPV4, 161), PMC_OK);
  EXPECT_EQ(address->set("y", IPmcNetworkAddress::PROTOCOL_NONE, 0), PMC_OK);
  EXPECT_EQ(address->get_port(), 161);  // port 0 keeps it
  EXPECT_EQ(address->set(nullptr, IPmcNetworkAddress::PROTOCOL_NONE, 0), PMC_E_ARG);

  PmcPtr<IPmcNetworkAddress> ipx(make_address("0000000A:00001B2C3D4E", 36879));
  ASSERT_TRUE(ipx);
  EXPECT_STREQ(ipx->c_str(), "0000000a:00001b2c3d4e");
  EXPECT_EQ(ipx->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPX);
  EXPECT_EQ(ipx->get_port(), 36879);
}

TEST(NetworkAddress, SetAddressRefusesAnotherProtocolAndKeepsTheText) {
  PmcPtr<IPmcNetworkAddress> address(make_address("192.168.1.10", 161));
  ASSERT_TRUE(address);
  EXPECT_EQ(address->set_address("fe80::1"), PMC_E_ARG);
  EXPECT_STREQ(address->c_str(), "192.168.1.10");
  EXPECT_EQ(address->set_address("not an address"), PMC_E_FAIL);
  EXPECT_STREQ(address->c_str(), "192.168.1.10");
  EXPECT_EQ(address->set_address("10.0.0.1"), PMC_OK);
  EXPECT_STREQ(address->c_str(), "10.0.0.1");
  EXPECT_EQ(address->get_port(), 161);
  EXPECT_EQ(address->set_address(nullptr), PMC_E_ARG);

  int err = 0;
  EXPECT_EQ(pmc_create_network_address("not an address", 1, &err), nullptr);
  EXPECT_EQ(err, PMC_E_FAIL);
  EXPECT_EQ(pmc_create_network_address(nullptr, 1, &err), nullptr);
  EXPECT_EQ(err, PMC_E_ARG);
  EXPECT_EQ(pmc_create_network_address("nonsense", 1, nullptr), nullptr);
}

TEST(NetworkAddress, EqualsComparesCanonicalTextsWithOneSidedPort) {
  PmcPtr<IPmcNetworkAddress> a(make_address("fe80::0001", 161));
  PmcPtr<IPmcNetworkAddress> b(make_address("FE80::1", 161));
  PmcPtr<IPmcNetworkAddress> any_port(make_address("fe80::1", 0));
  PmcPtr<IPmcNetworkAddress> other_port(make_address("fe80::1", 162));
  PmcPtr<IPmcNetworkAddress> ipv4(make_address("10.0.0.1", 161));
  ASSERT_TRUE(a && b && any_port && other_port && ipv4);

  EXPECT_TRUE(a->equals(b.get()));
  EXPECT_TRUE(a->equals(any_port.get()));   // port 0 on the argument matches any port
  EXPECT_FALSE(any_port->equals(a.get()));  // but not the other way round
  EXPECT_FALSE(a->equals(other_port.get()));
  EXPECT_FALSE(a->equals(ipv4.get()));
  EXPECT_FALSE(a->equals(nullptr));

  // A text that has no canonical form never equals anything, not even itself.
  PmcPtr<IPmcNetworkAddress> name(pmc_create_network_address(nullptr));
  ASSERT_TRUE(name);
  name->set("printer", IPmcNetworkAddress::PROTOCOL_IPV4, 161);
  EXPECT_FALSE(name->equals(name.get()));
  EXPECT_FALSE(name->is_valid());
  EXPECT_TRUE(a->is_valid());
}

TEST(NetworkAddress, CloneGetAndNormalize) {
  PmcPtr<IPmcNetworkAddress> address(make_address("010.001.002.003", 161));
  ASSERT_TRUE(address);

  IPmcNetworkAddress* raw = nullptr;
  ASSERT_EQ(address->clone(&raw), PMC_OK);
  PmcPtr<IPmcNetworkAddress> copy(raw);
  EXPECT_STREQ(copy->c_str(), "010.001.002.003");
  EXPECT_EQ(copy->get_protocol(), IPmcNetworkAddress::PROTOCOL_IPV4);
  EXPECT_EQ(copy->get_port(), 161);
  EXPECT_EQ(address->clone(nullptr), PMC_E_ARG);

  ASSERT_EQ(address->normalize(), PMC_OK);
  EXPECT_STREQ(address->c_str(), "10.1.2.3");
  EXPECT_STREQ(copy->c_str(), "010.001.002.003");  // the clone has its own text

  IPmcText* text = nullptr;
  IPmcNetworkAddress::EProtocol protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  unsigned short port = 0;
  ASSERT_EQ(address->get(&text, &protocol, &port), PMC_OK);
  PmcPtr<IPmcText> held(text);
  EXPECT_TRUE(text->equals("10.1.2.3"));
  EXPECT_NE(text, address->text());
  EXPECT_EQ(protocol, IPmcNetworkAddress::PROTOCOL_IPV4);
  EXPECT_EQ(port, 161);
  EXPECT_EQ(address->get(nullptr, &protocol, &port), PMC_E_ARG);

  address->set("bad", IPmcNetworkAddress::PROTOCOL_NONE, 0);
  EXPECT_EQ(address->normalize(), PMC_E_FAIL);
  EXPECT_STREQ(address->c_str(), "bad");  // kept on failure
}

namespace {

// A socket address with its length.
struct Socket {
  struct sockaddr_storage s {};
  socklen_t length = 0;
};

Socket v4(const char* text, uint16_t port) {
  Socket out;
  auto& in = reinterpret_cast<struct sockaddr_in&>(out.s);
  in.sin_family = AF_INET;
  in.sin_port = htons(port);
  EXPECT_EQ(inet_pton(AF_INET, text, &in.sin_addr), 1) << text;
  out.length = sizeof(struct sockaddr_in);
  return out;
}

Socket v6(const char* text, uint16_t port, uint32_t zone = 0) {
  Socket out;
  auto& in6 = reinterpret_cast<struct sockaddr_in6&>(out.s);
  in6.sin6_family = AF_INET6;
  in6.sin6_port = htons(port);
  in6.sin6_scope_id = zone;
  EXPECT_EQ(inet_pton(AF_INET6, text, &in6.sin6_addr), 1) << text;
  out.length = sizeof(struct sockaddr_in6);
  return out;
}

bool same(const Socket& a, const Socket& b) { return pmc_same_endpoint(a.s, a.length, b.s, b.length); }

}  // namespace

TEST(SameEndpoint, AddressAndPortMustBothAgree) {
  Socket a = v4("10.0.0.5", 161);
  EXPECT_TRUE(same(a, v4("10.0.0.5", 161)));
  EXPECT_FALSE(same(a, v4("10.0.0.6", 161)));
  EXPECT_FALSE(same(a, v4("10.0.0.5", 162)));
  Socket short_one = v4("10.0.0.5", 161);
  short_one.length -= 1;
  EXPECT_FALSE(same(a, short_one));

  Socket b = v6("fd31::7", 161);
  EXPECT_TRUE(same(b, v6("fd31:0:0:0:0:0:0:7", 161)));
  EXPECT_FALSE(same(b, v6("fd31::8", 161)));
  EXPECT_FALSE(same(b, v6("fd31::7", 1161)));

  Socket unknown;
  unknown.s.ss_family = AF_UNIX;
  unknown.length = sizeof unknown.s;
  EXPECT_FALSE(same(unknown, unknown));
}

TEST(SameEndpoint, MappedIpv4IsItsIpv4AddressAndZonesKeepLinksApart) {
  Socket plain = v4("192.0.2.9", 161);
  Socket mapped = v6("::ffff:192.0.2.9", 161);
  EXPECT_TRUE(same(plain, mapped));
  EXPECT_TRUE(same(mapped, plain));
  EXPECT_FALSE(same(plain, v6("::ffff:192.0.2.10", 161)));
  EXPECT_FALSE(same(plain, v6("::ffff:192.0.2.9", 162)));
  // The IPv4-compatible form (::a.b.c.d) is another IPv6 address.
  EXPECT_FALSE(same(plain, v6("::192.0.2.9", 161)));

  Socket link2 = v6("fe80::1", 161, 2);
  EXPECT_TRUE(same(link2, v6("fe80::1", 161, 2)));
  EXPECT_FALSE(same(link2, v6("fe80::1", 161, 3)));
  EXPECT_FALSE(same(link2, v6("fe80::1", 161, 0)));
}
