#include "log/pmc_log_object.h"

#include <cstring>

#include "base/pmc_result.h"

int pmc_log_query(const char* iid, void** out, const PmcLogIidEntry* table, size_t count) {
  if (iid == nullptr || out == nullptr) return PMC_E_ARG;
  for (size_t i = 0; i < count; ++i) {
    if (std::strcmp(iid, table[i].iid) == 0) {
      *out = table[i].itf;
      return PMC_OK;
    }
  }
  *out = nullptr;
  return PMC_E_NOINTERFACE;
}

int CPmcLogObjectBase::unsupported_operation() { return PMC_E_UNSUPPORTED; }
