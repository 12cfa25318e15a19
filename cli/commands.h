// The commands of velantorctl. Each reads its own words first (a bad line is exit 2 before any
// link is opened), then runs against the session: the pages' user actions, in the order the
// panel's controls call them, and the pages' state for the result.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/report.h"
#include "cli/session.h"

namespace velantor::cli {

// A command ready to run, or why its words are wrong.
struct Prepared {
  std::string error;       // one line; non-empty: bad command line
  bool needsPanel = true;  // false: runs without the panel (file commands)
  int defaultTimeoutMs = 20000;
  std::function<Report(Session* session)> run;
};

inline Prepared UsageError(std::string error) {
  Prepared p;
  p.error = std::move(error);
  return p;
}
inline Prepared Linked(std::function<Report(Session*)> run) {
  Prepared p;
  p.run = std::move(run);
  return p;
}
inline Prepared Offline(std::function<Report(Session*)> run) {
  Prepared p;
  p.needsPanel = false;
  p.run = std::move(run);
  return p;
}

using Args = std::vector<std::string>;

struct CommandEntry {
  const char* word;
  const char* synopsis;  // the overview's line(s)
  const char* help;      // what --help after the command prints
  Prepared (*prepare)(const Args& args, const CliOptions& options);
};

// Every command, in the order the overview lists them.
const std::vector<CommandEntry>& CommandTable();
const CommandEntry* FindCommand(const std::string& word);
std::string OverviewText();

// The groups (one file each).
Prepared PrepareInfo(const Args& args, const CliOptions& options);
Prepared PrepareOption(const Args& args, const CliOptions& options);
Prepared PrepareMode(const Args& args, const CliOptions& options);
Prepared PrepareFactoryReset(const Args& args, const CliOptions& options);
Prepared PrepareRoute(const Args& args, const CliOptions& options);
Prepared PrepareEffect(const Args& args, const CliOptions& options);
Prepared PrepareTime(const Args& args, const CliOptions& options);
Prepared PrepareType(const Args& args, const CliOptions& options);
Prepared PrepareAuto(const Args& args, const CliOptions& options);
Prepared PrepareScaler(const Args& args, const CliOptions& options);
Prepared PrepareEdid(const Args& args, const CliOptions& options);
Prepared PrepareFirmware(const Args& args, const CliOptions& options);
Prepared PrepareSearch(const Args& args, const CliOptions& options);
Prepared PrepareNetconfig(const Args& args, const CliOptions& options);

// "A" for output 1, ...
std::string OutputLetter(int output);

}  // namespace velantor::cli
