#pragma once
// The pages "DVD" and "Windows GUI"; the latter also holds the driver-tab
// switches. Check boxes only.
#include "settings/SettingPage.h"

namespace kl::settings {

class DVDPage : public SettingPage {
 public:
  explicit DVDPage(ui::TabSheet& DVD);
};

class WindowsGUIPage : public SettingPage {
 public:
  explicit WindowsGUIPage(ui::TabSheet& WindowsGUI);

 private:
  void buildMultimediaGroup(ui::Rect bounds);
};

}  // namespace kl::settings
