// The settings as they were before Kestrelune: saved by the first start
// before its reset, and put back by File > Restore Original Settings...
#include <gtest/gtest.h>

#include <filesystem>

#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/registry_access.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace fs = std::filesystem;
namespace user = ui::user;

// A user's earlier pins (800 x 600 at 85 Hz) and one custom resolution.
constexpr char kPins[] = "hex:08,00,06,00,00,00,00,85";
constexpr char kCustom[] = "hex:18,00,14,40,00,00,00,00,10,24,06,00,00,00,00,00";

class OriginalSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    testing::seedFirstStart(sim_);
    char pattern[] = "/tmp/kl-original-XXXXXX";
    folder_ = mkdtemp(pattern);
    fs::create_directory(folder_ + "/Profiles");
    sim_.registry.loadRegedit4(testing::programKeyRegedit("\"installpath\"=\"" + folder_ + "/\"\n"));
    std::string values = "\"VSync\"=\"1\"\n\"DALNonStandardModesBCD\"=" + std::string(kCustom) +
                         "\n\"DALNonStandardModesBCD1\"=" + kCustom + "\n";
    for (const char* n : {"", "1", "2", "3"})
      values += "\"DALRestrictedModesBCD" + std::string(n) + "\"=" + kPins + "\n";
    sim_.registry.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey +
                               "]\n" + values);
    original_ = modeValues();
  }
  void TearDown() override { fs::remove_all(folder_); }

  TMainForm& start() {
    program_ = std::make_unique<Program>(platform_, backend_);
    program_->createWindows();
    return *program_->windows().MainForm;
  }
  std::string driverValue(const std::string& name) {
    platform::HKey key = 0;
    if (sim_.registry.openKey(platform::kHkeyLocalMachine, testing::kDriverKey,
                              platform::kKeyRead, &key) != platform::kErrorSuccess)
      return "(no key)";
    std::uint8_t data[4096];
    std::uint32_t size = sizeof data;
    const auto status = sim_.registry.queryValue(key, name, nullptr, data, &size);
    sim_.registry.closeKey(key);
    if (status != platform::kErrorSuccess) return "(absent)";
    return std::string(reinterpret_cast<const char*>(data), size);
  }
  std::vector<std::string> modeValues() {
    std::vector<std::string> all;
    for (const char* n : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                          "DALRestrictedModesBCD2", "DALRestrictedModesBCD3",
                          "DALNonStandardModesBCD", "DALNonStandardModesBCD1"})
      all.push_back(driverValue(n));
    return all;
  }
  std::size_t filesIn(const std::string& sub, const std::string& ext) {
    std::size_t n = 0;
    for (const auto& e : fs::directory_iterator(folder_ + "/" + sub))
      if (e.path().extension() == ext) ++n;
    return n;
  }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
  std::string folder_;
  std::vector<std::string> original_;
};

TEST_F(OriginalSettings, TheFirstStartSavesThemBeforeItsResetAndTheMenuRestoresThem) {
  for (int i = 0; i < 2; ++i)  // the custom resolutions change with each Apply
    backend_.onModal("formCusRes", [](ui::Form& f) { user::press(*f.find("butOKCusRes")); });
  TMainForm& form = start();
  EXPECT_TRUE(backend_.messages().empty());
  EXPECT_EQ("", driverValue("DALRestrictedModesBCD"));  // the reset emptied the pins
  EXPECT_TRUE(fs::exists(folder_ + "/Profiles/Settings before Kestrelune.kpf"));
  EXPECT_TRUE(fs::exists(folder_ + "/Backup/Display modes before Kestrelune.reg"));
  EXPECT_TRUE(form.MenuBar->find("RestoreOriginal1")->enabled());

  // A changed setting, applied.
  user::press(*dynamic_cast<ui::CheckBox*>(form.find("checkVSync")));
  backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  user::press(*form.buttonApply);
  ASSERT_NE("1", driverValue("VSync").substr(0, 1));

  backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  backend_.answerMessage(ui::kIdYes);
  form.RestoreOriginal1Click();
  EXPECT_EQ(std::string("1\0", 2), driverValue("VSync"));
  EXPECT_EQ(original_, modeValues());
  EXPECT_EQ("Kestrelune", form.caption());
  EXPECT_EQ(" Refreshrates (Locked) ", form.refreshRatesPage->groupRes->text());
  EXPECT_EQ(1u, filesIn("Backup", ".kpf"));  // the settings before the restore
  EXPECT_EQ(2u, filesIn("Backup", ".reg"));

  // A later first start (a reinstall) keeps what the first one saved.
  program_.reset();
  testing::seedFirstStart(sim_);
  start();
  EXPECT_EQ(2u, filesIn("Backup", ".reg"));
}

}  // namespace
}  // namespace kl::app
