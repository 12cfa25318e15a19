#include "cli/session.h"

#include <algorithm>
#include <cstdio>

#include "app/window_messages.h"
#include "pages/general/general_page.h"

namespace velantor::cli {

namespace {
// The step of the loop between two looks at an operation's state: short enough that a command
// ends within a couple of milliseconds of its confirmation.
constexpr int64_t kLookMs = 2;

// The main window's timer that starts a page's action.
int StartTimerOf(int page) {
  switch (page) {
    case kPageEdid:
      return CMainDialog::kTimerStartEdid;
    case kPageMatrix:
      return CMainDialog::kTimerStartMatrix;
    case kPageFirmware:
      return CMainDialog::kTimerStartFirmware;
    default:
      return CMainDialog::kTimerStartGeneral;
  }
}

// Link failure first, then time-out, then refusal: the message that says most about why.
int Severity(Outcome outcome) {
  switch (outcome) {
    case Outcome::kLinkFailure:
      return 3;
    case Outcome::kTimedOut:
      return 2;
    case Outcome::kRefused:
      return 1;
    default:
      return 0;
  }
}
}  // namespace

std::string NoAnswerReason(int timeoutMs) {
  char text[96];
  std::snprintf(text, sizeof text, "no confirmation from the switcher within %.1f s", timeoutMs / 1000.0);
  return text;
}

Session::Session(const CliOptions& options, int timeoutMs)
    : options_(options), panel_(loop_, options.panel), timeoutMs_(timeoutMs), deadline_(loop_.NowMs() + timeoutMs) {
  subscription_ = panel_.Shared().Message.Changed().Subscribe([this] { OnMessageChanged(); });
}

Session::~Session() { panel_.Shared().Message.Changed().Unsubscribe(subscription_); }

// Messages close themselves after a second or two, so each is kept the moment it opens.
void Session::OnMessageChanged() {
  const MessageDialog& dialog = panel_.Shared().Message;
  if (dialog.OpenCount() == seenOpenCount_) return;
  seenOpenCount_ = dialog.OpenCount();
  messages_.push_back(dialog.DisplayedText());
}

bool Session::Expired() const { return loop_.NowMs() >= deadline_; }

// The link went away under a command (the switcher closed the connection, the adapter failed):
// nothing the command waits for can come any more.
bool Session::LinkLost() const {
  return linked_ && panel_.Shared().Link.state == std::string(LinkReport::kLost);
}

bool Session::RunUntil(const std::function<bool()>& done, OnLinkLoss onLoss) {
  while (!done()) {
    if (Expired() || (onLoss == OnLinkLoss::kStop && LinkLost())) return false;
    loop_.RunFor(std::min<int64_t>(kLookMs, deadline_ - loop_.NowMs()));
  }
  return true;
}

void Session::RunFor(int64_t ms) {
  const int64_t end = std::min(loop_.NowMs() + ms, deadline_);
  while (loop_.NowMs() < end) loop_.RunFor(end - loop_.NowMs());
}

bool Session::FailedSince(size_t mark) const {
  for (size_t i = mark; i < messages_.size(); ++i) {
    if (OutcomeOfMessage(messages_[i]) != Outcome::kDone) return true;
  }
  return false;
}

Report Session::Judge(size_t mark, bool confirmed) const {
  const std::string* worst = nullptr;
  const std::string* success = nullptr;
  for (size_t i = mark; i < messages_.size(); ++i) {
    const Outcome o = OutcomeOfMessage(messages_[i]);
    if (o == Outcome::kDone) {
      success = &messages_[i];
    } else if (!worst || Severity(o) > Severity(OutcomeOfMessage(*worst))) {
      worst = &messages_[i];
    }
  }
  if (worst) {
    Report failed = Report::Failure(OutcomeOfMessage(*worst), *worst);
    if (failed.outcome == Outcome::kLinkFailure && LinkLost()) failed.reason = "the link to " + LinkName() + " was lost";
    return failed;
  }
  if (LinkLost() && !confirmed) {
    const bool tcp = options_.panel.connect == PanelOptions::Link::kTcp;
    return Report::Failure(Outcome::kLinkFailure, tcp ? "Connect to Matrix failed!" : "Open COM failed!",
                           "the link to " + LinkName() + " was lost");
  }
  if (confirmed) {
    Report done;
    if (success) done.message = *success;
    return done;
  }
  if (Expired()) return Report::Failure(Outcome::kTimedOut, "Time out!", NoAnswerReason(timeoutMs_));
  return Report::Failure(Outcome::kRefused, "The switcher did not confirm the change");
}

std::string Session::LinkName() const {
  const PanelOptions& p = options_.panel;
  if (p.connect == PanelOptions::Link::kTcp) return p.host + ":" + std::to_string(p.port);
  return p.serialPath;
}

std::optional<Report> Session::Connect() {
  if (!options_.linkError.empty()) return Report::Failure(Outcome::kBadCommandLine, options_.linkError);
  if (!options_.linkGiven) {
    return Report::Failure(Outcome::kBadCommandLine,
                           "no switcher named: give --connect tcp:HOST[:PORT] or --connect serial:PATH, or set "
                           "VELANTOR_CONNECT");
  }
  if (linked_) return std::nullopt;
  const size_t mark = connectMark_ = MessageMark();
  const std::string problem = panel_.RunQuickStart();
  const bool tcp = options_.panel.connect == PanelOptions::Link::kTcp;
  const char* failed = tcp ? "Connect to Matrix failed!" : "Open COM failed!";
  if (!problem.empty()) return Report::Failure(Outcome::kLinkFailure, failed, problem);
  SharedState& shared = panel_.Shared();
  auto linkUp = [&] { return (tcp ? shared.TcpLinkUp : shared.ComLinkOpen) == 1; };
  RunUntil([&] { return linkUp() || FailedSince(mark); });
  // A report that came with the link (standby) is for the operation to judge.
  if (linkUp()) {
    linked_ = true;
    return std::nullopt;
  }
  if (tcp) return Report::Failure(Outcome::kLinkFailure, failed, "no connection to " + LinkName());
  const std::string detail = General().View().portDetail;
  return Report::Failure(Outcome::kLinkFailure, failed, detail.empty() ? LinkName() : detail);
}

std::optional<Report> Session::ShowPage(int page, const std::function<bool()>& settled) {
  CMainDialog& main = panel_.Main();
  const size_t mark = std::min(MessageMark(), connectMark_);  // what came with the link counts too
  // A header click is ignored while a page keeps the headers locked (the General page's chain
  // after the connect may, for a moment): it is clicked again once they are free.
  const bool chosen = RunUntil([&] {
    if (main.CurrentPage() != page && main.HeadersEnabled() && !main.HeadersLocked()) main.OnHeaderClick(page);
    return main.CurrentPage() == page;
  });
  if (!chosen) return Report::Failure(Outcome::kTimedOut, "Time out!", "the page could not be chosen");
  // The panel runs the start action 150 ms after the click, by when the command socket it
  // reconnected for the page is normally up. Here it runs as soon as that is so: the delay is
  // only there for the window to paint.
  const int start = StartTimerOf(page);
  SharedState& shared = panel_.Shared();
  RunUntil([&] { return !main.TimerRunning(start) || shared.LinkMode != 1 || shared.PageSocketConnected == 1; });
  if (main.TimerRunning(start)) main.OnTimer(start);
  const bool done = RunUntil([&] { return settled() || FailedSince(mark); });
  if (FailedSince(mark) || !done) return Judge(mark, false);
  return std::nullopt;
}

}  // namespace velantor::cli
