// Saving and opening profiles from the menu and from the tray.
#include <algorithm>

#include "app/MainProg.h"
#include "platform/text_util.h"
#include "settings/BindingGroups.h"
#include "settings/Catalogues.h"
#include "system/SystemQueries.h"

namespace kl::app {

namespace {
constexpr char kProfile[] = "Profile";

// True when the file holds a value of at least one setting, in its group's
// section. A profile the program saved holds every group it had loaded,
// "-1" for a setting not set.
bool holdsSettings(platform::ProfileFiles& files, const std::string& file) {
  const std::string absent = "\x01";  // comes back only when the key is absent
  for (std::size_t g = 0; g < settings::kGroupCount; ++g) {
    const settings::Catalogue& c = settings::catalogueOf(static_cast<settings::Group>(g));
    for (const settings::BindingRow& row : c.rows)
      if (files.getString(c.section, row.valueName, absent, file) != absent) return true;
  }
  return false;
}
}  // namespace

void TMainForm::setUpProfileDialogs() {
  OpenProfile->title = "Load Profile";
  SaveProfile->title = "Save Profile";
  for (ui::FileDialog* d : {OpenProfile.get(), SaveProfile.get()}) {
    d->defaultExt = ".kpf";
    d->filter = "Kestrelune Profile|*.kpf";
    d->options.hideReadOnly = true;
    d->options.enableSizing = true;
  }
  SaveProfile->options.overwritePrompt = true;
}

// A profile is saved only whole. After a start-up that could not read some
// groups, a profile without them would, once opened in a healthy run, gray
// those groups and make the Apply after it delete their driver values; so
// such a save is refused, each time, with the groups and the reason.
bool TMainForm::refuseIncompleteProfile() {
  const std::vector<std::string> missing = settings::GroupsNotLoaded(*settingPages);
  if (missing.empty()) return false;
  app().messageBox("Kestrelune could not read these settings when it started, so it cannot "
                   "save a complete profile: " + notReadText(missing) +
                       "\n\nNo profile was saved.",
                   app().title(), ui::kMbOk | ui::kMbIconWarning);
  return true;
}

// The main menu's save leaves the window not modified, also when cancelled;
// a failed write, or a refused save, ends it before that.
void TMainForm::menuitemSaveClick() {
  if (refuseIncompleteProfile()) return;
  if (SaveProfile->execute()) settings::SaveAllKeys(*settingPages, kProfile, SaveProfile->fileName);
  clearModified();
}

void TMainForm::SaveProfilesystrayClick() {
  if (refuseIncompleteProfile()) return;
  if (SaveProfile->execute()) settings::SaveAllKeys(*settingPages, kProfile, SaveProfile->fileName);
}

// A profile is applied at once: after loading (or a cancelled dialog) the
// window is marked modified and Apply runs. A chosen file that does not
// exist, or that holds no setting at all (another kind of file, or one
// damaged beyond reading), is refused: loading it would gray every box and
// the Apply after it would delete every driver value.
void TMainForm::menuitemOpenClick() {
  if (OpenProfile->execute()) {
    openProfile(OpenProfile->fileName, Progress::Shown);
    return;
  }
  markModified();
  buttonApplyClick();
}

ProfileOutcome TMainForm::openProfile(const std::string& file, Progress progress) {
  const char* refusal = !platform_.profiles.exists(file) ? " does not exist."
                        : !holdsSettings(platform_.profiles, file)
                            ? " holds no Kestrelune settings."
                            : nullptr;
  if (refusal) {
    app().messageBox("The profile " + file + refusal, app().title(),
                     ui::kMbOk | ui::kMbIconWarning);
    return ProfileOutcome::NotAProfile;
  }
  settings::LoadAllKeysFromProfile(*settingPages, file);
  markModified();
  applySettings(progress);
  return ProfileOutcome::Applied;
}

ProfileOutcome TMainForm::applyProfileCommand(const std::string& file) {
  try {
    return openProfile(file, Progress::NotShown);
  } catch (const std::exception& e) {
    app().handleException(e);
    return ProfileOutcome::WriteFailed;
  }
}

void TMainForm::OpenProfilesystrayClick() { menuitemOpenClick(); }

std::string TMainForm::profileFolder() const {
  return system::GetInstallPath(platform_) + "Profiles";
}

// Read afresh each time the menu opens: a profile saved or deleted since
// shows at once. "&" in a name is doubled, or the menu would take it for a
// mnemonic.
void TMainForm::listTrayProfiles() {
  std::vector<std::string> names = platform_.files.listFiles(profileFolder(), ".kpf");
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return platform::foldCase(a) < platform::foldCase(b);
  });
  if (names.size() > kTrayProfiles) names.resize(kTrayProfiles);
  trayProfiles_ = names;
  ui::Control& submenu = *SysTrayPopup->find("menuTrayProfiles");
  for (std::size_t i = 0; i < kTrayProfiles; ++i) {
    ui::Control& slot = *submenu.children()[i];
    const bool used = i < names.size();
    slot.setVisible(used);
    if (!used) continue;
    std::string caption = names[i].substr(0, names[i].size() - 4);  // less ".kpf"
    for (std::size_t at = caption.find('&'); at != std::string::npos;
         at = caption.find('&', at + 2))
      caption.insert(at, "&");
    slot.setText(caption);
  }
}

}  // namespace kl::app
