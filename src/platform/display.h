#pragma once
// Display enumeration: EnumDisplayDevicesA and EnumDisplaySettingsA.
#include <cstdint>
#include <string>

namespace kl::platform {

constexpr std::uint32_t kDisplayAttachedToDesktop = 0x1;
constexpr std::uint32_t kDisplayMultiDriver = 0x2;
constexpr std::uint32_t kDisplayPrimaryDevice = 0x4;
constexpr std::uint32_t kDisplayMirroringDriver = 0x8;
constexpr std::uint32_t kDisplayVgaCompatible = 0x10;
constexpr std::uint32_t kEnumCurrentSettings = 0xFFFFFFFFu;

struct DisplayDevice {
  std::string name;  // \\.\DISPLAY1
  std::string text;  // the adapter's description
  std::uint32_t stateFlags = 0;
};

struct DisplayMode {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint32_t bitsPerPixel = 0;
  std::uint32_t frequency = 0;
};

class Display {
 public:
  virtual ~Display() = default;
  // Device numbers 0, 1, 2, ...; false past the last. Only the name, the text
  // and the state flags are asked for (structure size 168).
  virtual bool enumDevice(std::uint32_t index, DisplayDevice* device) = 0;
  // An empty device name means the current display; modeNum may be
  // kEnumCurrentSettings.
  virtual bool enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                            DisplayMode* mode) = 0;
};

}  // namespace kl::platform
