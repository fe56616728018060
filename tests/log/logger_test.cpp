// Category loggers, the "All" group, the null logger, and the manager's
// category operations.
#include <string>
#include <vector>

#include "log/pmc_log.h"

#include "log/pmc_log_manager.h"
#include "log_test_support.h"

namespace psw_trace_test {

// A member function traced under its own name, as the library's are.
struct Widget {
  int turn(int (*callback)(int), const char* why) {
    PMC_TRACE_FUNCTION(g_logPsw);
    (void)why;
    return callback != nullptr ? callback(1) : 0;
  }
};

}  // namespace psw_trace_test

namespace {

using log_test::CaptureSink;

TEST(FunctionName, IsTheQualifiedNameWithoutReturnTypeOrParameters) {
  EXPECT_STREQ(pmc_function_name("int NPmcSocketAPI::set_api(void*)").text, "NPmcSocketAPI::set_api");
  EXPECT_STREQ(pmc_function_name("CPSWDiscovery::CPSWDiscovery()").text, "CPSWDiscovery::CPSWDiscovery");
  EXPECT_STREQ(pmc_function_name("static int X::f(int (*)(int))").text, "X::f");
  EXPECT_STREQ(pmc_function_name("").text, "");
}

using Logger = log_test::LogTest;

TEST_F(Logger, MaskFiltersLevels) {
  CaptureSink sink;
  IPmcLogger* logger = category("PSW");
  logger->add_sink(&sink);
  EXPECT_EQ(logger->log(PMC_LOG_ERROR, "fresh"), 0);
  EXPECT_TRUE(sink.lines().empty());
  ASSERT_EQ(logger->set_level_mask(PMC_LOG_ERROR), 0);
  EXPECT_EQ(logger->get_level_mask(), unsigned(PMC_LOG_ERROR));
  logger->log(PMC_LOG_WARN, "warn");
  logger->log(PMC_LOG_TRACE, "trace");
  logger->log(PMC_LOG_ERROR, "error");
  ASSERT_EQ(sink.lines().size(), 1u);
  EXPECT_NE(sink.last().find("Error, error"), std::string::npos);
}

TEST_F(Logger, GroupSettingsReachExistingAndLaterCategories) {
  IPmcLogger* early = category("early");
  IPmcLogger* all = category("All");
  ASSERT_EQ(all->set_level_mask(7), 0);
  ASSERT_EQ(all->set_options(PMC_LOG_OPT_THREAD), 0);
  ASSERT_EQ(all->set_radix(16), 0);
  ASSERT_EQ(all->set_indent(3), 0);
  IPmcLogger* late = category("late");
  for (IPmcLogger* logger : {early, late, all}) {
    EXPECT_EQ(logger->get_level_mask(), 7u) << logger->get_name();
    EXPECT_EQ(logger->get_options(), unsigned(PMC_LOG_OPT_THREAD)) << logger->get_name();
    EXPECT_EQ(logger->get_radix(), 16) << logger->get_name();
    EXPECT_EQ(logger->get_indent(), 3u) << logger->get_name();
  }
  // A change on one category stays there.
  early->set_level_mask(1);
  EXPECT_EQ(late->get_level_mask(), 7u);
  EXPECT_EQ(all->get_level_mask(), 7u);
}

TEST_F(Logger, GroupSinksReachExistingAndLaterCategories) {
  CaptureSink sink, same_name;
  IPmcLogger* early = category("early");
  IPmcLogger* all = category("All");
  all->set_level_mask(PMC_LOG_ALL);
  ASSERT_EQ(all->add_sink(&sink), 0);
  ASSERT_EQ(all->add_sink(&same_name), 0);  // same instance name: ignored
  IPmcLogger* late = category("late");
  early->log(PMC_LOG_INFO, "from early");
  late->log(PMC_LOG_INFO, "from late");
  EXPECT_EQ(sink.lines().size(), 2u);
  EXPECT_TRUE(same_name.lines().empty());
}

TEST_F(Logger, SameSinkNameAttachesOnce) {
  CaptureSink first("dup"), second("dup"), other("other");
  IPmcLogger* logger = category("snmp");
  logger->set_level_mask(PMC_LOG_ALL);
  EXPECT_EQ(logger->add_sink(&first), 0);
  EXPECT_EQ(logger->add_sink(&first), 0);
  EXPECT_EQ(logger->add_sink(&second), 0);
  EXPECT_EQ(logger->add_sink(&other), 0);
  EXPECT_EQ(logger->add_sink(nullptr), -2);
  EXPECT_EQ(category("All")->add_sink(nullptr), -2);
  logger->log(PMC_LOG_INFO, "once");
  EXPECT_EQ(first.lines().size(), 1u);
  EXPECT_TRUE(second.lines().empty());
  EXPECT_EQ(other.lines().size(), 1u);
}

TEST_F(Logger, EverySinkIsWrittenAndLastFailureReturned) {
  CaptureSink failing("a"), healthy("b"), failing_late("c");
  IPmcLogger* logger = category("snmp");
  logger->set_level_mask(PMC_LOG_ALL);
  logger->add_sink(&failing);
  logger->add_sink(&healthy);
  failing.fail_with(-7);
  EXPECT_EQ(logger->log(PMC_LOG_INFO, "x"), -7);
  logger->add_sink(&failing_late);
  failing_late.fail_with(-10);
  EXPECT_EQ(logger->log(PMC_LOG_INFO, "y"), -10);
  EXPECT_EQ(failing.lines().size(), 2u);
  EXPECT_EQ(healthy.lines().size(), 2u);
}

TEST_F(Logger, RadixAcceptsOnlyTenAndSixteen) {
  IPmcLogger* logger = category("snmp");
  EXPECT_EQ(logger->get_radix(), 10);
  EXPECT_EQ(logger->set_radix(8), -2);
  EXPECT_EQ(logger->get_radix(), 10);
  EXPECT_EQ(logger->set_radix(16), 0);
  EXPECT_EQ(logger->set_radix(0), -2);
  EXPECT_EQ(logger->get_radix(), 16);
  // The group stores any radix; each member keeps what it accepts.
  IPmcLogger* all = category("All");
  EXPECT_EQ(all->set_radix(8), 0);
  EXPECT_EQ(all->get_radix(), 8);
  EXPECT_EQ(logger->get_radix(), 16);
  EXPECT_EQ(category("later")->get_radix(), 10);
}

TEST_F(Logger, GroupRefusesToLog) {
  CaptureSink sink;
  IPmcLogger* all = category("All");
  EXPECT_STREQ(all->get_name(), "All");
  all->add_sink(&sink);
  all->set_level_mask(PMC_LOG_ALL);
  EXPECT_EQ(all->log(PMC_LOG_ERROR, "x"), -6);
  EXPECT_EQ(pmc_log("All", PMC_LOG_ERROR, "x"), -6);
  EXPECT_TRUE(sink.lines().empty());
}

TEST_F(Logger, FindGroupCodes) {
  int err = 0;
  IPmcLogGroup* group = manager()->find_group(nullptr, &err);
  EXPECT_EQ(err, -2);
  ASSERT_NE(group, nullptr);
  EXPECT_STREQ(group->get_name(), "null_session");

  EXPECT_EQ(manager()->find_group("snmp", &err), nullptr);
  EXPECT_EQ(err, -6);  // not created by a look-up
  category("snmp");
  EXPECT_EQ(manager()->find_group("snmp", &err), nullptr);
  EXPECT_EQ(err, -1);

  group = manager()->find_group2("All", &err);
  EXPECT_EQ(err, 0);
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(static_cast<IPmcLogger*>(group), category("All"));
  EXPECT_EQ(manager()->find_group("all", &err), nullptr);  // byte-wise
  EXPECT_EQ(err, -6);
}

TEST_F(Logger, GetLoggerCreatesOnceAndTakesExtraSinkOnlyWhenNew) {
  CaptureSink extra("extra"), ignored("ignored");
  int err = -1;
  IPmcLogger* logger = manager()->get_logger("fresh", &extra, &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(manager()->get_logger("fresh", &ignored, &err), logger);
  logger->set_level_mask(PMC_LOG_ALL);
  logger->log(PMC_LOG_INFO, "x");
  EXPECT_EQ(extra.lines().size(), 1u);
  EXPECT_TRUE(ignored.lines().empty());

  IPmcLogger* null_logger = manager()->get_logger(nullptr, &err);
  EXPECT_EQ(err, -2);
  ASSERT_NE(null_logger, nullptr);
  EXPECT_STREQ(null_logger->get_name(), "null_session");
}

TEST_F(Logger, ResetAllRestoresTheDefaultGroup) {
  CaptureSink sink;
  IPmcLogger* all = category("All");
  all->add_sink(&sink);
  all->set_level_mask(PMC_LOG_ALL);
  all->set_options(0);
  all->set_radix(16);
  all->set_indent(2);
  category("snmp");
  manager()->reset_all();
  EXPECT_EQ(category("All"), all);
  EXPECT_EQ(all->get_level_mask(), 0u);
  EXPECT_EQ(all->get_options(), 7u);
  EXPECT_EQ(all->get_radix(), 10);
  EXPECT_EQ(all->get_indent(), 0u);
  int err = 0;
  EXPECT_EQ(manager()->find_group("snmp", &err), nullptr);
  EXPECT_EQ(err, -6);
  // The group's sink is gone too: a new category writes nowhere.
  IPmcLogger* fresh = category("snmp");
  fresh->set_level_mask(PMC_LOG_ALL);
  fresh->log(PMC_LOG_ERROR, "x");
  EXPECT_TRUE(sink.lines().empty());
}

TEST_F(Logger, GroupMembership) {
  CaptureSink sink;
  IPmcLogger* all = category("All");
  auto* group = dynamic_cast<IPmcLogGroup*>(all);
  ASSERT_NE(group, nullptr);
  IPmcLogger* logger = category("member");
  EXPECT_EQ(group->add_member(logger), 0);  // already a member
  EXPECT_EQ(group->add_member(all), -2);    // never its own member
  EXPECT_EQ(group->remove_member(logger), logger);
  EXPECT_EQ(group->remove_member(logger), nullptr);
  all->set_level_mask(PMC_LOG_ALL);
  EXPECT_EQ(logger->get_level_mask(), 0u);  // no longer follows the group
  all->add_sink(&sink);
  EXPECT_EQ(group->add_member(logger), 0);  // joining copies settings and sinks
  EXPECT_EQ(logger->get_level_mask(), unsigned(PMC_LOG_ALL));
  logger->log(PMC_LOG_INFO, "x");
  EXPECT_EQ(sink.lines().size(), 1u);
}

TEST_F(Logger, TracedFunctionEntersAndExitsUnderItsQualifiedName) {
  CaptureSink sink;
  IPmcLogger* logger = category("PSW");
  logger->add_sink(&sink);
  ASSERT_EQ(logger->set_level_mask(PMC_LOG_TRACE), 0);
  psw_trace_test::Widget widget;
  EXPECT_EQ(widget.turn([](int x) { return x + 1; }, "test"), 2);
  std::vector<std::string> lines = sink.lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("Trace, [psw_trace_test::Widget::turn] enter."), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("Trace, [psw_trace_test::Widget::turn] exit."), std::string::npos) << lines[1];
}

}  // namespace
