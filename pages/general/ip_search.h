// The IP search of the General page: one 'a' broadcast on the search port, then every answer
// that carries the 0x77 0x88 signature becomes an entry of the "Matrix  IP" list with its MAC.
// Answers are listened for during a search window of a few seconds; then the socket closes and
// a search the user started says "No switcher answered" when none did. The user's choice of
// switcher survives a search that finds it again, and an answer never moves it elsewhere.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/change_notifier.h"
#include "base/event_loop.h"
#include "app/shared_state.h"
#include "app/window_messages.h"
#include "link/datagram_socket.h"

namespace velantor {

// Where the search is bound and where its probe goes. The production values are the defaults;
// tests and the demo point the probe at the loopback broadcast address.
struct SearchRoute {
  std::string bindAddress = "0.0.0.0";
  uint16_t bindPort = 30600;
  std::string broadcastAddress = "255.255.255.255";
  uint16_t broadcastPort = 30600;
};

// One matrix that answered: its address as dotted decimal and its MAC as 12 upper-case digits.
struct FoundMatrix {
  std::string address;
  std::string mac;
};

// Who started a search: the user's Search button, or the shell after a confirmed network
// configuration (whose configuring dialog reports the outcome itself, and whose switcher may
// have a new address, so the TCP link to the old one is dropped).
enum class SearchOrigin { kUser, kAfterConfiguration };

class IpSearch : public TimerTarget {
 public:
  static constexpr int kTimerMessage = 55;
  static constexpr int kTimerSearchWindow = 56;
  static constexpr int kMessageMs = 1500;
  // How long answers to one probe are listened for (the shell's re-search waits as long).
  static constexpr int kSearchWindowMs = 5000;
  static constexpr uint8_t kProbe = 0x61;  // the letter a
  // An answer is evaluated once this many bytes (after any probes) have arrived; 55 are taken.
  static constexpr size_t kReplyMinimum = 50;
  static constexpr size_t kReplySize = 55;
  // More matrices than this on one network are not listed; one answering twice keeps one entry.
  static constexpr size_t kMaxMatrices = 32;

  // Called with the new address list and its selected index whenever the list changes.
  using AddressesHook = std::function<void(const std::vector<std::string>& addresses, int selected)>;

  IpSearch(EventLoop& loop, SharedState& shared, MainWindowPort& mainWindow, DatagramSocket& socket);

  void SetRoute(SearchRoute route) { route_ = std::move(route); }
  void SetAddressesHook(AddressesHook hook) { addressesHook_ = std::move(hook); }

  // The "Search" button, and the shell's search after a confirmed configuration: empties the
  // list and sends the probe. Only the shell's search drops the TCP link; the user's leaves an
  // open session alone (its address keeps its selection).
  void SearchMatrix(SearchOrigin origin = SearchOrigin::kUser);
  // One receive from the search socket (at most DatagramSocket::kReceiveSize bytes are taken).
  // Each datagram is judged by its own length: one that holds a whole answer is read alone, so
  // a stray short datagram before it cannot shift it. Shorter ones are pieces of an answer from
  // one sender: pieces kept from another sender are dropped first. An empty `fromAddress` joins
  // whatever is kept.
  void OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress = {});
  // The user chose entry `index` of the address list: its MAC becomes MatrixMac.
  void OnAddressSelected(int index);
  // The user typed the address `host`: the entry found there becomes the selection and its MAC
  // MatrixMac; with none there, nothing is selected and MatrixMac is empty.
  void OnAddressTyped(const std::string& host);

  void OnTimer(int id) override;

  const std::vector<FoundMatrix>& Matrices() const { return matrices_; }
  std::vector<std::string> Addresses() const;
  int Selected() const { return selected_; }
  size_t BufferedBytes() const { return fill_; }
  // Why the last search could not start (empty when it did).
  const std::string& LastError() const { return lastError_; }
  // One line about the last search: "Searching...", how many answered, or that none did.
  const std::string& Summary() const { return summary_; }
  bool Listening() const { return listening_; }
  ChangeNotifier& Changed() { return changed_; }

  // The MAC text of the selected matrix; the network configuration addresses it.
  std::string MatrixMac;

 private:
  void Evaluate(const uint8_t* reply);
  void Take(const FoundMatrix& found);
  void Select(size_t index);
  bool SessionHoldsAddress() const;
  void Failed(const std::string& reason);
  void EndSearchWindow();
  void UpdateSummary();

  SharedState& shared_;
  MainWindowPort& mainWindow_;
  DatagramSocket& socket_;
  SearchRoute route_;
  AddressesHook addressesHook_;
  // Pieces of one answer: fewer than kReplyMinimum kept bytes plus a piece shorter than that.
  std::array<uint8_t, 2 * (kReplyMinimum - 1)> buffer_{};
  size_t fill_ = 0;
  std::string bufferSender_;  // who sent the kept bytes
  std::vector<FoundMatrix> matrices_;
  int selected_ = -1;
  std::string preferredMac_;  // the switcher the user had chosen before this search
  bool listening_ = false;
  uint16_t boundPort_ = 0;  // where this search listens: the configuration binds elsewhere
  SearchOrigin origin_ = SearchOrigin::kUser;
  std::string summary_;
  std::string lastError_;
  ChangeNotifier changed_;
};

}  // namespace velantor
