// KlPlatformReport.exe: prints what the platform layer sees on this PC, one
// "name: value" line each. The Wine run checks it against the prefix it
// seeded (Windows version, driver key, the program's own version resource)
// and the X server's monitor (display devices and modes);
// on a real Windows 2000/XP PC it is a first diagnostic for a tester.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/registry_access.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/win32/win32_platform.h"

namespace {

using namespace kl::platform;

std::string fileVersion(Platform& p, const std::string& file) {
  std::vector<std::uint8_t> block(p.versions.infoSize(file));
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  if (block.empty() || !p.versions.load(file, block) || !p.versions.query(block, "\\", &data, &length) ||
      length < sizeof(FixedFileInfo))
    return "none";
  FixedFileInfo fixed;
  std::memcpy(&fixed, data, sizeof fixed);
  char text[64];
  std::snprintf(text, sizeof text, "%u.%u.%u.%u", fixed.fileVersionMS >> 16,
                fixed.fileVersionMS & 0xFFFF, fixed.fileVersionLS >> 16, fixed.fileVersionLS & 0xFFFF);
  return text;
}

void reportSystem(Platform& p) {
  const OsVersion v = p.os.version();
  std::printf("windows-version: %u.%u\nwindows-build: %u\nwindows-platform: %u\nservice-pack: %s\n",
              v.major, v.minor, v.build, v.platformId, v.servicePack.c_str());
  std::printf("windows-directory: %s\n", p.os.windowsDirectory().c_str());
  const MemoryStatus m = p.os.memoryStatus();
  std::printf("memory-total-kb: %llu\nmemory-load: %u\n",
              static_cast<unsigned long long>(m.totalPhys / 1024), m.memoryLoad);
}

void printMode(const char* label, const DisplayMode& mode) {
  std::printf("%s: %ux%u %u bpp %u Hz\n", label, mode.width, mode.height, mode.bitsPerPixel, mode.frequency);
}

// Every device with its state flags, then the current display's modes in the order
// EnumDisplaySettingsA gives them (repeats included), so that a reader sees what a mode list
// built from them has to cope with.
void reportDisplays(Platform& p) {
  DisplayDevice d;
  for (std::uint32_t i = 0; p.display.enumDevice(i, &d); ++i)
    std::printf("display-device-%u: %s | %s | flags 0x%x\n", i, d.name.c_str(), d.text.c_str(),
                d.stateFlags);
  DisplayMode mode;
  if (p.display.enumSettings("", kEnumCurrentSettings, &mode)) printMode("display-current", mode);
  std::uint32_t count = 0;
  for (; p.display.enumSettings("", count, &mode); ++count) printMode("display-mode", mode);
  std::printf("display-modes: %u\n", count);
}

void reportDriverKey(Platform& p) {
  RegistryAccess reg(p.registry, kHkeyLocalMachine, kKeyRead);
  std::string video0;
  if (reg.openKeyReadOnly("HARDWARE\\DEVICEMAP\\VIDEO")) video0 = reg.readString("\\Device\\Video0");
  std::printf("device-video0: %s\n", video0.c_str());
  const auto machine = video0.find("Machine\\");
  const std::string base = machine == std::string::npos ? "" : video0.substr(machine + 8);
  std::string drv, description;
  if (!base.empty() && reg.openKeyReadOnly("\\" + base)) {
    drv = reg.readString("drv");
    description = reg.readString("Device Description");
  }
  std::printf("driver-drv: %s\ndriver-description: %s\n", drv.c_str(), description.c_str());
}

void reportDevice(Platform& p) {
  const DeviceHandle h = p.device.open(r6probe::kDevicePath);
  std::printf("r6probe: %s\n", h == kInvalidDevice ? "unavailable" : "open");
  if (h != kInvalidDevice) p.device.close(h);
}

}  // namespace

int main(int argc, char** argv) {
  Win32Platform win32;
  Platform p = win32.view();
  reportSystem(p);
  reportDisplays(p);
  reportDriverKey(p);
  reportDevice(p);
  for (int i = 1; i < argc; ++i) std::printf("file-version %s: %s\n", argv[i], fileVersion(p, argv[i]).c_str());
  return 0;
}
