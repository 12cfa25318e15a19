// The program-wide window messages between the pages, the port workers and the main window.
#pragma once

namespace velantor {

constexpr unsigned WM_PAGE_BUSY = 0x419;       // wParam 1 disable, 0 enable the page headers
constexpr unsigned kMsgLinkNotice = 0x41D;     // wParam 3 serial failure, 1 show configuring
constexpr unsigned kMsgNetworkNotice = 0x41E;  // wParam 1 configuration confirmed, 2 search answer

constexpr int kLinkNoticeConfiguring = 1;
constexpr int kLinkNoticeSerialFailure = 3;
constexpr int kNetworkConfirmed = 1;
constexpr int kNetworkSearchAnswer = 2;

// Page numbers as the shell counts them.
constexpr int kPageGeneral = 1;
constexpr int kPageEdid = 2;
constexpr int kPageMatrix = 3;
constexpr int kPageFirmware = 4;

// How pages reach the main window: messages are posted, so they are handled after the
// sender's handler has returned.
class MainWindowPort {
 public:
  virtual ~MainWindowPort() = default;
  virtual void PostMainMessage(unsigned message, int wParam) = 0;
};

}  // namespace velantor
