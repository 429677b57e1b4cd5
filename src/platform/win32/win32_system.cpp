#include "platform/win32/win32_system.h"

#include <windows.h>

#include <cstddef>

namespace kl::platform {

OsVersion Win32OperatingSystem::version() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return OsVersion{};
  return OsVersion{info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion,
                   info.dwBuildNumber, info.szCSDVersion};
}

std::string Win32OperatingSystem::windowsDirectory() {
  char buffer[MAX_PATH + 1];
  const UINT n = GetWindowsDirectoryA(buffer, sizeof buffer);
  std::string dir(buffer, n < sizeof buffer ? n : 0);
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir;
}

MemoryStatus Win32OperatingSystem::memoryStatus() {
  MEMORYSTATUSEX status{};
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return MemoryStatus{};
  return MemoryStatus{status.dwMemoryLoad, status.ullTotalPhys, status.ullAvailPhys,
                      status.ullTotalPageFile, status.ullAvailPageFile};
}

std::string Win32OperatingSystem::thousandSeparator() {
  char buffer[8] = {};  // the locale allows at most three characters and the NUL
  const int n = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, sizeof buffer);
  return n > 0 ? std::string(buffer) : std::string(",");
}

LocalTime Win32OperatingSystem::localTime() {
  SYSTEMTIME t{};
  GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

std::uint32_t Win32VersionResources::infoSize(const std::string& file) {
  DWORD handle = 0;
  return GetFileVersionInfoSizeA(file.c_str(), &handle);
}

bool Win32VersionResources::load(const std::string& file, std::vector<std::uint8_t>& block) {
  return GetFileVersionInfoA(file.c_str(), 0, static_cast<DWORD>(block.size()), block.data()) !=
         FALSE;
}

bool Win32VersionResources::query(std::vector<std::uint8_t>& block, const std::string& subBlock,
                                  const std::uint8_t** data, std::uint32_t* length) {
  void* found = nullptr;
  UINT len = 0;
  if (!VerQueryValueA(block.data(), subBlock.c_str(), &found, &len)) return false;
  *data = static_cast<const std::uint8_t*>(found);
  *length = len;
  return true;
}

bool Win32Display::enumDevice(std::uint32_t index, DisplayDevice* device) {
  DISPLAY_DEVICEA info{};
  // Only the name, the text and the state flags: the size of the structure
  // up to and including StateFlags, as Windows 2000 knew it.
  info.cb = offsetof(DISPLAY_DEVICEA, DeviceID);
  static_assert(offsetof(DISPLAY_DEVICEA, DeviceID) == 168, "display device prefix is 168 bytes");
  if (!EnumDisplayDevicesA(nullptr, index, &info, 0)) return false;
  *device = DisplayDevice{info.DeviceName, info.DeviceString, info.StateFlags};
  return true;
}

bool Win32Display::enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                                DisplayMode* mode) {
  DEVMODEA dm{};
  dm.dmSize = sizeof dm;
  if (!EnumDisplaySettingsA(deviceName.empty() ? nullptr : deviceName.c_str(), modeNum, &dm))
    return false;
  *mode = DisplayMode{dm.dmPelsWidth, dm.dmPelsHeight, dm.dmBitsPerPel, dm.dmDisplayFrequency};
  return true;
}

}  // namespace kl::platform
