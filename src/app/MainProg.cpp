#include "app/MainProg.h"

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

void TMainForm::startRoutine() {
  if (!passVersionGate()) return;
  firstRunReset();
  showDriverLines();
  loadCustomResolutionChecks();
  refreshRatesPage->BuildRefreshRatePage();
  driverRemovalConfirmed = false;
  refreshRatesEntered = false;
  TabPages->setPageIndex(0);
  settingPages->openGL.trackLODChange();
  settingPages->openGL.trackSubPixelPrecisionChange();
  settingPages->directX.trackTruFormChange();
  const std::string profiles = sysinfo::GetInstallPath(platform_) + "Profiles";
  OpenProfile->initialDir = profiles;
  SaveProfile->initialDir = profiles;
  ocPanel->InitOverclockPanel();
  FillSystemInfo(*this);
  settings::CreateAllKeys(*settingPages);
  settings::LoadAllKeys(*settingPages, kRegister, "");
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

void TMainForm::showDriverLines() {
  RegistryAccess driver(platform_.registry, platform::kHkeyLocalMachine);
  driver.openKey(settings::GetDriverKey(platform_, app()), false);
  try {
    labelDriver->setText(driver.readString("drv"));
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

// A list that cannot be read is reported and leaves every item unchecked;
// start-up goes on.
void TMainForm::loadCustomResolutionChecks() {
  try {
    customResPage->LoadCustomResolutionChecks();
  } catch (const std::exception& e) {
    app().handleException(e);
  }
}

// ---- commands

void TMainForm::buttonApplyClick() {
  if (settingsModified) {
    windows_.Confirmation = &app().createForm<TConfirmation>();
    windows_.Confirmation->showModal();
    settings::SaveAllKeys(*settingPages, kRegister, "");
    ocPanel->WriteStartupOverclock(ocPanel->checkRunAtStartup->checked());
    ocPanel->WriteCardType();
    customResPage->WriteCustomResolutions();
    if (refreshRatesEntered) refreshRatesPage->ApplyRefreshRates();
  }
  clearModified();
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
