// Runs the C host program (option_c_host.c, built as C against libpsw.so)
// against the simulated office printer, inside the printer's namespace.
#include <gtest/gtest.h>

#include <string>

#include "agent/child_process.h"
#include "device/option_test_support.h"

namespace {

using option_test::Family;

class OptionCHost : public ::testing::TestWithParam<Family> {};

TEST_P(OptionCHost, OpensReadsOptionsAndStatus) {
  status_test::SimulatedPrinter printer(option_test::office_mfp_profile());
  psw_test::CommandResult r = psw_test::run_command(
      {PSW_OPTION_C_HOST, GetParam().address, std::to_string(GetParam().transport)}, std::chrono::seconds(30),
      printer.netns().name(), {"PSW_IN_PRIVATE_NETNS=1"});
  EXPECT_EQ(r.exit_code, 0) << r.output;
  EXPECT_NE(r.output.find("C host passed"), std::string::npos) << r.output;
}

TEST(OptionCHostGuard, RefusesToRunOutsideAPrivateNamespace) {
  psw_test::CommandResult r = psw_test::run_command({PSW_OPTION_C_HOST, "127.0.0.1", "1"});
  EXPECT_EQ(r.exit_code, 2) << r.output;
}

INSTANTIATE_TEST_SUITE_P(Families, OptionCHost, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

}  // namespace
