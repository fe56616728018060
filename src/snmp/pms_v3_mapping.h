// The tables between this library's SNMPv3 terms and the SNMP library's:
// security levels, PDU types and commands, value kinds, result codes and
// peer names. Plain functions of numbers and texts, so they can be checked
// without a network.
#pragma once

#include <cstdint>
#include <string>

class IPmcNetworkAddress;

// Library status of a synchronous exchange.
enum PmsV3Status : int {
  PMS_V3_STAT_SUCCESS = 0,
  PMS_V3_STAT_ERROR = 1,
  PMS_V3_STAT_TIMEOUT = 2,
};

// A target's security level (0 noAuthNoPriv, 1 authNoPriv, 2 authPriv) as
// the library's (1, 2, 3); 0 for any other level.
int pms_v3_library_security_level(int32_t level);
// The library's security level back to a target's; -1 for any other.
int32_t pms_v3_target_security_level(int library_level);

// The library command of a PDU type: 0 GetRequest 0xA0, 1 GetNextRequest
// 0xA1, 3 SetRequest 0xA3, 4 Trap 0xA7 (SNMPv2 trap), 5 GetBulkRequest
// 0xA5; -1 for every other type, which this path does not send.
int pms_v3_command_of_pdu_type(int32_t type);
// A received command back to a PDU type (0xA0..0xA3, 0xA5, 0xA6, 0xA7 and
// 0xA8); -1 for any other.
int32_t pms_v3_pdu_type_of_command(int command);

// The value kind (tag) for a library value type: the SNMP tags map to
// themselves, 0xC4 to OCTET STRING and 0x47 to Gauge32; -1 for any other.
int pms_v3_value_kind_of_library_type(int type);

// A response's error-status as kept in the PDU: 0..18 unchanged, anything
// else 100.
int32_t pms_v3_error_status(long status);

// A library error number as a result code of this library.
int pms_v3_map_library_error(int snmp_errno);
// The result of a synchronous exchange: success 0, time-out -203, an error
// the mapped library error of the session.
int pms_v3_map_status(int status, int snmp_errno);

// The library's peer name for an address: "udp6:[text]" for IPv6, the text
// for IPv4, "ipx:text" for IPX, followed by ":port" ("/port" for IPX) when
// the port is not 0. The port is the address's, or `fallback_port` when the
// address has none. -2 for any other protocol or an address without text.
int pms_v3_peer_name(const IPmcNetworkAddress& address, uint16_t fallback_port, std::string* out);
