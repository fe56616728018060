// pswctl exporter probing simulated printers: the metrics of a probe
// against the printer's profile (IPv4 and IPv6), promtool's verdict on
// every answer, a silent printer, and the probe's time bounded by the
// scrape time-out Prometheus sends.
#include <gtest/gtest.h>

#include "device/status_test_support.h"
#include "exporter_support.h"

namespace {

using exporter_test::colour_profile;
using exporter_test::expect_colour_printer;
using exporter_test::Exporter;
using exporter_test::find;
using exporter_test::parse_exposition;
using exporter_test::promtool_complaints;
using exporter_test::Sample;
using exporter_test::value;

TEST(ExporterProbe, MetricsOfAPrinterAreItsProfilesValuesOverIPv4AndIPv6) {
  status_test::SimulatedPrinter printer(colour_profile());
  Exporter exporter(printer.netns().name(), {"--timeout", "1000", "--retries", "0"});
  for (const std::string path : {"/probe?target=127.0.0.1", "/probe?target=::1", "/probe?target=::1&transport=udp6"}) {
    SCOPED_TRACE(path);
    const exporter_test::HttpAnswer answer = exporter.get(path);
    ASSERT_EQ(answer.status, 200) << answer.body;
    EXPECT_EQ(answer.headers.find("Content-Type")->second, "text/plain; version=0.0.4; charset=utf-8");
    EXPECT_EQ(promtool_complaints(answer.body), "") << answer.body;
    // Help and type lines for each family.
    EXPECT_NE(answer.body.find("# HELP printer_supply_level_ratio "), std::string::npos);
    EXPECT_NE(answer.body.find("# TYPE printer_up gauge"), std::string::npos);
    const std::vector<Sample> samples = parse_exposition(answer.body);
    expect_colour_printer(samples, colour_profile());
    std::printf("probe of %s: %.1f ms, %.0f requests\n", path.c_str(),
                *value(samples, "printer_probe_duration_seconds") * 1000, *value(samples, "printer_probe_requests"));
  }
  // The exporter counted them.
  const std::vector<Sample> own = parse_exposition(exporter.get("/metrics").body);
  EXPECT_EQ(value(own, "printer_exporter_probes_total"), 3);
  EXPECT_TRUE(find(own, "printer_exporter_probe_errors_total").empty()) << exporter.get("/metrics").body;
}

TEST(ExporterProbe, DeviceTextsAreUtf8AndLabelsEscaped) {
  // Latin-1 descriptions, a quote, a backslash and a line break in labels.
  psw_test::SnmprecProfile profile = colour_profile();
  profile.set("1.3.6.1.2.1.43.7.1.1.4.1.1", psw_test::ber::Value::Integer(4));  // ISO-8859-1
  profile.set("1.3.6.1.2.1.43.11.1.1.6.1.1", psw_test::ber::Value::OctetString("Toner \"K\" \\ noir\nd\xe9j\xe0"));
  profile.set("1.3.6.1.2.1.25.3.2.1.3.1", psw_test::ber::Value::OctetString("Lumaret C650 \xe9"));
  status_test::SimulatedPrinter printer(profile);
  Exporter exporter(printer.netns().name(), {"--timeout", "1000", "--retries", "0"});
  const exporter_test::HttpAnswer answer = exporter.get("/probe?target=127.0.0.1");
  ASSERT_EQ(answer.status, 200);
  EXPECT_EQ(promtool_complaints(answer.body), "") << answer.body;
  EXPECT_NE(answer.body.find(R"(description="Toner \"K\" \\ noir\ndéjà")"), std::string::npos) << answer.body;
  const std::vector<Sample> samples = parse_exposition(answer.body);
  EXPECT_EQ(find(samples, "printer_info", {{"model", "Lumaret C650 é"}}).size(), 1u) << answer.body;
  EXPECT_EQ(value(samples, "printer_supply_level_ratio", {{"description", "Toner \"K\" \\ noir\ndéjà"}}), 0.55);
}

TEST(ExporterProbe, PrintersOfOtherMakersAreDownUnlessAnyModelAndThenRead) {
  const psw_test::SnmprecProfile inkjet = psw_test::SnmprecProfile::load(psw_test::profile_path("inkjet.snmprec"));
  status_test::SimulatedPrinter printer(inkjet);
  {
    // Refused for its model: down, with the refusal counted.
    Exporter exporter(printer.netns().name(), {"--timeout", "1000", "--retries", "0"});
    const exporter_test::HttpAnswer answer = exporter.get("/probe?target=127.0.0.1");
    ASSERT_EQ(answer.status, 200);
    EXPECT_EQ(value(parse_exposition(answer.body), "printer_up"), 0);
    EXPECT_EQ(value(parse_exposition(exporter.get("/metrics").body), "printer_exporter_probe_errors_total",
                    {{"result", "PSW_ERR_ARGUMENT"}}),
              1);
  }
  Exporter exporter(printer.netns().name(), {"--any-model", "--timeout", "1000", "--retries", "0"});
  const exporter_test::HttpAnswer answer = exporter.get("/probe?target=127.0.0.1");
  ASSERT_EQ(answer.status, 200);
  EXPECT_EQ(promtool_complaints(answer.body), "") << answer.body;
  const std::vector<Sample> samples = parse_exposition(answer.body);
  EXPECT_EQ(value(samples, "printer_up"), 1);
  const std::vector<Sample> info = find(samples, "printer_info");
  ASSERT_EQ(info.size(), 1u) << answer.body;
  EXPECT_EQ(info[0].labels.at("sys_object_id"), "1.3.6.1.4.1.64502.1.7.3");
  // Four inks with their colorants and a waste ink absorber without one.
  const auto supplies = exporter_test::expected_supplies(inkjet);
  ASSERT_EQ(supplies.size(), 5u);
  for (const auto& supply : supplies) {
    std::map<std::string, std::string> labels = supply.labels;
    if (!supply.ratio) labels["state"] = supply.state;
    const std::optional<double> got =
        value(samples, supply.ratio ? "printer_supply_level_ratio" : "printer_supply_state", labels);
    ASSERT_TRUE(got.has_value()) << supply.labels.at("description") << "\n" << answer.body;
    EXPECT_NEAR(*got, supply.ratio.value_or(1), 1e-9) << supply.labels.at("description");
  }
  EXPECT_EQ(find(samples, "printer_supply_level_ratio", {{"colorant", "magenta"}}).size(), 1u) << answer.body;
}

// The meter reads: page counters past 2^31, an open interlock, the identity
// labels trimmed of their padding, and supply states as the library reads
// them (some remaining; a waste box's space left as a ratio).
TEST(ExporterProbe, PagesCoversAndIdentityOfTheColourLaser) {
  status_test::SimulatedPrinter printer(
      psw_test::SnmprecProfile::load(psw_test::profile_path("meters_laser.snmprec")));
  Exporter exporter(printer.netns().name(), {"--any-model", "--timeout", "1000", "--retries", "0"});
  const exporter_test::HttpAnswer answer = exporter.get("/probe?target=127.0.0.1");
  ASSERT_EQ(answer.status, 200);
  EXPECT_EQ(promtool_complaints(answer.body), "") << answer.body;
  EXPECT_NE(answer.body.find("# TYPE printer_pages_total counter"), std::string::npos) << answer.body;
  const std::vector<Sample> samples = parse_exposition(answer.body);
  EXPECT_EQ(value(samples, "printer_pages_total", {{"marker", "1"}}), 3000000000.0);
  EXPECT_EQ(value(samples, "printer_pages_total", {{"marker", "2"}}), 3000000001.0);
  EXPECT_EQ(value(samples, "printer_cover_open", {{"index", "1"}, {"description", "Front door"}}), 0);
  EXPECT_EQ(value(samples, "printer_cover_open", {{"index", "2"}, {"description", "Toner access interlock"}}), 1);
  EXPECT_EQ(value(samples, "printer_info",
                  {{"model", "Corvid CL-5500 PCL 6"},
                   {"serial", "CNB1K12345"},
                   {"name", "Corvid CL-5500 Ufficio"},
                   {"location", "Milano, piano 2"},
                   {"mac", "00:1b:a9:0c:22:51"},
                   {"sys_object_id", "1.3.6.1.4.1.64503.3.5500"}}),
            1)
      << answer.body;
  EXPECT_EQ(value(samples, "printer_supply_state", {{"index", "1"}, {"state", "someRemaining"}}), 1) << answer.body;
  EXPECT_NEAR(value(samples, "printer_supply_level_ratio", {{"index", "3"}}).value_or(-1), 0.9, 1e-9);
}

TEST(ExporterProbe, ASilentPrinterIsDownWithinTheScrapeTimeOut) {
  status_test::PrivateNetns netns;
  // Four sends of five seconds each would take 20 s: the scrape allows 1.5.
  Exporter exporter(netns.name(), {"--timeout", "5000", "--retries", "3"});
  const auto start = std::chrono::steady_clock::now();
  const exporter_test::HttpAnswer answer =
      exporter.get("/probe?target=127.0.0.1", {{"X-Prometheus-Scrape-Timeout-Seconds", "1.5"}});
  const auto took = std::chrono::steady_clock::now() - start;
  ASSERT_EQ(answer.status, 200) << answer.body;
  EXPECT_EQ(promtool_complaints(answer.body), "") << answer.body;
  const std::vector<Sample> samples = parse_exposition(answer.body);
  EXPECT_EQ(value(samples, "printer_up"), 0);
  EXPECT_TRUE(find(samples, "printer_info").empty());
  EXPECT_LT(took, std::chrono::milliseconds(1500));
  EXPECT_GT(took, std::chrono::milliseconds(500));  // it did wait for an answer
  const std::vector<Sample> own = parse_exposition(exporter.get("/metrics").body);
  EXPECT_EQ(value(own, "printer_exporter_probe_errors_total", {{"result", "PSW_ERR_TIMEOUT"}}), 1);
}

}  // namespace
