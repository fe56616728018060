// What the benchmarks that send packets share in their main().
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/isolation.h"

namespace bench {

// False, with a line on stderr, outside a private network namespace: a
// benchmark that sends packets runs only through scripts/netns-run.
inline bool in_private_netns() {
  std::string why;
  if (psw_test::only_loopback_visible(&why)) return true;
  std::fprintf(stderr, "refusing to run outside a private network namespace (%s); use scripts/netns-run\n",
               why.c_str());
  return false;
}

// The value of "--runs N" (at least 1), or `fallback`.
inline int runs_option(int argc, char** argv, int fallback) {
  int runs = fallback;
  for (int i = 1; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--runs") == 0) runs = std::max(1, std::atoi(argv[i + 1]));
  }
  return runs;
}

}  // namespace bench
