#pragma once
// The saving-progress dialog that Apply shows before writing: a bar that
// fills in 100 ticks of 10 ms; OK is enabled only when it is full, the close
// box closes it at any time.
#include "ui/components.h"
#include "ui/controls.h"

namespace kl::app {

class TConfirmation : public ui::Form {
 public:
  explicit TConfirmation(ui::Application& app);
  void FormCreate();
  void timerTick();
  void butOkClick();

  ui::ProgressBar* progConfirm = nullptr;
  ui::Button* butOk = nullptr;
  ui::Timer timer;
};

}  // namespace kl::app
