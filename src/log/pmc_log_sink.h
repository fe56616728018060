// Log sinks: the objects that receive finished log lines and put them
// somewhere, their factories, and the settings a factory may read.
//
//   "stdout": CPmcStandardSink prints each line to standard output.
//   "file":   CPmcFileSink appends to a file kept below a size limit by
//             moving it to "<path>.bak" (log/pmc_log_file_sink.h).
//
// Each kind has a static null sink ("null_standard", "null_file") that
// accepts every call and writes nothing; it is handed out whenever a real
// sink cannot be made, so callers never receive a null sink.
#pragma once

#include <string>

#include "log/pmc_log.h"
#include "log/pmc_log_object.h"

class IPmcLogSink : public virtual IPmcLogObject {
 public:
  // "stdout", "file", "null_standard" or "null_file".
  virtual const char* get_type_name() const = 0;
  // The name the sink was created under (a null sink answers its type name).
  virtual const char* get_instance_name() const = 0;
  // Writes one line (without line end); 0 or a result code.
  virtual int write(const char* line) = 0;
};

// The file sink's own operations (answered by the file sink and the null
// file sink).
class IPmcLogFileSink : public virtual IPmcLogSink {
 public:
  // The size limit in bytes; always true.
  virtual bool set_max_size(unsigned bytes) = 0;
  // The log file's path; -2 for null.
  virtual int set_path(const char* path) = 0;
};

// Settings a configuring caller may hand to a factory: key look-up, then the
// value of the key found last.
class IPmcLogSettings {
 public:
  virtual bool find(const char* key) = 0;
  virtual const char* value() = 0;

 protected:
  virtual ~IPmcLogSettings() = default;
};

// The key whose value the file factory uses as the log file's path.
inline constexpr char PMC_LOG_SETTING_PATH[] = "ExtentionName";

// Makes sinks of one type. `create` never returns null: it answers the
// type's null sink when it cannot make a real one (null instance name, no
// memory, unusable settings).
class IPmcLogSinkFactory {
 public:
  virtual IPmcLogSink* create(const char* instance, IPmcLogSettings* settings) = 0;
  virtual const char* get_type_name() const = 0;

 protected:
  virtual ~IPmcLogSinkFactory() = default;
};

// The standard-output sink. It takes no lock: the writing logger's lock
// serialises the lines of one category, and each line goes out in one
// stdio call.
class CPmcStandardSink : public virtual IPmcLogSink {
 public:
  explicit CPmcStandardSink(const char* instance) : m_instance(instance) {}

  void destroy() override { delete this; }
  const char* get_type_name() const override { return "stdout"; }
  const char* get_instance_name() const override { return m_instance.c_str(); }
  // Prints the line and a line end, then flushes; -10 when either fails.
  int write(const char* line) override;

 private:
  ~CPmcStandardSink() override = default;  // through destroy() only

  std::string m_instance;
};

// The process-wide factories registered with the log manager, and the two
// static null sinks. None of them is ever destroyed.
IPmcLogSinkFactory* pmc_log_stdout_factory();
IPmcLogSinkFactory* pmc_log_file_factory();
IPmcLogSink* pmc_null_standard_sink();
IPmcLogFileSink* pmc_null_file_sink();
