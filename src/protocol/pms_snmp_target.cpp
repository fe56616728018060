// Community and SNMPv3 targets.
#include "protocol/pms_snmp_target.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

template <class Kind>
Kind* kind_of(IPmsSnmpTarget* target, int iid) {
  void* found = nullptr;
  if (target != nullptr) target->query_interface(iid, &found);
  return static_cast<Kind*>(found);
}

}  // namespace

IPmsSnmpTarget* pms_create_community_target(int* err) { return pmc_make<CPmsCommunityTarget>(err); }
IPmsSnmpTarget* pms_create_usm_target(int* err) { return pmc_make<CPmsUsmTarget>(err); }

IPmsCommunityTarget* pms_community_of(IPmsSnmpTarget* target) {
  return kind_of<IPmsCommunityTarget>(target, PMS_IID_COMMUNITY);
}
// query_interface hands out mutable pointers; the const view is restored here.
const IPmsCommunityTarget* pms_community_of(const IPmsSnmpTarget* target) {
  return pms_community_of(const_cast<IPmsSnmpTarget*>(target));
}
IPmsUsmTarget* pms_usm_of(IPmsSnmpTarget* target) { return kind_of<IPmsUsmTarget>(target, PMS_IID_USM); }
const IPmsUsmTarget* pms_usm_of(const IPmsSnmpTarget* target) {
  return pms_usm_of(const_cast<IPmsSnmpTarget*>(target));
}

// ---------------------------------------------------------------------------
// Common fields
// ---------------------------------------------------------------------------

void CPmsSnmpTargetBase::reset() {
  m_version = PMS_VERSION_NONE;
  m_timeout = -1;
  m_retries = 0;
  m_maxMessageSize = 0;
  m_localPort = 0;
  m_pAddress.reset();
}

int CPmsSnmpTargetBase::assign(const IPmsSnmpTarget& other) {
  if (&other == static_cast<const IPmsSnmpTarget*>(this)) return PMC_OK;
  // Everything that can fail comes first, so a failure changes nothing.
  PmcPtr<IPmcNetworkAddress> address;
  if (const IPmcNetworkAddress* from = other.get_address()) {
    IPmcNetworkAddress* copy = nullptr;
    int rc = from->clone(&copy);
    if (rc != PMC_OK) return rc;
    address.reset(copy);
  }
  int rc = assign_kind(other);
  if (rc != PMC_OK) return rc;
  m_version = other.get_version();
  m_timeout = other.get_timeout();
  m_retries = other.get_retries();
  m_maxMessageSize = other.get_max_message_size();
  m_localPort = other.get_local_port();
  m_pAddress = std::move(address);
  return PMC_OK;
}

bool CPmsSnmpTargetBase::equals(const IPmsSnmpTarget& other) const {
  return other.uses_usm() == uses_usm() && same_kind(other);
}

int CPmsSnmpTargetBase::query_interface(int id, void** out) {
  if (out == nullptr) return PMC_E_ARG;
  *out = nullptr;
  switch (id) {
    case PMS_IID_TARGET: *out = static_cast<IPmsSnmpTarget*>(this); break;
    case PMS_IID_TARGET_IMPL: *out = this; break;
    case PMS_IID_COMMUNITY:
    case PMS_IID_COMMUNITY_ALT:
      if (kind_iid() == PMS_IID_COMMUNITY) *out = kind_interface();
      break;
    case PMS_IID_USM:
    case PMS_IID_USM_ALT:
      if (kind_iid() == PMS_IID_USM) *out = kind_interface();
      break;
    default: break;
  }
  return *out != nullptr ? PMC_OK : PMC_E_NOINTERFACE;
}

int CPmsSnmpTargetBase::set_address(const IPmcNetworkAddress* address) {
  if (address == nullptr) {
    m_pAddress.reset();
    return PMC_OK;
  }
  IPmcNetworkAddress* copy = nullptr;
  int rc = address->clone(&copy);
  if (rc != PMC_OK) return rc;
  m_pAddress.reset(copy);
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Community target
// ---------------------------------------------------------------------------

int CPmsCommunityTarget::set_community(const char* community) {
  if (community == nullptr) {
    m_hasCommunity = false;
    m_community.clear();
    return PMC_OK;
  }
  try {
    m_community.assign(community);  // reuses the old storage when it fits
  } catch (...) {
    return PMC_E_NOMEM;
  }
  m_hasCommunity = true;
  return PMC_OK;
}

int CPmsCommunityTarget::assign_kind(const IPmsSnmpTarget& other) {
  const IPmsCommunityTarget* from = pms_community_of(&other);
  if (from == nullptr) return PMC_E_ARG;
  return set_community(from->get_community());
}

bool CPmsCommunityTarget::same_kind(const IPmsSnmpTarget& other) const {
  const IPmsCommunityTarget* with = pms_community_of(&other);
  if (with == nullptr) return false;
  const char* theirs = with->get_community();
  if (!m_hasCommunity || theirs == nullptr) return !m_hasCommunity && theirs == nullptr;
  return m_community == theirs;
}

// ---------------------------------------------------------------------------
// SNMPv3 target
// ---------------------------------------------------------------------------

int CPmsUsmTarget::post_construct() {
  int rc = PMC_OK;
  m_pEngineId.reset(pmc_create_text(&rc));
  return rc;
}

int CPmsUsmTarget::store(std::string& field, const char* text) {
  try {
    field.assign(text != nullptr ? text : "");
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

int CPmsUsmTarget::set_user_name(const char* name) {
  if (name != nullptr && std::strlen(name) > PMS_MAX_USER_NAME) return PMC_E_ARG;
  return store(m_user.userName, name);
}

int CPmsUsmTarget::set_security_level(int32_t level) {
  m_user.securityLevel = level;
  return PMC_OK;
}

int CPmsUsmTarget::set_auth_protocol(int32_t protocol) {
  m_user.authProtocol = protocol;
  return PMC_OK;
}

int CPmsUsmTarget::set_priv_protocol(int32_t protocol) {
  m_user.privProtocol = protocol;
  return PMC_OK;
}

int CPmsUsmTarget::set_auth_pass_phrase(const char* phrase) { return store(m_user.authPassPhrase, phrase); }
int CPmsUsmTarget::set_priv_pass_phrase(const char* phrase) { return store(m_user.privPassPhrase, phrase); }
int CPmsUsmTarget::set_context_name(const char* name) { return store(m_user.contextName, name); }

int CPmsUsmTarget::set_engine_id(const void* bytes, size_t length) {
  if (bytes == nullptr) length = 0;
  return m_pEngineId->assign(bytes, length);
}

int CPmsUsmTarget::assign_kind(const IPmsSnmpTarget& other) {
  const IPmsUsmTarget* from = pms_usm_of(&other);
  if (from == nullptr) return PMC_E_ARG;
  User user;
  IPmcText* engine = nullptr;
  try {
    user.userName = from->get_user_name();
    user.securityLevel = from->get_security_level();
    user.authProtocol = from->get_auth_protocol();
    user.privProtocol = from->get_priv_protocol();
    user.authPassPhrase = from->get_auth_pass_phrase();
    user.privPassPhrase = from->get_priv_pass_phrase();
    user.contextName = from->get_context_name();
  } catch (...) {
    return PMC_E_NOMEM;
  }
  int rc = from->get_engine_id()->clone(&engine);
  if (rc != PMC_OK) return rc;
  m_user = std::move(user);
  m_pEngineId.reset(engine);
  return PMC_OK;
}

bool CPmsUsmTarget::same_kind(const IPmsSnmpTarget& other) const {
  const IPmsUsmTarget* with = pms_usm_of(&other);
  if (with == nullptr) return false;
  return m_user.userName == with->get_user_name() && m_user.securityLevel == with->get_security_level() &&
         m_user.authProtocol == with->get_auth_protocol() && m_user.privProtocol == with->get_priv_protocol() &&
         m_user.authPassPhrase == with->get_auth_pass_phrase() &&
         m_user.privPassPhrase == with->get_priv_pass_phrase() && m_user.contextName == with->get_context_name();
}
