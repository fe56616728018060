// pswctl: finds network printers and reads their state from the shell.
//
//   pswctl discover                          # broadcast search
//   pswctl status 192.0.2.7                  # every status table
//   pswctl status 192.0.2.7 --supplies       # ... and every supply by type
//   pswctl --any-model discover              # printers of every model
//   pswctl options 192.0.2.7                 # installed options and settings
//   pswctl jobs 192.0.2.7 --kind active      # jobs; cancel ADDRESS JOB-ID
//   pswctl watch 192.0.2.7 --interval 5      # changes of status, toners, alerts
//   pswctl exporter --discover 192.0.2.255   # HTTP server for Prometheus
//
// Text output goes to standard output; with --json the same data as JSON.
// Errors go to standard error with the result code's name and a hint; the
// exit status tells the kind of failure (ExitStatus in pswctl_names.h):
// 0 success, 1 other failure, 2 command line, 3 no answer, 4 refused,
// 5 not supported, 6 local network failure, 7 faulty answers.
#include <CLI/CLI.hpp>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <fmt/ranges.h>

#include <chrono>
#include <ctime>
#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <thread>

#include "net/pmc_iphelp_api.h"
#include "pswctl_check.h"
#include "pswctl_device.h"
#include "pswctl_exporter.h"
#include "pswctl_hints.h"
#include "pswctl_inventory.h"
#include "pswctl_logging.h"
#include "pswctl_names.h"
#include "pswctl_progress.h"
#include "pswctl_render.h"
#include "pswctl_text.h"
#include "pswctl_watch.h"

namespace {

using pswctl::json;

// The number of searches discover_all_interfaces makes.
size_t interfaces_searched(const std::vector<NPmcIpHelpAPI::SearchInterface>& interfaces) {
  size_t n = 0;
  for (const auto& i : interfaces) n += (i.ipv4_broadcast.empty() ? 0 : 1) + (i.ipv6 ? 1 : 0);
  return n;
}

struct Settings {
  pswctl::Connection connection;
  bool json = false;
  int verbose = 0;
  // discover
  std::optional<std::string> searchAddress;
  std::vector<std::string> filters;
  bool allInterfaces = false;
  // status: every supply by type in the text output
  bool supplies = false;
  // device sub-commands
  std::string address;
  std::string jobKind = "all";
  std::string jobId;
  double interval = 5;
  int count = 0;
  pswctl::ExporterSettings exporter;
  // inventory
  std::vector<std::string> addresses;
  std::vector<std::string> discoverAt;
  int parallel = 16;
  std::string format = "table";
  // check
  pswctl::CheckSettings check;
  std::string timeoutState = "unknown";
};

void print_json(const json& value) { fmt::print("{}\n", pswctl::json_text(value, 2)); }

// Now in ISO 8601 with the local zone: 2024-03-15T09:12:05+01:00.
std::string now_text() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
#ifdef _WIN32
  localtime_s(&local, &t);
#else
  localtime_r(&t, &local);
#endif
  std::string zone = fmt::format("{:%z}", local);  // +0100
  if (zone.size() == 5) zone.insert(3, ":");
  return fmt::format("{:%Y-%m-%dT%H:%M:%S}", local) + zone;
}

int run_discover(const Settings& s, pswctl::Device& device) {
  json devices;
  if (s.allInterfaces) {
    std::vector<NPmcIpHelpAPI::SearchInterface> interfaces;
    const uint32_t rc = NPmcIpHelpAPI::get_search_interfaces(&interfaces);
    if (rc != NPmcIpHelpAPI::PMC_NO_ERROR) {
      fmt::print(stderr, "pswctl: no interface to search: {}\n",
                 rc == NPmcIpHelpAPI::PMC_ERROR_NO_DATA ? "no interface is up with an IPv4 broadcast address or IPv6"
                                                        : "the interface list cannot be read");
      return pswctl::kExitNetwork;
    }
    std::vector<pswctl::PswError> failures;
    devices = device.discover_all_interfaces(s.filters, interfaces, &failures);
    for (const pswctl::PswError& f : failures)
      fmt::print(stderr, "pswctl: {} failed: {} ({})\n", pswctl::printable(f.step()),
                 pswctl::result_code_name(f.code()), f.code());
    // Every search failed: the failure of the first is the command's.
    if (!failures.empty() && failures.size() == interfaces_searched(interfaces)) throw failures.front();
  } else {
    devices = device.discover(s.searchAddress, s.filters);
  }
  if (s.json)
    print_json({{"devices", devices}});
  else
    fmt::print("{}", pswctl::render_devices(devices));
  return 0;
}

// The monitoring plugin: one status line and the plugin's exit status,
// whatever happens (a failure is UNKNOWN, or CRITICAL for no answer with
// --timeout-state critical).
int run_check(Settings s) {
  s.check.timeoutCritical = s.timeoutState == "critical";
  pswctl::CheckResult result;
  try {
    pswctl::Device device(s.connection, nullptr);
    device.open(s.address);
    const json identity = device.identity();
    device.prefetch(PSW_TABLE_PRINTER | PSW_TABLE_SUPPLY | PSW_TABLE_COVER | PSW_TABLE_ALERT | PSW_TABLE_MARKER);
    const json reading = {{"identity", identity}, {"printer", device.printer_status()},
                          {"supplies", device.supplies()},  {"covers", device.covers()},
                          {"alerts", device.alerts()},      {"markers", device.markers()}};
    result = pswctl::evaluate_check(reading, s.check);
  } catch (const pswctl::PswError& e) {
    result = pswctl::failed_check(e.code(), s.address, s.check);
  } catch (const std::exception& e) {
    result = {pswctl::kCheckUnknown, "PRINTER UNKNOWN - " + pswctl::printable(e.what())};
  }
  fmt::print("{}\n", result.line);
  return result.state;
}

// The fleet's rows: the addresses given, then those the searches found
// (each once, in that order), read `--parallel` at a time.
int run_inventory(const Settings& s, pswctl::Device& device) {
  std::vector<std::string> addresses = s.addresses;
  auto add = [&](const json& devices) {
    for (const json& d : devices) {
      const std::string a = d["address"].get<std::string>();
      if (std::find(addresses.begin(), addresses.end(), a) == addresses.end()) addresses.push_back(a);
    }
  };
  for (const std::string& where : s.discoverAt) add(device.discover(where, {}));
  if (s.allInterfaces) {
    std::vector<NPmcIpHelpAPI::SearchInterface> interfaces;
    if (NPmcIpHelpAPI::get_search_interfaces(&interfaces) == NPmcIpHelpAPI::PMC_NO_ERROR) {
      std::vector<pswctl::PswError> failures;
      add(device.discover_all_interfaces({}, interfaces, &failures));
    }
  }
  if (addresses.empty() && s.discoverAt.empty() && !s.allInterfaces) {
    fmt::print(stderr, "pswctl: inventory needs addresses, --discover ADDRESS or --all-interfaces\n");
    return pswctl::kExitUsage;
  }
  pswctl::Progress progress(pswctl::Progress::stderr_is_terminal());
  const std::vector<pswctl::InventoryRow> rows = pswctl::read_inventory(s.connection, addresses, s.parallel, &progress);
  if (s.json || s.format == "json") {
    print_json({{"printers", pswctl::inventory_json(rows)}});
  } else if (s.format == "csv") {
    fmt::print("{}", pswctl::inventory_csv(rows));
  } else {
    fmt::print("{}", pswctl::inventory_table(rows));
  }
  return pswctl::kExitOk;
}

int run_status(const Settings& s, pswctl::Device& device) {
  device.open(s.address);
  json status = device.status();
  if (s.json) {
    status["address"] = s.address;
    print_json(status);
  } else {
    fmt::print("Status of {}\n\n{}", pswctl::printable(s.address), pswctl::render_status(status, s.supplies || s.connection.anyModel));
  }
  return 0;
}

int run_options(const Settings& s, pswctl::Device& device) {
  device.open(s.address);
  json options = device.options();
  if (s.json) {
    options["address"] = s.address;
    print_json(options);
  } else {
    fmt::print("Options of {}\n\n{}", pswctl::printable(s.address), pswctl::render_options(options));
  }
  return 0;
}

int run_jobs(const Settings& s, pswctl::Device& device) {
  static const std::map<std::string, uint32_t> kinds = {
      {"all", PSW_JOBS_ALL}, {"active", PSW_JOBS_UNFINISHED}, {"finished", PSW_JOBS_FINISHED}};
  device.open(s.address);
  json jobs = device.jobs(kinds.at(s.jobKind));
  if (s.json)
    print_json({{"address", s.address}, {"kind", s.jobKind}, {"jobs", jobs}});
  else
    fmt::print("{}", pswctl::render_jobs(jobs));
  return 0;
}

int run_cancel(const Settings& s, pswctl::Device& device) {
  device.open(s.address);
  device.cancel(s.jobId);
  if (s.json)
    print_json({{"address", s.address}, {"cancelled", s.jobId}});
  else
    fmt::print("Job {} cancelled on {}\n", pswctl::printable(s.jobId), pswctl::printable(s.address));
  return 0;
}

// A failure that means the device (or the way to it) is away for now, not
// that the command is wrong: the watch goes on.
bool unreachable(int32_t code) {
  return code == PSW_ERR_TIMEOUT || code == PSW_ERR_SEND || code == PSW_ERR_RECEIVE;
}

void print_changes(const Settings& s, const json& changes) {
  if (changes.empty()) return;
  const std::string time = now_text();
  if (s.json) {
    fmt::print("{}\n", pswctl::json_text(json{{"time", time}, {"changes", changes}}));
  } else {
    for (const json& c : changes) fmt::print("{} {}\n", time, pswctl::render_change(c));
  }
  std::fflush(stdout);
}

// Reads the device every interval and prints what changed. A device that
// stops answering is reported once as unreachable and read again every
// interval; when it answers again that is reported, and then what changed
// meanwhile. The exit status is that of the last reading.
int run_watch(const Settings& s, pswctl::Device& device) {
  json before = pswctl::empty_snapshot();
  const auto interval = std::chrono::duration<double>(s.interval);
  bool opened = false;
  std::optional<int32_t> away;  // the code of the failure while unreachable
  int status = pswctl::kExitOk;
  for (int reading = 0; s.count == 0 || reading < s.count; ++reading) {
    if (reading > 0) std::this_thread::sleep_for(interval);
    try {
      if (!opened) {
        device.open(s.address);
        opened = true;
      }
      json after = device.watch_snapshot();
      json changes = json::array();
      if (away) changes.push_back(pswctl::reachability_change(true, 0));
      for (json& c : pswctl::watch_changes(before, after)) changes.push_back(std::move(c));
      print_changes(s, changes);
      before = std::move(after);
      away.reset();
      status = pswctl::kExitOk;
    } catch (const pswctl::PswError& e) {
      if (!unreachable(e.code())) throw;
      if (!away) print_changes(s, json::array({pswctl::reachability_change(false, e.code())}));
      away = e.code();
      status = pswctl::exit_status(e.code());
    }
  }
  return status;
}

// The message on standard error (and with --json the same as an object on
// standard output); the exit status of the failure's kind.
int report_error(const Settings& s, const pswctl::PswError& e, const std::optional<std::string>& address,
                 const std::string& sysObjectId) {
  const std::string name = pswctl::result_code_name(e.code());
  const pswctl::Hint hint = pswctl::failure_hint(e, s.connection, address, sysObjectId);
  fmt::print(stderr, "pswctl: {} failed: {} ({})\n  {}\n", pswctl::printable(e.step()), name, e.code(),
             hint.text);
  if (s.json) {
    json error = {{"code", e.code()}, {"name", name},           {"step", e.step()},
                  {"message", hint.text}, {"exitStatus", hint.exitStatus}};
    if (!sysObjectId.empty()) error["sysObjectId"] = sysObjectId;
    print_json({{"error", error}});
  }
  return hint.exitStatus;
}

// Options every sub-command shares. They are given to the tool and to every
// sub-command, so that they may stand before or after the sub-command and
// each sub-command's --help lists them.
void add_common_options(CLI::App& app, Settings& s) {
  static const std::map<std::string, int32_t> transports = {
      {"udp", PSW_TRANSPORT_UDP}, {"udp6", PSW_TRANSPORT_UDP6}, {"ipx", PSW_TRANSPORT_IPX}};
  static const std::map<std::string, int32_t> levels = {{"noAuthNoPriv", PSW_USM_NOAUTH_NOPRIV},
                                                        {"authNoPriv", PSW_USM_AUTH_NOPRIV},
                                                        {"authPriv", PSW_USM_AUTH_PRIV}};
  static const std::map<std::string, int32_t> auths = {{"MD5", PSW_USM_AUTH_HMAC_MD5},
                                                       {"SHA", PSW_USM_AUTH_HMAC_SHA}};
  static const std::map<std::string, int32_t> privs = {{"DES", PSW_USM_PRIV_DES}, {"AES", PSW_USM_PRIV_AES}};
  // Words only: the numbers behind them are the C interface's business.
  auto words = [](const std::map<std::string, int32_t>& table) {
    return CLI::Validator(
        [&table](std::string& text) {
          std::string known;
          for (const auto& [word, value] : table) {
            if (CLI::detail::to_lower(word) == CLI::detail::to_lower(text)) {
              text = std::to_string(value);
              return std::string();
            }
            known += (known.empty() ? "" : ", ") + word;
          }
          return "unknown value '" + text + "'; one of " + known;
        },
        "");
  };
  pswctl::Connection& c = s.connection;
  app.add_option("--transport", c.transport, "udp (IPv4, the default), udp6 (IPv6) or ipx")
      ->transform(words(transports))
      ->option_text("udp|udp6|ipx");
  app.add_option("--timeout", c.timeoutMs, "wait per answer in milliseconds (default 2000)")
      ->check(CLI::Range(1, 600000))
      ->option_text("MS");
  app.add_option("--retries", c.retries, "repeated sends when no answer comes (default 1)")
      ->check(CLI::Range(0, 100))
      ->option_text("N");
  app.add_option("--community", c.community, "read community (default public)");
  app.add_option("--write-community", c.writeCommunity, "write community for cancel (default private)");
  app.add_option("--snmp-version", c.snmpVersion,
                 "SNMP version: 1 (the default), 2c, or 3 (needs --v3-user, which selects it)")
      ->check(CLI::IsMember({"1", "2c", "3"}, CLI::ignore_case))
      ->option_text("1|2c|3");
  app.add_option("--max-repetitions", c.maxRepetitions,
                 "GetBulk repetitions of table walks over SNMPv2c and SNMPv3 (default 25; 0: GetNext walks)")
      ->check(CLI::Range(0, 100))
      ->option_text("N");
  app.add_option("--v3-user", c.v3User, "SNMPv3 user name (selects SNMPv3)");
  app.add_option("--v3-level", c.v3Level, "SNMPv3 security level")
      ->transform(words(levels))
      ->option_text("noAuthNoPriv|authNoPriv|authPriv");
  app.add_option("--v3-auth", c.v3Auth, "SNMPv3 authentication protocol")
      ->transform(words(auths))
      ->option_text("MD5|SHA");
  app.add_option("--v3-auth-pass", c.v3AuthPass, "authentication pass phrase");
  app.add_option("--v3-priv", c.v3Priv, "SNMPv3 privacy protocol")->transform(words(privs))->option_text("DES|AES");
  app.add_option("--v3-priv-pass", c.v3PrivPass, "privacy pass phrase");
  app.add_option("--v3-context", c.v3Context, "SNMPv3 context name");
  app.add_flag("--any-model", c.anyModel,
               "open and find printers of every model that have a Printer MIB, not only the supported one");
  app.add_flag("--json", s.json, "machine-readable output");
  app.add_flag("-v,--verbose", s.verbose, "library log on standard error (repeat for more)");
}

// Whether --snmp-version agrees with the SNMPv3 options: empty, or what is
// wrong. A user name selects SNMPv3, so 3 needs one and 1 or 2c allow none.
std::string version_problem(pswctl::Connection& c) {
  c.snmpVersion = CLI::detail::to_lower(c.snmpVersion);
  if (c.snmpVersion == "3" && !c.v3()) return "--snmp-version 3 needs the SNMPv3 user name: give --v3-user NAME";
  if ((c.snmpVersion == "1" || c.snmpVersion == "2c") && c.v3())
    return "--v3-user selects SNMPv3 and cannot go with --snmp-version " + c.snmpVersion;
  return "";
}

// The sub-commands that read printers, and the monitoring plugin and the
// server beside them (named on a line of their own in the message about an
// unknown sub-command).
const char* const kSubcommands[] = {"discover", "status", "options", "jobs", "cancel", "watch"};
const char* const kCheckSubcommand = "check";
const char* const kInventorySubcommand = "inventory";
const char* const kServerSubcommand = "exporter";

// A number of seconds within (0, most].
CLI::Validator seconds_check(const char* what, double most) {
  return CLI::Validator(
      [what, most](std::string& text) {
        double v = 0;
        try {
          v = std::stod(text);
        } catch (const std::exception&) {
          return fmt::format("the {} must be a number of seconds", what);
        }
        return v > 0 && v <= most ? std::string()
                                  : fmt::format("the {} must be more than 0 and at most {} seconds", what, most);
      },
      "", what);
}

void add_exporter_options(CLI::App& exporter, pswctl::ExporterSettings& e) {
  exporter.add_option("--listen", e.listen,
                      fmt::format("address and port to serve on (default 127.0.0.1:{})", pswctl::kExporterPort))
      ->option_text("HOST:PORT");
  exporter.add_option("--discover", e.discover, "search here by broadcast in the background (repeatable)")
      ->allow_extra_args(false)
      ->option_text("ADDRESS");
  exporter.add_flag("--all-interfaces", e.allInterfaces,
                    "search every interface in the background: its IPv4 broadcast address and ff02::1");
  exporter.add_option("--discover-interval", e.discoverInterval, "seconds between searches (default 300)")
      ->check(seconds_check("interval", 86400))
      ->option_text("SECONDS");
  exporter.add_option("--max-concurrent-probes", e.maxConcurrentProbes,
                      "probes read at once; more are answered 503 at once (default 8)")
      ->check(CLI::Range(1, 1000))
      ->option_text("N");
  exporter.add_option("--allow-targets", e.allowTargets, "probe only addresses in these networks (403 otherwise)")
      ->option_text("CIDR,...");
}

// The first word of the command line that is no option nor an option's
// value: what the user meant as the sub-command. Empty when there is none.
std::string first_word(int argc, char** argv) {
  static const std::set<std::string> flags = {"--json", "-v", "--verbose", "-h", "--help", "--version", "--any-model"};
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.empty() || arg[0] != '-') return arg;
    if (arg == "--") return i + 1 < argc ? argv[i + 1] : "";
    // -vv and --option=value take no further word.
    if (flags.count(arg) != 0 || arg.find('=') != std::string::npos || arg.rfind("-v", 0) == 0) continue;
    ++i;
  }
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  Settings s;
  CLI::App app{"pswctl: find network printers and read their state"};
  app.require_subcommand(1, 1);
  app.fallthrough();
  add_common_options(app, s);

  CLI::App* discover = app.add_subcommand("discover", "search the network and list the devices found");
  discover->add_option("address", s.searchAddress, "where to search (default: broadcast of the transport)");
  discover->add_option("--find-community", s.connection.findCommunity, "community of the search");
  // One prefix per --filter, so that a word after it is the address.
  discover->add_option("--filter", s.filters, "keep only devices whose sysObjectID begins with this (repeatable)")
      ->allow_extra_args(false);
  discover->add_flag("--all-interfaces", s.allInterfaces,
                     "search every interface: its IPv4 broadcast address and ff02::1 on its IPv6 link");

  CLI::App* status = app.add_subcommand("status", "print every status table of a device");
  status->add_option("address", s.address, "device address")->required();
  status->add_flag("--supplies", s.supplies,
                   "also list every supply by type (ink, drums, waste toner, ...); on with --any-model");
  CLI::App* options = app.add_subcommand("options", "print the installed options and settings of a device");
  options->add_option("address", s.address, "device address")->required();
  CLI::App* jobs = app.add_subcommand("jobs", "list the jobs of a device");
  jobs->add_option("address", s.address, "device address")->required();
  jobs->add_option("--kind", s.jobKind, "all (the default), active or finished")
      ->check(CLI::IsMember({"all", "active", "finished"}))
      ->option_text("all|active|finished");
  CLI::App* cancel = app.add_subcommand("cancel", "cancel a job");
  cancel->add_option("address", s.address, "device address")->required();
  cancel->add_option("job-id", s.jobId, "job identifier as 'jobs' prints it")->required();
  CLI::App* watch = app.add_subcommand("watch", "print changes of printer status, toners and alerts");
  watch->add_option("address", s.address, "device address")->required();
  watch->add_option("--interval", s.interval, "seconds between readings, more than 0 (default 5)")
      ->check(seconds_check("interval", 86400))
      ->option_text("SECONDS");
  watch->add_option("--count", s.count, "number of readings (default 0: until stopped)")
      ->check(CLI::NonNegativeNumber)
      ->option_text("N");
  CLI::App* inventory = app.add_subcommand("inventory", "one row per printer of a fleet, read concurrently");
  inventory->add_option("addresses", s.addresses, "printer addresses");
  inventory->add_option("--discover", s.discoverAt, "also read the printers a search here finds (repeatable)")
      ->allow_extra_args(false)
      ->option_text("ADDRESS");
  inventory->add_flag("--all-interfaces", s.allInterfaces, "also read the printers found on every interface");
  inventory->add_option("--parallel", s.parallel, "printers read at once (default 16)")
      ->check(CLI::Range(1, 256))
      ->option_text("N");
  inventory->add_option("--format", s.format, "table (the default), csv or json")
      ->check(CLI::IsMember({"table", "csv", "json"}))
      ->option_text("table|csv|json");
  inventory->add_option("--find-community", s.connection.findCommunity, "community of the searches");
  CLI::App* check = app.add_subcommand("check", "monitoring plugin: one status line, exit 0 OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN");
  check->add_option("address", s.address, "device address")->required();
  check->add_option("--warning", s.check.warning, "WARNING at or below this supply percentage (default 20)")
      ->check(CLI::Range(0, 100))
      ->option_text("PERCENT");
  check->add_option("--critical", s.check.critical, "CRITICAL at or below this supply percentage (default 10)")
      ->check(CLI::Range(0, 100))
      ->option_text("PERCENT");
  check->add_option("--timeout-state", s.timeoutState, "state of a printer that does not answer (default unknown)")
      ->check(CLI::IsMember({"unknown", "critical"}))
      ->option_text("unknown|critical");
  CLI::App* exporter = app.add_subcommand("exporter", "serve printers' metrics to Prometheus over HTTP");
  add_exporter_options(*exporter, s.exporter);
  exporter->add_option("--find-community", s.connection.findCommunity, "community of the background searches");
  for (CLI::App* command : {discover, status, options, jobs, cancel, watch, inventory, check, exporter})
    add_common_options(*command, s);

  app.set_version_flag("--version", std::string("pswctl ") + PSWCTL_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // A word that names no sub-command: say so rather than that one is missing.
    const std::string word = first_word(argc, argv);
    if (!word.empty() && app.get_subcommands().empty() &&
        std::find(std::begin(kSubcommands), std::end(kSubcommands), word) == std::end(kSubcommands) &&
        word != kServerSubcommand && word != kCheckSubcommand && word != kInventorySubcommand) {
      fmt::print(stderr,
                 "pswctl: unknown sub-command '{}'; the sub-commands are {}\n"
                 "  and {} (a fleet's rows), {} (a monitoring plugin), {} (an HTTP server for Prometheus)\n"
                 "Run with --help for more information.\n",
                 pswctl::printable(word), fmt::join(kSubcommands, ", "), kInventorySubcommand, kCheckSubcommand,
                 kServerSubcommand);
      return pswctl::kExitUsage;
    }
    // Help and version print and succeed; every mistake is status 2.
    return app.exit(e) == 0 ? pswctl::kExitOk : pswctl::kExitUsage;
  }
  if (std::string problem = version_problem(s.connection); !problem.empty()) {
    fmt::print(stderr, "pswctl: {}\nRun with --help for more information.\n", problem);
    return pswctl::kExitUsage;
  }
  pswctl::enable_library_log(s.verbose);
  if (check->parsed()) return run_check(s);
  if (exporter->parsed()) {
    if (!pswctl::exporter_available()) {
      fmt::print(stderr, "pswctl: the exporter is not available in this build\n");
      return pswctl::kExitNotSupported;
    }
    return pswctl::run_exporter(s.connection, s.exporter);
  }

  const std::pair<CLI::App*, int (*)(const Settings&, pswctl::Device&)> commands[] = {
      {discover, run_discover}, {status, run_status}, {options, run_options},
      {jobs, run_jobs},         {cancel, run_cancel}, {watch, run_watch}, {inventory, run_inventory}};
  std::unique_ptr<pswctl::Device> device;
  try {
    pswctl::Progress progress(pswctl::Progress::stderr_is_terminal());
    device = std::make_unique<pswctl::Device>(s.connection, &progress);
    for (const auto& [command, run] : commands)
      if (command->parsed()) return run(s, *device);
  } catch (const pswctl::PswError& e) {
    const std::optional<std::string> address = discover->parsed() ? s.searchAddress : s.address;
    return report_error(s, e, address, device ? device->seen_sys_object_id() : std::string());
  } catch (const std::exception& e) {
    fmt::print(stderr, "pswctl: {}\n", pswctl::printable(e.what()));
    return pswctl::kExitFailed;
  }
  return pswctl::kExitUsage;
}
