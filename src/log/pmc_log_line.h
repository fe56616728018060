// Building one log line: the fixed header, the indent and the message, cut
// to at most PMC_LOG_LINE_MAX characters. The line carries no line end;
// sinks add their own.
#pragma once

#include <cstdarg>
#include <cstddef>

constexpr size_t PMC_LOG_LINE_MAX = 1024;

// The line buffer lives on the caller's stack: no allocation per message.
using PmcLogLineBuffer = char[PMC_LOG_LINE_MAX + 1];

// The settings of a logger a line is built with. The logger copies them
// under its lock, so a line never mixes two configurations.
struct PmcLogLineSettings {
  unsigned options;  // PMC_LOG_OPT_* bits
  int radix;         // 16: ids as "%08X", else "%8d"
  unsigned indent;   // depth; each step is four spaces
};

// The seven-character level word ("Error, " ... "All  , ") or "" for a
// level outside the table.
const char* pmc_log_level_word(unsigned level);

// Builds the line for `name` and returns its length (at most
// PMC_LOG_LINE_MAX). A null `format` writes a fixed notice instead of the
// message.
size_t pmc_log_build_line(PmcLogLineBuffer& line, const char* name, unsigned level,
                          const PmcLogLineSettings& settings, const char* format, va_list args);
