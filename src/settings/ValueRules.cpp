#include "settings/ValueRules.h"

#include <algorithm>

#include "app/MainProg.h"

namespace kl::settings::rules {
namespace {

constexpr int kAnisotropyItems = 8;  // "Disabled", "2x" ... "128x"

SaveAction storeNumber(int n) { return SaveAction::store(std::to_string(n)); }

// ---- dithering

SaveAction saveDitherAlpha(TMainForm& form) {
  return storeNumber(form.comboAlphaBlend->itemIndex());
}

// Items 0 to 2; any other number, "-1" included, leaves no item selected.
void loadDitherAlpha(TMainForm& form, const std::string& stored) {
  form.comboAlphaBlend->setItemIndex(textToInt(stored));
}

// ---- Z-buffer depth and stencil

enum ZItem { kZ16 = 0, kZ16And24 = 1, kZ16To32 = 2 };

SaveAction saveZFormats(TMainForm& form) {
  const bool stencil = form.check8Stencil->checked();
  switch (form.comboZBuff->itemIndex()) {
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
void loadZFormats(TMainForm& form, const std::string& stored) {
  ui::ComboBox& depth = *form.comboZBuff;
  ui::CheckBox& stencil = *form.check8Stencil;
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

SaveAction saveAnisoDegree(TMainForm& form) { return saveAniso(*form.comboAnisoD3D); }
void loadAnisoDegree(TMainForm& form, const std::string& s) { loadAniso(*form.comboAnisoD3D, s); }
SaveAction saveMaxAnisotropy(TMainForm& form) { return saveAniso(*form.comboAniso); }
void loadMaxAnisotropy(TMainForm& form, const std::string& s) { loadAniso(*form.comboAniso, s); }

// ---- Z-buffer compression

SaveAction saveZCompression(TMainForm& form) { return storeNumber(form.spinZCompres->value()); }

void loadZCompression(TMainForm& form, const std::string& stored) {
  form.spinZCompres->setValue(std::clamp(textToInt(stored), 0, 3));
}

// ---- TruForm

SaveAction saveTruForm(TMainForm& form) {
  if (!form.checkEnableTruForm->checked()) return SaveAction::clear();
  return storeNumber(form.trackTruForm->position());
}

void loadTruForm(TMainForm& form, const std::string& stored) {
  const bool set = stored != "-1";
  const int strength = set ? std::clamp(textToInt(stored), 0, 7) : 0;
  form.checkEnableTruForm->setChecked(set);
  form.trackTruForm->setEnabled(set);
  form.trackTruForm->setPosition(strength);
}

// ---- OpenGL track bars: the bar keeps the position inside its range

void loadTrack(ui::TrackBar& track, const std::string& stored) {
  const int n = textToInt(stored);
  track.setPosition(n == -1 ? 0 : n);
}

SaveAction saveLodBias(TMainForm& form) { return storeNumber(form.trackLOD->position()); }
void loadLodBias(TMainForm& form, const std::string& s) { loadTrack(*form.trackLOD, s); }
SaveAction saveSubPixel(TMainForm& form) {
  return storeNumber(form.trackSubPixelPrecision->position());
}
void loadSubPixel(TMainForm& form, const std::string& s) {
  loadTrack(*form.trackSubPixelPrecision, s);
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
