#include "snmp/pms_v3_response_converter.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>

#include <cstdio>
#include <string>

#include "net/pmc_address_rules.h"
#include "net/pmc_socket_api.h"
#include "net/pmc_sys_socket.h"
#include "protocol/pmc_oid.h"
#include "protocol/pmc_value.h"
#include "protocol/pmc_varbind.h"
#include "snmp/pms_v3_mapping.h"

namespace {

// `oid` becomes exactly the sub-identifiers `subids`.
int set_subids(IPmcOid& oid, const ::oid* subids, size_t count) {
  int rc = oid.clear();
  for (size_t i = 0; rc == PMC_OK && i < count; ++i) rc = oid.append_subid(static_cast<uint32_t>(subids[i]));
  return rc;
}

// The value of the library variable, read as the value kind `kind` wants.
int set_content(IPmcValue& value, int kind, const netsnmp_variable_list& variable) {
  switch (kind) {
    case PMC_TAG_OID: {
      IPmcOid* oid = value.as_oid();
      if (oid == nullptr) return PMC_E_ARG;
      return set_subids(*oid, variable.val.objid, variable.val_len / sizeof(::oid));
    }
    case PMC_TAG_OCTET_STRING:
    case PMC_TAG_OPAQUE:
    case PMC_TAG_IP_ADDRESS: {
      int rc = value.set_octets(variable.val.string, variable.val_len);
      // An IpAddress that is not four octets long is a malformed answer.
      return rc == PMC_E_ARG ? PMC_E_MALFORMED : rc;
    }
    case PMC_TAG_INTEGER:
      return value.set_int32(static_cast<int32_t>(*variable.val.integer));
    case PMC_TAG_COUNTER32:
    case PMC_TAG_GAUGE32:
    case PMC_TAG_TIMETICKS:
      return value.set_uint32(static_cast<uint32_t>(*variable.val.integer));
    case PMC_TAG_COUNTER64: {
      int rc = value.set_high32(static_cast<uint32_t>(variable.val.counter64->high));
      return rc == PMC_OK ? value.set_low32(static_cast<uint32_t>(variable.val.counter64->low)) : rc;
    }
    default:
      return PMC_OK;  // NULL and the exception values carry nothing
  }
}

std::string text_of(const char* bytes, size_t length) {
  return bytes != nullptr ? std::string(bytes, length) : std::string();
}

// A port as it stands in a socket address (network order) as a number.
unsigned short port_of(const void* network_order) {
  const auto* b = static_cast<const unsigned char*>(network_order);
  return static_cast<unsigned short>((b[0] << 8) | b[1]);
}

// The eight groups of an IPv6 address in hexadecimal, uncompressed: a valid
// text where the resolver that writes the short form is missing.
void format_ipv6_groups(const unsigned char bytes[16], char* out, size_t size) {
  std::snprintf(out, size, "%x:%x:%x:%x:%x:%x:%x:%x", bytes[0] << 8 | bytes[1], bytes[2] << 8 | bytes[3],
                bytes[4] << 8 | bytes[5], bytes[6] << 8 | bytes[7], bytes[8] << 8 | bytes[9], bytes[10] << 8 | bytes[11],
                bytes[12] << 8 | bytes[13], bytes[14] << 8 | bytes[15]);
}

}  // namespace

IPmcNetworkAddress* pms_v3_sender_address(const void* transport_data, size_t length, int* err) {
  // UDP transport data starts with the sender's socket address (IPv4 keeps
  // an address pair, IPv6 the plain address).
  const auto* address = static_cast<const struct sockaddr*>(transport_data);
  char text[PMC_HOST_TEXT_SIZE] = {};
  IPmcNetworkAddress::EProtocol protocol = IPmcNetworkAddress::PROTOCOL_NONE;
  unsigned short port = 0;
  if (address != nullptr && length >= sizeof(struct sockaddr_in) && address->sa_family == AF_INET) {
    const auto* in = static_cast<const struct sockaddr_in*>(transport_data);
    pmc_format_ipv4(reinterpret_cast<const uint8_t*>(&in->sin_addr.s_addr), text);
    protocol = IPmcNetworkAddress::PROTOCOL_IPV4;
    port = port_of(&in->sin_port);
  } else if (address != nullptr && length >= sizeof(struct sockaddr_in6) && address->sa_family == AF_INET6) {
    bool named = NPmcSocketAPI::has_resolver() &&
                 NPmcSocketAPI::numeric_name_info(address, sizeof(struct sockaddr_in6), text, sizeof(text), nullptr,
                                                  0) == 0;
    const auto* in6 = static_cast<const struct sockaddr_in6*>(transport_data);
    if (!named) format_ipv6_groups(reinterpret_cast<const unsigned char*>(&in6->sin6_addr), text, sizeof(text));
    protocol = IPmcNetworkAddress::PROTOCOL_IPV6;
    port = port_of(&in6->sin6_port);
  }
  if (protocol == IPmcNetworkAddress::PROTOCOL_NONE || text[0] == '\0') {
    pmc_set_err(err, PMC_E_ARG);
    return nullptr;
  }
  PmcPtr<IPmcNetworkAddress> sender(pmc_create_network_address(err));
  if (!sender) return nullptr;
  int rc = sender->set(text, protocol, port);
  pmc_set_err(err, rc);
  return rc == PMC_OK ? sender.release() : nullptr;
}

int CPmsV3ResponseConverter::convert(IPmsPdu* pdu, IPmsSnmpTarget* target) {
  int rc = update_target(target);
  return rc == PMC_OK ? fill_pdu(pdu) : rc;
}

int CPmsV3ResponseConverter::update_target(IPmsSnmpTarget* target) {
  if (m_pResponse == nullptr || target == nullptr) return PMC_E_ARG;
  return target->accept(*this);
}

int CPmsV3ResponseConverter::visit_community(IPmsCommunityTarget&) { return PMC_E_UNSUPPORTED; }

int CPmsV3ResponseConverter::visit_usm(IPmsUsmTarget& target) {
  const snmp_pdu& response = *m_pResponse;
  if (response.version != SNMP_VERSION_3) return PMC_E_ARG;
  int32_t level = pms_v3_target_security_level(response.securityLevel);
  if (level < 0) return PMC_E_ARG;
  try {
    target.set_version(PMS_VERSION_V3);
    int rc = target.set_user_name(text_of(response.securityName, response.securityNameLen).c_str());
    if (rc == PMC_OK) rc = target.set_security_level(level);
    if (rc == PMC_OK) rc = target.set_context_name(text_of(response.contextName, response.contextNameLen).c_str());
    if (rc != PMC_OK) return rc;
  } catch (...) {
    return PMC_E_NOMEM;
  }
  if (response.transport_data != nullptr) {
    int err = PMC_OK;
    PmcPtr<IPmcNetworkAddress> sender(
        pms_v3_sender_address(response.transport_data, response.transport_data_length, &err));
    if (sender) {
      int rc = target.set_address(sender.get());
      if (rc != PMC_OK) return rc;
    } else if (err == PMC_E_NOMEM) {
      return err;
    }
  }
  return target.set_engine_id(response.securityEngineID, response.securityEngineIDLen);
}

int CPmsV3ResponseConverter::fill_pdu(IPmsPdu* pdu) {
  if (m_pResponse == nullptr || pdu == nullptr) return PMC_E_ARG;
  const snmp_pdu& response = *m_pResponse;

  IPmcVarBindList* list = pdu->get_varbind_list();
  if (list == nullptr && response.variables != nullptr) {
    int err = PMC_OK;
    list = pmc_create_varbind_list(&err);
    if (list == nullptr) return err;
    pdu->set_varbind_list(list);
  }
  size_t count = 0;
  for (const netsnmp_variable_list* variable = response.variables; variable != nullptr;
       variable = variable->next_variable, ++count) {
    int rc = convert_binding(list, count, variable);
    if (rc != PMC_OK) return rc;
  }
  while (list != nullptr && list->size() > count) list->remove(list->size() - 1, nullptr);

  int32_t type = pms_v3_pdu_type_of_command(response.command);
  int32_t status = pms_v3_error_status(response.errstat);
  pdu->set_type(type);
  pdu->set_request_id(static_cast<int32_t>(response.reqid));
  pdu->set_error_status(status);
  pdu->set_error_index(static_cast<size_t>(response.errindex));
  if (type < 0) return PMC_E_NO_PDU_TYPE;
  if (list != nullptr) {
    if (status != 0) {
      list->mark_sequence(status, static_cast<size_t>(response.errindex));
    } else {
      list->mark_all(0);
    }
  }
  return PMC_OK;
}

int CPmsV3ResponseConverter::convert_binding(IPmcVarBindList* list, size_t position,
                                             const netsnmp_variable_list* variable) {
  int kind = pms_v3_value_kind_of_library_type(variable->type);
  if (kind < 0) return PMC_E_PLATFORM;

  int err = PMC_OK;
  IPmcVarBind* binding = list->at(position);
  if (binding == nullptr) {
    PmcPtr<IPmcOid> oid(pmc_create_oid(&err));
    if (!oid) return err;
    PmcPtr<IPmcValue> value(pmc_create_value(kind, &err));
    if (!value) return err;
    int rc = list->add(oid.release(), value.release());
    if (rc != PMC_OK) return rc;
    binding = list->at(position);
  }
  if (binding->get_oid() == nullptr) {
    IPmcOid* oid = pmc_create_oid(&err);
    if (oid == nullptr) return err;
    binding->set_oid(oid);
  }
  int rc = set_subids(*binding->get_oid(), variable->name, variable->name_length);
  if (rc != PMC_OK) return rc;

  IPmcValue* value = binding->get_value();
  if (value == nullptr || value->get_type() != kind) {
    value = pmc_create_value(kind, &err);
    if (value == nullptr) return err;
    binding->set_value(value);
  }
  return set_content(*value, kind, *variable);
}
