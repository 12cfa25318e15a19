// Entry point of the end-to-end layer: one QApplication (offscreen unless told otherwise).
#include <gtest/gtest.h>

#include <QApplication>
#include <csignal>
#include <cstdlib>

int main(int argc, char** argv) {
  std::signal(SIGPIPE, SIG_IGN);
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
