#include "app/quick_start.h"

#include <algorithm>

#include "app/window_messages.h"

namespace velantor {

void AddCommandLinePorts(const PanelOptions& options, PortDirectory& directory) {
  for (const std::string& path : options.extraPorts) directory.AddPath(path);
  if (options.connect == PanelOptions::Link::kSerial) directory.AddPath(options.serialPath);
}

QuickStart::QuickStart(EventLoop& loop, SharedState& shared, CMainDialog& main, const PortDirectory& directory,
                       std::unique_ptr<QuickStartControls> general)
    : loop_(loop), shared_(shared), main_(main), directory_(directory), general_(std::move(general)) {}

QuickStart::~QuickStart() {
  *alive_ = false;
  StopWatching();
}

std::string QuickStart::Run(const PanelOptions& options) {
  general_->SetBroadcastAddress(options.broadcast);
  std::string problem;
  switch (options.connect) {
    case PanelOptions::Link::kTcp:
      shared_.CommandPortNumber = options.port;
      general_->OnTcpMode();
      general_->SetAddresses({options.host});
      general_->OnAddressEdited(options.host);
      general_->OnTcpConnect();
      break;
    case PanelOptions::Link::kSerial: problem = ConnectSerial(options.serialPath); break;
    case PanelOptions::Link::kNone: break;
  }
  if (options.page <= kPageGeneral || options.page > kPageFirmware) return problem;
  if (options.connect == PanelOptions::Link::kNone) {
    main_.OnHeaderClick(options.page);
    return problem;
  }
  pendingPage_ = options.page;
  subscription_ = general_->Changed().Subscribe([this] { ChoosePageOnceLinked(); });
  linkSubscription_ = shared_.Link.changed.Subscribe([this] { ChoosePageOnceLinked(); });
  ChoosePageOnceLinked();
  return problem;
}

std::string QuickStart::ConnectSerial(const std::string& path) {
  // Connect opens whatever the list has selected, so a device that is not in the list must not
  // be connected: that would open somebody else's port in its place.
  const int number = directory_.NumberFor(path);
  if (number == 0) return "cannot connect to " + path + ": no COM number is free for it";
  const std::string wanted = "COM" + std::to_string(number);
  const auto& ports = general_->Ports();
  const auto it = std::find(ports.begin(), ports.end(), wanted);
  if (it == ports.end()) return "cannot connect to " + path + ": the device is not present";
  general_->OnPortSelChange(static_cast<int>(it - ports.begin()));
  general_->OnComConnect();
  return "";
}

void QuickStart::ChoosePageOnceLinked() {
  if (pendingPage_ == 0 || (shared_.TcpLinkUp == 0 && shared_.ComLinkOpen == 0)) return;
  // The General page reads the device line first after a connect: leaving it before that answer
  // would leave the status line on every page without the device and its version. A switcher
  // that does not answer changes the link's state instead, and the page is chosen all the same.
  const LinkReport& link = shared_.Link;
  if (link.device.empty() && link.state == std::string(LinkReport::kConnected)) return;
  const int page = pendingPage_;
  pendingPage_ = 0;
  StopWatching();
  // Chosen after the handler that brought the link up has returned, as a click would be.
  loop_.Post([this, page, alive = std::weak_ptr<bool>(alive_)] {
    if (auto a = alive.lock(); a && *a) main_.OnHeaderClick(page);
  });
}

void QuickStart::StopWatching() {
  if (subscription_ != 0) general_->Changed().Unsubscribe(subscription_);
  if (linkSubscription_ != 0) shared_.Link.changed.Unsubscribe(linkSubscription_);
  subscription_ = 0;
  linkSubscription_ = 0;
}

}  // namespace velantor
