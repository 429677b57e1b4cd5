// The sample profiles the installation puts into "Profiles"
// (installer/Profiles/*.kpf) are written by the program's own profile save:
// each case starts the program on a driver with no settings, sets the
// sample's controls and saves through the menu, and the result must equal
// the committed file byte for byte. So a sample is always a complete profile
// of the seven sections that this version of the program writes and reads.
//
// To write them afresh after a change to the settings or to a sample below:
//   KL_WRITE_SAMPLE_PROFILES=1 build/native/bin/kl_unit_tests --gtest_filter='SampleProfiles.*'
#include <cstdlib>
#include <map>

#include "settings/Catalogues.h"
#include "settings_fixture.h"

namespace kl::testing {
namespace {

using ui::CheckState;

// What a sample sets; every other control keeps the state the program gives a
// driver without settings (check boxes grayed: the driver's own default).
struct Sample {
  const char* file;
  std::map<std::string, CheckState> boxes;
  std::map<std::string, int> items;  // combo box item indexes
};

constexpr CheckState kOn = CheckState::Checked;
constexpr CheckState kOff = CheckState::Unchecked;

// Anisotropy items: 0 "Disabled", 4 "16x" (the most a Radeon 8500 filters).
const Sample kSamples[] = {
    {"Driver defaults.kpf", {}, {}},
    {"Best image quality.kpf",
     {{"checkVSync", kOn}, {"checkVSyncOGL", kOn}, {"checkAlphaDither", kOn},
      {"checkConvTex32to16", kOff}, {"checkForce16Z", kOff}, {"checkForce32", kOn},
      {"checkuseFastTrilinear", kOff}, {"checkuseFastTextureCompression", kOff},
      {"check8Stencil", kOn}},
     {{"comboAnisoD3D", 4}, {"comboAniso", 4}, {"comboZBuff", 2}, {"comboAlphaBlend", 0}}},
    {"Best speed.kpf",
     {{"checkVSync", kOff}, {"checkVSyncOGL", kOff}, {"checkHyperZ", kOn}, {"checkHierZ", kOn},
      {"checkFastZ", kOn}, {"checkCompTex", kOn}, {"checkTexCompr", kOn},
      {"checkHierarchicalZ", kOn}, {"checkZCompr", kOn}, {"checkHyperZOGLP", kOn},
      {"checkuseFastTrilinear", kOn}, {"checkuseFastTextureCompression", kOn}},
     {{"comboAnisoD3D", 0}, {"comboAniso", 0}}},
};

std::string committed(const std::string& file) {
  return std::string(KL_SOURCE_DIR) + "/installer/Profiles/" + file;
}

std::string contents(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

class SampleProfiles : public SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    start();
  }
  void set(const Sample& sample) {
    for (const auto& [name, state] : sample.boxes) box(name).setState(state);
    for (const auto& [name, item] : sample.items) {
      auto* combo = dynamic_cast<ui::ComboBox*>(form().find(name));
      ASSERT_NE(nullptr, combo) << name;
      combo->setItemIndex(item);
    }
  }
  void saveAs(const std::string& path) {
    backend_.answerFileDialog(path);
    static_cast<ui::MenuItem*>(form().find("menuitemSave"))->userClick();
    ASSERT_TRUE(backend_.messages().empty()) << backend_.messages()[0].text;
  }
  void open(const std::string& path) {
    backend_.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
    backend_.answerFileDialog(path);
    static_cast<ui::MenuItem*>(form().find("menuitemOpen"))->userClick();
    ASSERT_TRUE(backend_.messages().empty()) << backend_.messages()[0].text;
  }
};

TEST_F(SampleProfiles, EachIsWhatTheProgramSavesForIt) {
  const bool write = std::getenv("KL_WRITE_SAMPLE_PROFILES") != nullptr;
  for (const Sample& sample : kSamples) {
    SCOPED_TRACE(sample.file);
    set(sample);
    const std::string path = write ? committed(sample.file) : profile(sample.file);
    if (write) std::filesystem::remove(path);
    saveAs(path);
    EXPECT_EQ(contents(path), contents(committed(sample.file)))
        << "the sample differs from what the program saves; see the top of this file";
    // The next sample starts from a driver without settings again.
    program_.reset();
    start();
  }
}

// Opening the defaults sample through the program removes every switch from
// the driver's keys, whatever was set before.
TEST_F(SampleProfiles, DriverDefaultsClearsEverySwitch) {
  seed("D3D", "\"VSync\"=\"1\"\n\"DisableHyperZ\"=\"1\"\n\"TableFogEnable\"=\"0\"");
  seed("OGL", "\"OGLWaitVerticalSync\"=dword:00000001");
  seed("OGLP", "\"enableSSE\"=dword:00000000");
  seed("Driver", "\"Maxx\"=hex:01,00,00,00");
  program_.reset();
  start();
  open(committed("Driver defaults.kpf"));
  int switches = 0;
  for (std::size_t g = 0; g < settings::kGroupCount; ++g)
    for (const settings::BindingRow& row : settings::catalogueOf(static_cast<settings::Group>(g)).rows) {
      if (row.rule) continue;  // value controls always store a number
      ++switches;
      EXPECT_EQ(CheckState::Grayed, box(row.control).state()) << row.control;
      EXPECT_EQ("absent", stored(row.role, row.valueName)) << row.valueName;
    }
  EXPECT_GT(switches, 100);
}

TEST_F(SampleProfiles, QualityAndSpeedReachTheDriverWhenOpened) {
  open(committed("Best image quality.kpf"));
  EXPECT_EQ("SZ 1", stored("D3D", "VSync"));
  EXPECT_EQ("SZ 16", stored("D3D", "AnisoDegree"));
  EXPECT_EQ("SZ 15", stored("D3D", "ZFormats"));  // 16, 24 and 32 bits with the stencil
  EXPECT_EQ("DWORD 16", stored("OGL", "OGLMaxAnisotropy"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLForce16BitZBuffer"));
  EXPECT_EQ("absent", stored("D3D", "DisableHyperZ"));

  open(committed("Best speed.kpf"));
  EXPECT_EQ("SZ 0", stored("D3D", "VSync"));
  EXPECT_EQ("SZ 0", stored("D3D", "DisableHyperZ"));
  EXPECT_EQ("SZ 0", stored("D3D", "AnisoDegree"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLWaitVerticalSync"));
  EXPECT_EQ("DWORD 0", stored("OGLP", "disableHyperZ"));
  EXPECT_EQ("DWORD 1", stored("OGLP", "userFastTrilinear"));
}

}  // namespace
}  // namespace kl::testing
