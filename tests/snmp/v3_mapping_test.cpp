// The SNMPv3 tables: library errors and statuses to result codes, PDU types
// and commands, value kinds, security levels and peer names.
#include <gtest/gtest.h>

#include <string>

#include "core/pmc_result.h"
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
}

TEST(V3Mapping, StatusOfAnExchange) {
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_SUCCESS, -24), PMC_OK);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_TIMEOUT, 0), PMC_E_TIMEOUT);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_ERROR, -35), PMC_E_SECURITY);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_ERROR, -12), PMC_E_SEND);
  EXPECT_EQ(pms_v3_map_status(PMS_V3_STAT_ERROR, 0), PMC_OK);
}

TEST(V3Mapping, PduTypesAndCommandsBothWays) {
  EXPECT_EQ(pms_v3_command_of_pdu_type(0), 0xA0);
  EXPECT_EQ(pms_v3_command_of_pdu_type(1), 0xA1);
  EXPECT_EQ(pms_v3_command_of_pdu_type(3), 0xA3);
  EXPECT_EQ(pms_v3_command_of_pdu_type(4), 0xA7);
  for (int type : {-1, 2, 5, 6, 7, 8, 9}) EXPECT_EQ(pms_v3_command_of_pdu_type(type), -1) << type;

  const int commands[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA5, 0xA6, 0xA7, 0xA8};
  const int types[] = {0, 1, 2, 3, 5, 6, 4, 8};
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(pms_v3_pdu_type_of_command(commands[i]), types[i]) << commands[i];
  for (int command : {0x00, 0xA4, 0xA9, 0x30}) EXPECT_EQ(pms_v3_pdu_type_of_command(command), -1) << command;
}

TEST(V3Mapping, ValueKindsOfLibraryTypes) {
  for (int type : {0x02, 0x04, 0x05, 0x06, 0x40, 0x41, 0x42, 0x43, 0x44, 0x46, 0x80, 0x81, 0x82}) {
    EXPECT_EQ(pms_v3_value_kind_of_library_type(type), type) << type;
  }
  EXPECT_EQ(pms_v3_value_kind_of_library_type(0xC4), 0x04);
  EXPECT_EQ(pms_v3_value_kind_of_library_type(0x47), 0x42);
  for (int type : {0x00, 0x01, 0x03, 0x45, 0x48, 0x78, 0x83}) EXPECT_EQ(pms_v3_value_kind_of_library_type(type), -1);
}

TEST(V3Mapping, SecurityLevelsAndErrorStatus) {
  EXPECT_EQ(pms_v3_library_security_level(0), 1);
  EXPECT_EQ(pms_v3_library_security_level(1), 2);
  EXPECT_EQ(pms_v3_library_security_level(2), 3);
  EXPECT_EQ(pms_v3_library_security_level(3), 0);
  EXPECT_EQ(pms_v3_library_security_level(-1), 0);
  for (int level = 0; level <= 2; ++level) {
    EXPECT_EQ(pms_v3_target_security_level(pms_v3_library_security_level(level)), level);
  }
  EXPECT_EQ(pms_v3_target_security_level(0), -1);
  EXPECT_EQ(pms_v3_target_security_level(4), -1);

  EXPECT_EQ(pms_v3_error_status(0), 0);
  EXPECT_EQ(pms_v3_error_status(18), 18);
  EXPECT_EQ(pms_v3_error_status(19), 100);
  EXPECT_EQ(pms_v3_error_status(-1), 100);
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
