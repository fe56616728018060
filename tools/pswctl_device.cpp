#include "pswctl_device.h"

#include <fmt/format.h>

#include <cstring>
#include <utility>

#include "pswctl_option_keys.h"
#include "pswctl_records.h"
#include "pswctl_text.h"

namespace pswctl {
namespace {

template <size_t N>
void copy_text(char (&field)[N], const std::string& value) {
  std::memset(field, 0, N);
  std::memcpy(field, value.data(), value.size() < N - 1 ? value.size() : N - 1);
}

}  // namespace

PSWUSMSettings Connection::usm_block() const {
  PSWUSMSettings block;
  std::memset(&block, 0, sizeof block);
  copy_text(block.userName, v3User);
  block.securityLevel = v3Level;
  block.authProtocol = v3Auth;
  block.privProtocol = v3Priv;
  copy_text(block.authPassPhrase, v3AuthPass);
  copy_text(block.privPassPhrase, v3PrivPass);
  copy_text(block.contextName, v3Context);
  return block;
}

PswError::PswError(int32_t code, const std::string& step)
    : std::runtime_error(fmt::format("{} returned {}", step, code)), code_(code), step_(step) {}

Device::Device(Connection connection, Progress* progress) : connection_(std::move(connection)), progress_(progress) {
  check(PSWInit(&handle_), "PSWInit");
  // An empty community leaves the library's default in place.
  const std::pair<const char*, const std::string*> communities[] = {
      {"CmdSetCommunityGetOption", &connection_.community},
      {"CmdSetCommunityWrite", &connection_.writeCommunity},
      {"CmdSetCommunityFind", &connection_.findCommunity},
  };
  for (const auto& [command, value] : communities)
    if (!value->empty()) check(PSWCommandString(handle_, command, value->c_str()), command);
}

Device::~Device() { PSWUnInit(handle_); }

void Device::check(int32_t rc, const std::string& step) const {
  if (rc != PSW_OK) throw PswError(rc, step);
}

void Device::step(const std::string& label) {
  if (progress_ != nullptr) progress_->step(label);
}

json Device::discover(const std::optional<std::string>& address, const std::vector<std::string>& filters) {
  PSWFindClearFilter(handle_);
  for (const std::string& f : filters) check(PSWFindAddFilter(handle_, f.c_str()), "PSWFindAddFilter");
  // A search waits (retries + 1) x time-out for all answers.
  if (progress_ != nullptr)
    progress_->countdown("searching",
                         std::chrono::milliseconds(static_cast<int64_t>(connection_.retries + 1) * connection_.timeoutMs));
  const char* destination = address ? address->c_str() : nullptr;
  int32_t count = 0;
  if (connection_.v3()) {
    const PSWUSMSettings block = connection_.usm_block();
    check(PSWFindDeviceSNMPEx(handle_, destination, connection_.transport, PSW_SNMP_MODE_V3, &block,
                              connection_.timeoutMs, connection_.retries, &count),
          "PSWFindDeviceSNMPEx");
  } else {
    check(PSWFindDeviceSNMP(handle_, destination, connection_.transport, connection_.timeoutMs, connection_.retries,
                            &count),
          "PSWFindDeviceSNMP");
  }
  if (progress_ != nullptr) progress_->clear();
  json devices = json::array();
  char addr[PSW_DEVICE_TEXT_SIZE], model[PSW_DEVICE_TEXT_SIZE], flag[PSW_DEVICE_TEXT_SIZE], oid[PSW_DEVICE_TEXT_SIZE];
  PSWFindResetPosition(handle_);
  while (PSWGetDeviceNext(handle_, addr, model, flag, oid) == 1) {
    devices.push_back({{"address", device_text(addr)},
                       {"modelName", device_text(model)},
                       {"sysObjectId", device_text(oid)}});
  }
  return devices;
}

void Device::open(const std::string& address) {
  step("opening " + address);
  if (connection_.v3()) {
    const PSWUSMSettings block = connection_.usm_block();
    check(PSWInitDeviceEx(handle_, address.c_str(), connection_.transport, PSW_SNMP_MODE_V3, &block,
                          connection_.timeoutMs, connection_.retries),
          "PSWInitDeviceEx");
  } else {
    check(PSWInitDevice(handle_, address.c_str(), connection_.transport, connection_.timeoutMs, connection_.retries),
          "PSWInitDevice");
  }
}

template <class Record, class CountFn, class CopyFn>
json Device::table(const char* label, CountFn count_fn, CopyFn copy_fn) {
  step(fmt::format("reading {}", label));
  int32_t count = 0;
  check(count_fn(handle_, &count), fmt::format("reading {}", label));
  json rows = json::array();
  for (int32_t i = 0; i < count; ++i) {
    Record record;
    check(copy_fn(handle_, i, &record), fmt::format("copying {} {}", label, i));
    rows.push_back(to_json(record));
  }
  return rows;
}

json Device::printer() {
  step("reading printer status");
  PSWPrinterInfo info{};
  check(PSWGetPrinterInfo(handle_, &info), "PSWGetPrinterInfo");
  return to_json(info);
}

json Device::char_sets() {
  // A device may lack either localization: that character set is then null
  // rather than failing the whole report.
  step("reading character sets");
  json sets = json::object();
  const std::pair<const char*, uint32_t> kinds[] = {{"printer", PSW_CHARSET_PRINTER},
                                                    {"vendor", PSW_CHARSET_VENDOR}};
  for (const auto& [name, kind] : kinds) {
    int32_t value = 0;
    const int32_t rc = PSWGetCharSet(handle_, kind, &value);
    if (rc == PSW_ERR_NO_VALUE)
      sets[name] = nullptr;
    else
      check(rc, "PSWGetCharSet");
    if (rc == PSW_OK) sets[name] = value;
  }
  return sets;
}

json Device::status() {
  json report = json::object();
  report["storage"] = table<PSWStorageInfo>("storage", PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  report["devices"] = table<PSWDeviceInfo>("devices", PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  report["printer"] = printer();
  report["inputTrays"] = table<PSWInputTrayInfo>("input trays", PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  report["outputTrays"] =
      table<PSWOutputTrayInfo>("output trays", PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  report["toners"] = table<PSWTonerInfo>("toners", PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  report["alerts"] = table<PSWAlertInfo>("alerts", PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  report["charSets"] = char_sets();
  if (progress_ != nullptr) progress_->clear();
  return report;
}

json Device::watch_snapshot() {
  json snapshot = json::object();
  snapshot["printer"] = printer();
  snapshot["toners"] = table<PSWTonerInfo>("toners", PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  snapshot["alerts"] = table<PSWAlertInfo>("alerts", PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  if (progress_ != nullptr) progress_->clear();
  return snapshot;
}

json Device::options() {
  step("reading options");
  check(PSWRefreshOptions(handle_), "PSWRefreshOptions");
  json result = read_option_keys(handle_);
  if (progress_ != nullptr) progress_->clear();
  return result;
}

json Device::jobs(uint32_t kind) {
  step("reading jobs");
  int32_t count = 0;
  check(PSWGetNumberOfJobInfo(handle_, kind, &count), "PSWGetNumberOfJobInfo");
  json rows = json::array();
  for (int32_t i = 0; i < count; ++i) {
    PSWJobInfo job;
    check(PSWGetJobInfo(handle_, i, &job), "PSWGetJobInfo");
    rows.push_back(to_json(job));
  }
  if (progress_ != nullptr) progress_->clear();
  return rows;
}

void Device::cancel(const std::string& jobId) {
  step("cancelling job " + jobId);
  check(PSWCancelJob(handle_, jobId.c_str()), "PSWCancelJob");
  if (progress_ != nullptr) progress_->clear();
}

}  // namespace pswctl
