// The exporter's parts that need no network: the networks of
// --allow-targets, the connection fitted to a scrape's time, and the
// service-discovery form of the devices found.
#include <gtest/gtest.h>

#include "pswctl_allow.h"
#include "pswctl_probe.h"
#include "pswctl_targets.h"

namespace {

TEST(ExporterAllowTargets, PrefixesOfBothFamiliesAndBadListsRefused) {
  std::string error;
  const auto ranges = pswctl::AddressRanges::parse("10.0.0.0/8,192.0.2.7,fd31:231::/32,172.16.0.0/12", &error);
  ASSERT_TRUE(ranges.has_value()) << error;
  for (const char* inside : {"10.0.0.1", "10.255.255.255", "192.0.2.7", "fd31:231:1::11", "fd31:231:1::11%eth0",
                             "172.31.255.1"})
    EXPECT_TRUE(ranges->allows(inside)) << inside;
  for (const char* outside : {"11.0.0.1", "192.0.2.8", "fd31:232::1", "::1", "172.32.0.1", "printer", "",
                              "0a000001:000000000001"})
    EXPECT_FALSE(ranges->allows(outside)) << outside;
  EXPECT_TRUE(pswctl::AddressRanges::parse("0.0.0.0/0", &error)->allows("203.0.113.5"));
  EXPECT_FALSE(pswctl::AddressRanges::parse("0.0.0.0/0", &error)->allows("2001:db8::1"));
  for (const char* bad : {"", ",", "10.0.0.0/33", "10.0.0.0/", "10.0.0.0/x", "fd00::/129", "printers/8", "fe80::%eth0/64",
                          "10.0.0.0/8,nonsense"}) {
    error.clear();
    EXPECT_FALSE(pswctl::AddressRanges::parse(bad, &error).has_value()) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
  EXPECT_TRUE(pswctl::AddressRanges().allows("anything"));  // no list: every target
}

TEST(ExporterProbeTime, RetriesGoFirstThenTheWaitPerAnswer) {
  pswctl::Connection c;
  c.timeoutMs = 2000;
  c.retries = 3;
  auto fitted = pswctl::fitted_connection(c, std::chrono::milliseconds(9500));
  EXPECT_EQ(fitted.retries, 3);  // 4 x 2 s fit
  EXPECT_EQ(fitted.timeoutMs, 2000);
  fitted = pswctl::fitted_connection(c, std::chrono::milliseconds(4500));
  EXPECT_EQ(fitted.retries, 1);
  EXPECT_EQ(fitted.timeoutMs, 2000);
  fitted = pswctl::fitted_connection(c, std::chrono::milliseconds(1500));
  EXPECT_EQ(fitted.retries, 0);
  EXPECT_EQ(fitted.timeoutMs, 1500);
  fitted = pswctl::fitted_connection(c, std::chrono::milliseconds(0));
  EXPECT_EQ(fitted.timeoutMs, 50);
}

TEST(ExporterTargets, OneGroupPerDeviceWithWhatTheSearchLearned) {
  const nlohmann::json devices = nlohmann::json::parse(R"([
    {"address":"10.1.1.5","modelName":"Lumaret C650","sysObjectId":"1.3.6.1.4.1.9","interface":null,"transport":"udp"},
    {"address":"fd31::5","modelName":"","sysObjectId":"1.3.6.1.4.1.10","interface":"eth1","transport":"udp6"}])");
  const nlohmann::json groups = pswctl::service_discovery_groups(devices);
  EXPECT_EQ(groups, nlohmann::json::parse(R"([
    {"targets":["10.1.1.5"],"labels":{"__meta_printer_address":"10.1.1.5","__meta_printer_model":"Lumaret C650",
      "__meta_printer_sys_object_id":"1.3.6.1.4.1.9","__meta_printer_transport":"udp"}},
    {"targets":["fd31::5"],"labels":{"__meta_printer_address":"fd31::5","__meta_printer_model":"",
      "__meta_printer_sys_object_id":"1.3.6.1.4.1.10","__meta_printer_transport":"udp6",
      "__meta_printer_interface":"eth1"}}])"));
  EXPECT_EQ(pswctl::service_discovery_groups(nlohmann::json::array()), nlohmann::json::array());
}

}  // namespace
