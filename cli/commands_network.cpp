// The IP search and the network configuration of the General page, over UDP. They need no link
// to a switcher: the search finds switchers, the configuration addresses one by its MAC.
#include "cli/commands.h"
#include "pages/general/general_page.h"

namespace velantor::cli {

namespace {

constexpr int kDefaultWaitMs = 2000;

std::string MacText(const std::string& digits) {
  std::string text;
  for (size_t i = 0; i < digits.size(); i += 2) text += (i ? ":" : "") + digits.substr(i, 2);
  return text;
}

// Where the search and the configuration go: the broadcast address and the two ports, bound and
// targeted alike, as on a LAN.
void Route(CGeneralPage& g, const CliOptions& o) {
  g.SetBroadcastAddress(o.panel.broadcast);
  g.Search().SetRoute({"0.0.0.0", o.searchPort, o.panel.broadcast, o.searchPort});
  g.NetworkConfig().SetRoute({"0.0.0.0", o.configPort, o.panel.broadcast, o.configPort});
}

// Presses "Search" and waits `waitMs`, or until `enough` holds. Empty, or why no search went out.
std::string Search(Session& s, const CliOptions& o, int waitMs, const std::function<bool()>& enough) {
  CGeneralPage& g = s.General();
  Route(g, o);
  g.OnSearch();
  if (!g.Search().LastError().empty()) return g.Search().LastError();
  const int64_t end = s.Loop().NowMs() + waitMs;
  s.RunUntil([&] { return s.Loop().NowMs() >= end || enough(); });
  return "";
}

Json MatricesJson(const std::vector<FoundMatrix>& found) {
  Json list = Json::MakeArray();
  for (const FoundMatrix& m : found) {
    Json item = Json::MakeObject();
    item.Set("address", m.address);
    item.Set("mac", MacText(m.mac));
    list.Push(std::move(item));
  }
  return list;
}

std::optional<int> ReadWait(const Args& args, size_t i, std::string* error) {
  const auto ms = i + 1 < args.size() ? ParseSeconds(args[i + 1]) : std::nullopt;
  if (!ms) *error = "--wait needs seconds (for example 2 or 0.5)";
  return ms;
}

}  // namespace

Prepared PrepareSearch(const Args& args, const CliOptions& options) {
  int waitMs = kDefaultWaitMs;
  for (size_t i = 0; i < args.size(); i += 2) {
    std::string error = "search takes only --wait S (and the global --broadcast ADDR)";
    if (args[i] != "--wait") return UsageError(error);
    const auto ms = ReadWait(args, i, &error);
    if (!ms) return UsageError(error);
    waitMs = *ms;
  }
  Prepared p = Linked([options, waitMs](Session* s) {
    const std::string error = Search(*s, options, waitMs, [] { return false; });
    if (!error.empty()) return Report::Failure(Outcome::kLinkFailure, "The search could not be sent", error);
    const std::vector<FoundMatrix>& found = s->General().Search().Matrices();
    Report r = found.empty() ? Report::Failure(Outcome::kTimedOut, "Search Matrix IP failed!",
                                               "no switcher answered at " + options.panel.broadcast + ":" +
                                                   std::to_string(options.searchPort))
                             : Report();
    for (const FoundMatrix& m : found) r.lines.push_back(m.address + "  " + MacText(m.mac));
    r.result.Set("matrices", MatricesJson(found));
    return r;
  });
  p.defaultTimeoutMs = waitMs + 5000;
  return p;
}

Prepared PrepareNetconfig(const Args& args, const CliOptions& options) {
  const std::string usage = "netconfig needs MAC and --auto or --static IP";
  if (args.empty()) return UsageError(usage);
  const auto mac = ParseMac(args[0]);
  if (!mac) return UsageError("bad MAC " + args[0] + " (12 hex digits, as 02:56:4C:54:00:01)");
  bool autoIp = false;
  std::optional<std::vector<int>> ip;
  int waitMs = kDefaultWaitMs;
  for (size_t i = 1; i < args.size(); ++i) {
    std::string error;
    if (args[i] == "--auto") {
      autoIp = true;
    } else if (args[i] == "--static") {
      ip = i + 1 < args.size() ? ParseIpv4(args[i + 1]) : std::nullopt;
      if (!ip) return UsageError("--static needs a dotted IPv4 address");
      ++i;
    } else if (args[i] == "--wait") {
      const auto ms = ReadWait(args, i, &error);
      if (!ms) return UsageError(error);
      waitMs = *ms;
      ++i;
    } else {
      return UsageError(usage);
    }
  }
  if (autoIp == ip.has_value()) return UsageError(usage);
  Prepared p = Linked([options, mac = *mac, autoIp, ip, waitMs](Session* s) {
    CGeneralPage& g = s->General();
    auto index = [&]() -> int {
      const auto& found = g.Search().Matrices();
      for (size_t i = 0; i < found.size(); ++i) {
        if (found[i].mac == mac) return static_cast<int>(i);
      }
      return -1;
    };
    const std::string error = Search(*s, options, waitMs, [&] { return index() >= 0; });
    if (!error.empty()) return Report::Failure(Outcome::kLinkFailure, "The search could not be sent", error);
    if (index() < 0) {
      return Report::Failure(Outcome::kTimedOut, "Search Matrix IP failed!",
                             "no switcher with MAC " + MacText(mac) + " answered");
    }
    // As the operator: pick the switcher in the address list, open "Config...", fill it in, OK.
    g.OnAddressSelChange(index());
    g.OnConfig();
    CNetworkConfigDialog& dialog = g.NetworkConfig();
    if (autoIp) {
      dialog.OnAutoIp();
    } else {
      dialog.OnStaticIp();
      for (size_t i = 0; i < 4; ++i) dialog.OnIpEdited(static_cast<int>(i), std::to_string((*ip)[i]));
    }
    const size_t mark = s->MessageMark();
    dialog.OnOk();
    if (!dialog.LastError().empty()) {
      return Report::Failure(Outcome::kLinkFailure, "The configuration could not be sent", dialog.LastError());
    }
    if (dialog.View().shown) return s->Judge(mark, false);  // a field was refused; its message says which
    SharedState& shared = s->Panel().Shared();
    ConfiguringDialog& configuring = s->Panel().Main().Configuring();
    s->RunUntil([&] {
      return shared.ConfigurationSuccess == 1 || configuring.Text() == "configure failed!" || s->FailedSince(mark);
    });
    Report r = s->Judge(mark, shared.ConfigurationSuccess == 1);
    if (!r.Ok() && configuring.Text() == "configure failed!")
      r = Report::Failure(Outcome::kTimedOut, "configure failed!");
    r.result.Set("mac", MacText(mac));
    if (!r.Ok()) return r;  // what was asked is not what the switcher has: no settings claimed
    r.result.Set("dhcp", autoIp);
    if (ip)
      r.result.Set("address", std::to_string((*ip)[0]) + "." + std::to_string((*ip)[1]) + "." +
                                  std::to_string((*ip)[2]) + "." + std::to_string((*ip)[3]));
    if (r.Ok()) r.lines.push_back("Matrix configuration completed successfully!");
    return r;
  });
  p.defaultTimeoutMs = waitMs + 15000;
  return p;
}

}  // namespace velantor::cli
