// The SNMP version of the community-based requests of a handle's option
// reader. The exported reader's layout (psw/psw_options.hpp) has no room for
// it, so the readers a handle makes carry it beside that layout; a reader a
// program makes itself sends SNMPv1, as it always has.
#pragma once

#include <cstdint>

#include "protocol/pms_snmp_target.h"
#include "psw/psw_options.hpp"

class PSWCommunityVersionHolder {
 public:
  virtual ~PSWCommunityVersionHolder() = default;
  // PMS_VERSION_V1 or PMS_VERSION_V2C.
  int32_t community_version() const { return m_nCommunityVersion; }
  void set_community_version(int32_t version) { m_nCommunityVersion = version; }

 private:
  int32_t m_nCommunityVersion = PMS_VERSION_V1;
};

// The supported model's reader as a handle makes it (without "CmdSetAnyModel").
class PSWHandleFalconOption final : public CPSWFalconOption, public PSWCommunityVersionHolder {};

// The version `reader`'s community-based requests go with.
inline int32_t psw_option_community_version(const CPSWDevCommOption& reader) {
  const auto* holder = dynamic_cast<const PSWCommunityVersionHolder*>(&reader);
  return holder != nullptr ? holder->community_version() : PMS_VERSION_V1;
}
