// The manual page against the tool: every exit status it lists is the one
// the tool gives for the result codes it names there.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <cctype>
#include <sstream>

#include "pswctl_names.h"

namespace {

std::string manual() {
  std::ifstream in(PSWCTL_MANUAL);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The result code of a name, from the names the tool prints.
int32_t code_of(const std::string& name) {
  for (int32_t code = -1000; code <= 0; ++code)
    if (pswctl::result_code_name(code) == name) return code;
  ADD_FAILURE() << "the manual names a code the library does not: " << name;
  return 1;
}

TEST(Manual, ExitStatusesMatchTheCodesTheyName) {
  const std::string page = manual();
  const size_t start = page.find(".SH EXIT STATUS");
  const size_t end = page.find(".SH", start + 1);
  ASSERT_NE(start, std::string::npos);
  const std::string section = page.substr(start, end - start);

  // Entries ".TP 4 / .B N / text", up to the next entry.
  const std::string marker = ".TP 4\n.B ";
  std::map<int, std::string> entries;
  for (size_t at = section.find(marker); at != std::string::npos;) {
    const size_t number = at + marker.size();
    const size_t text = section.find('\n', number);
    ASSERT_NE(text, std::string::npos);
    const size_t next = section.find(".TP", text);
    entries[std::stoi(section.substr(number, text - number))] =
        section.substr(text + 1, next == std::string::npos ? std::string::npos : next - text - 1);
    at = next == std::string::npos ? next : section.find(marker, next);
  }
  for (int status = pswctl::kExitOk; status <= pswctl::kExitBadAnswer; ++status)
    EXPECT_EQ(entries.count(status), 1u) << "exit status " << status << " is not in the manual";
  EXPECT_EQ(entries.size(), static_cast<size_t>(pswctl::kExitBadAnswer + 1));

  // Every PSW_ERR_ name in an entry.
  int named = 0;
  for (const auto& [status, text] : entries) {
    for (size_t at = text.find("PSW_ERR_"); at != std::string::npos; at = text.find("PSW_ERR_", at + 1)) {
      size_t end = at + 8;
      while (end < text.size() && (std::isupper(static_cast<unsigned char>(text[end])) || text[end] == '_')) ++end;
      ++named;
      EXPECT_EQ(pswctl::exit_status(code_of(text.substr(at, end - at))), status) << text.substr(at, end - at);
    }
  }
  EXPECT_GT(named, 10);
}

}  // namespace
