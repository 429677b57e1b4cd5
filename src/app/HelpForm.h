#pragma once
// The help window: the program's help and version history in two browser
// pages, read from the installation folder. It is made once at start-up and
// keeps its page, its history and its size between showings.
#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::app {

class TformHelp : public ui::Form {
 public:
  TformHelp(ui::Application& app, platform::Platform& platform);

  void FormCreate();
  void SpeedButton2Click();  // "&Back"
  void SpeedButton1Click();  // "C&ontents"
  void SpeedButton3Click();  // "&Close", on both pages
  // Both browsers follow the page control: 8 pixels narrower, 55 lower.
  void HelpPagesResize();

  ui::PageControl* HelpPages = nullptr;
  ui::TabSheet* tabHelp = nullptr;
  ui::TabSheet* tabVersion = nullptr;
  ui::HtmlBrowser* HelpBrowser = nullptr;
  ui::HtmlBrowser* webVersion = nullptr;

 private:
  std::string document(const char* name);

  platform::Platform& platform_;
};

}  // namespace kl::app
