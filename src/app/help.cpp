#include "app/help.h"

namespace kl::app {
namespace {

void toolButton(ui::Control& page, const std::string& name, const std::string& caption, int x) {
  auto& b = page.add<ui::SpeedButton>(name);
  b.setText(caption);
  b.setBounds(x, 2, 75, 23);
}

}  // namespace

// The window is 721 x 595 outside; its client area is what the frame leaves.
TformHelp::TformHelp(ui::Application& app, platform::Platform&) : Form(app, "formHelp") {
  setStyle({"TformHelp", "Kestrelune Help", 713, 561, ui::BorderStyle::Sizeable, {false, true, true}});
  HelpPages = &add<ui::PageControl>("HelpPages");
  HelpPages->setBounds(0, 0, 713, 561);
  auto& help = HelpPages->add<ui::TabSheet>("tabHelp");
  help.setText("Help");
  toolButton(help, "SpeedButton2", "&Back", 0);
  toolButton(help, "SpeedButton1", "C&ontents", 75);
  toolButton(help, "SpeedButton3", "&Close", 150);
  HelpBrowser = &help.add<ui::HtmlBrowser>("HelpBrowser");
  HelpBrowser->setBounds(0, 28, 705, 506);
  auto& version = HelpPages->add<ui::TabSheet>("tabVersion");
  version.setText("Version History");
  toolButton(version, "SpeedButton4", "&Close", 0);
  webVersion = &version.add<ui::HtmlBrowser>("webVersion");
  webVersion->setBounds(0, 28, 705, 506);
}

}  // namespace kl::app
