// The static category handles, pmc_log, trace scopes, and the safety of
// cached loggers across reset_all and process exit.
#include <cstdlib>

#include "log/pmc_log.h"
#include "log/pmc_log_file_sink.h"
#include "log_test_support.h"

namespace {

using log_test::CaptureSink;
using log_test::read_lines;
using log_test::TempDir;

using Category = log_test::LogTest;

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST_F(Category, StaticHandlesNameTheirCategories) {
  EXPECT_STREQ(g_logSocket.name(), "socket");
  EXPECT_STREQ(g_logSnmp.name(), "snmp");
  EXPECT_EQ(g_logSnmp.logger(), category("snmp"));
  EXPECT_EQ(g_logSocket.logger(), category("socket"));
  EXPECT_STREQ(g_logSocket.logger()->get_name(), "socket");
}

TEST_F(Category, FreshCategoryWritesNothing) {
  CaptureSink sink;
  IPmcLogger* logger = g_logSnmp.logger();
  EXPECT_EQ(logger->get_level_mask(), 0u);
  ASSERT_EQ(logger->add_sink(&sink), 0);
  EXPECT_EQ(logger->log(PMC_LOG_ERROR, "x"), 0);
  EXPECT_EQ(pmc_log("snmp", PMC_LOG_ERROR, "x"), 0);
  EXPECT_TRUE(sink.lines().empty());
}

TEST_F(Category, PmcLogLooksCategoryUpByName) {
  CaptureSink sink;
  IPmcLogger* logger = category("PSW");
  logger->add_sink(&sink);
  logger->set_level_mask(PMC_LOG_ERROR);
  EXPECT_EQ(pmc_log("PSW", PMC_LOG_ERROR, "pmc_create_get_data()"), 0);
  EXPECT_EQ(pmc_log("PSW", PMC_LOG_DEBUG, "masked"), 0);
  ASSERT_EQ(sink.lines().size(), 1u);
  EXPECT_TRUE(ends_with(sink.last(), "PSW             , Error, pmc_create_get_data()")) << sink.last();
  EXPECT_EQ(pmc_log(nullptr, PMC_LOG_ERROR, "x"), -2);
  // The result of the sink comes back to the caller.
  sink.fail_with(-10);
  EXPECT_EQ(pmc_log("PSW", PMC_LOG_ERROR, "x"), -10);
}

TEST_F(Category, TraceScopeWritesEnterAndExit) {
  CaptureSink sink;
  IPmcLogger* logger = g_logSocket.logger();
  logger->add_sink(&sink);
  logger->set_level_mask(PMC_LOG_TRACE);
  {
    CPmcTraceScope trace("NPmcSocketAPI::set_api", logger);
    logger->log(PMC_LOG_TRACE, "inside");
  }
  auto lines = sink.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(ends_with(lines[0], "Trace, [NPmcSocketAPI::set_api] enter."));
  EXPECT_TRUE(ends_with(lines[1], "Trace, inside"));
  EXPECT_TRUE(ends_with(lines[2], "Trace, [NPmcSocketAPI::set_api] exit."));
  // A null logger or label does not crash.
  CPmcTraceScope none("x", nullptr);
  CPmcTraceScope unnamed(nullptr, logger);
}

// The handle's cached logger must not outlive a reset_all: afterwards it
// logs through the new category and follows its settings.
TEST_F(Category, HandleFollowsResetAll) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  const std::string path = dir.file("snmp.log");
  auto configure = [&] {
    IPmcLogSink* sink = manager()->create_sink("file", "snmp-file");
    auto* file = dynamic_cast<IPmcLogFileSink*>(sink);
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(file->set_path(path.c_str()), 0);
    IPmcLogger* logger = category("snmp");
    ASSERT_EQ(logger->add_sink(sink), 0);
    ASSERT_EQ(logger->set_level_mask(PMC_LOG_ALL), 0);
  };
  configure();
  IPmcLogger* before = g_logSnmp.logger();
  ASSERT_EQ(before->log(PMC_LOG_INFO, "first"), 0);
  // A trace scope alive across the reset keeps a logger that must stay valid.
  auto* scope = new CPmcTraceScope("RequestSession::send_sync", before);

  manager()->reset_all();
  IPmcLogger* after = g_logSnmp.logger();
  EXPECT_EQ(after->get_level_mask(), 0u);
  EXPECT_EQ(after->log(PMC_LOG_ERROR, "muted"), 0);
  EXPECT_EQ(before->log(PMC_LOG_ERROR, "stale"), 0);
  delete scope;  // its exit line goes nowhere
  ASSERT_EQ(read_lines(path).size(), 2u);  // "first" and the scope's enter

  configure();
  EXPECT_EQ(g_logSnmp.logger()->log(PMC_LOG_INFO, "second"), 0);
  EXPECT_EQ(before->log(PMC_LOG_ERROR, "stale again"), 0);
  auto lines = read_lines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_TRUE(ends_with(lines[0], "Info , first"));
  EXPECT_TRUE(ends_with(lines[1], "Trace, [RequestSession::send_sync] enter."));
  EXPECT_TRUE(ends_with(lines[2], "Info , second"));
}

TEST_F(Category, RetiredLoggerRefusesSinks) {
  IPmcLogger* before = category("socket");
  manager()->reset_all();
  CaptureSink sink;
  EXPECT_EQ(before->add_sink(&sink), -6);
  before->set_level_mask(PMC_LOG_ALL);
  EXPECT_EQ(before->log(PMC_LOG_ERROR, "x"), 0);
  EXPECT_TRUE(sink.lines().empty());
  EXPECT_NE(category("socket"), before);
}

// Logging from a static destructor still works: the manager is never
// destroyed. This object is built during static initialisation, before the
// manager exists, so it is destroyed after anything the manager could have
// registered for exit. It writes only when a test configured "snmp".
struct LogsWhenDestroyed {
  ~LogsWhenDestroyed() { g_logSnmp.logger()->log(PMC_LOG_ERROR, "from a static destructor"); }
} g_logs_when_destroyed;

TEST_F(Category, LoggingDuringStaticDestructionIsSafe) {
  TempDir dir;
  ASSERT_TRUE(dir.ok());
  // Where death tests run the test again in a new process (Windows), that
  // process makes a directory of its own: it writes where the parent reads,
  // told through the environment it inherits.
  const char* inherited = std::getenv("PSW_TEST_EXIT_LOG");
  const std::string path = inherited != nullptr ? std::string(inherited) : dir.file("exit.log");
#ifdef _WIN32
  _putenv_s("PSW_TEST_EXIT_LOG", path.c_str());
#else
  setenv("PSW_TEST_EXIT_LOG", path.c_str(), 1);
#endif
  EXPECT_EXIT(
      {
        IPmcLogSink* sink = manager()->create_sink("file", "exit-file");
        auto* file = dynamic_cast<IPmcLogFileSink*>(sink);
        file->set_path(path.c_str());
        g_logSnmp.logger()->add_sink(sink);
        g_logSnmp.logger()->set_level_mask(PMC_LOG_ERROR);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  auto lines = read_lines(path);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_TRUE(ends_with(lines[0], "Error, from a static destructor"));
}

}  // namespace
