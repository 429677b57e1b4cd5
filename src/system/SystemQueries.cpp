#include "system/SystemQueries.h"

#include <cstdint>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/text_util.h"
#include "system/FileInfo.h"

namespace kl::system {
namespace {

const char kProgramKey[] = "Software\\Kestrelune";

const char* platformName(std::uint32_t platformId) {
  switch (platformId) {
    case platform::kPlatformWindows:
      return "Windows 95";
    case platform::kPlatformNt:
      return "Windows NT";
    default:
      return "Windows";
  }
}

// The Windows 95 family keeps the major and minor version in the high word
// of the build number.
int buildNumber(const platform::OsVersion& v) {
  switch (v.platformId) {
    case platform::kPlatformWindows:
      return static_cast<int>(v.build & 0xFFFFu);
    case platform::kPlatformNt:
      return static_cast<int>(v.build);
    default:
      return 0;
  }
}

std::string longVersion(const platform::OsVersion& v) {
  const char* name = platformName(v.platformId);
  const int major = static_cast<int>(v.major);
  const int minor = static_cast<int>(v.minor);
  if (v.platformId != platform::kPlatformWindows && v.platformId != platform::kPlatformNt)
    return platform::formatText("%s %d.%d", name, major, minor);
  if (!v.servicePack.empty())
    return platform::formatText("%s %d.%d (Build %d: %s)", name, major, minor, buildNumber(v),
                                v.servicePack.c_str());
  return platform::formatText("%s %d.%d (Build %d)", name, major, minor, buildNumber(v));
}

}  // namespace

std::string GetWindowsVersion(platform::Platform& platform, int form) {
  const platform::OsVersion v = platform.os.version();
  switch (form) {
    case 1:
      return platform::formatText("%d.%d", static_cast<int>(v.major), static_cast<int>(v.minor));
    case 2:
      return longVersion(v);
    default:
      return std::string();
  }
}

std::string GetInstallPath(platform::Platform& platform) {
  platform::RegistryAccess reg(platform.registry, platform::kHkeyCurrentUser);
  if (!reg.openKeyReadOnly(kProgramKey)) return std::string();
  try {
    return reg.readString("installpath");
  } catch (const Error&) {
    return std::string();  // a value of another type: no usable folder
  }
}

std::string GetProgramVersion(platform::Platform& platform) {
  platform::RegistryAccess reg(platform.registry, platform::kHkeyCurrentUser,
                               platform::kKeyAllAccess);
  if (!reg.openKey(kProgramKey, false)) return std::string();
  try {
    return reg.readString("version");
  } catch (const Error&) {
    return "Cannot detect";
  }
}

std::string GetWindowsDir(platform::Platform& platform) {
  std::string dir = platform.os.windowsDirectory();
  // Windows installed in a drive's root is reported as "C:\".
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir;
}

std::string GetFileVersionText(platform::Platform& platform, const std::string& file) {
  // The block is released when `info` goes out of scope, on the error path too.
  FileInfoBlock info = CreateFileInfo(platform, file);
  const platform::FixedFileInfo fixed = GetFixedFileInfo(info);
  const std::string text = platform::formatText(
      "%d.%d.%d.%d", static_cast<int>(fixed.fileVersionMS >> 16),
      static_cast<int>(fixed.fileVersionMS & 0xFFFFu), static_cast<int>(fixed.fileVersionLS >> 16),
      static_cast<int>(fixed.fileVersionLS & 0xFFFFu));
  FreeFileInfo(info);
  return text;
}

}  // namespace kl::system
