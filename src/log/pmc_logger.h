// Category loggers and the null logger.
//
// A CPmcLogger holds one category's settings and attached sinks; `vlog`
// filters a message against the level mask, builds the line and hands it to
// every sink, all under the logger's lock, so lines of one category never
// interleave and every line is built from one consistent set of settings.
// The setters take the same lock, so they never race a concurrent `vlog`.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/pmc_printf.h"
#include "base/pmc_result.h"
#include "log/pmc_log.h"
#include "log/pmc_log_object.h"
#include "log/pmc_log_sink.h"

// The group interface: a logger whose settings are copied to its members.
// Answered by the "All" group and by the null logger.
class IPmcLogGroup : public virtual IPmcLogger {
 public:
  // Copies the group's settings and sinks into `logger` and makes it a
  // member; 0 when already a member; the first failing add_sink's code.
  virtual int add_member(IPmcLogger* logger) = 0;
  // Removes the first matching member; the removed logger or null.
  virtual IPmcLogger* remove_member(IPmcLogger* logger) = 0;
};

class CPmcLogger : public virtual IPmcLogger {
 public:
  static constexpr unsigned kDefaultOptions = PMC_LOG_OPT_TIME | PMC_LOG_OPT_PROCESS | PMC_LOG_OPT_THREAD;
  static constexpr int kDefaultRadix = 10;

  explicit CPmcLogger(const char* name) : m_name(name) {}

  void destroy() override { delete this; }

  const char* get_name() const override { return m_name.c_str(); }
  int add_sink(IPmcLogSink* sink) override;
  int set_level_mask(unsigned mask) override;
  unsigned get_level_mask() const override;
  int set_indent(unsigned depth) override;
  unsigned get_indent() const override;
  int set_options(unsigned bits) override;
  unsigned get_options() const override;
  int set_radix(int radix) override;  // only 10 and 16; else -2
  int get_radix() const override;
  PMC_PRINTF(3, 4) int log(unsigned level, const char* format, ...) override;
  int vlog(unsigned level, const char* format, va_list args) override;

  // Drops every sink and restores the default settings.
  virtual void reset();
  // Takes the logger out of service for good: reset, and from now on it
  // writes nothing and refuses sinks (-6). The manager retires loggers
  // instead of freeing them, so references cached before a reset_all stay
  // valid (see CPmcLogManager::reset_all).
  void retire();

 protected:
  ~CPmcLogger() override = default;

  // The operations below expect m_lock to be held.
  bool has_sink_locked(const IPmcLogSink* sink) const;
  int append_sink_locked(IPmcLogSink* sink);
  void reset_locked();

  const std::string m_name;
  std::vector<IPmcLogSink*> m_sinks;  // attached, not owned
  // Atomic so a masked-out message is refused without the lock; written
  // under the lock like every other setting.
  std::atomic<unsigned> m_level_mask{0};
  unsigned m_indent = 0;
  unsigned m_options = kDefaultOptions;
  int m_radix = kDefaultRadix;
  bool m_retired = false;
  mutable std::mutex m_lock;
};

// The logger handed out when no real logger can be had: named
// "null_session", every operation succeeds and does nothing. Stateless and
// never destroyed.
class CPmcNullLogger : public virtual IPmcLogGroup {
 public:
  void destroy() override {}

  const char* get_name() const override { return "null_session"; }
  int add_sink(IPmcLogSink*) override { return PMC_OK; }
  int set_level_mask(unsigned) override { return PMC_OK; }
  unsigned get_level_mask() const override { return 0; }
  int set_indent(unsigned) override { return PMC_OK; }
  unsigned get_indent() const override { return 0; }
  int set_options(unsigned) override { return PMC_OK; }
  unsigned get_options() const override { return 0; }
  int set_radix(int) override { return PMC_OK; }
  int get_radix() const override { return 10; }
  int log(unsigned, const char*, ...) override { return PMC_OK; }
  int vlog(unsigned, const char*, va_list) override { return PMC_OK; }
  int add_member(IPmcLogger*) override { return PMC_OK; }
  IPmcLogger* remove_member(IPmcLogger*) override { return nullptr; }
};

// The process's null logger.
CPmcNullLogger* pmc_null_logger();
