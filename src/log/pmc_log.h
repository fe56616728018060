// The logging facility as the rest of the library uses it.
//
//   PMC_LOG(g_logSnmp, PMC_LOG_DEBUG, "request id %d", id);
//   PMC_TRACE(g_logSnmp, "RequestSession::send_sync");
//
// The library logs only through these two macros and its static
// categories (g_logPsw, g_logSocket, g_logSnmp), whose loggers are looked
// up once and cached. pmc_log, which looks the category up by name on every
// call, is for configuring callers and tests.
//
// No code path of the library switches logging on: every category starts
// with level mask 0 and no sinks, so these calls cost a lookup and one mask
// test until a configuring caller (tests, tools) sets a category up through
// the manager (log/pmc_log_manager.h).
//
// The level constants carry a PMC_ prefix because <syslog.h>, which the SNMP
// library's headers include, defines LOG_INFO and LOG_DEBUG as macros.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdarg>

#include "base/pmc_printf.h"

enum PmcLogLevel : unsigned {
  PMC_LOG_ERROR = 1,
  PMC_LOG_WARN = 2,
  PMC_LOG_INFO = 4,
  PMC_LOG_DEBUG = 8,
  PMC_LOG_TRACE = 16,
  PMC_LOG_ALL = 31,
};

// Header option bits of a logger (set_options); default all three.
enum PmcLogOption : unsigned {
  PMC_LOG_OPT_TIME = 1,
  PMC_LOG_OPT_PROCESS = 2,
  PMC_LOG_OPT_THREAD = 4,
};

// The operation every logging object has (loggers, the group, sinks).
class IPmcLogObject {
 public:
  virtual void destroy() = 0;

 protected:
  virtual ~IPmcLogObject() = default;
};

class IPmcLogSink;

// A category logger ("PSW", "socket", "snmp", ...), the "All" group, or the
// null logger. Slot order follows the facility's contract.
class IPmcLogger : public virtual IPmcLogObject {
 public:
  virtual const char* get_name() const = 0;
  virtual int add_sink(IPmcLogSink* sink) = 0;
  virtual int set_level_mask(unsigned mask) = 0;
  virtual unsigned get_level_mask() const = 0;
  virtual int set_indent(unsigned depth) = 0;
  virtual unsigned get_indent() const = 0;
  virtual int set_options(unsigned bits) = 0;
  virtual unsigned get_options() const = 0;
  virtual int set_radix(int radix) = 0;
  virtual int get_radix() const = 0;
  virtual int log(unsigned level, const char* format, ...) PMC_PRINTF(3, 4) = 0;
  virtual int vlog(unsigned level, const char* format, va_list args) = 0;
};

// Logs one message to the named category (looked up on every call).
// Callers ignore the result: logging never changes the caller's logic.
int pmc_log(const char* category, unsigned level, const char* format, ...)
    PMC_PRINTF(3, 4);

// A fixed category used by a subsystem that logs often: the logger is looked
// up once and cached. After the manager's reset_all the handle finds its
// category again, so it never hands out a destroyed logger.
//
// The constructor is constexpr and the destructor trivial, so the static
// handles are initialised before any dynamic initialiser runs and stay
// usable while other static objects are destroyed at exit.
class CPmcLogCategory {
 public:
  explicit constexpr CPmcLogCategory(const char* name) : m_name(name) {}
  ~CPmcLogCategory() = default;
  CPmcLogCategory(const CPmcLogCategory&) = delete;
  CPmcLogCategory& operator=(const CPmcLogCategory&) = delete;

  // Never null (the null logger when no real one can be had).
  IPmcLogger* logger();
  const char* name() const { return m_name; }

 private:
  IPmcLogger* refresh();

  const char* m_name;
  // The cached logger and the manager generation it was looked up in; a
  // reset_all advances the generation, which makes the next call look again.
  std::atomic<IPmcLogger*> m_logger{nullptr};
  std::atomic<unsigned> m_generation{0};
  // Serialises the look-ups of one handle (a spin flag: trivially
  // destructible, unlike a mutex).
  std::atomic<bool> m_refreshing{false};
};

// The static categories of the library.
extern CPmcLogCategory g_logPsw;     // "PSW": device readers and the search
extern CPmcLogCategory g_logSocket;  // "socket": platform loaders, datagram transport
extern CPmcLogCategory g_logSnmp;    // "snmp": codec, sessions, dispatcher, request objects

// Writes "[label] enter." at trace level when built and "[label] exit." when
// destroyed, so every return path of a traced function logs its exit. A
// logger handed out by the manager stays valid for the whole process (a
// reset_all mutes it instead of freeing it), so a scope alive across a
// reset_all is safe; its exit line is then simply not written.
class CPmcTraceScope {
 public:
  CPmcTraceScope(const char* label, IPmcLogger* logger);
  ~CPmcTraceScope();
  CPmcTraceScope(const CPmcTraceScope&) = delete;
  CPmcTraceScope& operator=(const CPmcTraceScope&) = delete;

 private:
  const char* m_label;
  IPmcLogger* m_logger;
};

// The qualified name of a function ("NPmcSocketAPI::set_api") cut out of
// the compiler's signature text ("int NPmcSocketAPI::set_api(void*)") while
// compiling: what stands before the parameter list, after the return type.
template <size_t N>
struct PmcFunctionName {
  char text[N] = {};
};

template <size_t N>
constexpr PmcFunctionName<N> pmc_function_name(const char (&signature)[N]) {
  size_t end = 0;
  while (end < N && signature[end] != '(' && signature[end] != '\0') ++end;
  size_t begin = end;
  while (begin > 0 && signature[begin - 1] != ' ') --begin;
  PmcFunctionName<N> name;
  for (size_t i = begin; i < end; ++i) name.text[i - begin] = signature[i];
  return name;
}

// Logs one line to a static category; the arguments are those of
// IPmcLogger::log after the level.
#define PMC_LOG(category, level, ...) ((category).logger()->log((level), __VA_ARGS__))
// Traces the enclosing scope under `label` in a static category.
#define PMC_TRACE(category, label) const CPmcTraceScope pmc_trace_scope_((label), (category).logger())
// Traces the enclosing function under its qualified name, without its
// parameters. Where the traced name is another (an overload's parameter
// list, the operation a helper stands for), PMC_TRACE names it.
#define PMC_TRACE_FUNCTION(category)                                                          \
  static constexpr auto pmc_trace_name_ = pmc_function_name(__PRETTY_FUNCTION__);              \
  PMC_TRACE(category, pmc_trace_name_.text)
