// The status functions of the C interface against printers that answer the
// way devices of other makers do (the profiles in tests/agent/profiles:
// columns left out, columns filled for some rows only, Latin-1 texts,
// indices that are not 1..n), each served in turn by two independent agents,
// Net-SNMP's snmpd and pysnmp. Every record of every table is compared, field
// by field, with what the profile itself gives (device/profile_expectations.h).
// Then the option reader against both agents, and the status readers over
// SNMPv3 against the pysnmp agent.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "agent/pysnmp_agent.h"
#include "api/api_test_support.h"
#include "agent/snmp_tools.h"
#include "device/profile_expectations.h"
#include "device/psw_dev_comm_option_keys.h"
#include "device/status_expected_records.h"
#include "device/status_test_support.h"
#include "psw/psw.h"

namespace profile_test {
namespace {

using psw_test::UsmUser;

// ---------------------------------------------------------------------------
// Profiles and agents
// ---------------------------------------------------------------------------

constexpr const char* kOffice = "office_mfp";

// The office printer is two files served together; every other profile is
// one file of the same name.
SnmprecProfile load_profile(const std::string& name) {
  if (name == kOffice) return status_test::office_printer_profile();
  return SnmprecProfile::load(psw_test::profile_path(name + ".snmprec"));
}

const char* const kProfiles[] = {
    kOffice,
    "mono_laser_latin1",
    "desktop_no_input_type",
    "label_no_hr_types",
    "workgroup_sparse_columns",
    "production_odd_indices",
    "colour_mfp_supplies",
};

enum class AgentKind { kSnmpd, kPysnmp };

const char* agent_name(AgentKind kind) { return kind == AgentKind::kSnmpd ? "snmpd" : "pysnmp"; }

// How the agent lets clients in: the communities "public" and "private",
// or SNMPv3 users only.
struct Access {
  bool communities = true;
  std::vector<UsmUser> users;
};

// One profile served by one agent on port 161 of 127.0.0.1 and ::1, in a
// namespace of its own (the library always talks to port 161); code that
// talks to it runs through run().
class ServedPrinter {
 public:
  ServedPrinter(AgentKind kind, SnmprecProfile profile, const Access& access = {}) {
    if (kind == AgentKind::kSnmpd) {
      snmpd_ = std::make_unique<status_test::SimulatedPrinter>(std::move(profile), [&](psw_test::SnmpdOptions& o) {
        if (!access.communities) {
          o.read_community.clear();
          o.write_community.clear();
        }
        o.users = access.users;
      });
      return;
    }
    netns_ = std::make_unique<status_test::PrivateNetns>();
    psw_test::PysnmpOptions o;
    o.profile = std::move(profile);
    o.netns = netns_->name();
    o.listen = {"127.0.0.1", "::1"};
    o.port = 161;
    if (access.communities) {
      o.write_community = "private";
    } else {
      o.read_community.clear();
    }
    o.users = access.users;
    pysnmp_ = std::make_unique<psw_test::PysnmpAgent>(std::move(o));
  }

  void run(const std::function<void()>& fn) const {
    if (snmpd_) {
      snmpd_->run(fn);
    } else {
      netns_->run(fn);
    }
  }
  const std::string& netns() const { return snmpd_ ? snmpd_->netns().name() : netns_->name(); }

 private:
  std::unique_ptr<status_test::SimulatedPrinter> snmpd_;
  std::unique_ptr<status_test::PrivateNetns> netns_;  // before the agent: it goes last
  std::unique_ptr<psw_test::PysnmpAgent> pysnmp_;
};

// ---------------------------------------------------------------------------
// Reading every table
// ---------------------------------------------------------------------------

using api_test::CountFn;
using api_test::Handle;

// One table against its expectation, named in failures.
template <class Record>
void expect_table(const char* table, PSWHANDLE h, const CountFn<Record>& count_fn, api_test::CopyFn<Record> copy_fn,
                  const std::vector<Record>& expected) {
  SCOPED_TRACE(table);
  api_test::expect_records<Record>(h, count_fn, copy_fn, expected);
}

CountFn<PSWJobInfo> every_job() {
  return [](PSWHANDLE h, int32_t* count) { return PSWGetNumberOfJobInfo(h, PSW_JOBS_ALL, count); };
}

// Every status table of the opened device against the profile.
void expect_every_table(PSWHANDLE h, const std::string& name, const SnmprecProfile& p) {
  expect_table<PSWStorageInfo>("storage", h, PSWGetNumberOfStorageInfo, PSWGetStorageInfo, expected_storage(p));
  expect_table<PSWDeviceInfo>("devices", h, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo, expected_devices(p));
  expect_table<PSWInputTrayInfo>("input trays", h, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo,
                                 expected_input_trays(p));
  expect_table<PSWOutputTrayInfo>("output trays", h, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo,
                                  expected_output_trays(p));
  expect_table<PSWTonerInfo>("toners", h, PSWGetNumberOfTonerInfo, PSWGetTonerInfo, expected_toners(p));
  expect_table<PSWAlertInfo>("alerts", h, PSWGetNumberOfAlertInfo, PSWGetAlertInfo, expected_alerts(p));

  PSWPrinterInfo printer;
  std::memset(&printer, 0xA5, sizeof printer);
  EXPECT_EQ(PSWGetPrinterInfo(h, &printer), 0);
  EXPECT_EQ(printer, expected_printer(p)) << "printer";

  int32_t char_set = -1;
  EXPECT_EQ(PSWGetCharSet(h, PSW_CHARSET_PRINTER, &char_set), 0);
  EXPECT_EQ(char_set, expected_char_set(p)) << "printer character set";

  // The job tables are the supported maker's own: only the office printer
  // has them (its records are checked by hand in status_expected_records.h);
  // a device without them has no jobs.
  ASSERT_EQ(has_job_tables(p), name == kOffice);
  expect_table<PSWJobInfo>("jobs", h, every_job(), PSWGetJobInfo,
                           name == kOffice ? status_test::expected_jobs() : std::vector<PSWJobInfo>{});
}

// ---------------------------------------------------------------------------
// The expectations themselves
// ---------------------------------------------------------------------------

template <class Record>
void expect_same(const std::vector<Record>& worked_out, const std::vector<Record>& by_hand, const char* table) {
  ASSERT_EQ(worked_out.size(), by_hand.size()) << table;
  for (size_t i = 0; i < by_hand.size(); ++i) EXPECT_EQ(worked_out[i], by_hand[i]) << table << " record " << i;
}

// The office printer's records were worked out by hand from its profile;
// the rules here must give the same.
TEST(ProfileExpectations, AgreeWithTheHandCheckedOfficePrinterRecords) {
  SnmprecProfile p = load_profile(kOffice);
  expect_same(expected_storage(p), status_test::expected_storage(), "storage");
  expect_same(expected_devices(p), status_test::expected_devices(), "devices");
  expect_same(expected_input_trays(p), status_test::expected_input_trays(), "input trays");
  expect_same(expected_output_trays(p), status_test::expected_output_trays(), "output trays");
  expect_same(expected_toners(p), status_test::expected_toners(), "toners");
  expect_same(expected_alerts(p), status_test::expected_alerts(), "alerts");
  EXPECT_EQ(expected_printer(p), status_test::expected_printer());
  EXPECT_EQ(expected_char_set(p), status_test::kExpectedCharSet);
}

// What the rules give where cells are absent, on one small table.
TEST(ProfileExpectations, AbsentCellsGiveNeutralValuesAndRowsAreTheUnionInNumericOrder) {
  SnmprecProfile p = SnmprecProfile::parse(
      "1.3.6.1.2.1.25.2.3.1.2.10|6|1.3.6.1.2.1.25.2.1.4\n"
      "1.3.6.1.2.1.25.2.3.1.4.9|2|512\n"
      "1.3.6.1.2.1.25.2.3.1.5.10|2|77\n"
      "1.3.6.1.2.1.25.2.3.1.3.2|4x|f3\n"
      "1.3.6.1.2.1.25.2.3.1.6.1|2|5\n",  // hrStorageUsed: not read, not a row
      "absent cells");
  std::vector<PSWStorageInfo> rows = expected_storage(p);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].type, 0);
  EXPECT_EQ(rows[0].allocationUnits, PSW_VALUE_ABSENT);
  EXPECT_EQ(rows[0].size, PSW_VALUE_ABSENT);
  EXPECT_STREQ(rows[0].description, "\xF3");
  EXPECT_EQ(rows[1].allocationUnits, 512);  // row 9 before row 10
  EXPECT_STREQ(rows[1].description, "");
  EXPECT_EQ(rows[2].type, 4);
  EXPECT_EQ(rows[2].size, 77);
}

// ---------------------------------------------------------------------------
// Each profile against each agent
// ---------------------------------------------------------------------------

struct Case {
  const char* profile;
  AgentKind agent;
};

std::string case_name(const ::testing::TestParamInfo<Case>& info) {
  return std::string(info.param.profile) + "_" + agent_name(info.param.agent);
}
void PrintTo(const Case& c, std::ostream* os) { *os << c.profile << " through " << agent_name(c.agent); }

class ProfileReaders : public ::testing::TestWithParam<Case> {};

TEST_P(ProfileReaders, EveryStatusTableAsTheProfileHasIt) {
  SnmprecProfile profile = load_profile(GetParam().profile);
  ServedPrinter printer(GetParam().agent, profile);
  printer.run([&] {
    Handle h;
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    expect_every_table(h, GetParam().profile, profile);
  });
}

// The same over IPv6, for the office printer.
TEST(ProfileReadersIpv6, TheOfficePrinterThroughEitherAgent) {
  SnmprecProfile profile = load_profile(kOffice);
  for (AgentKind agent : {AgentKind::kSnmpd, AgentKind::kPysnmp}) {
    SCOPED_TRACE(agent_name(agent));
    ServedPrinter printer(agent, profile);
    printer.run([&] {
      Handle h;
      ASSERT_EQ(PSWInitDevice(h, "::1", PSW_TRANSPORT_UDP6, 2000, 1), 0);
      expect_every_table(h, kOffice, profile);
    });
  }
}

std::vector<Case> every_case() {
  std::vector<Case> cases;
  for (const char* p : kProfiles) {
    for (AgentKind a : {AgentKind::kSnmpd, AgentKind::kPysnmp}) cases.push_back({p, a});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileReaders, ::testing::ValuesIn(every_case()), case_name);

// The same over SNMPv2c ("CmdSetCommunityVersion" 2): every status record
// as the profile has it, and every option as an SNMPv1 reading gives it.
class ProfileReadersV2c : public ::testing::TestWithParam<Case> {};

TEST_P(ProfileReadersV2c, EveryStatusTableAndOptionAsOverSnmpv1) {
  SnmprecProfile profile = load_profile(GetParam().profile);
  ServedPrinter printer(GetParam().agent, profile);
  printer.run([&] {
    Handle v1;
    ASSERT_EQ(PSWInitDevice(v1, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    ASSERT_EQ(PSWRefreshOptions(v1), 0);
    Handle h;
    ASSERT_EQ(PSWCommandInteger(h, "CmdSetCommunityVersion", 2), 0);
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    expect_every_table(h, GetParam().profile, profile);
    ASSERT_EQ(PSWRefreshOptions(h), 0);
    EXPECT_EQ(api_test::every_option(h), api_test::every_option(v1));
  });
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileReadersV2c, ::testing::ValuesIn(every_case()), case_name);

// ---------------------------------------------------------------------------
// Over SNMPv3 against the pysnmp agent
// ---------------------------------------------------------------------------

const UsmUser kAlice{"alice", "SHA", "alice-auth-pass", "AES", "alice-priv-pass", true};

PSWUSMSettings alice_settings() {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  status_test::copy_text(block.userName, kAlice.name.c_str());
  block.securityLevel = PSW_USM_AUTH_PRIV;
  block.authProtocol = PSW_USM_AUTH_HMAC_SHA;
  block.privProtocol = PSW_USM_PRIV_AES;
  status_test::copy_text(block.authPassPhrase, kAlice.auth_passphrase.c_str());
  status_test::copy_text(block.privPassPhrase, kAlice.priv_passphrase.c_str());
  return block;
}

class ProfileReadersV3 : public ::testing::TestWithParam<const char*> {};

TEST_P(ProfileReadersV3, EveryStatusTableOverAuthPrivSha1Aes) {
  SnmprecProfile profile = load_profile(GetParam());
  Access v3_only;
  v3_only.communities = false;
  v3_only.users = {kAlice};
  ServedPrinter printer(AgentKind::kPysnmp, profile, v3_only);
  printer.run([&] {
    Handle h;
    PSWUSMSettings block = alice_settings();
    ASSERT_EQ(PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1), 0);
    expect_every_table(h, GetParam(), profile);
  });
}

INSTANTIATE_TEST_SUITE_P(Profiles, ProfileReadersV3, ::testing::ValuesIn(kProfiles),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

// A job cancel is a Set: over SNMPv3 the pysnmp agent takes it for an
// unfinished job and keeps the value, and refuses it for a finished one.
TEST(ProfileReadersV3Cancel, CancelsAnUnfinishedJobOfTheOfficePrinter) {
  Access v3_only;
  v3_only.communities = false;
  v3_only.users = {kAlice};
  ServedPrinter printer(AgentKind::kPysnmp, load_profile(kOffice), v3_only);
  printer.run([&] {
    Handle h;
    PSWUSMSettings block = alice_settings();
    ASSERT_EQ(PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1), 0);
    EXPECT_EQ(PSWCancelJob(h, "00001045"), 0);
    EXPECT_EQ(PSWCancelJob(h, "00001041"), -7);
  });
  psw_test::SnmpTools tools;
  auto value_of = [&](const std::string& id) {
    return tools
        .run("snmpget",
             {"-v3", "-l", "authPriv", "-u", "alice", "-a", "SHA", "-A", "alice-auth-pass", "-x", "AES", "-X",
              "alice-priv-pass", "-Ov", "udp:127.0.0.1:161", status_test::cancel_oid(id)},
             printer.netns())
        .output;
  };
  EXPECT_NE(value_of("00001045").find("INTEGER: 1414"), std::string::npos) << value_of("00001045");
  EXPECT_NE(value_of("00001041").find("INTEGER: 0"), std::string::npos) << value_of("00001041");
}

// ---------------------------------------------------------------------------
// Options against both agents
// ---------------------------------------------------------------------------

std::map<std::string, std::string> options_from(AgentKind kind, const SnmprecProfile& profile) {
  std::map<std::string, std::string> options;
  ServedPrinter printer(kind, profile);
  printer.run([&] {
    Handle h;
    ASSERT_EQ(PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1), 0);
    ASSERT_EQ(PSWRefreshOptions(h), 0);
    options = api_test::every_option(h);
  });
  return options;
}

std::string text_of(const SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  return e == nullptr ? std::string() : e->value.bytes;
}

TEST(ProfileOptions, TheOfficePrinterGivesTheSameOptionsThroughEitherAgent) {
  SnmprecProfile profile = load_profile(kOffice);
  std::map<std::string, std::string> snmpd = options_from(AgentKind::kSnmpd, profile);
  std::map<std::string, std::string> pysnmp = options_from(AgentKind::kPysnmp, profile);
  ASSERT_FALSE(snmpd.empty());
  for (const auto& kv : snmpd) {
    auto other = pysnmp.find(kv.first);
    ASSERT_NE(other, pysnmp.end()) << kv.first;
    EXPECT_EQ(other->second, kv.second) << kv.first << " (pysnmp, then snmpd)";
  }
  EXPECT_EQ(pysnmp.size(), snmpd.size());
  // A few answers straight from the profile.
  EXPECT_EQ(pysnmp["SysName[0]"], "0: " + text_of(profile, "1.3.6.1.2.1.1.5.0"));
  EXPECT_EQ(pysnmp["MemorySizeInKByte[0]"],
            "0: " + std::to_string(profile.find(psw_test::ber::parse_oid("1.3.6.1.2.1.25.2.2.0"))->value.integer));
  std::vector<PSWInputTrayInfo> trays = expected_input_trays(profile);
  EXPECT_EQ(pysnmp["NumberOfInputTray[0]"], "0: " + std::to_string(trays.size()));
  for (size_t i = 0; i < trays.size(); ++i) {
    std::string at = "[" + std::to_string(i) + "]";
    EXPECT_EQ(pysnmp["InputTrayName" + at], std::string("0: ") + trays[i].name);
    EXPECT_EQ(pysnmp["InputTrayDescription" + at], std::string("0: ") + trays[i].description);
    int32_t type = trays[i].type;
    EXPECT_EQ(pysnmp["InputTrayType" + at], "0: " + std::to_string(type));
  }
}

}  // namespace
}  // namespace profile_test
