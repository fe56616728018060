// The log manager: the process-wide registry of category loggers, sinks and
// sink factories. This is the configuring side of the facility, used by
// tests and tools; the library itself only logs (log/pmc_log.h).
//
//   int err = 0;
//   IPmcLogManager* manager = pmc_log_manager(&err);
//   IPmcLogSink* out = manager->create_sink("stdout", "console");
//   IPmcLogger* all = manager->get_logger("All", &err);   // the group
//   all->add_sink(out);
//   all->set_level_mask(PMC_LOG_ERROR | PMC_LOG_WARN);    // every category
//
// Lock order: manager, then group, then member logger, then sink.
#pragma once

#include "log/pmc_log.h"
#include "log/pmc_log_sink.h"
#include "log/pmc_logger.h"

class IPmcLogManager {
 public:
  // The logger of category `name`, created on first use with the settings
  // and sinks of the "All" group (which `name` "All" returns). A new
  // category also gets `extra_sink` when given. On failure the code goes to
  // `err` and the null logger is returned, never null.
  virtual IPmcLogger* get_logger(const char* name, IPmcLogSink* extra_sink, int* err) = 0;
  // The group named `name` without creating anything: err -2 and the null
  // logger for a null name; err -6 and null when unknown; err -1 and null
  // for a category that is not a group.
  virtual IPmcLogGroup* find_group(const char* name, int* err) = 0;
  virtual IPmcLogger* get_logger(const char* name, int* err) = 0;
  // A second entry of find_group.
  virtual IPmcLogGroup* find_group2(const char* name, int* err) = 0;
  // The sink of instance `instance`, made by the factory of `type` on first
  // use and owned by the manager. An existing instance of another type
  // gives that factory's null sink; a null type or instance gives the null
  // sink of `type` (of "stdout" when `type` is null); a type without a
  // factory gives null.
  virtual IPmcLogSink* create_sink(const char* type, const char* instance) = 0;
  // The first sink created under `instance`, or the null standard sink
  // (err 0); err -2 and the null standard sink for a null name.
  virtual IPmcLogSink* find_sink(const char* instance, int* err) = 0;
  // Registers a factory (not owned); the first factory of a type wins.
  virtual int add_sink_factory(IPmcLogSinkFactory* factory) = 0;
  // Destroys every sink made by create_sink, takes every category out of
  // service and resets the group: afterwards only "All" exists, with
  // default settings. Loggers handed out before stay valid but write
  // nothing; CPmcLogCategory handles look their category up again.
  virtual void reset_all() = 0;

 protected:
  ~IPmcLogManager() = default;
};

// The process's log manager, created on first use and never destroyed (so
// logging stays safe during static destruction). Null and err -3 only when
// memory runs out while creating it.
IPmcLogManager* pmc_log_manager(int* err);

// Advanced by every reset_all; CPmcLogCategory handles compare it with the
// generation they cached their logger in.
unsigned pmc_log_generation();
