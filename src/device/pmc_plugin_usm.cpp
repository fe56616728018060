#include "device/pmc_plugin_usm.h"

#include <cstring>

namespace {

// A caller's text replaces the member only when it is not empty. The member
// is cleared first so no byte of the longer default survives the copy; the
// field is read only within its own size.
template <size_t N, size_t M>
void take_text(char (&member)[N], const char (&field)[M]) {
  if (field[0] == '\0') return;
  std::memset(member, 0, N);
  psw_copy_text(member, field, M);
}

// The mode and the three numbers accept 0, 1 and 2; anything else keeps the
// value the member already has.
void take_choice(int32_t& member, int32_t value) {
  if (value >= 0 && value <= 2) member = value;
}

}  // namespace

void CPSWPluginUSM::restore_defaults() {
  m_values = PmcUsmSettings();
  m_values.nSnmpMode = kModeNotSet;
  psw_copy_text(m_values.szUserName, kDefaultUserName);
  m_values.nSecurityLevel = kDefaultSecurityLevel;
  m_values.nAuthProtocol = kDefaultAuthProtocol;
  m_values.nPrivProtocol = kDefaultPrivProtocol;
  psw_copy_text(m_values.szAuthPassPhrase, kDefaultAuthPassPhrase);
  psw_copy_text(m_values.szPrivPassPhrase, kDefaultPrivPassPhrase);
}

// Every call starts again from the defaults, so the settings of an earlier
// call never leak into a later one.
void CPSWPluginUSM::set(int32_t mode, const PSWUSMSettings* block) {
  restore_defaults();
  take_choice(m_values.nSnmpMode, mode);
  // A null block counts as the zeroed block the plain functions pass: it
  // keeps the default texts and sets the three numbers to 0.
  static const PSWUSMSettings kZeroBlock = {};
  if (block == nullptr) block = &kZeroBlock;
  take_text(m_values.szUserName, block->userName);
  // The block is packed: read its numbers by value, never through a reference.
  take_choice(m_values.nSecurityLevel, block->securityLevel);
  take_choice(m_values.nAuthProtocol, block->authProtocol);
  take_choice(m_values.nPrivProtocol, block->privProtocol);
  take_text(m_values.szAuthPassPhrase, block->authPassPhrase);
  take_text(m_values.szPrivPassPhrase, block->privPassPhrase);
  take_text(m_values.szContextName, block->contextName);
}

IPSWPluginUSM* pmc_create_plugin_usm(int* err) { return pmc_make<CPSWPluginUSM>(err); }

PmcUsmSettings psw_usm_settings_of(const IPSWPluginUSM& usm) {
  PmcUsmSettings v;
  v.nSnmpMode = usm.get_snmp_mode();
  psw_copy_text(v.szUserName, usm.get_user_name());
  v.nSecurityLevel = usm.get_security_level();
  v.nAuthProtocol = usm.get_auth_protocol();
  v.nPrivProtocol = usm.get_priv_protocol();
  psw_copy_text(v.szAuthPassPhrase, usm.get_auth_pass_phrase());
  psw_copy_text(v.szPrivPassPhrase, usm.get_priv_pass_phrase());
  psw_copy_text(v.szContextName, usm.get_context_name());
  return v;
}
