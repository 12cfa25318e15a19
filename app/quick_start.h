// The panel's quick start from the command line: --connect fills the General page and presses
// Connect as a user would, --page then chooses that page once a link is up.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "app/change_notifier.h"
#include "app/command_line.h"
#include "app/main_dialog.h"
#include "app/shared_state.h"
#include "base/event_loop.h"
#include "link/port_directory.h"

namespace velantor {

// The General page's user actions the quick start presses, nothing more.
class QuickStartControls {
 public:
  virtual ~QuickStartControls() = default;
  virtual void SetBroadcastAddress(const std::string& address) = 0;
  virtual void OnTcpMode() = 0;
  virtual void SetAddresses(std::vector<std::string> addresses) = 0;
  virtual void OnAddressEdited(const std::string& text) = 0;
  virtual void OnTcpConnect() = 0;
  virtual const std::vector<std::string>& Ports() const = 0;  // the COM list as shown
  virtual void OnPortSelChange(int index) = 0;
  virtual void OnComConnect() = 0;
  virtual ChangeNotifier& Changed() = 0;
};

// The controls of a General page class, by its user actions' names.
template <class Page>
class QuickStartControlsOf final : public QuickStartControls {
 public:
  explicit QuickStartControlsOf(Page& page) : page_(page) {}
  void SetBroadcastAddress(const std::string& address) override { page_.SetBroadcastAddress(address); }
  void OnTcpMode() override { page_.OnTcpMode(); }
  void SetAddresses(std::vector<std::string> addresses) override { page_.SetAddresses(std::move(addresses)); }
  void OnAddressEdited(const std::string& text) override { page_.OnAddressEdited(text); }
  void OnTcpConnect() override { page_.OnTcpConnect(); }
  const std::vector<std::string>& Ports() const override { return page_.View().ports; }
  void OnPortSelChange(int index) override { page_.OnPortSelChange(index); }
  void OnComConnect() override { page_.OnComConnect(); }
  ChangeNotifier& Changed() override { return page_.Changed(); }

 private:
  Page& page_;
};

// Lists the serial devices named on the command line (--port, --connect serial:), so they
// have COM numbers before the General page first fills its list.
void AddCommandLinePorts(const PanelOptions& options, PortDirectory& directory);

class QuickStart {
 public:
  QuickStart(EventLoop& loop, SharedState& shared, CMainDialog& main, const PortDirectory& directory,
             std::unique_ptr<QuickStartControls> general);
  ~QuickStart();
  QuickStart(const QuickStart&) = delete;
  QuickStart& operator=(const QuickStart&) = delete;

  // Runs the options' quick start. Returns "" or, when the serial device cannot be chosen, why
  // nothing was connected (then no other port is opened in its place).
  std::string Run(const PanelOptions& options);
  // True while --page waits for the link and the switcher's device line.
  bool PagePending() const { return pendingPage_ != 0; }

 private:
  std::string ConnectSerial(const std::string& path);
  void ChoosePageOnceLinked();
  void StopWatching();

  EventLoop& loop_;
  SharedState& shared_;
  CMainDialog& main_;
  const PortDirectory& directory_;
  std::unique_ptr<QuickStartControls> general_;
  int pendingPage_ = 0;
  int subscription_ = 0;
  int linkSubscription_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace velantor
