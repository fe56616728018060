// The status readers on devices that are less tidy than the office
// printer: texts longer than their fields, a printer table of two rows,
// empty tables, odd job indexes and large counters. The tables are served by
// the scripted agent, which serves any value in any column.
#include <gtest/gtest.h>

#include "device/status_device_support.h"

namespace status_test {
namespace {

using psw_test::FaultAgent;
namespace ber = psw_test::ber;

const std::string kJobs = "1.3.6.1.4.1.32473.8.59.";
const std::string kTexts = "1.3.6.1.4.1.32473.8.51.5.1.1.4.";

class StatusEdges : public ::testing::Test {
 protected:
  StatusEdges() {
    netns_.run([&] { agent_ = std::make_unique<FaultAgent>("127.0.0.1", 161); });
  }

  // Runs `fn` in the namespace with a status object set up for the agent.
  void with_status(const std::function<void(CPSWDeviceStatus&)>& fn) {
    netns_.run([&] {
      StatusPtr status = make_status(kIPv4.protocol, kIPv4.address, *usm_, 1000, 0);
      ASSERT_TRUE(status);
      fn(*status);
    });
  }

  void set(const std::string& oid, const ber::Value& value) { agent_->set(oid, value); }
  void set_int(const std::string& oid, int32_t v) { set(oid, ber::Value::Integer(v)); }
  void set_text(const std::string& oid, const std::string& v) { set(oid, ber::Value::OctetString(v)); }

  // The maker's character set 106 for device 1, and text `v` in it.
  void serve_job_texts(int32_t index, const std::string& text) {
    set_int("1.3.6.1.4.1.32473.8.51.3.1.1.1.1", 1);
    set_int("1.3.6.1.4.1.32473.8.51.4.1.1.7.1.1", 106);
    set_text(kTexts + "1." + std::to_string(index) + ".106", text);
  }

  // One job row in the three job tables: job number `job` (device 1) in the
  // first and the last, `index10` as the whole index of the second. Every
  // looked-up column holds text index 7.
  void serve_job(uint32_t job, const std::string& index10, int32_t state, uint32_t count5) {
    std::string index = "1." + std::to_string(job);
    set_text(kJobs + "6.1.1.3." + index, "job " + std::to_string(job));
    set(kJobs + "6.1.1.4." + index, ber::Value::ObjectId(ber::parse_oid("1.3.6.1.4.1.32473.8.58.2.12")));
    set_int(kJobs + "6.1.1.5." + index, 7);
    set_int(kJobs + "6.1.1.6." + index, 7);
    set_int(kJobs + "6.1.1.9." + index, state);
    set_int(kJobs + "6.1.1.10." + index, -5);
    set_int(kJobs + "10.1.1.7." + index10, 7);
    set_text(kJobs + "10.1.1.10." + index10, std::string("\x07\xE8\x02\x1D\x17\x3B\x3A\x00", 8));
    set_text(kJobs + "16.1.1.4." + index, "");
    set(kJobs + "16.1.1.5." + index, ber::Value::Counter32(count5));
    set(kJobs + "16.1.1.6." + index, ber::Value::Gauge32(0xFFFFFFFFu));
    set_text(kJobs + "16.1.1.7." + index, std::string("\x07\xE8\x02", 3));
  }

  PrivateNetns netns_;
  std::unique_ptr<FaultAgent> agent_;
  PSWPluginUSMPtr usm_ = community_settings();
};

TEST_F(StatusEdges, LongTextsAreCutToTheirFieldsAndTerminated) {
  const std::string long_text(300, 'd');
  set(("1.3.6.1.2.1.25.2.3.1.2.1"), ber::Value::ObjectId(ber::parse_oid("1.3.6.1.2.1.25.2.1.4")));
  set_int("1.3.6.1.2.1.25.2.3.1.4.1", 512);
  set_int("1.3.6.1.2.1.25.2.3.1.5.1", 100);
  set_text("1.3.6.1.2.1.25.2.3.1.3.1", long_text);
  for (int column : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11})
    set_int("1.3.6.1.2.1.43.8.2.1." + std::to_string(column) + ".1.1", column);
  set_text("1.3.6.1.2.1.43.8.2.1.12.1.1", std::string(64, 'm'));  // one more than the field holds
  set_text("1.3.6.1.2.1.43.8.2.1.13.1.1", std::string(63, 'n'));  // exactly what it holds
  set_text("1.3.6.1.2.1.43.8.2.1.18.1.1", long_text);
  set_text("1.3.6.1.2.1.43.8.2.1.21.1.1", std::string(200, 't'));
  set_text("1.3.6.1.2.1.43.8.2.1.22.1.1", "");
  with_status([&](CPSWDeviceStatus& status) {
    ASSERT_EQ(status.read_storage_table(), 0);
    PSWStorageInfo storage = make_record<PSWStorageInfo>([&](PSWStorageInfo& r) {
      r.type = 4;
      r.allocationUnits = 512;
      r.size = 100;
      copy_text(r.description, long_text.c_str());
    });
    expect_table(status.storage_table(), {storage});

    ASSERT_EQ(status.read_input_tray_table(), 0);
    PSWInputTrayInfo tray = make_record<PSWInputTrayInfo>([&](PSWInputTrayInfo& r) {
      // Columns 2 to 11 hold their own column numbers: the ten numbers of
      // the record, which lie one after the other from its start.
      int32_t numbers[10];
      for (int i = 0; i < 10; ++i) numbers[i] = i + 2;
      std::memcpy(&r, numbers, sizeof numbers);
      copy_text(r.mediaName, std::string(63, 'm').c_str());
      copy_text(r.name, std::string(63, 'n').c_str());
      copy_text(r.description, std::string(255, 'd').c_str());
      copy_text(r.mediaType, std::string(63, 't').c_str());
    });
    expect_table(status.input_tray_table(), {tray});
  });
}

TEST_F(StatusEdges, LastPrinterRowCountsAndErrorOctetsAreLaidOutInOrder) {
  set_int("1.3.6.1.2.1.25.3.5.1.1.1", 4);
  set_text("1.3.6.1.2.1.25.3.5.1.2.1", "\x80");
  set_int("1.3.6.1.2.1.25.3.5.1.1.2", 5);
  set_text("1.3.6.1.2.1.25.3.5.1.2.2", "\x01\x02\x03\x04\x05\x06");
  with_status([&](CPSWDeviceStatus& status) {
    ASSERT_EQ(status.read_printer_status(), 0);
    EXPECT_EQ(status.printer_info(), (PSWPrinterInfo{5, 0x04030201}));
  });
  agent_->clear();
  set_int("1.3.6.1.2.1.25.3.5.1.1.1", 3);
  set_text("1.3.6.1.2.1.25.3.5.1.2.1", "\x80");
  with_status([&](CPSWDeviceStatus& status) {
    ASSERT_EQ(status.read_printer_status(), 0);
    EXPECT_EQ(status.printer_info(), (PSWPrinterInfo{3, 0x80}));
  });
}

TEST_F(StatusEdges, EmptyTablesAndSuppliesWithoutTonerGiveNoRecords) {
  // A waste toner box and a drum, nothing else.
  for (int row : {1, 2}) {
    std::string index = ".1." + std::to_string(row);
    set_int("1.3.6.1.2.1.43.11.1.1.5" + index, row == 1 ? 4 : 9);
    set_text("1.3.6.1.2.1.43.11.1.1.6" + index, row == 1 ? "Waste Toner Box" : "Drum");
    for (int column : {7, 8, 9}) set_int("1.3.6.1.2.1.43.11.1.1." + std::to_string(column) + index, 100);
  }
  with_status([&](CPSWDeviceStatus& status) {
    EXPECT_EQ(status.read_toner_table(), 0);
    EXPECT_EQ(status.toner_table().size(), 0u);
    EXPECT_EQ(status.read_alert_table(), 0);
    EXPECT_EQ(status.alert_table().size(), 0u);
    EXPECT_EQ(status.read_device_table(), 0);
    EXPECT_EQ(status.device_table().size(), 0u);
    EXPECT_EQ(status.read_job_table(0), 0);
    EXPECT_EQ(status.job_table().size(), 0u);
    int32_t out = -99;
    EXPECT_EQ(status.read_char_set(0, &out), 0);
    EXPECT_EQ(out, 0);
  });
}

TEST_F(StatusEdges, CellsTheDeviceLacksReadAsNeutralValues) {
  // Toners without a supply unit, one without a description; storage
  // without a type; trays numbered 2 and 5 without type and media type, a
  // colour only for tray 5; no printer row at all.
  const std::string supplies = "1.3.6.1.2.1.43.11.1.1.";
  for (int row : {1, 2}) {
    std::string index = ".1." + std::to_string(row);
    set_int(supplies + "5" + index, 3);
    set_int(supplies + "8" + index, 100);
    set_int(supplies + "9" + index, row == 1 ? -3 : 40);
  }
  set_text(supplies + "6.1.2", "Cyan");
  set_int("1.3.6.1.2.1.25.2.3.1.4.7", 4096);
  set_text("1.3.6.1.2.1.25.2.3.1.3.7", "Flash");
  const std::string trays = "1.3.6.1.2.1.43.8.2.1.";
  for (int tray : {2, 5}) {
    std::string index = ".1." + std::to_string(tray);
    set_int(trays + "9" + index, 500);
    set_text(trays + "13" + index, "Tray " + std::to_string(tray));
  }
  set_text(trays + "22.1.5", "white");
  with_status([&](CPSWDeviceStatus& status) {
    ASSERT_EQ(status.read_toner_table(), 0);
    expect_table(status.toner_table(), {make_record<PSWTonerInfo>([](PSWTonerInfo& r) {
                                          r.supplyUnit = PSW_VALUE_ABSENT;
                                          r.maxCapacity = 100;
                                          r.level = -3;  // the device's own "some remaining"
                                        }),
                                        make_record<PSWTonerInfo>([](PSWTonerInfo& r) {
                                          r.supplyUnit = PSW_VALUE_ABSENT;
                                          r.maxCapacity = 100;
                                          r.level = 40;
                                          copy_text(r.description, "Cyan");
                                        })});
    ASSERT_EQ(status.read_storage_table(), 0);
    expect_table(status.storage_table(), {make_record<PSWStorageInfo>([](PSWStorageInfo& r) {
                   r.type = 0;
                   r.allocationUnits = 4096;
                   r.size = PSW_VALUE_ABSENT;
                   copy_text(r.description, "Flash");
                 })});
    ASSERT_EQ(status.read_input_tray_table(), 0);
    std::vector<PSWInputTrayInfo> expected;
    for (int tray : {2, 5}) {
      expected.push_back(make_record<PSWInputTrayInfo>([&](PSWInputTrayInfo& r) {
        int32_t* numbers = &r.type;
        for (int i = 0; i < 10; ++i) numbers[i] = PSW_VALUE_ABSENT;
        r.maxCapacity = 500;
        copy_text(r.name, ("Tray " + std::to_string(tray)).c_str());
        if (tray == 5) copy_text(r.mediaColor, "white");
      }));
    }
    expect_table(status.input_tray_table(), expected);
    ASSERT_EQ(status.read_printer_status(), 0);
    EXPECT_EQ(status.printer_info(), (PSWPrinterInfo{PSW_VALUE_ABSENT, 0}));
  });
}

TEST_F(StatusEdges, JobIdentifierTakesWhatFollowsTheFirstTwoSubIdentifiers) {
  serve_job_texts(7, std::string(256, 'x'));
  serve_job(1, "1.8.65.66.67", 17, 3000000000u);            // only three octets
  serve_job(2, "1.8.68.69.70.71.72.73.74.75.76.77", 5, 0);  // ten octets: eight are taken
  serve_job(3, "1.9", 5, 0);                                // nothing after the first two
  with_status([&](CPSWDeviceStatus& status) {
    ASSERT_EQ(status.read_job_table(0), 0);
    ASSERT_EQ(status.job_table().size(), 3u);
    const char* ids[] = {"ABC", "DEFGHIJK", ""};
    for (size_t i = 0; i < 3; ++i) {
      PSWJobInfo job = status.job_table()[i];
      EXPECT_STREQ(job.jobId, ids[i]) << i;
      EXPECT_EQ(job.jobType, 12);
      EXPECT_EQ(job.jobValue10, -5);
      // A looked-up text longer than the field is cut to 255 characters.
      EXPECT_EQ(std::string(job.jobText5), std::string(255, 'x'));
      EXPECT_EQ(std::string(job.jobText7), std::string(255, 'x'));
      uint16_t time10[6], time7[6];
      std::memcpy(time10, job.time10, sizeof time10);
      std::memcpy(time7, job.time7, sizeof time7);
      EXPECT_EQ(std::vector<uint16_t>(time10, time10 + 6), (std::vector<uint16_t>{2024, 2, 29, 23, 59, 58}));
      EXPECT_EQ(std::vector<uint16_t>(time7, time7 + 6), (std::vector<uint16_t>{2024, 2, 0, 0, 0, 0}));
    }
    // Counters are read unsigned.
    uint32_t count5 = status.job_table()[0].jobCount5, count6 = status.job_table()[0].jobCount6;
    EXPECT_EQ(count5, 3000000000u);
    EXPECT_EQ(count6, 0xFFFFFFFFu);
  });
}

TEST_F(StatusEdges, JobIndexOctetAbove255EndsTheReadKeepingEarlierRows) {
  serve_job_texts(7, "text");
  serve_job(1, "1.8.65.65", 17, 1);
  serve_job(2, "1.8.66.300.67", 17, 1);
  serve_job(3, "1.8.67", 17, 1);
  with_status([&](CPSWDeviceStatus& status) {
    EXPECT_EQ(status.read_job_table(2), -401);
    ASSERT_EQ(status.job_table().size(), 1u);
    EXPECT_STREQ(status.job_table()[0].jobId, "AA");
  });
}

}  // namespace
}  // namespace status_test
