// The object behind a PSWHANDLE: everything one caller of the C interface
// works with. Created only by PSWInit (through pmc_make, so a failed
// post-construction step destroys the half-built handle) and destroyed only
// by PSWUnInit.
#pragma once

#include "api/psw_discovery.h"
#include "core/pmc_object.h"
#include "device/pmc_plugin_usm.h"
#include "psw/psw.h"

class CPSWFalconOption;  // option reader of the opened device
class CPSWDeviceStatus;  // status tables of the opened device

struct CPSWHandle final : public CPmcObject {
  static constexpr size_t kCommunitySize = 256;

  CPSWHandle() = default;

  // Creates the discovery object (empty) and the settings object (defaults).
  int post_construct() override;

  // Copies `value` into one of the three community buffers below, cut to
  // 255 characters and terminated; an empty value clears the buffer.
  static void set_community(char (&buffer)[kCommunitySize], const char* value);

  // Members in this order; the owning pointers are released by the
  // destructor in the order option reader, discovery, status object,
  // settings object.
  CPSWFalconOption* m_pOption = nullptr;  // null until a device is opened
  CPSWDiscovery* m_pDiscovery = nullptr;
  char m_szCommunityFind[kCommunitySize] = {};
  char m_szCommunityGetOption[kCommunitySize] = {};
  char m_szCommunityWrite[kCommunitySize] = {};
  CPSWDeviceStatus* m_pStatus = nullptr;  // null until a device is opened
  IPSWPluginUSM* m_pUSM = nullptr;

 protected:
  ~CPSWHandle() override;
};
