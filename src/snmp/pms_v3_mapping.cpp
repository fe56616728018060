#include "snmp/pms_v3_mapping.h"

#include <cstring>

#include "base/pmc_result.h"
#include "net/pmc_network_address.h"

int pms_v3_library_security_level(int32_t level) {
  switch (level) {
    case 0: return 1;  // noAuthNoPriv
    case 1: return 2;  // authNoPriv
    case 2: return 3;  // authPriv
    default: return 0;
  }
}

int32_t pms_v3_target_security_level(int library_level) {
  return library_level >= 1 && library_level <= 3 ? library_level - 1 : -1;
}

int pms_v3_command_of_pdu_type(int32_t type) {
  switch (type) {
    case 0: return 0xA0;
    case 1: return 0xA1;
    case 3: return 0xA3;
    case 4: return 0xA7;
    case 5: return 0xA5;
    default: return -1;
  }
}

int32_t pms_v3_pdu_type_of_command(int command) {
  switch (command) {
    case 0xA0: return 0;
    case 0xA1: return 1;
    case 0xA2: return 2;
    case 0xA3: return 3;
    case 0xA5: return 5;
    case 0xA6: return 6;
    case 0xA7: return 4;
    case 0xA8: return 8;
    default: return -1;
  }
}

int pms_v3_value_kind_of_library_type(int type) {
  switch (type) {
    case 0x02: case 0x04: case 0x05: case 0x06:
    case 0x40: case 0x41: case 0x42: case 0x43: case 0x44: case 0x46:
    case 0x80: case 0x81: case 0x82:
      return type;
    case 0xC4: return 0x04;
    case 0x47: return 0x42;
    default: return -1;
  }
}

int32_t pms_v3_error_status(long status) { return status >= 0 && status <= 18 ? static_cast<int32_t>(status) : 100; }

int pms_v3_map_library_error(int e) {
  if (e == 0) return PMC_OK;
  if (e == -66) return PMC_E_PLATFORM;
  if (e == -64 || (e >= -50 && e <= -47) || e == -41 || e == -38 || e == -31 || e == -29 || e == -13 ||
      e == -11) {
    return PMC_E_MALFORMED;
  }
  if (e == -62) return PMC_E_NOMEM;
  if ((e >= -61 && e <= -56) || e == -45 || e == -28 || e == -27 || e == -23 || e == -19 || e == -17 ||
      e == -14 || (e >= -5 && e <= -3)) {
    return PMC_E_ARG;
  }
  if (e == -46 || (e >= -44 && e <= -42) || (e >= -37 && e <= -33) || e == -30) return PMC_E_SECURITY;
  if (e == -32 || e == -25) return PMC_E_RECEIVE;
  if (e == -24) return PMC_E_TIMEOUT;
  if (e == -12) return PMC_E_SEND;
  return PMC_E_SNMPLIB;
}

int pms_v3_map_status(int status, int snmp_errno) {
  if (status == PMS_V3_STAT_SUCCESS) return PMC_OK;
  if (status == PMS_V3_STAT_TIMEOUT) return PMC_E_TIMEOUT;
  return pms_v3_map_library_error(snmp_errno);
}

int pms_v3_peer_name(const IPmcNetworkAddress& address, uint16_t fallback_port, std::string* out) {
  if (out == nullptr) return PMC_E_ARG;
  const char* text = address.c_str();
  if (text == nullptr || *text == '\0') return PMC_E_ARG;
  unsigned port = address.get_port() != 0 ? address.get_port() : fallback_port;
  const char* port_separator = ":";
  switch (address.get_protocol()) {
    case IPmcNetworkAddress::PROTOCOL_IPV4:
      *out = text;
      break;
    case IPmcNetworkAddress::PROTOCOL_IPV6:
      *out = std::string("udp6:[") + text + "]";
      break;
    case IPmcNetworkAddress::PROTOCOL_IPX:
      *out = std::string("ipx:") + text;
      port_separator = "/";
      break;
    default:
      return PMC_E_ARG;
  }
  if (port != 0) *out += port_separator + std::to_string(port);
  return PMC_OK;
}
