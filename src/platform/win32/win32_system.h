#pragma once
#include "platform/display.h"
#include "platform/os.h"
#include "platform/version_resources.h"

namespace kl::platform {

class Win32OperatingSystem : public OperatingSystem {
 public:
  OsVersion version() override;
  std::string windowsDirectory() override;
  MemoryStatus memoryStatus() override;
  std::string thousandSeparator() override;
  LocalTime localTime() override;
};

class Win32VersionResources : public VersionResources {
 public:
  std::uint32_t infoSize(const std::string& file) override;
  bool load(const std::string& file, std::vector<std::uint8_t>& block) override;
  bool query(std::vector<std::uint8_t>& block, const std::string& subBlock,
             const std::uint8_t** data, std::uint32_t* length) override;
};

class Win32Display : public Display {
 public:
  bool enumDevice(std::uint32_t index, DisplayDevice* device) override;
  bool enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                    DisplayMode* mode) override;
};

}  // namespace kl::platform
