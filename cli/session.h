// The panel without windows, on the poll() loop: the same assembly of pages and links as the Qt
// panel, driven by the commands through the pages' own user actions. The session connects as the
// panel's quick start does, chooses pages as a header click does, runs the loop until an operation
// has ended, and keeps every message the panel showed so the command can say how it ended.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/poll_event_loop.h"
#include "cli/arguments.h"
#include "cli/report.h"
#include "pages/panel_assembly.h"

namespace velantor {
class CGeneralPage;
}

namespace velantor::cli {

class Session {
 public:
  // `timeoutMs` bounds the whole command, from now.
  Session(const CliOptions& options, int timeoutMs);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Connects as the quick start does and waits for the link. nullopt once the link is up,
  // otherwise the failure.
  std::optional<Report> Connect();
  // Chooses a page as its header would, runs its start action at once (the panel waits 150 ms
  // only so that the window can paint) and waits until `settled`. nullopt when it settled.
  std::optional<Report> ShowPage(int page, const std::function<bool()>& settled);

  // What a wait does when the link goes: stop at once (nothing awaited can come), or go on while
  // the page itself connects again (a firmware write across the switcher's restart).
  enum class OnLinkLoss { kStop, kLeaveItToThePage };
  // Runs the loop until `done` holds (true) or the command's time is up (false).
  bool RunUntil(const std::function<bool()>& done, OnLinkLoss onLoss = OnLinkLoss::kStop);
  // Runs the loop for `ms` (or until the command's time is up).
  void RunFor(int64_t ms);
  bool Expired() const;
  bool LinkLost() const;
  int TimeoutMs() const { return timeoutMs_; }

  // The messages the panel opened, in order; a mark is a count of them.
  size_t MessageMark() const { return messages_.size(); }
  const std::vector<std::string>& Messages() const { return messages_; }
  // The mark taken when the connect began: what came with the link (standby) counts.
  size_t ConnectMark() const { return connectMark_; }
  // A failure message opened since `mark`.
  bool FailedSince(size_t mark) const;
  // How the operation started at `mark` ended: a failure message decides; else `confirmed` (the
  // page shows what was asked) means done; else the time ran out or nothing confirmed it.
  Report Judge(size_t mark, bool confirmed) const;

  template <class Page>
  Page& PageAs(int page) {
    return dynamic_cast<Page&>(*panel_.Main().Page(page));
  }
  CGeneralPage& General() { return panel_.GeneralPage(); }
  PanelAssembly& Panel() { return panel_; }
  PollEventLoop& Loop() { return loop_; }

 private:
  void OnMessageChanged();
  std::string LinkName() const;

  CliOptions options_;
  PollEventLoop loop_;
  PanelAssembly panel_;
  int timeoutMs_;
  int64_t deadline_;
  int seenOpenCount_ = 0;
  std::vector<std::string> messages_;
  int subscription_ = 0;
  bool linked_ = false;
  size_t connectMark_ = 0;  // the messages from the connect on
};

// The timeout text of a command whose time ran out before the switcher answered.
std::string NoAnswerReason(int timeoutMs);

}  // namespace velantor::cli
