#include "log/pmc_log_sink.h"

#include <cstdio>

#include "base/pmc_result.h"
#include "log/pmc_log_file_sink.h"

// ---------------------------------------------------------------------------
// Standard-output sink
// ---------------------------------------------------------------------------

int CPmcStandardSink::write(const char* line) {
  if (line == nullptr) return PMC_E_ARG;
  if (std::printf("%s\n", line) < 0) return PMC_E_PLATFORM;
  if (std::fflush(stdout) != 0) return PMC_E_PLATFORM;
  return PMC_OK;
}

// ---------------------------------------------------------------------------
// Null sinks: static, named after their type, accept every call.
// ---------------------------------------------------------------------------

namespace {

template <class Interface>
class CPmcNullSinkBase : public virtual Interface {
 public:
  explicit CPmcNullSinkBase(const char* name) : m_name(name) {}
  void destroy() override {}  // static: never destroyed
  const char* get_type_name() const override { return m_name; }
  const char* get_instance_name() const override { return m_name; }
  int write(const char*) override { return PMC_OK; }

 private:
  const char* m_name;
};

class CPmcNullStandardSink : public CPmcNullSinkBase<IPmcLogSink> {
 public:
  CPmcNullStandardSink() : CPmcNullSinkBase("null_standard") {}
};

class CPmcNullFileSink : public CPmcNullSinkBase<IPmcLogFileSink> {
 public:
  CPmcNullFileSink() : CPmcNullSinkBase("null_file") {}
  bool set_max_size(unsigned) override { return true; }
  int set_path(const char*) override { return PMC_OK; }
};

// ---------------------------------------------------------------------------
// Factories
// ---------------------------------------------------------------------------

class CPmcStandardSinkFactory : public IPmcLogSinkFactory {
 public:
  // Settings are not used by this type.
  IPmcLogSink* create(const char* instance, IPmcLogSettings*) override {
    if (instance == nullptr) return pmc_null_standard_sink();
    IPmcLogSink* sink = pmc_log_new<CPmcStandardSink>(instance);
    return sink != nullptr ? sink : pmc_null_standard_sink();
  }
  const char* get_type_name() const override { return "stdout"; }
};

class CPmcFileSinkFactory : public IPmcLogSinkFactory {
 public:
  IPmcLogSink* create(const char* instance, IPmcLogSettings* settings) override {
    if (instance == nullptr) return pmc_null_file_sink();
    IPmcLogFileSink* sink = pmc_log_new<CPmcFileSink>(instance);
    if (sink == nullptr) return pmc_null_file_sink();
    if (settings == nullptr) return sink;  // path stays empty until set_path
    const char* path = settings->find(PMC_LOG_SETTING_PATH) ? settings->value() : nullptr;
    if (path != nullptr && sink->set_path(path) == PMC_OK) return sink;
    sink->destroy();
    return pmc_null_file_sink();
  }
  const char* get_type_name() const override { return "file"; }
};

}  // namespace

IPmcLogSinkFactory* pmc_log_stdout_factory() { return &pmc_log_immortal<CPmcStandardSinkFactory>(); }
IPmcLogSinkFactory* pmc_log_file_factory() { return &pmc_log_immortal<CPmcFileSinkFactory>(); }
IPmcLogSink* pmc_null_standard_sink() { return &pmc_log_immortal<CPmcNullStandardSink>(); }
IPmcLogFileSink* pmc_null_file_sink() { return &pmc_log_immortal<CPmcNullFileSink>(); }
