// The settings as they were before Kestrelune. The first start saves them
// before its reset empties the restricted mode lists: every setting as a
// profile, and the driver's mode lists as a REGEDIT4 file. File > "Restore
// Original Settings..." puts them back, after saving the settings of the
// moment the same way.
#include <algorithm>

#include "app/BackupFiles.h"
#include "app/MainProg.h"
#include "modes/ModeList.h"
#include "platform/error.h"
#include "platform/regedit4.h"
#include "platform/text_util.h"
#include "settings/BindingGroups.h"
#include "settings/DriverKey.h"

namespace kl::app {
namespace {

constexpr char kRegister[] = "Register";
constexpr char kProfile[] = "Profile";
constexpr std::size_t kModesFileLimit = 64 * 1024;

// The driver's six mode-list values as REGEDIT4, absent ones as deleted.
// Empty when there is no driver key, or one this user may not change (the
// mode lists are changed only with full access to it).
std::string modeValuesText(platform::Platform& p, const std::string& key) {
  if (key.find_first_not_of('\\') == std::string::npos) return std::string();
  platform::HKey handle = 0;
  if (p.registry.openKey(platform::kHkeyLocalMachine, key, platform::kKeyAllAccess, &handle) !=
      platform::kErrorSuccess)
    return std::string();
  p.registry.closeKey(handle);
  platform::Regedit4Writer writer(p.registry);
  if (!writer.addValues(platform::kHkeyLocalMachine, key, modes::ModeValueNames()))
    throw Error("the driver key HKEY_LOCAL_MACHINE\\" + key + " does not exist");
  return writer.text();
}

// True when the file holds exactly the driver key's mode-list values: a
// file edited to write elsewhere, or saved for a driver key that has since
// changed, is not imported.
bool holdsModeValuesOf(const std::vector<platform::Regedit4Key>& keys, const std::string& key) {
  if (keys.size() != 1 || keys[0].remove || keys[0].root != platform::kHkeyLocalMachine ||
      !platform::equalsNoCase(keys[0].path, key))
    return false;
  const std::vector<std::string> names = modes::ModeValueNames();
  return std::all_of(keys[0].values.begin(), keys[0].values.end(), [&](const auto& v) {
    return std::find(names.begin(), names.end(), v.name) != names.end();
  });
}

}  // namespace

TMainForm::OriginalFiles TMainForm::originalFiles() const {
  std::string why;
  const std::string install = InstallFolder(platform_, &why);
  if (install.empty()) return {};
  return {install + "Profiles\\Settings before Kestrelune.kpf",
          install + "Backup\\Display modes before Kestrelune.reg"};
}

bool TMainForm::originalSettingsSaved() {
  const OriginalFiles files = originalFiles();
  return !files.profile.empty() && platform_.profiles.exists(files.profile) &&
         platform_.profiles.exists(files.modes);
}

void TMainForm::updateRestoreItem() {
  MenuBar->find("RestoreOriginal1")->setEnabled(originalSettingsSaved());
}

void TMainForm::reportOriginalNotSaved(const std::string& why) {
  const bool stop = !why.empty() && why.back() == '.';
  app().messageBox("Kestrelune could not save the settings as they were before it: " + why +
                       (stop ? "" : "."),
                   app().title(), ui::kMbOk | ui::kMbIconWarning);
}

// Before the first-run reset empties the restricted lists. A file already
// there is kept: it holds what an earlier first start saw. Without a driver
// key this user may change there is nothing the reset could empty; without
// an installation folder (a damaged installation) there is nowhere to save.
void TMainForm::saveOriginalModes() {
  try {
    const OriginalFiles files = originalFiles();
    if (files.modes.empty()) return;
    std::string driverKey;
    try {
      driverKey = settings::GetDriverKey(platform_, app());
    } catch (const std::exception&) {
      return;  // start-up tells why the key cannot be looked up
    }
    const std::string text = modeValuesText(platform_, driverKey);
    if (text.empty()) return;
    std::string why;
    if (BackupFolder(platform_, &why).empty()) throw Error(why);
    const platform::FileResult written = platform_.files.writeNewFile(files.modes, text);
    if (written.status == platform::FileStatus::Failed)
      throw Error("the file \"" + files.modes + "\" could not be written: " + written.reason);
  } catch (const std::exception& e) {
    reportOriginalNotSaved(e.what());
  }
}

// After the start-up load of a first start whose reset went through: the
// pages hold the driver's settings, which the reset does not touch. (A
// user without the rights for the reset reads every setting as not set.)
// Only a complete profile is saved; start-up has told already what it could
// not read.
void TMainForm::saveOriginalProfile() {
  const std::string file = originalFiles().profile;
  if (platform_.profiles.exists(file) || !settings::GroupsNotLoaded(*settingPages).empty()) return;
  try {
    platform_.files.createDirectory(file.substr(0, file.rfind('\\')));  // the setup made it
    settings::SaveAllKeys(*settingPages, kProfile, file);
  } catch (const std::exception& e) {
    reportOriginalNotSaved(e.what());
  }
}

void TMainForm::RestoreOriginal1Click() {
  if (!originalSettingsSaved()) {
    app().messageBox("The settings as they were before Kestrelune are not saved on this "
                     "computer, so there is nothing to restore.",
                     app().title(), ui::kMbOk | ui::kMbIconWarning);
    updateRestoreItem();
    return;
  }
  if (app().messageBox("Restore the settings as they were before Kestrelune was first "
                       "started?\n\nThe current settings are saved in the Backup folder first.",
                       app().title(), ui::kMbYesNo | ui::kMbIconWarning | ui::kMbDefButton2) != ui::kIdYes)
    return;
  try {
    restoreOriginalSettings();
  } catch (const std::exception& e) {
    app().handleException(e);
  }
}

// Everything that can refuse is checked before anything is written. The
// settings of the moment are the driver's, not the pages': the pages are
// read from the registry again before they are saved.
void TMainForm::restoreOriginalSettings() {
  const OriginalFiles files = originalFiles();
  const auto refuse = [](const std::string& why) {
    throw Error("The settings as they were before Kestrelune were not restored: " + why +
                ".\n\nNothing was changed.");
  };
  std::string text;
  const platform::FileResult read = platform_.files.readFile(files.modes, &text, kModesFileLimit);
  if (!read.ok()) refuse("the file \"" + files.modes + "\" could not be read: " + read.reason);
  std::vector<platform::Regedit4Key> modeKeys;
  try {
    modeKeys = platform::parseRegedit4(text);
  } catch (const std::exception& e) {
    refuse("the file \"" + files.modes + "\" cannot be read (" + e.what() + ")");
  }
  const std::string driverKey = settings::GetDriverKey(platform_, app());
  if (driverKey.find_first_not_of('\\') == std::string::npos) refuse("no driver key was found");
  if (!holdsModeValuesOf(modeKeys, driverKey))
    refuse("the file \"" + files.modes + "\" does not hold the display modes of the driver key "
           "HKEY_LOCAL_MACHINE\\" + driverKey);
  const std::vector<std::string> missing = settings::GroupsNotLoaded(*settingPages);
  if (!missing.empty())
    refuse("the current settings cannot be saved first, because Kestrelune could not read these "
           "when it started: " + notReadText(missing));

  const std::string currentModes = modeValuesText(platform_, driverKey);
  if (currentModes.empty())
    refuse("Windows does not let this user change the driver key HKEY_LOCAL_MACHINE\\" +
           driverKey + "; an administrator can");

  std::string why;
  const std::string modesBackup = WriteDatedBackup(platform_, "modes", ".reg", currentModes, &why);
  if (modesBackup.empty()) refuse("the current display modes could not be saved: " + why);
  const std::string settingsBackup = FreeDatedBackupName(platform_, "settings", ".kpf", &why);
  if (settingsBackup.empty()) refuse("the current settings could not be saved: " + why);
  {
    settings::SettingPages::Pass pass(*settingPages);
    settings::LoadAllKeys(*settingPages, kRegister, "");
    settings::SaveAllKeys(*settingPages, kProfile, settingsBackup);
  }
  clearModified();  // the pages show the driver's settings again

  refreshRatesEntered = false;  // the rows' choices would be replaced at once
  if (openProfile(files.profile, Progress::Shown) != ProfileOutcome::Applied) return;
  platform::importRegedit4(platform_.registry, modeKeys);
  customResPage->ReloadCustomResolutionChecks();
  refreshRatesPage->ShowLockState();
  clearModified();
  app().messageBox("The settings as they were before Kestrelune were restored. Windows must "
                   "restart before the driver uses the restored display modes.\n\nThe settings "
                   "before the restore were saved as:\n" + settingsBackup + "\n" + modesBackup,
                   app().title(), ui::kMbOk | ui::kMbIconInformation);
}

}  // namespace kl::app
