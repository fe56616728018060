// pswctl exporter: an HTTP server for Prometheus. GET /probe?target=ADDRESS
// reads one printer and answers its metrics; GET /targets lists the
// printers found by background searches in the HTTP service-discovery
// format; GET /metrics gives the exporter's own metrics; GET / a page
// listing the printers found.
#pragma once

#include <string>
#include <vector>

#include "pswctl_device.h"

namespace pswctl {

// The port the exporter listens on unless told otherwise.
constexpr int kExporterPort = 9917;

struct ExporterSettings {
  std::string listen = "127.0.0.1:" + std::to_string(kExporterPort);
  std::vector<std::string> discover;  // search destinations
  bool allInterfaces = false;
  double discoverInterval = 300;  // seconds between search rounds
  int maxConcurrentProbes = 8;    // probes beyond it are answered 503 at once
  std::string allowTargets;       // CIDR list; empty: any target
};

// Whether this build has the exporter (not where cpp-httplib or
// prometheus-cpp were missing when it was built).
bool exporter_available();

// Serves until SIGINT or SIGTERM (on Windows Ctrl+C, Ctrl+Break or the
// console closed); the exit status (kExitUsage for a wrong
// --listen or --allow-targets, kExitNetwork when the address cannot be
// bound, kExitNotSupported where the exporter is not built in).
int run_exporter(const Connection& connection, const ExporterSettings& settings);

}  // namespace pswctl
