#include "platform/sim/sim_system.h"

#include <cstring>

#include "platform/text_util.h"

namespace kl::platform {

SimOperatingSystem::SimOperatingSystem() : version_(windowsXp()) {
  memory_.memoryLoad = 37;
  memory_.totalPhys = 536330240ull;
  memory_.availPhys = memory_.totalPhys * 63 / 100;
  memory_.totalPageFile = 1289748480ull;
  memory_.availPageFile = 1000000000ull;
}

OsVersion SimOperatingSystem::windowsXp(const std::string& servicePack) {
  return OsVersion{kPlatformNt, 5, 1, 2600, servicePack};
}

OsVersion SimOperatingSystem::windows2000(const std::string& servicePack) {
  return OsVersion{kPlatformNt, 5, 0, 2195, servicePack};
}

// Block layout: "KLVB", then records of (u32 path length, path, u32 data
// length, u32 reported length, data), ending with a zero path length.
namespace {

void putWord(std::vector<std::uint8_t>& b, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t getWord(const std::vector<std::uint8_t>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

void putRecord(std::vector<std::uint8_t>& b, const std::string& path, const void* data,
               std::uint32_t size, std::uint32_t reported) {
  putWord(b, static_cast<std::uint32_t>(path.size()));
  b.insert(b.end(), path.begin(), path.end());
  putWord(b, size);
  putWord(b, reported);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  b.insert(b.end(), bytes, bytes + size);
}

}  // namespace

void FakeVersionResources::addFile(const std::string& file, const FakeVersionInfo& info) {
  std::vector<std::uint8_t> b = {'K', 'L', 'V', 'B'};
  if (info.hasFixedInfo) {
    FixedFileInfo fixed{};
    fixed.signature = kFixedFileInfoSignature;
    fixed.strucVersion = 0x00010000;
    fixed.fileVersionMS = fixed.productVersionMS = info.fileVersionMS;
    fixed.fileVersionLS = fixed.productVersionLS = info.fileVersionLS;
    putRecord(b, "\\", &fixed, sizeof fixed, sizeof fixed);
  }
  if (!info.translations.empty()) {
    std::vector<std::uint8_t> table;
    for (auto t : info.translations) putWord(table, t);
    putRecord(b, "\\VarFileInfo\\Translation", table.data(),
              static_cast<std::uint32_t>(table.size()), static_cast<std::uint32_t>(table.size()));
  }
  for (const auto& [path, text] : info.strings)
    putRecord(b, path, text.c_str(), static_cast<std::uint32_t>(text.size() + 1),
              static_cast<std::uint32_t>(text.size() + 1));
  putWord(b, 0);
  blocks_[foldCase(file)] = b;
}

void FakeVersionResources::addUnreadableFile(const std::string& file) {
  unreadable_[foldCase(file)] = 64;
}

std::uint32_t FakeVersionResources::infoSize(const std::string& file) {
  const auto it = blocks_.find(foldCase(file));
  if (it != blocks_.end()) return static_cast<std::uint32_t>(it->second.size());
  const auto bad = unreadable_.find(foldCase(file));
  return bad == unreadable_.end() ? 0 : bad->second;
}

bool FakeVersionResources::load(const std::string& file, std::vector<std::uint8_t>& block) {
  const auto it = blocks_.find(foldCase(file));
  if (it == blocks_.end() || block.size() < it->second.size()) return false;
  std::memcpy(block.data(), it->second.data(), it->second.size());
  return true;
}

bool FakeVersionResources::query(std::vector<std::uint8_t>& block, const std::string& subBlock,
                                 const std::uint8_t** data, std::uint32_t* length) {
  if (block.size() < 8 || std::memcmp(block.data(), "KLVB", 4) != 0) return false;
  for (std::size_t at = 4; at + 4 <= block.size();) {
    const std::uint32_t pathLen = getWord(block, at);
    if (pathLen == 0 || at + 12 + pathLen > block.size()) return false;
    const std::string path(block.begin() + at + 4, block.begin() + at + 4 + pathLen);
    const std::uint32_t size = getWord(block, at + 4 + pathLen);
    const std::uint32_t reported = getWord(block, at + 8 + pathLen);
    const std::size_t dataAt = at + 12 + pathLen;
    if (dataAt + size > block.size()) return false;
    if (equalsNoCase(path, subBlock)) {
      *data = block.data() + dataAt;
      *length = reported;
      return true;
    }
    at = dataAt + size;
  }
  return false;
}

bool ScriptedDisplay::enumDevice(std::uint32_t index, DisplayDevice* device) {
  if (index >= devices_.size()) return false;
  *device = devices_[index];
  return true;
}

bool ScriptedDisplay::enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                                   DisplayMode* mode) {
  if (modeNum == kEnumCurrentSettings) {
    *mode = current_;
    return true;
  }
  const auto own = deviceModes_.find(deviceName);
  const std::vector<DisplayMode>& modes = own != deviceModes_.end() ? own->second : modes_;
  if (modeNum >= modes.size()) return false;
  *mode = modes[modeNum];
  return true;
}

}  // namespace kl::platform
