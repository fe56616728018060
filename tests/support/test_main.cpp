// main() of every test executable. Tests send real datagrams (to loopback,
// to broadcast addresses, to agents in namespaces they build), so a test
// binary refuses to start unless it runs in a private network namespace in
// which only loopback exists. scripts/test and scripts/netns-run set that up.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "support/isolation.h"

int main(int argc, char** argv) {
  std::string why;
  if (!psw_test::only_loopback_visible(&why)) {
    std::fprintf(stderr,
                 "refusing to run: this process is not in a private network namespace (%s).\n"
                 "Run the suite with scripts/test, or one binary with scripts/netns-run %s\n",
                 why.c_str(), argc > 0 ? argv[0] : "TEST");
    return 2;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
