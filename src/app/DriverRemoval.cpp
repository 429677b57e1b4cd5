#include "app/DriverRemoval.h"

#include <vector>

#include "app/BackupFiles.h"
#include "platform/error.h"
#include "platform/regedit4.h"
#include "platform/registry_access.h"
#include "platform/text_util.h"
#include "settings/DriverKey.h"
#include "system/SystemQueries.h"

namespace kl::app {
namespace {

using platform::HKey;
using platform::kHkeyLocalMachine;

constexpr char kAtiSoftwareParent[] = "SOFTWARE";
constexpr char kAtiSoftwareName[] = "ATI Technologies";
constexpr char kAtiSoftwareKey[] = "SOFTWARE\\ATI Technologies";
constexpr char kServicesName[] = "ati2mtag";

// Every name of the path non-empty: no leading, doubled or trailing backslash.
bool wellFormedPath(const std::string& path) {
  return !path.empty() && path.front() != '\\' && path.back() != '\\' &&
         path.find("\\\\") == std::string::npos;
}

// The own key whose name starts at `at` and ends before `end`, when that is
// a whole name of the path with a well-formed parent in front of it.
std::optional<DriverOwnKey> ownKeyAt(const std::string& path, std::size_t at, std::size_t end) {
  if (at < 2 || path[at - 1] != '\\') return std::nullopt;
  if (end < path.size() && path[end] != '\\') return std::nullopt;
  DriverOwnKey key{path.substr(0, at - 1), path.substr(at, end - at)};
  if (!wellFormedPath(key.parent) || key.name.find('\\') != std::string::npos) return std::nullopt;
  return key;
}

// Deletes `name` below the existing key `parentPath`; false when the parent
// cannot be opened or the deletion fails.
bool deleteBelow(platform::Registry& registry, const std::string& parentPath,
                 const std::string& name) {
  HKey parent = 0;
  if (registry.openKey(kHkeyLocalMachine, parentPath, platform::kKeyAllAccess, &parent) !=
      platform::kErrorSuccess)
    return false;
  const bool deleted = platform::deleteKeyTree(registry, parent, name);
  registry.closeKey(parent);
  return deleted;
}

// True when the removal may go on: the keys are backed up, there was
// nothing to back up, or the user chose to remove without a backup. Keys
// holding a name that no backup can give back are not removed at all: the
// user is told which, and is not offered to remove them anyway.
bool backUp(platform::Platform& p, ui::Application& app, const std::optional<DriverOwnKey>& own) {
  std::string reason;
  try {
    platform::Regedit4Writer writer(p.registry);
    writer.addKey(kHkeyLocalMachine, kAtiSoftwareKey);
    if (own) writer.addKey(kHkeyLocalMachine, own->parent + "\\" + own->name);
    if (writer.empty()) return true;
    WriteDatedBackup(p, "driver", ".reg", writer.text(), &reason);
  } catch (const platform::Regedit4Unwritable& e) {
    app.showMessage(std::string("The driver's registry keys were not removed, because a backup "
                                "could not restore them: ") +
                    e.what());
    return false;
  } catch (const Error& e) {
    reason = e.what();
  }
  if (reason.empty()) return true;
  return app.messageBox(
             "The driver's registry keys could not be backed up before removing them: " + reason +
                 ".\n\nRemove them anyway? Without a backup they cannot be restored.",
             app.title(), ui::kMbYesNo | ui::kMbIconWarning) == ui::kIdYes;
}

// A removal that Windows refused in part (no administrator rights, say)
// must not pass for done: the keys still there are named.
void reportKeysLeft(platform::Platform& p, ui::Application& app,
                    const std::optional<DriverOwnKey>& own) {
  std::vector<std::string> left;
  platform::RegistryAccess machine(p.registry, kHkeyLocalMachine);
  if (machine.keyExists(kAtiSoftwareKey)) left.push_back(kAtiSoftwareKey);
  if (own && machine.keyExists(own->parent + "\\" + own->name))
    left.push_back(own->parent + "\\" + own->name);
  if (left.empty()) return;
  std::string list;
  for (const auto& key : left) list += (list.empty() ? "" : ", ") + ("HKEY_LOCAL_MACHINE\\" + key);
  app.showMessage(
      "Some of the driver's registry keys could not be removed, probably for lack of "
      "administrator rights: " +
      list + ".");
}

std::string notLocatedText(const std::string& base) {
  if (base.empty())
    return "The display driver's own registry key could not be located, so it was left in "
           "place: no driver key was found.";
  return "The display driver's own registry key could not be located in the driver key path \"" +
         base + "\", so it was left in place.";
}

}  // namespace

std::optional<DriverOwnKey> locateDriverOwnKey(const std::string& version,
                                               const std::string& basePath) {
  if (version == "5.0") {
    const auto at = basePath.find(kServicesName);
    if (at == std::string::npos) return std::nullopt;
    return ownKeyAt(basePath, at, at + std::string(kServicesName).size());
  }
  if (version == "5.1") {
    const auto open = basePath.find('{');
    if (open == std::string::npos) return std::nullopt;
    const auto close = basePath.find('}', open);
    if (close == std::string::npos) return std::nullopt;
    return ownKeyAt(basePath, open, close + 1);
  }
  return std::nullopt;
}

bool removeDriverKeys(platform::Platform& p, ui::Application& app) {
  const std::string base = settings::GetDriverKey(p, app);
  const std::string version = system::GetWindowsVersion(p, 1);
  const std::optional<DriverOwnKey> own = locateDriverOwnKey(version, base);
  if (!backUp(p, app, own)) return false;

  deleteBelow(p.registry, kAtiSoftwareParent, kAtiSoftwareName);
  if (version != "5.0" && version != "5.1") return true;
  bool ownReported = false;
  if (!own) {
    app.showMessage(notLocatedText(base));
  } else if (version == "5.0") {
    app.showMessage(own->parent);
    deleteBelow(p.registry, own->parent, own->name);
  } else {
    try {
      deleteBelow(p.registry, own->parent, own->name);
    } catch (const std::exception&) {
      app.showMessage("Driver already removed");
      ownReported = true;
    }
  }
  reportKeysLeft(p, app, ownReported ? std::nullopt : own);
  return true;
}

}  // namespace kl::app
