// The object behind a PSWHANDLE: everything one caller of the C interface
// works with. Created only by PSWInit (through pmc_make, so a failed
// post-construction step destroys the half-built handle) and destroyed only
// by PSWUnInit.
#pragma once

#include <memory>

#include "base/pmc_object.h"
#include "device/pmc_plugin_usm.h"
#include "device/psw_discovery.h"
#include "protocol/pms_snmp_target.h"
#include "psw/psw.h"
#include "request/pmc_credentials.h"
#include "request/pmc_get_data.h"

class CPSWFalconOption;  // option reader of the opened device
class CPSWDeviceStatus;  // status tables of the opened device

// Owners of the handle's objects, each released the way its kind is.
struct PSWDestroyOption {
  void operator()(CPSWFalconOption* option) const;
};
struct PSWDestroyDiscovery {
  void operator()(CPSWDiscovery* discovery) const;
};
struct PSWDestroyStatus {
  // Empties the record tables, then destroys the object.
  void operator()(CPSWDeviceStatus* status) const;
};

struct CPSWHandle final : public CPmcObject {
  CPSWHandle() = default;

  // Creates the discovery object (empty) and the settings object (defaults).
  int post_construct() override;

  // The destructor releases the objects in the order option reader,
  // discovery, status object, settings object.
  std::unique_ptr<CPSWFalconOption, PSWDestroyOption> m_pOption;  // null until a device is opened
  std::unique_ptr<CPSWDiscovery, PSWDestroyDiscovery> m_pDiscovery;
  // The communities of searches, of reads and of job cancels; not given
  // until a command sets them (an empty value takes one back).
  PmcCommunity m_communityFind;
  PmcCommunity m_communityGetOption;
  PmcCommunity m_communityWrite;
  std::unique_ptr<CPSWDeviceStatus, PSWDestroyStatus> m_pStatus;  // null until a device is opened
  PSWPluginUSMPtr m_pUSM;
  // Set by the integer command "CmdSetAnyModel": later openings and
  // searches accept printers of every model.
  bool m_bAnyModel = false;
  // Set by the integer command "CmdSetCommunityVersion": the version
  // (PMS_VERSION_V1 or PMS_VERSION_V2C) of the community-based requests of
  // later openings and searches.
  int32_t m_nCommunityVersion = PMS_VERSION_V1;
  // "CmdSetMaxRepetitions": the max-repetitions of later openings' GetBulk
  // walks (0: GetNext walks).
  int32_t m_nBulkRepetitions = PMC_BULK_REPETITIONS_DEFAULT;

 protected:
  ~CPSWHandle() override;
};
