// What a command hands back: how it ended, the panel's message, the lines a person reads and the
// fields a control system parses.
#pragma once

#include <string>
#include <vector>

#include "cli/json_writer.h"
#include "cli/outcome.h"

namespace velantor::cli {

struct Report {
  Outcome outcome = Outcome::kDone;
  std::string message;               // the panel's message, or our own one line, for standard error
  std::string reason;                // why, where more can be said (the device path, the file, ...)
  std::vector<std::string> lines;    // the result as text, for standard output
  Json result = Json::MakeObject();  // the result's fields under "result" in JSON

  static Report Failure(Outcome outcome, std::string message, std::string reason = {}) {
    Report r;
    r.outcome = outcome;
    r.message = std::move(message);
    r.reason = std::move(reason);
    return r;
  }
  bool Ok() const { return outcome == Outcome::kDone; }
};

// The JSON document of a command: {"command", "ok", "outcome", "exit", "message", "reason",
// "messages", "result"}; message and reason are null when there is none, "messages" lists every
// message the panel showed meanwhile.
Json ReportDocument(const std::string& command, const Report& report, const std::vector<std::string>& messages = {});
// "velantorctl: MESSAGE (REASON)", the line for standard error; empty for a success.
std::string FailureLine(const Report& report);

}  // namespace velantor::cli
