#include "agent/snmp_tools.h"

#include <sstream>

#include "agent/temp_dir.h"

namespace psw_test {

SnmpTools::SnmpTools() : dir_(std::make_unique<TempDir>("psw-snmptools")) {}

SnmpTools::~SnmpTools() = default;

CommandResult SnmpTools::run(const std::string& tool, const std::vector<std::string>& args, const std::string& netns) {
  std::vector<std::string> argv = {"/usr/bin/" + tool, "-On", "-M", "/nonexistent", "-m", "", "-t", "1", "-r", "1"};
  argv.insert(argv.end(), args.begin(), args.end());
  return run_command(argv, std::chrono::milliseconds(15000), netns,
                     {"MIBS=", "SNMP_PERSISTENT_DIR=" + dir_->path(), "SNMPCONFPATH=" + dir_->path(),
                      "HOME=" + dir_->path()});
}

std::vector<ToolLine> object_lines(const std::string& output) {
  std::vector<ToolLine> lines;
  std::istringstream in(output);
  std::string line;
  while (std::getline(in, line)) {
    size_t equals = line.find(" = ");
    if (line.empty() || line[0] != '.' || equals == std::string::npos) continue;
    lines.push_back({line.substr(1, equals - 1), line.substr(equals + 3)});
  }
  return lines;
}

}  // namespace psw_test
