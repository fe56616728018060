// The file sink: appends lines to a file, opened lazily on the first write,
// and keeps it below a size limit by moving it to "<path>.bak" (one backup
// generation) and starting a new file.
//
// Size accounting counts each line as its length plus two (a line and a
// two-byte line end), although the line end written is a single "\n"; the
// limits therefore behave the same on every platform.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

#include "log/pmc_log_sink.h"

class CPmcFileSink : public virtual IPmcLogFileSink {
 public:
  static constexpr uint64_t kDefaultMaxSize = 4194304;  // 4 MiB

  explicit CPmcFileSink(const char* instance) : m_instance(instance) {}

  void destroy() override { delete this; }
  const char* get_type_name() const override { return "file"; }
  const char* get_instance_name() const override { return m_instance.c_str(); }
  // 0; -10 when the file cannot be opened or written (nothing stays open,
  // the next write tries again); -7 when the line can never fit the limit.
  int write(const char* line) override;
  bool set_max_size(unsigned bytes) override;
  // Stores the path. An open file stays open until the next rotation, which
  // moves and reopens under the new path.
  int set_path(const char* path) override;

 private:
  ~CPmcFileSink() override;

  int open_for_append();
  int rotate_and_reopen();
  void close_file();

  std::string m_instance;
  std::string m_path;
  FILE* m_file = nullptr;
  uint64_t m_max_size = kDefaultMaxSize;
  uint64_t m_size = 0;  // bytes in the current file as this sink counts them
  std::mutex m_lock;
};
