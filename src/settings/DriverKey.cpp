#include "settings/DriverKey.h"

#include <optional>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "system/SystemQueries.h"
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

// The detected key, or empty with the reason in `problem`.
std::string detect(platform::Platform& p, std::string* problem) {
  const std::string version = system::GetWindowsVersion(p, 1);
  if (version != "5.1" && version != "5.0") {
    *problem = "You are using Windows 9X/ME... that does not work";
    return "";
  }
  try {
    return publishedKey(p, activeDeviceIndex(p));
  } catch (const Error&) {
    *problem = "Cannot find driver";
    return "";
  }
}

// The base key; empty with the reason in `problem` when none is found.
std::string lookUpDriverKey(platform::Platform& p, std::string* problem) {
  std::string path;
  if (alternativePath(p, &path)) return path;
  return detect(p, problem);
}

std::string shown(ui::Application& app, const std::string& key, const std::string& problem) {
  if (!problem.empty()) app.showMessage(problem);
  return key;
}

// The table of the roles: `base` gives the driver base key, and is asked
// only for a role and version that need it.
template <typename Base>
std::string rolePath(const std::string& version, const std::string& role, Base base) {
  if (version != "5.0" && version != "5.1") return "";
  // Without a driver key the subkeys have no parent either: "\OpenGL" alone
  // would name a key at the root of HKEY_LOCAL_MACHINE.
  const auto below = [&](const char* subkey) {
    const std::string key = base();
    return key.empty() ? key : key + subkey;
  };
  if (role == "D3D") return below("");
  if (role == "OGL") return below("\\OpenGL");
  if (role == "OGLP") return below("\\OpenGL\\Private");
  if (role != "Driver") return "";
  const std::string key = base();
  if (version == "5.0")
    return "SOFTWARE\\ATI Technologies\\Desktop\\000" +
           (key.empty() ? "" : key.substr(key.size() - 1));
  return "SOFTWARE\\ATI Technologies\\Desktop\\" + braceGroup(key);
}

}  // namespace

std::string GetDriverKey(platform::Platform& p, ui::Application& app) {
  std::string problem;
  const std::string key = lookUpDriverKey(p, &problem);
  return shown(app, key, problem);
}

std::string DetectedDriverKey(platform::Platform& p, ui::Application& app) {
  std::string problem;
  const std::string key = detect(p, &problem);
  return shown(app, key, problem);
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
  return rolePath(version, role, [&] { return GetDriverKey(p, app); });
}

DriverKeyPaths::DriverKeyPaths(platform::Platform& platform,
                               std::function<void(const std::string&)> report)
    : platform_(platform), report_(std::move(report)) {}

void DriverKeyPaths::lookUp() {
  const std::string version = system::GetWindowsVersion(platform_, 1);
  std::string problem;
  std::optional<std::string> base;
  const auto once = [&] {
    if (!base) base = lookUpDriverKey(platform_, &problem);
    return *base;
  };
  d3d_ = rolePath(version, "D3D", once);
  ogl_ = rolePath(version, "OGL", once);
  oglp_ = rolePath(version, "OGLP", once);
  driver_ = rolePath(version, "Driver", once);
  found_ = true;
  if (!problem.empty() && report_) report_(problem);
}

const std::string& DriverKeyPaths::of(const std::string& role) {
  if (!found_) lookUp();
  if (role == "D3D") return d3d_;
  if (role == "OGL") return ogl_;
  if (role == "OGLP") return oglp_;
  if (role == "Driver") return driver_;
  return none_;
}

}  // namespace kl::settings
