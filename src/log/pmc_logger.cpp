#include "log/pmc_logger.h"

#include <cstring>

#include "log/pmc_log_line.h"

// ---------------------------------------------------------------------------
// CPmcLogger
// ---------------------------------------------------------------------------

bool CPmcLogger::has_sink_locked(const IPmcLogSink* sink) const {
  const char* instance = sink->get_instance_name();
  for (const IPmcLogSink* attached : m_sinks) {
    if (std::strcmp(attached->get_instance_name(), instance) == 0) return true;
  }
  return false;
}

int CPmcLogger::append_sink_locked(IPmcLogSink* sink) {
  try {
    m_sinks.push_back(sink);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

int CPmcLogger::add_sink(IPmcLogSink* sink) {
  if (sink == nullptr) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  // A retired logger must not hold a sink: the manager destroys its sinks.
  if (m_retired) return PMC_E_NOTFOUND;
  if (has_sink_locked(sink)) return PMC_OK;
  return append_sink_locked(sink);
}

int CPmcLogger::set_level_mask(unsigned mask) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_level_mask.store(mask, std::memory_order_relaxed);
  return PMC_OK;
}

unsigned CPmcLogger::get_level_mask() const { return m_level_mask.load(std::memory_order_relaxed); }

int CPmcLogger::set_indent(unsigned depth) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_indent = depth;
  return PMC_OK;
}

unsigned CPmcLogger::get_indent() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_indent;
}

int CPmcLogger::set_options(unsigned bits) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_options = bits;
  return PMC_OK;
}

unsigned CPmcLogger::get_options() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_options;
}

int CPmcLogger::set_radix(int radix) {
  if (radix != 10 && radix != 16) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  m_radix = radix;
  return PMC_OK;
}

int CPmcLogger::get_radix() const {
  std::lock_guard<std::mutex> hold(m_lock);
  return m_radix;
}

int CPmcLogger::log(unsigned level, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int rc = vlog(level, format, args);
  va_end(args);
  return rc;
}

int CPmcLogger::vlog(unsigned level, const char* format, va_list args) {
  // Most messages are masked out: refuse them before taking the lock.
  if ((level & m_level_mask.load(std::memory_order_relaxed)) == 0) return PMC_OK;
  PmcLogLineBuffer line;
  std::lock_guard<std::mutex> hold(m_lock);
  if ((level & m_level_mask.load(std::memory_order_relaxed)) == 0) return PMC_OK;
  if (m_retired || m_sinks.empty()) return PMC_OK;
  const PmcLogLineSettings settings{m_options, m_radix, m_indent};
  pmc_log_build_line(line, m_name.c_str(), level, settings, format, args);
  // Every sink gets the line even when one fails; the last failure counts.
  int result = PMC_OK;
  for (IPmcLogSink* sink : m_sinks) {
    int rc = sink->write(line);
    if (rc != PMC_OK) result = rc;
  }
  return result;
}

void CPmcLogger::reset_locked() {
  m_sinks.clear();
  m_level_mask.store(0, std::memory_order_relaxed);
  m_indent = 0;
  m_options = kDefaultOptions;
  m_radix = kDefaultRadix;
}

void CPmcLogger::reset() {
  std::lock_guard<std::mutex> hold(m_lock);
  reset_locked();
}

void CPmcLogger::retire() {
  std::lock_guard<std::mutex> hold(m_lock);
  reset_locked();
  m_retired = true;
}

// ---------------------------------------------------------------------------
// CPmcNullLogger
// ---------------------------------------------------------------------------

CPmcNullLogger* pmc_null_logger() { return &pmc_log_immortal<CPmcNullLogger>(); }
