// The 110 driver settings: where each is stored, in which registry type and
// profile section, and the load and save behaviour of the storage families.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "platform/error.h"
#include "settings/BindingGroups.h"
#include "settings/Catalogues.h"
#include "settings_fixture.h"

namespace kl::settings {
namespace {

using app::TMainForm;
using ui::CheckState;
namespace user = ui::user;

enum Encoding { kTextDirect, kTextInverted, kDwordDirect, kDwordInverted, kFlag, kValue };

struct Row {
  const char* control;
  const char* role;
  const char* valueName;
  Encoding encoding;
};

using Routine = void (*)(SettingPages&, const std::string&, const std::string&);

struct GroupCase {
  const char* section;
  Routine save;
  Routine load;
  std::vector<Row> rows;  // in save order
};

// Every binding as the driver and the profile format define it.
const std::vector<GroupCase>& groups() {
  static const std::vector<GroupCase> all = {
      {"DirectX",
       SaveDirectXKeys,
       LoadDirectXKeys,
       {
           {"checkWBuf", "D3D", "ExportWBuffer", kTextDirect},
           {"checkAltPix", "D3D", "PixelCenter", kTextDirect},
           {"checkCompTex", "D3D", "ExportCompressedTex", kTextDirect},
           {"checkVSync", "D3D", "VSync", kTextDirect},
           {"checkFastZ", "D3D", "FastZClearEnabled", kTextDirect},
           {"checkHyperZ", "D3D", "DisableHyperZ", kTextInverted},
           {"checkHierZ", "D3D", "DisableHierarchicalZ", kTextInverted},
           {"comboAlphaBlend", "D3D", "DitherAlpha", kValue},
           {"comboZBuff", "D3D", "ZFormats", kValue},
           {"comboAnisoD3D", "D3D", "AnisoDegree", kValue},
           {"spinZCompres", "D3D", "ZCompressionMode", kValue},
       }},
      {"DirectX Advanced",
       SaveDirectXAdvancedKeys,
       LoadDirectXAdvancedKeys,
       {
           {"checkTableFog", "D3D", "TableFogEnable", kTextDirect},
           {"checkZFog", "D3D", "ZFogEnable", kTextDirect},
           {"checkWfog", "D3D", "WFogEnable", kTextDirect},
           {"checkDiscreteFog", "D3D", "DiscreteFogEnable", kTextDirect},
           {"checkVolFog", "D3D", "VolFogEnable", kTextDirect},
           {"checkAnisoLinear", "D3D", "AnisoLinear", kTextDirect},
           {"checkVertexFog", "D3D", "VertexFogEnable", kTextDirect},
           {"checkBumpMap", "D3D", "ExportBumpMappedTex", kTextDirect},
           {"checkVolTex", "D3D", "ExportSignedVolTex", kTextDirect},
           {"checkColorFill", "D3D", "ColorFill", kTextDirect},
           {"checkOptTexStages", "D3D", "OptimizeTexStages", kTextDirect},
           {"checkCubeMap", "D3D", "ExportMipMapCubeMaps", kTextDirect},
           {"checkZMaskEnable", "D3D", "ZMaskEnable", kTextDirect},
           {"checkClipOpt", "D3D", "ClipOptimizations", kTextDirect},
           {"checkPrimTile", "D3D", "PrimaryTiling", kTextDirect},
           {"checkBackBufTile", "D3D", "BackBufTiling", kTextDirect},
           {"checkTexTiling", "D3D", "TextureTiling", kTextDirect},
           {"checkTexMicroTile", "D3D", "TextureMicroTiling", kTextDirect},
           {"checkPlainTiling", "D3D", "PlainTiling", kTextDirect},
           {"checkAGPTexTile", "D3D", "AGPTextureTiling", kTextDirect},
           {"checkAGPMicroTile", "D3D", "AGPTextureMicroTiling", kTextDirect},
           {"checkSysMemBlts", "D3D", "SysMemBlts", kTextDirect},
           {"checkRemoveDegenTris", "D3D", "RemoveDegenTris", kTextDirect},
           {"checkValidateVertexIndex", "D3D", "ValidateVertexIndex", kTextDirect},
           {"checkFastColorClear", "D3D", "FastColorClear", kTextDirect},
           {"checkEnablePerformance", "D3D", "EnablePerformance", kTextDirect},
           {"checkFastColorClearPrimary", "D3D", "FastColorClearPrimary", kTextDirect},
           {"checkBlendOpEnable", "D3D", "BlendOpEnable", kTextDirect},
           {"checkRasterGuardBandEnable", "D3D", "RasterGuardbandEnable", kTextDirect},
           {"checkExportYUVTex", "D3D", "ExportYUVTex", kTextDirect},
           {"checkNONPOW2TextureCaps", "D3D", "NONPOW2TextureCaps", kTextDirect},
           {"checkPointSprites", "D3D", "PointSprites", kTextDirect},
           {"checkPureDevice", "D3D", "PureDevice", kTextDirect},
           {"checkLVB", "D3D", "LVB", kTextDirect},
           {"checkOptimizePVSCode", "D3D", "OptimizePVSCode", kTextDirect},
           {"checkEnableRTPatch", "D3D", "EnableRTPatch", kTextDirect},
           {"checkAGPTexture", "D3D", "AGPTexture", kTextDirect},
           {"checkEnablePlaneMaskWorkaround", "D3D", "EnablePlaneMaskWorkaround", kTextDirect},
           {"checkTclEnableBackFaceCulling", "D3D", "TclEnableBackFaceCulling", kTextDirect},
           {"checkTclEnableVertexBlend2Optimize", "D3D", "TclEnableVertexBlend2Optimize",
            kTextDirect},
           {"checkTclEnableVertexBlendUseProjMat", "D3D", "TclEnableVertexBlendUseProjMat",
            kTextDirect},
           {"checkEnableTruForm", "D3D", "NPatchMode", kValue},
       }},
      {"OpenGL",
       SaveOpenGLKeys,
       LoadOpenGLKeys,
       {
           {"checkConvTex32to16", "OGL", "OGLConvertTextures32To16", kDwordDirect},
           {"checkHWPageFlip", "OGL", "OGLEnableHWPageFlip", kDwordDirect},
           {"checkForce16Z", "OGL", "OGLForce16BitZBuffer", kDwordDirect},
           {"checkKTXBuffer", "OGL", "OGLEnableKTXBufferRegion", kDwordDirect},
           {"checkVSyncOGL", "OGL", "OGLWaitVerticalSync", kDwordDirect},
           {"checkTexCompr", "OGL", "OGLEnableTextureCompression", kDwordDirect},
           {"checkOGLTracing", "OGL", "OGLTracing", kDwordDirect},
           {"checkAlphaDither", "OGL", "OGLDisableDitherWhenAlphaBlending", kDwordInverted},
           {"trackLOD", "OGL", "OGLLODBias", kValue},
           {"trackSubPixelPrecision", "OGL", "OGLSubPixelPrecision", kValue},
           {"comboAniso", "OGL", "OGLMaxAnisotropy", kValue},
       }},
      {"OpenGL Private",
       SaveOpenGLPrivateKeys,
       LoadOpenGLPrivateKeys,
       {
           {"checkEnableAALines", "OGLP", "enableAALines", kDwordDirect},
           {"checkDynamicDither", "OGLP", "enableDynamicDither", kDwordDirect},
           {"checkFastZMaskClear", "OGLP", "enableFastZMaskClear", kDwordDirect},
           {"checkHierarchicalZ", "OGLP", "enableHierarchicalZ", kDwordDirect},
           {"checkMacroTile", "OGLP", "enableMacroTile", kDwordDirect},
           {"checkMicroTile", "OGLP", "enableMicroTile", kDwordDirect},
           {"checkMultiTexture", "OGLP", "enableMultiTexture", kDwordDirect},
           {"checkForce32", "OGLP", "use32BitTextures", kDwordDirect},
           {"checkZFormat32", "OGLP", "zFormat9x_32", kDwordDirect},
           {"checkZFormat16", "OGLP", "zFormat9x_16", kDwordDirect},
           {"checkPVSGEN", "OGLP", "enablePVSGEN", kDwordDirect},
           {"checkZCompr", "OGLP", "enableZCompression", kDwordDirect},
           {"checkdisableScreenSavers", "OGLP", "disableScreenSavers", kDwordDirect},
           {"checkenableVidMemTextures", "OGLP", "enableVidMemTextures", kDwordDirect},
           {"checktclDlistInAGP", "OGLP", "tclDlistInAGP", kDwordDirect},
           {"checktclDlistInLocal", "OGLP", "tclDlistInLocal", kDwordDirect},
           {"checkuseFastAALines", "OGLP", "useFastAALines", kDwordDirect},
           {"checkwaitForIdleAfterSubmit", "OGLP", "waitForIdleAfterSubmit", kDwordDirect},
           {"checkenableAnisotropicFiltering", "OGLP", "enableAnisotropicFiltering", kDwordDirect},
           {"checkZCompForAllConfigs", "OGLP", "ZCompForAllConfigs", kDwordDirect},
           {"checkenableTearFreeSwap", "OGLP", "enableTearFreeSwap", kDwordDirect},
           {"checkenableDumpShaders", "OGLP", "enableDumpShaders", kDwordDirect},
           {"checkuseBlt", "OGLP", "useBlt", kDwordDirect},
           {"checkenablePointParameters", "OGLP", "enablePointParameters", kDwordDirect},
           {"checkenablePIOTex", "OGLP", "enablePIOTex", kDwordDirect},
           {"checkenableAGPTextures", "OGLP", "enableAGPTextures", kDwordDirect},
           {"checkuseFastTextureCompression", "OGLP", "useFastTextureCompression", kDwordDirect},
           {"checkuseFastTrilinear", "OGLP", "userFastTrilinear", kDwordDirect},
           {"checkHyperZOGLP", "OGLP", "disableHyperZ", kDwordInverted},
       }},
      {"DVD",
       SaveDVDKeys,
       LoadDVDKeys,
       {
           {"checkIDCT", "D3D", "DisableIDCT", kDwordInverted},
           {"checkOverscan", "D3D", "TVEnableOverScan", kDwordDirect},
           {"checkAdaptive", "D3D", "VPE Adaptive De-interlacing", kDwordDirect},
           {"checkAdaptiveNONVPE", "D3D", "Adaptive De-interlacing", kDwordDirect},
           {"checkAdaptiveSoft", "D3D", "Adaptive De-interlacing Adj", kDwordDirect},
       }},
      {"GUI",
       SaveDesktopKeys,
       LoadDesktopKeys,
       {
           {"checkDrvAlphaBlend", "D3D", "DisableDrvAlphaBlend", kDwordInverted},
           {"checkDrvStrBlt", "D3D", "DisableDrvStretchBlt", kDwordInverted},
           {"checkBlockWrite", "D3D", "DisableBlockWrite", kDwordInverted},
           {"checkUSWC", "D3D", "DisableUSWC", kDwordInverted},
           {"checkMMX", "D3D", "DisableMMX", kDwordInverted},
           {"checkSSE", "OGLP", "enableSSE", kDwordDirect},
           {"checkSSE2", "OGLP", "enableSSE2", kDwordDirect},
           {"check3DNow", "OGLP", "enable3DNow", kDwordDirect},
       }},
      {"DriverTabs",
       SaveDriverTabKeys,
       LoadDriverTabKeys,
       {
           {"checkProjector", "Driver", "Projector", kFlag},
           {"checkMaxx", "Driver", "Maxx", kFlag},
           {"checkRotation", "Driver", "Rotation", kFlag},
           {"checkWorkstation", "Driver", "Workstation", kFlag},
       }},
  };
  return all;
}

// What a check box in `state` leaves in the registry.
std::string registryText(Encoding e, CheckState state) {
  if (state == CheckState::Grayed) return "absent";
  const bool on = (state == CheckState::Checked) != (e == kTextInverted || e == kDwordInverted);
  switch (e) {
    case kTextDirect:
    case kTextInverted:
      return on ? "SZ 1" : "SZ 0";
    case kFlag:
      return on ? "BINARY 01 00 00 00" : "BINARY 00 00 00 00";
    default:
      return on ? "DWORD 1" : "DWORD 0";
  }
}

// The same setting's line in a profile.
std::string profileText(const std::string& registry) {
  if (registry == "absent") return "-1";
  if (registry.rfind("BINARY 01", 0) == 0) return "1";
  if (registry.rfind("BINARY 00", 0) == 0) return "0";
  return registry.substr(registry.find(' ') + 1);
}

CheckState next(CheckState s) {
  return s == CheckState::Unchecked ? CheckState::Grayed
         : s == CheckState::Grayed  ? CheckState::Checked
                                    : CheckState::Unchecked;
}

const char* stateName(CheckState s) {
  return s == CheckState::Checked ? "checked" : s == CheckState::Grayed ? "grayed" : "unchecked";
}

// A value control: `set` puts it into setting k; `shown` describes what it shows.
struct ValueCase {
  std::function<void(TMainForm&, int)> set;
  std::function<std::string(TMainForm&)> shown;
  std::vector<std::pair<int, std::string>> settings;  // k and the registry text it stores
};

std::string trackShown(ui::TrackBar& t, ui::Label& l) {
  return std::to_string(t.position()) + "/" + l.text();
}

const std::map<std::string, ValueCase>& valueCases() {
  static const std::map<std::string, ValueCase> all = {
      {"DitherAlpha",
       {[](TMainForm& f, int k) { f.settingPages->directX.comboAlphaBlend->setItemIndex(k); },
        [](TMainForm& f) { return std::to_string(f.settingPages->directX.comboAlphaBlend->itemIndex()); },
        {{-1, "SZ -1"}, {0, "SZ 0"}, {1, "SZ 1"}, {2, "SZ 2"}}}},
      {"ZFormats",
       {[](TMainForm& f, int k) {
          f.settingPages->directX.comboZBuff->setItemIndex(k / 2);
          f.settingPages->directX.check8Stencil->setChecked(k % 2);
        },
        [](TMainForm& f) {
          return std::to_string(f.settingPages->directX.comboZBuff->itemIndex()) + "/" +
                 std::to_string(f.settingPages->directX.check8Stencil->checked());
        },
        {{0, "SZ 1"}, {2, "SZ 3"}, {3, "SZ 7"}, {4, "SZ 11"}, {5, "SZ 15"}}}},
      {"AnisoDegree",
       {[](TMainForm& f, int k) { f.settingPages->directX.comboAnisoD3D->setItemIndex(k); },
        [](TMainForm& f) { return std::to_string(f.settingPages->directX.comboAnisoD3D->itemIndex()); },
        {{0, "SZ 0"},
         {1, "SZ 2"},
         {2, "SZ 4"},
         {3, "SZ 8"},
         {4, "SZ 16"},
         {5, "SZ 32"},
         {6, "SZ 64"},
         {7, "SZ 128"}}}},
      {"ZCompressionMode",
       {[](TMainForm& f, int k) { f.settingPages->directX.spinZCompres->setValue(k); },
        [](TMainForm& f) { return std::to_string(f.settingPages->directX.spinZCompres->value()); },
        {{0, "SZ 0"}, {1, "SZ 1"}, {2, "SZ 2"}, {3, "SZ 3"}}}},
      {"NPatchMode",
       {[](TMainForm& f, int k) {
          f.settingPages->directX.checkEnableTruForm->setChecked(k >= 0);
          f.settingPages->directX.trackTruForm->setPosition(k >= 0 ? k : 0);
        },
        [](TMainForm& f) {
          return std::to_string(f.settingPages->directX.checkEnableTruForm->checked()) + "/" +
                 std::to_string(f.settingPages->directX.trackTruForm->enabled()) + "/" +
                 trackShown(*f.settingPages->directX.trackTruForm, *f.settingPages->directX.labelTruStr);
        },
        {{-1, "absent"}, {0, "SZ 0"}, {5, "SZ 5"}, {7, "SZ 7"}}}},
      {"OGLLODBias",
       {[](TMainForm& f, int k) { f.settingPages->openGL.trackLOD->setPosition(k); },
        [](TMainForm& f) { return trackShown(*f.settingPages->openGL.trackLOD, *f.settingPages->openGL.labelLODC); },
        {{0, "DWORD 0"}, {3, "DWORD 3"}, {8, "DWORD 8"}}}},
      {"OGLSubPixelPrecision",
       {[](TMainForm& f, int k) { f.settingPages->openGL.trackSubPixelPrecision->setPosition(k); },
        [](TMainForm& f) { return trackShown(*f.settingPages->openGL.trackSubPixelPrecision, *f.settingPages->openGL.labelSubPix); },
        {{0, "DWORD 0"}, {2, "DWORD 2"}, {4, "DWORD 4"}}}},
      {"OGLMaxAnisotropy",
       {[](TMainForm& f, int k) { f.settingPages->openGL.comboAniso->setItemIndex(k); },
        [](TMainForm& f) { return std::to_string(f.settingPages->openGL.comboAniso->itemIndex()); },
        {{0, "DWORD 0"}, {1, "DWORD 2"}, {4, "DWORD 16"}, {7, "DWORD 128"}}}},
  };
  return all;
}

class Catalogues : public testing::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    seed("Driver", "");  // the driver tabs are written only into an existing key
  }
  void setBoxes(const GroupCase& g, CheckState state) {
    for (const Row& r : g.rows)
      if (r.encoding != kValue) box(r.control).setState(state);
  }
};

// Through the registry each box alone in each state, the others in another
// (so a box bound to its neighbour's value shows); through a profile the
// boxes of a group in turn in each of the three states.
TEST_F(Catalogues, EveryCheckBoxKeepsEachStateThroughTheRegistryAndAProfile) {
  TMainForm& f = start();
  const std::string file = profile("boxes.kpf");
  const CheckState states[] = {CheckState::Unchecked, CheckState::Grayed, CheckState::Checked};
  std::size_t boxes = 0;
  for (const GroupCase& g : groups()) {
    for (const Row& r : g.rows) {
      if (r.encoding == kValue) continue;
      ++boxes;
      for (CheckState s : states) {
        SCOPED_TRACE(std::string(r.control) + " " + stateName(s));
        setBoxes(g, next(s));
        box(r.control).setState(s);
        g.save(*f.settingPages, "Register", "");
        EXPECT_EQ(registryText(r.encoding, s), stored(r.role, r.valueName));
        setBoxes(g, next(next(s)));
        g.load(*f.settingPages, "Register", "");
        EXPECT_EQ(s, box(r.control).state());
      }
    }
    for (std::size_t pass = 0; pass < 3; ++pass) {
      const auto stateOf = [&](std::size_t row) { return states[(row + pass) % 3]; };
      for (std::size_t i = 0; i < g.rows.size(); ++i)
        if (g.rows[i].encoding != kValue) box(g.rows[i].control).setState(stateOf(i));
      g.save(*f.settingPages, "Profile", file);
      setBoxes(g, CheckState::Checked);
      g.load(*f.settingPages, "Profile", file);
      for (std::size_t i = 0; i < g.rows.size(); ++i) {
        const Row& r = g.rows[i];
        if (r.encoding == kValue) continue;
        SCOPED_TRACE(std::string(r.control) + " " + stateName(stateOf(i)));
        EXPECT_EQ(profileText(registryText(r.encoding, stateOf(i))),
                  profileValue(file, g.section, r.valueName));
        EXPECT_EQ(stateOf(i), box(r.control).state());
      }
    }
  }
  EXPECT_EQ(102u, boxes);
}

TEST_F(Catalogues, EveryValueControlKeepsItsSettingsThroughTheRegistryAndAProfile) {
  TMainForm& f = start();
  const std::string file = profile("values.kpf");
  std::size_t rows = 0;
  for (const GroupCase& g : groups()) {
    for (const Row& r : g.rows) {
      if (r.encoding != kValue) continue;
      ++rows;
      const ValueCase& v = valueCases().at(r.valueName);
      const auto& settings = v.settings;
      for (std::size_t i = 0; i < settings.size(); ++i) {
        const auto& [k, registry] = settings[i];
        const int other = settings[(i + 1) % settings.size()].first;
        SCOPED_TRACE(std::string(r.valueName) + " " + std::to_string(k));
        v.set(f, k);
        const std::string shows = v.shown(f);
        g.save(*f.settingPages, "Register", "");
        EXPECT_EQ(registry, stored(r.role, r.valueName));
        v.set(f, other);
        g.load(*f.settingPages, "Register", "");
        EXPECT_EQ(shows, v.shown(f));

        g.save(*f.settingPages, "Profile", file);
        EXPECT_EQ(profileText(registry), profileValue(file, g.section, r.valueName));
        v.set(f, other);
        g.load(*f.settingPages, "Profile", file);
        EXPECT_EQ(shows, v.shown(f));
      }
    }
  }
  EXPECT_EQ(8u, rows);
}

TEST_F(Catalogues, ANewProfileHoldsTheSectionsAndKeysInSaveOrder) {
  TMainForm& f = start();
  for (const char* name : {"checkWBuf", "checkCompTex", "checkFastZ", "checkHyperZ"})
    box(name).setState(CheckState::Checked);
  box("checkAltPix").setState(CheckState::Unchecked);
  box("checkVSync").setState(CheckState::Grayed);
  const std::string file = profile("new.kpf");
  SaveAllKeys(*f.settingPages, "Profile", file);

  std::vector<std::string> expected;
  for (const GroupCase& g : groups()) {
    expected.push_back(std::string("[") + g.section + "]");
    for (const Row& r : g.rows) expected.push_back(r.valueName);
  }
  std::vector<std::string> lines = fileLines(file);
  const std::vector<std::string> head(lines.begin(), lines.begin() + 7);
  EXPECT_EQ((std::vector<std::string>{"[DirectX]", "ExportWBuffer=1", "PixelCenter=0",
                                      "ExportCompressedTex=1", "VSync=-1", "FastZClearEnabled=1",
                                      "DisableHyperZ=0"}),
            head);
  for (std::string& line : lines)
    if (line[0] != '[') line = line.substr(0, line.find('='));
  EXPECT_EQ(expected, lines);
}

// The program's own catalogues hold exactly the rows above: a row the code
// adds, drops or binds elsewhere shows here, not only in a round trip.
TEST_F(Catalogues, TheProgramBindsExactlyTheseRows) {
  const Group order[] = {Group::DirectX, Group::DirectXAdvanced, Group::OpenGL,
                         Group::OpenGLPrivate, Group::DVD,     Group::Desktop,
                         Group::DriverTabs};
  const std::size_t counts[] = {11, 42, 11, 29, 5, 8, 4};
  std::size_t total = 0;
  for (std::size_t g = 0; g < 7; ++g) {
    const Catalogue& code = catalogueOf(order[g]);
    const GroupCase& expected = groups()[g];
    EXPECT_STREQ(expected.section, code.section);
    ASSERT_EQ(counts[g], code.rows.size()) << code.section;
    ASSERT_EQ(counts[g], expected.rows.size()) << code.section;
    for (std::size_t i = 0; i < code.rows.size(); ++i) {
      const BindingRow& row = code.rows[i];
      const Row& want = expected.rows[i];
      SCOPED_TRACE(want.control);
      EXPECT_STREQ(want.control, row.control);
      EXPECT_STREQ(want.role, row.role);
      EXPECT_STREQ(want.valueName, row.valueName);
      EXPECT_EQ(want.encoding == kTextInverted || want.encoding == kDwordInverted,
                row.sense == Sense::Inverted);
      EXPECT_EQ(want.encoding == kValue, row.rule != nullptr);
    }
    total += code.rows.size();
  }
  EXPECT_EQ(110u, total);
}

// Every three-state box on the six pages is a binding of its own; the only
// two-state boxes are the stencil and TruForm switches.
TEST_F(Catalogues, EveryThreeStateBoxOfTheSettingPagesIsBound) {
  TMainForm& f = start();
  std::set<std::string> bound;
  for (const GroupCase& g : groups())
    for (const Row& r : g.rows) bound.insert(r.control);
  std::size_t threeState = 0;
  for (ui::TabSheet* page : {f.tabDirectX, f.DirectXAdv, f.tabOpenGL, f.tabOpenGLP, f.DVD,
                             f.WindowsGUI}) {
    std::vector<ui::Control*> todo(page->children().begin(), page->children().end());
    while (!todo.empty()) {
      ui::Control* c = todo.back();
      todo.pop_back();
      todo.insert(todo.end(), c->children().begin(), c->children().end());
      auto* box = dynamic_cast<ui::CheckBox*>(c);
      if (!box) continue;
      if (box->allowGrayed()) {
        ++threeState;
        EXPECT_TRUE(bound.count(box->name())) << box->name();
      } else {
        EXPECT_TRUE(box->name() == "check8Stencil" || box->name() == "checkEnableTruForm")
            << box->name();
      }
    }
  }
  EXPECT_EQ(102u, threeState);
}

// Literal cases, one per encoding and every inverted row: what the driver
// finds after Apply for a box the user set, written out by hand.
TEST_F(Catalogues, ApplyStoresWhatTheDriverExpectsForEachEncoding) {
  TMainForm& f = start();
  struct Case {
    const char* control;
    CheckState state;
    const char* role;
    const char* value;
    const char* stored;
  };
  const Case cases[] = {
      {"checkVSync", CheckState::Checked, "D3D", "VSync", "SZ 1"},
      {"checkHyperZ", CheckState::Checked, "D3D", "DisableHyperZ", "SZ 0"},
      {"checkHierZ", CheckState::Unchecked, "D3D", "DisableHierarchicalZ", "SZ 1"},
      {"checkRasterGuardBandEnable", CheckState::Checked, "D3D", "RasterGuardbandEnable", "SZ 1"},
      {"checkAlphaDither", CheckState::Checked, "OGL", "OGLDisableDitherWhenAlphaBlending",
       "DWORD 0"},
      {"checkdisableScreenSavers", CheckState::Checked, "OGLP", "disableScreenSavers", "DWORD 1"},
      {"checkHyperZOGLP", CheckState::Unchecked, "OGLP", "disableHyperZ", "DWORD 1"},
      {"checkuseFastTrilinear", CheckState::Checked, "OGLP", "userFastTrilinear", "DWORD 1"},
      {"checkIDCT", CheckState::Checked, "D3D", "DisableIDCT", "DWORD 0"},
      {"checkAdaptiveSoft", CheckState::Checked, "D3D", "Adaptive De-interlacing Adj", "DWORD 1"},
      {"checkDrvAlphaBlend", CheckState::Checked, "D3D", "DisableDrvAlphaBlend", "DWORD 0"},
      {"checkDrvStrBlt", CheckState::Checked, "D3D", "DisableDrvStretchBlt", "DWORD 0"},
      {"checkBlockWrite", CheckState::Checked, "D3D", "DisableBlockWrite", "DWORD 0"},
      {"checkUSWC", CheckState::Checked, "D3D", "DisableUSWC", "DWORD 0"},
      {"checkMMX", CheckState::Unchecked, "D3D", "DisableMMX", "DWORD 1"},
      {"check3DNow", CheckState::Checked, "OGLP", "enable3DNow", "DWORD 1"},
      {"checkRotation", CheckState::Checked, "Driver", "Rotation", "BINARY 01 00 00 00"},
      {"checkWorkstation", CheckState::Unchecked, "Driver", "Workstation", "BINARY 00 00 00 00"},
  };
  for (const Case& c : cases) box(c.control).setState(c.state);
  f.markModified();
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*f.buttonApply);
  for (const Case& c : cases) EXPECT_EQ(c.stored, stored(c.role, c.value)) << c.control;
}

}  // namespace
}  // namespace kl::settings
