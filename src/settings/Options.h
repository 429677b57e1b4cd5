#pragma once
// The Options dialog: switches the typed driver key path on or off.
#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::settings {

class TformOptions : public ui::Form {
 public:
  TformOptions(ui::Application& app, platform::Platform& platform);
  void FormShow();
  void checkAltPathClick();
  void SpeedButton1Click();

  ui::CheckBox* checkAltPath = nullptr;
  ui::Edit* editAltPath = nullptr;
  ui::SpeedButton* SpeedButton1 = nullptr;

 private:
  std::string pathInUse();

  platform::Platform& platform_;
};

}  // namespace kl::settings
