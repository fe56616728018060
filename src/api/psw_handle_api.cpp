// The exported functions of the handle: creation, destruction and the two
// command functions. Nothing here throws: pmc_make turns allocation
// failures into result codes.
#include <cstring>

#include "api/psw_handle.h"
#include "psw/psw.h"

namespace {

// The string commands, compared exactly (case and length), in this order.
struct StringCommand {
  const char* name;
  PmcCommunity CPSWHandle::*community;
};
const StringCommand kStringCommands[] = {
    {"CmdSetCommunityGetOption", &CPSWHandle::m_communityGetOption},
    {"CmdSetCommunityFind", &CPSWHandle::m_communityFind},
    {"CmdSetCommunityWrite", &CPSWHandle::m_communityWrite},
};

// The integer command that opens the handle to printers of every model.
constexpr const char* kAnyModelCommand = "CmdSetAnyModel";
// The integer command that chooses the SNMP version of community-based
// requests: 1 SNMPv1, 2 SNMPv2c (the numbers users know them by).
constexpr const char* kCommunityVersionCommand = "CmdSetCommunityVersion";
constexpr const char* kMaxRepetitionsCommand = "CmdSetMaxRepetitions";

}  // namespace

extern "C" {

PSW_API int32_t PSWInit(PSWHANDLE* handle) {
  if (handle == nullptr) return PSW_ERR_ARGUMENT;
  // The variable is cleared first so that a caller who goes on to
  // PSWUnInit after a failure passes null, not an old or undefined value.
  *handle = nullptr;
  int err = PSW_OK;
  CPSWHandle* created = pmc_make<CPSWHandle>(&err);
  if (created == nullptr) return err;
  *handle = created;
  return PSW_OK;
}

PSW_API void PSWUnInit(PSWHANDLE handle) {
  if (handle != nullptr) handle->destroy();
}

PSW_API int32_t PSWCommandString(PSWHANDLE handle, const char* command, const char* value) {
  if (handle == nullptr || command == nullptr || value == nullptr) return PSW_ERR_ARGUMENT;
  for (const StringCommand& c : kStringCommands) {
    if (std::strcmp(command, c.name) == 0) {
      // An empty value takes the community back.
      (handle->*c.community).assign(value[0] != '\0' ? value : nullptr);
      return PSW_OK;
    }
  }
  return PSW_ERR_UNSUPPORTED;
}

// Two integer commands, compared exactly. "CmdSetAnyModel": 1 lets later
// openings and searches accept printers of every model, 0 takes it back.
// "CmdSetCommunityVersion": 2 sends the community-based requests of later
// openings and searches as SNMPv2c, 1 as SNMPv1 again.
// "CmdSetMaxRepetitions": the max-repetitions (1 to 100) later openings'
// table walks over SNMPv2c and SNMPv3 start their GetBulkRequests with, or
// 0 for GetNext walks (25 until set). Any other value is refused. Every other command, a null one included, answers as before the
// commands existed: -2 for a zero value, else -5.
PSW_API int32_t PSWCommandInteger(PSWHANDLE handle, const char* command, intptr_t value) {
  if (handle == nullptr) return PSW_ERR_ARGUMENT;
  if (command != nullptr && std::strcmp(command, kAnyModelCommand) == 0) {
    if (value != 0 && value != 1) return PSW_ERR_ARGUMENT;
    handle->m_bAnyModel = value == 1;
    return PSW_OK;
  }
  if (command != nullptr && std::strcmp(command, kCommunityVersionCommand) == 0) {
    if (value != 1 && value != 2) return PSW_ERR_ARGUMENT;
    handle->m_nCommunityVersion = value == 2 ? PMS_VERSION_V2C : PMS_VERSION_V1;
    return PSW_OK;
  }
  if (command != nullptr && std::strcmp(command, kMaxRepetitionsCommand) == 0) {
    if (value < 0 || value > PMC_BULK_REPETITIONS_MAX) return PSW_ERR_ARGUMENT;
    handle->m_nBulkRepetitions = static_cast<int32_t>(value);
    return PSW_OK;
  }
  if (value == 0) return PSW_ERR_ARGUMENT;
  return PSW_ERR_UNSUPPORTED;
}

}  // extern "C"
