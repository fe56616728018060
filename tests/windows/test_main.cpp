// main() of the Windows test programs. They run under Wine through
// scripts/wine-run, which refuses to start them outside a private network
// namespace; a program started by hand on Windows runs where it is put.
#include <gtest/gtest.h>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
