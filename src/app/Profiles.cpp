// Saving and opening profiles from the menu and from the tray.
#include "app/MainProg.h"
#include "settings/BindingGroups.h"

namespace kl::app {

namespace {
constexpr char kProfile[] = "Profile";
}

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

// The main menu's save leaves the window not modified, also when cancelled;
// a failed write ends it before that.
void TMainForm::menuitemSaveClick() {
  if (SaveProfile->execute())
    reportNotSaved(settings::SaveAllKeys(*settingPages, kProfile, SaveProfile->fileName));
  clearModified();
}

void TMainForm::SaveProfilesystrayClick() {
  if (SaveProfile->execute())
    reportNotSaved(settings::SaveAllKeys(*settingPages, kProfile, SaveProfile->fileName));
}

// A profile is applied at once: after loading (or a cancelled dialog) the
// window is marked modified and Apply runs. A chosen file that does not
// exist is refused: loading it would gray every box and the Apply after it
// would delete every driver value.
void TMainForm::menuitemOpenClick() {
  if (OpenProfile->execute()) {
    const std::string& file = OpenProfile->fileName;
    if (!platform_.profiles.exists(file)) {
      app().messageBox("The profile " + file + " does not exist.", app().title(),
                       ui::kMbOk | ui::kMbIconWarning);
      return;
    }
    settings::LoadAllKeysFromProfile(*settingPages, file);
  }
  markModified();
  buttonApplyClick();
}

void TMainForm::OpenProfilesystrayClick() { menuitemOpenClick(); }

}  // namespace kl::app
