#include "app/MainProg.h"

#include "app/Confirm.h"
#include "app/SysInfoPage.h"
#include "app/about.h"
#include "app/help.h"
#include "modes/PageRoutines.h"
#include "overclock/OCPanel.h"
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
  buildSettingControls();
  buildOverclockControls();
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

// ---- start-up

void TMainForm::startRoutine() {
  if (!passVersionGate()) return;
  firstRunReset();
  showDriverLines();
  modes::LoadCustomResolutionChecks(*this);
  modes::BuildRefreshRatePage(*this);
  driverRemovalConfirmed = false;
  refreshRatesEntered = false;
  TabPages->setPageIndex(0);
  trackLODChange();
  trackSubPixelPrecisionChange();
  trackTruFormChange();
  checkSync->setChecked(false);
  const std::string profiles = sysinfo::GetInstallPath(platform_) + "Profiles";
  OpenProfile->initialDir = profiles;
  SaveProfile->initialDir = profiles;
  initOverclockPage();
  readStartupFlag("overclock", *checkRunAtStartup);
  readStartupFlag("8500", *check8500OC);
  FillSystemInfo(*this);
  settings::CreateAllKeys(*this);
  settings::LoadAllKeys(*this, kRegister, "");
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
    {
      RegistryAccess driver(platform_.registry, platform::kHkeyLocalMachine);
      driver.openKey(settings::GetDriverKey(platform_, app()), false);
      for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                               "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"})
        driver.writeBinaryData(name, nullptr, 0);
    }
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

void TMainForm::initOverclockPage() {
  overclockPending = false;
  overclock::InitClockInfo(*this);
  try {
    overclock::ShowClocks(*this);
  } catch (const std::exception&) {
    overclock::DisableOverclockPanel(*this);
  }
  overclock::CloseProbe(*this);
}

// "overclock" and "8500": 1 checks the box, any other number unchecks it;
// a value that cannot be read is written as 0. Without the program's key
// that write fails too: the box stays unchecked and start-up goes on.
void TMainForm::readStartupFlag(const std::string& value, ui::CheckBox& box) {
  RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
  own.openKey(kProgramKey, false);
  try {
    box.setChecked(own.readInteger(value) == 1);
    return;
  } catch (const Error&) {
  }
  try {
    own.writeInteger(value, 0);
  } catch (const Error&) {
  }
  box.setChecked(false);
}

// ---- commands

void TMainForm::buttonApplyClick() {
  if (settingsModified) {
    windows_.Confirmation = &app().createForm<TConfirmation>();
    windows_.Confirmation->showModal();
    settings::SaveAllKeys(*this, kRegister, "");
    overclock::WriteStartupOverclock(*this, checkRunAtStartup->checked());
    overclock::WriteCardType(*this);
    modes::WriteCustomResolutions(*this);
    if (refreshRatesEntered) modes::ApplyRefreshRates(*this);
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

// ---- marker handlers

void TMainForm::checkVSyncMouseDown(ui::MouseButton) { markModified(); }

// The strength bar follows the box on every change of its state (the
// box's click event), so it is enabled exactly when the box is checked,
// whether the box was toggled by the left button or by the keyboard; a
// press of another button, which does not toggle, leaves both alone.
void TMainForm::checkEnableTruFormMouseDown(ui::MouseButton) { markModified(); }

void TMainForm::checkEnableTruFormClick() {
  trackTruForm->setEnabled(checkEnableTruForm->checked());
}

void TMainForm::comboAnisoD3DEnter() { markModified(); }

void TMainForm::listCusResEnter() { markModified(); }

void TMainForm::groupResEnter() {
  markModified();
  refreshRatesEntered = true;
}

void TMainForm::trackLODChange() { labelLODC->setText(std::to_string(trackLOD->position())); }

void TMainForm::trackSubPixelPrecisionChange() {
  labelSubPix->setText(std::to_string(trackSubPixelPrecision->position()));
}

void TMainForm::trackTruFormChange() {
  labelTruStr->setText(std::to_string(trackTruForm->position()));
}

}  // namespace kl::app
