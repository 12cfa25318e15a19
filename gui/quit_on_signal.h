// SIGTERM and SIGINT end the panel through its event loop, so every port is closed properly (its
// exclusive flag cleared) instead of the process dying with the devices still marked taken.
#pragma once

class QCoreApplication;

namespace velantor {

// Installs the handlers; the loop of `app` quits when one of the signals comes.
bool QuitOnTerminationSignals(QCoreApplication& app);

}  // namespace velantor
