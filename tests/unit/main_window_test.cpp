// Start-up, the modified marker and Apply / OK / Cancel, driven through the
// headless toolkit as a user would.
#include <gtest/gtest.h>

#include <sstream>

#include "app/Confirm.h"
#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

using platform::RegistryAccess;
namespace user = ui::user;

class MainWindow : public ::testing::Test {
 protected:
  // A PC with the r6probe driver running, so the overclocking page is
  // filled from the card.
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    testing::seedFixedModes(sim_);
    sim_.device.installCard(platform::catalogueCard(platform::CatalogueCard::Radeon8500));
  }

  TMainForm& start() {
    program_ = std::make_unique<Program>(platform_, backend_);
    program_->createWindows();
    return *program_->windows().MainForm;
  }
  std::string own(const std::string& value) {
    RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
    reg.openKey("Software\\Kestrelune", false);
    return reg.valueExists(value) ? (reg.getDataType(value) == platform::RegDataType::Integer
                                         ? std::to_string(reg.readInteger(value))
                                         : reg.readString(value))
                                  : "(absent)";
  }
  void setOwn(const std::string& regedit4Values) {
    sim_.registry.loadRegedit4(testing::programKeyRegedit(regedit4Values));
  }
  int driverValueSize(const std::string& name) {
    RegistryAccess reg(sim_.registry, platform::kHkeyLocalMachine);
    reg.openKeyReadOnly(testing::kDriverKey);
    return reg.getDataSize(name);
  }
  bool messageShown(const std::string& text) {
    for (const auto& m : backend_.messages())
      if (m.text == text) return true;
    return false;
  }
  // The whole registry as REGEDIT4 text: a deleted value or a created key
  // changes it as much as a written value does.
  std::string snapshot() { return sim_.registry.saveRegedit4(); }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
};

// Each Windows version on a fresh simulated PC.
struct GateCase {
  platform::OsVersion os;
  bool runs;
};

class VersionGate : public MainWindow, public ::testing::WithParamInterface<GateCase> {};

TEST_P(VersionGate, StartsOnWindows2000AndXpOnly) {
  const auto [os, runs] = GetParam();
  sim_.os.setVersion(os);
  testing::seedFirstStart(sim_);
  sim_.registry.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey +
                             "]\n\"DisableHyperZ\"=\"0\"\n");
  const std::string before = snapshot();
  TMainForm& form = start();
  EXPECT_EQ(!runs, program_->app().terminated());
  EXPECT_EQ(!runs, messageShown("Sorry this tweaker only works on Windows 2000/XP for now"));
  if (!runs) {
    EXPECT_EQ(before, snapshot());
    EXPECT_EQ("Yes", own("FirstRun"));
  } else {
    EXPECT_EQ("Kestrelune", form.caption());
    EXPECT_EQ(0, form.TabPages->pageIndex());
    // The driver's key was found and read on this version too.
    EXPECT_EQ("ati2dvag", form.sysInfoPage->labelDriver->text());
    EXPECT_TRUE(static_cast<ui::CheckBox*>(form.find("checkHyperZ"))->checked());
    EXPECT_EQ(0, driverValueSize("DALRestrictedModesBCD"));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionGate,
    ::testing::Values(GateCase{platform::SimOperatingSystem::windows2000(), true},
                      GateCase{platform::SimOperatingSystem::windowsXp("Service Pack 1"), true},
                      GateCase{platform::OsVersion{platform::kPlatformNt, 5, 2, 3790, ""}, false},
                      GateCase{platform::OsVersion{platform::kPlatformNt, 6, 0, 6000, ""}, false}));

TEST_F(MainWindow, FillsTheDriverLinesAndTheStatusLine) {
  // The track bars' labels show the positions loaded from the driver.
  sim_.registry.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey +
                             "\\OpenGL]\n\"OGLLODBias\"=dword:00000003\n"
                             "\"OGLSubPixelPrecision\"=dword:00000002\n");
  platform::FakeVersionInfo desktop;
  desktop.fileVersionMS = 0x00060000;
  desktop.fileVersionLS = 0x0E0A0FA0;
  sim_.versions.addFile("C:\\WINDOWS\\System32\\atiptaxx.exe", desktop);
  sim_.versions.addFile("C:\\WINDOWS\\System32\\atiptaxx.dll", platform::FakeVersionInfo{});
  TMainForm& form = start();
  EXPECT_EQ("ati2dvag", form.sysInfoPage->labelDriver->text());
  EXPECT_EQ("6.14.10.6343", form.sysInfoPage->labelVersion->text());
  EXPECT_EQ("6.0.3594.4000", form.sysInfoPage->labelDesktop->text());
  EXPECT_EQ("Kestrelune 1.60", form.statusBar->panels()[0].text);
  EXPECT_EQ("3", form.settingPages->openGL.labelLODC->text());
  EXPECT_EQ("2", form.settingPages->openGL.labelSubPix->text());
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Profiles", form.OpenProfile->initialDir);
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Profiles", form.SaveProfile->initialDir);
}

TEST_F(MainWindow, TheProgramEntrySetsTheApplicationAndTheTray) {
  setOwn("\"version\"=\"9.99\"\n");
  TMainForm& form = start();
  EXPECT_EQ("Kestrelune", program_->app().title());
  EXPECT_EQ("", program_->app().helpFile());
  EXPECT_EQ(10000, program_->app().hintHidePause());
  EXPECT_EQ("Kestrelune 1.60", form.SystemTray->hint());  // not the registry's version
  EXPECT_EQ("Kestrelune 9.99", form.statusBar->panels()[0].text);
}

TEST_F(MainWindow, UnreadableDriverNameAndVersionShowCannotDetect) {
  sim_.registry.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey +
                             "]\n\"drv\"=dword:00000001\n");
  setOwn("\"version\"=dword:00000001\n");
  TMainForm& form = start();
  EXPECT_EQ("Cannot detect", form.sysInfoPage->labelDriver->text());
  EXPECT_EQ("Kestrelune Cannot detect", form.statusBar->panels()[0].text);
}

TEST_F(MainWindow, FirstRunResetEmptiesTheRestrictedModesOnce) {
  testing::seedFirstStart(sim_);
  start();
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                           "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"})
    EXPECT_EQ(0, driverValueSize(name)) << name;
  EXPECT_EQ("No", own("FirstRun"));
  program_.reset();
  const std::string before = snapshot();
  start();
  EXPECT_EQ(before, snapshot());  // the second start writes nothing
}

TEST_F(MainWindow, FirstRunNeedsExactlyYes) {
  for (const char* value : {"\"FirstRun\"=\"yes\"\n", "\"FirstRun\"=-\n"}) {
    setOwn(value);
    start();
    EXPECT_EQ(-1, driverValueSize("DALRestrictedModesBCD")) << value;
    program_.reset();
  }
}

TEST_F(MainWindow, FirstRunResetWithoutRightsIsRetriedNextStart) {
  testing::seedFirstStart(sim_);
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  start();
  EXPECT_EQ("Yes", own("FirstRun"));
  EXPECT_EQ(-1, driverValueSize("DALRestrictedModesBCD"));
  program_.reset();
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, false);
  start();
  EXPECT_EQ("No", own("FirstRun"));
  EXPECT_EQ(0, driverValueSize("DALRestrictedModesBCD3"));
}

TEST_F(MainWindow, StartupFlagsCheckTheirBoxesOnlyForOne) {
  setOwn("\"overclock\"=dword:00000001\n\"8500\"=dword:00000002\n");
  TMainForm& form = start();
  EXPECT_TRUE(form.ocPanel->checkRunAtStartup->checked());
  EXPECT_FALSE(form.ocPanel->check8500OC->checked());
  EXPECT_EQ("2", own("8500"));  // another number is left as it is
}

TEST_F(MainWindow, UnreadableStartupFlagsAreWrittenAsZero) {
  setOwn("\"overclock\"=\"1\"\n");  // absent "8500", text "overclock"
  TMainForm& form = start();
  EXPECT_FALSE(form.ocPanel->checkRunAtStartup->checked());
  EXPECT_FALSE(form.ocPanel->check8500OC->checked());
  EXPECT_EQ("0", own("overclock"));
  EXPECT_EQ(platform::RegDataType::Integer, [&] {
    RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
    reg.openKey("Software\\Kestrelune", false);
    return reg.getDataType("overclock");
  }());
  EXPECT_EQ("0", own("8500"));
}

TEST_F(MainWindow, StartsWithoutItsOwnKey) {
  sim_.registry.loadRegedit4("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Kestrelune]\n");
  TMainForm& form = start();
  EXPECT_FALSE(program_->app().terminated());
  EXPECT_EQ("Kestrelune", form.caption());
  EXPECT_EQ("Kestrelune ", form.statusBar->panels()[0].text);
  EXPECT_FALSE(form.ocPanel->checkRunAtStartup->checked());
  EXPECT_FALSE(
      RegistryAccess(sim_.registry, platform::kHkeyCurrentUser).keyExists("Software\\Kestrelune"));
}

TEST_F(MainWindow, MousePressesMarkModifiedButTheSpaceBarDoesNot) {
  TMainForm& form = start();
  ui::CheckBox& box = *form.settingPages->directX.checkEnableTruForm;
  user::spaceBar(box);
  EXPECT_TRUE(box.checked());
  EXPECT_EQ("Kestrelune", form.caption());
  user::press(box, ui::MouseButton::Right);
  EXPECT_EQ("Kestrelune *", form.caption());
  EXPECT_TRUE(box.checked());  // a right press does not toggle
  form.clearModified();
  user::press(box);
  EXPECT_EQ("Kestrelune *", form.caption());
  EXPECT_FALSE(box.checked());
}

// The sections of a REGEDIT4 snapshot whose key starts with `prefix`.
std::string sectionsOf(const std::string& snapshot, const std::string& prefix) {
  std::istringstream in(snapshot);
  std::string line, kept;
  bool keep = false;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] == '[') keep = line.compare(1, prefix.size(), prefix) == 0;
    if (keep) kept += line + "\n";
  }
  return kept;
}

// Start-up could not read the card (the driver not running, or a BIOS
// without clock data), so the page shows its design captions: Apply then
// leaves the stored start-up overclock exactly as it was.
void expectStoredStartupOverclockKept(TMainForm& form, platform::MemoryRegistry& registry) {
  const auto stored = [&registry] {
    const std::string all = registry.saveRegedit4();
    return sectionsOf(all, "HKEY_CURRENT_USER\\Software\\Kestrelune") +
           sectionsOf(all, "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
  };
  const std::string before = stored();
  EXPECT_NE(std::string::npos, before.find("\"Core\"=\"202.50\""));
  EXPECT_FALSE(form.ocPanel->checkRunAtStartup->enabled());
  user::press(*form.settingPages->directX.checkEnableTruForm);
  user::press(*form.buttonApply);
  EXPECT_FALSE(form.settingsModified);
  EXPECT_EQ(before, stored());
}

TEST_F(MainWindow, WithoutTheHardwareDeviceTheOverclockingControlsAreDisabled) {
  sim_.device.removeCard();
  TMainForm& form = start();
  for (ui::CheckBox* box :
       {form.ocPanel->checkSync, form.ocPanel->check8500OC, form.ocPanel->checkRunAtStartup})
    EXPECT_FALSE(box->enabled()) << box->name();
  user::press(*form.ocPanel->checkRunAtStartup);
  EXPECT_FALSE(form.settingsModified);
}

constexpr char kStoredStartupOverclock[] =
    "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
    "\"Kestrelune\"=\"\\\"C:\\\\Kestrelune\\\\OC\\\\StartupOverclock.exe\\\"\"\n"
    "[HKEY_CURRENT_USER\\Software\\Kestrelune]\n\"overclock\"=dword:00000001\n"
    "\"8500\"=dword:00000001\n\"installpath\"=\"C:\\\\Kestrelune\\\\\"\n"
    "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n\"Core\"=\"202.50\"\n\"Mem\"=\"202.50\"\n"
    "\"Lat\"=\"0\"\n\"Tim\"=\"2\"\n\"Card\"=\"non 7500/8500\"\n\"apply_tim\"=dword:00000001\n"
    "\"apply_lat\"=dword:00000001\n";

TEST_F(MainWindow, ApplyWithoutTheHardwareDeviceKeepsTheStoredStartupOverclock) {
  sim_.registry.loadRegedit4(kStoredStartupOverclock);
  sim_.device.removeCard();
  backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  expectStoredStartupOverclockKept(start(), sim_.registry);
  EXPECT_TRUE(backend_.messages().empty());  // the page was disabled: nothing to tell
}

TEST_F(MainWindow, ApplyOnACardWithoutClockDataKeepsTheStoredStartupOverclock) {
  sim_.registry.loadRegedit4(kStoredStartupOverclock);
  sim_.device.installCard(platform::catalogueCard(platform::CatalogueCard::NoBiosClockData));
  backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  expectStoredStartupOverclockKept(start(), sim_.registry);
}

TEST_F(MainWindow, FocusOnValueControlsMarksModified) {
  TMainForm& form = start();
  user::focus(*form.settingPages->openGL.trackLOD);
  EXPECT_TRUE(form.settingsModified);
  EXPECT_FALSE(form.refreshRatesEntered);
  user::focus(*form.refreshRatesPage->groupRes);
  EXPECT_TRUE(form.refreshRatesEntered);
}

TEST_F(MainWindow, TrackBarsShowTheirPositionWithoutMarking) {
  TMainForm& form = start();
  form.settingPages->openGL.trackLOD->setPosition(7);
  EXPECT_EQ("7", form.settingPages->openGL.labelLODC->text());
  EXPECT_FALSE(form.settingsModified);
}

TEST_F(MainWindow, TruFormStrengthFollowsItsBox) {
  TMainForm& form = start();
  user::press(*form.settingPages->directX.checkEnableTruForm);
  EXPECT_TRUE(form.settingPages->directX.trackTruForm->enabled());
  user::press(*form.settingPages->directX.checkEnableTruForm, ui::MouseButton::Right);
  EXPECT_TRUE(form.settingPages->directX.trackTruForm->enabled());
  user::spaceBar(*form.settingPages->directX.checkEnableTruForm);
  EXPECT_FALSE(form.settingPages->directX.trackTruForm->enabled());
}

TEST_F(MainWindow, ApplyOnAnUnmodifiedWindowWritesNothing) {
  TMainForm& form = start();
  const std::string before = snapshot();
  user::press(*form.buttonApply);
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_EQ(before, snapshot());
}

TEST_F(MainWindow, ApplyShowsProgressThenWritesAndClears) {
  TMainForm& form = start();
  form.ocPanel->check8500OC->setChecked(true);
  user::press(*form.settingPages->directX.checkEnableTruForm);
  user::press(*static_cast<ui::CheckBox*>(form.find("checkWBuf")));  // not set -> checked
  const std::string before = snapshot();
  std::string whileShowing;
  backend_.onModal("Confirmation", [&](ui::Form& dialog) {
    whileShowing = snapshot();
    EXPECT_EQ("Saving Configuration...", dialog.caption());
    EXPECT_EQ("Saving new configuration...", dialog.find("Label1")->text());
    auto& ok = *dynamic_cast<TConfirmation&>(dialog).butOk;
    EXPECT_FALSE(ok.enabled());
    backend_.advance(990);
    EXPECT_FALSE(ok.enabled());
    backend_.advance(10);
    EXPECT_TRUE(ok.enabled());
    user::press(ok);
  });
  user::press(*form.buttonApply);
  EXPECT_EQ(1, backend_.modalCount("Confirmation"));
  EXPECT_EQ(before, whileShowing);  // nothing is written before the dialog has closed
  EXPECT_EQ("1", own("8500"));
  EXPECT_EQ(2, [&] {
    RegistryAccess reg(sim_.registry, platform::kHkeyLocalMachine);
    reg.openKeyReadOnly(testing::kDriverKey);
    return reg.getDataSize("ExportWBuffer");  // the first value Apply writes: "1"
  }());
  EXPECT_EQ("Kestrelune", form.caption());
}

TEST_F(MainWindow, ProgressDialogCanBeClosedEarly) {
  TMainForm& form = start();
  for (int i = 0; i < 2; ++i) {
    user::press(*form.settingPages->directX.checkEnableTruForm);
    backend_.onModal("Confirmation", [](ui::Form& dialog) { dialog.userClose(); });
    user::press(*form.buttonApply);
    EXPECT_FALSE(form.settingsModified);
    EXPECT_EQ(0, program_->windows().Confirmation->progConfirm->position());
  }
  EXPECT_EQ(2, backend_.modalCount("Confirmation"));
  // A fresh dialog per Apply, the one before it released: nine windows still.
  EXPECT_EQ(9u, program_->app().forms().size());
}

// However and whenever the progress dialog ends, at any tick from the first
// to the last and the moment OK is enabled, its timer is stopped, and a tick
// that comes after the end moves nothing: the idle program runs no timer.
TEST_F(MainWindow, TheProgressTimerStopsAtEveryMomentTheDialogCanEnd) {
  TMainForm& form = start();
  ASSERT_EQ(0, backend_.runningTimers());
  for (int at = 0; at <= 1010; at += 3) {
    user::press(*form.settingPages->directX.checkEnableTruForm);
    TConfirmation* shown = nullptr;
    backend_.onModal("Confirmation", [&](ui::Form& dialog) {
      shown = &dynamic_cast<TConfirmation&>(dialog);
      backend_.advance(at);
      if (shown->butOk->enabled() && at % 2 == 0)
        user::press(*shown->butOk);
      else
        user::closeBox(dialog);
    });
    user::press(*form.buttonApply);
    ASSERT_NE(nullptr, shown);
    EXPECT_EQ(0, backend_.runningTimers()) << "closed after " << at << " ms";
    const int position = shown->progConfirm->position();
    shown->timer.elapsed();  // a tick already on its way when the dialog ended
    backend_.advance(50);
    EXPECT_EQ(position, shown->progConfirm->position()) << at;
    EXPECT_EQ(0, backend_.runningTimers()) << at;
  }
  EXPECT_EQ(9u, program_->app().forms().size());
}

TEST_F(MainWindow, FailedCardTypeWriteIsReportedAndApplyGoesOn) {
  TMainForm& form = start();
  user::press(*form.settingPages->directX.checkEnableTruForm);
  // Only the card type is refused; the custom resolutions after it are
  // written and the marker clears.
  sim_.registry.refuseWritesOf("8500");
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*form.buttonApply);
  EXPECT_TRUE(messageShown("Cannot write overclock data to registry"));
  EXPECT_EQ(40, [&] {
    RegistryAccess reg(sim_.registry, platform::kHkeyLocalMachine);
    reg.openKeyReadOnly(testing::kDriverKey);
    return reg.getDataSize("DALNonStandardModesBCD1");
  }());
  EXPECT_FALSE(form.settingsModified);
}

TEST_F(MainWindow, AnErrorInsideApplyEndsItWithTheMarkerSet) {
  TMainForm& form = start();
  form.ocPanel->check8500OC->setChecked(true);
  user::press(*form.settingPages->directX.checkEnableTruForm);
  backend_.onModal("Confirmation",
                   [](ui::Form&) { throw Error("Failed to set data for 'VSync'"); });
  user::press(*form.buttonApply);
  EXPECT_TRUE(messageShown("Failed to set data for 'VSync'"));
  EXPECT_EQ("Kestrelune *", form.caption());
  EXPECT_EQ("0", own("8500"));  // the step after the error did not run
  EXPECT_FALSE(program_->app().terminated());
}

// The mode lists come last in Apply, the refresh rates only once their page
// was entered; a custom-resolution write that fails ends Apply there: what it
// wrote before stays, the refresh rates are not touched, the marker stays.
TEST_F(MainWindow, ModeListsComeLastAndOnlyAnEnteredRefreshRatePageIsApplied) {
  for (std::uint32_t width : {800u, 1024u, 1280u})
    sim_.display.addMode({width, width * 3 / 4, 16, 60});
  for (std::uint32_t hz : {60u, 75u})
    sim_.display.addDeviceMode("\\\\.\\DISPLAY1", {800, 600, 16, hz});
  for (const char* prompt : {"formCusRes", "formRestartApplyRR"})
    for (int i = 0; i < 4; ++i)
      backend_.onModal(prompt, [](ui::Form& f) { user::press(*f.find("butOKCusRes")); });
  testing::seedFirstStart(sim_);  // the restricted lists start empty: rates unlocked
  TMainForm& form = start();
  ASSERT_EQ(1u, form.refreshRatesPage->rows.size());
  const auto lines = [&](const std::string& name) {
    std::string found, line;
    std::istringstream all(snapshot());
    while (std::getline(all, line))
      if (line.find("\"" + name) == 0) found += line + "\n";
    return found;
  };
  const auto apply = [&] {
    backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
    user::press(*form.buttonApply);
  };

  user::press(*form.settingPages->directX.checkEnableTruForm);
  const std::string unlocked = lines("DALRestrictedModesBCD");
  apply();
  EXPECT_EQ(unlocked, lines("DALRestrictedModesBCD"));  // the page was never entered
  EXPECT_EQ(0, backend_.modalCount("formRestartApplyRR"));
  EXPECT_EQ("Kestrelune", form.caption());

  user::pick(*form.refreshRatesPage->rows[0].rates, 1);  // 75 Hz: 60 is restricted
  user::focus(*form.customResPage->listCusRes);
  form.customResPage->listCusRes->userToggle(6);
  const std::string fixed = lines("DALNonStandardModesBCD");
  sim_.registry.refuseWritesOf("DALNonStandardModesBCD1");
  apply();
  EXPECT_TRUE(messageShown("Failed to set data for 'DALNonStandardModesBCD1'"));
  EXPECT_NE(fixed, lines("DALNonStandardModesBCD"));  // the first name was written
  EXPECT_EQ(unlocked, lines("DALRestrictedModesBCD"));
  EXPECT_EQ("Kestrelune *", form.caption());

  sim_.registry.refuseWritesOf("");
  apply();
  EXPECT_NE(unlocked, lines("DALRestrictedModesBCD"));
  EXPECT_EQ(1, backend_.modalCount("formRestartApplyRR"));
  EXPECT_EQ("Kestrelune", form.caption());
}

TEST_F(MainWindow, OkAppliesThenEnds) {
  TMainForm& form = start();
  user::press(*form.buttonOK);
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_TRUE(program_->app().terminated());

  program_.reset();  // the same machine: seeding it twice would add a second display
  TMainForm& again = start();
  again.ocPanel->check8500OC->setChecked(true);
  user::press(*again.settingPages->directX.checkEnableTruForm);
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*again.buttonOK);
  EXPECT_EQ(1, backend_.modalCount("Confirmation"));
  EXPECT_EQ("1", own("8500"));
  EXPECT_TRUE(program_->app().terminated());
}

TEST_F(MainWindow, CancelAndExitEndWithoutWriting) {
  TMainForm& form = start();
  user::press(*form.settingPages->directX.checkEnableTruForm);
  const std::string before = snapshot();
  user::press(*form.buttonCANCEL);
  EXPECT_TRUE(program_->app().terminated());
  EXPECT_EQ(before, snapshot());
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));

  program_.reset();
  TMainForm& second = start();
  EXPECT_TRUE(second.userShortcut('X', true));  // File > Exit
  EXPECT_TRUE(program_->app().terminated());
}

TEST_F(MainWindow, CreatesTheNineWindowsInOrderWithTheirCaptions) {
  start();
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"TMainForm", "Kestrelune"},
      {"TformHelp", "Kestrelune Help"},
      {"TformAtt", "Attention!"},
      {"TformAbout", "About"},
      {"TConfirmation", "Saving Configuration..."},
      {"TformCusRes", "Custom Resolutions"},
      {"TformOptions", "Options"},
      {"TformRestartRR", "Restart Windows"},
      {"TformRestartApplyRR", "Restart Windows"}};
  const auto& forms = program_->app().forms();
  ASSERT_EQ(expected.size(), forms.size());
  for (std::size_t i = 0; i < forms.size(); ++i) {
    EXPECT_EQ(expected[i].first, forms[i]->windowClass());
    EXPECT_EQ(expected[i].second, forms[i]->caption());
  }
  const auto& main = *program_->windows().MainForm;
  std::vector<std::string> tabs;
  for (auto* page : main.TabPages->pages()) tabs.push_back(page->text());
  EXPECT_EQ((std::vector<std::string>{"System Information", "DirectX", "DirectX Advanced", "OpenGL",
                                      "OpenGL Private", "DVD", "Windows GUI", "Overclocking",
                                      "Custom Resolutions", "Refreshrates"}),
            tabs);
}

TEST_F(MainWindow, MenuCommandsSelectPages) {
  TMainForm& form = start();
  static_cast<ui::MenuItem*>(form.MenuBar->find("menuOvercl"))->userClick();
  EXPECT_EQ(form.tabOC, form.TabPages->activePage());
  static_cast<ui::MenuItem*>(form.MenuBar->find("Refreshrates1"))->userClick();
  EXPECT_EQ(form.tabRefreshrates, form.TabPages->activePage());
}

}  // namespace
}  // namespace kl::app
