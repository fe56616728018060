#include "request/pmc_snmp_request.h"

#include "net/pmc_address_service.h"
#include "protocol/pmc_oid.h"

size_t pmc_message_size_limit(int protocol, size_t requested) {
  bool udp = protocol == IPmcNetworkAddress::PROTOCOL_IPV4 || protocol == IPmcNetworkAddress::PROTOCOL_IPV6;
  size_t largest = udp ? PMC_MAX_MESSAGE_UDP : PMC_MAX_MESSAGE_IPX;
  return requested == 0 || requested > largest ? largest : requested;
}

IPmsSnmpTarget* CPmcSnmpRequestCore::target() const {
  return m_nVersion == PMC_REQUEST_VERSION_V3 ? m_pUsmTarget.get() : m_pCommunityTarget.get();
}

int CPmcSnmpRequestCore::set_community_text(const char* text) {
  if (text == nullptr) return PMC_E_ARG;
  m_community.assign(text);
  return PMC_OK;
}

int CPmcSnmpRequestCore::set_community_version_value(int32_t version) {
  if (version != PMS_VERSION_V1 && version != PMS_VERSION_V2C) return PMC_E_ARG;
  m_nCommunityVersion = version;
  return PMC_OK;
}

int CPmcSnmpRequestCore::init_request(const char* address, int protocol, uint16_t port, int version,
                                      const PmcUsmSettings* usm, int timeout, int retries,
                                      size_t max_message_size) {
  if (address == nullptr || (version == PMC_REQUEST_VERSION_V3 && usm == nullptr)) return PMC_E_ARG;
  // A second init starts over.
  m_pPdu.reset();
  m_pCommunityTarget.reset();
  m_pUsmTarget.reset();
  m_pAddress.reset();

  int rc = PMC_OK;
  m_pAddress.reset(pmc_create_network_address(&rc));
  if (!m_pAddress) return rc;
  rc = m_pAddress->set(address, static_cast<IPmcNetworkAddress::EProtocol>(protocol), port);
  if (rc != PMC_OK) return rc;

  size_t limit = pmc_message_size_limit(m_pAddress->get_protocol(), max_message_size);
  m_nVersion = version;
  rc = version == PMC_REQUEST_VERSION_V3 ? init_usm_target(*usm, timeout, retries)
                                         : init_community_target(timeout, retries);
  if (rc != PMC_OK) return rc;
  target()->set_max_message_size(limit);

  m_pPdu.reset(pms_create_pdu(&rc));
  return rc;
}

int CPmcSnmpRequestCore::init_usm_target(const PmcUsmSettings& usm, int timeout, int retries) {
  int rc = PMC_OK;
  m_pUsmTarget.reset(pms_create_usm_target(&rc));
  if (!m_pUsmTarget) return rc;
  m_pUsmTarget->set_timeout(timeout);
  m_pUsmTarget->set_retries(retries);
  m_pUsmTarget->set_version(PMS_VERSION_V3);
  rc = m_pUsmTarget->set_address(m_pAddress.get());
  if (rc != PMC_OK) return rc;
  // The setters' results are not checked: a user name that is too long
  // leaves the target's user name empty, which the device then refuses.
  IPmsUsmTarget* user = pms_usm_of(m_pUsmTarget.get());
  user->set_user_name(usm.szUserName);
  user->set_security_level(usm.nSecurityLevel);
  user->set_auth_protocol(usm.nAuthProtocol);
  user->set_priv_protocol(usm.nPrivProtocol);
  user->set_auth_pass_phrase(usm.szAuthPassPhrase);
  user->set_priv_pass_phrase(usm.szPrivPassPhrase);
  user->set_context_name(usm.szContextName);
  return PMC_OK;
}

int CPmcSnmpRequestCore::init_community_target(int timeout, int retries) {
  int rc = PMC_OK;
  m_pCommunityTarget.reset(pms_create_community_target(&rc));
  if (!m_pCommunityTarget) return rc;
  m_pCommunityTarget->set_timeout(timeout);
  m_pCommunityTarget->set_retries(retries);
  m_pCommunityTarget->set_version(m_nCommunityVersion);
  rc = pms_community_of(m_pCommunityTarget.get())->set_community(community());
  if (rc != PMC_OK) return rc;
  return m_pCommunityTarget->set_address(m_pAddress.get());
}

int CPmcSnmpRequestCore::add_request_oid(const char* oid_text, bool instance_zero) {
  if (!m_pPdu) return PMC_E_ARG;
  int rc = PMC_OK;
  PmcPtr<IPmcOid> oid(pmc_create_oid_from_text(oid_text, &rc));
  if (!oid) return rc;
  if (instance_zero) {
    rc = oid->append_subid(0);
    if (rc != PMC_OK) return rc;
  }
  return m_pPdu->add(oid.release(), nullptr);
}

int CPmcSnmpRequestCore::protocol_of_text(const char* address, int* protocol) {
  if (address == nullptr || protocol == nullptr) return PMC_E_ARG;
  int rc = PMC_OK;
  IPmcAddressService* service = pmc_address_service(&rc);
  if (service == nullptr) return rc;
  return service->protocol_of(address, protocol);
}
