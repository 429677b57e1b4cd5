#pragma once
// In-memory operating-system facts, version resources and displays, set up
// by tests and by the demo machine.
#include <map>
#include <string>
#include <vector>

#include "platform/display.h"
#include "platform/os.h"
#include "platform/version_resources.h"

namespace kl::platform {

class SimOperatingSystem : public OperatingSystem {
 public:
  SimOperatingSystem();  // Windows XP without a service pack, 512 MiB, English digits
  OsVersion version() override { return version_; }
  std::string windowsDirectory() override { return windowsDir_; }
  MemoryStatus memoryStatus() override { return memory_; }
  std::string thousandSeparator() override { return thousandSeparator_; }
  LocalTime localTime() override { return localTime_; }

  void setVersion(const OsVersion& v) { version_ = v; }
  void setWindowsDirectory(const std::string& dir) { windowsDir_ = dir; }
  void setMemoryStatus(const MemoryStatus& m) { memory_ = m; }
  void setThousandSeparator(const std::string& s) { thousandSeparator_ = s; }
  // The clock stands still unless a test sets it.
  void setLocalTime(const LocalTime& t) { localTime_ = t; }

  static OsVersion windowsXp(const std::string& servicePack = "");
  static OsVersion windows2000(const std::string& servicePack = "");

 private:
  OsVersion version_;
  std::string windowsDir_ = "C:\\WINDOWS";
  MemoryStatus memory_;
  std::string thousandSeparator_ = ",";
  LocalTime localTime_{2026, 12, 9, 14, 30, 5};
};

// What a test puts into a file's version resource.
struct FakeVersionInfo {
  bool hasFixedInfo = true;
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::vector<std::uint32_t> translations;  // language low, code page high
  // Keyed by the full query path, e.g. "\StringFileInfo\040904E4\FileVersion".
  std::map<std::string, std::string> strings;
};

// Serves blocks built from FakeVersionInfo records; queries parse the block,
// so a caller sees only what the block holds.
class FakeVersionResources : public VersionResources {
 public:
  void addFile(const std::string& file, const FakeVersionInfo& info);
  void addUnreadableFile(const std::string& file);  // size known, load fails
  std::uint32_t infoSize(const std::string& file) override;
  bool load(const std::string& file, std::vector<std::uint8_t>& block) override;
  bool query(std::vector<std::uint8_t>& block, const std::string& subBlock,
             const std::uint8_t** data, std::uint32_t* length) override;

 private:
  std::map<std::string, std::vector<std::uint8_t>> blocks_;  // by folded name
  std::map<std::string, std::uint32_t> unreadable_;
};

// Devices and their modes. A device given modes of its own with
// addDeviceMode lists those; every other name (the empty one included)
// lists the modes of addMode.
class ScriptedDisplay : public Display {
 public:
  void addDevice(const DisplayDevice& device) { devices_.push_back(device); }
  void addMode(const DisplayMode& mode) { modes_.push_back(mode); }
  void addDeviceMode(const std::string& deviceName, const DisplayMode& mode) {
    deviceModes_[deviceName].push_back(mode);
  }
  void setCurrentMode(const DisplayMode& mode) { current_ = mode; }
  bool enumDevice(std::uint32_t index, DisplayDevice* device) override;
  bool enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                    DisplayMode* mode) override;

 private:
  std::vector<DisplayDevice> devices_;
  std::vector<DisplayMode> modes_;
  std::map<std::string, std::vector<DisplayMode>> deviceModes_;
  DisplayMode current_;
};

}  // namespace kl::platform
