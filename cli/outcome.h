// How a command ended, told by what the panel showed: the message dialog's texts map to done,
// refused, timed out or link failure, and each outcome to the program's exit code.
#pragma once

#include <string>

namespace velantor::cli {

enum class Outcome { kDone, kRefused, kTimedOut, kLinkFailure, kBadCommandLine };

// Exit codes: 0 done and confirmed by the switcher, 1 refused or timed out, 2 bad command line,
// 3 link failure.
int ExitCodeOf(Outcome outcome);
// The result could not be written to standard output (a full disk, a closed pipe): whatever the
// switcher did stands, but the caller did not get the report, so it must not read success.
constexpr int kUnwrittenResultExit = 4;
const char* OutcomeName(Outcome outcome);  // "done", "refused", "timed-out", "link-failure", "usage"

// What a message of the panel says about the operation that opened it. Texts the table does not
// know count as a refusal: only a message that says so is taken for success.
Outcome OutcomeOfMessage(const std::string& text);
bool IsSuccessMessage(const std::string& text);

}  // namespace velantor::cli
