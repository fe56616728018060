// The layout of a log line: header fields, level words, indent, cuts.
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

#include "log/pmc_log_line.h"
#include "log_test_support.h"

namespace {

using log_test::CaptureSink;

// Field positions of the header with every option on.
constexpr size_t kTimeAt = 0, kPidAt = 25, kTidAt = 35, kNameAt = 45, kLevelAt = 63, kTextAt = 70;

std::string right_aligned(long value) {
  std::string digits = std::to_string(value);
  return std::string(8 - digits.size(), ' ') + digits;
}

// True when `text` follows `shape`, where '9' stands for any decimal digit,
// 'F' for any upper-case hexadecimal digit and every other character for
// itself.
bool has_shape(const std::string& text, const std::string& shape) {
  if (text.size() != shape.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    if (shape[i] == '9' ? !digit : shape[i] == 'F' ? !(digit || (c >= 'A' && c <= 'F')) : c != shape[i])
      return false;
  }
  return true;
}

long thread_id() { return static_cast<long>(syscall(SYS_gettid)); }

int vlog_null_format(IPmcLogger* logger, unsigned level, ...) {
  va_list args;
  va_start(args, level);
  int rc = logger->vlog(level, nullptr, args);
  va_end(args);
  return rc;
}

class LineFormat : public log_test::LogTest {
 protected:
  // The category `name` with the capture sink and every level on.
  IPmcLogger* configured(const char* name = "snmp") {
    IPmcLogger* logger = category(name);
    EXPECT_EQ(logger->add_sink(&m_sink), 0);
    EXPECT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
    return logger;
  }
  CaptureSink m_sink;
};

TEST_F(LineFormat, FullHeaderHasTimeIdsNameAndLevel) {
  IPmcLogger* logger = configured();
  ASSERT_EQ(logger->log(PMC_LOG_ERROR, "decode error: %s.", "unknown pdu type"), 0);
  const std::string line = m_sink.last();
  ASSERT_EQ(line.size(), kTextAt + 31);
  EXPECT_TRUE(has_shape(line.substr(kTimeAt, 23), "9999/99/99 99:99:99:999")) << line;
  EXPECT_EQ(line.substr(kPidAt, 8), right_aligned(getpid()));
  EXPECT_EQ(line.substr(kTidAt, 8), right_aligned(thread_id()));
  EXPECT_EQ(line.substr(kNameAt, 16), "snmp            ");
  EXPECT_EQ(line.substr(kLevelAt), "Error, decode error: unknown pdu type.");
  for (size_t comma : {size_t{23}, size_t{33}, size_t{43}, size_t{61}})
    EXPECT_EQ(line.substr(comma, 2), ", ") << "at " << comma;
}

TEST_F(LineFormat, OptionSwitchedOffLeavesItsWidthInSpaces) {
  IPmcLogger* logger = configured();
  const std::string blank_time(23, ' '), blank_id(8, ' ');
  ASSERT_EQ(logger->set_options(0), 0);
  logger->log(PMC_LOG_WARN, "w");
  EXPECT_EQ(m_sink.last(), blank_time + ", " + blank_id + ", " + blank_id + ", " +
                               "snmp            , Warn , w");

  ASSERT_EQ(logger->set_options(PMC_LOG_OPT_PROCESS), 0);
  logger->log(PMC_LOG_WARN, "w");
  EXPECT_EQ(m_sink.last().substr(0, kNameAt),
            blank_time + ", " + right_aligned(getpid()) + ", " + blank_id + ", ");

  ASSERT_EQ(logger->set_options(PMC_LOG_OPT_THREAD), 0);
  logger->log(PMC_LOG_WARN, "w");
  EXPECT_EQ(m_sink.last().substr(0, kNameAt),
            blank_time + ", " + blank_id + ", " + right_aligned(thread_id()) + ", ");

  ASSERT_EQ(logger->set_options(PMC_LOG_OPT_TIME), 0);
  logger->log(PMC_LOG_WARN, "w");
  const std::string line = m_sink.last();
  EXPECT_NE(line.substr(0, 23), blank_time);
  EXPECT_EQ(line.substr(23, kNameAt - 23), ", " + blank_id + ", " + blank_id + ", ");
}

TEST_F(LineFormat, RadixSixteenShowsEightUpperCaseHexDigits) {
  IPmcLogger* logger = configured();
  ASSERT_EQ(logger->set_radix(16), 0);
  logger->log(PMC_LOG_INFO, "x");
  const std::string line = m_sink.last();
  const std::string pid = line.substr(kPidAt, 8), tid = line.substr(kTidAt, 8);
  EXPECT_TRUE(has_shape(pid, "FFFFFFFF")) << pid;
  EXPECT_TRUE(has_shape(tid, "FFFFFFFF")) << tid;
  EXPECT_EQ(std::stol(pid, nullptr, 16), static_cast<long>(getpid()));
  EXPECT_EQ(std::stol(tid, nullptr, 16), thread_id());
  // Process ids stay far below 0x10000000: the field starts with zeros.
  EXPECT_EQ(pid[0], '0');
}

TEST_F(LineFormat, NameIsCutOrPaddedToSixteen) {
  IPmcLogger* logger = configured("a-very-long-category-name");
  logger->log(PMC_LOG_INFO, "x");
  EXPECT_EQ(m_sink.last().substr(kNameAt, 18), "a-very-long-cate, ");
  IPmcLogger* shorter = configured("x");
  shorter->log(PMC_LOG_INFO, "x");
  EXPECT_EQ(m_sink.last().substr(kNameAt, 18), "x               , ");
}

TEST_F(LineFormat, LevelWords) {
  IPmcLogger* logger = configured();
  const std::pair<unsigned, const char*> words[] = {
      {PMC_LOG_ERROR, "Error, "}, {PMC_LOG_WARN, "Warn , "},  {PMC_LOG_INFO, "Info , "},
      {PMC_LOG_DEBUG, "Debug, "}, {PMC_LOG_TRACE, "Trace, "}, {PMC_LOG_ALL, "All  , "},
  };
  for (const auto& [level, word] : words) {
    logger->log(level, "m");
    EXPECT_EQ(m_sink.last().substr(kLevelAt), std::string(word) + "m") << level;
  }
  // A value outside the table passes the mask but has no level word.
  logger->log(PMC_LOG_ERROR | PMC_LOG_WARN, "m");
  EXPECT_EQ(m_sink.last().substr(kLevelAt - 2), ", m");
}

TEST_F(LineFormat, AllLevelPassesAnyNonZeroMask) {
  IPmcLogger* logger = configured();
  logger->set_level_mask(PMC_LOG_ERROR);
  logger->log(PMC_LOG_WARN, "hidden");
  logger->log(PMC_LOG_ALL, "shown");
  ASSERT_EQ(m_sink.lines().size(), 1u);
  EXPECT_EQ(m_sink.last().substr(kLevelAt), "All  , shown");
}

TEST_F(LineFormat, IndentAddsFourSpacesPerStep) {
  IPmcLogger* logger = configured();
  ASSERT_EQ(logger->set_indent(2), 0);
  EXPECT_EQ(logger->get_indent(), 2u);
  logger->log(PMC_LOG_INFO, "m");
  EXPECT_EQ(m_sink.last().substr(kTextAt), "        m");
  // A huge depth fills the line with spaces and stops at the limit.
  logger->set_indent(0x40000000u);
  logger->log(PMC_LOG_INFO, "m");
  EXPECT_EQ(m_sink.last(), m_sink.last().substr(0, kTextAt) + std::string(1024 - kTextAt, ' '));
}

TEST_F(LineFormat, LongMessageIsCutToExactly1024) {
  IPmcLogger* logger = configured();
  const std::string fits(1024 - kTextAt, 'a');
  logger->log(PMC_LOG_INFO, "%s", fits.c_str());
  EXPECT_EQ(m_sink.last().size(), 1024u);
  EXPECT_EQ(m_sink.last().substr(kTextAt), fits);

  const std::string too_long(3000, 'b');
  logger->log(PMC_LOG_INFO, "%s", too_long.c_str());
  EXPECT_EQ(m_sink.last().size(), 1024u);
  EXPECT_EQ(m_sink.last().substr(kTextAt), std::string(1024 - kTextAt, 'b'));
}

TEST_F(LineFormat, NullFormatWritesNotice) {
  IPmcLogger* logger = configured();
  ASSERT_EQ(vlog_null_format(logger, PMC_LOG_ERROR, 42), 0);
  EXPECT_EQ(m_sink.last().substr(kLevelAt), "Error, (client was about to output null message...)");
}

TEST(LineBuilder, ExtraArgumentsAreIgnored) {
  // The interface layer passes the failing code after a format without
  // conversions: only the text of the failed call appears.
  PmcLogLineBuffer line;
  const PmcLogLineSettings settings{0, 10, 0};
  auto build = [&](const char* format, ...) {
    va_list args;
    va_start(args, format);
    size_t n = pmc_log_build_line(line, "PSW", PMC_LOG_ERROR, settings, format, args);
    va_end(args);
    return n;
  };
  const std::string text = "pGetData->get_data()";
  size_t n = build(text.c_str(), -203);
  EXPECT_EQ(std::string(line, n).substr(kLevelAt), "Error, " + text);
  EXPECT_EQ(std::string(line).size(), n);
}

}  // namespace
