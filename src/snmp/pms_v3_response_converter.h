// CPmsV3ResponseConverter: turns a response PDU of the SNMP library back
// into an IPmsPdu and updates the SNMPv3 target it came from.
//
// The target learns the message's user name, security level, context name
// and authoritative engine id, and the address and port the message came
// from (so a target used again still reaches the port that answered). The PDU gets one binding per library variable (bindings are added
// or removed to match, values of the same kind reused), the response's type,
// request-id, error-status (0..18, else 100), error-index and the binding
// marks of the error-status. A Counter64 keeps both halves.
//
// Reads only the response it is given, no state of the library: it needs
// no library lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "net/pmc_network_address.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"

struct snmp_pdu;
struct variable_list;

class CPmsV3ResponseConverter final : public IPmsSnmpTargetVisitor {
 public:
  // The response is lent; the converter frees nothing.
  explicit CPmsV3ResponseConverter(const snmp_pdu* response = nullptr) : m_pResponse(response) {}
  ~CPmsV3ResponseConverter() override = default;

  void set_response(const snmp_pdu* response) { m_pResponse = response; }
  // The translate type the converter was made with (bindings are copied
  // into the PDU's list).
  int translate_type() const { return 1; }

  // Updates `target` and fills `pdu` from the response: 0; -2 without a
  // response, for a response that is not an SNMPv3 message or an unknown
  // security level; -5 for a community target; -10 for a value type
  // without a value kind; -299 for a command without a PDU type; -3 when
  // memory runs out.
  int convert(IPmsPdu* pdu, IPmsSnmpTarget* target);
  // The two halves of `convert`.
  int update_target(IPmsSnmpTarget* target);
  int fill_pdu(IPmsPdu* pdu);

  int visit_community(IPmsCommunityTarget& target) override;
  int visit_usm(IPmsUsmTarget& target) override;

 private:
  // Makes the binding at `position` hold the variable's name and value.
  int convert_binding(IPmcVarBindList* list, size_t position, const variable_list* variable);

  const snmp_pdu* m_pResponse;
};

// The sender of a received message, from the transport data the library
// keeps with it: a new address holding the dotted IPv4 or numeric IPv6 text
// and the sender's port. Null and -2 when the data holds no IPv4 or IPv6
// address.
IPmcNetworkAddress* pms_v3_sender_address(const void* transport_data, size_t length, int* err);
