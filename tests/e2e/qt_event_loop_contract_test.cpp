// The loop contract on the Qt loop the panel runs on.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "gui/qt_event_loop.h"
#include "support/event_loop_contract.h"

namespace velantor::testing {
namespace {

struct QtLoopDriver {
  QtEventLoop loop;
  ~QtLoopDriver() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
  void RunFor(int ms) {
    RunUntil([] { return false; }, ms);
  }
  bool RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
      // Slices of 2 ms keep the loop sleeping between events, as the panel's loop does.
      QEventLoop slice;
      QTimer::singleShot(2, &slice, &QEventLoop::quit);
      slice.exec();
      QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return done();
  }
  bool WaitFor(const std::function<bool()>& done, int wallMs) { return RunUntil(done, wallMs); }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Qt, EventLoopContract, QtLoopDriver);

}  // namespace
}  // namespace velantor::testing
