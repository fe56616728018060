#include "pswctl_logging.h"

#include <cstdio>
#include <string>

#include "log/pmc_log_manager.h"
#include "log/pmc_log_sink.h"

namespace pswctl {
namespace {

// A sink that prints each line to standard error; standard output stays
// free for the tool's own output.
class StderrSink : public virtual IPmcLogSink {
 public:
  explicit StderrSink(const char* instance) : instance_(instance) {}
  void destroy() override { delete this; }
  const char* get_type_name() const override { return "stderr"; }
  const char* get_instance_name() const override { return instance_.c_str(); }
  int write(const char* line) override {
    if (line == nullptr) return PMC_E_ARG;
    return std::fprintf(stderr, "%s\n", line) < 0 ? PMC_E_PLATFORM : PMC_OK;
  }

 private:
  ~StderrSink() override = default;
  std::string instance_;
};

class StderrSinkFactory : public IPmcLogSinkFactory {
 public:
  // Like every factory: a real sink for an instance name, else the static
  // null sink (the manager asks for one on every call and never frees it).
  IPmcLogSink* create(const char* instance, IPmcLogSettings*) override {
    if (instance == nullptr) return pmc_null_standard_sink();
    IPmcLogSink* sink = new (std::nothrow) StderrSink(instance);
    return sink != nullptr ? sink : pmc_null_standard_sink();
  }
  const char* get_type_name() const override { return "stderr"; }
};

}  // namespace

unsigned verbose_level_mask(int count) {
  static const unsigned kMasks[] = {0,
                                    PMC_LOG_ERROR | PMC_LOG_WARN,
                                    PMC_LOG_ERROR | PMC_LOG_WARN | PMC_LOG_INFO,
                                    PMC_LOG_ERROR | PMC_LOG_WARN | PMC_LOG_INFO | PMC_LOG_DEBUG,
                                    PMC_LOG_ALL};
  if (count <= 0) return 0;
  return kMasks[count < 4 ? count : 4];
}

void enable_library_log(int count) {
  if (count <= 0) return;
  int err = 0;
  IPmcLogManager* manager = pmc_log_manager(&err);
  if (manager == nullptr) return;
  static StderrSinkFactory factory;  // registered once, lives for the process
  manager->add_sink_factory(&factory);
  IPmcLogSink* sink = manager->create_sink("stderr", "pswctl");
  IPmcLogger* all = manager->get_logger("All", &err);
  if (sink == nullptr || all == nullptr) return;
  all->add_sink(sink);
  all->set_level_mask(verbose_level_mask(count));
}

}  // namespace pswctl
