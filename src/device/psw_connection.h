// Where and how every request to one device goes: the connection value.
//
// A device reader never sees the caller's arguments themselves. They are
// turned into one PSWConnection when the device is opened (or the option
// reader is initialised), checked there once, and every exchange with the
// device reads that value:
//
//   PSWConnection c;
//   int rc = psw_make_connection(IPmcNetworkAddress::PROTOCOL_IPV4, "192.0.2.7", usm_settings,
//                                1000, 2, 0, &c);   // 1 s per try, 2 retries
//   c.community.assign("office-ro");               // optional: else "public"
//
// The rules, the same for SNMPv1 and SNMPv3:
//   - the address text fits 63 characters (a cut text would name another
//     device);
//   - the protocol is IPv4 or IPv6 (port 161) or IPX (socket 36879);
//   - the time-out (milliseconds per try) and the retry count (sends after
//     the first) are not negative: a negative time-out would wait without
//     end, and a negative retry count would send nothing.
#pragma once

#include <cstddef>
#include <cstdint>

#include "protocol/pms_snmp_target.h"
#include "request/pmc_credentials.h"
#include "request/pmc_get_data.h"

struct PSWConnection {
  static constexpr size_t kAddressSize = 64;

  char address[kAddressSize] = {};
  int32_t protocol = 0;
  uint16_t port = 0;
  int32_t timeout = 0;
  int32_t retries = 0;
  // 0 lets the request layer choose (1400 bytes over UDP, 546 over IPX).
  uint32_t max_message_size = 0;
  // SNMP mode (2 SNMPv3, anything else community-based) and SNMPv3 settings.
  PmcUsmSettings usm;
  // The read community; when none is given the request object uses "public".
  PmcCommunity community;
  // The version of community-based requests: PMS_VERSION_V1 or, by the
  // handle's "CmdSetCommunityVersion", PMS_VERSION_V2C. SNMPv3 ignores it.
  int32_t community_version = PMS_VERSION_V1;
  // The max-repetitions GetBulk walks start with over SNMPv2c and SNMPv3
  // (0: GetNext walks), by the handle's "CmdSetMaxRepetitions".
  int32_t bulk_repetitions = PMC_BULK_REPETITIONS_DEFAULT;
};

// The SNMP port of a protocol value: 161 for UDP over IPv4 and IPv6, 36879
// (IPX socket 0x900F) for IPX, 0 for any other value.
uint16_t psw_snmp_port_of(int32_t protocol);

// Whether a time-out and a retry count can make an exchange.
bool psw_timing_is_usable(int32_t timeout, int32_t retries);

// Builds the connection value (without a community) from the caller's
// arguments: 0, or -2 (and `out` unchanged) for a null or too long address,
// a protocol without a port, or a negative time-out or retry count.
int psw_make_connection(int32_t protocol, const char* address, const PmcUsmSettings& usm, int32_t timeout,
                        int32_t retries, uint32_t max_message_size, PSWConnection* out);
