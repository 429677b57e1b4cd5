#pragma once
// The pages "OpenGL" and "OpenGL Private". "Disable Screensavers" sits on
// the OpenGL page but is stored with the private settings.
#include "settings/SettingPage.h"

namespace kl::settings {

class OpenGLPage : public SettingPage {
 public:
  explicit OpenGLPage(ui::TabSheet& tabOpenGL);

  // Only copy the positions into the value labels.
  void trackLODChange();
  void trackSubPixelPrecisionChange();

  ui::TrackBar* trackLOD = nullptr;
  ui::Label* labelLODC = nullptr;
  ui::TrackBar* trackSubPixelPrecision = nullptr;
  ui::Label* labelSubPix = nullptr;
  ui::ComboBox* comboAniso = nullptr;
};

// Check boxes only.
class OpenGLPrivatePage : public SettingPage {
 public:
  explicit OpenGLPrivatePage(ui::TabSheet& tabOpenGLP);
};

}  // namespace kl::settings
