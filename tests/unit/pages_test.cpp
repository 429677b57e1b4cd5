// The six setting pages as a user meets them: captions, hints, design
// state, the marker, and the rules of the Z-buffer, TruForm, anisotropy,
// dithering and track-bar controls.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "platform/error.h"
#include "settings/BindingGroups.h"
#include "settings_fixture.h"

namespace kl::settings {
namespace {

using app::TMainForm;
using ui::CheckState;
namespace user = ui::user;

template <class T>
std::vector<T*> controlsIn(ui::Control& root) {
  std::vector<T*> found;
  if (auto* c = dynamic_cast<T*>(&root)) found.push_back(c);
  for (ui::Control* child : root.children())
    for (T* c : controlsIn<T>(*child)) found.push_back(c);
  return found;
}

class Pages : public testing::SettingsTest {
 protected:
  // Seeds "ZFormats" and loads the DirectX group.
  void loadZFormats(TMainForm& f, const std::string& code) {
    seed("D3D", code == "-1" ? "\"ZFormats\"=-" : "\"ZFormats\"=\"" + code + "\"");
    LoadDirectXKeys(*f.settingPages, "Register", "");
  }
  std::string zShown(TMainForm& f) {
    return std::to_string(f.settingPages->directX.comboZBuff->itemIndex()) +
           (f.settingPages->directX.check8Stencil->checked() ? " on" : " off") +
           (f.settingPages->directX.check8Stencil->enabled() ? " enabled" : " disabled");
  }
  std::string truFormShown(TMainForm& f) {
    return std::string(f.settingPages->directX.checkEnableTruForm->checked() ? "on" : "off") +
           (f.settingPages->directX.trackTruForm->enabled() ? " enabled " : " disabled ") +
           std::to_string(f.settingPages->directX.trackTruForm->position()) + " " + f.settingPages->directX.labelTruStr->text();
  }
};

TEST_F(Pages, ControlsShowTheirDesignStateUntilTheFirstLoad) {
  sim_.os.setVersion(platform::OsVersion{platform::kPlatformNt, 5, 2, 3790, ""});  // no load
  TMainForm& f = start();
  EXPECT_EQ((std::vector<std::string>{"16", "16, 24", "16, 24, 32"}), f.settingPages->directX.comboZBuff->items());
  EXPECT_EQ(2, f.settingPages->directX.comboZBuff->itemIndex());
  EXPECT_TRUE(f.settingPages->directX.check8Stencil->enabled());
  EXPECT_EQ(3, f.settingPages->directX.spinZCompres->value());
  EXPECT_EQ(3, f.settingPages->directX.spinZCompres->max());
  EXPECT_EQ((std::vector<std::string>{"Use error diffusion dithering", "Use ordered dithering",
                                      "Disable dithering"}),
            f.settingPages->directX.comboAlphaBlend->items());
  EXPECT_EQ(0, f.settingPages->directX.comboAlphaBlend->itemIndex());
  const std::vector<std::string> aniso = {"Disabled", "2x",  "4x",  "8x",
                                          "16x",      "32x", "64x", "128x"};
  EXPECT_EQ(aniso, f.settingPages->directX.comboAnisoD3D->items());
  EXPECT_EQ(aniso, f.settingPages->openGL.comboAniso->items());
  EXPECT_EQ(0, f.settingPages->directX.comboAnisoD3D->itemIndex());
  EXPECT_EQ(0, f.settingPages->openGL.comboAniso->itemIndex());
  for (auto [track, label, max, position] :
       {std::tuple{f.settingPages->directX.trackTruForm, f.settingPages->directX.labelTruStr, 7, 0}, std::tuple{f.settingPages->openGL.trackLOD, f.settingPages->openGL.labelLODC, 8, 3},
        std::tuple{f.settingPages->openGL.trackSubPixelPrecision, f.settingPages->openGL.labelSubPix, 4, 2}}) {
    EXPECT_EQ(max, track->max()) << track->name();
    EXPECT_EQ(position, track->position()) << track->name();
    EXPECT_EQ(std::to_string(position), label->text()) << track->name();
  }
  for (ui::TabSheet* page : {f.tabDirectX, f.DirectXAdv, f.tabOpenGL, f.tabOpenGLP, f.DVD,
                             f.WindowsGUI})
    for (ui::CheckBox* box : controlsIn<ui::CheckBox>(*page))
      EXPECT_EQ(CheckState::Unchecked, box->state()) << box->name();
}

// All but the stencil and TruForm boxes are bindings of three states; a
// press of any button on any of them marks the window modified.
TEST_F(Pages, EveryCheckBoxOfTheSixPagesMarksTheWindowOnAPress) {
  TMainForm& f = start();
  const std::map<ui::TabSheet*, std::size_t> counts = {{f.tabDirectX, 16}, {f.DirectXAdv, 34},
                                                       {f.tabOpenGL, 9},   {f.tabOpenGLP, 28},
                                                       {f.DVD, 5},         {f.WindowsGUI, 12}};
  for (auto [page, count] : counts) {
    const auto boxes = controlsIn<ui::CheckBox>(*page);
    EXPECT_EQ(count, boxes.size()) << page->name();
    for (ui::CheckBox* box : boxes) {
      const bool twoState = box == f.settingPages->directX.check8Stencil || box == f.settingPages->directX.checkEnableTruForm;
      EXPECT_EQ(!twoState, box->allowGrayed()) << box->name();
      f.clearModified();
      user::press(*box, ui::MouseButton::Right);
      EXPECT_TRUE(f.settingsModified) << box->name();
    }
  }
}

TEST_F(Pages, FocusOnAValueControlMarksTheWindow) {
  TMainForm& f = start();
  f.settingPages->directX.checkEnableTruForm->setChecked(true);  // the strength bar takes input only then
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           f.settingPages->directX.comboZBuff, f.settingPages->directX.spinZCompres, f.settingPages->directX.comboAlphaBlend, f.settingPages->directX.comboAnisoD3D, f.settingPages->directX.trackTruForm,
           f.settingPages->openGL.trackLOD, f.settingPages->openGL.trackSubPixelPrecision, f.settingPages->openGL.comboAniso}) {
    f.clearModified();
    user::focus(*c);
    EXPECT_TRUE(f.settingsModified) << c->name();
  }
}

TEST_F(Pages, LoadingNeverMarksTheWindow) {
  seed("D3D", "\"VSync\"=\"1\"\n\"ZFormats\"=\"1\"\n\"NPatchMode\"=\"3\"\n\"AnisoDegree\"=\"8\"");
  seed("OGL", "\"OGLLODBias\"=dword:00000001\n\"OGLMaxAnisotropy\"=dword:00000002");
  TMainForm& f = start();
  EXPECT_EQ(CheckState::Checked, box("checkVSync").state());
  EXPECT_EQ("Kestrelune", f.caption());
  const std::string file = profile("p.kpf");
  writeFile(file, "[DirectX]\nZFormats=15\n[OpenGL]\nOGLSubPixelPrecision=3\n");
  LoadAllKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ(2, f.settingPages->directX.comboZBuff->itemIndex());
  EXPECT_EQ("Kestrelune", f.caption());
}

TEST_F(Pages, CaptionsHintsAndNamesAreThoseOfTheSettings) {
  TMainForm& f = start();
  EXPECT_EQ(" Z-Buffer Compression && Depth ", f.find("groupZBuff")->text());
  EXPECT_EQ("Enable Pixel && Vertex Shaders", box("checkPVSGEN").text());
  EXPECT_EQ("Support One Co\xF6rd. Text.", box("checkNONPOW2TextureCaps").text());
  EXPECT_EQ("UCWC", box("checkUSWC").text());
  EXPECT_EQ("Enables Z Mask, should increase performance a little. ",
            box("checkZMaskEnable").hint());
  EXPECT_TRUE(box("checkZMaskEnable").showHint());
  for (const char* hidden :
       {"checkEnableTruForm", "trackTruForm", "checkPrimTile", "checkAGPMicroTile"})
    EXPECT_FALSE(f.find(hidden)->showHint()) << hidden;
  for (const char* shown : {"groupD3DTiling", "groupFog", "GroupBox7", "comboAniso", "trackLOD"})
    EXPECT_TRUE(f.find(shown)->showHint() && !f.find(shown)->hint().empty()) << shown;
  EXPECT_EQ("Defines the strength of TruForm used", f.settingPages->directX.trackTruForm->hint());

  std::vector<int> tops;
  for (const char* name : {"checkRotation", "checkProjector", "checkMaxx", "checkWorkstation"})
    tops.push_back(box(name).bounds().top);
  EXPECT_TRUE(std::is_sorted(tops.begin(), tops.end()) && tops.front() < tops.back());

  std::set<std::string> names;
  for (ui::Control* c : controlsIn<ui::Control>(f))
    EXPECT_TRUE(c->name().empty() || names.insert(c->name()).second) << c->name();
}

// ---- the Z-buffer: one code from the depth list and the stencil box

TEST_F(Pages, ZFormatsSetTheDepthAndTheStencil) {
  TMainForm& f = start();
  const std::pair<const char*, const char*> steps[] = {
      {"1", "0 off disabled"}, {"3", "1 off disabled"}, {"15", "2 on enabled"},
      {"11", "2 off enabled"}, {"-1", "0 off enabled"}, {"7", "1 on enabled"},
      {"5", "1 on enabled"},   {"1", "0 off disabled"}, {"-1", "0 off disabled"}};
  for (auto [code, shows] : steps) {
    loadZFormats(f, code);
    EXPECT_EQ(shows, zShown(f)) << code;
  }
  seed("D3D", "\"ZFormats\"=\"deep\"");
  EXPECT_THROW(LoadDirectXKeys(*f.settingPages, "Register", ""), Error);
  EXPECT_EQ("0 off disabled", zShown(f));
}

TEST_F(Pages, PickingSixteenBitsLocksTheStencilOff) {
  TMainForm& f = start();
  loadZFormats(f, "15");
  user::pick(*f.settingPages->directX.comboZBuff, 0);
  EXPECT_EQ("0 off disabled", zShown(f));
  EXPECT_TRUE(f.settingsModified);
  SaveDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 1", stored("D3D", "ZFormats"));

  user::pick(*f.settingPages->directX.comboZBuff, 1);
  EXPECT_EQ("1 off enabled", zShown(f));
  user::press(*f.settingPages->directX.check8Stencil);
  SaveDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 7", stored("D3D", "ZFormats"));
}

TEST_F(Pages, WithNoDepthSelectedZFormatsIsLeftAlone) {
  TMainForm& f = start();
  seed("D3D", "\"ZFormats\"=\"15\"");
  f.settingPages->directX.comboZBuff->setItemIndex(-1);
  SaveDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 15", stored("D3D", "ZFormats"));
  const std::string file = profile("z.kpf");
  SaveDirectXKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ("(missing)", profileValue(file, "DirectX", "ZFormats"));
  EXPECT_EQ("-1", profileValue(file, "DirectX", "VSync"));
}

// ---- TruForm: one value for the box and the strength

TEST_F(Pages, TruFormIsOnWithItsStrengthWheneverAValueIsStored) {
  seed("D3D", "\"NPatchMode\"=\"5\"");
  TMainForm& f = start();
  EXPECT_EQ("on enabled 5 5", truFormShown(f));
  seed("D3D", "\"NPatchMode\"=\"12\"");
  LoadDirectXAdvancedKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("on enabled 7 7", truFormShown(f));
  seed("D3D", "\"NPatchMode\"=-");
  LoadDirectXAdvancedKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("off disabled 0 0", truFormShown(f));

  user::press(*f.settingPages->directX.checkEnableTruForm);
  EXPECT_EQ("on enabled 0 0", truFormShown(f));
  SaveDirectXAdvancedKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 0", stored("D3D", "NPatchMode"));  // strength 0 is still TruForm on

  user::press(*f.settingPages->directX.checkEnableTruForm);
  EXPECT_FALSE(f.settingPages->directX.trackTruForm->enabled());
  SaveDirectXAdvancedKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("absent", stored("D3D", "NPatchMode"));
  const std::string file = profile("t.kpf");
  SaveDirectXAdvancedKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ("-1", profileValue(file, "DirectX Advanced", "NPatchMode"));
}

// ---- the other value controls

TEST_F(Pages, AnisotropyDitheringAndCompressionLoadAndSave) {
  seed("D3D", "\"AnisoDegree\"=\"16\"\n\"ZCompressionMode\"=\"9\"\n\"DitherAlpha\"=\"7\"");
  TMainForm& f = start();
  EXPECT_EQ(4, f.settingPages->directX.comboAnisoD3D->itemIndex());
  EXPECT_EQ(3, f.settingPages->directX.spinZCompres->value());
  EXPECT_EQ(-1, f.settingPages->directX.comboAlphaBlend->itemIndex());
  seed("D3D", "\"AnisoDegree\"=\"3\"");
  LoadDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ(4, f.settingPages->directX.comboAnisoD3D->itemIndex());  // no code: the selection stays

  seed("D3D", "\"AnisoDegree\"=-\n\"ZCompressionMode\"=-\n\"DitherAlpha\"=-");
  LoadDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ(0, f.settingPages->directX.comboAnisoD3D->itemIndex());
  EXPECT_EQ(0, f.settingPages->directX.spinZCompres->value());
  EXPECT_EQ(-1, f.settingPages->directX.comboAlphaBlend->itemIndex());
  SaveDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 0", stored("D3D", "AnisoDegree"));
  EXPECT_EQ("SZ 0", stored("D3D", "ZCompressionMode"));
  EXPECT_EQ("SZ -1", stored("D3D", "DitherAlpha"));
  f.settingPages->directX.comboAlphaBlend->setItemIndex(2);
  LoadDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ(-1, f.settingPages->directX.comboAlphaBlend->itemIndex());
}

TEST_F(Pages, ValueLabelsFollowTheirTrackBarsWithoutMarking) {
  TMainForm& f = start();
  f.settingPages->directX.checkEnableTruForm->setChecked(true);
  for (auto [track, label, position] :
       {std::tuple{f.settingPages->directX.trackTruForm, f.settingPages->directX.labelTruStr, 4}, std::tuple{f.settingPages->openGL.trackLOD, f.settingPages->openGL.labelLODC, 6},
        std::tuple{f.settingPages->openGL.trackSubPixelPrecision, f.settingPages->openGL.labelSubPix, 1}}) {
    f.clearModified();
    track->setPosition(position);
    EXPECT_EQ(std::to_string(position), label->text()) << track->name();
    EXPECT_FALSE(f.settingsModified);
    user::drag(*track, position - 1);
    EXPECT_EQ(std::to_string(position - 1), label->text()) << track->name();
    EXPECT_TRUE(f.settingsModified) << track->name();  // by the focus
  }
}

}  // namespace
}  // namespace kl::settings
