// Scoped changes of the process-wide loaders, for the loader tests of every
// platform: the socket library and the adapter layer pointed at other (stub)
// libraries for the life of an object.
#pragma once

#include <string>
#include <vector>

namespace psw_net_test {

// Points the socket loader at `names` and forgets the address service for
// the life of the object; restores both to their defaults afterwards.
class ScopedSocketLibrary {
 public:
  explicit ScopedSocketLibrary(const std::vector<std::string>& names);
  ~ScopedSocketLibrary();
  ScopedSocketLibrary(const ScopedSocketLibrary&) = delete;
  ScopedSocketLibrary& operator=(const ScopedSocketLibrary&) = delete;
};

// The same for the adapter layer.
class ScopedIpHelpLibrary {
 public:
  explicit ScopedIpHelpLibrary(const std::vector<std::string>& names);
  ~ScopedIpHelpLibrary();
  ScopedIpHelpLibrary(const ScopedIpHelpLibrary&) = delete;
  ScopedIpHelpLibrary& operator=(const ScopedIpHelpLibrary&) = delete;
};

}  // namespace psw_net_test
