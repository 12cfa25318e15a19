#include "cli/outcome.h"

#include <array>

namespace velantor::cli {

namespace {
struct MessageOutcome {
  const char* text;
  Outcome outcome;
};
// The panel's one-line messages, as its pages show them.
constexpr std::array<MessageOutcome, 13> kMessages{{
    {"Set successfully!", Outcome::kDone},
    {"Copy successfully!", Outcome::kDone},
    {"Download successfully!", Outcome::kDone},
    {"Matrix configuration completed successfully!", Outcome::kDone},
    {"Time out!", Outcome::kTimedOut},
    {"Search Matrix IP failed!", Outcome::kTimedOut},
    {"The switcher does not answer", Outcome::kTimedOut},  // silence after the connect
    {"No switcher answered", Outcome::kTimedOut},          // an IP search nobody answered
    {"Connect to Matrix failed!", Outcome::kLinkFailure},
    {"Open COM failed!", Outcome::kLinkFailure},
    {"请打开串口", Outcome::kLinkFailure},  // the Matrix page's "open the serial port" reminder
    {"Matrix is in standby mode!", Outcome::kRefused},
    {"Please wait...", Outcome::kRefused},
}};
}  // namespace

int ExitCodeOf(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone:
      return 0;
    case Outcome::kRefused:
    case Outcome::kTimedOut:
      return 1;
    case Outcome::kBadCommandLine:
      return 2;
    case Outcome::kLinkFailure:
      return 3;
  }
  return 1;
}

const char* OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::kDone:
      return "done";
    case Outcome::kRefused:
      return "refused";
    case Outcome::kTimedOut:
      return "timed-out";
    case Outcome::kLinkFailure:
      return "link-failure";
    case Outcome::kBadCommandLine:
      return "usage";
  }
  return "refused";
}

Outcome OutcomeOfMessage(const std::string& text) {
  for (const MessageOutcome& m : kMessages) {
    if (text == m.text) return m.outcome;
  }
  return Outcome::kRefused;
}

bool IsSuccessMessage(const std::string& text) { return OutcomeOfMessage(text) == Outcome::kDone; }

}  // namespace velantor::cli
