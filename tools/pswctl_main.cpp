// pswctl: finds network printers and reads their state from the shell.
//
//   pswctl discover                          # broadcast search
//   pswctl status 192.0.2.7                  # every status table
//   pswctl options 192.0.2.7                 # installed options and settings
//   pswctl jobs 192.0.2.7 --kind active      # jobs; cancel ADDRESS JOB-ID
//   pswctl watch 192.0.2.7 --interval 5      # changes of status, toners, alerts
//
// Text output goes to standard output; with --json the same data as JSON.
// Errors go to standard error with the result code's name and a hint; the
// exit status tells the kind of failure (ExitStatus in pswctl_names.h):
// 0 success, 1 other failure, 2 command line, 3 no answer, 4 refused,
// 5 not supported, 6 local network failure, 7 faulty answers.
#include <CLI/CLI.hpp>
#include <fmt/chrono.h>
#include <fmt/format.h>

#include <chrono>
#include <ctime>
#include <map>
#include <optional>
#include <thread>

#include "pswctl_device.h"
#include "pswctl_logging.h"
#include "pswctl_names.h"
#include "pswctl_progress.h"
#include "pswctl_render.h"
#include "pswctl_text.h"
#include "pswctl_watch.h"

namespace {

using pswctl::json;

struct Settings {
  pswctl::Connection connection;
  bool json = false;
  int verbose = 0;
  // discover
  std::optional<std::string> searchAddress;
  std::vector<std::string> filters;
  // device sub-commands
  std::string address;
  std::string jobKind = "all";
  std::string jobId;
  double interval = 5;
  int count = 0;
};

void print_json(const json& value) { fmt::print("{}\n", pswctl::json_text(value, 2)); }

std::string now_text() {
  const std::time_t t = std::time(nullptr);
  std::tm local{};
  localtime_r(&t, &local);
  return fmt::format("{:%Y-%m-%d %H:%M:%S}", local);
}

int run_discover(const Settings& s, pswctl::Device& device) {
  json devices = device.discover(s.searchAddress, s.filters);
  if (s.json)
    print_json({{"devices", devices}});
  else
    fmt::print("{}", pswctl::render_devices(devices));
  return 0;
}

int run_status(const Settings& s, pswctl::Device& device) {
  device.open(s.address);
  json status = device.status();
  if (s.json) {
    status["address"] = s.address;
    print_json(status);
  } else {
    fmt::print("Status of {}\n\n{}", pswctl::printable(s.address), pswctl::render_status(status));
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

int run_watch(const Settings& s, pswctl::Device& device) {
  device.open(s.address);
  json before = pswctl::empty_snapshot();
  const auto interval = std::chrono::duration<double>(s.interval);
  for (int reading = 0; s.count == 0 || reading < s.count; ++reading) {
    if (reading > 0) std::this_thread::sleep_for(interval);
    json after = device.watch_snapshot();
    json changes = pswctl::watch_changes(before, after);
    const std::string time = now_text();
    if (!changes.empty()) {
      if (s.json) {
        fmt::print("{}\n", pswctl::json_text(json{{"time", time}, {"changes", changes}}));
      } else {
        for (const json& c : changes) fmt::print("{} {}\n", time, pswctl::render_change(c));
      }
      std::fflush(stdout);
    }
    before = std::move(after);
  }
  return 0;
}

// The message on standard error (and with --json the same as an object on
// standard output); the exit status of the failure's kind.
int report_error(const Settings& s, const pswctl::PswError& e) {
  const std::string name = pswctl::result_code_name(e.code());
  const std::string advice = pswctl::result_code_advice(e.code());
  const int status = pswctl::exit_status(e.code());
  fmt::print(stderr, "pswctl: {} failed: {} ({})\n  {}\n", pswctl::printable(e.step()), name, e.code(), advice);
  if (s.json)
    print_json({{"error",
                 {{"code", e.code()}, {"name", name}, {"step", e.step()}, {"message", advice}, {"exitStatus", status}}}});
  return status;
}

// Options every sub-command shares; they may be given before or after it.
void add_common_options(CLI::App& app, Settings& s) {
  static const std::map<std::string, int32_t> transports = {
      {"udp", PSW_TRANSPORT_UDP}, {"udp6", PSW_TRANSPORT_UDP6}, {"ipx", PSW_TRANSPORT_IPX}};
  static const std::map<std::string, int32_t> levels = {{"noAuthNoPriv", PSW_USM_NOAUTH_NOPRIV},
                                                        {"authNoPriv", PSW_USM_AUTH_NOPRIV},
                                                        {"authPriv", PSW_USM_AUTH_PRIV}};
  static const std::map<std::string, int32_t> auths = {{"MD5", PSW_USM_AUTH_HMAC_MD5},
                                                       {"SHA", PSW_USM_AUTH_HMAC_SHA}};
  static const std::map<std::string, int32_t> privs = {{"DES", PSW_USM_PRIV_DES}, {"AES", PSW_USM_PRIV_AES}};
  pswctl::Connection& c = s.connection;
  app.add_option("--transport", c.transport, "udp (IPv4), udp6 (IPv6) or ipx")
      ->transform(CLI::CheckedTransformer(transports, CLI::ignore_case));
  app.add_option("--timeout", c.timeoutMs, "wait per answer in milliseconds")
      ->check(CLI::Range(1, 600000))
      ->capture_default_str();
  app.add_option("--retries", c.retries, "repeated sends when no answer comes")
      ->check(CLI::Range(0, 100))
      ->capture_default_str();
  app.add_option("--community", c.community, "read community (default public)");
  app.add_option("--write-community", c.writeCommunity, "write community for cancel (default private)");
  app.add_option("--v3-user", c.v3User, "SNMPv3 user name (selects SNMPv3)");
  app.add_option("--v3-level", c.v3Level, "noAuthNoPriv, authNoPriv or authPriv")
      ->transform(CLI::CheckedTransformer(levels, CLI::ignore_case));
  app.add_option("--v3-auth", c.v3Auth, "MD5 or SHA")->transform(CLI::CheckedTransformer(auths, CLI::ignore_case));
  app.add_option("--v3-auth-pass", c.v3AuthPass, "authentication pass phrase");
  app.add_option("--v3-priv", c.v3Priv, "DES or AES")->transform(CLI::CheckedTransformer(privs, CLI::ignore_case));
  app.add_option("--v3-priv-pass", c.v3PrivPass, "privacy pass phrase");
  app.add_option("--v3-context", c.v3Context, "SNMPv3 context name");
  app.add_flag("--json", s.json, "machine-readable output");
  app.add_flag("-v,--verbose", s.verbose, "library log on standard error (repeat for more)");
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
  discover->add_option("--filter", s.filters, "keep only devices whose sysObjectID begins with this (repeatable)");

  CLI::App* status = app.add_subcommand("status", "print every status table of a device");
  status->add_option("address", s.address, "device address")->required();
  CLI::App* options = app.add_subcommand("options", "print the installed options and settings of a device");
  options->add_option("address", s.address, "device address")->required();
  CLI::App* jobs = app.add_subcommand("jobs", "list the jobs of a device");
  jobs->add_option("address", s.address, "device address")->required();
  jobs->add_option("--kind", s.jobKind, "all, active or finished")
      ->check(CLI::IsMember({"all", "active", "finished"}))
      ->capture_default_str();
  CLI::App* cancel = app.add_subcommand("cancel", "cancel a job");
  cancel->add_option("address", s.address, "device address")->required();
  cancel->add_option("job-id", s.jobId, "job identifier as 'jobs' prints it")->required();
  CLI::App* watch = app.add_subcommand("watch", "print changes of printer status, toners and alerts");
  watch->add_option("address", s.address, "device address")->required();
  watch->add_option("--interval", s.interval, "seconds between readings")
      ->check(CLI::Range(0.0, 86400.0))
      ->capture_default_str();
  watch->add_option("--count", s.count, "number of readings (0: until stopped)")
      ->check(CLI::NonNegativeNumber)
      ->capture_default_str();

  app.set_version_flag("--version", std::string("pswctl ") + PSWCTL_VERSION);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    // Help and version print and succeed; every mistake is status 2.
    return app.exit(e) == 0 ? pswctl::kExitOk : pswctl::kExitUsage;
  }
  pswctl::enable_library_log(s.verbose);

  const std::pair<CLI::App*, int (*)(const Settings&, pswctl::Device&)> commands[] = {
      {discover, run_discover}, {status, run_status}, {options, run_options},
      {jobs, run_jobs},         {cancel, run_cancel}, {watch, run_watch}};
  try {
    pswctl::Progress progress(pswctl::Progress::stderr_is_terminal());
    pswctl::Device device(s.connection, &progress);
    for (const auto& [command, run] : commands)
      if (command->parsed()) return run(s, device);
  } catch (const pswctl::PswError& e) {
    return report_error(s, e);
  } catch (const std::exception& e) {
    fmt::print(stderr, "pswctl: {}\n", pswctl::printable(e.what()));
    return pswctl::kExitFailed;
  }
  return pswctl::kExitUsage;
}
