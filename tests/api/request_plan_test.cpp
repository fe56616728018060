// The request plan through the C interface: every shipped profile read over
// SNMPv1, SNMPv2c with GetNext and with GetBulk (few and many repetitions)
// and SNMPv3 with GetBulk, table by table and with PSWReadStatusTables, by
// Net-SNMP's snmpd and by pysnmp. Every plan must give the records (and
// the option answers) of the SNMPv1 table-by-table read, byte for byte; the requests each plan costs
// are checked against the plan's ceiling so that a regression shows.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "agent/snmprec_profile.h"
#include "api/api_test_support.h"
#include "api/served_device.h"
#include "api/usm_block.h"
#include "psw/psw.h"

namespace {

using api_test::AgentKind;
using api_test::ServedDevice;

const psw_test::UsmUser kReader{"reader", "SHA", "reader-auth-phrase", "AES", "reader-priv-phrase", false};

// How a read goes: SNMP version (1, 2 for SNMPv2c, 3), GetBulk repetitions
// (0: GetNext) and whether the tables are read together.
struct Plan {
  const char* name;
  int version;
  intptr_t repetitions;
  bool together;
};

const Plan kBaseline{"v1 table by table", 1, 0, false};
const Plan kPlans[] = {
    {"v1 together", 1, 0, true},          {"v2c GetNext together", 2, 0, true},
    {"v2c bulk 25 table by table", 2, 25, false}, {"v2c bulk 2 together", 2, 2, true},
    {"v2c bulk 25 together", 2, 25, true}, {"v3 bulk 25 together", 3, 25, true},
};

// Appends the bytes of `record` to `out`.
template <class Record>
void put(std::string* out, const Record& record) {
  out->append(reinterpret_cast<const char*>(&record), sizeof record);
}

template <class Record>
void put_table(std::string* out, PSWHANDLE h, int32_t count, int32_t (*copy)(PSWHANDLE, int32_t, Record*)) {
  *out += "[" + std::to_string(count) + "]";
  for (int32_t i = 0; i < count; ++i) {
    Record record;
    std::memset(&record, 0xA5, sizeof record);
    *out += std::to_string(copy(h, i, &record));
    put(out, record);
  }
}

// A table read by its count function or taken from PSWReadStatusTables.
template <class Record>
void read_table(std::string* out, PSWHANDLE h, bool together, uint32_t bit,
                int32_t (*count_fn)(PSWHANDLE, int32_t*), int32_t (*copy)(PSWHANDLE, int32_t, Record*)) {
  int32_t count = -1;
  int32_t rc = together ? PSWGetTableCount(h, bit, &count) : count_fn(h, &count);
  *out += "rc" + std::to_string(rc);
  put_table(out, h, count, copy);
}

// The option refresh's result and every option key's answer; the
// refresh's requests go to `*requests`.
std::string read_options(PSWHANDLE h, uint32_t* requests) {
  const uint32_t before = PSWGetThreadRequestCount();
  std::string out = "options" + std::to_string(PSWRefreshOptions(h));
  *requests = PSWGetThreadRequestCount() - before;
  for (const auto& [key, answer] : api_test::every_option(h, "untouched")) out += key + "=" + answer + ";";
  return out;
}

// Everything the status functions give for the opened device, as bytes.
std::string read_everything(PSWHANDLE h, bool together) {
  std::string out;
  if (together) {
    EXPECT_EQ(PSWReadStatusTables(h, PSW_TABLE_ALL_STATUS), PSW_OK);
  }
  read_table(&out, h, together, PSW_TABLE_STORAGE, PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  read_table(&out, h, together, PSW_TABLE_DEVICE, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  PSWPrinterInfo printer;
  std::memset(&printer, 0xA5, sizeof printer);
  out += "printer" + std::to_string(together ? PSWGetLastPrinterInfo(h, &printer) : PSWGetPrinterInfo(h, &printer));
  put(&out, printer);
  read_table(&out, h, together, PSW_TABLE_INPUT_TRAY, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  read_table(&out, h, together, PSW_TABLE_OUTPUT_TRAY, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  read_table(&out, h, together, PSW_TABLE_TONER, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  read_table(&out, h, together, PSW_TABLE_SUPPLY, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo);
  read_table(&out, h, together, PSW_TABLE_ALERT, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  read_table(&out, h, together, PSW_TABLE_MARKER, PSWGetNumberOfMarkerInfo, PSWGetMarkerInfo);
  read_table(&out, h, together, PSW_TABLE_COVER, PSWGetNumberOfCoverInfo, PSWGetCoverInfo);
  read_table(&out, h, together, PSW_TABLE_CONSOLE_LINE, PSWGetNumberOfConsoleLineInfo, PSWGetConsoleLineInfo);
  read_table(&out, h, together, PSW_TABLE_CONSOLE_LIGHT, PSWGetNumberOfConsoleLightInfo, PSWGetConsoleLightInfo);
  return out;
}

// Opens 127.0.0.1 with `plan` (any model), reads everything, then refreshes
// the options; the requests of the status read (opening excluded) go to
// `*requests`, those of the refresh to `*option_requests`.
std::string read_with(const Plan& plan, uint32_t* requests, uint32_t* option_requests) {
  PSWHANDLE h = nullptr;
  if (PSWInit(&h) != PSW_OK) return "no handle";
  std::string out;
  PSWCommandInteger(h, "CmdSetAnyModel", 1);
  if (plan.version == 2) PSWCommandInteger(h, "CmdSetCommunityVersion", 2);
  EXPECT_EQ(PSWCommandInteger(h, "CmdSetMaxRepetitions", plan.repetitions), PSW_OK);
  int32_t rc = PSW_OK;
  if (plan.version == 3) {
    PSWUSMSettings block = api_test::sha_aes_block(kReader);
    rc = PSWInitDeviceEx(h, "127.0.0.1", PSW_TRANSPORT_UDP, PSW_SNMP_MODE_V3, &block, 2000, 1);
  } else {
    rc = PSWInitDevice(h, "127.0.0.1", PSW_TRANSPORT_UDP, 2000, 1);
  }
  out = "open" + std::to_string(rc);
  const uint32_t before = PSWGetThreadRequestCount();
  if (rc == PSW_OK) out += read_everything(h, plan.together);
  *requests = PSWGetThreadRequestCount() - before;
  if (rc == PSW_OK) out += read_options(h, option_requests);
  PSWUnInit(h);
  return out;
}

const char* const kProfiles[] = {
    "printer",          "inkjet",           "laser_cartridges",       "colour_mfp_supplies",
    "mono_laser_latin1", "label_no_trays",  "label_no_hr_types",      "desktop_no_input_type",
    "production_odd_indices", "workgroup_sparse_columns", "meters_laser", "meters_inkjet_sparse",
    "printer_mib_tables_only", "printer_mib_unknown_id",
};

class RequestPlanProfiles : public ::testing::TestWithParam<AgentKind> {};

TEST_P(RequestPlanProfiles, EveryPlanGivesTheRecordsOfTheSnmpv1TableByTableRead) {
  for (const char* name : kProfiles) {
    ServedDevice device(GetParam(), api_test::shipped_profile(name), {kReader});
    device.run([&] {
      uint32_t baseline_requests = 0;
      uint32_t baseline_options = 0;
      const std::string baseline = read_with(kBaseline, &baseline_requests, &baseline_options);
      ASSERT_EQ(baseline.rfind("open0", 0), 0u) << name << ": " << baseline.substr(0, 20);
      std::map<std::string, uint32_t> cost;
      std::map<std::string, uint32_t> option_cost;
      for (const Plan& plan : kPlans) {
        uint32_t requests = 0;
        EXPECT_EQ(read_with(plan, &requests, &option_cost[plan.name]), baseline) << name << ", " << plan.name;
        cost[plan.name] = requests;
      }
      // Tables together never cost more than one after another; GetBulk
      // never more than GetNext.
      EXPECT_LE(cost["v1 together"], baseline_requests) << name;
      EXPECT_LE(cost["v2c bulk 25 together"], cost["v2c GetNext together"]) << name;
      EXPECT_LE(cost["v2c bulk 25 table by table"], baseline_requests) << name;
      std::string line = std::string(name) + ": v1 table by table " + std::to_string(baseline_requests);
      for (const auto& [plan, requests] : cost) line += ", " + plan + " " + std::to_string(requests);
      line += "; options: v1 " + std::to_string(baseline_options);
      for (const auto& [plan, requests] : option_cost) line += ", " + plan + " " + std::to_string(requests);
      std::printf("%s\n", line.c_str());
    });
  }
}

INSTANTIATE_TEST_SUITE_P(Agents, RequestPlanProfiles, ::testing::Values(AgentKind::kSnmpd, AgentKind::kPysnmp),
                         [](const ::testing::TestParamInfo<AgentKind>& info) {
                           return std::string(api_test::agent_name(info.param));
                         });

}  // namespace
