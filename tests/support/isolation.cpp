#include "support/isolation.h"

#include <net/if.h>

#include <cstring>

namespace psw_test {

bool only_loopback_visible(std::string* why) {
  struct if_nameindex* list = if_nameindex();
  if (list == nullptr) {
    if (why) *why = "cannot list network interfaces";
    return false;
  }
  bool ok = true;
  for (struct if_nameindex* it = list; it->if_index != 0 && it->if_name != nullptr; ++it) {
    if (std::strcmp(it->if_name, "lo") != 0) {
      if (why) *why = std::string("interface '") + it->if_name + "' is visible";
      ok = false;
      break;
    }
  }
  if_freenameindex(list);
  return ok;
}

}  // namespace psw_test
