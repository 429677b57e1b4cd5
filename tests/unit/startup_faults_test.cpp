// A start-up that a fault cut short: what it could not read is never written
// back by Apply or a profile save, and a driver key that cannot be found never
// turns into the root of HKEY_LOCAL_MACHINE.
#include <gtest/gtest.h>

#include <map>

#include "platform/registry_access.h"
#include "settings/BindingGroups.h"
#include "settings/Catalogues.h"
#include "settings/DriverKey.h"
#include "settings/Options.h"
#include "settings_fixture.h"

namespace kl::app {
namespace {

using settings::Group;
namespace user = ui::user;

class StartupFaults : public testing::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    seed("Driver", "");
    // Values in every group, so a group written from its design state shows.
    seed("D3D",
         "\"ExportWBuffer\"=\"1\"\n\"TableFogEnable\"=\"0\"\n\"DisableIDCT\"=dword:00000001\n"
         "\"DisableMMX\"=dword:00000000\n");
    seed("OGL", "\"OGLTracing\"=dword:00000001\n\"OGLLODBias\"=dword:00000005\n");
    seed("OGLP", "\"enableAALines\"=dword:00000000\n");
    seed("Driver", "\"Rotation\"=hex:01,00,00,00\n");
    sim_.registry.loadRegedit4(testing::programKeyRegedit(
        "\"8500\"=dword:00000001\n\"overclock\"=dword:00000001\n"));
  }
  std::string own(const std::string& name) {
    platform::RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
    reg.openKey("Software\\Kestrelune", false);
    return reg.valueExists(name) ? std::to_string(reg.readInteger(name)) : "(absent)";
  }
  // Every value of the groups from `first` on, as stored now.
  std::map<std::string, std::string> valuesFrom(Group first) {
    std::map<std::string, std::string> values;
    for (auto g = static_cast<std::size_t>(first); g < settings::kGroupCount; ++g)
      for (const auto& row : settings::catalogueOf(static_cast<Group>(g)).rows)
        values[std::string(row.role) + "/" + row.valueName] = stored(row.role, row.valueName);
    return values;
  }
  // As a user would: a press on a box of each of the six pages, then Apply.
  void touchEveryPageAndApply(TMainForm& f) {
    for (const char* name : {"checkVSync", "checkBumpMap", "checkOGLTracing", "checkEnableAALines",
                             "checkIDCT", "checkMMX", "checkRotation"})
      user::press(box(name));
    backend_.onModal("Confirmation", [](ui::Form& d) { d.userClose(); });
    user::press(*f.buttonApply);
  }
  int shown(const std::string& text) {
    int n = 0;
    for (const auto& m : backend_.messages()) n += m.text == text;
    return n;
  }
  int notSavedNotices() {
    int n = 0;
    for (const auto& m : backend_.messages())
      n += m.text.rfind("Kestrelune could not read these settings when it started, so it did "
                        "not save them: ", 0) == 0;
    return n;
  }
  // Refusals of a profile save that names `groups` and the reason.
  int profileRefusals(const std::string& groups, const std::string& reason) {
    int n = 0;
    for (const auto& m : backend_.messages())
      n += m.text == "Kestrelune could not read these settings when it started, so it cannot "
                     "save a complete profile: " + groups + ".\n\nThe reason:\n" + reason +
                         "\n\nNo profile was saved.";
    return n;
  }
  // A save from the main menu and one from the tray: each is refused, and
  // no file dialog is shown.
  void saveFromMenuAndTray(TMainForm& f) {
    f.userShortcut('S', true);
    static_cast<ui::MenuItem*>(f.SysTrayPopup->find("SaveProfilesystray"))->userClick();
    EXPECT_TRUE(backend_.fileDialogs().empty());
  }
};

// A switch of the wrong type stops every step that needs the driver key; the
// steps that do not still run, so the card type and the start-up overclock
// that were read are written back as read.
TEST_F(StartupFaults, AnUnreadableKeySwitchLeavesTheDriversValuesAndTheOwnValuesAlone) {
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"Use_AltPath\"=\"0\"\n"));
  const auto before = valuesFrom(Group::DirectX);
  TMainForm& f = start();
  EXPECT_EQ(1, shown("Invalid data type for 'Use_AltPath'"));
  EXPECT_EQ("Cannot detect", f.sysInfoPage->labelDriver->text());
  EXPECT_TRUE(f.ocPanel->check8500OC->checked());
  EXPECT_TRUE(f.ocPanel->checkRunAtStartup->checked());

  touchEveryPageAndApply(f);
  EXPECT_EQ(before, valuesFrom(Group::DirectX));
  EXPECT_EQ("1", own("8500"));
  EXPECT_EQ("1", own("overclock"));
  EXPECT_EQ(1, notSavedNotices());
  EXPECT_FALSE(f.settingsModified);

  // A profile without the groups would, opened in a healthy run, gray them
  // and make its Apply delete their values: it is not saved at all, and
  // each try is told why.
  saveFromMenuAndTray(f);
  saveFromMenuAndTray(f);
  EXPECT_EQ(4, profileRefusals("DirectX, DirectX Advanced, OpenGL, OpenGL Private, DVD, "
                               "Windows GUI, ATi driver tabs",
                               "Invalid data type for 'Use_AltPath'"));
  EXPECT_EQ(1, notSavedNotices());  // the Apply's notice, told once
}

struct LoadFault {
  const char* role;
  const char* regedit4;  // the value of the wrong type
  Group firstUnloaded;
  const char* message;
  const char* groupsNotRead;
};

constexpr char kAllGroups[] =
    "DirectX, DirectX Advanced, OpenGL, OpenGL Private, DVD, Windows GUI, ATi driver tabs";
constexpr char kAllButDirectX[] =
    "DirectX Advanced, OpenGL, OpenGL Private, DVD, Windows GUI, ATi driver tabs";

class StartupLoadFaults : public StartupFaults,
                          public ::testing::WithParamInterface<LoadFault> {};

// The load stops at the faulty group: the groups before it are saved as
// usual, it and the groups after it are left byte for byte as they were in
// the registry, and no profile is saved without them.
TEST_P(StartupLoadFaults, GroupsTheLoadDidNotReachAreNeitherAppliedNorSaved) {
  const LoadFault fault = GetParam();
  seed(fault.role, fault.regedit4);
  const auto before = valuesFrom(fault.firstUnloaded);
  TMainForm& f = start();
  EXPECT_EQ(1, shown(fault.message));
  touchEveryPageAndApply(f);
  EXPECT_EQ(before, valuesFrom(fault.firstUnloaded));
  EXPECT_EQ(1, notSavedNotices());
  if (fault.firstUnloaded != Group::DirectX) {
    EXPECT_EQ("SZ 1", stored("D3D", "VSync"));  // the DirectX group, loaded, is applied
  }

  saveFromMenuAndTray(f);
  EXPECT_EQ(2, profileRefusals(fault.groupsNotRead, fault.message));
}

INSTANTIATE_TEST_SUITE_P(
    Faults, StartupLoadFaults,
    ::testing::Values(LoadFault{"D3D", "\"VSync\"=dword:00000001", Group::DirectX,
                                "Invalid data type for 'VSync'", kAllGroups},
                      LoadFault{"D3D", "\"WFogEnable\"=hex:01", Group::DirectXAdvanced,
                                "Invalid data type for 'WFogEnable'", kAllButDirectX},
                      LoadFault{"D3D", "\"NPatchMode\"=\"strong\"", Group::DirectXAdvanced,
                                "'strong' is not a valid integer value", kAllButDirectX}));

// A list that cannot be read is reported; Apply keeps it rather than
// replacing it with the five fixed modes, and the rest of start-up ran.
TEST_F(StartupFaults, AnUnreadableModeListIsKept) {
  seed("D3D", "\"DALNonStandardModesBCD\"=\"text\"\n");
  const std::string second = stored("D3D", "DALNonStandardModesBCD1");
  TMainForm& f = start();
  EXPECT_EQ(1, shown("Invalid data type for 'DALNonStandardModesBCD'"));
  EXPECT_EQ(ui::CheckState::Checked, box("checkWBuf").state());  // the settings loaded
  touchEveryPageAndApply(f);
  EXPECT_EQ("SZ text", stored("D3D", "DALNonStandardModesBCD"));
  EXPECT_EQ(second, stored("D3D", "DALNonStandardModesBCD1"));
  EXPECT_EQ(1, notSavedNotices());
}

// A published driver key of the wrong type fails every lookup alike: start-up
// says so once, not once per setting; Apply then writes nothing of the
// driver's and asks for no key.
TEST_F(StartupFaults, ADriverKeyThatCannotBeFoundIsReportedOncePerCommand) {
  sim_.registry.loadRegedit4(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n\"\\\\Device\\\\Video0\"=dword:00000001\n");
  TMainForm& f = start();
  EXPECT_EQ(1, shown("Cannot find driver"));
  const std::string before = sim_.registry.saveRegedit4();
  touchEveryPageAndApply(f);
  EXPECT_EQ(1, shown("Cannot find driver"));
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
}

// "Use_AltPath" = 1 without a path: no driver key. Nothing is read or
// written at the root of HKEY_LOCAL_MACHINE, and the first-run reset waits
// for a start that finds the driver's key.
TEST_F(StartupFaults, AnEmptyDriverKeyIsNoKeyAtAll) {
  testing::seedFirstStart(sim_);
  sim_.registry.loadRegedit4(testing::programKeyRegedit(
      "\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=-\n"));
  sim_.registry.loadRegedit4("REGEDIT4\n[HKEY_LOCAL_MACHINE]\n\"drv\"=\"root\"\n");
  TMainForm& f = start();
  EXPECT_EQ("", f.sysInfoPage->labelDriver->text());
  EXPECT_EQ("", settings::ResolveKeyPath(platform_, program_->app(), "5.1", "OGL"));
  EXPECT_EQ("", settings::ResolveKeyPath(platform_, program_->app(), "5.0", "OGLP"));
  touchEveryPageAndApply(f);
  platform::RegistryAccess root(sim_.registry, platform::kHkeyLocalMachine);
  root.openKeyReadOnly("");
  EXPECT_FALSE(root.valueExists("DALRestrictedModesBCD"));
  EXPECT_FALSE(root.valueExists("VSync"));
  platform::RegistryAccess own(sim_.registry, platform::kHkeyCurrentUser);
  own.openKey("Software\\Kestrelune", false);
  EXPECT_EQ("Yes", own.readString("FirstRun"));

  program_.reset();
  own.writeInteger("Use_AltPath", 0);
  start();
  EXPECT_EQ("No", own.readString("FirstRun"));
  EXPECT_EQ("BINARY", stored("D3D", "DALRestrictedModesBCD3"));
}

// The Options dialog with a switch of the wrong type: the error is shown,
// the dialog opens with the detected path and "&Ok" closes it, storing a
// switch of the right type.
TEST_F(StartupFaults, TheOptionsDialogMendsAnUnreadableSwitch) {
  start();
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"Use_AltPath\"=\"1\"\n"));
  backend_.clearMessages();
  bool shownWithDetectedPath = false;
  backend_.onModal("formOptions", [&](ui::Form& f) {
    auto& dialog = static_cast<settings::TformOptions&>(f);
    shownWithDetectedPath = !dialog.checkAltPath->checked() &&
                            dialog.editAltPath->text() == testing::kDriverKey;
    user::press(*dialog.SpeedButton1);
    EXPECT_FALSE(dialog.isShowing());
  });
  form().Options1Click();
  EXPECT_EQ(1, shown("Invalid data type for 'Use_AltPath'"));
  EXPECT_TRUE(shownWithDetectedPath);
  platform::RegistryAccess own(sim_.registry, platform::kHkeyCurrentUser);
  own.openKey("Software\\Kestrelune", false);
  EXPECT_EQ(0, own.readInteger("Use_AltPath"));
  EXPECT_EQ(testing::kDriverKey, own.readString("AlternativePath"));
}

}  // namespace
}  // namespace kl::app
