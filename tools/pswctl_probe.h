// One printer read for a Prometheus scrape: a handle of its own, the
// connection fitted to the scrape's time, and every table turned into the
// metric families of the exposition (printer_up, printer_info, ...). The
// families are built into a registry made for this probe alone.
#pragma once

#include <prometheus/metric_family.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "pswctl_device.h"

namespace pswctl {

struct ProbeTarget {
  std::string address;
  int32_t transport = PSW_TRANSPORT_UDP;
};

struct ProbeOutcome {
  std::vector<prometheus::MetricFamily> families;
  bool up = false;
  // Every failing read (the opening included) by its result code; a probe
  // that read everything has none.
  std::vector<PswError> failures;
  std::chrono::duration<double> duration{0};
  // SNMP requests the probe sent.
  uint32_t requests = 0;
};

// The connection's time-out and retries cut so that a printer that never
// answers is given up within `budget`: first fewer retries, then a shorter
// wait per answer (at least 50 ms).
Connection fitted_connection(const Connection& connection, std::chrono::milliseconds budget);

// Opens and reads `target`. A printer that does not answer, or refuses the
// opening, gives printer_up 0 and the failure; a table that cannot be read
// leaves its families out. Reads stop once `budget` has passed.
ProbeOutcome probe_printer(const Connection& connection, const ProbeTarget& target,
                           std::chrono::milliseconds budget);

// The exposition text of `families` (the Prometheus text format 0.0.4).
std::string exposition_text(const std::vector<prometheus::MetricFamily>& families);

}  // namespace pswctl
