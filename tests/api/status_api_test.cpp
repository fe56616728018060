// The status functions of the C interface, end to end: a handle opens the
// simulated office printer (a real agent in a namespace of the test's own)
// on IPv4 and IPv6; the character sets, the jobs of each kind and the cancel
// are checked against records worked out by hand from the printer's profile,
// then what a failed read leaves behind. Every other table of every profile,
// through both agents, is checked in profile_readers_test.cpp.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "api/api_test_support.h"
#include "device/status_expected_records.h"
#include "device/status_test_support.h"
#include "psw/psw.h"

namespace status_test {
namespace {

using api_test::CountFn;
using api_test::expect_records;
using api_test::Handle;

CountFn<PSWJobInfo> jobs_of_kind(uint32_t kind) {
  return [kind](PSWHANDLE h, int32_t* count) { return PSWGetNumberOfJobInfo(h, kind, count); };
}

class StatusApi : public ::testing::TestWithParam<Family> {
 protected:
  int32_t open(PSWHANDLE handle, int32_t timeout = 2000, int32_t retries = 1) {
    return PSWInitDevice(handle, GetParam().address, GetParam().transport, timeout, retries);
  }

  SimulatedPrinter printer_{office_printer_profile()};
};

TEST_P(StatusApi, CharacterSetsAndJobsOfEachKind) {
  printer_.run([&] {
    Handle h;
    ASSERT_EQ(open(h), 0);
    int32_t char_set = -1;
    ASSERT_EQ(PSWGetCharSet(h, PSW_CHARSET_PRINTER, &char_set), 0);
    EXPECT_EQ(char_set, kExpectedCharSet);
    ASSERT_EQ(PSWGetCharSet(h, PSW_CHARSET_VENDOR, &char_set), 0);
    EXPECT_EQ(char_set, kExpectedVendorCharSet);

    std::vector<PSWJobInfo> all = expected_jobs();
    expect_records<PSWJobInfo>(h, jobs_of_kind(PSW_JOBS_ALL), PSWGetJobInfo, all);
    expect_records<PSWJobInfo>(h, jobs_of_kind(PSW_JOBS_UNFINISHED), PSWGetJobInfo,
                               std::vector<PSWJobInfo>(all.begin() + 3, all.end()));
    expect_records<PSWJobInfo>(h, jobs_of_kind(PSW_JOBS_FINISHED), PSWGetJobInfo,
                               std::vector<PSWJobInfo>(all.begin(), all.begin() + 3));
  });
}

TEST_P(StatusApi, CancelOfAListedJobAndRefusals) {
  printer_.run([&] {
    Handle h;
    ASSERT_EQ(open(h), 0);
    // The identifier as the job table hands it out.
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_UNFINISHED, &count), 0);
    ASSERT_GE(count, 2);
    PSWJobInfo job;
    ASSERT_EQ(PSWGetJobInfo(h, 1, &job), 0);
    ASSERT_STREQ(job.jobId, "00001045");
    EXPECT_EQ(PSWCancelJob(h, job.jobId), 0);
    // A finished job and an unknown one are refused by the device.
    EXPECT_EQ(PSWCancelJob(h, "00001041"), -7);
    EXPECT_EQ(PSWCancelJob(h, "no such job"), -7);
  });
  EXPECT_EQ(printer_.get(cancel_oid("00001045")), "INTEGER: 1414");
  EXPECT_EQ(printer_.get(cancel_oid("00001044")), "INTEGER: 0");
  EXPECT_EQ(printer_.get(cancel_oid("00001041")), "INTEGER: 0");
}

TEST_P(StatusApi, CountingReplacesTheTableAndAFailedReadLeavesItEmpty) {
  printer_.run([&] {
    Handle h;
    ASSERT_EQ(open(h, 300, 0), 0);
    PSWStorageInfo storage;
    // Before the first count every index is out of range.
    EXPECT_EQ(PSWGetStorageInfo(h, 0, &storage), -11);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfStorageInfo(h, &count), 0);
    ASSERT_EQ(PSWGetNumberOfStorageInfo(h, &count), 0);
    EXPECT_EQ(count, static_cast<int32_t>(expected_storage().size()));
    EXPECT_EQ(PSWGetStorageInfo(h, count - 1, &storage), 0);
    EXPECT_EQ(PSWGetStorageInfo(h, count, &storage), -11);
    ASSERT_EQ(PSWGetNumberOfTonerInfo(h, &count), 0);

    printer_.agent().stop();
    count = 77;
    EXPECT_EQ(PSWGetNumberOfStorageInfo(h, &count), -203);
    EXPECT_EQ(count, 77);
    EXPECT_EQ(PSWGetStorageInfo(h, 0, &storage), -11);
    // Other tables are not touched by that read.
    PSWTonerInfo toner;
    EXPECT_EQ(PSWGetTonerInfo(h, 0, &toner), 0);
    EXPECT_EQ(toner, expected_toners()[0]);

    PSWPrinterInfo printer;
    std::memset(&printer, 0xA5, sizeof printer);
    PSWPrinterInfo untouched = printer;
    EXPECT_EQ(PSWGetPrinterInfo(h, &printer), -203);
    EXPECT_EQ(printer, untouched);
    int32_t char_set = 55;
    EXPECT_EQ(PSWGetCharSet(h, PSW_CHARSET_PRINTER, &char_set), -203);
    EXPECT_EQ(char_set, 55);
  });
}

TEST_P(StatusApi, ReopeningGivesAFreshStatusObject) {
  printer_.run([&] {
    Handle h;
    ASSERT_EQ(open(h), 0);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfAlertInfo(h, &count), 0);
    ASSERT_EQ(open(h), 0);
    PSWAlertInfo alert;
    EXPECT_EQ(PSWGetAlertInfo(h, 0, &alert), -11);
    ASSERT_EQ(PSWGetNumberOfAlertInfo(h, &count), 0);
    EXPECT_EQ(count, static_cast<int32_t>(expected_alerts().size()));
  });
}

INSTANTIATE_TEST_SUITE_P(Families, StatusApi, ::testing::Values(kIPv4, kIPv6), family_name);

// ---------------------------------------------------------------------------
// Communities
// ---------------------------------------------------------------------------

TEST(StatusApiCommunities, ReadAndWriteCommunitiesComeFromTheCommands) {
  SimulatedPrinter printer(office_printer_profile(), [](psw_test::SnmpdOptions& o) {
    o.read_community = "office-ro";
    o.write_community = "office-rw";
  });
  printer.run([&] {
    Handle h;
    ASSERT_EQ(PSWCommandString(h, "CmdSetCommunityGetOption", "office-ro"), 0);
    ASSERT_EQ(PSWCommandString(h, "CmdSetCommunityWrite", "office-rw"), 0);
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    int32_t count = 0;
    EXPECT_EQ(PSWGetNumberOfOutputTrayInfo(h, &count), 0);
    EXPECT_EQ(count, static_cast<int32_t>(expected_output_trays().size()));
    EXPECT_EQ(PSWCancelJob(h, "00001046"), 0);

    // Without a write command the cancel goes with "private", which this
    // device does not know: it does not answer.
    Handle other;
    ASSERT_EQ(PSWCommandString(other, "CmdSetCommunityGetOption", "office-ro"), 0);
    ASSERT_EQ(PSWInitDevice(other, "127.0.0.1", PSW_TRANSPORT_UDP, 200, 0), 0);
    EXPECT_EQ(PSWCancelJob(other, "00001044"), -203);
    // A write command given after the opening applies to the next opening only.
    ASSERT_EQ(PSWCommandString(other, "CmdSetCommunityWrite", "office-rw"), 0);
    EXPECT_EQ(PSWCancelJob(other, "00001044"), -203);
    ASSERT_EQ(PSWInitDevice(other, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    EXPECT_EQ(PSWCancelJob(other, "00001044"), 0);
  });
  EXPECT_EQ(printer.get(cancel_oid("00001046"), "office-ro"), "INTEGER: 1414");
  EXPECT_EQ(printer.get(cancel_oid("00001044"), "office-ro"), "INTEGER: 1414");
}

// ---------------------------------------------------------------------------
// Failed openings
// ---------------------------------------------------------------------------

// The status functions of a handle that has not been opened answer -8.
void expect_unopened(PSWHANDLE h) {
  int32_t count = 0;
  PSWStorageInfo storage;
  PSWPrinterInfo printer;
  EXPECT_EQ(PSWGetNumberOfStorageInfo(h, &count), -8);
  EXPECT_EQ(PSWGetStorageInfo(h, 0, &storage), -8);
  EXPECT_EQ(PSWGetPrinterInfo(h, &printer), -8);
  EXPECT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &count), -8);
  EXPECT_EQ(PSWGetCharSet(h, PSW_CHARSET_VENDOR, &count), -8);
  EXPECT_EQ(PSWCancelJob(h, "00001044"), -8);
}

TEST(StatusApiOpening, FailedOpeningsLeaveAFreshHandleUnopened) {
  SimulatedPrinter other(psw_test::SnmprecProfile::load(psw_test::profile_path("other_model.snmprec")));
  other.run([&] {
    Handle h;
    // Another model of the same maker.
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), -2);
    expect_unopened(h);
    // Values that are not transports, and an address of the other family.
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", 4, 2000, 1), -2);
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_RESERVED, 2000, 1), -2);
    EXPECT_EQ(PSWInitDevice(h, "::1", PSW_TRANSPORT_UDP, 2000, 1), -2);
    expect_unopened(h);
  });
}

}  // namespace
}  // namespace status_test
