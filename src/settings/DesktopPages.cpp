// The pages "DVD" and "Windows GUI".
#include "settings/DesktopPages.h"

namespace kl::settings {
namespace {

using pages::BoxEntry;
using pages::boxGroup;
using pages::boxGroupHeight;
using pages::group;
using pages::kRowPitch;

const std::vector<BoxEntry> kDvd = {
    {"checkIDCT", "DVD Motion Compensation (IDCT)",
     "Enables the Radeon to use DVD Motion Compensation (IDCT) hardware acceleration."},
    {"checkOverscan", "Overscan (TV)", "Enables overscan for TV-Out"},
    {"checkAdaptive", "VPE Adaptive De-interlacing",
     "Ads Adaptive De-interlacing alghoritms to the VPE."},
    {"checkAdaptiveNONVPE", "Adaptive De-interlacing",
     "Adaptive De-interlacing is a technique to make DVD movies look much better, image quality "
     "will improve dramaticly."},
    {"checkAdaptiveSoft", "Adaptive De-interlacing (Software controlable)",
     "Is like normal Adaptive De-interlacing, only this version is software controlable."},
};

const std::vector<BoxEntry> kGuiTweaks = {
    {"checkDrvAlphaBlend", "Driver Alpha Blend",
     "Enables Alpha Blending in Windows, this accelerates operations on windows with shadows for "
     "example."},
    {"checkDrvStrBlt", "Driver Stretch Block Transfers", "Dunno"},
    {"checkBlockWrite", "Block Write",
     "Enables transfers of 32-bit blocks of data. This only works with DDR-SGRAM and SDR-SGRAM "
     "(special graphics memory). This will probably only work for the ATi FireGL 8800 (and better) "
     "series."},
    {"checkUSWC", "UCWC", "Dunno"},
};

const std::vector<BoxEntry> kIntel = {
    {"checkSSE", "Enable SSE",
     "SSE and SSE2 are multimedia extensions that where introduced by Intel for their Pentium III "
     "and IV processors."},
    {"checkSSE2", "Enable SSE2",
     "Currently the only processor which support both extensions is the Intel Pentium IV."},
};

const std::vector<BoxEntry> kAmd = {
    {"check3DNow", "Enable 3DNow!",
     "The marketing name for a collection of multimedia processing enhancements in microprocessors "
     "from Advanced Micro Devices (AMD)."},
};

const std::vector<BoxEntry> kBoth = {
    {"checkMMX", "Enable MMX",
     "MMX is also a set of instructions to speedup multimedia operations. These extensions where "
     "introduced on the Intel Pentium. Both Intel and AMD support these multimedia extensions. "},
};

// Shown top to bottom in this order; stored in the order of their catalogue.
const std::vector<BoxEntry> kDriverTabs = {
    {"checkRotation", "Rotation",
     "Rotation: Lets you rotate the screen by 90, 180 or 270 degrees (specially for LCD displays "
     "that can be rotated). "},
    {"checkProjector", "Projector",
     "Projector: Lets you control the resolution to use with projectors."},
    {"checkMaxx", "Maxx",
     "Maxx: Lets you choose wether you want to use 1 or 2 GPU's of your MAXX card."},
    {"checkWorkstation", "Workstation",
     "Workstation: This is specially for the workstation version of the Radeon."},
};

}  // namespace

// The processor extensions under a bold heading per maker.
void WindowsGUIPage::buildMultimediaGroup(ui::Rect bounds) {
  auto& g = group(sheet(), "groupMultimedia", " Multimedia Extensions ", bounds);
  struct Section {
    const char* label;
    const char* caption;
    const std::vector<BoxEntry>& boxes;
  };
  const Section sections[] = {{"labelIntel", "Intel Processors:", kIntel},
                              {"labelAMD", "AMD Processors:", kAmd},
                              {"labelBoth", "Both Processors:", kBoth}};
  int y = pages::kFirstRow + 2;
  for (const Section& s : sections) {
    ui::addLabel(g, s.label, s.caption, 12, y, 150, true);
    y += kRowPitch;
    for (const BoxEntry& box : s.boxes) {
      pages::settingBox(*this, g, box, {24, y, bounds.width - 36, pages::kBoxHeight});
      y += kRowPitch;
    }
    y += 14;
  }
}

DVDPage::DVDPage(ui::TabSheet& DVD) : SettingPage(DVD) {
  boxGroup(*this, "groupDVD", " DVD Settings ", {8, 4, 576, boxGroupHeight(5)}, kDvd);
}

WindowsGUIPage::WindowsGUIPage(ui::TabSheet& WindowsGUI) : SettingPage(WindowsGUI) {
  boxGroup(*this, "groupGUITweaks", " Windows GUI Tweaks ", {8, 4, 284, boxGroupHeight(4)},
           kGuiTweaks);
  boxGroup(*this, "groupDriverTabs", " ATi Driver Tabs ",
           {8, 4 + boxGroupHeight(4) + 6, 284, boxGroupHeight(4)}, kDriverTabs);
  buildMultimediaGroup({300, 4, 284, 2 * boxGroupHeight(4) + 6});
}

}  // namespace kl::settings
