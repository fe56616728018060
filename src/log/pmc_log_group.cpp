#include "log/pmc_log_group.h"

#include <algorithm>

template <class Value>
int CPmcLogGroup::propagate(Value CPmcLogger::*field, Value value,
                            int (IPmcLogger::*setter)(Value)) {
  std::lock_guard<std::mutex> hold(m_lock);
  this->*field = value;
  for (IPmcLogger* member : m_members) (member->*setter)(value);
  return PMC_OK;
}

int CPmcLogGroup::set_level_mask(unsigned mask) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_level_mask.store(mask, std::memory_order_relaxed);
  for (IPmcLogger* member : m_members) member->set_level_mask(mask);
  return PMC_OK;
}

int CPmcLogGroup::set_indent(unsigned depth) {
  return propagate(&CPmcLogGroup::m_indent, depth, &IPmcLogger::set_indent);
}

int CPmcLogGroup::set_options(unsigned bits) {
  return propagate(&CPmcLogGroup::m_options, bits, &IPmcLogger::set_options);
}

int CPmcLogGroup::set_radix(int radix) {
  return propagate(&CPmcLogGroup::m_radix, radix, &IPmcLogger::set_radix);
}

int CPmcLogGroup::add_sink(IPmcLogSink* sink) {
  if (sink == nullptr) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  if (has_sink_locked(sink)) return PMC_OK;
  int result = append_sink_locked(sink);
  if (result != PMC_OK) return result;
  for (IPmcLogger* member : m_members) {
    int rc = member->add_sink(sink);
    if (rc != PMC_OK) result = rc;
  }
  return result;
}

int CPmcLogGroup::vlog(unsigned, const char*, va_list) { return PMC_E_NOTFOUND; }

int CPmcLogGroup::add_member(IPmcLogger* logger) {
  if (logger == nullptr || logger == static_cast<IPmcLogger*>(this)) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  if (std::find(m_members.begin(), m_members.end(), logger) != m_members.end()) return PMC_OK;
  // The new member takes the group's settings (their results do not
  // matter: a radix the member refuses leaves its default) ...
  logger->set_level_mask(m_level_mask.load(std::memory_order_relaxed));
  logger->set_options(m_options);
  logger->set_radix(m_radix);
  logger->set_indent(m_indent);
  // ... and its sinks, stopping at the first that cannot be attached.
  for (IPmcLogSink* sink : m_sinks) {
    int rc = logger->add_sink(sink);
    if (rc != PMC_OK) return rc;
  }
  try {
    m_members.push_back(logger);
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

IPmcLogger* CPmcLogGroup::remove_member(IPmcLogger* logger) {
  std::lock_guard<std::mutex> hold(m_lock);
  auto it = std::find(m_members.begin(), m_members.end(), logger);
  if (it == m_members.end()) return nullptr;
  m_members.erase(it);
  return logger;
}

void CPmcLogGroup::reset() {
  std::lock_guard<std::mutex> hold(m_lock);
  m_members.clear();
  reset_locked();
}
