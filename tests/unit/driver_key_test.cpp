// Finding the driver's keys, and the Options dialog that overrides them.
#include <gtest/gtest.h>

#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/BindingGroups.h"
#include "settings/DriverKey.h"
#include "settings/Options.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::settings {
namespace {

class DriverKey : public ::testing::Test {
 protected:
  void SetUp() override { testing::seedXpRadeon(sim_); }
  std::string key() { return GetDriverKey(platform_, app_); }
  void own(const std::string& values) { sim_.registry.loadRegedit4(testing::programKeyRegedit(values)); }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  ui::Application app_{backend_};
};

TEST_F(DriverKey, PublishedKeyOfTheActiveDisplay) {
  EXPECT_EQ(testing::kDriverKey, key());
  EXPECT_EQ("{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}", GetDriverKeyGuid(platform_, app_));
  EXPECT_EQ("0", GetDriverKeyIndex(platform_, app_));
}

TEST_F(DriverKey, TheLastDeviceWhoseFlagsAreNotASingleKnownBitIsChosen) {
  sim_.registry.loadRegedit4(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n"
      "\"\\\\Device\\\\Video2\"=\"\\\\Registry\\\\Machine\\\\System\\\\Second\"\n"
      "\"\\\\Device\\\\Video3\"=\"\\\\Registry\\\\Machine\\\\System\\\\Third\"\n");
  sim_.display.addDevice({"\\\\.\\DISPLAY3", "second head", 0x1 | 0x4});  // index 2: counts
  sim_.display.addDevice({"\\\\.\\DISPLAY4", "attached only", 0x1});       // index 3: 1 exactly
  EXPECT_EQ("System\\Second", key());
}

// Each of the four single flags disqualifies a device; any other value,
// a combination of them included, qualifies it.
TEST_F(DriverKey, EachSingleKnownFlagIsSkipped) {
  sim_.registry.loadRegedit4(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n"
      "\"\\\\Device\\\\Video2\"=\"\\\\Registry\\\\Machine\\\\System\\\\Second\"\n");
  for (std::uint32_t flags : {0x1u, 0x2u, 0x8u, 0x10u}) {
    platform::SimPlatform sim;
    testing::seedXpRadeon(sim);
    sim.registry.loadRegedit4(sim_.registry.saveRegedit4());
    sim.display.addDevice({"\\\\.\\DISPLAY3", "third", flags});
    platform::Platform p = sim.view();
    EXPECT_EQ(testing::kDriverKey, GetDriverKey(p, app_)) << flags;
  }
  sim_.display.addDevice({"\\\\.\\DISPLAY3", "third", 0x2 | 0x8});
  EXPECT_EQ("System\\Second", key());
}

TEST_F(DriverKey, AlternativePathAndItsSwitch) {
  own("\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=\" System\\\\Typed \"\n");
  EXPECT_EQ(" System\\Typed ", key());  // used unchanged, spaces and all
  own("\"Use_AltPath\"=-\n");
  EXPECT_EQ(testing::kDriverKey, key());  // a missing switch counts as 0
  own("\"Use_AltPath\"=\"1\"\n");
  EXPECT_THROW(key(), Error);
}

TEST_F(DriverKey, RefusesOtherWindowsAndUnreadablePublishedKeys) {
  sim_.os.setVersion(platform::OsVersion{platform::kPlatformWindows, 4, 90, 3000, ""});
  EXPECT_EQ("", key());
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("You are using Windows 9X/ME... that does not work", backend_.messages()[0].text);
  sim_.os.setVersion(platform::SimOperatingSystem::windowsXp());
  sim_.registry.loadRegedit4(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n\"\\\\Device\\\\Video0\"=dword:00000001\n");
  EXPECT_EQ("", key());
  EXPECT_EQ("Cannot find driver", backend_.messages().back().text);
  sim_.registry.loadRegedit4("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\HARDWARE]\n");
  backend_.clearMessages();
  EXPECT_EQ("", key());  // missing: no message
  EXPECT_TRUE(backend_.messages().empty());
}

TEST_F(DriverKey, RolesResolvePerWindowsVersion) {
  const std::string base = testing::kDriverKey;
  EXPECT_EQ(base, ResolveKeyPath(platform_, app_, "5.1", "D3D"));
  EXPECT_EQ(base + "\\OpenGL", ResolveKeyPath(platform_, app_, "5.0", "OGL"));
  EXPECT_EQ(base + "\\OpenGL\\Private", ResolveKeyPath(platform_, app_, "5.1", "OGLP"));
  EXPECT_EQ("SOFTWARE\\ATI Technologies\\Desktop\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}",
            ResolveKeyPath(platform_, app_, "5.1", "Driver"));
  EXPECT_EQ("SOFTWARE\\ATI Technologies\\Desktop\\0000", ResolveKeyPath(platform_, app_, "5.0", "Driver"));
  EXPECT_EQ("", ResolveKeyPath(platform_, app_, "5.2", "D3D"));
  EXPECT_EQ("", ResolveKeyPath(platform_, app_, "5.1", "d3d"));
  EXPECT_EQ("", braceGroup("System\\{open"));
}

TEST_F(DriverKey, OptionsDialogStoresTheTypedPathOrTheDetectedOne) {
  app::Program program(platform_, backend_);
  program.createWindows();
  TformOptions& options = *program.windows().formOptions;
  platform::RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
  reg.openKey("Software\\Kestrelune", false);
  // "&Ok" with the option off stores the detected path, and closes the dialog.
  backend_.onModal("formOptions", [](ui::Form& f) {
    auto& dialog = static_cast<TformOptions&>(f);
    ui::user::press(*dialog.SpeedButton1);
    EXPECT_FALSE(dialog.isShowing());
  });
  options.showModal();
  EXPECT_EQ(0, reg.readInteger("Use_AltPath"));
  EXPECT_EQ(testing::kDriverKey, reg.readString("AlternativePath"));
  backend_.onModal("formOptions", [](ui::Form& f) {
    auto& dialog = static_cast<TformOptions&>(f);
    EXPECT_FALSE(dialog.checkAltPath->checked());
    EXPECT_FALSE(dialog.editAltPath->enabled());
    EXPECT_EQ(testing::kDriverKey, dialog.editAltPath->text());
    ui::user::press(*dialog.checkAltPath);
    EXPECT_TRUE(dialog.editAltPath->enabled());
    ui::user::type(*dialog.editAltPath, "System\\Mine");
    ui::user::press(*dialog.SpeedButton1);
    EXPECT_FALSE(dialog.isShowing());
  });
  options.showModal();
  EXPECT_EQ("System\\Mine", key());
  backend_.onModal("formOptions", [](ui::Form& f) {
    auto& dialog = static_cast<TformOptions&>(f);
    EXPECT_TRUE(dialog.checkAltPath->checked());
    EXPECT_EQ("System\\Mine", dialog.editAltPath->text());
    ui::user::press(*dialog.checkAltPath);
    ui::user::press(*dialog.SpeedButton1);
  });
  options.showModal();
  EXPECT_EQ(0, reg.readInteger("Use_AltPath"));
  EXPECT_EQ("System\\Mine", reg.readString("AlternativePath"));  // the path in use until now
}

// Every lookup of the detected driver key enumerates the display devices
// from the first.
class CountingDisplay : public platform::Display {
 public:
  explicit CountingDisplay(platform::Display& display) : display_(display) {}
  bool enumDevice(std::uint32_t index, platform::DisplayDevice* device) override {
    if (index == 0) ++lookups;
    return display_.enumDevice(index, device);
  }
  bool enumSettings(const std::string& name, std::uint32_t mode,
                    platform::DisplayMode* out) override {
    return display_.enumSettings(name, mode, out);
  }
  int lookups = 0;

 private:
  platform::Display& display_;
};

// A pass over the bindings looks the driver key up once for all its
// settings, a profile pass not at all, and the next pass sees what the
// Options dialog stored meanwhile.
TEST_F(DriverKey, EachPassOverTheBindingsLooksTheKeyUpOnce) {
  CountingDisplay display(sim_.display);
  platform::Platform counted{sim_.registry, sim_.profiles, sim_.os,   sim_.versions,
                             display,       sim_.device,   sim_.files};
  app::Program program(counted, backend_);
  program.createWindows();
  EXPECT_GT(10, display.lookups) << "start-up: the driver lines, the mode lists, the System "
                                   "Information page and one pass of the bindings";
  SettingPages& pages = *program.windows().MainForm->settingPages;
  const auto lookupsOf = [&](const std::function<void()>& pass) {
    display.lookups = 0;
    pass();
    return display.lookups;
  };
  EXPECT_EQ(1, lookupsOf([&] { LoadAllKeys(pages, "Register", ""); }));
  EXPECT_EQ(1, lookupsOf([&] { SaveAllKeys(pages, "Register", ""); }));
  EXPECT_EQ(1, lookupsOf([&] { SaveOpenGLKeys(pages, "Register", ""); }));
  const std::string file = ::testing::TempDir() + "kl-driver-key-pass.kpf";
  EXPECT_EQ(0, lookupsOf([&] {
    SaveAllKeys(pages, "Profile", file);
    LoadAllKeysFromProfile(pages, file);
  }));
  std::remove(file.c_str());

  own("\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=\"SOFTWARE\\\\Typed\"\n");
  SaveAllKeys(pages, "Register", "");
  platform::RegistryAccess typed(sim_.registry, platform::kHkeyLocalMachine);
  ASSERT_TRUE(typed.openKeyReadOnly("SOFTWARE\\Typed"));
  EXPECT_TRUE(typed.valueExists("AnisoDegree"));
  ASSERT_TRUE(typed.openKeyReadOnly("\\SOFTWARE\\Typed\\OpenGL"));
  EXPECT_TRUE(typed.valueExists("OGLMaxAnisotropy"));
}

}  // namespace
}  // namespace kl::settings
