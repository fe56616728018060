#include "log/pmc_log_manager.h"

#include <cstring>
#include <mutex>
#include <vector>

#include "base/pmc_object.h"
#include "log/pmc_log_group.h"

namespace {

std::atomic<unsigned> g_generation{1};

bool same_text(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

class CPmcLogManager final : public IPmcLogManager {
 public:
  CPmcLogManager();

  IPmcLogger* get_logger(const char* name, IPmcLogSink* extra_sink, int* err) override;
  IPmcLogGroup* find_group(const char* name, int* err) override;
  IPmcLogger* get_logger(const char* name, int* err) override { return get_logger(name, nullptr, err); }
  IPmcLogGroup* find_group2(const char* name, int* err) override { return find_group(name, err); }
  IPmcLogSink* create_sink(const char* type, const char* instance) override;
  IPmcLogSink* find_sink(const char* instance, int* err) override;
  int add_sink_factory(IPmcLogSinkFactory* factory) override;
  void reset_all() override;

 private:
  // The operations below expect m_lock to be held.
  CPmcLogger* find_category_locked(const char* name) const;
  IPmcLogger* create_category_locked(const char* name, IPmcLogSink* extra_sink, int* err);
  IPmcLogSinkFactory* find_factory_locked(const char* type) const;

  std::mutex m_lock;
  CPmcLogGroup m_group;
  std::vector<CPmcLogger*> m_categories;    // the group first
  std::vector<IPmcLogSink*> m_sinks;        // owned
  std::vector<IPmcLogSinkFactory*> m_factories;
  // Loggers taken out of service by reset_all. They are kept (muted) for
  // the life of the process because callers may still hold them: cached in
  // a handle, in a trace scope, or in the middle of a vlog.
  std::vector<CPmcLogger*> m_retired;
};

CPmcLogManager::CPmcLogManager()
    : m_categories{&m_group}, m_factories{pmc_log_stdout_factory(), pmc_log_file_factory()} {}

CPmcLogger* CPmcLogManager::find_category_locked(const char* name) const {
  for (CPmcLogger* category : m_categories) {
    if (same_text(category->get_name(), name)) return category;
  }
  return nullptr;
}

IPmcLogSinkFactory* CPmcLogManager::find_factory_locked(const char* type) const {
  for (IPmcLogSinkFactory* factory : m_factories) {
    if (same_text(factory->get_type_name(), type)) return factory;
  }
  return nullptr;
}

IPmcLogger* CPmcLogManager::get_logger(const char* name, IPmcLogSink* extra_sink, int* err) {
  if (name == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return pmc_null_logger();
  }
  std::lock_guard<std::mutex> hold(m_lock);
  if (CPmcLogger* existing = find_category_locked(name)) {
    pmc_set_err(err, PMC_OK);
    return existing;
  }
  return create_category_locked(name, extra_sink, err);
}

IPmcLogger* CPmcLogManager::create_category_locked(const char* name, IPmcLogSink* extra_sink,
                                                   int* err) {
  CPmcLogger* logger = pmc_log_new<CPmcLogger>(name);
  if (logger == nullptr) {
    pmc_set_err(err, PMC_E_NOMEM);
    return pmc_null_logger();
  }
  int rc = m_group.add_member(logger);
  if (rc == PMC_OK && extra_sink != nullptr) rc = logger->add_sink(extra_sink);
  if (rc == PMC_OK) {
    try {
      m_categories.push_back(logger);
    } catch (...) {
      rc = PMC_E_NOMEM;
    }
  }
  if (rc != PMC_OK) {
    // The group must not keep a member that is about to be destroyed.
    m_group.remove_member(logger);
    logger->destroy();
    pmc_set_err(err, rc);
    return pmc_null_logger();
  }
  pmc_set_err(err, PMC_OK);
  return logger;
}

IPmcLogGroup* CPmcLogManager::find_group(const char* name, int* err) {
  if (name == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return pmc_null_logger();
  }
  std::lock_guard<std::mutex> hold(m_lock);
  CPmcLogger* entry = find_category_locked(name);
  if (entry == nullptr) {
    pmc_set_err(err, PMC_E_NOTFOUND);
    return nullptr;
  }
  if (entry != &m_group) {
    pmc_set_err(err, PMC_E_FAIL);
    return nullptr;
  }
  pmc_set_err(err, PMC_OK);
  return &m_group;
}

IPmcLogSink* CPmcLogManager::create_sink(const char* type, const char* instance) {
  std::lock_guard<std::mutex> hold(m_lock);
  IPmcLogSinkFactory* factory = find_factory_locked(type != nullptr ? type : "stdout");
  if (factory == nullptr) return nullptr;
  IPmcLogSink* null_sink = factory->create(nullptr, nullptr);
  if (type == nullptr || instance == nullptr) return null_sink;
  for (IPmcLogSink* sink : m_sinks) {
    if (same_text(sink->get_instance_name(), instance))
      return same_text(sink->get_type_name(), type) ? sink : null_sink;
  }
  IPmcLogSink* sink = factory->create(instance, nullptr);
  // Only real sinks are owned; a null sink is static.
  if (sink != null_sink) {
    try {
      m_sinks.push_back(sink);
    } catch (...) {
      sink->destroy();
      return null_sink;
    }
  }
  return sink;
}

IPmcLogSink* CPmcLogManager::find_sink(const char* instance, int* err) {
  if (instance == nullptr) {
    pmc_set_err(err, PMC_E_ARG);
    return pmc_null_standard_sink();
  }
  std::lock_guard<std::mutex> hold(m_lock);
  pmc_set_err(err, PMC_OK);
  for (IPmcLogSink* sink : m_sinks) {
    if (same_text(sink->get_instance_name(), instance)) return sink;
  }
  return pmc_null_standard_sink();
}

int CPmcLogManager::add_sink_factory(IPmcLogSinkFactory* factory) {
  if (factory == nullptr) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  try {
    m_factories.push_back(factory);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

void CPmcLogManager::reset_all() {
  std::lock_guard<std::mutex> hold(m_lock);
  // 1. Every category drops its sinks under its own lock, so no vlog is
  //    still writing to a sink once this loop is done.
  for (size_t i = 1; i < m_categories.size(); ++i) {
    CPmcLogger* category = m_categories[i];
    category->retire();
    try {
      m_retired.push_back(category);
    } catch (...) {
      // Without memory to remember it the muted logger is simply kept
      // unreferenced: leaking is safe, freeing is not.
    }
  }
  m_categories.resize(1);
  // 2. The group forgets its members and sinks.
  m_group.reset();
  // 3. Nothing refers to the sinks any more.
  for (IPmcLogSink* sink : m_sinks) sink->destroy();
  m_sinks.clear();
  // 4. Handles that cached a category look it up again.
  g_generation.fetch_add(1, std::memory_order_acq_rel);
}

}  // namespace

IPmcLogManager* pmc_log_manager(int* err) {
  try {
    IPmcLogManager* manager = &pmc_log_immortal<CPmcLogManager>();
    pmc_set_err(err, PMC_OK);
    return manager;
  } catch (...) {
    pmc_set_err(err, PMC_E_NOMEM);
    return nullptr;
  }
}

unsigned pmc_log_generation() { return g_generation.load(std::memory_order_acquire); }

int pmc_log(const char* category, unsigned level, const char* format, ...) {
  int err = PMC_OK;
  IPmcLogManager* manager = pmc_log_manager(&err);
  if (manager == nullptr) return err;
  IPmcLogger* logger = manager->get_logger(category, &err);
  if (err != PMC_OK) return err;
  va_list args;
  va_start(args, format);
  int rc = logger->vlog(level, format, args);
  va_end(args);
  return rc;
}
