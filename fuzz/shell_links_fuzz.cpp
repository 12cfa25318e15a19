// The whole shell with its four real pages on virtual time, the emulator behind it, and the fuzz
// bytes arriving on the current page's link as if the switcher had sent them: one byte at a time
// through the serial collector, or in reads through the TCP collector, between user actions.
//
// Input: byte 0 picks the first page (bits 0-1) and the link (bit 2: TCP). Then a sequence of
// steps, each a control byte c with kind c >> 5 and argument a = c & 0x1F:
//   0, 1  a+1 raw bytes from the input
//   2, 3  a frame: start pair, the next 10 input bytes, a correct checksum
//   4     a reply shaped as the last frame the device received: a mask byte, then for each set
//         bit one input byte replacing bytes 4..11, sealed again (reaches the awaited-reply paths)
//   5     time passes: a * 25 ms, or 12 s for a = 31 (every time-out falls due)
//   6     a user action of the current page, a picks it
//   7     a < 4: choose page a + 1 by its header; else close the message dialog
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "app/main_dialog.h"
#include "app/page_table.h"
#include "base/virtual_event_loop.h"
#include "fuzz_input.h"
#include "link/command_frame.h"
#include "link/port_directory.h"
#include "pages/edid/edid_page.h"
#include "pages/firmware/firmware_file.h"
#include "pages/firmware/upgrade_page.h"
#include "pages/general/general_page.h"
#include "pages/matrix/matrix_page.h"
#include "pages/page_set.h"
#include "sim/device_model.h"
#include "sim/sim_command_socket.h"
#include "sim/sim_serial_link.h"

namespace velantor::fuzz {
namespace {

// The emulator's serial port, remembering who opened it so fuzz bytes can reach that page.
class FuzzSerialLink : public sim::SimSerialLink {
 public:
  using SimSerialLink::SimSerialLink;
  int Open(PortOwner* owner, int portNumber, const SerialSettings& settings) override {
    owner_ = owner;
    return SimSerialLink::Open(owner, portNumber, settings);
  }
  // Bytes from the "switcher": one notification per byte, then the event-character notice.
  void Inject(std::span<const uint8_t> bytes) {
    if (!IsOpen() || owner_ == nullptr) return;
    for (uint8_t b : bytes) owner_->OnPortRxChar(b, PortNumber());
    owner_->OnPortNotice(kPortNoticeEventChar, PortNumber());
  }

 private:
  PortOwner* owner_ = nullptr;
};

// The emulator's command socket with fuzz bytes queued in front of the device's replies.
class FuzzCommandSocket : public sim::SimCommandSocket {
 public:
  using SimCommandSocket::SimCommandSocket;
  void Connect(SocketReceiver* receiver, const std::string& address, uint16_t port) override {
    injected_.clear();
    receiver_ = receiver;
    SimCommandSocket::Connect(receiver, address, port);
  }
  void Close() override {
    injected_.clear();
    SimCommandSocket::Close();
  }
  long Receive(uint8_t* buffer, size_t capacity) override {
    if (injected_.empty()) return SimCommandSocket::Receive(buffer, capacity);
    size_t n = std::min(capacity, injected_.size());
    std::copy_n(injected_.begin(), n, buffer);
    injected_.erase(injected_.begin(), injected_.begin() + static_cast<long>(n));
    return static_cast<long>(n);
  }
  // Read notices while bytes are left, as a level-triggered socket gives them; a page that
  // leaves bytes unread gets them with its next notice.
  void Inject(std::span<const uint8_t> bytes) {
    if (!Connected() || receiver_ == nullptr) return;
    injected_.insert(injected_.end(), bytes.begin(), bytes.end());
    for (int i = 0; i < 4 && !injected_.empty(); ++i) receiver_->OnSocketEvent(kSocketRead, 0);
  }

 private:
  SocketReceiver* receiver_ = nullptr;
  std::deque<uint8_t> injected_;
};

// Files the pages open, and the port directory with COM1, made once per process.
struct Fixtures {
  Fixtures() {
    std::string pattern = (std::filesystem::temp_directory_path() / "velantor-fuzz-XXXXXX").string();
    root = ::mkdtemp(pattern.data());
    std::filesystem::create_directories(root / "sys/class/tty");
    std::filesystem::create_directories(root / "dev");
    std::ofstream(root / "dev" / "ttyVEL0") << "";
    std::vector<uint8_t> edid(256, 0);
    const uint8_t header[] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
    std::copy(std::begin(header), std::end(header), edid.begin());
    edid[126] = 1;
    for (size_t base : {size_t{0}, size_t{128}}) {
      uint8_t sum = 0;
      for (size_t i = base; i < base + 127; ++i) sum = static_cast<uint8_t>(sum + edid[i]);
      edid[base + 127] = static_cast<uint8_t>(0 - sum);
    }
    edidPath = (root / "sample.bin").string();
    std::ofstream(edidPath, std::ios::binary).write(reinterpret_cast<const char*>(edid.data()), 256);
    // A firmware file with a slave and an IR part of three blocks each.
    std::vector<FirmwareSection> sections{{2, std::vector<uint8_t>(600, 0x11)}, {3, std::vector<uint8_t>(700, 0x22)}};
    auto assembly = AssembleFirmware(sections);
    ScrambleFirmware(assembly.plain);
    firmwarePath = (root / "parts.fw").string();
    std::ofstream(firmwarePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(assembly.plain.data()), static_cast<long>(assembly.plain.size()));
  }
  ~Fixtures() { std::filesystem::remove_all(root); }
  std::filesystem::path root;
  std::string edidPath;
  std::string firmwarePath;
};

const Fixtures& Files() {
  static Fixtures fixtures;
  return fixtures;
}

// The factory state of the switcher (its EDIDs take a while to build), made once and copied.
const sim::DeviceState& FactoryState() {
  static const sim::DeviceState state = sim::MakeDeviceState();
  return state;
}

class Shell {
 public:
  Shell()
      : directory((Files().root / "sys").string(), (Files().root / "dev").string()),
        model(loop, FactoryState()),
        socket(loop, model),
        table(shared) {
    shared.PageSocket = &socket;
    directory.AddPath((Files().root / "dev" / "ttyVEL0").string());
    for (auto& port : ports) port = std::make_unique<FuzzSerialLink>(loop, model);
    FillPageTable(table, {loop, shared, directory, [this](int page) -> SerialLink& { return Port(page); }});
    main = std::make_unique<CMainDialog>(loop, shared, table.MainWindowFactory());
  }

  FuzzSerialLink& Port(int page) { return *ports[static_cast<size_t>(page - 1) % ports.size()]; }

  void Link(bool tcp) {
    auto& general = dynamic_cast<CGeneralPage&>(*main->Page(kPageGeneral));
    if (tcp) {
      general.OnTcpMode();
      general.OnAddressEdited("127.0.0.1");
      general.OnTcpConnect();
    } else {
      general.OnComConnect();
    }
    loop.Advance(2000);
    tcp_ = tcp;
  }
  void Choose(int page) {
    main->OnHeaderClick(page);
    loop.Advance(200);
  }
  void Receive(std::span<const uint8_t> bytes) {
    if (tcp_) {
      socket.Inject(bytes);
    } else {
      Port(shared.CurrentPage).Inject(bytes);
    }
    loop.RunPending();
  }
  // The last frame the panel sent, or an empty frame.
  CommandFrame LastSent() const {
    const auto& entries = model.Log().Entries();
    auto last = std::find_if(entries.rbegin(), entries.rend(), [](const sim::TranscriptEntry& e) {
      return e.direction == sim::Direction::kIn && e.kind == sim::PayloadKind::kFrame;
    });
    CommandFrame f;
    if (last != entries.rend() && last->bytes.size() >= kFrameSize) f = CommandFrame::FromBytes(last->bytes.data());
    return f;
  }
  void Act(int action);

  VirtualEventLoop loop;
  SharedState shared;
  PortDirectory directory;
  sim::DeviceModel model;
  std::array<std::unique_ptr<FuzzSerialLink>, 4> ports;
  FuzzCommandSocket socket;
  PageTable table;
  std::unique_ptr<CMainDialog> main;

 private:
  template <class Page>
  Page* Current() {
    return dynamic_cast<Page*>(main->Page(shared.CurrentPage));
  }
  bool tcp_ = false;
};

// The actions that start exchanges and chains on each page; `a` picks one and its arguments.
void Shell::Act(int a) {
  if (auto* g = Current<CGeneralPage>()) {
    const std::function<void()> acts[] = {
        [&] { g->RequestStatus(); },      [&] { g->OnBeepCheck(); },          [&] { g->OnIrCheck(); },
        [&] { g->OnBorderCheck(); },      [&] { g->OnModeCheck(1 + a % 3); }, [&] { g->OnInputCheck(1 + a % 4); },
        [&] { g->OnFactoryReset(); },     [&] { g->OnLayoutSelChange(a % 4); }, [&] { g->OnAudioSelChange(a % 4); },
    };
    acts[static_cast<size_t>(a) % std::size(acts)]();
  } else if (auto* e = Current<CEdidPage>()) {
    const std::function<void()> acts[] = {
        [&] { e->OnSetMode(); },  [&] { e->OnCopy(); }, [&] { e->OnStatus(); },
        [&] { e->OnRead(); },     [&] { e->OnOpenFile(Files().edidPath); }, [&] { e->OnDownload(); },
        [&] { e->OnReadSourceSelChange(a % 6); },  [&] { e->OnSetTargetSelChange(a % 5); },
    };
    acts[static_cast<size_t>(a) % std::size(acts)]();
  } else if (auto* m = Current<CMatrixPage>()) {
    const std::function<void()> acts[] = {
        [&] { m->OnInputButton(1 + a % 4, 1 + (a / 4) % 4); }, [&] { m->OnAllButton(); },
        [&] { m->OnTypeButton(1 + a % 4, 1 + a % 3); },       [&] { m->OnAutoButton(1 + a % 4); },
        [&] { m->OnScalerButton(1 + a % 4); },                [&] { m->OnSwitchModeSelChange(1 + a % 4, a % 3); },
        [&] { m->OnSceneClick(a % 4); },                      [&] { m->OnSceneSet(); },
        [&] { m->OnNext(1 + a % 4); },
    };
    acts[static_cast<size_t>(a) % std::size(acts)]();
  } else if (auto* u = Current<CUpgradePage>()) {
    const std::function<void()> acts[] = {
        [&] { u->OnOpenFile(Files().firmwarePath); }, [&] { u->OnUpgrade(); },
        [&] { u->OnPromptAnswer(a % 2 == 0); },      [&] { u->OnClear(); },
    };
    acts[static_cast<size_t>(a) % std::size(acts)]();
  }
}

}  // namespace
}  // namespace velantor::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace velantor;
  using namespace velantor::fuzz;
  FuzzInput in(data, size);
  const uint8_t setup = in.Byte();
  Shell shell;
  shell.Link((setup & 4) != 0);
  shell.Choose(1 + (setup & 3));
  while (!in.Done()) {
    const uint8_t c = in.Byte();
    const int a = c & 0x1F;
    switch (c >> 5) {
      case 0:
      case 1:
        shell.Receive(in.Take(static_cast<size_t>(a) + 1));
        break;
      case 2:
      case 3: {
        CommandFrame f;
        auto body = in.Take(10);
        std::copy(body.begin(), body.end(), f.bytes.begin() + 2);
        SealFrame(f);
        shell.Receive(f.bytes);
        break;
      }
      case 4: {
        CommandFrame f = shell.LastSent();
        const uint8_t mask = in.Byte();
        for (int bit = 0; bit < 8; ++bit) {
          if (mask & (1 << bit)) f[static_cast<size_t>(4 + bit)] = in.Byte();
        }
        SealFrame(f);
        shell.Receive(f.bytes);
        break;
      }
      case 5:
        shell.loop.Advance(a == 31 ? 12000 : a * 25);
        break;
      case 6:
        shell.Act(a);
        break;
      default:
        if (a < 4) {
          shell.Choose(a + 1);
        } else {
          shell.shared.Message.Close();
        }
        break;
    }
  }
  // Whatever the input started ends with a clear outcome: no exchange still holds the headers
  // once its time-outs have passed (30 s covers the longest chain) and the message is closed.
  // Time stops as soon as the headers are free, so a polling page does not poll for 30 s.
  for (int waited = 0; waited < 30000 && !shell.main->HeadersEnabled(); waited += 250) {
    shell.loop.Advance(250);
    shell.shared.Message.Close();
  }
  if (!shell.main->HeadersEnabled()) {
    std::fprintf(stderr, "headers still disabled on page %d after every time-out\n", shell.shared.CurrentPage);
    __builtin_trap();
  }
  return 0;
}
