// The manual page against the tool: every exit status it lists is the one
// the tool gives for the result codes it names there.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
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
  const std::regex entry(R"(\.TP 4\n\.B (\d+)\n([^.]*(?:\.[^T][^.]*)*))");
  std::map<int, std::string> entries;
  for (auto it = std::sregex_iterator(section.begin(), section.end(), entry); it != std::sregex_iterator(); ++it)
    entries[std::stoi((*it)[1])] = (*it)[2];
  for (int status = pswctl::kExitOk; status <= pswctl::kExitBadAnswer; ++status)
    EXPECT_EQ(entries.count(status), 1u) << "exit status " << status << " is not in the manual";
  EXPECT_EQ(entries.size(), static_cast<size_t>(pswctl::kExitBadAnswer + 1));

  const std::regex name(R"(PSW_ERR_[A-Z_]+)");
  int named = 0;
  for (const auto& [status, text] : entries) {
    for (auto it = std::sregex_iterator(text.begin(), text.end(), name); it != std::sregex_iterator(); ++it) {
      ++named;
      EXPECT_EQ(pswctl::exit_status(code_of(it->str())), status) << it->str();
    }
  }
  EXPECT_GT(named, 10);
}

}  // namespace
