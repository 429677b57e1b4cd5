#include "app/MainProg.h"

#include <algorithm>

#include "app/Confirm.h"
#include "app/AboutForm.h"
#include "app/AttForm.h"
#include "app/DriverRemoval.h"
#include "app/HelpForm.h"
#include "modes/CusResForm.h"
#include "modes/ModeList.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/BindingGroups.h"
#include "settings/DriverKey.h"
#include "settings/Options.h"
#include "system/SystemQueries.h"

namespace kl::app {

using platform::RegistryAccess;

namespace {
constexpr char kProgramKey[] = "Software\\Kestrelune";
constexpr char kRegister[] = "Register";
}  // namespace

TMainForm::TMainForm(ui::Application& app, platform::Platform& platform, Windows& windows)
    : Form(app, "MainForm"), platform_(platform), windows_(windows) {
  buildFrame();
  buildMenu();
  buildTray();
  buildPages();
  wireHandlers();
  // The creation handler: an error that ends start-up is shown and the
  // window is still created, with what was loaded until then.
  try {
    startRoutine();
  } catch (const std::exception& e) {
    app.handleException(e);
  }
}

TMainForm::~TMainForm() = default;

void TMainForm::markModified() {
  settingsModified = true;
  setCaption("Kestrelune *");
}

void TMainForm::clearModified() {
  settingsModified = false;
  setCaption("Kestrelune");
}

void TMainForm::connectDialogs() {
  refreshRatesPage->setPrompts(windows_.formRestartRR, windows_.formRestartApplyRR);
  customResPage->setPrompt(windows_.formCusRes);
  windows_.formAtt->setAnswer(&driverRemovalConfirmed);
}

// ---- start-up

// After the version gate every step that can fail runs on its own: a failed
// step is reported and start-up goes on, so what the later steps load is
// loaded all the same. Apply and profile save then leave out what was not.
// A driver key that cannot be found is reported once, not once per setting.
void TMainForm::startRoutine() {
  ui::Application::ReportOnce once(app());
  if (!passVersionGate()) return;
  firstRunReset();
  showDriverLines();
  startupStep([&] { customResPage->LoadCustomResolutionChecks(); });
  startupStep([&] { refreshRatesPage->BuildRefreshRatePage(); });
  driverRemovalConfirmed = false;
  refreshRatesEntered = false;
  TabPages->setPageIndex(0);
  settingPages->openGL.trackLODChange();
  settingPages->openGL.trackSubPixelPrecisionChange();
  settingPages->directX.trackTruFormChange();
  const std::string profiles = system::GetInstallPath(platform_) + "Profiles";
  OpenProfile->initialDir = profiles;
  SaveProfile->initialDir = profiles;
  startupStep([&] { ocPanel->InitOverclockPanel(); });
  startupStep([&] { sysInfoPage->FillSystemInfo(); });
  startupStep([&] {
    settings::SettingPages::Pass pass(*settingPages);  // one lookup of the driver key
    settings::CreateAllKeys(*settingPages);
    settings::LoadAllKeys(*settingPages, kRegister, "");
  });
  if (firstStart_ && !originalFiles().profile.empty()) saveOriginalProfile();
  updateRestoreItem();
}

// The same cause (a driver key that cannot be found, say) fails several
// steps: its message is shown once.
void TMainForm::startupStep(const std::function<void()>& step) {
  try {
    step();
  } catch (const std::exception& e) {
    if (std::find(startupErrors_.begin(), startupErrors_.end(), e.what()) != startupErrors_.end())
      return;
    startupErrors_.push_back(e.what());
    app().handleException(e);
  }
}

bool TMainForm::passVersionGate() {
  osVersionText = system::GetWindowsVersion(platform_, 1);
  if (osVersionText == "5.1" || osVersionText == "5.0") return true;
  app().messageBox("Sorry this tweaker only works on Windows 2000/XP for now", app().title(),
                   ui::kMbOk);
  app().terminate();
  return false;
}

// Empties the restricted mode lists once after installation, after saving
// the settings as they were. "No" is written last, so a reset that failed
// is tried again at the next start.
void TMainForm::firstRunReset() {
  try {
    RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
    own.openKey(kProgramKey, false);
    if (own.readString("FirstRun") != "Yes") return;
    saveOriginalModes();
    modes::ClearRestrictedModes(platform_, app());
    own.writeString("FirstRun", "No");
    firstStart_ = true;  // the profile of the settings follows the start-up load
  } catch (const std::exception&) {
    // Swallowed: start-up goes on, and the reset is retried next time.
  }
}

void TMainForm::showDriverLines() {
  sysInfoPage->ShowDriverLines();
  statusBar->setPanelText(0, "Kestrelune " + system::GetProgramVersion(platform_));
}

// ---- commands

void TMainForm::buttonApplyClick() { applySettings(Progress::Shown); }

// Apply; a profile applied from a shortcut or for another copy of the
// program has no user to press the progress dialog's OK.
void TMainForm::applySettings(Progress progress) {
  ui::Application::ReportOnce once(app());
  if (settingsModified) {
    if (progress == Progress::Shown) {
      replaceDialog(windows_.Confirmation);
      windows_.Confirmation->showModal();
    }
    std::vector<std::string> skipped = settings::SaveAllKeys(*settingPages, kRegister, "");
    // A page left disabled shows no clocks of the card's: what is stored
    // stays as it is, and the user could not have changed it.
    if (!ocPanel->startupLoaded()) {
      skipped.push_back("the overclocking start-up settings");
    } else if (ocPanel->filledFromCard()) {
      ocPanel->WriteStartupOverclock(ocPanel->checkRunAtStartup->checked());
      ocPanel->WriteCardType();
    }
    if (customResPage->loaded())
      customResPage->WriteCustomResolutions();
    else
      skipped.push_back("the custom resolutions");
    if (refreshRatesEntered) {
      if (refreshRatesPage->loaded())
        refreshRatesPage->ApplyRefreshRates();
      else
        skipped.push_back("the refresh rates");
    }
    reportNotSaved(skipped);
  }
  clearModified();
}

// Told once per run: what start-up could not read was left as it is.
void TMainForm::reportNotSaved(const std::vector<std::string>& parts) {
  if (parts.empty() || notSavedReported_) return;
  notSavedReported_ = true;
  app().messageBox("Kestrelune could not read these settings when it started, so it did not "
                   "save them: " + notReadText(parts),
                   app().title(), ui::kMbOk | ui::kMbIconWarning);
}

// "A, B." and, when start-up recorded them, the errors that were the reason.
std::string TMainForm::notReadText(const std::vector<std::string>& parts) const {
  std::string list;
  for (const std::string& part : parts) list += (list.empty() ? "" : ", ") + part;
  std::string why;
  for (const std::string& error : startupErrors_) why += "\n" + error;
  return list + "." + (why.empty() ? "" : "\n\nThe reason:" + why);
}

void TMainForm::buttonOKClick() {
  buttonApplyClick();
  close();
}

void TMainForm::buttonCANCELClick() { close(); }

void TMainForm::Exit1Click() { close(); }

void TMainForm::Close1Click() { close(); }

void TMainForm::Options1Click() { windows_.formOptions->showModal(); }

void TMainForm::menuOverclClick() { TabPages->setActivePage(tabOC); }

void TMainForm::CustomResolutions1Click() { TabPages->setActivePage(tabCustomRes); }

void TMainForm::Refreshrates1Click() { TabPages->setActivePage(tabRefreshrates); }

void TMainForm::menuitemHelpClick() { windows_.formHelp->show(); }

void TMainForm::menuitemAboutClick() {
  replaceDialog(windows_.formAbout, platform_);
  windows_.formAbout->showModal();
}

// A second start of the program: it shows this window, or hands over a
// profile from its command line. Nothing is applied while a dialog of ours
// is open: the user is in the middle of something.
int TMainForm::answerRequest(std::uint32_t code, const std::string& data) {
  switch (static_cast<Request>(code)) {
    case Request::ShowWindow:
      app().restore();
      return 0;
    case Request::ApplyProfile:
    case Request::ApplyProfileSilently: {
      if (app().modalRunning()) return kBusyAnswer;
      const bool wasSilent = app().silent();
      app().setSilent(wasSilent || static_cast<Request>(code) == Request::ApplyProfileSilently);
      const ProfileOutcome outcome = applyProfileCommand(data);
      app().setSilent(wasSilent);
      return static_cast<int>(outcome);
    }
  }
  return 0;
}

void TMainForm::ShowKestrelune1Click() { app().restore(); }

void TMainForm::Minimize1Click() { app().minimize(); }

void TMainForm::Overclock1Click() {
  app().restore();
  TabPages->setActivePage(tabOC);
}

// A confirmed removal disables the button until the next start; a removal
// the user called off (the backup could not be written) leaves it enabled.
// The answer counts for this showing only: closing the warning without
// "&Yes" removes nothing, whatever was answered before.
void TMainForm::speedClearRegClick() {
  driverRemovalConfirmed = false;
  windows_.formAtt->showModal();
  if (!driverRemovalConfirmed) return;
  removeDriverKeys();
}

void TMainForm::removeDriverKeys() {
  if (app::removeDriverKeys(platform_, app())) sysInfoPage->speedclearreg->setEnabled(false);
}

}  // namespace kl::app
