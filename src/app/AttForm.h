#pragma once
// The warning shown before the driver's registry keys are removed. "&Yes"
// and "&No" store the answer; the close box leaves it as it was, which the
// main window sets to "no" before each showing.
#include "ui/controls.h"

namespace kl::app {

class TformAtt : public ui::Form {
 public:
  explicit TformAtt(ui::Application& app);
  // Where the answer goes: the main window's driverRemovalConfirmed.
  void setAnswer(bool* confirmed) { confirmed_ = confirmed; }

  void Button1Click();
  void Button2Click();

  ui::Button* Button1 = nullptr;  // "&Yes"
  ui::Button* Button2 = nullptr;  // "&No"

 private:
  bool* confirmed_ = nullptr;
};

}  // namespace kl::app
