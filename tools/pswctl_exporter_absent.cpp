// The exporter where its HTTP and Prometheus libraries were missing when
// the tool was built: the sub-command is known and says so.
#include "pswctl_exporter.h"
#include "pswctl_names.h"

namespace pswctl {

bool exporter_available() { return false; }

int run_exporter(const Connection&, const ExporterSettings&) { return kExitNotSupported; }

}  // namespace pswctl
