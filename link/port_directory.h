// The COM1..COM19 numbers of the panel mapped to Linux device paths. Real devices are found in
// sysfs without opening them (opening toggles DTR on whatever is attached); paths the program
// adds itself (the emulator's pseudo-terminal, a path from the command line) join them. A path
// keeps its number for the whole run, so a re-plugged adapter comes back under the same COM name.
#pragma once

#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace velantor {

class PortDirectory {
 public:
  static constexpr int kMaxNumber = 19;

  // Scans at once. The roots are injectable so tests can build a fake tree.
  explicit PortDirectory(std::string sysfsRoot = "/sys", std::string devRoot = "/dev");

  // Adds a path that sysfs never lists. Returns its number, or 0 when the path is empty or all
  // numbers are taken. Adding a known path returns the number it already has.
  int AddPath(const std::string& path);

  // Re-reads sysfs and checks the added paths; only directory reads, no device is opened.
  void Rescan();

  // Numbers of the devices present at the last scan, ascending.
  std::vector<int> PresentNumbers() const;
  bool IsPresent(int number) const;
  // "" when the number stands for no path.
  std::string PathFor(int number) const;
  // 0 when the path has no number.
  int NumberFor(const std::string& path) const;
  // What the number stands for, for the user: "COM3 — /dev/ttyUSB0 (usb-FTDI_...)".
  std::string Describe(int number) const;

  // Why the last open of a number failed ("" after a successful open).
  void SetLastError(int number, const std::string& reason);
  std::string LastError(int number) const;

  // The user's text for an errno of open() (or of taking the port exclusively), with the path.
  static std::string OpenFailureReason(int errnoValue, const std::string& path);

 private:
  struct Slot {
    std::string path;  // empty: number free
    bool present = false;
    bool added = false;  // given by the program rather than found in sysfs
    std::string lastError;
  };

  static bool ValidNumber(int number) { return number >= 1 && number <= kMaxNumber; }
  // The slot of `path`, given the lowest free number when it is new; nullptr when all are taken.
  Slot* Assign(const std::string& path);
  Slot* Find(int number);
  const Slot* Find(int number) const;
  std::vector<std::string> ListSysfsDevices() const;
  static bool IsRealPort(const std::filesystem::path& entry, const std::string& name,
                         const std::filesystem::path& virtualDir);
  std::string ByIdName(const std::string& path) const;

  std::string sysfsRoot_;
  std::string devRoot_;
  // Fixed for the run; the rescan twice a second reads them.
  std::filesystem::path ttyClassDir_;
  std::filesystem::path byIdDir_;
  std::filesystem::path virtualDir_;
  std::array<Slot, kMaxNumber> slots_;
  mutable std::map<std::string, bool> verdicts_;  // sysfs entry name -> is a real port
};

}  // namespace velantor
