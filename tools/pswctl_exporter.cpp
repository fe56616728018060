#include "pswctl_exporter.h"

#include <fmt/format.h>
#include <httplib.h>
#include <prometheus/counter.h>
#include <prometheus/gauge.h>
#include <prometheus/registry.h>
#include <prometheus/text_serializer.h>

#include <atomic>
#include <cctype>
#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "pswctl_allow.h"
#include "pswctl_hints.h"
#include "pswctl_names.h"
#include "pswctl_probe.h"
#include "pswctl_stop.h"
#include "pswctl_targets.h"
#include "pswctl_text.h"

namespace pswctl {
namespace {

using prometheus::Counter;
using prometheus::Family;
using prometheus::Gauge;

constexpr const char* kExpositionType = "text/plain; version=0.0.4; charset=utf-8";
// Prometheus sends the scrape's time-out; the probe ends this much before
// it, so that its answer still arrives.
constexpr std::chrono::milliseconds kScrapeMargin{500};
// A probe without that header is given the longest scrape time-out
// Prometheus users set in practice.
constexpr std::chrono::milliseconds kDefaultBudget{120000};

struct ListenAddress {
  std::string host;
  int port = 0;
};

// "HOST:PORT" or "[IPV6]:PORT".
std::optional<ListenAddress> parse_listen(const std::string& text) {
  ListenAddress a;
  size_t colon = text.rfind(':');
  if (colon == std::string::npos || colon == 0) return std::nullopt;
  a.host = text.substr(0, colon);
  if (a.host.size() > 2 && a.host.front() == '[' && a.host.back() == ']') a.host = a.host.substr(1, a.host.size() - 2);
  else if (a.host.find(':') != std::string::npos) return std::nullopt;
  const std::string port = text.substr(colon + 1);
  if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  a.port = std::stoi(port);
  if (a.port < 1 || a.port > 65535) return std::nullopt;
  return a;
}

std::string html_escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string url_escape(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == ':' || c == '~') out += static_cast<char>(c);
    else out += fmt::format("%{:02X}", c);
  }
  return out;
}

// The listening socket's options: the port is the exporter's alone.
// cpp-httplib's own choice shares it: SO_REUSEPORT on Linux lets a second
// exporter bind it too and take part of the scrapes; on Windows its
// SO_REUSEADDR lets another program bind over it, and the
// SO_EXCLUSIVEADDRUSE set after that is refused.
void exclusive_port(socket_t sock) {
  int yes = 1;
#ifdef _WIN32
  setsockopt(sock, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&yes), sizeof yes);
#else
  // Still lets a restarted exporter bind while the old one's connections
  // linger in TIME_WAIT.
  setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
#endif
}

// Why a probe request is refused before anything is sent; empty when it
// may go ahead.
struct Refusal {
  int status = 0;
  std::string reason;
};

class Exporter {
 public:
  Exporter(const Connection& connection, const ExporterSettings& settings, AddressRanges ranges)
      : connection_(connection),
        settings_(settings),
        ranges_(std::move(ranges)),
        probes_(counter("printer_exporter_probes_total", "Probes answered with the printer's metrics").Add({})),
        probeErrors_(counter("printer_exporter_probe_errors_total",
                             "Failed reads of probes, by the library's result name")),
        refused_(counter("printer_exporter_probes_refused_total",
                         "Probe requests refused before any read: bad_request, forbidden, busy")),
        searches_(counter("printer_exporter_searches_total", "Searches for printers sent").Add({})),
        searchErrors_(counter("printer_exporter_search_errors_total",
                              "Failed searches, by the library's result name")),
        devicesFound_(gauge("printer_exporter_devices_found", "Printers found by the last search round").Add({})),
        inFlight_(gauge("printer_exporter_probes_in_flight", "Probes being read now").Add({})) {
    for (const char* reason : {"bad_request", "forbidden", "busy"}) refused_.Add({{"reason", reason}});
  }

  int serve(const ListenAddress& listen);

 private:
  void stop_server();
  Family<Counter>& counter(const char* name, const char* help) {
    return prometheus::BuildCounter().Name(name).Help(help).Register(own_);
  }
  Family<Gauge>& gauge(const char* name, const char* help) {
    return prometheus::BuildGauge().Name(name).Help(help).Register(own_);
  }
  void configure();
  void probe(const httplib::Request& req, httplib::Response& res);
  Refusal check_target(const std::string& target, const std::string& transport, ProbeTarget* out) const;
  std::chrono::milliseconds budget(const httplib::Request& req) const;
  void targets(httplib::Response& res) const;
  void own_metrics(httplib::Response& res) const;
  void index(httplib::Response& res) const;
  void searched(const SearchRound& round);
  json devices() const { return finder_ ? finder_->devices() : json::array(); }

  Connection connection_;
  ExporterSettings settings_;
  AddressRanges ranges_;
  prometheus::Registry own_;
  Counter& probes_;
  Family<Counter>& probeErrors_;
  Family<Counter>& refused_;
  Counter& searches_;
  Family<Counter>& searchErrors_;
  Gauge& devicesFound_;
  Gauge& inFlight_;
  std::atomic<int> active_{0};
  httplib::Server server_;
  // A stop request may come at any moment, from another thread; see
  // stop_server().
  std::mutex serverMutex_;
  bool bound_ = false;                   // under serverMutex_
  std::atomic<bool> listenEnded_{false};
  std::unique_ptr<TargetFinder> finder_;
};

Refusal Exporter::check_target(const std::string& target, const std::string& transport, ProbeTarget* out) const {
  if (target.empty()) return {400, "the target parameter is missing: /probe?target=ADDRESS"};
  const AddressForm form = address_form(target);
  if (form == AddressForm::kUnreadable)
    return {400, fmt::format("the target '{}' cannot be read: give a numeric IPv4 address, an IPv6 address "
                             "(transport=udp6) or an IPX address (transport=ipx); host names are not resolved",
                             printable(target))};
  if (transport.empty()) {
    out->transport = form == AddressForm::kIPv6 ? PSW_TRANSPORT_UDP6
                     : form == AddressForm::kIPX ? PSW_TRANSPORT_IPX
                                                 : connection_.transport;
  } else if (transport == "udp" || transport == "udp6" || transport == "ipx") {
    out->transport = transport == "udp" ? PSW_TRANSPORT_UDP : transport == "udp6" ? PSW_TRANSPORT_UDP6 : PSW_TRANSPORT_IPX;
  } else {
    return {400, fmt::format("unknown transport '{}'; one of udp, udp6, ipx", printable(transport))};
  }
  const AddressForm expected = out->transport == PSW_TRANSPORT_UDP6  ? AddressForm::kIPv6
                               : out->transport == PSW_TRANSPORT_IPX ? AddressForm::kIPX
                                                                     : AddressForm::kIPv4;
  if (form != expected)
    return {400, fmt::format("the target '{}' is not an address of transport {}", printable(target),
                             transport.empty() ? "udp" : transport)};
  if (!ranges_.allows(target))
    return {403, fmt::format("the target '{}' is outside the networks of --allow-targets", printable(target))};
  out->address = target;
  return {};
}

std::chrono::milliseconds Exporter::budget(const httplib::Request& req) const {
  const std::string header = req.get_header_value("X-Prometheus-Scrape-Timeout-Seconds");
  if (header.empty()) return kDefaultBudget;
  double seconds = 0;
  try {
    seconds = std::stod(header);
  } catch (const std::exception&) {
    return kDefaultBudget;
  }
  if (!std::isfinite(seconds) || seconds <= 0) return kDefaultBudget;
  const auto given = std::chrono::milliseconds(static_cast<int64_t>(std::min(seconds, 86400.0) * 1000));
  return std::max(given - kScrapeMargin, given / 2);
}

void Exporter::probe(const httplib::Request& req, httplib::Response& res) {
  ProbeTarget target;
  const Refusal refusal = check_target(req.get_param_value("target"), req.get_param_value("transport"), &target);
  if (refusal.status != 0) {
    refused_.Add({{"reason", refusal.status == 403 ? "forbidden" : "bad_request"}}).Increment();
    res.status = refusal.status;
    res.set_content(refusal.reason + "\n", "text/plain; charset=utf-8");
    return;
  }
  // A probe holds a thread and a socket for its whole time: beyond the
  // limit the request is turned away at once, for Prometheus to retry at
  // the next scrape, rather than queued behind slow printers.
  if (active_.fetch_add(1) >= settings_.maxConcurrentProbes) {
    active_.fetch_sub(1);
    refused_.Add({{"reason", "busy"}}).Increment();
    res.status = 503;
    res.set_header("Retry-After", "1");
    res.set_content(fmt::format("too many probes at once (--max-concurrent-probes {})\n", settings_.maxConcurrentProbes),
                    "text/plain; charset=utf-8");
    return;
  }
  // The slot is given back however the probe ends.
  struct Slot {
    Exporter& e;
    explicit Slot(Exporter& exporter) : e(exporter) { e.inFlight_.Increment(); }
    ~Slot() {
      e.inFlight_.Decrement();
      e.active_.fetch_sub(1);
    }
  } slot(*this);
  const ProbeOutcome outcome = probe_printer(connection_, target, budget(req));
  probes_.Increment();
  for (const PswError& f : outcome.failures) probeErrors_.Add({{"result", PSWGetResultName(f.code())}}).Increment();
  res.set_content(exposition_text(outcome.families), kExpositionType);
}

void Exporter::targets(httplib::Response& res) const {
  res.set_content(json_text(service_discovery_groups(devices())), "application/json");
}

void Exporter::own_metrics(httplib::Response& res) const {
  res.set_content(prometheus::TextSerializer().Serialize(own_.Collect()), kExpositionType);
}

void Exporter::index(httplib::Response& res) const {
  std::string rows;
  for (const json& d : devices()) {
    const std::string address = d.value("address", "");
    const std::string link = "/probe?target=" + url_escape(address) + "&transport=" + d.value("transport", "udp");
    rows += fmt::format("<tr><td><a href=\"{}\">{}</a></td><td>{}</td><td>{}</td></tr>\n", html_escape(link),
                        html_escape(address), html_escape(d.value("modelName", "")),
                        html_escape(d.value("sysObjectId", "")));
  }
  res.set_content(fmt::format("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>pswctl exporter</title>"
                              "</head><body>\n<h1>pswctl exporter</h1>\n<p><a href=\"/metrics\">Exporter metrics</a>"
                              " &middot; <a href=\"/targets\">Targets</a> &middot; "
                              "<code>/probe?target=ADDRESS</code></p>\n<h2>Printers found</h2>\n"
                              "<table>\n<tr><th>Address</th><th>Model</th><th>sysObjectID</th></tr>\n{}</table>\n"
                              "</body></html>\n",
                              rows),
                  "text/html; charset=utf-8");
}

void Exporter::searched(const SearchRound& round) {
  searches_.Increment(static_cast<double>(round.searches));
  for (const PswError& f : round.failures) searchErrors_.Add({{"result", PSWGetResultName(f.code())}}).Increment();
  devicesFound_.Set(static_cast<double>(round.devicesFound));
}

void Exporter::configure() {
  // Slow or stalled clients hold a thread only this long; request bodies
  // are not wanted at all (URI and header lengths are the library's).
  server_.set_read_timeout(5, 0);
  server_.set_write_timeout(5, 0);
  server_.set_keep_alive_timeout(5);
  server_.set_keep_alive_max_count(100);
  server_.set_payload_max_length(4096);
  server_.set_socket_options(exclusive_port);
  // Room for every probe allowed and for the quick answers beside them.
  const size_t threads = static_cast<size_t>(settings_.maxConcurrentProbes) + 8;
  server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
  server_.Get("/probe", [this](const httplib::Request& req, httplib::Response& res) { probe(req, res); });
  server_.Get("/targets", [this](const httplib::Request&, httplib::Response& res) { targets(res); });
  server_.Get("/metrics", [this](const httplib::Request&, httplib::Response& res) { own_metrics(res); });
  server_.Get("/", [this](const httplib::Request&, httplib::Response& res) { index(res); });
  // Called for every status from 400 on: a refusal keeps its own reason.
  server_.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
    if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
    res.set_content(fmt::format("{}: the exporter serves /probe?target=ADDRESS, /targets, /metrics and /\n", res.status),
                    "text/plain; charset=utf-8");
    return httplib::Server::HandlerResponse::Handled;
  }));
  server_.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
    res.status = 500;
    res.set_content("internal error\n", "text/plain; charset=utf-8");
  });
}

// The server's stop() does nothing before its accept loop runs: a request
// that comes between the bind and the loop waits for the loop (or for
// serve() to be past it), or it would be lost and the exporter would no
// longer answer SIGTERM. The lock orders the listening socket's creation
// before its closing.
void Exporter::stop_server() {
  std::lock_guard<std::mutex> lock(serverMutex_);
  while (bound_ && !server_.is_running() && !listenEnded_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server_.stop();
}

int Exporter::serve(const ListenAddress& listen) {
  configure();
  // Made before any other thread starts (see StopRequest): SIGINT and
  // SIGTERM, or Windows' console events, stop the server.
  StopRequest stop([this] { stop_server(); });
  {
    std::lock_guard<std::mutex> lock(serverMutex_);
    bound_ = server_.bind_to_port(listen.host, listen.port);
  }
  if (!bound_) {
    fmt::print(stderr, "pswctl: exporter cannot listen on {}:{}: the address is not local or the port is in use\n",
               printable(listen.host), listen.port);
    return kExitNetwork;
  }
  SearchPlan plan;
  plan.addresses = settings_.discover;
  plan.allInterfaces = settings_.allInterfaces;
  plan.interval = std::chrono::milliseconds(static_cast<int64_t>(settings_.discoverInterval * 1000));
  finder_ = std::make_unique<TargetFinder>(connection_, plan, [this](const SearchRound& r) { searched(r); });
  fmt::print(stderr, "pswctl: exporter listening on {}\n", settings_.listen);
  std::fflush(stderr);
  // A request that came before the server ran found nothing to stop.
  const bool served = stop.requested() || server_.listen_after_bind();
  listenEnded_ = true;
  finder_.reset();
  if (!stop.requested()) return served ? kExitOk : kExitNetwork;
  fmt::print(stderr, "pswctl: exporter stopped\n");
  return kExitOk;
}

}  // namespace

bool exporter_available() { return true; }

int run_exporter(const Connection& connection, const ExporterSettings& settings) {
  const std::optional<ListenAddress> listen = parse_listen(settings.listen);
  if (!listen) {
    fmt::print(stderr, "pswctl: --listen takes HOST:PORT or [IPV6]:PORT, not '{}'\n", printable(settings.listen));
    return kExitUsage;
  }
  AddressRanges ranges;
  if (!settings.allowTargets.empty()) {
    std::string error;
    std::optional<AddressRanges> parsed = AddressRanges::parse(settings.allowTargets, &error);
    if (!parsed) {
      fmt::print(stderr, "pswctl: --allow-targets: {}\n", printable(error));
      return kExitUsage;
    }
    ranges = std::move(*parsed);
  }
  Exporter exporter(connection, settings, std::move(ranges));
  return exporter.serve(*listen);
}

}  // namespace pswctl
