#pragma once
// The About window: name, version, credits and the links. It fades in from
// fully transparent to opaque, one step per tick of a 1 ms timer.
#include "platform/platform.h"
#include "ui/components.h"
#include "ui/controls.h"

namespace kl::app {

class TformAbout : public ui::Form {
 public:
  TformAbout(ui::Application& app, platform::Platform& platform);

  // The fade starts when the window is shown, not when it is made: the
  // instance the program makes at start-up is never shown, and its timer
  // would otherwise tick for as long as the program runs.
  void FormCreate();
  void FormShow();
  void timerTick();
  void labelWebsiteClick();
  void labelMailClick();
  void Button1Click();

  ui::Label* Label4 = nullptr;
  ui::Label* labelWebsite = nullptr;
  ui::Label* labelMail = nullptr;
  ui::Button* Button1 = nullptr;
  ui::Timer timer;

 private:
  platform::Platform& platform_;
};

}  // namespace kl::app
