/*
 * psw_plugin_usm.hpp: the SNMPv3 user settings as the option readers see
 * them (C++ only).
 *
 * CPSWDevCommOption::Init (psw_options.hpp) takes the settings through this
 * interface. Inside the library the handle's settings object implements it;
 * a host program that uses the option readers directly may implement it
 * itself. The readers copy every value when they are set up, so the object
 * need not outlive them.
 */
#ifndef PSW_PSW_PLUGIN_USM_HPP
#define PSW_PSW_PLUGIN_USM_HPP

#include <stdint.h>

#include "psw/psw.h"

// Slot order is part of the contract.
class IPSWPluginUSM {
 public:
  // Returns every setting to its default, then takes `mode` when it is 0, 1
  // or 2 and every field of `block` that is set (a null block counts as a
  // zeroed one).
  virtual void set(int32_t mode, const PSWUSMSettings* block) = 0;  // slot 0
  virtual void destroy() = 0;                                       // slot 1
  virtual int32_t get_snmp_mode() const = 0;            // slot 2: -1 when not set; 2 SNMPv3
  virtual const char* get_user_name() const = 0;        // slot 3
  virtual int32_t get_security_level() const = 0;       // slot 4
  virtual int32_t get_auth_protocol() const = 0;        // slot 5
  virtual int32_t get_priv_protocol() const = 0;        // slot 6
  virtual const char* get_auth_pass_phrase() const = 0; // slot 7
  virtual const char* get_priv_pass_phrase() const = 0; // slot 8
  virtual const char* get_context_name() const = 0;     // slot 9

 protected:
  virtual ~IPSWPluginUSM() = default;  // slot 10
};

#endif /* PSW_PSW_PLUGIN_USM_HPP */
