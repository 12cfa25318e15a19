// Test entry point shared by every layer: ignores SIGPIPE so a peer that closes never kills a run.
#include <gtest/gtest.h>
#include <csignal>

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
