#include "app/MainProg.h"

#include <algorithm>

#include "app/Confirm.h"
#include "app/SysInfoPage.h"
#include "app/about.h"
#include "app/help.h"
#include "modes/CusResForm.h"
#include "modes/ModeList.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/BindingGroups.h"
#include "settings/DriverKey.h"
#include "settings/Options.h"
#include "sysinfo/SysInfo_NT.h"

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
  buildSysInfoPage();
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
}

// ---- start-up

// After the version gate every step that can fail runs on its own: a failed
// step is reported and start-up goes on, so what the later steps load is
// loaded all the same. Apply and profile save then leave out what was not.
void TMainForm::startRoutine() {
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
  const std::string profiles = sysinfo::GetInstallPath(platform_) + "Profiles";
  OpenProfile->initialDir = profiles;
  SaveProfile->initialDir = profiles;
  startupStep([&] { ocPanel->InitOverclockPanel(); });
  startupStep([&] { FillSystemInfo(*this); });
  startupStep([&] {
    settings::CreateAllKeys(*settingPages);
    settings::LoadAllKeys(*settingPages, kRegister, "");
  });
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
  osVersionText = sysinfo::GetWindowsVersion(platform_, 1);
  if (osVersionText == "5.1" || osVersionText == "5.0") return true;
  app().messageBox("Sorry this tweaker only works on Windows 2000/XP for now", app().title(),
                   ui::kMbOk);
  app().terminate();
  return false;
}

// Empties the restricted mode lists once after installation. "No" is
// written last, so a reset that failed is tried again at the next start.
void TMainForm::firstRunReset() {
  try {
    RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
    own.openKey(kProgramKey, false);
    if (own.readString("FirstRun") != "Yes") return;
    modes::ClearRestrictedModes(platform_, app());
    own.writeString("FirstRun", "No");
  } catch (const std::exception&) {
    // Swallowed: start-up goes on, and the reset is retried next time.
  }
}

// A driver key that cannot be looked up reads as a name that cannot be read.
void TMainForm::showDriverLines() {
  try {
    RegistryAccess driver(platform_.registry, platform::kHkeyLocalMachine);
    const std::string key = settings::GetDriverKey(platform_, app());
    labelDriver->setText(!key.empty() && driver.openKey(key, false) ? driver.readString("drv") : "");
  } catch (const Error&) {
    labelDriver->setText("Cannot detect");
  }
  const std::string system32 = sysinfo::GetWindowsDir(platform_) + "\\System32\\";
  // A driver file that is missing or has no version keeps "Can't detect".
  for (auto [label, file] : {std::pair{labelVersion, "ati2dvag.dll"},
                             std::pair{labelDesktop, "atiptaxx.exe"}}) {
    try {
      label->setText(sysinfo::GetFileVersionText(platform_, system32 + file));
    } catch (const Error&) {
    }
  }
  statusBar->setPanelText(0, "Kestrelune " + sysinfo::GetProgramVersion(platform_));
}

// ---- commands

void TMainForm::buttonApplyClick() {
  if (settingsModified) {
    windows_.Confirmation = &app().createForm<TConfirmation>();
    windows_.Confirmation->showModal();
    std::vector<std::string> skipped = settings::SaveAllKeys(*settingPages, kRegister, "");
    if (ocPanel->startupLoaded()) {
      ocPanel->WriteStartupOverclock(ocPanel->checkRunAtStartup->checked());
      ocPanel->WriteCardType();
    } else {
      skipped.push_back("the overclocking start-up settings");
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
  std::string list;
  for (const std::string& part : parts) list += (list.empty() ? "" : ", ") + part;
  std::string why;
  for (const std::string& error : startupErrors_) why += "\n" + error;
  app().messageBox("Kestrelune could not read these settings when it started, so it did not "
                   "save them: " + list + "." +
                       (why.empty() ? "" : "\n\nThe reason:" + why),
                   app().title(), ui::kMbOk | ui::kMbIconWarning);
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
  windows_.formAbout = &app().createForm<TformAbout>(platform_);
  windows_.formAbout->showModal();
}

}  // namespace kl::app
