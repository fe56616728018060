#include "pswctl_targets.h"

#include <set>

#include "net/pmc_iphelp_api.h"

namespace pswctl {
namespace {

const char* transport_word(int32_t transport) {
  return transport == PSW_TRANSPORT_UDP6 ? "udp6" : transport == PSW_TRANSPORT_IPX ? "ipx" : "udp";
}

// An IPv6 destination searches over udp6 whatever the common transport.
int32_t transport_of(const std::string& address, int32_t common) {
  return address.find(':') != std::string::npos && common != PSW_TRANSPORT_IPX ? PSW_TRANSPORT_UDP6 : common;
}

}  // namespace

json service_discovery_groups(const json& devices) {
  json groups = json::array();
  for (const json& d : devices) {
    json labels = {{"__meta_printer_address", d.value("address", "")},
                   {"__meta_printer_model", d.value("modelName", "")},
                   {"__meta_printer_sys_object_id", d.value("sysObjectId", "")},
                   {"__meta_printer_transport", d.value("transport", "udp")}};
    if (d.contains("interface") && d["interface"].is_string()) labels["__meta_printer_interface"] = d["interface"];
    groups.push_back({{"targets", json::array({d.value("address", "")})}, {"labels", labels}});
  }
  return groups;
}

TargetFinder::TargetFinder(Connection connection, SearchPlan plan, std::function<void(const SearchRound&)> report)
    : connection_(std::move(connection)), plan_(std::move(plan)), report_(std::move(report)) {
  if (!plan_.empty()) thread_ = std::thread([this] { run(); });
}

TargetFinder::~TargetFinder() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

json TargetFinder::devices() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return devices_;
}

json TargetFinder::search_round(Device& device, SearchRound* round) {
  json found = json::array();
  std::set<std::string> seen;
  auto add = [&](json rows, int32_t transport) {
    for (json& d : rows) {
      const std::string address = d.value("address", "");
      if (!seen.insert(address).second) continue;
      d["transport"] = transport_word(address.find(':') != std::string::npos ? PSW_TRANSPORT_UDP6 : transport);
      found.push_back(std::move(d));
    }
  };
  if (plan_.allInterfaces) {
    std::vector<NPmcIpHelpAPI::SearchInterface> interfaces;
    if (NPmcIpHelpAPI::get_search_interfaces(&interfaces) == NPmcIpHelpAPI::PMC_NO_ERROR) {
      for (const auto& i : interfaces) round->searches += (i.ipv4_broadcast.empty() ? 0 : 1) + (i.ipv6 ? 1 : 0);
      add(device.discover_all_interfaces({}, interfaces, &round->failures), PSW_TRANSPORT_UDP);
    } else {
      round->failures.emplace_back(PSW_ERR_NO_INTERFACE, "interface list");
    }
  }
  for (const std::string& address : plan_.addresses) {
    ++round->searches;
    Connection c = connection_;
    c.transport = transport_of(address, connection_.transport);
    try {
      Device one(c, nullptr);
      add(one.discover(address, {}), c.transport);
    } catch (const PswError& e) {
      round->failures.push_back(e);
    }
  }
  return found;
}

void TargetFinder::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    SearchRound round;
    json found;
    try {
      Device device(connection_, nullptr);
      found = search_round(device, &round);
    } catch (const PswError& e) {
      round.failures.push_back(e);
    } catch (const std::exception&) {
      round.failures.emplace_back(PSW_ERR_NO_MEMORY, "search");
    }
    round.devicesFound = found.size();
    lock.lock();
    // A round that found nothing because every search failed keeps the
    // devices known before.
    if (round.failures.size() < round.searches || round.searches == 0) devices_ = std::move(found);
    lock.unlock();
    if (report_) report_(round);
    lock.lock();
    wake_.wait_for(lock, plan_.interval, [this] { return stopping_; });
  }
}

}  // namespace pswctl
