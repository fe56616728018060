// Meter reads and identity through the C interface: the identity record,
// the markers with their page counters, covers, console lines and lights of
// profiles modelled on real devices' habits (counters past 2^31 sent as
// Counter32 and as a wrapped INTEGER, padded serial numbers, console lines
// empty or padded or Italian, an open interlock, sparse tables), each served
// by snmpd and by pysnmp, every value worked out from the profile itself;
// the supply level function; the trimmed text helper; an SNMPv1 agent with
// nothing beyond some of the identity's names; and the printer test of a
// device that has Printer MIB tables but neither printer row.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "agent/fault_agent.h"
#include "api/api_test_support.h"
#include "api/served_device.h"
#include "device/profile_expectations.h"
#include "device/status_test_support.h"
#include "psw/psw.h"

bool operator==(const PSWMarkerInfo& a, const PSWMarkerInfo& b) { return status_test::same_record(a, b); }
bool operator==(const PSWCoverInfo& a, const PSWCoverInfo& b) { return status_test::same_record(a, b); }
bool operator==(const PSWConsoleLineInfo& a, const PSWConsoleLineInfo& b) { return status_test::same_record(a, b); }
bool operator==(const PSWConsoleLightInfo& a, const PSWConsoleLightInfo& b) {
  return status_test::same_record(a, b);
}
void PrintTo(const PSWMarkerInfo& r, std::ostream* os) {
  *os << "{device " << r.deviceIndex << ", marker " << r.markerIndex << ", tech " << r.markingTechnology << ", unit "
      << r.counterUnit << ", life " << r.lifeCount << ", power-on " << r.powerOnCount << ", colorants "
      << r.processColorants << "/" << r.spotColorants << ", status " << r.status << "}";
}
void PrintTo(const PSWCoverInfo& r, std::ostream* os) {
  *os << "{" << r.coverIndex << ", status " << r.status << ", \"" << r.description << "\"}";
}
void PrintTo(const PSWConsoleLineInfo& r, std::ostream* os) { *os << "{" << r.lineIndex << ", \"" << r.text << "\"}"; }
void PrintTo(const PSWConsoleLightInfo& r, std::ostream* os) {
  *os << "{" << r.lightIndex << ", " << r.onTime << "/" << r.offTime << ", colour " << r.color << ", \""
      << r.description << "\"}";
}

namespace meter_read_test {
namespace {

using api_test::AgentKind;
using api_test::agent_name;
using api_test::Handle;
using api_test::ServedDevice;
using profile_test::number_field;
using profile_test::ProfileTable;
using profile_test::text_field;
using psw_test::SnmprecProfile;
using psw_test::ber::Oid;
using psw_test::ber::Value;

SnmprecProfile load(const std::string& name) { return api_test::shipped_profile(name); }

int32_t own_index(const Oid& row) { return static_cast<int32_t>(row.back()); }

// A counter as the record holds it: the 32 bits as sent, unsigned.
uint32_t counter_field(const Value* v) {
  if (v == nullptr) return PSW_VALUE_ABSENT_U32;
  if (v->tag == psw_test::ber::kInteger) return static_cast<uint32_t>(static_cast<int32_t>(v->integer));
  return static_cast<uint32_t>(v->number);
}

// ---------------------------------------------------------------------------
// What a profile must give
// ---------------------------------------------------------------------------

std::vector<PSWMarkerInfo> expected_markers(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.10.2.1", {2, 3, 4, 5, 6, 7, 15});
  std::vector<PSWMarkerInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWMarkerInfo>([&](PSWMarkerInfo& r) {
      r.deviceIndex = static_cast<int32_t>(row.front());
      r.markerIndex = own_index(row);
      r.markingTechnology = number_field(t.cell(2, row));
      r.counterUnit = number_field(t.cell(3, row));
      r.lifeCount = counter_field(t.cell(4, row));
      r.powerOnCount = counter_field(t.cell(5, row));
      r.processColorants = number_field(t.cell(6, row));
      r.spotColorants = number_field(t.cell(7, row));
      r.status = number_field(t.cell(15, row));
    }));
  }
  return out;
}

std::vector<PSWCoverInfo> expected_covers(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.6.1.1", {2, 3});
  std::vector<PSWCoverInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWCoverInfo>([&](PSWCoverInfo& r) {
      r.coverIndex = own_index(row);
      r.status = number_field(t.cell(3, row));
      text_field(r.description, t.cell(2, row));
    }));
  }
  return out;
}

std::vector<PSWConsoleLineInfo> expected_lines(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.16.5.1", {2});
  std::vector<PSWConsoleLineInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWConsoleLineInfo>([&](PSWConsoleLineInfo& r) {
      r.lineIndex = own_index(row);
      text_field(r.text, t.cell(2, row));
    }));
  }
  return out;
}

std::vector<PSWConsoleLightInfo> expected_lights(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.17.6.1", {2, 3, 4, 5});
  std::vector<PSWConsoleLightInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWConsoleLightInfo>([&](PSWConsoleLightInfo& r) {
      r.lightIndex = own_index(row);
      r.onTime = number_field(t.cell(2, row));
      r.offTime = number_field(t.cell(3, row));
      r.color = number_field(t.cell(4, row));
      text_field(r.description, t.cell(5, row));
    }));
  }
  return out;
}

const Value* object(const SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  return e == nullptr ? nullptr : &e->value;
}

// The first row of a one-index column, or null (the cell is the profile's).
const Value* first_cell(const SnmprecProfile& p, const std::string& entry, uint32_t column, uint32_t* row) {
  ProfileTable t(p, entry, {column});
  if (t.rows().empty()) return nullptr;
  *row = t.rows().front().front();
  return object(p, entry + "." + std::to_string(column) + "." + std::to_string(*row));
}

PSWIdentityInfo expected_identity(const SnmprecProfile& p) {
  PSWIdentityInfo id;
  std::memset(&id, 0, sizeof id);
  text_field(id.sysDescr, object(p, "1.3.6.1.2.1.1.1.0"));
  if (const Value* v = object(p, "1.3.6.1.2.1.1.2.0")) {
    std::string text = psw_test::ber::oid_text(v->oid);
    std::memcpy(id.sysObjectID, text.data(), text.size());
  }
  const Value* up = object(p, "1.3.6.1.2.1.1.3.0");
  id.sysUpTime = up == nullptr ? PSW_VALUE_ABSENT_U32 : static_cast<uint32_t>(up->number);
  text_field(id.sysContact, object(p, "1.3.6.1.2.1.1.4.0"));
  text_field(id.sysName, object(p, "1.3.6.1.2.1.1.5.0"));
  text_field(id.sysLocation, object(p, "1.3.6.1.2.1.1.6.0"));
  uint32_t serial_row = 0, name_row = 0, printer_row = 0;
  const Value* serial = first_cell(p, "1.3.6.1.2.1.43.5.1.1", 17, &serial_row);
  const Value* name = first_cell(p, "1.3.6.1.2.1.43.5.1.1", 16, &name_row);
  text_field(id.serialNumber, serial);
  text_field(id.printerName, name);
  bool printer_known = first_cell(p, "1.3.6.1.2.1.25.3.5.1", 1, &printer_row) != nullptr;
  if (!printer_known && (serial != nullptr || name != nullptr)) {
    printer_row = serial != nullptr ? serial_row : name_row;
    printer_known = true;
  }
  if (printer_known) {
    text_field(id.deviceDescr, object(p, "1.3.6.1.2.1.25.3.2.1.3." + std::to_string(printer_row)));
  }
  ProfileTable interfaces(p, "1.3.6.1.2.1.2.2.1", {6});
  for (const Oid& row : interfaces.rows()) {
    const Value* v = interfaces.cell(6, row);
    if (v->bytes.size() != 6) continue;
    const auto* o = reinterpret_cast<const unsigned char*>(v->bytes.data());
    std::snprintf(id.hardwareAddress, sizeof id.hardwareAddress, "%02x:%02x:%02x:%02x:%02x:%02x", o[0], o[1], o[2],
                  o[3], o[4], o[5]);
    break;
  }
  return id;
}

void expect_identity(const PSWIdentityInfo& got, const PSWIdentityInfo& want, AgentKind agent) {
  // snmpd keeps its own uptime: only its presence is the profile's.
  if (agent == AgentKind::kSnmpd) {
    EXPECT_NE(got.sysUpTime, PSW_VALUE_ABSENT_U32);
  } else {
    EXPECT_EQ(got.sysUpTime, want.sysUpTime);
  }
  EXPECT_STREQ(got.sysDescr, want.sysDescr);
  EXPECT_STREQ(got.sysObjectID, want.sysObjectID);
  EXPECT_STREQ(got.sysName, want.sysName);
  EXPECT_STREQ(got.serialNumber, want.serialNumber);
  EXPECT_STREQ(got.printerName, want.printerName);
  EXPECT_STREQ(got.deviceDescr, want.deviceDescr);
  EXPECT_STREQ(got.hardwareAddress, want.hardwareAddress);
  // snmpd serves a location and contact of its own where the profile has
  // none.
  if (agent == AgentKind::kPysnmp || want.sysLocation[0] != '\0') {
    EXPECT_STREQ(got.sysLocation, want.sysLocation);
  }
  if (agent == AgentKind::kPysnmp || want.sysContact[0] != '\0') {
    EXPECT_STREQ(got.sysContact, want.sysContact);
  }
  // Every byte after a text's terminator is zero: the record is the same
  // whatever was in the caller's buffer.
  auto zero_after = [](const char* field, size_t size) {
    for (size_t i = std::strlen(field); i < size; ++i)
      if (field[i] != '\0') return false;
    return true;
  };
  EXPECT_TRUE(zero_after(got.serialNumber, sizeof got.serialNumber));
  EXPECT_TRUE(zero_after(got.hardwareAddress, sizeof got.hardwareAddress));
}

// ---------------------------------------------------------------------------
// Every profile through both agents
// ---------------------------------------------------------------------------

struct Case {
  const char* profile;
  AgentKind agent;
};
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.profile) + "_" + agent_name(info.param.agent);
}
void PrintTo(const Case& c, std::ostream* os) { *os << c.profile << " through " << agent_name(c.agent); }

std::vector<Case> every_case() {
  std::vector<Case> cases;
  for (const char* p : {"meters_laser", "meters_inkjet_sparse", "printer_mib_tables_only", "inkjet"}) {
    for (AgentKind a : {AgentKind::kSnmpd, AgentKind::kPysnmp}) cases.push_back({p, a});
  }
  return cases;
}

class MeterReads : public ::testing::TestWithParam<Case> {};

TEST_P(MeterReads, EveryRecordAsTheProfileHasIt) {
  const SnmprecProfile p = load(GetParam().profile);
  ServedDevice device(GetParam().agent, p);
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, "CmdSetAnyModel", 1), PSW_OK);
  device.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    api_test::expect_records<PSWMarkerInfo>(h, PSWGetNumberOfMarkerInfo, PSWGetMarkerInfo, expected_markers(p));
    api_test::expect_records<PSWCoverInfo>(h, PSWGetNumberOfCoverInfo, PSWGetCoverInfo, expected_covers(p));
    api_test::expect_records<PSWConsoleLineInfo>(h, PSWGetNumberOfConsoleLineInfo, PSWGetConsoleLineInfo,
                                                 expected_lines(p));
    api_test::expect_records<PSWConsoleLightInfo>(h, PSWGetNumberOfConsoleLightInfo, PSWGetConsoleLightInfo,
                                                  expected_lights(p));
    PSWIdentityInfo id;
    std::memset(&id, 0xA5, sizeof id);
    ASSERT_EQ(PSWGetIdentityInfo(h, &id), PSW_OK);
    expect_identity(id, expected_identity(p), GetParam().agent);
  });
}

INSTANTIATE_TEST_SUITE_P(Profiles, MeterReads, ::testing::ValuesIn(every_case()), case_name);

// The values the profile rules above could get wrong together with the
// reader, checked by hand once.
TEST(MeterReadsByHand, TheColourLaserGivesItsCountersSerialConsoleAndCovers) {
  ServedDevice device(AgentKind::kPysnmp, load("meters_laser"));
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, "CmdSetAnyModel", 1), PSW_OK);
  device.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfMarkerInfo(h, &count), PSW_OK);
    ASSERT_EQ(count, 2);
    PSWMarkerInfo m[2];
    ASSERT_EQ(PSWGetMarkerInfo(h, 0, &m[0]), PSW_OK);
    ASSERT_EQ(PSWGetMarkerInfo(h, 1, &m[1]), PSW_OK);
    EXPECT_EQ(m[0].lifeCount, 3000000000u);  // an INTEGER that wrapped negative
    EXPECT_EQ(m[1].lifeCount, 3000000001u);  // a Counter32 past 2^31
    EXPECT_EQ(m[0].counterUnit, PSW_COUNTER_UNIT_IMPRESSIONS);
    EXPECT_EQ(m[1].counterUnit, PSW_COUNTER_UNIT_SHEETS);
    EXPECT_EQ(m[0].deviceIndex, 2);
    EXPECT_EQ(m[1].markerIndex, 2);

    PSWIdentityInfo id;
    ASSERT_EQ(PSWGetIdentityInfo(h, &id), PSW_OK);
    EXPECT_STREQ(id.serialNumber, "CNB1K12345");
    EXPECT_STREQ(id.deviceDescr, "Corvid CL-5500 PCL 6");  // row 2, not the interface's row 1
    EXPECT_STREQ(id.hardwareAddress, "00:1b:a9:0c:22:51");  // interface 1 has none
    EXPECT_STREQ(id.sysObjectID, "1.3.6.1.4.1.64503.3.5500");
    EXPECT_EQ(id.sysUpTime, 110163000u);

    ASSERT_EQ(PSWGetNumberOfConsoleLineInfo(h, &count), PSW_OK);
    ASSERT_EQ(count, 4);
    PSWConsoleLineInfo line;
    ASSERT_EQ(PSWGetConsoleLineInfo(h, 1, &line), PSW_OK);
    EXPECT_STREQ(line.text, "Toner scarsa         ");  // padding kept
    ASSERT_EQ(PSWGetConsoleLineInfo(h, 2, &line), PSW_OK);
    EXPECT_STREQ(line.text, "");
    EXPECT_EQ(line.lineIndex, 3);

    ASSERT_EQ(PSWGetNumberOfCoverInfo(h, &count), PSW_OK);
    ASSERT_EQ(count, 2);
    PSWCoverInfo cover;
    ASSERT_EQ(PSWGetCoverInfo(h, 1, &cover), PSW_OK);
    EXPECT_EQ(cover.status, PSW_COVER_INTERLOCK_OPEN);
    EXPECT_STREQ(cover.description, "Toner access interlock");
  });
}

TEST(MeterReadsArguments, CheckedLikeTheStatusFunctions) {
  Handle h;
  int32_t count = 0;
  PSWIdentityInfo id;
  PSWMarkerInfo marker;
  EXPECT_EQ(PSWGetIdentityInfo(nullptr, &id), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetIdentityInfo(h, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetIdentityInfo(h, &id), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetNumberOfMarkerInfo(nullptr, &count), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetNumberOfMarkerInfo(h, nullptr), PSW_ERR_ARGUMENT);
  for (auto fn : {PSWGetNumberOfMarkerInfo, PSWGetNumberOfCoverInfo, PSWGetNumberOfConsoleLineInfo,
                  PSWGetNumberOfConsoleLightInfo}) {
    EXPECT_EQ(fn(h, &count), PSW_ERR_NOT_OPENED);
  }
  EXPECT_EQ(PSWGetMarkerInfo(h, 0, &marker), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(PSWGetMarkerInfo(h, 0, nullptr), PSW_ERR_ARGUMENT);
}

// ---------------------------------------------------------------------------
// An SNMPv1 agent that ends early, and a silent one
// ---------------------------------------------------------------------------

// A device whose last objects are the system group and the first Printer
// MIB rows: an SNMPv1 GetNext of any name beyond them is refused whole with
// noSuchName. The identity read leaves those names out one by one and
// keeps what the others answered.
TEST(IdentityOverSnmpV1, NamesWithNothingBeyondAreLeftOutAndTheRestKept) {
  SnmprecProfile p = load("meters_laser");
  SnmprecProfile shortened;
  for (const psw_test::ProfileEntry& e : p.entries()) {
    const std::string oid = psw_test::ber::oid_text(e.oid);
    if (oid.rfind("1.3.6.1.2.1.1.", 0) == 0 || oid.rfind("1.3.6.1.2.1.25.3.2.", 0) == 0 ||
        oid.rfind("1.3.6.1.2.1.25.3.5.", 0) == 0 || oid.rfind("1.3.6.1.2.1.2.", 0) == 0) {
      shortened.set(e.oid, e.value, e.writable);
    }
  }
  status_test::PrivateNetns netns;
  std::unique_ptr<psw_test::FaultAgent> agent;
  netns.run([&] { agent = std::make_unique<psw_test::FaultAgent>("127.0.0.1", 161); });
  agent->load(p);
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, "CmdSetAnyModel", 1), PSW_OK);
  netns.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 1000, 0), PSW_OK);
    agent->clear();
    agent->load(shortened);
    agent->reset_requests();
    PSWIdentityInfo id;
    ASSERT_EQ(PSWGetIdentityInfo(h, &id), PSW_OK);
    EXPECT_STREQ(id.sysName, "CL5500-UFFICIO");
    EXPECT_STREQ(id.sysLocation, "Milano, piano 2");
    EXPECT_STREQ(id.serialNumber, "");
    EXPECT_STREQ(id.printerName, "");
    EXPECT_STREQ(id.deviceDescr, "Corvid CL-5500 PCL 6");
    EXPECT_STREQ(id.hardwareAddress, "00:1b:a9:0c:22:51");
    // One request, one more per name refused, one GetNext to the second
    // interface, and the Get of the printer's hrDeviceDescr.
    EXPECT_LE(agent->request_count(), 6u);
  });
}

TEST(IdentityOverSnmpV1, ASilentDeviceTimesOutAndLeavesTheRecordAlone) {
  status_test::PrivateNetns netns;
  std::unique_ptr<psw_test::FaultAgent> agent;
  netns.run([&] { agent = std::make_unique<psw_test::FaultAgent>("127.0.0.1", 161); });
  agent->load(load("meters_laser"));
  Handle h;
  ASSERT_EQ(PSWCommandInteger(h, "CmdSetAnyModel", 1), PSW_OK);
  netns.run([&] {
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 200, 0), PSW_OK);
    psw_test::FaultScript silent;
    silent.drop_first = 1000;
    agent->set_script(silent);
    PSWIdentityInfo id;
    std::memset(&id, 0x5A, sizeof id);
    const PSWIdentityInfo before = id;
    EXPECT_EQ(PSWGetIdentityInfo(h, &id), PSW_ERR_TIMEOUT);
    EXPECT_EQ(std::memcmp(&id, &before, sizeof id), 0);
    int32_t count = 7;
    EXPECT_EQ(PSWGetNumberOfMarkerInfo(h, &count), PSW_ERR_TIMEOUT);
    EXPECT_EQ(count, 7);
  });
}

// ---------------------------------------------------------------------------
// The printer test of a device with Printer MIB tables only
// ---------------------------------------------------------------------------

class TablesOnly : public ::testing::TestWithParam<AgentKind> {};

TEST_P(TablesOnly, OpensWithTheCommandAndIsRefusedWithout) {
  ServedDevice device(GetParam(), load("printer_mib_tables_only"));
  device.run([&] {
    Handle without;
    EXPECT_EQ(PSWInitDevice(without, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_ERR_ARGUMENT);
    Handle with;
    ASSERT_EQ(PSWCommandInteger(with, "CmdSetAnyModel", 1), PSW_OK);
    ASSERT_EQ(PSWInitDevice(with, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    int32_t count = 0;
    ASSERT_EQ(PSWGetNumberOfSupplyInfo(with, &count), PSW_OK);
    EXPECT_EQ(count, 2);
  });
}

INSTANTIATE_TEST_SUITE_P(Agents, TablesOnly, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp),
                         [](const ::testing::TestParamInfo<AgentKind>& info) { return agent_name(info.param); });

// ---------------------------------------------------------------------------
// Supply levels and trimmed texts (no device)
// ---------------------------------------------------------------------------

TEST(SupplyLevel, EveryStateOfTheLevelValues) {
  struct Row {
    int32_t supplyClass, unit, max, level;
    int32_t percent, state;
  } rows[] = {
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 12000, 4200, 35, PSW_LEVEL_KNOWN},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 12000, 0, 0, PSW_LEVEL_KNOWN},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 3, 1, 33, PSW_LEVEL_KNOWN},             // rounded down
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 3, 2, 67, PSW_LEVEL_KNOWN},             // rounded up
      {PSW_SUPPLY_CLASS_CONSUMED, 1, 100, 104, 100, PSW_LEVEL_KNOWN},        // above its maximum
      {PSW_SUPPLY_CLASS_CONSUMED, 1, 100, 37, 37, PSW_LEVEL_KNOWN},          // ink: unit other, max 100
      {PSW_SUPPLY_CLASS_CONSUMED, 19, -2, 64, 64, PSW_LEVEL_KNOWN},          // in percent, no maximum
      {PSW_SUPPLY_CLASS_CONSUMED, 7, -2, -3, PSW_VALUE_ABSENT, PSW_LEVEL_SOME_REMAINING},
      {PSW_SUPPLY_CLASS_RECEPTACLE, 7, -2, -3, PSW_VALUE_ABSENT, PSW_LEVEL_SOME_REMAINING},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 12000, -2, PSW_VALUE_ABSENT, PSW_LEVEL_UNKNOWN},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 12000, PSW_VALUE_ABSENT, PSW_VALUE_ABSENT, PSW_LEVEL_UNKNOWN},
      {PSW_SUPPLY_CLASS_CONSUMED, 1, 100, -100, PSW_VALUE_ABSENT, PSW_LEVEL_UNKNOWN},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 12000, -1, PSW_VALUE_ABSENT, PSW_LEVEL_OTHER},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, -1, 500, PSW_VALUE_ABSENT, PSW_LEVEL_NO_MAXIMUM},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 0, 500, PSW_VALUE_ABSENT, PSW_LEVEL_NO_MAXIMUM},
      {PSW_SUPPLY_CLASS_CONSUMED, 7, PSW_VALUE_ABSENT, 500, PSW_VALUE_ABSENT, PSW_LEVEL_NO_MAXIMUM},
      // A receptacle's level is its space left: 45000 of 50000 is 90 % left.
      {PSW_SUPPLY_CLASS_RECEPTACLE, 7, 50000, 45000, 90, PSW_LEVEL_RECEPTACLE},
      {PSW_SUPPLY_CLASS_RECEPTACLE, 7, 50000, 0, 0, PSW_LEVEL_RECEPTACLE},
      // Counts near the 32-bit limit do not overflow.
      {PSW_SUPPLY_CLASS_CONSUMED, 7, 2147483647, 2147483646, 100, PSW_LEVEL_KNOWN},
  };
  for (const Row& r : rows) {
    int32_t percent = 12345, state = 12345;
    ASSERT_EQ(PSWGetSupplyLevel(r.supplyClass, r.unit, r.max, r.level, &percent, &state), PSW_OK);
    EXPECT_EQ(percent, r.percent) << r.max << " " << r.level;
    EXPECT_EQ(state, r.state) << r.max << " " << r.level;
  }
  int32_t value = 0;
  EXPECT_EQ(PSWGetSupplyLevel(3, 7, 100, 50, nullptr, &value), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetSupplyLevel(3, 7, 100, 50, &value, nullptr), PSW_ERR_ARGUMENT);
}

TEST(TextToUTF8Trimmed, PaddingLeavesBothEndsAndTheTextStaysConverted) {
  char out[PSW_UTF8_TEXT_SIZE];
  ASSERT_EQ(PSWTextToUTF8Trimmed("000000000   ", out), PSW_OK);
  EXPECT_STREQ(out, "000000000");
  ASSERT_EQ(PSWTextToUTF8Trimmed(" \t CNB1K12345\r\n", out), PSW_OK);
  EXPECT_STREQ(out, "CNB1K12345");
  ASSERT_EQ(PSWTextToUTF8Trimmed("   ", out), PSW_OK);
  EXPECT_STREQ(out, "");
  ASSERT_EQ(PSWTextToUTF8Trimmed("Pronta  a stampare ", out), PSW_OK);
  EXPECT_STREQ(out, "Pronta  a stampare");  // blanks inside stay
  ASSERT_EQ(PSWTextToUTF8Trimmed("Caf\xE9 ", out), PSW_OK);
  EXPECT_STREQ(out, "Caf\xC3\xA9");  // Latin-1 read as before
  char in_place[PSW_UTF8_TEXT_SIZE] = "  in place  ";
  ASSERT_EQ(PSWTextToUTF8Trimmed(in_place, in_place), PSW_OK);
  EXPECT_STREQ(in_place, "in place");
  EXPECT_EQ(PSWTextToUTF8Trimmed(nullptr, out), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWTextToUTF8Trimmed("x", nullptr), PSW_ERR_ARGUMENT);
}

}  // namespace
}  // namespace meter_read_test
