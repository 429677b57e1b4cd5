#include "app/HelpForm.h"

#include "system/SystemQueries.h"

namespace kl::app {
namespace {

ui::SpeedButton& toolButton(ui::Control& page, const std::string& name, const std::string& caption,
                            int x) {
  auto& b = page.add<ui::SpeedButton>(name);
  b.setText(caption);
  b.setBounds(x, 2, 75, 23);
  return b;
}

}  // namespace

// The window is 721 x 595 outside; its client area is what the frame leaves.
TformHelp::TformHelp(ui::Application& app, platform::Platform& platform)
    : Form(app, "formHelp"), platform_(platform) {
  setStyle({"TformHelp", "Kestrelune Help", 713, 561, ui::BorderStyle::Sizeable, {false, true, true}});
  HelpPages = &add<ui::PageControl>("HelpPages");
  HelpPages->setBounds(0, 0, 713, 561);
  HelpPages->setAnchors({true, true, true, true});
  tabHelp = &HelpPages->add<ui::TabSheet>("tabHelp");
  tabHelp->setText("Help");
  toolButton(*tabHelp, "SpeedButton2", "&Back", 0).onClick = [this] { SpeedButton2Click(); };
  toolButton(*tabHelp, "SpeedButton1", "C&ontents", 75).onClick = [this] { SpeedButton1Click(); };
  toolButton(*tabHelp, "SpeedButton3", "&Close", 150).onClick = [this] { SpeedButton3Click(); };
  HelpBrowser = &tabHelp->add<ui::HtmlBrowser>("HelpBrowser");
  HelpBrowser->setBounds(0, 28, 705, 506);
  tabVersion = &HelpPages->add<ui::TabSheet>("tabVersion");
  tabVersion->setText("Version History");
  toolButton(*tabVersion, "SpeedButton4", "&Close", 0).onClick = [this] { SpeedButton3Click(); };
  webVersion = &tabVersion->add<ui::HtmlBrowser>("webVersion");
  webVersion->setBounds(0, 28, 705, 506);
  HelpPages->onResize = [this] { HelpPagesResize(); };
  FormCreate();
}

std::string TformHelp::document(const char* name) {
  return system::GetInstallPath(platform_) + name;
}

void TformHelp::FormCreate() {
  const ui::Rect& b = HelpBrowser->bounds();
  HelpBrowser->setBounds(b.left, b.top, HelpPages->bounds().width, b.height);
  HelpBrowser->navigate(document("Help\\Help.htm"));
  webVersion->navigate(document("Help\\History.htm"));
  HelpPages->setActivePage(tabHelp);
}

// No earlier page is not an error worth telling.
void TformHelp::SpeedButton2Click() { HelpBrowser->goBack(); }

void TformHelp::SpeedButton1Click() { HelpBrowser->navigate(document("Help\\Help.htm")); }

void TformHelp::SpeedButton3Click() { hide(); }

void TformHelp::HelpPagesResize() {
  const int width = HelpPages->bounds().width - 8, height = HelpPages->bounds().height - 55;
  for (ui::HtmlBrowser* browser : {HelpBrowser, webVersion}) {
    const ui::Rect& b = browser->bounds();
    browser->setBounds(b.left, b.top, width, height);
  }
}

}  // namespace kl::app
