// Text output of the sub-commands, rendered from the same JSON objects that
// --json prints: aligned tables with a title per section.
#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace pswctl {

using nlohmann::json;

// A table: a header row and rows of cells, columns padded to their widest
// cell in terminal columns (display_width). Empty rows print "(none)"
// under the title.
std::string render_table(const std::string& title, const std::vector<std::string>& header,
                         const std::vector<std::vector<std::string>>& rows);

std::string render_devices(const json& devices);
// With `supplies`, every supply grouped by type follows the toners.
std::string render_status(const json& status, bool supplies = false);
std::string render_options(const json& options);
std::string render_jobs(const json& jobs);

// A JSON value as a table cell: strings bare with their control characters
// made visible (printable), null and empty texts as "-".
std::string cell(const json& value);

}  // namespace pswctl
