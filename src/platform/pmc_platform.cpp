#include "platform/pmc_platform.h"

#include "base/pmc_result.h"

namespace {

// The table in use: the native one until a test replaces it.
PmcPlatformTable& current() {
  static PmcPlatformTable s_table = pmc_native_platform();
  return s_table;
}

}  // namespace

const PmcPlatformTable& pmc_platform() { return current(); }

PmcPlatformTable pmc_replace_platform_for_test(const PmcPlatformTable& table) {
  PmcPlatformTable previous = current();
  current() = table;
  return previous;
}

int pmc_system_random(void* out, size_t size) {
  if (size == 0) return PMC_OK;
  if (out == nullptr) return PMC_E_ARG;
  return pmc_platform().random(out, size);
}

CPmcLibraryLoader::CPmcLibraryLoader(std::vector<std::string> names, BindFn bind, BindBuiltinFn bind_builtin)
    : m_defaultNames(names), m_names(std::move(names)), m_bind(bind), m_bindBuiltin(bind_builtin) {}

namespace {

// The module value of a loader whose services are linked in: never freed.
PmcModule builtin_module() {
  static char s_marker;
  return &s_marker;
}

void free_module(PmcModule module) {
  if (module != nullptr && module != builtin_module()) pmc_free_library(module);
}

}  // namespace

CPmcLibraryLoader::~CPmcLibraryLoader() { free_module(m_module.exchange(nullptr)); }

int CPmcLibraryLoader::load() {
  if (is_loaded()) return PMC_OK;
  std::lock_guard<std::mutex> guard(m_lock);
  if (is_loaded()) return PMC_OK;  // another thread loaded it meanwhile

  if (m_names.empty() && m_bindBuiltin != nullptr) {
    int rc = m_bindBuiltin();
    if (rc == PMC_OK) m_module.store(builtin_module(), std::memory_order_release);
    return rc;
  }

  PmcModule module = nullptr;
  for (const std::string& name : m_names) {
    module = pmc_load_library(name.c_str());
    if (module != nullptr) break;
  }
  if (module == nullptr) return PMC_E_PLATFORM;

  int rc = m_bind(module);
  if (rc != PMC_OK) {
    pmc_free_library(module);  // nothing is kept: the next call starts over
    return rc;
  }
  m_module.store(module, std::memory_order_release);
  return PMC_OK;
}

void CPmcLibraryLoader::reset_for_test(const std::vector<std::string>& names) {
  std::lock_guard<std::mutex> guard(m_lock);
  free_module(m_module.exchange(nullptr));
  m_names = names.empty() ? m_defaultNames : names;
}
