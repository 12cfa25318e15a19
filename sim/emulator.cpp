#include "sim/emulator.h"

#include <sstream>

namespace velantor::sim {

namespace {

DeviceState InitialState(const ProgramOptions& o) {
  DeviceState s = MakeDeviceState(o.inputs, o.outputs, o.type);
  s.identity.versionMajor = o.versionMajor;
  s.identity.versionMinor = o.versionMinor;
  if (o.mac) s.network.mac = *o.mac;
  if (o.ip) s.network.ip = *o.ip;
  return s;
}

}  // namespace

Emulator::Emulator(EventLoop& loop, const ProgramOptions& options)
    : loop_(loop),
      options_(options),
      model_(loop, InitialState(options)),
      network_(model_.State().network),
      console_(model_) {
  model_.SetRebootMs(options.rebootMs);
  console_.SetFrontEndReport([this] { return FrontEndReport(); });
}

std::string Emulator::Start() {
  if (options_.tcp) {
    tcp_ = std::make_unique<TcpServer>(loop_, model_);
    if (auto e = tcp_->Listen(options_.tcpAt.address, options_.tcpAt.port); !e.empty()) return e;
  }
  if (options_.serial) {
    pty_ = std::make_unique<PtyPort>(loop_, model_);
    if (auto e = pty_->Open(options_.serialLink, options_.wireRate); !e.empty()) return e;
  }
  if (options_.udp) {
    search_ = std::make_unique<UdpResponder>(
        loop_, [this](const uint8_t* d, size_t n) { return network_.OnSearch(d, n); });
    config_ = std::make_unique<UdpResponder>(
        loop_, [this](const uint8_t* d, size_t n) { return network_.OnConfig(d, n); });
    search_->SetReplyAddress(options_.replyAddress);
    config_->SetReplyAddress(options_.replyAddress);
    if (auto e = search_->Bind(options_.search.address, options_.search.port); !e.empty()) return e;
    if (auto e = config_->Bind(options_.config.address, options_.config.port); !e.empty()) return e;
  }
  return "";
}

std::vector<std::string> Emulator::EndpointLines() const {
  std::vector<std::string> lines;
  if (tcp_) lines.push_back("tcp " + tcp_->Address() + ":" + std::to_string(tcp_->Port()));
  if (pty_) {
    lines.push_back("serial " + pty_->SlavePath());
    if (!pty_->LinkPath().empty()) lines.push_back("serial-link " + pty_->LinkPath());
  }
  if (search_) lines.push_back("search " + options_.search.address + ":" + std::to_string(search_->Port()));
  if (config_) lines.push_back("config " + options_.config.address + ":" + std::to_string(config_->Port()));
  return lines;
}

std::string Emulator::FrontEndReport() const {
  std::ostringstream out;
  if (tcp_) {
    const auto& t = tcp_->Counters();
    out << "tcp connections " << tcp_->ConnectionCount() << " open, " << t.accepted << " accepted, "
        << t.closedByDevice << " closed by device, bytes " << t.bytesIn << " in / " << t.bytesOut << " out\n";
  }
  if (pty_) {
    const auto& p = pty_->Counters();
    out << "serial " << pty_->SlavePath() << " bytes " << p.bytesIn << " in / " << p.bytesOut << " out, "
        << p.bytesDropped << " dropped\n";
  }
  if (search_) {
    const auto& n = network_.Counters();
    out << "udp probes " << n.probes << ", configs " << n.configsApplied << " applied / " << n.configsRefused
        << " refused / " << n.badChecksum << " bad checksum / " << n.notForMe << " for others\n";
  }
  return out.str();
}

}  // namespace velantor::sim
