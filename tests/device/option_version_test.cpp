// The firmware version text and the scanner that reads numbers out of
// device texts.
#include <gtest/gtest.h>

#include <cstring>

#include "device/option_test_support.h"
#include "device/psw_dev_comm_option_scan.h"
#include "log/log_test_support.h"

namespace {

using option_test::TestOption;

struct Version {
  int32_t rc, major, minor, revision;
  bool operator==(const Version& o) const {
    return rc == o.rc && major == o.major && minor == o.minor && revision == o.revision;
  }
};
std::ostream& operator<<(std::ostream& os, const Version& v) {
  return os << "{rc " << v.rc << ", " << v.major << "." << v.minor << "." << v.revision << "}";
}

// Parses `text` as the firmware text of a reader whose numbers were 9.9.9.
Version parse(const char* text) {
  TestOption o;
  o.m_nRomVersionMajor = o.m_nRomVersionMinor = o.m_nRomVersionRevision = 9;
  std::strncpy(o.m_szPrinterRomVersion, text, sizeof o.m_szPrinterRomVersion - 1);
  int32_t rc = o.parse_version_value();
  return {rc, o.m_nRomVersionMajor, o.m_nRomVersionMinor, o.m_nRomVersionRevision};
}

TEST(FirmwareVersion, ReadsTheThreeNumbers) {
  EXPECT_EQ(parse("Printer Controller v1.2.3 - Processor"), (Version{0, 1, 2, 3}));
  EXPECT_EQ(parse("Printer Controller v2.31.7 - Processor Quad-Core"), (Version{0, 2, 31, 7}));
  // What follows the third number is not checked, as sscanf would not.
  EXPECT_EQ(parse("Printer Controller v4.0.12"), (Version{0, 4, 0, 12}));
  // White space in the format matches any white space; numbers may have a
  // sign and leading blanks.
  EXPECT_EQ(parse("Printer   Controller\tv 5.-1.+2 - Processor"), (Version{0, 5, -1, 2}));
  EXPECT_EQ(parse("PrinterController v1.2.3"), (Version{0, 1, 2, 3}));
}

TEST(FirmwareVersion, OtherFormsFailAndKeepTheNumbers) {
  const char* const bad[] = {
      "Printer Controller 1.2.3 - Processor",  // no letter before the first number
      "Printer Controller v1.2 - Processor",   // two numbers
      "Printer Controller V1.2.3 - Processor", // case matters
      "printer controller v1.2.3",
      "Controller v1.2.3",
      "Printer Controller v1..3",
      "Printer Controller v99999999999.1.1",   // does not fit 32 bits
      "",
  };
  for (const char* text : bad) EXPECT_EQ(parse(text), (Version{-1, 9, 9, 9})) << text;
}

class FirmwareVersionLog : public log_test::LogTest {};

TEST_F(FirmwareVersionLog, BadTextIsLoggedOnPSWAtErrorLevel) {
  log_test::CaptureSink sink;
  IPmcLogger* psw = category("PSW");
  ASSERT_NE(psw, nullptr);
  ASSERT_EQ(psw->add_sink(&sink), 0);
  ASSERT_EQ(psw->set_level_mask(PMC_LOG_ERROR), 0);
  parse("Printer Controller v1.2.3 - Processor");
  EXPECT_TRUE(sink.lines().empty());
  parse("Printer Controller 1.2.3");
  ASSERT_EQ(sink.lines().size(), 1u);
  EXPECT_NE(sink.last().find("invalid PrinterROMVersion format"), std::string::npos) << sink.last();
}

int scan(const char* text, const char* format, int32_t* values, int count) {
  return psw_scan_numbers(text, format, values, count);
}

TEST(ScanNumbers, MatchesLikeScanfAndStopsAtTheFirstMismatch) {
  int32_t v[3] = {0, 0, 0};
  EXPECT_EQ(scan("Max Impression = 20 (80 pages)", "Max Impression = %d", v, 1), 1);
  EXPECT_EQ(v[0], 20);
  EXPECT_EQ(scan("Max Impression=20", "Max Impression = %d", v, 1), 1);  // spaces match none
  EXPECT_EQ(v[0], 20);
  EXPECT_EQ(scan("Max Impressions = 20", "Max Impression = %d", v, 1), 0);
  EXPECT_EQ(scan("Booklet: Max Impression = 20", "Max Impression = %d", v, 1), 0);
  EXPECT_EQ(scan("Max Impression = ", "Max Impression = %d", v, 1), 0);
  EXPECT_EQ(scan("1.2x", "%d.%d.%d", v, 3), 2);
  EXPECT_EQ(scan("-2147483648 2147483647", "%d %d", v, 2), 2);
  EXPECT_EQ(v[0], INT32_MIN);
  EXPECT_EQ(v[1], INT32_MAX);
  EXPECT_EQ(scan("2147483648", "%d", v, 1), 0);
  EXPECT_EQ(scan("-2147483649", "%d", v, 1), 0);
  EXPECT_EQ(scan("1 2 3", "%d %d %d", v, 2), 2);  // never more than `count`
  EXPECT_EQ(scan(nullptr, "%d", v, 1), 0);
  EXPECT_EQ(scan("1", nullptr, v, 1), 0);
}

}  // namespace
