#include "link/port_directory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <utility>

namespace velantor {
namespace fs = std::filesystem;

namespace {

// Device names whose sysfs entry alone proves a real port (USB serial adapters and modems).
constexpr const char* kAlwaysRealPrefixes[] = {"ttyUSB", "ttyACM"};

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// Orders ttyS2 before ttyS10: name stem first, then the number at its end.
std::pair<std::string, long> NaturalKey(const std::string& name) {
  size_t digits = name.size();
  while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
  if (digits == name.size() || name.size() - digits > 9) return {name, -1};
  return {name.substr(0, digits), std::stol(name.substr(digits))};
}

// A built-in UART slot that the kernel found no chip behind reports type 0 (PORT_UNKNOWN).
bool UartIsReal(const fs::path& entry) {
  std::ifstream in(entry / "type");
  int type = 0;
  return in && (in >> type) && type != 0;
}

bool LiesUnder(const fs::path& path, const fs::path& dir) {
  auto p = path.begin();
  for (auto d = dir.begin(); d != dir.end(); ++d, ++p) {
    if (p == path.end() || *p != *d) return false;
  }
  return true;
}

// Where sysfs keeps devices without hardware (consoles, pseudo-terminals); it never moves.
fs::path VirtualDevicesDir(const std::string& sysfsRoot) {
  std::error_code ec;
  return fs::weakly_canonical(fs::path(sysfsRoot) / "devices" / "virtual", ec);
}

bool Exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

struct ErrnoText {
  int errnoValue;
  const char* text;
};
constexpr ErrnoText kOpenFailures[] = {
    {ENOENT, "no such device (unplugged?)"},
    {ENODEV, "no such device (unplugged?)"},
    {ENXIO, "no such device (unplugged?)"},
    {EACCES,
     "permission denied: join the dialout group (sudo usermod -aG dialout $USER) and log in again"},
    {EPERM,
     "permission denied: join the dialout group (sudo usermod -aG dialout $USER) and log in again"},
    {EBUSY, "busy: another program holds the port"},
    {EWOULDBLOCK, "busy: another program holds the port"},  // its lock is taken
    {ENOTTY, "not a serial device"},
};

}  // namespace

PortDirectory::PortDirectory(std::string sysfsRoot, std::string devRoot)
    : sysfsRoot_(std::move(sysfsRoot)),
      devRoot_(std::move(devRoot)),
      ttyClassDir_(fs::path(sysfsRoot_) / "class" / "tty"),
      byIdDir_(fs::path(devRoot_) / "serial" / "by-id"),
      virtualDir_(VirtualDevicesDir(sysfsRoot_)) {
  Rescan();
}

PortDirectory::Slot* PortDirectory::Find(int number) {
  return ValidNumber(number) && !slots_[number - 1].path.empty() ? &slots_[number - 1] : nullptr;
}

const PortDirectory::Slot* PortDirectory::Find(int number) const {
  return const_cast<PortDirectory*>(this)->Find(number);
}

PortDirectory::Slot* PortDirectory::Assign(const std::string& path) {
  Slot* free = nullptr;
  for (Slot& slot : slots_) {
    if (slot.path == path) return &slot;
    if (slot.path.empty() && !free) free = &slot;
  }
  if (free) free->path = path;
  return free;
}

int PortDirectory::AddPath(const std::string& path) {
  if (path.empty()) return 0;
  Slot* slot = Assign(path);
  if (!slot) return 0;
  slot->added = true;
  slot->present = Exists(path);
  return static_cast<int>(slot - slots_.data()) + 1;
}

bool PortDirectory::IsRealPort(const fs::path& entry, const std::string& name, const fs::path& virtualDir) {
  // Consoles, pseudo-terminals and the like have no device behind them, or a virtual one.
  std::error_code linkError;
  const fs::path device = fs::canonical(entry / "device", linkError);
  if (linkError || LiesUnder(device, virtualDir)) return false;
  bool alwaysReal = false;
  for (const char* prefix : kAlwaysRealPrefixes) alwaysReal = alwaysReal || StartsWith(name, prefix);
  return alwaysReal || !StartsWith(name, "ttyS") || UartIsReal(entry);
}

std::vector<std::string> PortDirectory::ListSysfsDevices() const {
  std::vector<std::string> names;
  std::error_code ec;
  // An entry's verdict holds while the entry exists, so each name is judged once; the rescan
  // twice a second then costs one directory read instead of a walk through every device link.
  std::map<std::string, bool> seen;
  for (fs::directory_iterator it(ttyClassDir_, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path entry = it->path();
    const std::string name = entry.filename().string();
    auto known = verdicts_.find(name);
    const bool real = known != verdicts_.end() ? known->second : IsRealPort(entry, name, virtualDir_);
    seen[name] = real;
    if (real) names.push_back(name);
  }
  verdicts_ = std::move(seen);
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return NaturalKey(a) < NaturalKey(b); });
  return names;
}

void PortDirectory::Rescan() {
  for (Slot& slot : slots_) {
    if (!slot.path.empty()) slot.present = slot.added && Exists(slot.path);
  }
  for (const std::string& name : ListSysfsDevices()) {
    if (Slot* slot = Assign((fs::path(devRoot_) / name).string())) slot->present = true;
  }
}

std::vector<int> PortDirectory::PresentNumbers() const {
  std::vector<int> numbers;
  for (int n = 1; n <= kMaxNumber; ++n) {
    if (IsPresent(n)) numbers.push_back(n);
  }
  return numbers;
}

bool PortDirectory::IsPresent(int number) const {
  const Slot* slot = Find(number);
  return slot && slot->present;
}

std::string PortDirectory::PathFor(int number) const {
  const Slot* slot = Find(number);
  return slot ? slot->path : std::string();
}

int PortDirectory::NumberFor(const std::string& path) const {
  if (path.empty()) return 0;
  for (int n = 1; n <= kMaxNumber; ++n) {
    if (slots_[n - 1].path == path) return n;
  }
  return 0;
}

// The stable name udev gives a USB adapter (maker, model, serial number), when it has one.
std::string PortDirectory::ByIdName(const std::string& path) const {
  // Without USB adapters there is no by-id directory, and nothing to resolve.
  std::error_code ec;
  fs::path target;
  for (fs::directory_iterator it(byIdDir_, ec), end; !ec && it != end; it.increment(ec)) {
    if (target.empty()) {
      std::error_code pathError;
      target = fs::weakly_canonical(path, pathError);
      if (pathError || target.empty()) return {};
    }
    std::error_code linkError;
    if (fs::canonical(it->path(), linkError) == target && !linkError) {
      return it->path().filename().string();
    }
  }
  return {};
}

std::string PortDirectory::Describe(int number) const {
  std::string text = "COM" + std::to_string(number) + " — ";
  const Slot* slot = Find(number);
  if (!slot) return text + "no device";
  text += slot->path;
  if (!slot->present) return text + " (not present)";
  const std::string byId = ByIdName(slot->path);
  if (!byId.empty()) text += " (" + byId + ")";
  return text;
}

void PortDirectory::SetLastError(int number, const std::string& reason) {
  if (ValidNumber(number)) slots_[number - 1].lastError = reason;
}

std::string PortDirectory::LastError(int number) const {
  return ValidNumber(number) ? slots_[number - 1].lastError : std::string();
}

std::string PortDirectory::OpenFailureReason(int errnoValue, const std::string& path) {
  std::string text;
  for (const ErrnoText& known : kOpenFailures) {
    if (known.errnoValue == errnoValue) {
      text = known.text;
      break;
    }
  }
  if (text.empty()) text = std::strerror(errnoValue);
  return path.empty() ? text : path + ": " + text;
}

}  // namespace velantor
