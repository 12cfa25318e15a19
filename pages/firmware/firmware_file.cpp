#include "pages/firmware/firmware_file.h"

#include <algorithm>
#include <cstdio>

#include "app/file_access.h"

namespace velantor {

namespace {

constexpr FirmwarePartInfo kParts[kFirmwarePartCount] = {
    {1, {0xA5, 0x5A}, "main MCU"},
    {2, {0xA4, 0x5B}, "slave MCU1"},
    {3, {0xA3, 0x5C}, "IR MCU2"},
    {4, {0xA2, 0x5D}, "panel MCU3"},
};

std::string Hex2(uint8_t value) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", value);
  return text;
}

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

FirmwareLoadResult Refuse(FirmwareFileError error, std::string reason) {
  FirmwareLoadResult result;
  result.error = error;
  result.reason = std::move(reason);
  return result;
}

FirmwareLoadResult EmptySection(const FirmwarePart& p, bool atEnd) {
  return Refuse(FirmwareFileError::kEmptySection,
                std::string("The ") + FindPartInfo(p.part)->name + " section at offset " +
                    std::to_string(p.markerOffset) + " holds no image: its marker is followed directly by " +
                    (atEnd ? "the end of the file." : "the next section's marker."));
}

}  // namespace

const FirmwarePartInfo* FindPartInfo(int part) {
  return part >= 1 && part <= kFirmwarePartCount ? &kParts[part - 1] : nullptr;
}

int PartOfMarker(uint8_t first, uint8_t second) {
  for (const FirmwarePartInfo& info : kParts) {
    if (info.marker[0] == first && info.marker[1] == second) return info.part;
  }
  return 0;
}

uint8_t FirmwareMask(size_t streamLength) { return static_cast<uint8_t>((streamLength & 0xFF) ^ kFirmwareKey); }

void ScrambleFirmware(std::span<uint8_t> stream) {
  const uint8_t mask = FirmwareMask(stream.size());
  for (uint8_t& b : stream) b ^= mask;
}

FirmwareAssembly AssembleFirmware(std::span<const FirmwareSection> sections) {
  FirmwareAssembly result;
  size_t total = 0;
  int previous = 0;
  for (const FirmwareSection& s : sections) {
    const FirmwarePartInfo* info = FindPartInfo(s.part);
    if (!info) {
      result.error = "There is no firmware part " + std::to_string(s.part) + "; parts are numbered 1 to 4.";
      return result;
    }
    if (s.part <= previous) {
      result.error = std::string("The ") + info->name + " image comes after the " + FindPartInfo(previous)->name +
                     " image; a firmware file holds them in the order main, slave, IR, panel, each once.";
      return result;
    }
    if (s.image.empty()) {
      result.error = std::string("The ") + info->name + " image is empty.";
      return result;
    }
    if (s.image.size() > kMcuImageLimit) {
      result.error = std::string("The ") + info->name + " image is " + std::to_string(s.image.size()) +
                     " bytes long; an image may hold at most " + std::to_string(kMcuImageLimit) + " bytes.";
      return result;
    }
    previous = s.part;
    total += kFirmwareMarkerSize + s.image.size();
  }
  if (total > kFirmwareFileLimit) {
    result.error = "The firmware file would be " + std::to_string(total) + " bytes long; it may hold at most " +
                   std::to_string(kFirmwareFileLimit) + " bytes.";
    return result;
  }
  result.plain.reserve(total);
  for (const FirmwareSection& s : sections) {
    const uint8_t* marker = FindPartInfo(s.part)->marker;
    result.plain.insert(result.plain.end(), marker, marker + kFirmwareMarkerSize);
    result.plain.insert(result.plain.end(), s.image.begin(), s.image.end());
  }
  return result;
}

size_t FindLaterMarker(std::span<const uint8_t> plain, int part, size_t from) {
  for (size_t p = from; p + 1 < plain.size(); ++p) {
    if (PartOfMarker(plain[p], plain[p + 1]) > part) return p;
  }
  return kNoMarker;
}

size_t FindPartEnd(std::span<const uint8_t> plain, int part, size_t markerOffset) {
  if (part == 1 || part == kFirmwarePartCount) return plain.size();
  const size_t end = FindLaterMarker(plain, part, markerOffset + kFirmwareMarkerSize);
  return end == kNoMarker ? plain.size() : end;
}

size_t FindImagesAfterMain(std::span<const uint8_t> plain) {
  if (plain.size() < 2 || PartOfMarker(plain[0], plain[1]) != 1) return kNoMarker;
  const size_t size = plain.size();
  // nextAfter[q][i]: the first offset >= i where a part after q begins (size when none), so each
  // reading of the rest takes a few steps, however many marker bytes the image holds.
  std::vector<size_t> after2(size + 1, size), after3(size + 1, size);
  for (size_t i = size; i-- > 0;) {
    const int part = i + 1 < size ? PartOfMarker(plain[i], plain[i + 1]) : 0;
    after3[i] = part == 4 ? i : after3[i + 1];
    after2[i] = part == 3 || part == 4 ? i : after2[i + 1];
  }
  auto endOf = [&](int part, size_t dataBegin) {
    if (part == kFirmwarePartCount) return size;
    return dataBegin >= size ? size : (part == 2 ? after2 : after3)[dataBegin];
  };
  const size_t lastSplit = std::min(size - 1, kFirmwareMarkerSize + kMcuImageLimit + 1);
  for (size_t split = kFirmwareMarkerSize + 1; split < lastSplit; ++split) {
    int previous = 1;
    for (size_t at = split;;) {
      const int part = PartOfMarker(plain[at], plain[at + 1]);
      if (part <= previous) break;
      const size_t begin = at + kFirmwareMarkerSize;
      const size_t end = endOf(part, begin);
      if (end <= begin || end - begin > kMcuImageLimit) break;
      if (end == size) return split;
      at = end;
      previous = part;
    }
  }
  return kNoMarker;
}

bool HasFirmwareExtension(const std::string& path) { return EndsWith(path, ".fw") || EndsWith(path, ".BIN"); }

FirmwareLoadResult ParseFirmware(std::span<const uint8_t> fileBytes, const std::string& path) {
  if (fileBytes.size() > kFirmwareFileLimit) {
    return Refuse(FirmwareFileError::kTooLarge, "The file is " + std::to_string(fileBytes.size()) +
                                                    " bytes long; a firmware file holds at most " +
                                                    std::to_string(kFirmwareFileLimit) + " bytes.");
  }
  if (fileBytes.size() <= kFirmwareMarkerSize) {
    return Refuse(FirmwareFileError::kTruncated,
                  "The file is " + std::to_string(fileBytes.size()) +
                      " bytes long; a firmware file holds at least a two-byte marker and one byte of image.");
  }
  FirmwareFile file;
  file.path = path;
  file.image.assign(fileBytes.begin(), fileBytes.end());
  ScrambleFirmware(file.image);
  const std::span<const uint8_t> plain = file.image;
  if (PartOfMarker(plain[0], plain[1]) == 0) {
    return Refuse(FirmwareFileError::kMarker,
                  "The file does not start with a firmware section marker (it starts " + Hex2(plain[0]) + " " +
                      Hex2(plain[1]) + " once unscrambled): it is damaged or was not written for this program.");
  }
  // Each part ends where the next begins, so the first marker and the part ends are all there is.
  for (size_t offset = 0; offset < plain.size();) {
    FirmwarePart p;
    p.part = PartOfMarker(plain[offset], plain[offset + 1]);
    p.markerOffset = offset;
    p.dataBegin = offset + kFirmwareMarkerSize;
    p.dataEnd = FindPartEnd(plain, p.part, offset);
    if (p.dataEnd <= p.dataBegin) return EmptySection(p, p.dataEnd == plain.size());
    file.parts.push_back(p);
    offset = p.dataEnd;
  }
  FirmwareLoadResult result;
  result.file = std::move(file);
  return result;
}

FirmwareLoadResult LoadFirmwareFile(const std::string& path) {
  if (!HasFirmwareExtension(path)) {
    return Refuse(FirmwareFileError::kExtension, path + " is not a firmware file: its name ends neither in .fw nor in .BIN.");
  }
  DiskRead read = ReadBoundedFile(path, kFirmwareFileLimit);
  switch (read.status) {
    case DiskRead::Status::kOk:
      return ParseFirmware(read.bytes, path);
    case DiskRead::Status::kOpen:
      return Refuse(FirmwareFileError::kOpen, std::move(read.reason));
    case DiskRead::Status::kRead:
      return Refuse(FirmwareFileError::kRead, std::move(read.reason));
    case DiskRead::Status::kTooLarge:
      break;
  }
  return Refuse(FirmwareFileError::kTooLarge, std::move(read.reason));
}

}  // namespace velantor
