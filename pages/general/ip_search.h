// The IP search of the General page: one 'a' broadcast on the search port, then every answer
// that carries the 0x77 0x88 signature becomes an entry of the "Matrix  IP" list with its MAC.
// There is no time-out: without an answer the list stays empty. The socket stays open until the
// next search or configuration takes it, so late answers still count.
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

class IpSearch : public TimerTarget {
 public:
  static constexpr int kTimerMessage = 55;
  static constexpr int kMessageMs = 1500;
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
  // list, drops the TCP link (the General page shows itself disconnected through the hook) and
  // sends the probe.
  void SearchMatrix();
  // One receive from the search socket (at most DatagramSocket::kReceiveSize bytes are taken).
  // An answer may come in pieces, but only from one sender: bytes kept from another sender are
  // dropped first, so a stray datagram cannot spoil the answer that follows it. An empty
  // `fromAddress` joins whatever is kept.
  void OnReceive(const uint8_t* data, size_t length, const std::string& fromAddress = {});
  // The user chose entry `index` of the address list: its MAC becomes MatrixMac.
  void OnAddressSelected(int index);

  void OnTimer(int id) override;

  const std::vector<FoundMatrix>& Matrices() const { return matrices_; }
  std::vector<std::string> Addresses() const;
  int Selected() const { return selected_; }
  size_t BufferedBytes() const { return fill_; }
  // Why the last search could not start (empty when it did).
  const std::string& LastError() const { return lastError_; }
  ChangeNotifier& Changed() { return changed_; }

  // The MAC text of the selected matrix; the network configuration addresses it.
  std::string MatrixMac;

 private:
  void Evaluate();
  void Take(const FoundMatrix& found);
  void Failed(const std::string& reason);

  SharedState& shared_;
  MainWindowPort& mainWindow_;
  DatagramSocket& socket_;
  SearchRoute route_;
  AddressesHook addressesHook_;
  // Up to 49 bytes kept between receives plus one receive.
  std::array<uint8_t, kReplyMinimum - 1 + DatagramSocket::kReceiveSize> buffer_{};
  size_t fill_ = 0;
  std::string bufferSender_;  // who sent the kept bytes
  std::vector<FoundMatrix> matrices_;
  int selected_ = -1;
  std::string lastError_;
  ChangeNotifier changed_;
};

}  // namespace velantor
