// A real Prometheus server and pswctl exporter on a private network of
// simulated printers: Prometheus finds the printers through the exporter's
// /targets, scrapes each through /probe, and what its query API answers is
// compared with the printers' profiles.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <fstream>
#include <set>

#include "agent/netns_network.h"
#include "device/status_test_support.h"
#include "exporter_support.h"

namespace {

using nlohmann::json;

constexpr int kPrometheusPort = 9090;

// Scrapes every two seconds: targets from the exporter's service discovery,
// each probed through /probe with the printer's address as the target.
std::string prometheus_config() {
  return R"(global:
  scrape_interval: 2s
  scrape_timeout: 2s
scrape_configs:
  - job_name: printers
    metrics_path: /probe
    http_sd_configs:
      - url: http://127.0.0.1:9917/targets
        refresh_interval: 1s
    relabel_configs:
      - source_labels: [__address__]
        target_label: __param_target
      - source_labels: [__meta_printer_transport]
        target_label: __param_transport
      - source_labels: [__param_target]
        target_label: instance
      - source_labels: [__meta_printer_model]
        target_label: model
      - target_label: __address__
        replacement: 127.0.0.1:9917
)";
}

// The result vector of an instant query (empty while nothing matches).
json query(const psw_test::NetnsNetwork& net, const std::string& promql) {
  json result = json::array();
  net.run_in_client([&] {
    httplib::Client client("127.0.0.1", kPrometheusPort);
    client.set_read_timeout(5, 0);
    auto r = client.Get("/api/v1/query", httplib::Params{{"query", promql}}, httplib::Headers{});
    if (r && r->status == 200) {
      const json answer = json::parse(r->body, nullptr, false);
      if (!answer.is_discarded() && answer.value("status", "") == "success") result = answer["data"]["result"];
    }
  });
  return result;
}

// Waits (up to 40 s) until `promql` gives `count` series.
json wait_for_series(const psw_test::NetnsNetwork& net, const std::string& promql, size_t count) {
  json result;
  for (int i = 0; i < 160; ++i) {
    result = query(net, promql);
    if (result.size() >= count) return result;
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
  }
  ADD_FAILURE() << "no " << count << " series of " << promql << ": " << result.dump();
  return result;
}

double sample_value(const json& series) { return std::stod(series["value"][1].get<std::string>()); }

TEST(ExporterPrometheus, FindsThePrintersThroughTargetsAndStoresTheirProbedValues) {
  const std::vector<std::string> files = {"colour_mfp_supplies.snmprec", "office printer",
                                          "mono_laser_latin1.snmprec"};
  std::vector<psw_test::SnmpdOptions> agents(files.size());
  std::vector<psw_test::SnmprecProfile> profiles;
  for (size_t i = 0; i < files.size(); ++i) {
    profiles.push_back(i == 1 ? status_test::office_printer_profile()
                              : psw_test::SnmprecProfile::load(psw_test::profile_path(files[i])));
    agents[i].profile = profiles.back();
  }
  psw_test::NetnsNetworkOptions options;
  options.subnet = "10.231.77";
  options.subnet6 = "fd31:231:77::";
  psw_test::NetnsNetwork net(agents, options);

  exporter_test::Exporter exporter(net.client_netns(), {"--discover", "255.255.255.255", "--discover-interval", "1",
                                                       "--timeout", "500", "--retries", "0"});
  // The exporter's own service discovery first.
  json groups;
  for (int i = 0; i < 100 && groups.size() < files.size(); ++i) {
    groups = json::parse(exporter.get("/targets").body, nullptr, false);
    if (groups.size() < files.size()) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ASSERT_EQ(groups.size(), files.size()) << groups.dump();
  std::set<std::string> found;
  for (const json& g : groups) {
    ASSERT_EQ(g["targets"].size(), 1u);
    found.insert(g["targets"][0].get<std::string>());
    EXPECT_EQ(g["labels"]["__meta_printer_address"], g["targets"][0]);
    EXPECT_EQ(g["labels"]["__meta_printer_transport"], "udp");
    EXPECT_EQ(g["labels"]["__meta_printer_sys_object_id"], "1.3.6.1.4.1.47001.1.11.93.1.34.40.1.1");
    EXPECT_FALSE(g["labels"]["__meta_printer_model"].get<std::string>().empty());
  }
  EXPECT_EQ(found, (std::set<std::string>{net.agent_address(0), net.agent_address(1), net.agent_address(2)}));
  // The page lists them with links to their probes.
  const std::string page = exporter.get("/").body;
  EXPECT_NE(page.find("href=\"/probe?target=" + net.agent_address(0) + "&amp;transport=udp\""), std::string::npos)
      << page;

  psw_test::TempDir dir("prometheus");
  {
    std::ofstream config(dir.file("prometheus.yml"));
    config << prometheus_config();
  }
  psw_test::SpawnOptions spawn;
  spawn.argv = {"/usr/bin/prometheus", "--config.file=" + dir.file("prometheus.yml"),
                "--storage.tsdb.path=" + dir.file("data"),
                "--web.listen-address=127.0.0.1:" + std::to_string(kPrometheusPort)};
  spawn.output_path = dir.file("log");
  std::unique_ptr<psw_test::ChildProcess> prometheus = net.start_in_client(spawn);

  const json up = wait_for_series(net, "printer_up == 1", files.size());
  EXPECT_EQ(up.size(), files.size()) << exporter_test::read_file(dir.file("log"));
  // Every supply of every printer, as its profile gives it.
  const json ratios = wait_for_series(net, "printer_supply_level_ratio", 1);
  for (size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i]);
    for (const auto& supply : exporter_test::expected_supplies(profiles[i])) {
      if (!supply.ratio) continue;
      bool seen = false;
      for (const json& s : ratios) {
        const json& m = s["metric"];
        if (m["instance"] != net.agent_address(i) || m["index"] != supply.labels.at("index")) continue;
        seen = true;
        EXPECT_EQ(m["description"], supply.labels.at("description"));
        EXPECT_EQ(m["job"], "printers");
        EXPECT_NEAR(sample_value(s), *supply.ratio, 1e-9) << supply.labels.at("description");
      }
      EXPECT_TRUE(seen) << supply.labels.at("description");
    }
  }
  // The colour printer's status, with the model label the relabelling
  // copied from the discovery.
  const json colour = query(net, "printer_status{instance=\"" + net.agent_address(0) + "\"}");
  ASSERT_EQ(colour.size(), 1u) << colour.dump();
  EXPECT_EQ(sample_value(colour[0]), 3);
  EXPECT_FALSE(colour[0]["metric"].value("model", "").empty()) << colour.dump();
  const json alerts = query(net, "printer_alerts{instance=\"" + net.agent_address(0) + "\",severity=\"critical\"}");
  ASSERT_EQ(alerts.size(), 1u) << alerts.dump();
  EXPECT_EQ(sample_value(alerts[0]), 1);
  prometheus->stop();
}

}  // namespace
