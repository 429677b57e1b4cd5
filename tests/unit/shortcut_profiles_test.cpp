// Profiles from outside the window: "Kestrelune.exe /profile FILE" from a
// shortcut, the tray's "Profiles" submenu, and a second start handing its
// request to the running copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CommandLine.h"
#include "app/MainProg.h"
#include "app/Program.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace fs = std::filesystem;
namespace user = ui::user;

class ShortcutProfiles : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    testing::seedFixedModes(sim_);
    char pattern[] = "/tmp/kl-shortcut-XXXXXX";
    folder_ = mkdtemp(pattern);
    fs::create_directory(folder_ + "/Profiles");
    sim_.registry.loadRegedit4(testing::programKeyRegedit("\"installpath\"=\"" + folder_ + "/\"\n"));
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string profile(const std::string& name, const std::string& text) {
    const std::string path = folder_ + "/Profiles/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  Program& program() {
    program_ = std::make_unique<Program>(platform_, backend_);
    return *program_;
  }
  std::string snapshot() { return sim_.registry.saveRegedit4(); }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
  std::string folder_;
};

constexpr char kFastProfile[] = "[DirectX]\r\nVSync=0\r\nDisableHyperZ=0\r\n";

// The shortcut applies exactly what File > Open applies, with no window, no
// tray icon and no progress dialog to answer.
TEST_F(ShortcutProfiles, AProfileFromTheCommandLineAppliesAsFileOpenDoes) {
  const std::string file = profile("Quake.kpf", kFastProfile);
  const std::string before = snapshot();
  EXPECT_EQ(ProfileOutcome::Applied, program().runProfileCommand(file, true));
  EXPECT_FALSE(program_->windows().MainForm->isShowing());
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_EQ(0, backend_.livePeers());
  EXPECT_TRUE(backend_.messages().empty());
  EXPECT_NE(before, snapshot());

  // The same PC, the same profile through File > Open.
  platform::SimPlatform sim;
  sim.registry.loadRegedit4(before);
  platform::Platform platform = sim.view();
  ui::HeadlessBackend backend;
  Program interactive(platform, backend);
  interactive.createWindows();
  backend.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
  backend.answerFileDialog(file);
  interactive.windows().MainForm->menuitemOpenClick();
  EXPECT_EQ(snapshot(), sim.registry.saveRegedit4());
}

TEST_F(ShortcutProfiles, TheExitCodeSaysWhatHappenedAndSilentShowsNoBox) {
  EXPECT_EQ(ProfileOutcome::NotAProfile,
            program().runProfileCommand(folder_ + "/Profiles/Missing.kpf", true));
  EXPECT_TRUE(backend_.messages().empty());
  ASSERT_EQ(1u, program_->app().silenced().size());
  EXPECT_NE(std::string::npos, program_->app().silenced()[0].find("Missing.kpf does not exist."));

  const std::string notes = profile("Notes.kpf", "[Notes]\r\nline=1\r\n");
  EXPECT_EQ(ProfileOutcome::NotAProfile, program().runProfileCommand(notes, false));
  ASSERT_EQ(1u, backend_.messages().size());  // without /silent the refusal is shown
  backend_.clearMessages();

  const std::string file = profile("Quake.kpf", kFastProfile);
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  EXPECT_EQ(ProfileOutcome::WriteFailed, program().runProfileCommand(file, true));
  EXPECT_TRUE(backend_.messages().empty());
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, false);

  sim_.os.setVersion(platform::OsVersion{2, 6, 1, 7601, ""});
  EXPECT_EQ(ProfileOutcome::CannotRun, program().runProfileCommand(file, true));
}

TEST(CommandLine, ProfileAndSilentAreUnderstoodAndAnythingElseIsNot) {
  CommandLine line = ParseCommandLine("/profile \"C:\\Program Files\\K\\Quake 3.kpf\" /SILENT");
  ASSERT_TRUE(line.profile);
  EXPECT_EQ("C:\\Program Files\\K\\Quake 3.kpf", *line.profile);
  EXPECT_TRUE(line.silent);
  EXPECT_TRUE(line.error.empty());
  EXPECT_FALSE(ParseCommandLine("").profile);
  EXPECT_TRUE(ParseCommandLine("").error.empty());
  EXPECT_EQ("/profile needs the name of a profile file.", ParseCommandLine("/Profile").error);
  EXPECT_EQ("/silent is for /profile only.", ParseCommandLine("/silent").error);
  EXPECT_EQ("\"/fast\" is not an option of Kestrelune.", ParseCommandLine("/fast").error);
  EXPECT_EQ("/profile is given twice.", ParseCommandLine("/profile a /profile b").error);
}

// Read afresh at each opening, alphabetically, at most twenty, then
// "More..."; a click applies that profile as File > Open does.
TEST_F(ShortcutProfiles, TheTraySubmenuListsTheProfileFolder) {
  for (int i = 24; i >= 0; --i)
    profile((i < 10 ? "Game 0" : "Game ") + std::to_string(i) + ".kpf", kFastProfile);
  profile("a&b.kpf", kFastProfile);
  profile("readme.txt", "not a profile");
  Program& p = program();
  p.createWindows();
  TMainForm& form = *p.windows().MainForm;
  form.SysTrayPopup->popup(0, 0);
  ui::Control& submenu = *form.SysTrayPopup->find("menuTrayProfiles");
  EXPECT_EQ("Profiles", submenu.text());
  ASSERT_EQ(TMainForm::kTrayProfiles, form.trayProfiles().size());
  EXPECT_EQ("a&b.kpf", form.trayProfiles()[0]);
  EXPECT_EQ("a&&b", submenu.find("trayProfile0")->text());
  EXPECT_EQ("Game 00", submenu.find("trayProfile1")->text());
  EXPECT_EQ("Game 18.kpf", form.trayProfiles().back());
  EXPECT_TRUE(submenu.find("trayProfile19")->visible());
  EXPECT_TRUE(submenu.find("trayProfilesMore")->visible());

  for (int i = 3; i < 25; ++i)
    fs::remove(folder_ + "/Profiles/Game " + (i < 10 ? "0" : "") + std::to_string(i) + ".kpf");
  form.SysTrayPopup->popup(0, 0);
  EXPECT_EQ(4u, form.trayProfiles().size());
  EXPECT_FALSE(submenu.find("trayProfile4")->visible());

  backend_.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
  static_cast<ui::MenuItem*>(submenu.find("trayProfile2"))->userClick();
  EXPECT_EQ(1, backend_.modalCount("Confirmation"));
  EXPECT_FALSE(form.settingsModified);
  backend_.answerFileDialog(std::nullopt);  // cancelled: Apply all the same, as File > Open
  backend_.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
  static_cast<ui::MenuItem*>(submenu.find("trayProfilesMore"))->userClick();
  EXPECT_EQ(1u, backend_.fileDialogs().size());  // "More..." is File > Open's dialog
}

// A second start: "show yourself" restores the window from the tray; a
// handed-over profile is applied, but not while a dialog of ours is open.
TEST_F(ShortcutProfiles, ASecondStartIsAnsweredByTheRunningCopy) {
  Program& p = program();
  p.createWindows();
  TMainForm& form = *p.windows().MainForm;
  form.show();
  p.app().minimize();
  EXPECT_FALSE(form.isShowing());
  EXPECT_EQ(0, form.userRequest(static_cast<std::uint32_t>(Request::ShowWindow), ""));
  EXPECT_TRUE(form.isShowing());

  const std::string file = profile("Quake.kpf", kFastProfile);
  EXPECT_EQ(static_cast<int>(ProfileOutcome::Applied),
            form.userRequest(static_cast<std::uint32_t>(Request::ApplyProfileSilently), file));
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_EQ(static_cast<int>(ProfileOutcome::NotAProfile),
            form.userRequest(static_cast<std::uint32_t>(Request::ApplyProfile), file + "x"));
  EXPECT_EQ(1u, backend_.messages().size());

  int answer = -1;
  backend_.onModal("formOptions", [&](ui::Form& f) {
    answer = form.userRequest(static_cast<std::uint32_t>(Request::ApplyProfile), file);
    f.userClose();
  });
  form.Options1Click();
  EXPECT_EQ(kBusyAnswer, answer);
}

}  // namespace
}  // namespace kl::app
