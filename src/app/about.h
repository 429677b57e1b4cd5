#pragma once
// The About window: name, version, credits and the links.
#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::app {

class TformAbout : public ui::Form {
 public:
  TformAbout(ui::Application& app, platform::Platform& platform);
  ui::Label* Label4 = nullptr;
  ui::Label* labelWebsite = nullptr;
  ui::Label* labelMail = nullptr;
  ui::Button* Button1 = nullptr;
};

}  // namespace kl::app
