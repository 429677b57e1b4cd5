#pragma once
// The pages "DirectX" and "DirectX Advanced". The fog switches, "Anisotropy
// Linear" and TruForm sit on the DirectX page but are stored with the
// DirectX Advanced group.
#include "settings/SettingPage.h"

namespace kl::settings {

class DirectXPage : public SettingPage {
 public:
  explicit DirectXPage(ui::TabSheet& tabDirectX);

  // "16" alone has no stencil: the box is cleared and locked until a depth
  // with 24 bits is picked again.
  void comboZBuffChange();
  void checkEnableTruFormMouseDown(ui::MouseButton button);
  // The strength bar follows the box on every change of its state.
  void checkEnableTruFormClick();
  void trackTruFormChange();

  ui::ComboBox* comboZBuff = nullptr;
  ui::CheckBox* check8Stencil = nullptr;
  ui::SpinEdit* spinZCompres = nullptr;
  ui::ComboBox* comboAlphaBlend = nullptr;
  ui::ComboBox* comboAnisoD3D = nullptr;
  ui::CheckBox* checkEnableTruForm = nullptr;
  ui::TrackBar* trackTruForm = nullptr;
  ui::Label* labelTruStr = nullptr;

 private:
  void buildZBufferGroup(ui::Rect bounds);
  void buildDitheringGroup(ui::Rect bounds);
  void buildAnisotropyGroup(ui::Rect bounds);
  void buildTruFormGroup(ui::Rect bounds);
};

// Check boxes only.
class DirectXAdvancedPage : public SettingPage {
 public:
  explicit DirectXAdvancedPage(ui::TabSheet& DirectXAdv);
};

}  // namespace kl::settings
