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

class Profiles : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
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

TEST_F(Profiles, OpeningAFileThatDoesNotExistChangesNothing) {
  form_->markModified();
  const unsigned writes = sim_.registry.writeCount();
  backend_.answerFileDialog(file("missing.kpf"));
  menu("OpenProfilesystray");
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("The profile " + file("missing.kpf") + " does not exist.", backend_.messages()[0].text);
  EXPECT_EQ(0, backend_.modalCount("Confirmation"));
  EXPECT_EQ(writes, sim_.registry.writeCount());
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
