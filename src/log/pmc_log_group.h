// The "All" group: a logger whose settings and sinks are the template of
// every category. A setting changed on the group is stored in the group and
// passed to every member at once; a category created later copies the
// group's settings and sinks when it joins (add_member). The group itself
// never writes lines: log and vlog refuse with -6.
//
// Lock order: the group's lock is held while members are changed, so it is
// always taken before a member's lock.
#pragma once

#include <vector>

#include "log/pmc_logger.h"

class CPmcLogGroup : public CPmcLogger, public virtual IPmcLogGroup {
 public:
  static constexpr char kName[] = "All";

  CPmcLogGroup() : CPmcLogger(kName) {}
  // The group is part of the log manager and never destroyed on its own.
  ~CPmcLogGroup() override = default;

  void destroy() override {}

  int add_sink(IPmcLogSink* sink) override;
  int set_level_mask(unsigned mask) override;
  int set_indent(unsigned depth) override;
  int set_options(unsigned bits) override;
  int set_radix(int radix) override;  // stores any value; each member checks its own
  int vlog(unsigned level, const char* format, va_list args) override;

  int add_member(IPmcLogger* logger) override;
  IPmcLogger* remove_member(IPmcLogger* logger) override;

  // Empties the member list, then resets the group's own settings.
  void reset() override;

 private:
  // Stores a value in the group and passes it to every member, all under
  // the group's lock.
  template <class Value>
  int propagate(Value CPmcLogger::*field, Value value, int (IPmcLogger::*setter)(Value));

  std::vector<IPmcLogger*> m_members;  // not owned
};
