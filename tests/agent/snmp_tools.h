// Net-SNMP's command-line tools (snmpget, snmpgetnext, snmpwalk, snmpset,
// snmpbulkget, snmpbulkwalk),
// run hermetically: no MIB files, no configuration but their own options,
// their persistent state in a private directory. Output lines use numeric
// OIDs ("-On"): ".1.3.6.1.2.1.1.5.0 = STRING: \"name\"".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/child_process.h"

namespace psw_test {

class TempDir;

class SnmpTools {
 public:
  SnmpTools();
  ~SnmpTools();

  // Runs /usr/bin/`tool` with "-On -M /nonexistent -m '' -t 1 -r 1" and then
  // `args` (later options win), inside `netns` when given.
  CommandResult run(const std::string& tool, const std::vector<std::string>& args, const std::string& netns = "");

 private:
  std::unique_ptr<TempDir> dir_;
};

// One line of a tool's output that names an object:
// ".1.3.6.1.2.1.1.5.0 = STRING: \"name\"" gives oid "1.3.6.1.2.1.1.5.0" and
// text "STRING: \"name\"" (an exception value's text is the tool's wording,
// "No more variables left in this MIB View ...").
struct ToolLine {
  std::string oid;
  std::string text;
};
std::vector<ToolLine> object_lines(const std::string& output);

}  // namespace psw_test
