// Helpers of the logging tests: a sink that records lines, a temporary
// directory, and a fixture that leaves the process-wide manager clean.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include "log/pmc_log_manager.h"

namespace log_test {

// Records every line written to it.
class CaptureSink : public virtual IPmcLogSink {
 public:
  explicit CaptureSink(std::string instance = "capture") : m_instance(std::move(instance)) {}

  void destroy() override {}
  const char* get_type_name() const override { return "capture"; }
  const char* get_instance_name() const override { return m_instance.c_str(); }
  int write(const char* line) override {
    std::lock_guard<std::mutex> hold(m_lock);
    m_lines.emplace_back(line);
    return m_result;
  }

  std::vector<std::string> lines() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines;
  }
  std::string last() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_lines.empty() ? std::string() : m_lines.back();
  }
  void fail_with(int code) { m_result = code; }

 private:
  std::string m_instance;
  mutable std::mutex m_lock;
  std::vector<std::string> m_lines;
  int m_result = 0;
};

// A fresh directory under the system's temporary folder, removed with its
// content at the end of the scope.
class TempDir {
 public:
  TempDir() {
    // A name that no other test (or process) uses, made with the standard
    // library so the Windows programs use it too.
    static std::atomic<unsigned> s_count{0};
    std::random_device seed;
    for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt) {
      std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                        ("psw-log-" + std::to_string(seed()) + "-" + std::to_string(s_count++));
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec)) m_path = candidate.string();
    }
  }
  ~TempDir() {
    std::error_code ec;
    if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  bool ok() const { return !m_path.empty(); }
  std::string file(const std::string& name) const { return (std::filesystem::path(m_path) / name).string(); }

 private:
  std::string m_path;
};

inline std::vector<std::string> read_lines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// Every test starts and ends with a manager holding only the default "All"
// group, so settings never leak from one test into another.
class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int err = -1;
    m_manager = pmc_log_manager(&err);
    ASSERT_NE(m_manager, nullptr);
    ASSERT_EQ(err, 0);
    m_manager->reset_all();
  }
  void TearDown() override { m_manager->reset_all(); }

  IPmcLogManager* manager() { return m_manager; }

  // The logger of `name`, which must be a real category.
  IPmcLogger* category(const char* name) {
    int err = -1;
    IPmcLogger* logger = m_manager->get_logger(name, &err);
    EXPECT_EQ(err, 0);
    return logger;
  }

 private:
  IPmcLogManager* m_manager = nullptr;
};

}  // namespace log_test
