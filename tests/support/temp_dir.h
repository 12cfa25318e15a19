// Test helper: a fresh directory under the test temp folder, removed with everything in it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace velantor::testing {

class ScratchDir {
 public:
  explicit ScratchDir(const std::string& prefix = "velantor") {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/" + prefix + ".XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = pattern + "/";
  }
  ~ScratchDir() {
    if (!path_.empty()) std::filesystem::remove_all(path_);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  bool ok() const { return !path_.empty(); }
  // The directory with its trailing separator.
  const std::string& path() const { return path_; }
  // Writes `bytes` to a file of that name in the directory and returns its path.
  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
    std::ofstream(path_ + name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path_ + name;
  }

 private:
  std::string path_;
};

}  // namespace velantor::testing
