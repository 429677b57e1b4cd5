// The pages "OpenGL" and "OpenGL Private".
#include "settings/OpenGLPages.h"

namespace kl::settings {
namespace {

using pages::BoxEntry;
using pages::boxGroup;
using pages::boxGroupHeight;
using pages::giveHint;
using pages::group;
using pages::HintDisplay;

// "Disable Screensavers" is stored with the private settings.
const std::vector<BoxEntry> kOpenGLSettings = {
    {"checkConvTex32to16", "Convert 32-Bit textures to 16-Bit",
     "Converts 32-Bit textures to 16-Bit, this reduces image quality but increases performance"},
    {"checkHWPageFlip", "Enable Hardware Page Flipping",
     "Enables hardware controled page flipping"},
    {"checkForce16Z", "Force 16-Bit Z-Buffer",
     "Forces the Radeon to use a 16-Bit Z Buffer, this can result in less accurate rendered "
     "images"},
    {"checkKTXBuffer", "Enable KTX Buffer",
     "This enables the KTX Buffer (Kinetix). It is used by professional 3D programs like 3D Studio "
     "Max, Maya and Ligthwave."},
    {"checkVSyncOGL", "V-Sync",
     "Syncs the framerate to the monitors refreshrate, that means that it lowers the framerate. "
     "But it prevents image tearing"},
    {"checkTexCompr", "Enable Texture Compression",
     "Enables support for compressed textures, should increase performance if the game makes use "
     "of it"},
    {"checkOGLTracing", "Tracing", "Dunno"},
    {"checkAlphaDither", "Enable Alpha Dithering", "Enables alpha dithering"},
    {"checkdisableScreenSavers", "Disable Screensavers", "Disables screensavers"},
};

const std::vector<BoxEntry> kPrivateSettings = {
    {"checkEnableAALines", "Enable AA Lines",
     "This setting enables Anti-Aliasing of lines in OpenGL.This is very usefull if you work with "
     "applications like Maya or 3D Studion Max, lines of wireframes will be anti-aliased with this "
     "setting turned on."},
    {"checkDynamicDither", "Enable Dynamic Dithering", "Dunno"},
    {"checkMultiTexture", "Enable MultiTextures",
     "This setting forces the Radeon to use Multitextures. If you disable this the Radeon does not "
     "support multitexture operations. Some games need support for multitextures (a good example "
     "is Medal Of Honor: Allied Assault)."},
    {"checkForce32", "Force 32-Bit Textures", "Forces to use 32-bit textures"},
    {"checkZFormat32", "32-Bit Z-Buffer",
     "Enables 32-bit Z-Buffer, disable 16-bit Z-Buffer causes the driver to force a 32-bit "
     "Z-Buffer"},
    {"checkZFormat16", "16-Bit Z-Buffer",
     "Enables 16-bit Z-Buffer, disable 32-bit Z-Buffer causes the driver to force a 16-bit "
     "Z-Buffer"},
    {"checkPVSGEN", "Enable Pixel && Vertex Shaders",
     "Enables pixel and vertex shaders. The only card that supports pixelshaders is the Radeon "
     "8500. "},
};

const std::vector<BoxEntry> kHyperZ = {
    {"checkFastZMaskClear", "Fast Z Mask Clear",
     "Clears the Z Mask faster, should speed up instructions"},
    {"checkHyperZOGLP", "Hyper Z", "Enable HyperZ, always enable, should speed up performance"},
    {"checkHierarchicalZ", "Hierarchical Z", "Enables Hierarchical Z, can cause problems in games"},
    {"checkZCompr", "Enable Z Compression", "Compresses the data in the Z Buffer"},
};

const std::vector<BoxEntry> kTiling = {
    {"checkMacroTile", "Macro Tiling", "This enables tiling on 64x64 pixels."},
    {"checkMicroTile", "Micro Tiling",
     "Tiling on 32x32 pixels. Tiling is a technique that is used by Kyro cards. It's a whole "
     "Tiling on 32x32 pixels. Tiling is a technique that is used by Kyro cards. It's a whole other "
     "approach to rendering. Tiling is a technique that saves bandwith."},
};

const std::vector<BoxEntry> kMorePrivateSettings = {
    {"checkenableVidMemTextures", "Video Memory Textures",
     "Enables the Radeon to stock textures in the video memory (on the graphics card, not the AGP "
     "memory)."},
    {"checkwaitForIdleAfterSubmit", "Wait For Idle After Submit",
     "Enables the Radeon to wait for an idle period after submitting the rendered images to the "
     "screen. This slowsdown operations but may increase precision of the rendered images."},
    {"checkZCompForAllConfigs", "Z Compression (All Configs)",
     "Enables compression of the Z-Buffer. It should save bandwith."},
    {"checkenableTearFreeSwap", "Tear Free Swapping",
     "Prevents tearing of the image when swapping images on the screen (the frames are meant by "
     "that)."},
    {"checkuseBlt", "Use Block Transfers",
     "Lets the Radeon use blocks of 32-bit for transport of data. The implementation is a little "
     "buggy in early drivers. In the newer drivers it is improved a lot."},
    {"checkenablePointParameters", "Point Parameters", "Dunno"},
    {"checkenablePIOTex", "Programmable I/O Textures",
     "Not sure but I think it might be enabling pixelshaders in OpenGL."},
    {"checkenableAGPTextures", "AGP Textures", "Dunno"},
    {"checkenableDumpShaders", "Dump Shaders",
     "Dumps shader information, this is mainly for debugging. I think the ATi driverteam uses it "
     "for debugging the drivers."},
};

const std::vector<BoxEntry> kEvenMorePrivateSettings = {
    {"checkuseFastAALines", "Fast AA Lines",
     "A fast way of anti-aliassing lines (again this is used in professional 3D applications like "
     "Maya)."},
    {"checkenableAnisotropicFiltering", "Anisotropic Filtering",
     "Enables support for anisotropic filtering. This is done in the OpenGL tab, so this setting "
     "is pretty obsolete."},
    {"checkuseFastTextureCompression", "Fast Texture Compression",
     "Support for faster compression of textures in OpenGL."},
    {"checkuseFastTrilinear", "Fast Trilinear",
     "Support for faster trilinear filtering in OpenGL."},
    {"checktclDlistInAGP", "TCL Dlist In AGP",
     "Stores TCL data in AGP Makes the Texture and Lightning unit (T&L, also called the TCL) store "
     "data in the AGP memory."},
    {"checktclDlistInLocal", "TCL Dlist In Local Memory",
     "Stores TCL data in local Makes the Texture and Lightning unit (T&L, also called the TCL) "
     "store data in the local memory."},
};

struct TrackRow {
  const char* group;
  const char* caption;
  const char* labelCaption;  // before the bar
  const char* track;
  const char* valueLabel;  // after the bar: the position
  int max;
  int designPosition;
  const char* hint;
};

// A group with "caption:", a track bar from 0 to `max` and its value label.
ui::TrackBar& trackGroup(ui::Control& page, const TrackRow& row, int y, ui::Label** valueLabel) {
  auto& g = group(page, row.group, row.caption, {8, y, 576, 56});
  ui::addLabel(g, std::string(row.valueLabel) + "Caption", row.labelCaption, 12, 28, 44);
  auto& track = ui::place<ui::TrackBar>(g, row.track, "", {60, 20, 220, 30});
  track.setMax(row.max);
  track.setPosition(row.designPosition);
  track.setTickMarks(false);
  giveHint(track, row.hint, HintDisplay::Shown);
  *valueLabel = &ui::addLabel(g, row.valueLabel, std::to_string(row.designPosition), 290, 28, 30);
  return track;
}

}  // namespace

OpenGLPage::OpenGLPage(ui::TabSheet& tabOpenGL) : SettingPage(tabOpenGL) {
  boxGroup(*this, "groupOGLSett", " OpenGL Settings ", {8, 4, 576, boxGroupHeight(5)},
           kOpenGLSettings, 2);
  trackLOD = &trackGroup(tabOpenGL,
                         {"groupLOD", " Level Of Detail ", "LOD:", "trackLOD", "labelLODC", 8, 3,
                          "Determines texture sharpness"},
                         128, &labelLODC);
  trackSubPixelPrecision =
      &trackGroup(tabOpenGL,
                  {"groupSubPix", " Sub Pixel Precision ", "SubPix:", "trackSubPixelPrecision",
                   "labelSubPix", 4, 2, "Dunno"},
                  190, &labelSubPix);
  auto& aniso = group(tabOpenGL, "groupAniso", " Anisotropic Texture Filtering ", {8, 252, 576, 56});
  comboAniso = &ui::place<ui::ComboBox>(aniso, "comboAniso", "", {12, 22, 120, 21});
  comboAniso->setItems({"Disabled", "2x", "4x", "8x", "16x", "32x", "64x", "128x"});
  comboAniso->setItemIndex(0);
  giveHint(*comboAniso, "Enables Anisotropic filtering for OpenGL", HintDisplay::Shown);

  trackLOD->onChange = [this] { trackLODChange(); };
  trackSubPixelPrecision->onChange = [this] { trackSubPixelPrecisionChange(); };
  for (ui::Control* c :
       std::initializer_list<ui::Control*>{trackLOD, trackSubPixelPrecision, comboAniso})
    c->onEnter = [this] { comboAnisoD3DEnter(); };
}

void OpenGLPage::trackLODChange() { labelLODC->setText(std::to_string(trackLOD->position())); }

void OpenGLPage::trackSubPixelPrecisionChange() {
  labelSubPix->setText(std::to_string(trackSubPixelPrecision->position()));
}

// Two columns: general, Hyper Z and tiling switches on the left, the rest
// of the private switches on the right.
OpenGLPrivatePage::OpenGLPrivatePage(ui::TabSheet& tabOpenGLP) : SettingPage(tabOpenGLP) {
  const int hyperZTop = 4 + boxGroupHeight(7) + 6;
  const int tilingTop = hyperZTop + boxGroupHeight(4) + 6;
  boxGroup(*this, "groupOGLPSett", " OpenGL Private Settings ", {8, 4, 284, boxGroupHeight(7)},
           kPrivateSettings);
  boxGroup(*this, "groupOGLPHyperZ", " Hyper Z Settings ", {8, hyperZTop, 284, boxGroupHeight(4)},
           kHyperZ);
  boxGroup(*this, "groupOGLPTiling", " Tiling ", {8, tilingTop, 284, boxGroupHeight(2)}, kTiling);
  boxGroup(*this, "groupOGLPSett2", " OpenGL Private Settings ", {300, 4, 284, boxGroupHeight(9)},
           kMorePrivateSettings);
  boxGroup(*this, "groupOGLPSett3", " OpenGL Private Settings ",
           {300, 4 + boxGroupHeight(9) + 6, 284, boxGroupHeight(6)}, kEvenMorePrivateSettings);
}

}  // namespace kl::settings
