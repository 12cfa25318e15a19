// velantorctl: the panel's operations from the command line, for scripts and control systems.
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "cli/commands.h"

namespace {

using namespace velantor::cli;

int PrintUsageError(const std::string& error, bool json, const std::string& command) {
  if (json) {
    std::printf("%s\n", ReportDocument(command, Report::Failure(Outcome::kBadCommandLine, error)).Dump().c_str());
  }
  std::fprintf(stderr, "velantorctl: %s\n", error.c_str());
  return ExitCodeOf(Outcome::kBadCommandLine);
}

std::string CommandName(const std::vector<std::string>& words) {
  std::string name;
  for (size_t i = 0; i < words.size() && i < 2; ++i) {
    if (words[i].empty() || words[i][0] == '-') break;
    if (i == 1 && words[0] != "edid" && words[0] != "fw") break;
    name += (name.empty() ? "" : " ") + words[i];
  }
  return name;
}

int outputError = 0;  // why the result did not reach standard output, once known

int Run(int argc, char** argv) {
  const char* env = std::getenv("VELANTOR_CONNECT");
  ParsedCli parsed = ParseCliArguments(std::vector<std::string>(argv + 1, argv + argc), env ? env : "");
  if (!parsed.options) return PrintUsageError(parsed.error, parsed.json, CommandName(parsed.words));
  const CliOptions& options = *parsed.options;
  if (options.version) {
    // A control system that always passes --json parses every answer, this one too.
    if (options.json) {
      Report report;
      report.result.Set("version", VELANTOR_VERSION);
      std::printf("%s\n", ReportDocument("version", report).Dump().c_str());
    } else {
      std::printf("velantorctl %s\n", VELANTOR_VERSION);
    }
    return 0;
  }
  const std::vector<std::string>& words = options.words;
  if (words.empty() || (words[0] == "help" && words.size() == 1)) {
    if (!options.help && words.empty())
      return PrintUsageError("no command given (velantorctl --help lists them)", options.json, "");
    std::fputs(OverviewText().c_str(), stdout);
    return 0;
  }
  const bool helpWord = words[0] == "help";
  const std::string word = helpWord ? words[1] : words[0];
  const CommandEntry* command = FindCommand(word);
  if (!command) {
    const char* what = word.rfind("-", 0) == 0 ? "unknown option " : "unknown command ";
    return PrintUsageError(what + word + " (velantorctl --help lists them)", options.json, word);
  }
  if (options.help || helpWord) {
    std::fputs(command->help, stdout);
    return 0;
  }
  const std::string name = CommandName(words);
  Prepared prepared = command->prepare(Args(words.begin() + 1, words.end()), options);
  if (!prepared.error.empty()) return PrintUsageError(prepared.error, options.json, name);

  std::unique_ptr<Session> session;
  if (prepared.needsPanel)
    session = std::make_unique<Session>(options, options.timeoutMs.value_or(prepared.defaultTimeoutMs));
  const Report report = prepared.run(session.get());
  const std::vector<std::string> messages = session ? session->Messages() : std::vector<std::string>{};
  session.reset();  // links closed before the result is printed

  if (options.json) {
    std::printf("%s\n", ReportDocument(name, report, messages).Dump().c_str());
  } else {
    for (const std::string& line : report.lines) std::printf("%s\n", line.c_str());
  }
  if (std::fflush(stdout) != 0) outputError = errno;
  if (!report.Ok()) std::fprintf(stderr, "%s\n", FailureLine(report).c_str());
  return ExitCodeOf(report.outcome);
}

}  // namespace

int main(int argc, char** argv) {
  signal(SIGPIPE, SIG_IGN);
  const int code = Run(argc, argv);
  // Whatever was printed (a result, the help) must have reached standard output: a script that
  // reads nothing must not take the exit code for success.
  if (std::fflush(stdout) != 0 && outputError == 0) outputError = errno;
  if (std::ferror(stdout)) {
    std::fprintf(stderr, "velantorctl: the output could not be written to standard output (%s)\n",
                 std::strerror(outputError != 0 ? outputError : EIO));
    return kUnwrittenResultExit;
  }
  return code;
}
