// The SNMPv3 tables: library errors and statuses to result codes, and the
// library's peer names.
#include <gtest/gtest.h>

#include <string>

#include "base/pmc_result.h"
#include "net/pmc_network_address.h"
#include "snmp/pms_v3_mapping.h"

namespace {

PmcPtr<IPmcNetworkAddress> address(const char* text, IPmcNetworkAddress::EProtocol protocol, unsigned short port) {
  PmcPtr<IPmcNetworkAddress> a(pmc_create_network_address(nullptr));
  EXPECT_TRUE(a);
  if (a) {
    EXPECT_EQ(a->set(text, protocol, port), PMC_OK);
  }
  return a;
}

}  // namespace

TEST(V3Mapping, LibraryErrorsMapOntoResultCodesAtTheEdgesOfEveryRange) {
  struct Case {
    int library;
    int expected;
  };
  const Case cases[] = {
      {0, PMC_OK},
      {-66, PMC_E_PLATFORM},
      {-64, PMC_E_MALFORMED},  {-63, PMC_E_SNMPLIB},
      {-62, PMC_E_NOMEM},
      {-61, PMC_E_ARG},        {-56, PMC_E_ARG},        {-55, PMC_E_SNMPLIB},
      {-51, PMC_E_SNMPLIB},    {-50, PMC_E_MALFORMED},  {-47, PMC_E_MALFORMED},
      {-46, PMC_E_SECURITY},   {-45, PMC_E_ARG},        {-44, PMC_E_SECURITY},
      {-42, PMC_E_SECURITY},   {-41, PMC_E_MALFORMED},  {-40, PMC_E_SNMPLIB},
      {-38, PMC_E_MALFORMED},  {-37, PMC_E_SECURITY},   {-33, PMC_E_SECURITY},
      {-32, PMC_E_RECEIVE},    {-31, PMC_E_MALFORMED},  {-30, PMC_E_SECURITY},
      {-29, PMC_E_MALFORMED},  {-28, PMC_E_ARG},        {-27, PMC_E_ARG},
      {-26, PMC_E_SNMPLIB},    {-25, PMC_E_RECEIVE},    {-24, PMC_E_TIMEOUT},
      {-23, PMC_E_ARG},        {-22, PMC_E_SNMPLIB},    {-19, PMC_E_ARG},
      {-18, PMC_E_SNMPLIB},    {-17, PMC_E_ARG},        {-14, PMC_E_ARG},
      {-13, PMC_E_MALFORMED},  {-12, PMC_E_SEND},       {-11, PMC_E_MALFORMED},
      {-10, PMC_E_SNMPLIB},    {-6, PMC_E_SNMPLIB},     {-5, PMC_E_ARG},
      {-3, PMC_E_ARG},         {-2, PMC_E_SNMPLIB},     {-1, PMC_E_SNMPLIB},
      {-67, PMC_E_SNMPLIB},    {5, PMC_E_SNMPLIB},
  };
  for (const Case& c : cases) EXPECT_EQ(pms_v3_map_library_error(c.library), c.expected) << c.library;

  // A synchronous exchange: success, time-out, or the session's error.
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_SUCCESS, -24), PMC_OK);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_TIMEOUT, 0), PMC_E_TIMEOUT);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_ERROR, -35), PMC_E_SECURITY);
}

TEST(V3Mapping, PeerNamesOfEveryAddressForm) {
  std::string peer;
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_IPV4, 161), 0, &peer), PMC_OK);
  EXPECT_EQ(peer, "10.1.2.3:161");
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_IPV4, 0), 0, &peer), PMC_OK);
  EXPECT_EQ(peer, "10.1.2.3");
  // Without a port of its own the address takes the fallback.
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_IPV4, 0), 1161, &peer), PMC_OK);
  EXPECT_EQ(peer, "10.1.2.3:1161");
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_IPV4, 162), 1161, &peer), PMC_OK);
  EXPECT_EQ(peer, "10.1.2.3:162");

  EXPECT_EQ(pms_v3_peer_name(*address("fe80::1", IPmcNetworkAddress::PROTOCOL_IPV6, 16100), 0, &peer), PMC_OK);
  EXPECT_EQ(peer, "udp6:[fe80::1]:16100");
  EXPECT_EQ(pms_v3_peer_name(*address("::1", IPmcNetworkAddress::PROTOCOL_IPV6, 0), 0, &peer), PMC_OK);
  EXPECT_EQ(peer, "udp6:[::1]");

  const char* ipx = "0000000a:00112233aabb";
  EXPECT_EQ(pms_v3_peer_name(*address(ipx, IPmcNetworkAddress::PROTOCOL_IPX, 36879), 0, &peer), PMC_OK);
  EXPECT_EQ(peer, std::string("ipx:") + ipx + "/36879");

  peer = "unchanged";
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_RESERVED, 161), 0, &peer), PMC_E_ARG);
  EXPECT_EQ(pms_v3_peer_name(*address("", IPmcNetworkAddress::PROTOCOL_IPV4, 161), 0, &peer), PMC_E_ARG);
  EXPECT_EQ(peer, "unchanged");
  EXPECT_EQ(pms_v3_peer_name(*address("10.1.2.3", IPmcNetworkAddress::PROTOCOL_IPV4, 161), 0, nullptr), PMC_E_ARG);
}
