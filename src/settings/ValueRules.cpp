#include "settings/ValueRules.h"

#include <algorithm>

#include "settings/SettingPages.h"

namespace kl::settings::rules {
namespace {

constexpr int kAnisotropyItems = 8;  // "Disabled", "2x" ... "128x"

SaveAction storeNumber(int n) { return SaveAction::store(std::to_string(n)); }

// ---- dithering

SaveAction saveDitherAlpha(SettingPages& pages) {
  return storeNumber(pages.directX.comboAlphaBlend->itemIndex());
}

// Items 0 to 2; any other number, "-1" included, leaves no item selected.
void loadDitherAlpha(SettingPages& pages, const std::string& stored) {
  pages.directX.comboAlphaBlend->setItemIndex(textToInt(stored));
}

// ---- Z-buffer depth and stencil

enum ZItem { kZ16 = 0, kZ16And24 = 1, kZ16To32 = 2 };

SaveAction saveZFormats(SettingPages& pages) {
  const bool stencil = pages.directX.check8Stencil->checked();
  switch (pages.directX.comboZBuff->itemIndex()) {
    case kZ16:
      return storeNumber(1);
    case kZ16And24:
      return storeNumber(stencil ? 7 : 3);
    case kZ16To32:
      return storeNumber(stencil ? 15 : 11);
    default:
      return SaveAction::skip();
  }
}

// Only the five codes the save writes, and "not set", change the controls;
// a stencil that is off keeps its enabled state except with 16-bit depth.
void loadZFormats(SettingPages& pages, const std::string& stored) {
  ui::ComboBox& depth = *pages.directX.comboZBuff;
  ui::CheckBox& stencil = *pages.directX.check8Stencil;
  const int code = textToInt(stored);
  switch (code) {
    case 1:
      depth.setItemIndex(kZ16);
      stencil.setChecked(false);
      stencil.setEnabled(false);
      return;
    case -1:
    case 3:
    case 11:
      depth.setItemIndex(code == 11 ? kZ16To32 : code == 3 ? kZ16And24 : kZ16);
      stencil.setChecked(false);
      return;
    case 7:
    case 15:
      depth.setItemIndex(code == 7 ? kZ16And24 : kZ16To32);
      stencil.setChecked(true);
      stencil.setEnabled(true);
      return;
    default:
      return;
  }
}

// ---- anisotropy, shared by Direct3D and OpenGL

SaveAction saveAniso(const ui::ComboBox& combo) {
  return storeNumber(anisotropyCode(combo.itemIndex()));
}

void loadAniso(ui::ComboBox& combo, const std::string& stored) {
  const int code = textToInt(stored);
  const int item = code == -1 ? 0 : anisotropyItem(code);
  if (item >= 0) combo.setItemIndex(item);
}

SaveAction saveAnisoDegree(SettingPages& pages) { return saveAniso(*pages.directX.comboAnisoD3D); }
void loadAnisoDegree(SettingPages& pages, const std::string& s) { loadAniso(*pages.directX.comboAnisoD3D, s); }
SaveAction saveMaxAnisotropy(SettingPages& pages) { return saveAniso(*pages.openGL.comboAniso); }
void loadMaxAnisotropy(SettingPages& pages, const std::string& s) { loadAniso(*pages.openGL.comboAniso, s); }

// ---- Z-buffer compression

SaveAction saveZCompression(SettingPages& pages) { return storeNumber(pages.directX.spinZCompres->value()); }

void loadZCompression(SettingPages& pages, const std::string& stored) {
  pages.directX.spinZCompres->setValue(std::clamp(textToInt(stored), 0, 3));
}

// ---- TruForm

SaveAction saveTruForm(SettingPages& pages) {
  if (!pages.directX.checkEnableTruForm->checked()) return SaveAction::clear();
  return storeNumber(pages.directX.trackTruForm->position());
}

void loadTruForm(SettingPages& pages, const std::string& stored) {
  const bool set = stored != "-1";
  const int strength = set ? std::clamp(textToInt(stored), 0, 7) : 0;
  pages.directX.checkEnableTruForm->setChecked(set);
  pages.directX.trackTruForm->setEnabled(set);
  pages.directX.trackTruForm->setPosition(strength);
}

// ---- OpenGL track bars: the bar keeps the position inside its range

void loadTrack(ui::TrackBar& track, const std::string& stored) {
  const int n = textToInt(stored);
  track.setPosition(n == -1 ? 0 : n);
}

SaveAction saveLodBias(SettingPages& pages) { return storeNumber(pages.openGL.trackLOD->position()); }
void loadLodBias(SettingPages& pages, const std::string& s) { loadTrack(*pages.openGL.trackLOD, s); }
SaveAction saveSubPixel(SettingPages& pages) {
  return storeNumber(pages.openGL.trackSubPixelPrecision->position());
}
void loadSubPixel(SettingPages& pages, const std::string& s) {
  loadTrack(*pages.openGL.trackSubPixelPrecision, s);
}

}  // namespace

int anisotropyCode(int itemIndex) {
  if (itemIndex <= 0 || itemIndex >= kAnisotropyItems) return 0;
  return 1 << itemIndex;
}

int anisotropyItem(int code) {
  if (code == 0) return 0;
  for (int item = 1; item < kAnisotropyItems; ++item)
    if (code == 1 << item) return item;
  return -1;
}

const ValueRule ditherAlpha{saveDitherAlpha, loadDitherAlpha};
const ValueRule zFormats{saveZFormats, loadZFormats};
const ValueRule anisoDegree{saveAnisoDegree, loadAnisoDegree};
const ValueRule zCompression{saveZCompression, loadZCompression};
const ValueRule truForm{saveTruForm, loadTruForm};
const ValueRule lodBias{saveLodBias, loadLodBias};
const ValueRule subPixelPrecision{saveSubPixel, loadSubPixel};
const ValueRule maxAnisotropy{saveMaxAnisotropy, loadMaxAnisotropy};

}  // namespace kl::settings::rules
