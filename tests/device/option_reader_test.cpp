// The option reader against Net-SNMP's agent serving the simulated office
// printer, on IPv4 and IPv6: the model check of Init and a full refresh,
// every key compared with the values worked out from the two profiles.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "device/option_test_support.h"

namespace {

using option_test::Family;
using option_test::number;
using option_test::TestOption;
using option_test::text;
using option_test::yes;
using psw_test::SnmprecProfile;
using psw_test::ber::Value;

class OptionReader : public ::testing::TestWithParam<Family> {
 protected:
  // Serves `profile` and runs `body` with a reader that passed Init.
  void with_reader(const SnmprecProfile& profile, const std::function<void(TestOption&)>& body) {
    status_test::SimulatedPrinter printer(profile);
    printer.run([&] {
      TestOption o;
      ASSERT_EQ(o.Init(GetParam().protocol, GetParam().address, nullptr, 2000, 1, 0), PSW_OK);
      body(o);
    });
  }
};


TEST_P(OptionReader, FullyEquippedDevice) {
  SnmprecProfile p = option_test::office_mfp_profile();
  const std::map<int, const char*> units = {
      {11, "Hard Disk 320 GB"},   {102, "Colour Scanner"},  {103, "Copier Unit"},        {116, "Paper Feed Unit PF-2"},
      {121, "Staple Unit SU-3"},  {122, "Punch 2 Holes"},   {129, "Punch 4 Holes"},      {137, "Inner Finisher FN-5"},
      {164, "High Capacity Tray"}};
  for (const auto& u : units) option_test::add_device(p, u.first, u.second);
  with_reader(p, [](TestOption& o) {
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    for (const char* key : {"Scanner", "Copier", "HardDisk", "InTrayEx2", "Finisher", "FinisherStaple",
                            "FinisherPunch", "FinisherPunchHole2", "FinisherPunchHole4", "OutTrayHCCT"}) {
      EXPECT_TRUE(yes(o, key)) << key;
    }
    for (const char* key : {"FinisherPunchHole3", "InTrayEx2HCF", "OutTrayOffsetCatch"}) EXPECT_FALSE(yes(o, key)) << key;
    // The finisher takes the centre tray's place.
    EXPECT_FALSE(yes(o, "OutTrayCenter2"));
    EXPECT_EQ(number(o, "FinisherType"), 6);
  });
}

TEST_P(OptionReader, WithoutFaxAndBookletUnitsTheirSettingsAreNotRead) {
  SnmprecProfile p = option_test::office_mfp_profile();
  for (int column : {1, 2, 3, 4, 5, 6}) {
    for (int index : {104, 124}) {
      p.remove(psw_test::ber::parse_oid("1.3.6.1.2.1.25.3.2.1." + std::to_string(column) + "." + std::to_string(index)));
    }
  }
  with_reader(p, [](TestOption& o) {
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    EXPECT_FALSE(yes(o, "FAXUnit"));
    EXPECT_FALSE(yes(o, "FAXISDNG4Kit"));
    EXPECT_EQ(number(o, "FAXMaxSpeedDial"), 0);
    EXPECT_EQ(number(o, "FAXType"), 0);
    EXPECT_EQ(number(o, "FinisherBookletImpression"), 0);
    // The other settings are read as before.
    EXPECT_EQ(number(o, "PaperSizeGroupSetting"), 2);
    EXPECT_EQ(number(o, "MinPasswordLength"), 8);
  });
}

TEST_P(OptionReader, BadFirmwareTextStopsTheRefreshAfterTheDeviceTable) {
  SnmprecProfile p = option_test::office_mfp_profile();
  p.set("1.3.6.1.2.1.25.3.2.1.3.10", Value::OctetString("Printer Controller 2.31.7 - Processor"));
  with_reader(p, [](TestOption& o) {
    EXPECT_EQ(o.refresh_options(), PSW_ERR_FAILED);
    // The device table was read to its end (104 and 124 come after 10)...
    EXPECT_EQ(text(o, "SysName"), "MFP-3F-EAST");
    EXPECT_EQ(o.m_nDeviceCount, 12);
    EXPECT_TRUE(yes(o, "FAXUnit"));
    EXPECT_TRUE(yes(o, "FinisherBooklet"));
    EXPECT_EQ(text(o, "PrinterRomVersion"), "Printer Controller 2.31.7 - Processor");
    EXPECT_EQ(number(o, "PrinterRomVersionMajor"), 0);
    // ... and nothing after it.
    EXPECT_EQ(number(o, "NumberOfInputTray"), 0);
    EXPECT_EQ(number(o, "MemorySizeInKByte"), 0);
    EXPECT_FALSE(yes(o, "DuplexModule"));
  });
}

TEST_P(OptionReader, LongTextsAreCutToTheirMembers) {
  SnmprecProfile p = option_test::office_mfp_profile();
  const std::string firmware = "Printer Controller v3.0.1 - Processor Quad-Core 1.6 GHz with Secure Boot and TPM";
  const std::string sysName(300, 'n');
  p.set("1.3.6.1.2.1.25.3.2.1.3.10", Value::OctetString(firmware));
  p.set("1.3.6.1.2.1.1.5.0", Value::OctetString(sysName));
  with_reader(p, [&](TestOption& o) {
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    EXPECT_EQ(text(o, "PrinterRomVersion"), firmware.substr(0, 63));
    EXPECT_EQ(number(o, "PrinterRomVersionMajor"), 3);
    EXPECT_EQ(text(o, "SysName"), sysName.substr(0, 255));
  });
}

TEST_P(OptionReader, KeepsTheFirstFiftyDevicesAndTwentyTrays) {
  SnmprecProfile p = option_test::office_mfp_profile();
  // Sixty more devices at 20 to 79: the first fifty rows are 1-7, 10 and
  // 20-61, so the fax and booklet units (104, 124) fall off the list.
  for (int index = 20; index < 80; ++index) option_test::add_device(p, index, "Unit " + std::to_string(index));
  // Fifteen more input trays after the five: twenty kept.
  for (int i = 6; i <= 25; ++i) {
    const std::string row = ".1." + std::to_string(i);
    for (int column : {2, 3, 6, 7, 8, 9, 10}) {
      p.set("1.3.6.1.2.1.43.8.2.1." + std::to_string(column) + row, Value::Integer(column == 3 ? 4 : column));
    }
    for (int column : {13, 18, 21}) {
      p.set("1.3.6.1.2.1.43.8.2.1." + std::to_string(column) + row, Value::OctetString("Tray " + std::to_string(i)));
    }
  }
  with_reader(p, [](TestOption& o) {
    ASSERT_EQ(o.refresh_options(), PSW_OK);
    EXPECT_EQ(o.m_nDeviceCount, 50);
    EXPECT_EQ(o.m_devices[49].hrDeviceIndex, 61);
    EXPECT_FALSE(yes(o, "FAXUnit"));
    EXPECT_EQ(number(o, "FAXType"), 0);
    EXPECT_EQ(number(o, "PrinterRomVersionMinor"), 31);
    EXPECT_EQ(number(o, "NumberOfInputTray"), 20);
    EXPECT_EQ(number(o, "InputTrayIndex", 19), 20);
    EXPECT_EQ(text(o, "InputTrayName", 19), "Tray 20");
    int32_t v = 0;
    EXPECT_EQ(o.get_option("InputTrayIndex", &v, 20), PSW_ERR_INDEX);
  });
}

INSTANTIATE_TEST_SUITE_P(Families, OptionReader, ::testing::Values(option_test::kIPv4, option_test::kIPv6),
                         option_test::family_name);

}  // namespace
