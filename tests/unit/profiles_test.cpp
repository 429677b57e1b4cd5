// Saving and opening profiles from the menu and the tray, and the marker
// rules around them.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/registry_access.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace user = ui::user;

using testing::kDesktopKey;

class Profiles : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    testing::seedFixedModes(sim_);
    char pattern[] = "/tmp/kl-profiles-XXXXXX";
    folder_ = mkdtemp(pattern);
    program_ = std::make_unique<Program>(platform_, backend_);
    program_->createWindows();
    form_ = program_->windows().MainForm;
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  std::string file(const std::string& name) { return folder_ + "/" + name; }
  std::string contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  void menu(const char* item) { static_cast<ui::MenuItem*>(form_->find(item))->userClick(); }
  void confirmProgress() {
    backend_.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
  }
  std::string snapshot() { return sim_.registry.saveRegedit4(); }
  std::string driverText(const std::string& name) {
    platform::RegistryAccess reg(sim_.registry, platform::kHkeyLocalMachine);
    reg.openKeyReadOnly(testing::kDriverKey);
    return reg.valueExists(name) ? reg.readString(name) : "(absent)";
  }
  ui::CheckBox& box(const char* name) { return *static_cast<ui::CheckBox*>(form_->find(name)); }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
  TMainForm* form_ = nullptr;
  std::string folder_;
};

TEST_F(Profiles, DialogsAreSetUpForProfiles) {
  EXPECT_EQ("Load Profile", form_->OpenProfile->title);
  EXPECT_EQ("Save Profile", form_->SaveProfile->title);
  EXPECT_EQ("Kestrelune Profile|*.kpf", form_->SaveProfile->filter);
  EXPECT_EQ(".kpf", form_->OpenProfile->defaultExt);
  EXPECT_TRUE(form_->SaveProfile->options.overwritePrompt);
  EXPECT_FALSE(form_->OpenProfile->options.fileMustExist);
  EXPECT_TRUE(form_->OpenProfile->options.hideReadOnly);
}

TEST_F(Profiles, MenuSaveClearsTheMarkerEvenWhenCancelled) {
  form_->markModified();
  backend_.answerFileDialog(std::nullopt);
  form_->userShortcut('S', true);
  EXPECT_EQ("Kestrelune", form_->caption());
  EXPECT_EQ(1u, backend_.fileDialogs().size());
}

TEST_F(Profiles, TraySaveLeavesTheMarkerAlone) {
  form_->markModified();
  backend_.answerFileDialog(std::nullopt);
  menu("SaveProfilesystray");
  EXPECT_EQ("Kestrelune *", form_->caption());
}

TEST_F(Profiles, CancelledOpenStillAppliesTheControls) {
  confirmProgress();
  backend_.answerFileDialog(std::nullopt);
  form_->userShortcut('O', true);
  EXPECT_EQ(1, backend_.modalCount("Confirmation"));
  EXPECT_EQ("Kestrelune", form_->caption());
}

// Both save commands write the controls as they stand into the chosen file,
// through a dialog that starts in the installation's profile folder.
TEST_F(Profiles, MenuAndTraySaveWriteTheControlsIntoTheChosenFile) {
  box("checkVSync").setState(ui::CheckState::Checked);
  box("checkHyperZ").setState(ui::CheckState::Unchecked);
  const std::string before = snapshot();
  backend_.answerFileDialog(file("menu.kpf"));
  menu("menuitemSave");
  box("checkVSync").setState(ui::CheckState::Grayed);
  backend_.answerFileDialog(file("tray.kpf"));
  menu("SaveProfilesystray");
  ASSERT_EQ(2u, backend_.fileDialogs().size());
  for (ui::FileDialog* d : backend_.fileDialogs()) {
    EXPECT_EQ(ui::FileDialogKind::Save, d->kind());
    EXPECT_EQ("C:\\Program Files\\Kestrelune\\Profiles", d->initialDir);
  }
  const std::string menuSaved = contents(file("menu.kpf"));
  EXPECT_NE(std::string::npos, menuSaved.find("VSync=1"));
  EXPECT_NE(std::string::npos, menuSaved.find("DisableHyperZ=1"));
  EXPECT_NE(std::string::npos, menuSaved.find("[DriverTabs]"));
  EXPECT_NE(std::string::npos, contents(file("tray.kpf")).find("VSync=-1"));
  EXPECT_EQ(before, snapshot());  // a profile save never touches the registry
}

// The file's values reach the controls and then the registry, after the
// progress dialog; a key the file lacks loads as not set.
TEST_F(Profiles, OpeningAProfileLoadsItsValuesAndAppliesThem) {
  sim_.registry.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey +
                             "]\n\"VSync\"=\"1\"\n\"PixelCenter\"=\"1\"\n\n"
                             "[HKEY_LOCAL_MACHINE\\" + kDesktopKey + "]\n");
  const std::string path = file("game.kpf");
  std::ofstream(path) << "[DirectX]\nVSync=0\nDisableHyperZ=0\n[DriverTabs]\nMaxx=1\n";
  const std::string before = snapshot();
  std::string whileShowing;
  backend_.onModal("Confirmation", [&](ui::Form& f) {
    whileShowing = snapshot();
    EXPECT_EQ(ui::CheckState::Unchecked, box("checkVSync").state());
    EXPECT_EQ(ui::CheckState::Checked, box("checkHyperZ").state());
    EXPECT_EQ(ui::CheckState::Grayed, box("checkAltPix").state());
    f.userClose();
  });
  backend_.answerFileDialog(path);
  menu("OpenProfilesystray");
  EXPECT_EQ(before, whileShowing);
  EXPECT_EQ("0", driverText("VSync"));
  EXPECT_EQ("0", driverText("DisableHyperZ"));
  EXPECT_EQ("(absent)", driverText("PixelCenter"));
  platform::RegistryAccess desktop(sim_.registry, platform::kHkeyLocalMachine);
  desktop.openKeyReadOnly(kDesktopKey);
  std::uint8_t flag[4] = {};
  EXPECT_EQ(4, desktop.readBinaryData("Maxx", flag, 4));  // the last group loaded and applied
  EXPECT_EQ(1, flag[0]);
  EXPECT_EQ(ui::FileDialogKind::Open, backend_.fileDialogs()[0]->kind());
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Profiles", backend_.fileDialogs()[0]->initialDir);
}

TEST_F(Profiles, OpeningAFileThatDoesNotExistChangesNothing) {
  form_->markModified();
  const std::string before = snapshot();
  backend_.answerFileDialog(file("missing.kpf"));
  menu("OpenProfilesystray");
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("The profile " + file("missing.kpf") + " does not exist.", backend_.messages()[0].text);
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_EQ(before, snapshot());
  EXPECT_EQ("Kestrelune *", form_->caption());  // the marker as it was
}

TEST_F(Profiles, OpeningAProfileAppliesItThroughTheProgressDialog) {
  const std::string path = file("game.kpf");
  std::ofstream(path) << "[DirectX]\nVSync=1\n";
  confirmProgress();
  backend_.answerFileDialog(path);
  menu("menuitemOpen");
  EXPECT_EQ(1, backend_.modalCount("Confirmation"));
  EXPECT_EQ("Kestrelune", form_->caption());
  EXPECT_TRUE(backend_.messages().empty());
}

}  // namespace
}  // namespace kl::app
