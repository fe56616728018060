#include "log/pmc_log_line.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "base/pmc_printf.h"
#include "log/pmc_log.h"
#include "platform/pmc_platform.h"

namespace {

constexpr char kNullMessage[] = "(client was about to output null message...)";

// Appends into a fixed line buffer, cutting whatever does not fit.
class LineWriter {
 public:
  explicit LineWriter(PmcLogLineBuffer& line) : m_line(line) {
    m_line[PMC_LOG_LINE_MAX] = '\0';
    m_line[0] = '\0';
  }

  size_t length() const { return m_len; }
  size_t room() const { return PMC_LOG_LINE_MAX - m_len; }

  void text(const char* s) { bytes(s, std::strlen(s)); }

  void spaces(size_t count) {
    if (count > room()) count = room();
    std::memset(m_line + m_len, ' ', count);
    advance(count);
  }

  void vformat(const char* format, va_list args) {
    if (room() == 0) return;
    // vsnprintf writes at most room() characters plus the terminator.
    int n = std::vsnprintf(m_line + m_len, room() + 1, format, args);
    if (n < 0) {
      m_line[m_len] = '\0';
      return;
    }
    advance(static_cast<size_t>(n) < room() ? static_cast<size_t>(n) : room());
  }

  void format(const char* format, ...) PMC_PRINTF(2, 3) {
    va_list args;
    va_start(args, format);
    vformat(format, args);
    va_end(args);
  }

 private:
  void bytes(const char* s, size_t count) {
    if (count > room()) count = room();
    std::memcpy(m_line + m_len, s, count);
    advance(count);
  }
  void advance(size_t count) {
    m_len += count;
    m_line[m_len] = '\0';
  }

  PmcLogLineBuffer& m_line;
  size_t m_len = 0;
};

// The widths of the header fields that an option switched off replaces by
// spaces.
constexpr size_t kTimeWidth = 23;
constexpr size_t kIdWidth = 8;

void write_time(LineWriter& out) {
  PmcLocalTime now{};
  pmc_platform().local_time(&now);
  out.format("%04d/%02d/%02d %02d:%02d:%02d:%03d", now.year, now.month, now.day, now.hour, now.minute, now.second,
             now.millisecond);
}

void write_id(LineWriter& out, uint32_t id, int radix) {
  if (radix == 16)
    out.format("%08X", static_cast<unsigned>(id));
  else
    out.format("%8d", static_cast<int>(id));
}

void write_header(LineWriter& out, const char* name, unsigned level,
                  const PmcLogLineSettings& settings) {
  if (settings.options & PMC_LOG_OPT_TIME)
    write_time(out);
  else
    out.spaces(kTimeWidth);
  out.text(", ");
  if (settings.options & PMC_LOG_OPT_PROCESS)
    write_id(out, pmc_platform().process_id(), settings.radix);
  else
    out.spaces(kIdWidth);
  out.text(", ");
  if (settings.options & PMC_LOG_OPT_THREAD)
    write_id(out, pmc_platform().thread_id(), settings.radix);
  else
    out.spaces(kIdWidth);
  out.text(", ");
  out.format("%-16.16s", name != nullptr ? name : "");
  out.text(", ");
  out.text(pmc_log_level_word(level));
}

}  // namespace

const char* pmc_log_level_word(unsigned level) {
  switch (level) {
    case PMC_LOG_ERROR: return "Error, ";
    case PMC_LOG_WARN:  return "Warn , ";
    case PMC_LOG_INFO:  return "Info , ";
    case PMC_LOG_DEBUG: return "Debug, ";
    case PMC_LOG_TRACE: return "Trace, ";
    case PMC_LOG_ALL:   return "All  , ";
    default:            return "";
  }
}

size_t pmc_log_build_line(PmcLogLineBuffer& line, const char* name, unsigned level,
                          const PmcLogLineSettings& settings, const char* format, va_list args) {
  LineWriter out(line);
  write_header(out, name, level, settings);
  // The indent is computed, not stored: a huge depth costs nothing and
  // cannot overflow, it is simply cut to the room left.
  out.spaces(static_cast<size_t>(settings.indent) * 4);
  if (format != nullptr)
    out.vformat(format, args);
  else
    out.text(kNullMessage);
  return out.length();
}
