// The status readers against a real agent serving the office printer's
// profile, on IPv4 and IPv6: every table, the printer status, both
// character sets and the jobs of each kind, compared with records worked out
// by hand from the profile. (The cancel against the real agent is checked
// through the C interface.)
#include <gtest/gtest.h>

#include "device/status_device_support.h"
#include "device/status_expected_records.h"

namespace status_test {
namespace {

class StatusReaders : public ::testing::TestWithParam<Family> {
 protected:
  SimulatedPrinter printer_;
  PSWPluginUSMPtr usm_ = community_settings();

  StatusPtr open() { return make_status(GetParam().protocol, GetParam().address, *usm_); }
};

TEST_P(StatusReaders, EveryTableMatchesTheProfile) {
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->read_storage_table(), 0);
    expect_table(status->storage_table(), expected_storage());
    EXPECT_EQ(status->read_device_table(), 0);
    expect_table(status->device_table(), expected_devices());
    EXPECT_EQ(status->read_input_tray_table(), 0);
    expect_table(status->input_tray_table(), expected_input_trays());
    EXPECT_EQ(status->read_output_tray_table(), 0);
    expect_table(status->output_tray_table(), expected_output_trays());
    EXPECT_EQ(status->read_toner_table(), 0);
    expect_table(status->toner_table(), expected_toners());
    EXPECT_EQ(status->read_alert_table(), 0);
    expect_table(status->alert_table(), expected_alerts());
    EXPECT_EQ(status->read_printer_status(), 0);
    EXPECT_EQ(status->printer_info(), expected_printer());
  });
}

TEST_P(StatusReaders, BothCharacterSetsAreLookedUpAndKept) {
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    EXPECT_EQ(status->char_set(), 0);
    EXPECT_EQ(status->vendor_char_set(), 0);
    int32_t out = -99;
    EXPECT_EQ(status->read_char_set(0, &out), 0);
    EXPECT_EQ(out, kExpectedCharSet);
    EXPECT_EQ(status->char_set(), kExpectedCharSet);
    EXPECT_EQ(status->vendor_char_set(), 0);
    out = -99;
    EXPECT_EQ(status->read_char_set(1, &out), 0);
    EXPECT_EQ(out, kExpectedVendorCharSet);
    EXPECT_EQ(status->vendor_char_set(), kExpectedVendorCharSet);
    EXPECT_EQ(status->char_set(), kExpectedCharSet);
    out = -99;
    EXPECT_EQ(status->read_char_set(2, &out), -2);
    EXPECT_EQ(out, -99);
  });
}

TEST_P(StatusReaders, JobsOfEachKind) {
  printer_.run([&] {
    StatusPtr status = open();
    ASSERT_TRUE(status);
    std::vector<PSWJobInfo> all = expected_jobs();
    // The first job read looks the maker's character set up itself.
    ASSERT_EQ(status->read_job_table(0), 0);
    EXPECT_EQ(status->vendor_char_set(), kExpectedVendorCharSet);
    expect_table(status->job_table(), all);

    status->job_table().clear();
    ASSERT_EQ(status->read_job_table(1), 0);
    expect_table(status->job_table(), std::vector<PSWJobInfo>(all.begin() + 3, all.end()));

    status->job_table().clear();
    ASSERT_EQ(status->read_job_table(2), 0);
    expect_table(status->job_table(), std::vector<PSWJobInfo>(all.begin(), all.begin() + 3));

    status->job_table().clear();
    EXPECT_EQ(status->read_job_table(3), -2);
    EXPECT_EQ(status->job_table().size(), 0u);
  });
}

INSTANTIATE_TEST_SUITE_P(Families, StatusReaders, ::testing::Values(kIPv4, kIPv6), family_name);

}  // namespace
}  // namespace status_test
