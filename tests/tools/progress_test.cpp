// The progress line: drawn only when enabled, counts down, and is wiped.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pswctl_progress.h"

namespace pswctl {
namespace {

std::string contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  std::string text;
  int c;
  while ((c = std::fgetc(f)) != EOF) text += static_cast<char>(c);
  return text;
}

TEST(Progress, DisabledDrawsNothing) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  {
    Progress p(false, f);
    p.countdown("searching", std::chrono::milliseconds(1000));
    p.step("reading toners");
    p.clear();
  }
  EXPECT_EQ(contents(f), "");
  std::fclose(f);
}

TEST(Progress, CountdownShowsTimeLeftAndIsWipedAtTheEnd) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  {
    Progress p(true, f);
    p.countdown("searching", std::chrono::milliseconds(3000));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    p.step("reading toners");
  }
  const std::string text = contents(f);
  EXPECT_NE(text.find("\rsearching: 3.0 s left"), std::string::npos) << text;
  EXPECT_NE(text.find("s left"), text.rfind("s left")) << "redrawn while waiting: " << text;
  EXPECT_NE(text.find("reading toners"), std::string::npos) << text;
  // The last thing drawn is a blank line ending in a carriage return.
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\r');
  const size_t last = text.rfind('\r', text.size() - 2);
  EXPECT_EQ(text.substr(last + 1, text.size() - last - 2).find_first_not_of(' '), std::string::npos) << text;
  std::fclose(f);
}

}  // namespace
}  // namespace pswctl
