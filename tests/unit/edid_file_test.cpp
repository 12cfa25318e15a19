// EDID files: what loading accepts and refuses (with its messages), safe saving, the data block.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "pages/edid/edid_file.h"
#include "sim/edid_data.h"
#include "support/bytes.h"

namespace velantor {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;
using testing::Hex;
using testing::HexText;

void Seal(Bytes& e, size_t base) {
  uint8_t sum = 0;
  for (size_t i = base; i < base + 127; ++i) sum = static_cast<uint8_t>(sum + e[i]);
  e[base + 127] = static_cast<uint8_t>(0 - sum);
}

// A valid EDID of `size` bytes; a 256-byte one carries one extension block.
Bytes ValidEdid(size_t size, uint8_t fill = 0x11) {
  Bytes e(size, fill);
  const Bytes header = Hex("00 FF FF FF FF FF FF 00");
  std::copy(header.begin(), header.end(), e.begin());
  e[126] = size == 256 ? 1 : 0;
  Seal(e, 0);
  if (size == 256) Seal(e, 128);
  return e;
}

class EdidFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/edid_file_test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Write(const Bytes& bytes, const std::string& name = "edid.bin") {
    std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return dir / name;
  }
  Bytes Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
    return names;
  }
  fs::path dir;
};

TEST_F(EdidFileTest, AcceptsABaseBlockAloneAndABaseBlockWithOneExtension) {
  EdidLoadResult small = LoadEdidFile(Write(ValidEdid(128)));
  ASSERT_TRUE(small.file) << small.reason;
  EXPECT_EQ(small.file->EdidLength(), 128u);
  EXPECT_EQ(small.file->bytes[128], 0x00) << "nothing beyond the file is carried";
  EXPECT_TRUE(small.message.empty());

  EdidLoadResult full = LoadEdidFile(Write(ValidEdid(256, 0x22)));
  ASSERT_TRUE(full.file) << full.reason;
  EXPECT_EQ(full.file->EdidLength(), 256u);
  EXPECT_EQ(full.file->bytes[200], 0x22);
  EXPECT_EQ(full.file->path, (dir / "edid.bin").string());
}

TEST_F(EdidFileTest, EveryRefusalSaysSelectTheCorrectFileAndNamesItsReason) {
  struct Case {
    const char* what;
    Bytes bytes;
    EdidFileError error;
    const char* reason;
  };
  Bytes badHeader = ValidEdid(128), badBase = ValidEdid(256), badExtension = ValidEdid(256);
  Bytes twoExtensions = ValidEdid(256), missingExtension = ValidEdid(128);
  badHeader[7] = 0x01;
  badBase[127] = static_cast<uint8_t>(badBase[127] + 1);
  badExtension[255] ^= 0x80;
  twoExtensions[126] = 2;
  missingExtension[126] = 1;
  Seal(missingExtension, 0);
  const Case cases[] = {
      {"one byte short", Bytes(127), EdidFileError::kSize, "The file is 127 bytes long; an EDID file holds 128 or"},
      {"one byte long", Bytes(257), EdidFileError::kSize, "The file is 257 bytes long"},
      {"header", badHeader, EdidFileError::kHeader, "header 00 FF FF FF FF FF FF 00"},
      {"base sum", badBase, EdidFileError::kBaseChecksum, "bytes 0 to 127 add up to 0x01 instead of 0x00"},
      {"extension sum", badExtension, EdidFileError::kExtensionChecksum, "bytes 128 to 255 add up to 0x80"},
      {"two extensions", twoExtensions, EdidFileError::kTooManyExtensions, "announces 2 extension blocks"},
      {"missing extension", missingExtension, EdidFileError::kMissingExtension, "holds only the 128-byte base"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EdidLoadResult result = LoadEdidFile(Write(c.bytes));
    EXPECT_FALSE(result.file);
    EXPECT_EQ(result.error, c.error);
    EXPECT_EQ(result.message, "Please select the correct EDID file!");
    EXPECT_NE(result.reason.find(c.reason), std::string::npos) << result.reason;
  }
}

TEST_F(EdidFileTest, RefusesWhatIsNotARegularReadableFileWithoutBlocking) {
  EXPECT_EQ(LoadEdidFile((dir / "absent.bin").string()).error, EdidFileError::kOpen);
  EXPECT_EQ(LoadEdidFile(dir.string()).error, EdidFileError::kOpen);
  ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_EQ(LoadEdidFile((dir / "pipe").string()).error, EdidFileError::kOpen);

  const std::string huge = Write(ValidEdid(256));
  fs::resize_file(huge, 10 * 1024 * 1024);
  EdidLoadResult result = LoadEdidFile(huge);
  EXPECT_EQ(result.reason, "The file is 10485760 bytes long; an EDID file holds 128 or 256 bytes.");
}

TEST_F(EdidFileTest, SavingWritesTheBytesAndKeepsTheFilesPermissions) {
  const std::string path = Write(Bytes(10, 0xEE));
  chmod(path.c_str(), 0640);
  const Bytes edid = ValidEdid(256);
  EdidSaveResult result = SaveEdidFile(path, std::span<const uint8_t, 256>(edid.data(), 256));
  ASSERT_TRUE(result.ok) << result.reason;
  EXPECT_EQ(Read(path), edid);
  EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(Names(), std::vector<std::string>{"edid.bin"});
}

TEST_F(EdidFileTest, ASaveThatFailsHalfwayLeavesTheOldFileIntactAndNoLeftovers) {
  const Bytes old = ValidEdid(256, 0x33);
  const std::string path = Write(old);
  const Bytes edid = ValidEdid(256, 0x44);
  // A file size limit makes the write stop after 100 bytes, whoever runs the test.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 100;
  auto oldHandler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EdidSaveResult result = SaveEdidFile(path, std::span<const uint8_t, 256>(edid.data(), 256));
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);

  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Save EDID file failed!");
  EXPECT_NE(result.reason.find("File too large"), std::string::npos) << result.reason;
  EXPECT_EQ(Read(path), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"edid.bin"});
}

TEST(EdidDataBlock, IsALeadZeroThe256EdidBytesAnd33Zeros) {
  Bytes edid = ValidEdid(128, 0x00);
  edid[8] = 0x59;  // a few known bytes in an otherwise empty base block
  edid[9] = 0x94;
  Seal(edid, 0);
  ASSERT_EQ(edid[127], 0x19);
  EdidLoadResult loaded = CheckEdidFileBytes(edid);
  ASSERT_TRUE(loaded.file);
  const EdidDataBlock block = BuildEdidDataBlock(*loaded.file);
  EXPECT_EQ(HexText(block.data(), 11), "00 00 FF FF FF FF FF FF 00 59 94");
  EXPECT_EQ(block[128], 0x19) << "the base block's checksum byte";
  EXPECT_EQ(Bytes(block.begin() + 129, block.end()), Bytes(161, 0x00)) << "128 empty extension bytes, 33 zeros";
}

TEST(EdidDataBlock, CarriesTheExtensionAndIsWhatTheEmulatorAccepts) {
  const Bytes edid = ValidEdid(256, 0x5A);
  const EdidDataBlock block = BuildEdidDataBlock(*CheckEdidFileBytes(edid).file);
  EXPECT_EQ(Bytes(block.begin() + 1, block.begin() + 257), edid);
  EXPECT_EQ(sim::CheckEdidBlock(block.data(), block.size()).reason, "");
}

}  // namespace
}  // namespace velantor
