// A user without administrator rights: HKEY_LOCAL_MACHINE refuses every
// write and every open with write access. Each feature shows its own
// message or outcome and writes nothing anywhere else: the writes of the
// whole run are logged, and only those to the user's own places succeed.
#include <gtest/gtest.h>

#include <sstream>

#include "modes/CustomRes.h"
#include "modes/refreshrates.h"
#include "overclock/OCPanel.h"
#include "overclock/StartupOverclock.h"
#include "platform/registry_access.h"
#include "settings/Options.h"
#include "settings_fixture.h"
#include "sysinfo/SysInfoPage.h"

namespace kl::app {
namespace {

namespace user = ui::user;
using Log = std::vector<std::string>;

class LimitedUser : public testing::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    seed("D3D", "\"ExportWBuffer\"=\"1\"\n\"VSync\"=\"0\"\n");
    seed("OGL", "\"OGLTracing\"=dword:00000001\n");
    sim_.registry.loadRegedit4(
        testing::programKeyRegedit("\"installpath\"=\"" + testing::regedit4Escaped(profile("")) + "\"\n"));
    sim_.device.installCard(platform::catalogueCard(platform::CatalogueCard::Radeon8500));
    for (std::uint32_t hz : {60u, 75u})
      sim_.display.addDeviceMode("\\\\.\\DISPLAY1", {800, 600, 16, hz});
    for (std::uint32_t w : {800u, 1024u, 1280u}) sim_.display.addMode({w, w * 3 / 4, 16, 60});
    testing::seedFirstStart(sim_);
    sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
    sim_.watchWrites();
    machineBefore_ = machine();
  }

  // HKEY_LOCAL_MACHINE as REGEDIT4 text.
  std::string machine() {
    std::istringstream all(sim_.registry.saveRegedit4());
    std::string text;
    bool inMachine = false;
    for (std::string line; std::getline(all, line);) {
      if (!line.empty() && line[0] == '[') inMachine = line.rfind("[HKEY_LOCAL_MACHINE", 0) == 0;
      if (inMachine) text += line + "\n";
    }
    return text;
  }
  TMainForm& started() {
    TMainForm& f = start();
    backend_.clearMessages();
    sim_.writes.failWrite(0);  // the log starts here
    return f;
  }
  Log messages() const {
    Log texts;
    for (const auto& m : backend_.messages()) texts.push_back(m.text);
    return texts;
  }
  const Log& writes() const { return sim_.writes.log(); }
  std::string own(const std::string& name) {
    platform::RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
    reg.openKey("Software\\Kestrelune", false);
    return reg.valueExists(name) ? reg.readString(name) : "(absent)";
  }
  void applyWithConfirmation() {
    backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
    user::press(*form().buttonApply);
  }
  void TearDown() override {
    EXPECT_EQ(machineBefore_, machine()) << "HKEY_LOCAL_MACHINE was changed";
    SettingsTest::TearDown();
  }

  std::string machineBefore_;
};

// The first-run reset fails silently and waits for a start with rights;
// the driver's keys cannot be opened with full access, so every setting
// reads as not set and the refresh rates count as locked. Only the two
// flags of the user's own key are written.
TEST_F(LimitedUser, StartUpResetsNothingAndWritesOnlyTheOwnFlags) {
  TMainForm& f = start();
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ("Yes", own("FirstRun"));
  EXPECT_EQ((Log{"registry set HKCU\\Software\\Kestrelune\\overclock = dword 00,00,00,00",
                 "registry set HKCU\\Software\\Kestrelune\\8500 = dword 00,00,00,00"}),
            writes());
  EXPECT_EQ(ui::CheckState::Grayed, box("checkWBuf").state());
  EXPECT_EQ(" Refreshrates (Locked) ", f.refreshRatesPage->groupRes->text());
  EXPECT_EQ("Kestrelune", f.caption());
  EXPECT_TRUE(f.ocPanel->buttApplyOC->enabled());  // the card needs no registry
}

// Apply, and the profile open that runs it, stop at the first driver value
// with the registry's error; the window stays modified, nothing follows
// (no start-up registration, no card type, no mode lists, no prompts).
TEST_F(LimitedUser, ApplyAndProfileOpenStopAtTheFirstDriverValue) {
  TMainForm& f = started();
  user::press(box("checkVSync"));
  user::press(*f.ocPanel->checkRunAtStartup);
  user::focus(*f.refreshRatesPage->groupRes);
  applyWithConfirmation();
  EXPECT_EQ(Log{"Failed to set data for 'ExportWBuffer'"}, messages());
  EXPECT_TRUE(writes().empty());
  EXPECT_TRUE(f.settingsModified);
  EXPECT_EQ("0", std::to_string(sim_.registry.openHandles()));

  const std::string file = profile("game.kpf");
  writeFile(file, "[DirectX]\r\nExportWBuffer=0\r\n");
  backend_.clearMessages();
  backend_.answerFileDialog(file);
  backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  f.userShortcut('O', true);
  EXPECT_EQ(Log{"Failed to set data for 'ExportWBuffer'"}, messages());
  EXPECT_TRUE(writes().empty());
  EXPECT_EQ("Kestrelune *", f.caption());
  EXPECT_EQ(0, backend_.modalCount("formRestartApplyRR"));
}

// A profile lives in the user's files: saving works, and holds what the
// pages show (every setting not set, as the driver's keys could not be
// read); the registry is not touched.
TEST_F(LimitedUser, ProfileSaveWritesOnlyTheFile) {
  TMainForm& f = started();
  const std::string file = profile("saved.kpf");
  backend_.answerFileDialog(file);
  f.userShortcut('S', true);
  EXPECT_TRUE(messages().empty());
  ASSERT_FALSE(writes().empty());
  for (const auto& w : writes()) EXPECT_EQ(0u, w.rfind("profile " + file + " [", 0)) << w;
  EXPECT_EQ("-1", profileValue(file, "DirectX", "ExportWBuffer"));
  EXPECT_FALSE(f.settingsModified);
}

// The Options dialog stores its two values in the user's own key.
TEST_F(LimitedUser, OptionsStoreTheOwnValues) {
  started();
  backend_.onModal("formOptions", [](ui::Form& f) {
    auto& dialog = static_cast<settings::TformOptions&>(f);
    user::press(*dialog.checkAltPath);
    user::press(*dialog.SpeedButton1);
  });
  form().Options1Click();
  EXPECT_TRUE(messages().empty());
  EXPECT_EQ((Log{"registry set HKCU\\Software\\Kestrelune\\AlternativePath = sz " +
                     std::string(testing::kDriverKey),
                 "registry set HKCU\\Software\\Kestrelune\\Use_AltPath = dword 01,00,00,00"}),
            writes());
}

// "Unlock Refreshrates" fails at its first value and prompts for no restart.
TEST_F(LimitedUser, UnlockRefreshratesFailsWithoutAPrompt) {
  TMainForm& f = started();
  user::press(*f.refreshRatesPage->SpeedResetRR);
  EXPECT_EQ(Log{"Failed to set data for 'DALRestrictedModesBCD'"}, messages());
  EXPECT_TRUE(writes().empty());
  EXPECT_EQ(0, backend_.modalCount("formRestartRR"));
}

// The card is reached through the device, not the registry: the panel
// programs it as for anyone, and stores nothing. Where the device refuses
// the user, the panel says so and programs nothing.
TEST_F(LimitedUser, OverclockingProgramsTheCardAndStoresNothing) {
  TMainForm& f = started();
  overclock::OCPanel& p = *f.ocPanel;
  p.trackCoreSpeed->setPosition(p.trackCoreSpeed->position() + 2);
  user::press(*p.buttApplyOC);
  EXPECT_TRUE(messages().empty());
  ASSERT_FALSE(writes().empty());
  for (const auto& w : writes()) EXPECT_EQ(0u, w.rfind("device ", 0)) << w;

  sim_.writes.failWrite(0);
  sim_.device.setOpenRefused(true);
  user::press(*p.butDefault);
  EXPECT_EQ(Log{"Cannot connect to r6probe"}, messages());
  EXPECT_TRUE(writes().empty());
}

// The removal backs the keys up into the user's installation folder, then
// every deletion is refused; the keys left are named, and the button is
// spent as after any confirmed removal.
TEST_F(LimitedUser, DriverRemovalKeepsEverythingAndSaysSo) {
  TMainForm& f = started();
  backend_.onModal("formAtt", [](ui::Form& d) { user::press(*d.find("Button1")); });
  user::press(*f.sysInfoPage->speedclearreg);
  EXPECT_EQ(Log{"Some of the driver's registry keys could not be removed, probably for lack of "
                "administrator rights: HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\"
                "Video\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}."},
            messages());
  ASSERT_EQ(2u, writes().size());
  EXPECT_EQ(0u, writes()[0].rfind("files create folder ", 0));
  EXPECT_EQ(0u, writes()[1].rfind("files write ", 0));
  EXPECT_FALSE(f.sysInfoPage->speedclearreg->enabled());
}

// The start-up program reads the user's own key and programs the card; it
// needs no rights on HKEY_LOCAL_MACHINE and writes no registry.
TEST_F(LimitedUser, TheStartupProgramStillOverclocks) {
  sim_.registry.loadRegedit4(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n\"Core\"=\"202.50\"\n"
      "\"Mem\"=\"202.50\"\n\"Card\"=\"non 7500/8500\"\n\"Tim\"=\"1\"\n\"Lat\"=\"0\"\n"
      "\"apply_tim\"=dword:00000001\n\"apply_lat\"=dword:00000000\n");
  sim_.writes.failWrite(0);  // the log starts here
  EXPECT_EQ(overclock::StartupExit::Programmed, overclock::RunStartupOverclock(platform_));
  ASSERT_EQ(3u, writes().size());
  for (const auto& w : writes()) EXPECT_EQ(0u, w.rfind("device ", 0)) << w;
}

}  // namespace
}  // namespace kl::app
