// CUpgradePage, the entry query: device type, size and version asked one after the other when the
// page is chosen, and the device line built from the answers ("Device: HDMI MATRIX 4x4" and the
// version). Each question is asked once more after 3 s and given up after 3 s more.
#include "link/protocol.h"
#include "pages/firmware/upgrade_page.h"

namespace velantor {

namespace {
namespace p = protocol;
constexpr int kQueryMs = 3000;
constexpr uint8_t kQuerySubs[] = {p::kSubDeviceType, p::kSubMatrixSize, p::kSubFirmwareVersion};
constexpr const char* kVersionGap = "          ";  // ten spaces between the device and the version
}  // namespace

void CUpgradePage::StartDeviceQuery() {
  Exchange query;
  query.id = kDeviceQuery;
  for (uint8_t sub : kQuerySubs) {
    query.steps.push_back(ExchangeStep::Frame(FirmwareDeviceQuery(sub), {p::kOpDeviceInfo, sub}, kTimerQueryRetry,
                                              kTimerQueryTimeout, kQueryMs, kQueryMs));
  }
  query.onReply = [this](const CommandFrame& f, size_t index) { return OnDeviceReply(f, index); };
  standbyOpen_ = true;
  runner_.Start(std::move(query));
}

// The line is built afresh from the type each time, so answers that come twice do not pile up.
ReplyVerdict CUpgradePage::OnDeviceReply(const CommandFrame& f, size_t index) {
  const int a = f[p::kByteValue];
  const int b = f[p::kBytePort];
  if (index == 0) {
    if (const char* name = p::DeviceTypeName(a); *name != '\0') deviceType_ = name;  // others keep the old
  } else if (index == 1) {
    deviceText_ = "Device: " + deviceType_ + " " + std::to_string(a) + "x" + std::to_string(b);
    statusDevice_ = deviceType_ + " " + std::to_string(a) + "X" + std::to_string(b);
  } else {
    const std::string version = std::to_string(a) + "." + std::to_string(b);
    statusVersion_ = version;
    view_.deviceLine = deviceText_ + kVersionGap + "Version: " + version;
    view_.deviceLineCurrent = true;
    // The status line names the switcher as the General page does, also for a panel started here
    // and after the reboot of a write, when the version may have changed.
    shared_.Link.SetDevice(statusDevice_ + "  v" + version);
  }
  return ReplyVerdict::kAccept;
}

}  // namespace velantor
