#include "net/pmc_iphelp_api.h"

#include "log/pmc_log.h"
#include "net/pmc_iphelp_backend.h"
#include "platform/pmc_platform.h"

namespace NPmcIpHelpAPI {

void* bind_optional_entry(void* module, const char* name) {
  void* address = pmc_get_proc_address(module, name);
  if (address == nullptr) {
    PMC_LOG(g_logSocket, PMC_LOG_ERROR, "[NPmcIpHelpAPI::set_api] fail GetProcAddress \"%s\": GetLastError()=%d",
            name, pmc_get_last_error());
  }
  return address;
}

uint32_t check_buffer(size_t count, size_t record, const void* buffer, uint32_t* size) {
  if (count == 0) return PMC_ERROR_NO_DATA;
  size_t needed = count * record;
  bool fits = buffer != nullptr && *size >= needed;
  *size = static_cast<uint32_t>(needed);
  return fits ? PMC_NO_ERROR : PMC_ERROR_BUFFER_OVERFLOW;
}

}  // namespace NPmcIpHelpAPI
