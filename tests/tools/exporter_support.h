// The exporter as its tests see it: `pswctl exporter` started inside a
// network namespace, HTTP requests sent from inside that namespace, the
// exposition text read back into samples, and the values a profile's
// supplies must give.
#pragma once

#include <gtest/gtest.h>
#include <httplib.h>

#include <chrono>
#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "agent/child_process.h"
#include "agent/netns_thread.h"
#include "agent/snmprec_profile.h"
#include "agent/temp_dir.h"
#include "pswctl_names.h"
#include "pswctl_text.h"

namespace exporter_test {

struct Sample {
  std::string name;
  std::map<std::string, std::string> labels;
  double value = 0;
};

// The samples of an exposition (label values unescaped); a line that is
// not a sample fails the test.
inline std::vector<Sample> parse_exposition(const std::string& text) {
  std::vector<Sample> samples;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    Sample s;
    size_t at = line.find_first_of("{ ");
    s.name = line.substr(0, at);
    if (at != std::string::npos && line[at] == '{') {
      ++at;
      while (at < line.size() && line[at] != '}') {
        const size_t eq = line.find('=', at);
        const std::string name = line.substr(at, eq - at);
        std::string value;
        size_t i = eq + 2;  // past ="
        for (; i < line.size() && line[i] != '"'; ++i) {
          if (line[i] == '\\' && i + 1 < line.size()) {
            ++i;
            value += line[i] == 'n' ? '\n' : line[i];
          } else {
            value += line[i];
          }
        }
        s.labels[name] = value;
        at = i + 1;
        if (at < line.size() && line[at] == ',') ++at;
      }
      ++at;
    }
    try {
      s.value = std::stod(line.substr(at));
    } catch (const std::exception&) {
      ADD_FAILURE() << "not a sample: " << line;
    }
    samples.push_back(std::move(s));
  }
  return samples;
}

// The samples of `name` whose labels include `labels`.
inline std::vector<Sample> find(const std::vector<Sample>& samples, const std::string& name,
                                const std::map<std::string, std::string>& labels = {}) {
  std::vector<Sample> found;
  for (const Sample& s : samples) {
    if (s.name != name) continue;
    bool match = true;
    for (const auto& [k, v] : labels) match = match && s.labels.count(k) != 0 && s.labels.at(k) == v;
    if (match) found.push_back(s);
  }
  return found;
}

// The value of the one sample of `name` with `labels`; nothing when there
// is none (several fail the test).
inline std::optional<double> value(const std::vector<Sample>& samples, const std::string& name,
                                   const std::map<std::string, std::string>& labels = {}) {
  const std::vector<Sample> found = find(samples, name, labels);
  if (found.size() > 1) ADD_FAILURE() << found.size() << " samples of " << name;
  if (found.empty()) return std::nullopt;
  return found.front().value;
}

// What a profile's supplies table must give: the labels, and the ratio
// where the level is a percentage or a share of a maximum in the same unit,
// else the level's state.
struct ExpectedSupply {
  std::map<std::string, std::string> labels;  // index, type, colorant, description
  std::optional<double> ratio;
  std::string state;
};

// Texts as UTF-8 (the profiles hold UTF-8 or Latin-1).
inline std::string utf8(const std::string& octets) { return pswctl::device_text(octets.c_str(), octets.size() + 1); }
inline std::string profile_text(const psw_test::SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  return e != nullptr ? utf8(e->value.bytes) : std::string();
}
inline std::optional<int64_t> profile_number(const psw_test::SnmprecProfile& p, const std::string& oid) {
  const psw_test::ProfileEntry* e = p.find(psw_test::ber::parse_oid(oid));
  if (e == nullptr) return std::nullopt;
  return e->value.integer;
}

inline std::vector<ExpectedSupply> expected_supplies(const psw_test::SnmprecProfile& p) {
  const std::string column = "1.3.6.1.2.1.43.11.1.1.";
  std::vector<ExpectedSupply> supplies;
  for (const psw_test::ProfileEntry& e : p.entries()) {
    const std::string oid = psw_test::ber::oid_text(e.oid);
    if (oid.rfind(column + "6.1.", 0) != 0) continue;
    const std::string index = oid.substr(column.size() + 4);
    const auto cell = [&](int c) { return profile_number(p, column + std::to_string(c) + ".1." + index); };
    ExpectedSupply s;
    const std::optional<int64_t> colorant = cell(3);
    s.labels = {{"index", index},
                {"type", cell(5) ? pswctl::supply_type_name(static_cast<int32_t>(*cell(5))) : ""},
                {"colorant", colorant && *colorant > 0
                                 ? profile_text(p, "1.3.6.1.2.1.43.12.1.1.4.1." + std::to_string(*colorant))
                                 : ""},
                {"description", utf8(e.value.bytes)}};
    const std::optional<int64_t> unit = cell(7), maximum = cell(8), level = cell(9);
    if (level && *level >= 0 && unit && *unit == 19) {
      s.ratio = std::min<int64_t>(*level, 100) / 100.0;
    } else if (level && *level >= 0 && maximum && *maximum > 0) {
      s.ratio = std::min<double>(std::round(*level * 100.0 / *maximum), 100) / 100.0;
    } else {
      // The library's states (PSWGetSupplyLevel), as pswctl names them.
      s.state = !level             ? "unknown"
                : *level == -1     ? "other"
                : *level == -3     ? "someRemaining"
                : *level >= 0      ? "noMaximum"
                                   : "unknown";
    }
    supplies.push_back(s);
  }
  return supplies;
}

// The colour printer the probe tests read, and every family its probe must
// give, with the values its profile holds.
inline psw_test::SnmprecProfile colour_profile() {
  return psw_test::SnmprecProfile::load(psw_test::profile_path("colour_mfp_supplies.snmprec"));
}

inline void expect_colour_printer(const std::vector<Sample>& samples, const psw_test::SnmprecProfile& profile) {
  EXPECT_EQ(value(samples, "printer_up"), 1);
  EXPECT_EQ(value(samples, "printer_info",
                  {{"model", "Lumaret C650"}, {"sys_object_id", "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1"}}),
            1);
  EXPECT_EQ(value(samples, "printer_status"), 3);  // idle
  // 0x2010: lowToner (first octet 0x20) and outputNearFull (second octet
  // 0x10) set, every other named condition 0.
  const std::vector<Sample> errors = find(samples, "printer_error_state");
  EXPECT_EQ(errors.size(), 15u);
  for (const Sample& s : errors) {
    const std::string& state = s.labels.at("state");
    EXPECT_EQ(s.value, state == "lowToner" || state == "outputNearFull" ? 1 : 0) << state;
  }
  const auto supplies = exporter_test::expected_supplies(profile);
  ASSERT_EQ(supplies.size(), 7u);
  size_t ratios = 0;
  for (const auto& supply : supplies) {
    if (supply.ratio) {
      ++ratios;
      const std::optional<double> got = value(samples, "printer_supply_level_ratio", supply.labels);
      ASSERT_TRUE(got.has_value()) << supply.labels.at("description");
      EXPECT_NEAR(*got, *supply.ratio, 1e-9) << supply.labels.at("description");
    } else {
      std::map<std::string, std::string> labels = supply.labels;
      labels["state"] = supply.state;
      EXPECT_EQ(value(samples, "printer_supply_state", labels), 1) << supply.labels.at("description");
    }
  }
  EXPECT_EQ(find(samples, "printer_supply_level_ratio").size(), ratios);
  EXPECT_EQ(find(samples, "printer_supply_state").size(), supplies.size() - ratios);
  // One warning (cyan low), one critical (magenta empty).
  EXPECT_EQ(value(samples, "printer_alerts", {{"severity", "warning"}}), 1);
  EXPECT_EQ(value(samples, "printer_alerts", {{"severity", "critical"}}), 1);
  EXPECT_EQ(value(samples, "printer_alerts", {{"severity", "other"}}), 0);
  // Cassette 1: 300 of 550 sheets; the others have no known level.
  EXPECT_NEAR(value(samples, "printer_input_level_ratio", {{"index", "1"}, {"name", "Cassette 1"}}).value_or(-1), 0.55,
              1e-9);
  EXPECT_EQ(find(samples, "printer_input_level_ratio").size(), 1u);
  const std::optional<double> duration = value(samples, "printer_probe_duration_seconds");
  ASSERT_TRUE(duration.has_value());
  EXPECT_GT(*duration, 0);
  EXPECT_LT(*duration, 5);
  // The opening, identity, character set and one walk of every table the
  // probe shows: a regression of the request plan shows here.
  const std::optional<double> requests = value(samples, "printer_probe_requests");
  ASSERT_TRUE(requests.has_value());
  EXPECT_GE(*requests, 3);
  EXPECT_LE(*requests, 16);
}

struct HttpAnswer {
  int status = -1;  // -1: no answer
  std::string body;
  httplib::Headers headers;
};

// GET from inside `netns`.
inline HttpAnswer http_get(const std::string& netns, int port, const std::string& path,
                           const httplib::Headers& headers = {}, int timeout_seconds = 20) {
  HttpAnswer answer;
  psw_test::run_in_netns(netns, [&] {
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(timeout_seconds, 0);
    client.set_connection_timeout(5, 0);
    if (auto r = client.Get(path.c_str(), headers)) {
      answer.status = r->status;
      answer.body = r->body;
      answer.headers = r->headers;
    }
  });
  return answer;
}

inline std::string read_file(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

constexpr int kPort = 9917;

// How an exporter is started: the program (with anything that must stand
// before the tool, such as the Wine wrapper), its environment, its port and
// how long it may take to answer the first time.
struct ExporterCommand {
  std::vector<std::string> program = {PSWCTL_PATH};
  std::vector<std::string> env;
  int port = kPort;
  std::chrono::milliseconds start_limit{10000};
};

// `pswctl exporter ARGS` inside `netns`, ready when the constructor returns.
class Exporter {
 public:
  Exporter(const std::string& netns, const std::vector<std::string>& args)
      : Exporter(netns, args, ExporterCommand{}) {}
  Exporter(const std::string& netns, const std::vector<std::string>& args, const ExporterCommand& command)
      : netns_(netns), port_(command.port), dir_("exporter") {
    psw_test::SpawnOptions spawn;
    spawn.argv = command.program;
    for (const std::string& a : {std::string("exporter"), std::string("--listen"), "127.0.0.1:" + std::to_string(port_)})
      spawn.argv.push_back(a);
    spawn.argv.insert(spawn.argv.end(), args.begin(), args.end());
    spawn.env = command.env;
    spawn.netns = netns;
    spawn.output_path = dir_.file("log");
    process_ = std::make_unique<psw_test::ChildProcess>(spawn);
    const auto deadline = std::chrono::steady_clock::now() + command.start_limit;
    while (std::chrono::steady_clock::now() < deadline) {
      if (get("/metrics").status == 200) return;
      if (!process_->running()) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    throw std::runtime_error("the exporter did not start: " + log());
  }

  HttpAnswer get(const std::string& path, const httplib::Headers& headers = {}) const {
    return http_get(netns_, port_, path, headers);
  }
  std::string log() const { return read_file(dir_.file("log")); }
  psw_test::ChildProcess& process() { return *process_; }
  const std::string& netns() const { return netns_; }
  int port() const { return port_; }

  // Resident memory of the exporter in kB (VmRSS).
  long resident_kb() const {
    std::ifstream in("/proc/" + std::to_string(process_->pid()) + "/status");
    for (std::string line; std::getline(in, line);)
      if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
  }

 private:
  std::string netns_;
  int port_;
  psw_test::TempDir dir_;
  std::unique_ptr<psw_test::ChildProcess> process_;
};

// promtool's verdict on an exposition: empty when it passes, else its
// complaints.
inline std::string promtool_complaints(const std::string& exposition) {
  psw_test::TempDir dir("promtool");
  {
    std::ofstream out(dir.file("metrics"));
    out << exposition;
  }
  psw_test::CommandResult r =
      psw_test::run_command({"/bin/sh", "-c", "/usr/bin/promtool check metrics < \"$1\" 2>&1", "sh", dir.file("metrics")});
  return r.exit_code == 0 ? std::string() : "exit " + std::to_string(r.exit_code) + ": " + r.output;
}

}  // namespace exporter_test
