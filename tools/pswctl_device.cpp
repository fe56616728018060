#include "pswctl_device.h"

#include <fmt/format.h>

#include <cstring>
#include <set>
#include <thread>
#include <utility>

#include "pswctl_charset.h"
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
  set_communities(handle_);
}

Device::~Device() { PSWUnInit(handle_); }

void Device::check(int32_t rc, const std::string& step) const {
  if (rc != PSW_OK) throw PswError(rc, step);
}

void Device::step(const std::string& label) {
  if (progress_ != nullptr) progress_->step(label);
}

namespace {

// One search on `handle` with the connection's settings; the devices found,
// each with `interfaceName` (null when empty).
json search(PSWHANDLE handle, const Connection& c, const char* destination, int32_t transport,
            const std::vector<std::string>& filters, const std::string& interfaceName) {
  auto check = [](int32_t rc, const char* step) {
    if (rc != PSW_OK) throw PswError(rc, step);
  };
  PSWFindClearFilter(handle);
  for (const std::string& f : filters) check(PSWFindAddFilter(handle, f.c_str()), "PSWFindAddFilter");
  int32_t count = 0;
  if (c.v3()) {
    const PSWUSMSettings block = c.usm_block();
    check(PSWFindDeviceSNMPEx(handle, destination, transport, PSW_SNMP_MODE_V3, &block, c.timeoutMs, c.retries,
                              &count),
          "PSWFindDeviceSNMPEx");
  } else {
    check(PSWFindDeviceSNMP(handle, destination, transport, c.timeoutMs, c.retries, &count), "PSWFindDeviceSNMP");
  }
  json devices = json::array();
  char addr[PSW_DEVICE_TEXT_SIZE], model[PSW_DEVICE_TEXT_SIZE], flag[PSW_DEVICE_TEXT_SIZE], oid[PSW_DEVICE_TEXT_SIZE];
  PSWFindResetPosition(handle);
  while (PSWGetDeviceNext(handle, addr, model, flag, oid) == 1) {
    devices.push_back({{"address", device_text(addr)},
                       {"modelName", device_text(model)},
                       {"sysObjectId", device_text(oid)},
                       {"interface", interfaceName.empty() ? json(nullptr) : json(interfaceName)}});
  }
  return devices;
}

}  // namespace

void Device::set_communities(PSWHANDLE handle) const {
  // An empty community leaves the library's default in place.
  const std::pair<const char*, const std::string*> communities[] = {
      {"CmdSetCommunityGetOption", &connection_.community},
      {"CmdSetCommunityWrite", &connection_.writeCommunity},
      {"CmdSetCommunityFind", &connection_.findCommunity},
  };
  for (const auto& [command, value] : communities)
    if (!value->empty()) check(PSWCommandString(handle, command, value->c_str()), command);
  // Printers of every model, for the openings and searches of this handle.
  if (connection_.anyModel) check(PSWCommandInteger(handle, "CmdSetAnyModel", 1), "CmdSetAnyModel");
  // Community-based requests as SNMPv2c.
  if (connection_.snmpVersion == "2c")
    check(PSWCommandInteger(handle, "CmdSetCommunityVersion", 2), "CmdSetCommunityVersion");
  // GetBulk repetitions of table walks over SNMPv2c and SNMPv3 (0: GetNext).
  if (connection_.maxRepetitions >= 0)
    check(PSWCommandInteger(handle, "CmdSetMaxRepetitions", connection_.maxRepetitions), "CmdSetMaxRepetitions");
}

json Device::discover(const std::optional<std::string>& address, const std::vector<std::string>& filters) {
  // A search waits (retries + 1) x time-out for all answers.
  if (progress_ != nullptr)
    progress_->countdown("searching",
                         std::chrono::milliseconds(static_cast<int64_t>(connection_.retries + 1) * connection_.timeoutMs));
  json devices = search(handle_, connection_, address ? address->c_str() : nullptr, connection_.transport, filters, "");
  if (progress_ != nullptr) progress_->clear();
  return devices;
}

json Device::discover_all_interfaces(const std::vector<std::string>& filters,
                                     const std::vector<NPmcIpHelpAPI::SearchInterface>& interfaces,
                                     std::vector<PswError>* failures) {
  struct Target {
    std::string destination;
    int32_t transport;
    std::string interfaceName;
    json devices;
    std::optional<PswError> failure;
  };
  std::vector<Target> targets;
  for (const auto& i : interfaces) {
    if (!i.ipv4_broadcast.empty()) targets.push_back({i.ipv4_broadcast, PSW_TRANSPORT_UDP, i.name, {}, {}});
    if (i.ipv6) targets.push_back({"ff02::1%" + i.zone, PSW_TRANSPORT_UDP6, i.name, {}, {}});
  }
  if (progress_ != nullptr)
    progress_->countdown("searching",
                         std::chrono::milliseconds(static_cast<int64_t>(connection_.retries + 1) * connection_.timeoutMs));
  // One handle and thread per destination: every search waits its whole
  // time-out, so they wait together.
  std::vector<std::thread> threads;
  for (Target& t : targets) {
    threads.emplace_back([this, &t, &filters] {
      PSWHANDLE handle = nullptr;
      try {
        check(PSWInit(&handle), "PSWInit");
        set_communities(handle);
        t.devices = search(handle, connection_, t.destination.c_str(), t.transport, filters, t.interfaceName);
      } catch (const PswError& e) {
        t.failure = e;
      } catch (const std::exception&) {
        t.failure = PswError(PSW_ERR_NO_MEMORY, "search on " + t.interfaceName);
      }
      PSWUnInit(handle);
    });
  }
  for (std::thread& thread : threads) thread.join();
  if (progress_ != nullptr) progress_->clear();

  // One row per answering address, with the interface it was first found on.
  json devices = json::array();
  std::set<std::string> seen;
  for (Target& t : targets) {
    if (t.failure) {
      failures->push_back(PswError(t.failure->code(), fmt::format("search on {} ({})", t.interfaceName, t.destination)));
      continue;
    }
    for (json& d : t.devices)
      if (seen.insert(d["address"].get<std::string>()).second) devices.push_back(std::move(d));
  }
  return devices;
}

void Device::open(const std::string& address) {
  prefetched_ = 0;
  step("opening " + address);
  seenSysObjectId_.clear();
  int32_t rc = PSW_OK;
  if (connection_.v3()) {
    const PSWUSMSettings block = connection_.usm_block();
    rc = PSWInitDeviceEx(handle_, address.c_str(), connection_.transport, PSW_SNMP_MODE_V3, &block,
                         connection_.timeoutMs, connection_.retries);
  } else {
    rc = PSWInitDevice(handle_, address.c_str(), connection_.transport, connection_.timeoutMs, connection_.retries);
  }
  if (rc == PSW_ERR_ARGUMENT) seenSysObjectId_ = sys_object_id_seen();
  check(rc, connection_.v3() ? "PSWInitDeviceEx" : "PSWInitDevice");
  printerCharSet_ = 0;
  printerCharSetRead_ = false;
}

std::string Device::sys_object_id_seen() const {
  // The opening keeps the sysObjectID its model check read, whether or not
  // the model matched, and PSWIsSupportedOID compares prefixes of it: the
  // text is found one character at a time, without another request.
  static const char kCharacters[] = "0123456789.";
  std::string seen;
  while (seen.size() < PSW_DEVICE_TEXT_SIZE * 4) {
    bool longer = false;
    for (const char* c = kCharacters; *c != '\0' && !longer; ++c) {
      const std::string candidate = seen + *c;
      if (PSWIsSupportedOID(handle_, candidate.c_str()) == 1) {
        seen = candidate;
        longer = true;
      }
    }
    if (!longer) break;
  }
  return seen;
}

int32_t Device::char_set(uint32_t kind) {
  int32_t value = 0;
  const int32_t rc = PSWGetCharSet(handle_, kind, &value);
  // A device without the localization tables, or with faulty ones, still
  // has its other tables read (its texts then as PSWTextToUTF8 reads them);
  // a device that does not answer at all fails here.
  if (rc == PSW_ERR_TIMEOUT || rc == PSW_ERR_SEND || rc == PSW_ERR_RECEIVE || rc == PSW_ERR_SECURITY)
    check(rc, "PSWGetCharSet");
  return rc == PSW_OK ? value : 0;
}

int32_t Device::printer_char_set() {
  if (!printerCharSetRead_) {
    printerCharSet_ = char_set(PSW_CHARSET_PRINTER);
    printerCharSetRead_ = true;
  }
  return printerCharSet_;
}

bool Device::prefetch(uint32_t tables) {
  step("reading status tables");
  prefetched_ = 0;
  // A failure leaves each table to its own reading, which reports it.
  if (PSWReadStatusTables(handle_, tables) != PSW_OK) return false;
  prefetched_ = tables;
  return true;
}

bool Device::take_prefetched(uint32_t table) {
  const bool kept = (prefetched_ & table) != 0;
  prefetched_ &= ~table;
  return kept;
}

template <class Record, class CountFn, class CopyFn>
json Device::table(const char* label, uint32_t bit, CountFn count_fn, CopyFn copy_fn) {
  step(fmt::format("reading {}", label));
  int32_t count = 0;
  if (take_prefetched(bit)) {
    check(PSWGetTableCount(handle_, bit, &count), fmt::format("reading {}", label));
  } else {
    check(count_fn(handle_, &count), fmt::format("reading {}", label));
  }
  json rows = json::array();
  for (int32_t i = 0; i < count; ++i) {
    Record record;
    check(copy_fn(handle_, i, &record), fmt::format("copying {} {}", label, i));
    rows.push_back(to_json(record, printerCharSet_));
  }
  return rows;
}

json Device::printer() {
  step("reading printer status");
  PSWPrinterInfo info{};
  if (take_prefetched(PSW_TABLE_PRINTER)) {
    check(PSWGetLastPrinterInfo(handle_, &info), "PSWGetLastPrinterInfo");
  } else {
    check(PSWGetPrinterInfo(handle_, &info), "PSWGetPrinterInfo");
  }
  return to_json(info);
}

json Device::identity() {
  printer_char_set();
  step("reading identity");
  PSWIdentityInfo info;
  std::memset(&info, 0, sizeof info);
  check(PSWGetIdentityInfo(handle_, &info), "PSWGetIdentityInfo");
  return to_json(info, printerCharSet_);
}

json Device::char_sets() {
  // A device may lack either localization: that character set is then null
  // rather than failing the whole report.
  step("reading character sets");
  json sets = json::object();
  const std::pair<const char*, uint32_t> kinds[] = {{"printer", PSW_CHARSET_PRINTER},
                                                    {"vendor", PSW_CHARSET_VENDOR}};
  for (const auto& [name, kind] : kinds) {
    const int32_t value = char_set(kind);
    if (kind == PSW_CHARSET_PRINTER) {
      printerCharSet_ = value;
      printerCharSetRead_ = true;
    }
    sets[name] = value == 0 ? json(nullptr) : json(value);
    sets[std::string(name) + "Name"] = value == 0 ? json(nullptr) : json(charset_name(value));
  }
  return sets;
}

json Device::status() {
  json report = json::object();
  // The character sets first: the texts of every table are converted from
  // the printer's.
  const json sets = char_sets();
  report["identity"] = identity();
  // Every table in one walk.
  prefetch(PSW_TABLE_ALL_STATUS);
  report["storage"] = table<PSWStorageInfo>("storage", PSW_TABLE_STORAGE, PSWGetNumberOfStorageInfo, PSWGetStorageInfo);
  report["devices"] = table<PSWDeviceInfo>("devices", PSW_TABLE_DEVICE, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
  report["printer"] = printer();
  report["inputTrays"] = table<PSWInputTrayInfo>("input trays", PSW_TABLE_INPUT_TRAY, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
  report["outputTrays"] =
      table<PSWOutputTrayInfo>("output trays", PSW_TABLE_OUTPUT_TRAY, PSWGetNumberOfOutputTrayInfo, PSWGetOutputTrayInfo);
  report["toners"] = table<PSWTonerInfo>("toners", PSW_TABLE_TONER, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  report["supplies"] = table<PSWSupplyInfo>("supplies", PSW_TABLE_SUPPLY, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo);
  report["alerts"] = table<PSWAlertInfo>("alerts", PSW_TABLE_ALERT, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  report["markers"] = table<PSWMarkerInfo>("markers", PSW_TABLE_MARKER, PSWGetNumberOfMarkerInfo, PSWGetMarkerInfo);
  report["covers"] = table<PSWCoverInfo>("covers", PSW_TABLE_COVER, PSWGetNumberOfCoverInfo, PSWGetCoverInfo);
  report["consoleLines"] =
      table<PSWConsoleLineInfo>("console lines", PSW_TABLE_CONSOLE_LINE, PSWGetNumberOfConsoleLineInfo, PSWGetConsoleLineInfo);
  report["consoleLights"] =
      table<PSWConsoleLightInfo>("console lights", PSW_TABLE_CONSOLE_LIGHT, PSWGetNumberOfConsoleLightInfo, PSWGetConsoleLightInfo);
  report["charSets"] = sets;
  if (progress_ != nullptr) progress_->clear();
  return report;
}

json Device::watch_snapshot() {
  printer_char_set();
  json snapshot = json::object();
  snapshot["printer"] = printer();
  snapshot["toners"] = table<PSWTonerInfo>("toners", PSW_TABLE_TONER, PSWGetNumberOfTonerInfo, PSWGetTonerInfo);
  snapshot["alerts"] = table<PSWAlertInfo>("alerts", PSW_TABLE_ALERT, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
  if (progress_ != nullptr) progress_->clear();
  return snapshot;
}

json Device::devices() {
  printer_char_set();
  return table<PSWDeviceInfo>("devices", PSW_TABLE_DEVICE, PSWGetNumberOfDeviceInfo, PSWGetDeviceInfo);
}

json Device::printer_status() { return printer(); }

json Device::input_trays() {
  printer_char_set();
  return table<PSWInputTrayInfo>("input trays", PSW_TABLE_INPUT_TRAY, PSWGetNumberOfInputTrayInfo, PSWGetInputTrayInfo);
}

json Device::markers() {
  printer_char_set();
  return table<PSWMarkerInfo>("markers", PSW_TABLE_MARKER, PSWGetNumberOfMarkerInfo, PSWGetMarkerInfo);
}

json Device::covers() {
  printer_char_set();
  return table<PSWCoverInfo>("covers", PSW_TABLE_COVER, PSWGetNumberOfCoverInfo, PSWGetCoverInfo);
}

json Device::supplies() {
  printer_char_set();
  return table<PSWSupplyInfo>("supplies", PSW_TABLE_SUPPLY, PSWGetNumberOfSupplyInfo, PSWGetSupplyInfo);
}

json Device::alerts() {
  printer_char_set();
  return table<PSWAlertInfo>("alerts", PSW_TABLE_ALERT, PSWGetNumberOfAlertInfo, PSWGetAlertInfo);
}

json Device::options() {
  step("reading options");
  check(PSWRefreshOptions(handle_), "PSWRefreshOptions");
  json result = read_option_keys(handle_, printer_char_set());
  if (progress_ != nullptr) progress_->clear();
  return result;
}

json Device::jobs(uint32_t kind) {
  step("reading jobs");
  int32_t count = 0;
  check(PSWGetNumberOfJobInfo(handle_, kind, &count), "PSWGetNumberOfJobInfo");
  // The job texts come from the maker's text table in its character set.
  const int32_t charset = char_set(PSW_CHARSET_VENDOR);
  json rows = json::array();
  for (int32_t i = 0; i < count; ++i) {
    PSWJobInfo job;
    check(PSWGetJobInfo(handle_, i, &job), "PSWGetJobInfo");
    rows.push_back(to_json(job, charset));
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
