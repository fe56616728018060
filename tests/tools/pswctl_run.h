// pswctl run as a program by the tool's tests: inside a named network
// namespace, its standard output and standard error kept apart.
#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <string>
#include <vector>

#include "agent/child_process.h"
#include "agent/snmprec_profile.h"
#include "agent/temp_dir.h"

namespace pswctl_test {

struct ToolRun {
  int exit_code = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs pswctl with `args` inside `netns`.
inline ToolRun pswctl(const std::string& netns, const std::vector<std::string>& args,
                      std::chrono::milliseconds timeout = std::chrono::milliseconds(30000)) {
  psw_test::TempDir dir("pswctl");
  std::vector<std::string> argv = {"/bin/sh", "-c", "f=$1; shift; exec \"$@\" 2>\"$f\"", "sh", dir.file("err"),
                                   PSWCTL_PATH};
  argv.insert(argv.end(), args.begin(), args.end());
  psw_test::CommandResult r = psw_test::run_command(argv, timeout, netns);
  return {r.exit_code, r.output, dir.read("err")};
}

inline nlohmann::json parse(const ToolRun& r) {
  try {
    return nlohmann::json::parse(r.out);
  } catch (const std::exception& e) {
    ADD_FAILURE() << "not JSON: " << e.what() << "\n" << r.out << "\nstderr: " << r.err;
    return nlohmann::json();
  }
}

inline bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

inline std::string first_line(const std::string& text) { return text.substr(0, text.find('\n')); }

// A profile of the tool's own tests (tests/tools/profiles).
inline psw_test::SnmprecProfile tools_profile(const std::string& file) {
  return psw_test::SnmprecProfile::load(std::string(PSW_SOURCE_DIR) + "/tests/tools/profiles/" + file);
}

}  // namespace pswctl_test
