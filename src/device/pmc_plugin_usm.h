// The SNMPv3 user settings object of a handle.
//
// Callers hand SNMPv3 settings over as the fixed PSWUSMSettings block; the
// handle keeps one settings object that starts from built-in defaults and,
// at every device opening and search, takes the SNMP mode and the fields of
// the block that are set (`set`). The device readers, option readers and the
// discovery copy its values when they are set up, so a later `set` (another
// search or opening) does not change what an open device uses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/pmc_object.h"
#include "base/pmc_text.h"
#include "psw/psw.h"
#include "psw/psw_plugin_usm.hpp"
#include "request/pmc_credentials.h"

// psw_copy_text, the copy into fixed text buffers every layer uses, is
// declared in base/pmc_text.h.

// IPSWPluginUSM, the interface the readers see, is public
// (psw/psw_plugin_usm.hpp): the exported option readers take it in Init.

// Creates a settings object holding the defaults.
IPSWPluginUSM* pmc_create_plugin_usm(int* err);

// The settings of `usm` as one value (texts cut to their fields and
// terminated). Devices and searches keep this copy, taken when they are set
// up, so a later `set` of the settings object (another search or opening)
// does not change what they use.
PmcUsmSettings psw_usm_settings_of(const IPSWPluginUSM& usm);

// Owning holder: destroys the object when it goes (nothing for null).
struct PSWPluginUSMDestroy {
  void operator()(IPSWPluginUSM* p) const noexcept {
    if (p != nullptr) p->destroy();
  }
};
using PSWPluginUSMPtr = std::unique_ptr<IPSWPluginUSM, PSWPluginUSMDestroy>;

class CPSWPluginUSM final : public IPSWPluginUSM, public CPmcObject {
 public:
  static constexpr int32_t kModeNotSet = -1;
  static constexpr const char* kDefaultUserName = "Kdrivers";
  static constexpr int32_t kDefaultSecurityLevel = PSW_USM_AUTH_PRIV;
  static constexpr int32_t kDefaultAuthProtocol = PSW_USM_AUTH_HMAC_MD5;
  static constexpr int32_t kDefaultPrivProtocol = PSW_USM_PRIV_DES;
  // Built-in pass phrases, used when a caller's block leaves them empty.
  static constexpr const char* kDefaultAuthPassPhrase = "YVO6MElgAVjXSYJv4dIj";
  static constexpr const char* kDefaultPrivPassPhrase = "bUrccNDY08LzJvFu53Uc";

  CPSWPluginUSM() { restore_defaults(); }

  void set(int32_t mode, const PSWUSMSettings* block) override;
  void destroy() override { delete this; }
  int32_t get_snmp_mode() const override { return m_values.nSnmpMode; }
  const char* get_user_name() const override { return m_values.szUserName; }
  int32_t get_security_level() const override { return m_values.nSecurityLevel; }
  int32_t get_auth_protocol() const override { return m_values.nAuthProtocol; }
  int32_t get_priv_protocol() const override { return m_values.nPrivProtocol; }
  const char* get_auth_pass_phrase() const override { return m_values.szAuthPassPhrase; }
  const char* get_priv_pass_phrase() const override { return m_values.szPrivPassPhrase; }
  const char* get_context_name() const override { return m_values.szContextName; }

 protected:
  ~CPSWPluginUSM() override = default;

 private:
  void restore_defaults();

  PmcUsmSettings m_values;
};
