// The whole emulator as the program runs it: device model, TCP server, pseudo-terminal, UDP
// responders and the control console, built from the command-line options on one event loop.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "base/event_loop.h"
#include "sim/control_console.h"
#include "sim/device_model.h"
#include "sim/network_responder.h"
#include "sim/program_options.h"
#include "sim/pty_port.h"
#include "sim/tcp_server.h"
#include "sim/udp_responder.h"

namespace velantor::sim {

class Emulator {
 public:
  Emulator(EventLoop& loop, const ProgramOptions& options);

  // Opens the endpoints the options ask for. Empty on success, else the first failure.
  std::string Start();
  // One line per endpoint: "tcp 127.0.0.1:8000", "serial /dev/pts/3", "search 0.0.0.0:30600".
  std::vector<std::string> EndpointLines() const;

  DeviceModel& Model() { return model_; }
  ControlConsole& Console() { return console_; }
  TcpServer* Tcp() { return tcp_.get(); }
  PtyPort* Pty() { return pty_.get(); }
  UdpResponder* Search() { return search_.get(); }
  UdpResponder* Config() { return config_.get(); }
  const NetworkResponder& Network() const { return network_; }

 private:
  std::string FrontEndReport() const;

  EventLoop& loop_;
  ProgramOptions options_;
  DeviceModel model_;
  NetworkResponder network_;
  ControlConsole console_;
  std::unique_ptr<TcpServer> tcp_;
  std::unique_ptr<PtyPort> pty_;
  std::unique_ptr<UdpResponder> search_;
  std::unique_ptr<UdpResponder> config_;
};

}  // namespace velantor::sim
