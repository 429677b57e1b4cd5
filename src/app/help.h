#pragma once
// The help window: the program's help and version history in two browser
// pages, read from the installation folder.
#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::app {

class TformHelp : public ui::Form {
 public:
  TformHelp(ui::Application& app, platform::Platform& platform);
  ui::PageControl* HelpPages = nullptr;
  ui::HtmlBrowser* HelpBrowser = nullptr;
  ui::HtmlBrowser* webVersion = nullptr;
};

}  // namespace kl::app
