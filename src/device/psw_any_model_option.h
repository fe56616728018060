// The option reader of a handle that accepts printers of every model (the
// integer command "CmdSetAnyModel"). For the supported model it is the
// supported model's reader in every answer; a device of another model is
// accepted when it has a Printer MIB, and then answers only the option keys
// that come from standard tables.
#pragma once

#include <cstdint>

#include "device/psw_option_version.h"
#include "psw/psw_options.hpp"

class CPSWAnyModelOption final : public CPSWFalconOption, public PSWCommunityVersionHolder {
 public:
  CPSWAnyModelOption();

  // The base reader's Init (stores the connection), then the model check's
  // request for sysObjectID, the same as the supported model's reader
  // sends. A device of the supported model is accepted at once; any other
  // costs one GetNext more (device/psw_printer_probe.h): 0 for a printer,
  // -2 for a device without a Printer MIB; request failures pass through.
  int32_t Init(int32_t protocol, const char* address, IPSWPluginUSM* settings, uint32_t timeout,
               uint32_t retries, uint32_t maxMessageSize) override;
  // As the supported model's reader, against the sysObjectID this reader's
  // check read (kept also when the device was refused).
  bool is_supported_OID(const char* oid) override;
  // The supported model: every reader. Another model: only the readers of
  // standard tables (sysName, input trays, output trays, memory size,
  // media paths); none of the maker's private objects is asked for.
  int32_t refresh_options() override;
  // Another model: -5 for every key that is not a standard key
  // (device/psw_dev_comm_option_keys.h); otherwise as the supported
  // model's reader (-2 for a null key or output).
  using CPSWFalconOption::get_option;
  int32_t get_option(const char* key, const char** out, int index) const override;
  int32_t get_option(const char* key, int32_t* out, int index) const override;
  int32_t get_option(const char* key, bool* out, int index) const override;

  // True once Init accepted a device of another model.
  bool is_foreign() const { return m_bForeign; }

 private:
  // -5 when the device is of another model and `key` not a standard key.
  int32_t check_key(const char* key) const;

  char m_szDeviceSysObjectId[256];
  bool m_bForeign;
};
