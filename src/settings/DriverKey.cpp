#include "settings/DriverKey.h"

#include "platform/error.h"
#include "platform/registry_access.h"
#include "sysinfo/SysInfo_NT.h"
#include "ui/application.h"

namespace kl::settings {
namespace {

using platform::RegistryAccess;

// The user's typed path when "Use_AltPath" is 1. A missing "Use_AltPath"
// counts as 0; one of another type raises "Invalid data type for '%s'".
bool alternativePath(platform::Platform& p, std::string* path) {
  RegistryAccess reg(p.registry, platform::kHkeyCurrentUser);
  if (!reg.openKey("Software\\Kestrelune", false) || !reg.valueExists("Use_AltPath")) return false;
  if (reg.readInteger("Use_AltPath") != 1) return false;
  *path = reg.readString("AlternativePath");
  return true;
}

// The last display device whose state flags are not exactly 1, 2, 8 or 16.
int activeDeviceIndex(platform::Platform& p) {
  int chosen = 0;
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; p.display.enumDevice(i, &device); ++i) {
    const auto f = device.stateFlags;
    if (f != 1 && f != 2 && f != 8 && f != 16) chosen = static_cast<int>(i);
  }
  return chosen;
}

std::string publishedKey(platform::Platform& p, int index) {
  RegistryAccess reg(p.registry, platform::kHkeyLocalMachine);
  if (!reg.openKeyReadOnly("HARDWARE\\DEVICEMAP\\VIDEO")) return "";
  const std::string data = reg.readString("\\Device\\Video" + std::to_string(index));
  const auto at = data.find("Machine\\");
  return at == std::string::npos ? "" : data.substr(at + 8);
}

}  // namespace

std::string GetDriverKey(platform::Platform& p, ui::Application& app) {
  std::string path;
  if (alternativePath(p, &path)) return path;
  return DetectedDriverKey(p, app);
}

std::string DetectedDriverKey(platform::Platform& p, ui::Application& app) {
  const std::string version = sysinfo::GetWindowsVersion(p, 1);
  if (version != "5.1" && version != "5.0") {
    app.showMessage("You are using Windows 9X/ME... that does not work");
    return "";
  }
  try {
    return publishedKey(p, activeDeviceIndex(p));
  } catch (const Error&) {
    app.showMessage("Cannot find driver");
    return "";
  }
}

std::string braceGroup(const std::string& path) {
  const auto open = path.find('{');
  if (open == std::string::npos) return "";
  const auto close = path.find('}', open);
  return close == std::string::npos ? "" : path.substr(open, close - open + 1);
}

std::string GetDriverKeyGuid(platform::Platform& p, ui::Application& app) {
  return braceGroup(GetDriverKey(p, app));
}

std::string GetDriverKeyIndex(platform::Platform& p, ui::Application& app) {
  const std::string base = GetDriverKey(p, app);
  return base.empty() ? "" : base.substr(base.size() - 1);
}

std::string ResolveKeyPath(platform::Platform& p, ui::Application& app,
                           const std::string& version, const std::string& role) {
  if (version != "5.0" && version != "5.1") return "";
  // Without a driver key the subkeys have no parent either: "\OpenGL" alone
  // would name a key at the root of HKEY_LOCAL_MACHINE.
  const auto below = [&](const char* subkey) {
    const std::string base = GetDriverKey(p, app);
    return base.empty() ? base : base + subkey;
  };
  if (role == "D3D") return below("");
  if (role == "OGL") return below("\\OpenGL");
  if (role == "OGLP") return below("\\OpenGL\\Private");
  if (role != "Driver") return "";
  if (version == "5.0") return "SOFTWARE\\ATI Technologies\\Desktop\\000" + GetDriverKeyIndex(p, app);
  return "SOFTWARE\\ATI Technologies\\Desktop\\" + GetDriverKeyGuid(p, app);
}

}  // namespace kl::settings
