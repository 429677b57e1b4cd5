#pragma once
// The warning shown before the driver's registry keys are removed.
#include "ui/controls.h"

namespace kl::app {

class TformAtt : public ui::Form {
 public:
  explicit TformAtt(ui::Application& app);
  ui::Button* Button1 = nullptr;  // "&Yes"
  ui::Button* Button2 = nullptr;  // "&No"
};

}  // namespace kl::app
