#pragma once
// Where the display driver keeps its settings: the driver base key below
// HKEY_LOCAL_MACHINE (the user's alternative path, or the key Windows
// publishes for the active display device), and the keys of each role.
#include <functional>
#include <string>

#include "platform/platform.h"

namespace kl::ui {
class Application;
}

namespace kl::settings {

// Empty when no key is found; reports "Cannot find driver" and the
// Windows 9x message itself.
std::string GetDriverKey(platform::Platform& platform, ui::Application& app);
// The key Windows publishes for the active display device, whatever the
// user's alternative path says; empty when there is none.
std::string DetectedDriverKey(platform::Platform& platform, ui::Application& app);
// The brace group of the base key ("{GUID}"), or empty.
std::string GetDriverKeyGuid(platform::Platform& platform, ui::Application& app);
// The last character of the base key, or empty.
std::string GetDriverKeyIndex(platform::Platform& platform, ui::Application& app);
// The key path of a role ("D3D", "OGL", "OGLP", "Driver") on Windows
// "5.0" or "5.1"; empty for anything else.
std::string ResolveKeyPath(platform::Platform& platform, ui::Application& app,
                           const std::string& version, const std::string& role);

// The key paths of the four roles for one pass over the setting bindings
// (a start-up, an Apply, a profile open): the Windows version and the driver
// key are looked up once, when the first path is asked for, and kept for the
// rest of the pass. A lookup that raises keeps nothing, so the next request
// looks up again. A key that cannot be found is handed to `report` with the
// message GetDriverKey would show.
class DriverKeyPaths {
 public:
  DriverKeyPaths(platform::Platform& platform, std::function<void(const std::string&)> report);
  // The path of a role ("D3D", "OGL", "OGLP", "Driver"), as ResolveKeyPath
  // gives it; empty for any other role.
  const std::string& of(const std::string& role);

 private:
  void lookUp();

  platform::Platform& platform_;
  std::function<void(const std::string&)> report_;
  bool found_ = false;
  std::string d3d_, ogl_, oglp_, driver_, none_;
};

// The brace group of a path: from the first "{" up to and including the
// first "}" after it; empty without both.
std::string braceGroup(const std::string& path);

}  // namespace kl::settings
