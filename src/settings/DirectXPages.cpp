// The pages "DirectX" and "DirectX Advanced".
#include "settings/DirectXPages.h"

namespace kl::settings {
namespace {

using pages::BoxEntry;
using pages::boxGroup;
using pages::boxGroupHeight;
using pages::giveHint;
using pages::group;
using pages::HintDisplay;

const std::vector<std::string> kAnisotropyItems = {"Disabled", "2x",  "4x",  "8x",
                                                   "16x",      "32x", "64x", "128x"};

const std::vector<BoxEntry> kDirectXSettings = {
    {"checkVSync", "V-Sync",
     "V-Sync reduces image tearing. This is done by setting the framerate (fps) to the same value "
     "as the actual monitor refreshrate. So basicly this means that if you have your monitor at "
     "85Hz, you can't get higher than 85fps in games."},
    {"checkAltPix", "Alternate Pixelcenter",
     "This setting takes a corner of a pixel as the center of the pixel. This setting sometimes "
     "solves problems with textures being drawn slightly out of position. (It fixes the menus in "
     "Final Fantasy VIII for example)"},
    {"checkWBuf", "W-Buffer",
     "This setting enables the W-Buffer. This buffer is used to produce a better image. Games have "
     "to support it though."},
    {"checkCompTex", "Compressed Textures",
     "Compressing larger textures to smaller ones in order to conserve memory. This can make games "
     "run faster as well as allow more textures to be used per scene, adding richness and detail "
     "to the 3D environment."},
    {"checkHyperZ", "Hyper Z",
     "Hyper Z is a technique developed by ATi. Hyper Z is a bandwith manager that controls which "
     "pixels will be rendered for the final image that is displayed on screen."},
    {"checkHierZ", "Hierarchical Z",
     "Hierarchical Z is a part of Hyper Z. Hierarchical Z decides which pixels are drawn on "
     "screen. It throws away pixels that fall behind other pixels. On the first series of Radeons "
     "the impementation of Hierarchical Z was a bit buggy (for example F1 2001)"},
    {"checkFastZ", "Fast Z Clear",
     "Fast Z Clear is also a component of Hyper Z. Fast Z Clear tries to clear the Z-Buffer faster "
     "so it is ready for the next dataset."},
};

const std::vector<BoxEntry> kFog = {
    {"checkTableFog", "Table Fog", "Enables Table Fog"},
    {"checkZFog", "Z Fog", "Enables Z Fog"},
    {"checkDiscreteFog", "Discrete Fog", "Enables Discrete Fog"},
    {"checkWfog", "W Fog", "Enables W Fog"},
    {"checkVertexFog", "Vertex Fog", "Enables Vertex Fog"},
    {"checkVolFog", "Volume Fog", "Enables Volume Fog"},
};

const BoxEntry kAnisoLinear = {
    "checkAnisoLinear", "Anisotropy Linear",
    "I don't know... I think it combines Anisotropic Filtering with Linear Filtering."};

const std::vector<BoxEntry> kAdvancedSettings = {
    {"checkBumpMap", "Bump Mapping", "Enables bump mapping"},
    {"checkVolTex", "Signed Volumetric Textures (3D)",
     "Enables support for 3 dimensional textures."},
    {"checkColorFill", "Color Fill", "Colorfill improves color saturation in DirectX"},
    {"checkOptTexStages", "Optimize Texture Stages", "Dunno"},
    {"checkCubeMap", "MipMap Cubes",
     "A technique to improve graphics performance by generating and storing multiple versions of "
     "the original texture image, each with different levels of detail."},
    {"checkZMaskEnable", "Enable Z Mask", "Enables Z Mask, should increase performance a little. "},
    {"checkClipOpt", "Optimize Clipping", "Optimizes clipping"},
    {"checkSysMemBlts", "Block Transfers",
     "Lets the Radeon use blocks of 32-bit for transport of data."},
    {"checkRemoveDegenTris", "Remove Undrawn Triangles",
     "Remove undrawn triangles, this should increase performance a little bit"},
    {"checkValidateVertexIndex", "Validate Vertex Index",
     "Enables validating of the Vertex Index. Validating the Vertex Index takes care of checking "
     "if the vertices are calculated right. It may improve performance but can also cause visual "
     "artifacts. "},
    {"checkFastColorClear", "Fast Color Clear", "Dunno"},
    {"checkFastColorClearPrimary", "Fast Color Clear Primary", "Dunno"},
};

// Their hints are kept but not shown; the group shows its own.
const std::vector<BoxEntry> kTiling = {
    {"checkPrimTile", "Primary Tiling", "Dunno"},
    {"checkBackBufTile", "Back Buffer Tiling", "Dunno"},
    {"checkTexTiling", "Texture Tiling", "Dunno"},
    {"checkTexMicroTile", "Texture Micro Tiling", "Dunno"},
    {"checkPlainTiling", "Plain Tiling", "Dunno"},
    {"checkAGPTexTile", "AGP Texture Tiling", "Dunno"},
    {"checkAGPMicroTile", "AGP Texture Micro Tiling", "Dunno"},
};

const std::vector<BoxEntry> kMoreAdvancedSettings = {
    {"checkEnablePerformance", "Enable Performance",
     "Enable performance, dunno, but I guess it enables performance"},
    {"checkBlendOpEnable", "Optimize Blending", "Optimizes blending operations"},
    {"checkRasterGuardBandEnable", "Raster Guard Bandwith",
     "An alghoritm that saves bandwith in transfers between the core and the memory."},
    {"checkExportYUVTex", "Export YUV Textures", "Dunno"},
    {"checkNONPOW2TextureCaps",
     "Support One Co\xF6"
     "rd. Text.",
     "Enable support for textures with only one coordinate"},
    {"checkPointSprites", "Point Sprites", "Enables support for Point Sprites"},
    {"checkPureDevice", "Pure Device", "Gives Windows direct acces to the Radeon hardware"},
    {"checkLVB", "Local Vertex Buffer",
     "Local Vertex Buffer, the LVB buffers vertices in the Radeons onboard memory. "},
    {"checkOptimizePVSCode", "Optimize Pixel/Vertex Shader",
     "Optimize Pixel and Vertex shaderoperations (only Radeon 8500 has working pixelshaders)"},
    {"checkEnableRTPatch", "Enable RT Patches",
     "Enable RT Patches, sort of TruForm but doesn't work that well"},
    {"checkAGPTexture", "AGP Textures", "Dunno"},
    {"checkEnablePlaneMaskWorkaround", "Plane Mask Workaround",
     "This is a bugfix, use it if you have problems, it might help"},
};

const std::vector<BoxEntry> kTcl = {
    {"checkTclEnableBackFaceCulling", "Back Face Culling",
     "Enables Back Face Culling, this is HSR (hidden surface removal) for the Radeon. This is only "
     "used if the application or game supports it. "},
    {"checkTclEnableVertexBlend2Optimize", "Optimize Vertex Blending",
     "Like it says, it optimizes blending of vertices. Should increase performance a little. "},
    {"checkTclEnableVertexBlendUseProjMat", "Vertex Blend Use Proj. Mat.", "Dunno"},
};

ui::ComboBox& comboList(ui::Control& parent, const std::string& name,
                        const std::vector<std::string>& items, int designItem, ui::Rect bounds) {
  auto& combo = ui::place<ui::ComboBox>(parent, name, "", bounds);
  combo.setItems(items);
  combo.setItemIndex(designItem);
  return combo;
}

}  // namespace

void DirectXPage::buildZBufferGroup(ui::Rect bounds) {
  auto& g = group(sheet(), "groupZBuff", " Z-Buffer Compression && Depth ", bounds);
  spinZCompres = &ui::place<ui::SpinEdit>(g, "spinZCompres", "", {12, 22, 50, 21});
  spinZCompres->setRange(0, 3);
  spinZCompres->setEditorEnabled(false);
  spinZCompres->setValue(3);
  giveHint(*spinZCompres, "Determines the compression strength of data in the Z-Buffer",
           HintDisplay::Shown);
  comboZBuff = &comboList(g, "comboZBuff", {"16", "16, 24", "16, 24, 32"}, 2, {74, 22, 100, 21});
  giveHint(*comboZBuff,
           "The area of the graphics memory used to store the Z or depth information about "
           "rendered objects.",
           HintDisplay::Shown);
  check8Stencil =
      &ui::place<ui::CheckBox>(g, "check8Stencil", "8-bit Stencil", {186, 24, bounds.width - 198, 17});
  giveHint(*check8Stencil,
           "The section of the graphics memory that stores the stencil data. Stencil data can be "
           "used to mask pixels for a variety of reasons, such as stippling patterns for lines, "
           "simple shadows and more.",
           HintDisplay::Shown);
  check8Stencil->onMouseDown = [this](ui::MouseButton b) { checkVSyncMouseDown(b); };
  comboZBuff->onChange = [this] { comboZBuffChange(); };
}

void DirectXPage::buildDitheringGroup(ui::Rect bounds) {
  auto& g = group(sheet(), "groupDXDith", " Dithering when Alpha-Blending ", bounds);
  comboAlphaBlend =
      &comboList(g, "comboAlphaBlend",
                 {"Use error diffusion dithering", "Use ordered dithering", "Disable dithering"}, 0,
                 {12, 22, bounds.width - 24, 21});
  giveHint(*comboAlphaBlend, "Selects the technique to use for dithering", HintDisplay::Shown);
}

void DirectXPage::buildAnisotropyGroup(ui::Rect bounds) {
  auto& g = group(sheet(), "groupAnisoD3D", " DirectX Anisotropic Texture Filtering ", bounds);
  comboAnisoD3D = &comboList(g, "comboAnisoD3D", kAnisotropyItems, 0, {12, 22, 100, 21});
  giveHint(*comboAnisoD3D,
           "An advanced texture-filtering technique that improves image quality for scenes with "
           "objects that extend from the foreground deep into the background.",
           HintDisplay::Shown);
  pages::settingBox(*this, g, kAnisoLinear, {124, 24, bounds.width - 136, 17});
}

void DirectXPage::buildTruFormGroup(ui::Rect bounds) {
  auto& g = group(sheet(), "GroupBox7", " TruForm (only for Radeon 8500) ", bounds);
  giveHint(g,
           "TruForm is a technique that generates polygones out of existing polygones. This way "
           "the Radeon is able to create high polygone modes without a big performance hit. This "
           "setting only works on the Radeon 8500. ",
           HintDisplay::Shown);
  checkEnableTruForm =
      &ui::place<ui::CheckBox>(g, "checkEnableTruForm", "Enable TruForm", {12, 26, 110, 17});
  giveHint(*checkEnableTruForm,
           "TruForm creates high polygon models, this feature only works on the Radeon 8500",
           HintDisplay::Hidden);
  ui::addLabel(g, "labelTruFormStrength", "Strength:", 140, 28, 50);
  trackTruForm = &ui::place<ui::TrackBar>(g, "trackTruForm", "", {195, 20, 300, 30});
  trackTruForm->setMax(7);
  trackTruForm->setPosition(0);
  trackTruForm->setTickMarks(false);
  giveHint(*trackTruForm, "Defines the strength of TruForm used", HintDisplay::Hidden);
  labelTruStr = &ui::addLabel(g, "labelTruStr", "0", 505, 28, 30);

  checkEnableTruForm->onMouseDown = [this](ui::MouseButton b) { checkEnableTruFormMouseDown(b); };
  checkEnableTruForm->onClick = [this] { checkEnableTruFormClick(); };
  trackTruForm->onChange = [this] { trackTruFormChange(); };
}

// Two columns: the switches and dithering on the left; fog, Z-buffer and
// anisotropy on the right; TruForm across the page below.
DirectXPage::DirectXPage(ui::TabSheet& tabDirectX) : SettingPage(tabDirectX) {
  boxGroup(*this, "groupDXSett", " DirectX Settings ", {8, 4, 284, boxGroupHeight(7)},
           kDirectXSettings);
  buildDitheringGroup({8, 164, 284, 56});
  auto& fog = boxGroup(*this, "groupFog", " Fog ", {300, 4, 284, boxGroupHeight(3)}, kFog, 2);
  giveHint(fog,
           "Fog is a graphics function that simulates the behavior of actual fog and/or mist. The "
           "Radeon supports different types of fog rendering in DirectX. These are: Table, "
           "Discrete, Vertex, Volume, Z and W Fog.",
           HintDisplay::Shown);
  buildZBufferGroup({300, 92, 284, 56});
  buildAnisotropyGroup({300, 154, 284, 66});
  buildTruFormGroup({8, 228, 576, 64});

  // Focus on a value control marks the window modified.
  for (ui::Control* c : std::initializer_list<ui::Control*>{comboZBuff, spinZCompres,
                                                            comboAlphaBlend, comboAnisoD3D,
                                                            trackTruForm})
    c->onEnter = [this] { comboAnisoD3DEnter(); };
}

void DirectXPage::comboZBuffChange() {
  const bool only16 = comboZBuff->itemIndex() == 0;
  if (only16) check8Stencil->setChecked(false);
  check8Stencil->setEnabled(!only16);
  modified();
}

// The strength bar follows the box through its click event, so it is enabled
// exactly when the box is checked, whether the box was toggled by the left
// button or by the keyboard; a press of another button, which does not
// toggle, leaves both alone.
void DirectXPage::checkEnableTruFormMouseDown(ui::MouseButton) { modified(); }

void DirectXPage::checkEnableTruFormClick() {
  trackTruForm->setEnabled(checkEnableTruForm->checked());
}

void DirectXPage::trackTruFormChange() {
  labelTruStr->setText(std::to_string(trackTruForm->position()));
}

// The general switches in two columns, tiling and TCL below.
DirectXAdvancedPage::DirectXAdvancedPage(ui::TabSheet& DirectXAdv) : SettingPage(DirectXAdv) {
  boxGroup(*this, "groupD3DAdv", " DirectX Advanced Settings ", {8, 4, 284, boxGroupHeight(12)},
           kAdvancedSettings);
  boxGroup(*this, "GroupBox4", " DirectX Advanced Settings ", {300, 4, 284, boxGroupHeight(12)},
           kMoreAdvancedSettings);
  const int below = 4 + boxGroupHeight(12) + 6;
  auto& tiling = boxGroup(*this, "groupD3DTiling", " Tiling ", {8, below, 376, boxGroupHeight(4)},
                          kTiling, 2, HintDisplay::Hidden);
  giveHint(tiling,
           "Different forms of tiling. It enables different forms of tiling, tiling is used to "
           "render the screen in parts (tiles) which saves bandwith (Kyro cards are totally based "
           "on tile-based rendering). So enable all forms of tiling.",
           HintDisplay::Shown);
  boxGroup(*this, "GroupBox5", " TCL ", {392, below, 192, boxGroupHeight(4)}, kTcl);
}

}  // namespace kl::settings
