// The printers the exporter finds by itself: searches by broadcast on a
// thread of their own, repeated every interval, and the devices of the
// last round as Prometheus HTTP service-discovery target groups.
#pragma once

#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "pswctl_device.h"

namespace pswctl {

using nlohmann::json;

struct SearchPlan {
  std::vector<std::string> addresses;  // broadcast (or unicast) destinations
  bool allInterfaces = false;          // every interface's broadcast and ff02::1
  std::chrono::milliseconds interval{300000};
  bool empty() const { return addresses.empty() && !allInterfaces; }
};

// What one search round did, for the exporter's own metrics.
struct SearchRound {
  size_t searches = 0;
  std::vector<PswError> failures;
  size_t devicesFound = 0;
};

// The service-discovery form of found devices (rows as Device::discover
// gives them, plus "transport"): one target group per device, its address
// as the target and what the search learned as __meta_printer_* labels.
json service_discovery_groups(const json& devices);

class TargetFinder {
 public:
  // Starts searching at once (nothing when the plan is empty); `report` is
  // called from the search thread after every round.
  TargetFinder(Connection connection, SearchPlan plan, std::function<void(const SearchRound&)> report);
  // Stops the thread; a search under way is finished first.
  ~TargetFinder();
  TargetFinder(const TargetFinder&) = delete;
  TargetFinder& operator=(const TargetFinder&) = delete;

  // The devices of the last finished round.
  json devices() const;

 private:
  void run();
  json search_round(Device& device, SearchRound* round);

  Connection connection_;
  SearchPlan plan_;
  std::function<void(const SearchRound&)> report_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  json devices_ = json::array();
  std::thread thread_;
};

}  // namespace pswctl
