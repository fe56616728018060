// The common part of the two request objects of the management core: the
// Get/Set data request object (request/pmc_get_data.h) and the SNMP device
// finder (request/pmc_find_device_snmp.h). Both hold a PDU, a community target
// or an SNMPv3 target, the device (or search) address, a community and the
// version; both are set up the same way: optionally `set_community`, then
// `init`, then one `add_oid_string` per object identifier.
#pragma once

#include <cstddef>
#include <cstdint>

#include "base/pmc_object.h"
#include "net/pmc_network_address.h"
#include "protocol/pms_pdu.h"
#include "protocol/pms_snmp_target.h"
#include "request/pmc_credentials.h"

// The `version` argument of `init` that selects SNMPv3; every other value
// selects a community target (SNMPv1, or SNMPv2c after
// `set_community_version`). The SNMPv3 settings handed to `init`
// are read only when the version is 2.
constexpr int PMC_REQUEST_VERSION_V3 = 2;
// Largest messages the request objects send: over UDP and over IPX.
constexpr size_t PMC_MAX_MESSAGE_UDP = 1400;
constexpr size_t PMC_MAX_MESSAGE_IPX = 546;

// The message size limit for `protocol`: 0 or anything above the
// protocol's largest size becomes that size.
size_t pmc_message_size_limit(int protocol, size_t requested);

class CPmcSnmpRequestCore : public CPmcObject {
 public:
  // The target `init` chose (lent), null before `init`.
  IPmsSnmpTarget* target() const;
  // The request PDU (lent), null before `init`.
  IPmsPdu* pdu() const { return m_pPdu.get(); }
  // The community an SNMPv1 target gets: the one set, else "public".
  const char* community() const { return m_community.text_or("public"); }

 protected:
  CPmcSnmpRequestCore() = default;
  ~CPmcSnmpRequestCore() override = default;

  // Takes `text` as the community (cut at 255 characters); -2 for null.
  int set_community_text(const char* text);
  // PMS_VERSION_V1 or PMS_VERSION_V2C for the next community target; -2
  // (and nothing changed) for another value.
  int set_community_version_value(int32_t version);
  int init_request(const char* address, int protocol, uint16_t port, int version, const PmcUsmSettings* usm,
                   int timeout, int retries, size_t max_message_size);
  // Appends a binding of `oid_text` (with the component 0 when
  // `instance_zero`) and a NULL value. -2 before `init` or for text that is
  // not an object identifier.
  int add_request_oid(const char* oid_text, bool instance_zero);
  // The protocol of an address text, from the address service.
  static int protocol_of_text(const char* address, int* protocol);

  PmcPtr<IPmsPdu> m_pPdu;
  PmcPtr<IPmsSnmpTarget> m_pCommunityTarget;
  PmcPtr<IPmsSnmpTarget> m_pUsmTarget;
  PmcPtr<IPmcNetworkAddress> m_pAddress;
  PmcCommunity m_community;
  int32_t m_nVersion = 0;
  // The version a community target is sent with.
  int32_t m_nCommunityVersion = PMS_VERSION_V1;

 private:
  int init_usm_target(const PmcUsmSettings& usm, int timeout, int retries);
  int init_community_target(int timeout, int retries);
};

// Implements the operations both request interfaces share on top of the
// common part; `Interface` is IPmcGetData or IPmcFindDeviceSnmp.
template <class Interface>
class CPmcSnmpRequest : public Interface, public CPmcSnmpRequestCore {
 public:
  void release() override { destroy(); }
  int set_community(const char* community) override { return set_community_text(community); }
  int init(const char* address, int protocol, uint16_t port, int version, const PmcUsmSettings* usm, int timeout,
           int retries, size_t max_message_size) override {
    return init_request(address, protocol, port, version, usm, timeout, retries, max_message_size);
  }
  int get_protocol_of(const char* address, int* protocol) override { return protocol_of_text(address, protocol); }
  int set_community_version(int32_t version) override { return set_community_version_value(version); }

 protected:
  ~CPmcSnmpRequest() override = default;
};
