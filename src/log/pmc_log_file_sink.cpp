#include "log/pmc_log_file_sink.h"

#include <cstdio>
#include <cstring>

#include "base/pmc_result.h"

CPmcFileSink::~CPmcFileSink() { close_file(); }

bool CPmcFileSink::set_max_size(unsigned bytes) {
  std::lock_guard<std::mutex> hold(m_lock);
  m_max_size = bytes;
  return true;
}

int CPmcFileSink::set_path(const char* path) {
  if (path == nullptr) return PMC_E_ARG;
  try {
    std::lock_guard<std::mutex> hold(m_lock);
    m_path = path;
  } catch (...) {
    return PMC_E_NOMEM;
  }
  return PMC_OK;
}

int CPmcFileSink::write(const char* line) {
  if (line == nullptr) return PMC_E_ARG;
  std::lock_guard<std::mutex> hold(m_lock);
  if (m_file == nullptr) {
    int rc = open_for_append();
    if (rc != PMC_OK) return rc;
  }
  // Each line counts as its length plus a two-byte line end.
  const uint64_t need = static_cast<uint64_t>(std::strlen(line)) + 2;
  if (need > m_max_size) return PMC_E_NOVALUE;  // can never fit: keep the file as it is
  if (m_size + need > m_max_size) {
    int rc = rotate_and_reopen();
    if (rc != PMC_OK) return rc;
  }
  // A failed write must not pass for success: report it and start over
  // with a fresh open on the next line.
  if (std::fputs(line, m_file) < 0 || std::fputc('\n', m_file) == EOF ||
      std::fflush(m_file) != 0) {
    close_file();
    return PMC_E_PLATFORM;
  }
  m_size += need;
  return PMC_OK;
}

int CPmcFileSink::open_for_append() {
  if (m_path.empty()) return PMC_E_PLATFORM;
  m_file = std::fopen(m_path.c_str(), "a");
  if (m_file == nullptr) return PMC_E_PLATFORM;
  // Appending to an existing file counts what it already holds.
  long end = std::fseek(m_file, 0, SEEK_END) == 0 ? std::ftell(m_file) : -1;
  m_size = end > 0 ? static_cast<uint64_t>(end) : 0;
  return PMC_OK;
}

// Moves the current file to "<path>.bak" (replacing an older backup) and
// starts an empty file. When the move fails the reopen empties the file in
// place, so the limit still holds.
int CPmcFileSink::rotate_and_reopen() {
  close_file();
  // Only a file that is there replaces the backup: an older backup is not
  // thrown away for nothing.
  if (std::FILE* current = std::fopen(m_path.c_str(), "rb")) {
    std::fclose(current);
    try {
      const std::string backup = m_path + ".bak";
      std::remove(backup.c_str());
      std::rename(m_path.c_str(), backup.c_str());
    } catch (...) {
      // No memory for the backup name: empty the file in place instead.
    }
  }
  m_file = std::fopen(m_path.c_str(), "w");
  if (m_file == nullptr) return PMC_E_PLATFORM;
  m_size = 0;
  return PMC_OK;
}

void CPmcFileSink::close_file() {
  if (m_file != nullptr) std::fclose(m_file);
  m_file = nullptr;
}
