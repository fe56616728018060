// Printers of other makers through the integer command "CmdSetAnyModel":
// the command itself, opening and reading every status table of profiles
// modelled on other makers' devices (a laser with toner cartridges, an ink
// printer, a label printer without trays, a print server with a Printer
// MIB and an unknown sysObjectID), the refusal of a device that is no
// printer, the option keys (-5 for the supported maker's), the supplies of
// every type, and searches with mixed models. Each device is served by
// Net-SNMP's snmpd and by pysnmp; every expected value is worked out from
// the profile itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "agent/netns_network.h"
#include "agent/pysnmp_agent.h"
#include "api/api_test_support.h"
#include "api/psw_handle.h"
#include "api/served_device.h"
#include "device/profile_expectations.h"
#include "device/psw_dev_comm_option_keys.h"
#include "device/status_netns.h"
#include "device/status_test_support.h"
#include "psw/psw.h"

bool operator==(const PSWSupplyInfo& a, const PSWSupplyInfo& b) { return status_test::same_record(a, b); }
void PrintTo(const PSWSupplyInfo& r, std::ostream* os) {
  *os << "{index " << r.supplyIndex << ", marker " << r.markerIndex << ", colorant " << r.colorantIndex << " \""
      << r.colorant << "\", class " << r.supplyClass << ", type " << r.type << ", unit " << r.supplyUnit << ", max "
      << r.maxCapacity << ", level " << r.level << ", \"" << r.description << "\"}";
}

namespace any_model_test {
namespace {

using api_test::AgentKind;
using api_test::agent_name;
using api_test::Handle;
using api_test::ServedDevice;
using profile_test::number_field;
using profile_test::ProfileTable;
using psw_test::SnmprecProfile;
using psw_test::ber::Oid;

constexpr const char* kAnyModel = "CmdSetAnyModel";
constexpr const char* kSupportedModel = "1.3.6.1.4.1.47001.1.11.93.1.34.40.1";

SnmprecProfile load(const std::string& name) { return api_test::shipped_profile(name); }

const psw_test::ber::Value* object(const SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  return e == nullptr ? nullptr : &e->value;
}
std::string text_of(const SnmprecProfile& p, const std::string& oid) {
  const psw_test::ber::Value* v = object(p, oid);
  return v == nullptr ? std::string() : v->bytes;
}
std::string sys_object_id(const SnmprecProfile& p) {
  const psw_test::ber::Value* v = object(p, "1.3.6.1.2.1.1.2.0");
  return v == nullptr ? std::string() : psw_test::ber::oid_text(v->oid);
}

// ---------------------------------------------------------------------------
// What a profile must give
// ---------------------------------------------------------------------------

// Every row of prtMarkerSuppliesTable in numeric index order, its colorant
// named by prtMarkerColorantValue of the same hrDeviceIndex.
std::vector<PSWSupplyInfo> expected_supplies(const SnmprecProfile& p) {
  ProfileTable t(p, "1.3.6.1.2.1.43.11.1.1", {2, 3, 4, 5, 6, 7, 8, 9});
  ProfileTable colorants(p, "1.3.6.1.2.1.43.12.1.1", {4});
  std::vector<PSWSupplyInfo> out;
  for (const Oid& row : t.rows()) {
    out.push_back(status_test::make_record<PSWSupplyInfo>([&](PSWSupplyInfo& r) {
      r.supplyIndex = static_cast<int32_t>(row.back());
      r.markerIndex = number_field(t.cell(2, row));
      r.colorantIndex = number_field(t.cell(3, row));
      r.supplyClass = number_field(t.cell(4, row));
      r.type = number_field(t.cell(5, row));
      r.supplyUnit = number_field(t.cell(7, row));
      r.maxCapacity = number_field(t.cell(8, row));
      r.level = number_field(t.cell(9, row));
      profile_test::text_field(r.description, t.cell(6, row));
      if (r.colorantIndex > 0) {
        Oid key{row.front(), static_cast<uint32_t>(r.colorantIndex)};
        profile_test::text_field(r.colorant, colorants.cell(4, key));
      }
    }));
  }
  return out;
}

// The printer record: status absent and no error without a printer row.
PSWPrinterInfo expected_printer(const SnmprecProfile& p) {
  if (ProfileTable(p, "1.3.6.1.2.1.25.3.5.1", {1, 2}).rows().empty()) {
    return status_test::make_record<PSWPrinterInfo>([](PSWPrinterInfo& r) { r.status = PSW_VALUE_ABSENT; });
  }
  return profile_test::expected_printer(p);
}

// The character set: 0 when the device names no current localization.
int32_t expected_char_set(const SnmprecProfile& p) {
  if (ProfileTable(p, "1.3.6.1.2.1.43.5.1.1", {2}).rows().empty()) return 0;
  return profile_test::expected_char_set(p);
}

// Whether some cell of `column` (an entry OID and column number) holds one
// of `values`.
bool any_cell(const SnmprecProfile& p, const std::string& entry, uint32_t column, std::set<int32_t> values) {
  ProfileTable t(p, entry, {column});
  for (const Oid& row : t.rows()) {
    if (values.count(number_field(t.cell(column, row))) != 0) return true;
  }
  return false;
}

// The standard option keys' answers worked out from the profile, as
// "result: value" by "key[index]".
std::map<std::string, std::string> expected_standard_options(const SnmprecProfile& p) {
  std::map<std::string, std::string> out;
  auto ok = [](const std::string& v) { return "0: " + v; };
  out["SysName[0]"] = ok(text_of(p, "1.3.6.1.2.1.1.5.0"));
  const psw_test::ber::Value* memory = object(p, "1.3.6.1.2.1.25.2.2.0");
  int32_t kb = memory == nullptr ? -1 : static_cast<int32_t>(memory->integer);
  out["MemorySizeInKByte[0]"] = ok(std::to_string(kb));
  out["MemorySizeInMByte[0]"] = ok(std::to_string(kb / 1024));
  out["DuplexModule[0]"] = ok(any_cell(p, "1.3.6.1.2.1.43.13.4.1", 9, {3, 4}) ? "1" : "0");
  out["OffsetCatch[0]"] = ok(any_cell(p, "1.3.6.1.2.1.43.9.2.1", 24, {3}) ? "1" : "0");
  out["InTrayMSI[0]"] = ok(any_cell(p, "1.3.6.1.2.1.43.8.2.1", 2, {5}) ? "1" : "0");
  std::vector<PSWInputTrayInfo> trays = profile_test::expected_input_trays(p);
  out["NumberOfInputTray[0]"] = ok(std::to_string(trays.size()));
  for (size_t i = 0; i < trays.size(); ++i) {
    std::string at = "[" + std::to_string(i) + "]";
    out["InputTrayIndex" + at] = ok(std::to_string(i + 1));
    out["InputTrayType" + at] = ok(std::to_string(trays[i].type == PSW_VALUE_ABSENT ? -1 : trays[i].type));
    out["InputTrayName" + at] = ok(trays[i].name);
    out["InputTrayDescription" + at] = ok(trays[i].description);
    out["InputTrayMediaType" + at] = ok(trays[i].mediaType);
  }
  return out;
}

// ---------------------------------------------------------------------------
// The cases
// ---------------------------------------------------------------------------

struct Case {
  const char* profile;
  AgentKind agent;
};
std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.profile) + "_" + agent_name(info.param.agent);
}
void PrintTo(const Case& c, std::ostream* os) { *os << c.profile << " through " << agent_name(c.agent); }

std::vector<Case> cases_of(std::initializer_list<const char*> profiles) {
  std::vector<Case> cases;
  for (const char* p : profiles) {
    for (AgentKind a : {AgentKind::kSnmpd, AgentKind::kPysnmp}) cases.push_back({p, a});
  }
  return cases;
}

const char* const kForeignPrinters[] = {"laser_cartridges", "inkjet", "label_no_trays", "printer_mib_unknown_id"};

// ---------------------------------------------------------------------------
// The command
// ---------------------------------------------------------------------------

TEST(AnyModelCommand, OnlyTheExactCommandWithZeroOrOneIsTaken) {
  Handle h;
  EXPECT_FALSE(h->m_bAnyModel);
  EXPECT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
  EXPECT_TRUE(h->m_bAnyModel);
  for (intptr_t refused : {intptr_t{2}, intptr_t{-1}, intptr_t{256}}) {
    EXPECT_EQ(PSWCommandInteger(h, kAnyModel, refused), PSW_ERR_ARGUMENT) << refused;
    EXPECT_TRUE(h->m_bAnyModel) << "a refused value changes nothing";
  }
  EXPECT_EQ(PSWCommandInteger(h, kAnyModel, 0), PSW_OK);
  EXPECT_FALSE(h->m_bAnyModel);
  // Compared exactly; every other text answers as before the command.
  for (const char* other : {"cmdsetanymodel", "CmdSetAnyModel ", "CmdSetAnyModels", "CmdSetAnyMode", ""}) {
    EXPECT_EQ(PSWCommandInteger(h, other, 1), PSW_ERR_UNSUPPORTED) << other;
    EXPECT_EQ(PSWCommandInteger(h, other, 0), PSW_ERR_ARGUMENT) << other;
  }
  EXPECT_EQ(PSWCommandInteger(h, nullptr, 1), PSW_ERR_UNSUPPORTED);
  EXPECT_EQ(PSWCommandInteger(h, nullptr, 0), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWCommandInteger(nullptr, kAnyModel, 1), PSW_ERR_ARGUMENT);
  EXPECT_FALSE(h->m_bAnyModel);
  // The integer command is no string command.
  EXPECT_EQ(PSWCommandString(h, kAnyModel, "1"), PSW_ERR_UNSUPPORTED);
}

TEST(AnyModelCommand, SupplyFunctionsCheckLikeTheOtherTables) {
  Handle h;
  int32_t count = -1;
  PSWSupplyInfo info;
  EXPECT_EQ(PSWGetNumberOfSupplyInfo(nullptr, &count), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetNumberOfSupplyInfo(h, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetNumberOfSupplyInfo(h, &count), PSW_ERR_NOT_OPENED);
  EXPECT_EQ(count, -1);
  EXPECT_EQ(PSWGetSupplyInfo(nullptr, 0, &info), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetSupplyInfo(h, 0, nullptr), PSW_ERR_ARGUMENT);
  EXPECT_EQ(PSWGetSupplyInfo(h, 0, &info), PSW_ERR_NOT_OPENED);
}

// ---------------------------------------------------------------------------
// Printers of other makers
// ---------------------------------------------------------------------------

class AnyModelPrinters : public ::testing::TestWithParam<Case> {};

TEST_P(AnyModelPrinters, OpenOnlyWithTheCommandAndGiveEveryTable) {
  const SnmprecProfile p = load(GetParam().profile);
  const std::string id = sys_object_id(p);
  ServedDevice device(GetParam().agent, p);
  device.run([&] {
    Handle h;
    int32_t count = -1;
    // Without the command: refused, as always.
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_ERR_ARGUMENT);
    EXPECT_EQ(PSWGetNumberOfSupplyInfo(h, &count), PSW_ERR_NOT_OPENED);

    ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    EXPECT_EQ(PSWIsSupportedOID(h, id.c_str()), 1);
    EXPECT_EQ(PSWIsSupportedOID(h, kSupportedModel), 0);

    api_test::expect_records<PSWStorageInfo>(h, PSWGetNumberOfStorageInfo, PSWGetStorageInfo,
                                             profile_test::expected_storage(p));
    api_test::expect_records<PSWDeviceInfo>(h, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo,
                                            profile_test::expected_devices(p));
    api_test::expect_records<PSWInputTrayInfo>(h, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo,
                                               profile_test::expected_input_trays(p));
    api_test::expect_records<PSWOutputTrayInfo>(h, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo,
                                                profile_test::expected_output_trays(p));
    api_test::expect_records<PSWTonerInfo>(h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo,
                                           profile_test::expected_toners(p));
    api_test::expect_records<PSWAlertInfo>(h, PSWGetNumberOfAlertInfo, PSWGetAlertInfo,
                                           profile_test::expected_alerts(p));
    api_test::expect_records<PSWSupplyInfo>(h, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo, expected_supplies(p));
    PSWPrinterInfo printer;
    std::memset(&printer, 0xA5, sizeof printer);
    EXPECT_EQ(PSWGetPrinterInfo(h, &printer), PSW_OK);
    EXPECT_EQ(printer, expected_printer(p));
    int32_t char_set = -1;
    EXPECT_EQ(PSWGetCharSet(h, PSW_CHARSET_PRINTER, &char_set), PSW_OK);
    EXPECT_EQ(char_set, expected_char_set(p));
    // The job table is the supported maker's own: another maker's printer
    // has no jobs there.
    EXPECT_EQ(PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, &count), PSW_OK);
    EXPECT_EQ(count, 0);

    // Options: the standard keys from the device's standard tables, -5 for
    // every key of the supported maker, of whatever kind.
    ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
    std::map<std::string, std::string> options = api_test::every_option(h, "untouched");
    std::map<std::string, std::string> standard = expected_standard_options(p);
    for (const auto& kv : standard) EXPECT_EQ(options[kv.first], kv.second) << kv.first;
    size_t maker_keys = 0;
    for (const PSWOptionKeyInfo& k : psw_option_keys()) {
      if (k.standard) continue;
      ++maker_keys;
      EXPECT_EQ(options[std::string(k.key) + "[0]"].substr(0, 4), "-5: ") << k.key;
    }
    EXPECT_GT(maker_keys, 30u);
    char text[PSW_OPTION_TEXT_SIZE] = "untouched";
    EXPECT_EQ(PSWGetOptionValueString(h, "PrinterRomVersion", 0, text), PSW_ERR_UNSUPPORTED);
    EXPECT_STREQ(text, "untouched");
    // Keys of another kind, unknown keys and tray indexes answer as usual.
    int32_t number = 0;
    EXPECT_EQ(PSWGetOptionValueInteger(h, "SysName", 0, &number), PSW_ERR_UNSUPPORTED);
    EXPECT_EQ(PSWGetOptionValueInteger(h, "NoSuchKey", 0, &number), PSW_ERR_UNSUPPORTED);
    const uint16_t past = static_cast<uint16_t>(profile_test::expected_input_trays(p).size());
    EXPECT_EQ(PSWGetOptionValueInteger(h, "InputTrayType", past, &number), PSW_ERR_INDEX);
    EXPECT_EQ(PSWGetOptionValueInteger(h, nullptr, 0, &number), PSW_ERR_ARGUMENT);

    // Switched back, the next opening refuses the device again.
    ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 0), PSW_OK);
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_ERR_ARGUMENT);
  });
}

INSTANTIATE_TEST_SUITE_P(Profiles, AnyModelPrinters,
                         ::testing::ValuesIn(cases_of({"laser_cartridges", "inkjet", "label_no_trays",
                                                       "printer_mib_unknown_id"})),
                         case_name);

class AnyModelRefusal : public ::testing::TestWithParam<AgentKind> {};

TEST_P(AnyModelRefusal, ADeviceWithoutPrinterMibIsRefusedWithTheCommandOn) {
  const SnmprecProfile p = load("network_switch");
  ServedDevice device(GetParam(), p);
  device.run([&] {
    Handle h;
    ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_ERR_ARGUMENT);
    int32_t count = -1;
    EXPECT_EQ(PSWGetNumberOfStorageInfo(h, &count), PSW_ERR_NOT_OPENED);
    // The refused reader still says what the device is.
    EXPECT_EQ(PSWIsSupportedOID(h, sys_object_id(p).c_str()), 1);
    // A device that does not answer at all: the time-out, not a refusal.
    EXPECT_EQ(PSWInitDevice(h, "127.0.0.9", PSW_TRANSPORT_UDP, 200, 0), PSW_ERR_TIMEOUT);
  });
}

INSTANTIATE_TEST_SUITE_P(Agents, AnyModelRefusal, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp),
                         [](const ::testing::TestParamInfo<AgentKind>& i) { return agent_name(i.param); });

// Over SNMPv3 a GetNext past the last object answers endOfMibView (no
// error-status): the ink printer still opens, the switch is still refused.
TEST(AnyModelV3, PysnmpOverAuthPrivOpensThePrinterAndRefusesTheSwitch) {
  const psw_test::UsmUser user{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", true};
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  status_test::copy_text(block.userName, user.name.c_str());
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  status_test::copy_text(block.authPassPhrase, user.auth_passphrase.c_str());
  status_test::copy_text(block.privPassPhrase, user.priv_passphrase.c_str());
  for (const char* name : {"inkjet", "network_switch"}) {
    SCOPED_TRACE(name);
    const SnmprecProfile p = load(name);
    status_test::PrivateNetns netns;
    psw_test::PysnmpOptions o;
    o.profile = p;
    o.netns = netns.name();
    o.listen = {"127.0.0.1"};
    o.port = 161;
    o.read_community.clear();
    o.users = {user};
    psw_test::PysnmpAgent agent(std::move(o));
    netns.run([&] {
      Handle h;
      ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
      const int32_t rc = PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1);
      if (std::string(name) == "network_switch") {
        EXPECT_EQ(rc, PSW_ERR_ARGUMENT);
        return;
      }
      ASSERT_EQ(rc, PSW_OK);
      api_test::expect_records<PSWSupplyInfo>(h, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo, expected_supplies(p));
      int32_t count = -1;
      ASSERT_EQ(PSWFindDeviceSNMPEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 500, 1, &count),
                PSW_OK);
      EXPECT_EQ(count, 1);
    });
  }
}

// ---------------------------------------------------------------------------
// The supported model with the command on, and supplies without it
// ---------------------------------------------------------------------------

TEST(AnyModelSupportedModel, AnswersEveryOptionAsWithoutTheCommand) {
  ServedDevice device(AgentKind::kSnmpd, status_test::office_printer_profile());
  device.run([&] {
    std::map<std::string, std::string> with_command[2];
    for (int on = 0; on < 2; ++on) {
      Handle h;
      ASSERT_EQ(PSWCommandInteger(h, kAnyModel, on), PSW_OK);
      ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
      ASSERT_EQ(PSWRefreshOptions(h), PSW_OK);
      with_command[on] = api_test::every_option(h, "untouched");
      EXPECT_EQ(PSWIsSupportedOID(h, kSupportedModel), 1);
    }
    EXPECT_EQ(with_command[1], with_command[0]);
    // The maker's keys are answered for the supported model.
    EXPECT_EQ(with_command[1]["PrinterRomVersionMajor[0]"].substr(0, 3), "0: ");
  });
}

class SupplyTable : public ::testing::TestWithParam<Case> {};

// The supported model's supplies (toners, waste toner, drums) through the
// new table, without the command; the toner table keeps the toners alone.
TEST_P(SupplyTable, EveryRowOfTheSupportedModelWithoutTheCommand) {
  const SnmprecProfile p = load(GetParam().profile);
  ServedDevice device(GetParam().agent, p);
  device.run([&] {
    Handle h;
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), PSW_OK);
    std::vector<PSWSupplyInfo> supplies = expected_supplies(p);
    api_test::expect_records<PSWSupplyInfo>(h, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo, supplies);
    std::vector<PSWTonerInfo> toners = profile_test::expected_toners(p);
    api_test::expect_records<PSWTonerInfo>(h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo, toners);
    EXPECT_GT(supplies.size(), toners.size());
  });
}

INSTANTIATE_TEST_SUITE_P(Profiles, SupplyTable, ::testing::ValuesIn(cases_of({"colour_mfp_supplies"})), case_name);

// ---------------------------------------------------------------------------
// Searches
// ---------------------------------------------------------------------------

// Every device of a search as "address|model|sysObjectID", sorted.
std::vector<std::string> walk(PSWHANDLE h) {
  std::vector<std::string> found;
  char a[PSW_DEVICE_TEXT_SIZE], m[PSW_DEVICE_TEXT_SIZE], f[1], o[PSW_DEVICE_TEXT_SIZE];
  while (found.size() < 20 && PSWGetDeviceNext(h, a, m, f, o) == 1) {
    found.push_back(std::string(a) + "|" + m + "|" + o);
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::string cut_to_field(const std::string& text) { return text.substr(0, PSW_DEVICE_TEXT_SIZE - 1); }

// The supported office printer, the four printers of other makers and the
// switch on one network; searches by broadcast.
class AnyModelSearch : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_profiles.push_back(status_test::office_printer_profile());
    for (const char* name : kForeignPrinters) s_profiles.push_back(load(name));
    s_profiles.push_back(load("network_switch"));
    std::vector<psw_test::SnmpdOptions> agents(s_profiles.size());
    for (size_t i = 0; i < agents.size(); ++i) agents[i].profile = s_profiles[i];
    psw_test::NetnsNetworkOptions options;
    options.ipv6 = false;
    s_net = new psw_test::NetnsNetwork(agents, options);
  }
  static void TearDownTestSuite() {
    delete s_net;
    s_profiles.clear();
  }

  int32_t find(PSWHANDLE h, int32_t* count) {
    int32_t rc = 1;
    s_net->run_in_client([&] { rc = PSWFindDeviceSNMP(h, nullptr, PSW_TRANSPORT_UDP, 700, 1, count); });
    return rc;
  }
  // Agent i as the walk gives it, with `model` as its model name.
  static std::string device(size_t i, const std::string& model) {
    return s_net->agent_address(i) + "|" + model + "|" + sys_object_id(s_profiles[i]);
  }
  static std::string foreign(size_t i) { return device(i, cut_to_field(text_of(s_profiles[i], "1.3.6.1.2.1.1.1.0"))); }
  static std::vector<std::string> sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  }

  static psw_test::NetnsNetwork* s_net;
  static std::vector<SnmprecProfile> s_profiles;
};
psw_test::NetnsNetwork* AnyModelSearch::s_net = nullptr;
std::vector<SnmprecProfile> AnyModelSearch::s_profiles;

TEST_F(AnyModelSearch, KeepsEveryPrinterWithItsOwnDescriptionOnlyWithTheCommand) {
  Handle h;
  int32_t count = -1;
  const std::string supported = device(0, "Quillmark-VII Q4410");
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(count, 1);
  EXPECT_EQ(walk(h), std::vector<std::string>{supported});

  ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(count, 5);
  std::vector<std::string> found = walk(h);
  EXPECT_EQ(found, sorted({supported, foreign(1), foreign(2), foreign(3), foreign(4)}));
  // The laser's description is longer than the field: cut, not dropped.
  ASSERT_GT(text_of(s_profiles[1], "1.3.6.1.2.1.1.1.0").size(), size_t{PSW_DEVICE_TEXT_SIZE - 1});

  // Every printer found can be opened with the command on.
  for (size_t i = 0; i < 5; ++i) {
    s_net->run_in_client([&] {
      EXPECT_EQ(PSWInitDevice(h, s_net->agent_address(i).c_str(), PSW_TRANSPORT_UDP, 1000, 1), PSW_OK) << i;
    });
  }

  ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 0), PSW_OK);
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(count, 1);
}

TEST_F(AnyModelSearch, FiltersStillApplyToEveryModel) {
  Handle h;
  int32_t count = -1;
  ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
  // The ink printer's maker alone.
  ASSERT_EQ(PSWFindAddFilter(h, "1.3.6.1.4.1.64502"), PSW_OK);
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(walk(h), std::vector<std::string>{foreign(2)});
  // With the supported model's prefix as well.
  ASSERT_EQ(PSWFindAddFilter(h, kSupportedModel), PSW_OK);
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ(walk(h), sorted({device(0, "Quillmark-VII Q4410"), foreign(2)}));
  // A filter on the switch's maker finds nothing: it is no printer.
  PSWFindClearFilter(h);
  ASSERT_EQ(PSWFindAddFilter(h, "1.3.6.1.4.1.64505"), PSW_OK);
  ASSERT_EQ(find(h, &count), PSW_OK);
  EXPECT_EQ(count, 0);
}

// A search to one address through the pysnmp agent: the printer test and
// the description come from the second agent's answers just the same.
TEST(AnyModelSearchPysnmp, ASearchToOnePrinterAndToTheSwitch) {
  for (const char* name : {"inkjet", "label_no_trays", "network_switch"}) {
    SCOPED_TRACE(name);
    const SnmprecProfile p = load(name);
    ServedDevice device(AgentKind::kPysnmp, p);
    device.run([&] {
      Handle h;
      int32_t count = -1;
      ASSERT_EQ(PSWFindDeviceSNMP(h, "127.0.0.1", PSW_TRANSPORT_UDP, 500, 1, &count), PSW_OK);
      EXPECT_EQ(count, 0);
      ASSERT_EQ(PSWCommandInteger(h, kAnyModel, 1), PSW_OK);
      ASSERT_EQ(PSWFindDeviceSNMP(h, "127.0.0.1", PSW_TRANSPORT_UDP, 500, 1, &count), PSW_OK);
      if (std::string(name) == "network_switch") {
        EXPECT_EQ(count, 0);
        return;
      }
      EXPECT_EQ(count, 1);
      EXPECT_EQ(walk(h), std::vector<std::string>{"127.0.0.1|" + cut_to_field(text_of(p, "1.3.6.1.2.1.1.1.0")) +
                                                  "|" + sys_object_id(p)});
    });
  }
}

}  // namespace
}  // namespace any_model_test
