#include "cli/report.h"

namespace velantor::cli {

Json ReportDocument(const std::string& command, const Report& report, const std::vector<std::string>& messages) {
  Json doc = Json::MakeObject();
  doc.Set("command", command);
  doc.Set("ok", report.Ok());
  doc.Set("outcome", OutcomeName(report.outcome));
  doc.Set("exit", ExitCodeOf(report.outcome));
  doc.Set("message", report.message.empty() ? Json() : Json(report.message));
  doc.Set("reason", report.reason.empty() ? Json() : Json(report.reason));
  doc.Set("messages", Json::ArrayOf(messages));
  doc.Set("result", report.result);
  return doc;
}

std::string FailureLine(const Report& report) {
  if (report.Ok()) return "";
  std::string line = "velantorctl: " + report.message;
  if (!report.reason.empty()) line += report.message.empty() ? report.reason : " (" + report.reason + ")";
  // One line, whatever the texts hold (a page's question spans several): scripts read one.
  for (char& c : line) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return line;
}

}  // namespace velantor::cli
