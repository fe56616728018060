// The SNMP version of the community-based requests of a handle's option
// reader. The exported reader's layout (psw/psw_options.hpp) has no room for
// it, so the readers a handle makes carry it beside that layout; a reader a
// program makes itself sends SNMPv1, as it always has.
#pragma once

#include <cstdint>

#include "protocol/pms_snmp_target.h"
#include "psw/psw_options.hpp"
#include "request/pmc_get_data.h"

class PSWCommunityVersionHolder {
 public:
  virtual ~PSWCommunityVersionHolder() = default;
  // PMS_VERSION_V1 or PMS_VERSION_V2C.
  int32_t community_version() const { return m_nCommunityVersion; }
  void set_community_version(int32_t version) { m_nCommunityVersion = version; }
  // The max-repetitions of GetBulk walks (0: GetNext walks), by the
  // handle's "CmdSetMaxRepetitions".
  int32_t bulk_repetitions() const { return m_nBulkRepetitions; }
  void set_bulk_repetitions(int32_t repetitions) { m_nBulkRepetitions = repetitions; }

 private:
  int32_t m_nCommunityVersion = PMS_VERSION_V1;
  int32_t m_nBulkRepetitions = PMC_BULK_REPETITIONS_DEFAULT;
};

// The supported model's reader as a handle makes it (without "CmdSetAnyModel").
class PSWHandleFalconOption final : public CPSWFalconOption, public PSWCommunityVersionHolder {};

// The version `reader`'s community-based requests go with.
inline int32_t psw_option_community_version(const CPSWDevCommOption& reader) {
  const auto* holder = dynamic_cast<const PSWCommunityVersionHolder*>(&reader);
  return holder != nullptr ? holder->community_version() : PMS_VERSION_V1;
}

// The max-repetitions of `reader`'s GetBulk walks.
inline int32_t psw_option_bulk_repetitions(const CPSWDevCommOption& reader) {
  const auto* holder = dynamic_cast<const PSWCommunityVersionHolder*>(&reader);
  return holder != nullptr ? holder->bulk_repetitions() : PMC_BULK_REPETITIONS_DEFAULT;
}
