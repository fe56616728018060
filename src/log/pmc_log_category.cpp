#include <thread>

#include "log/pmc_log.h"
#include "log/pmc_log_manager.h"

// The static handles must be ready before any dynamic initialiser of
// another file can log: have the compiler prove they are constant-initialised.
#if defined(__clang__)
#define PMC_CONSTANT_INIT [[clang::require_constant_initialization]]
#else
#define PMC_CONSTANT_INIT __constinit
#endif

PMC_CONSTANT_INIT CPmcLogCategory g_logPsw("PSW");
PMC_CONSTANT_INIT CPmcLogCategory g_logSocket("socket");
PMC_CONSTANT_INIT CPmcLogCategory g_logSnmp("snmp");

IPmcLogger* CPmcLogCategory::logger() {
  // Fast path without a lock. Loggers handed out by the manager are never
  // freed, so even a pointer made stale by a concurrent reset_all is safe.
  IPmcLogger* cached = m_logger.load(std::memory_order_acquire);
  if (cached != nullptr && m_generation.load(std::memory_order_acquire) == pmc_log_generation())
    return cached;
  return refresh();
}

IPmcLogger* CPmcLogCategory::refresh() {
  while (m_refreshing.exchange(true, std::memory_order_acquire)) std::this_thread::yield();
  // Read the generation before the look-up: a reset_all in between only
  // makes the next call look again, never keeps a retired logger.
  const unsigned generation = pmc_log_generation();
  IPmcLogger* result = m_logger.load(std::memory_order_relaxed);
  if (result == nullptr || m_generation.load(std::memory_order_relaxed) != generation) {
    int err = PMC_OK;
    IPmcLogManager* manager = pmc_log_manager(&err);
    result = manager != nullptr ? manager->get_logger(m_name, &err) : nullptr;
    if (result != nullptr && err == PMC_OK) {
      m_generation.store(generation, std::memory_order_release);
      m_logger.store(result, std::memory_order_release);
    } else {
      // Not cached: a later call tries again.
      result = pmc_null_logger();
    }
  }
  m_refreshing.store(false, std::memory_order_release);
  return result;
}

CPmcTraceScope::CPmcTraceScope(const char* label, IPmcLogger* logger)
    : m_label(label != nullptr ? label : ""), m_logger(logger) {
  if (m_logger != nullptr) m_logger->log(PMC_LOG_TRACE, "[%s] enter.", m_label);
}

CPmcTraceScope::~CPmcTraceScope() {
  if (m_logger != nullptr) m_logger->log(PMC_LOG_TRACE, "[%s] exit.", m_label);
}
