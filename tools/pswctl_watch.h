// What changed between two readings of printer status, toners and alerts:
// the printer's status, error conditions set or cleared, toner levels, and
// alerts that appeared or went away. The first reading is compared with an
// empty one, so it reports the state found at start.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

namespace pswctl {

using nlohmann::json;

// A snapshot with no printer status, toners or alerts.
json empty_snapshot();

// The changes from `before` to `after` (snapshots as Device::watch_snapshot
// makes them), each an object with "what" ("printer", "error", "toner",
// "alert"), "change" ("changed", "set", "cleared", "new") and the values.
json watch_changes(const json& before, const json& after);

// The device stopped answering (`reachable` false, with the result code of
// the failed reading) or answers again: {"what": "device", "change":
// "unreachable" / "reachable", "code", "name"}.
json reachability_change(bool reachable, int32_t code);

// One change as a line of text (without time stamp).
std::string render_change(const json& change);

}  // namespace pswctl
