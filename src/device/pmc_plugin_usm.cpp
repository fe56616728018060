#include "device/pmc_plugin_usm.h"

#include <cstring>

size_t psw_copy_text(char* dst, size_t dst_size, const char* src, size_t src_max) {
  if (dst == nullptr || dst_size == 0) return 0;
  size_t n = 0;
  if (src != nullptr) {
    n = strnlen(src, src_max < dst_size - 1 ? src_max : dst_size - 1);
    std::memcpy(dst, src, n);
  }
  dst[n] = '\0';
  return n;
}

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
  m_nSnmpMode = kModeNotSet;
  std::memset(m_szUserName, 0, sizeof m_szUserName);
  psw_copy_text(m_szUserName, kDefaultUserName);
  m_nSecurityLevel = kDefaultSecurityLevel;
  m_nAuthProtocol = kDefaultAuthProtocol;
  m_nPrivProtocol = kDefaultPrivProtocol;
  std::memset(m_szAuthPassPhrase, 0, sizeof m_szAuthPassPhrase);
  psw_copy_text(m_szAuthPassPhrase, kDefaultAuthPassPhrase);
  std::memset(m_szPrivPassPhrase, 0, sizeof m_szPrivPassPhrase);
  psw_copy_text(m_szPrivPassPhrase, kDefaultPrivPassPhrase);
  std::memset(m_szContextName, 0, sizeof m_szContextName);
}

// Every call starts again from the defaults, so the settings of an earlier
// call never leak into a later one.
void CPSWPluginUSM::set(int32_t mode, const PSWUSMSettings* block) {
  restore_defaults();
  take_choice(m_nSnmpMode, mode);
  // A null block counts as the zeroed block the plain functions pass: it
  // keeps the default texts and sets the three numbers to 0.
  static const PSWUSMSettings kZeroBlock = {};
  if (block == nullptr) block = &kZeroBlock;
  take_text(m_szUserName, block->userName);
  // The block is packed: read its numbers by value, never through a reference.
  take_choice(m_nSecurityLevel, block->securityLevel);
  take_choice(m_nAuthProtocol, block->authProtocol);
  take_choice(m_nPrivProtocol, block->privProtocol);
  take_text(m_szAuthPassPhrase, block->authPassPhrase);
  take_text(m_szPrivPassPhrase, block->privPassPhrase);
  take_text(m_szContextName, block->contextName);
}

IPSWPluginUSM* pmc_create_plugin_usm(int* err) { return pmc_make<CPSWPluginUSM>(err); }

// ---------------------------------------------------------------------------
// PSWUsmValues
// ---------------------------------------------------------------------------

void PSWUsmValues::read_from(const IPSWPluginUSM& usm) {
  nSnmpMode = usm.get_snmp_mode();
  psw_copy_text(szUserName, usm.get_user_name());
  nSecurityLevel = usm.get_security_level();
  nAuthProtocol = usm.get_auth_protocol();
  nPrivProtocol = usm.get_priv_protocol();
  psw_copy_text(szAuthPassPhrase, usm.get_auth_pass_phrase());
  psw_copy_text(szPrivPassPhrase, usm.get_priv_pass_phrase());
  psw_copy_text(szContextName, usm.get_context_name());
}
