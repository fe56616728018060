// Shared by the status tests (device readers and the C interface): the
// simulated office printer in a namespace of the test's own (see
// status_netns.h), the address families, and comparisons and printers of the
// status records.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "agent/fault_agent.h"
#include "agent/snmp_tools.h"
#include "agent/snmpd_agent.h"
#include "agent/snmprec_profile.h"
#include "device/status_netns.h"
#include "psw/psw.h"

namespace status_test {

// The address family a test runs on.
struct Family {
  const char* name;
  int32_t protocol;     // protocol value of the device readers
  int32_t transport;    // transport value of the C interface
  const char* address;  // the printer's address
};
constexpr Family kIPv4{"IPv4", 1, PSW_TRANSPORT_UDP, "127.0.0.1"};
constexpr Family kIPv6{"IPv6", 4, PSW_TRANSPORT_UDP6, "::1"};
inline std::string family_name(const ::testing::TestParamInfo<Family>& info) { return info.param.name; }
inline void PrintTo(const Family& f, std::ostream* os) { *os << f.name; }

// snmpd serving `profile` on port 161 of 127.0.0.1 and ::1 in its own
// namespace, with the read community "public" and the write community
// "private" unless `tweak` changes the options.
class SimulatedPrinter {
 public:
  explicit SimulatedPrinter(psw_test::SnmprecProfile profile = status_profile(),
                            const std::function<void(psw_test::SnmpdOptions&)>& tweak = {}) {
    psw_test::SnmpdOptions options;
    options.profile = std::move(profile);
    options.netns = netns_.name();
    options.listen = {"127.0.0.1", "::1"};
    options.port = 161;
    options.write_community = "private";
    if (tweak) tweak(options);
    agent_ = std::make_unique<psw_test::SnmpdAgent>(std::move(options));
  }

  const PrivateNetns& netns() const { return netns_; }
  psw_test::SnmpdAgent& agent() { return *agent_; }
  void run(const std::function<void()>& fn) const { netns_.run(fn); }

  // snmpget of one object through Net-SNMP's own tool; the value part of
  // its output line ("INTEGER: 1414").
  std::string get(const std::string& oid, const std::string& community = "public") {
    psw_test::CommandResult r =
        tools_.run("snmpget", {"-v1", "-c", community, "-Ov", "udp:127.0.0.1:161", oid}, netns_.name());
    // The tool may first report the directories it creates: keep the last line.
    std::string out = r.output;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    size_t line = out.rfind('\n');
    return line == std::string::npos ? out : out.substr(line + 1);
  }

 private:
  PrivateNetns netns_;  // first in, last out: the agent stops before its namespace goes
  std::unique_ptr<psw_test::SnmpdAgent> agent_;
  psw_test::SnmpTools tools_;
};

// ---------------------------------------------------------------------------
// Record comparison: records are compared whole (text fields included up to
// their last byte, so unused bytes must be zero) and printed field by field.
// ---------------------------------------------------------------------------

template <class Record>
bool same_record(const Record& a, const Record& b) {
  return std::memcmp(&a, &b, sizeof(Record)) == 0;
}

// A record built with every byte zero, then filled by `fill`.
template <class Record, class Fill>
Record make_record(Fill&& fill) {
  Record r;
  std::memset(&r, 0, sizeof r);
  fill(r);
  return r;
}

inline void copy_text(char* field, size_t size, const char* text) {
  std::memset(field, 0, size);
  std::strncpy(field, text, size - 1);
}
template <size_t N>
void copy_text(char (&field)[N], const char* text) {
  copy_text(field, N, text);
}

}  // namespace status_test

// Printers for gtest (found by argument-dependent look-up in the global
// namespace, where the records live). Packed fields are copied before use.
inline void PrintTo(const PSWStorageInfo& r, std::ostream* os) {
  int32_t t = r.type, a = r.allocationUnits, s = r.size;
  *os << "{type " << t << ", allocationUnits " << a << ", size " << s << ", description \"" << r.description << "\"}";
}
inline void PrintTo(const PSWDeviceInfo& r, std::ostream* os) {
  int32_t t = r.type, s = r.status;
  *os << "{type " << t << ", status " << s << ", description \"" << r.description << "\"}";
}
inline void PrintTo(const PSWPrinterInfo& r, std::ostream* os) {
  int32_t s = r.status, e = r.detectedErrorState;
  *os << "{status " << s << ", detectedErrorState " << e << "}";
}
inline void PrintTo(const PSWInputTrayInfo& r, std::ostream* os) {
  int32_t n[10] = {r.type,
                   r.dimUnit,
                   r.mediaDimFeedDirDeclared,
                   r.mediaDimXFeedDirDeclared,
                   r.mediaDimFeedDirChosen,
                   r.mediaDimXFeedDirChosen,
                   r.capacityUnit,
                   r.maxCapacity,
                   r.currentLevel,
                   r.status};
  *os << "{";
  for (int32_t v : n) *os << v << ", ";
  *os << "\"" << r.mediaName << "\", \"" << r.name << "\", \"" << r.description << "\", \"" << r.mediaType << "\", \""
      << r.mediaColor << "\"}";
}
inline void PrintTo(const PSWOutputTrayInfo& r, std::ostream* os) {
  int32_t t = r.type, s = r.status;
  *os << "{type " << t << ", status " << s << ", \"" << r.name << "\", \"" << r.description << "\"}";
}
inline void PrintTo(const PSWTonerInfo& r, std::ostream* os) {
  int32_t u = r.supplyUnit, m = r.maxCapacity, l = r.level;
  *os << "{supplyUnit " << u << ", maxCapacity " << m << ", level " << l << ", \"" << r.description << "\"}";
}
inline void PrintTo(const PSWAlertInfo& r, std::ostream* os) {
  int32_t s = r.severityLevel, g = r.group, gi = r.groupIndex, l = r.location, c = r.code;
  *os << "{severity " << s << ", group " << g << ", groupIndex " << gi << ", location " << l << ", code " << c << ", \""
      << r.description << "\"}";
}
inline void print_time(const uint16_t* t, std::ostream* os) {
  uint16_t v[6];
  std::memcpy(v, t, sizeof v);
  *os << v[0] << "-" << v[1] << "-" << v[2] << " " << v[3] << ":" << v[4] << ":" << v[5];
}
inline void PrintTo(const PSWJobInfo& r, std::ostream* os) {
  int32_t t = r.jobType, s = r.jobState, v = r.jobValue10;
  uint32_t c5 = r.jobCount5, c6 = r.jobCount6;
  *os << "{jobType " << t << ", jobState " << s << ", jobValue10 " << v << ", jobCount5 " << c5 << ", jobCount6 " << c6
      << ", jobText5 \"" << r.jobText5 << "\", jobText6 \"" << r.jobText6 << "\", jobText7 \"" << r.jobText7
      << "\", jobId \"" << r.jobId << "\", jobText3 \"" << r.jobText3 << "\", time10 ";
  print_time(r.time10, os);
  *os << ", time4 ";
  print_time(r.time4, os);
  *os << ", time7 ";
  print_time(r.time7, os);
  *os << "}";
}

// Whole-record equality for EXPECT_EQ.
#define STATUS_RECORD_EQ(Record) \
  inline bool operator==(const Record& a, const Record& b) { return status_test::same_record(a, b); }
STATUS_RECORD_EQ(PSWStorageInfo)
STATUS_RECORD_EQ(PSWDeviceInfo)
STATUS_RECORD_EQ(PSWPrinterInfo)
STATUS_RECORD_EQ(PSWInputTrayInfo)
STATUS_RECORD_EQ(PSWOutputTrayInfo)
STATUS_RECORD_EQ(PSWTonerInfo)
STATUS_RECORD_EQ(PSWAlertInfo)
STATUS_RECORD_EQ(PSWJobInfo)
#undef STATUS_RECORD_EQ
