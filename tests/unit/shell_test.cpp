// The application shell around the pages: the tray icon and its menu, the
// help and About windows, the warning before the driver's keys go, and a
// long session that must not pile up windows or timers.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "app/AboutForm.h"
#include "app/AttForm.h"
#include "app/Confirm.h"
#include "app/HelpForm.h"
#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/registry_access.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace user = ui::user;

class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    testing::seedFixedModes(sim_);
    sim_.registry.loadRegedit4("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS\\0]\n");
    program_ = std::make_unique<Program>(platform_, backend_);
    program_->createWindows();
    form_ = program_->windows().MainForm;
    form_->show();
  }
  ui::MenuItem& trayItem(const char* name) {
    return *static_cast<ui::MenuItem*>(form_->SysTrayPopup->find(name));
  }
  bool keyExists(const std::string& path) {
    return platform::RegistryAccess(sim_.registry, platform::kHkeyLocalMachine).keyExists(path);
  }
  void applyOnce() {
    form_->markModified();
    backend_.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
    user::press(*form_->buttonApply);
  }
  void aboutOnce() {
    backend_.onModal("formAbout", [](ui::Form& d) {
      user::press(*static_cast<TformAbout&>(d).Button1);
    });
    static_cast<ui::MenuItem*>(form_->MenuBar->find("menuitemAbout"))->userClick();
  }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
  TMainForm* form_ = nullptr;
};

// Minimising leaves only the icon; "Open Kestrelune" brings the window back,
// "Overclock" brings it back on the overclocking page; a double-click on the
// icon does nothing.
TEST_F(Shell, TheTrayIconHidesAndShowsTheWindow) {
  EXPECT_EQ("Kestrelune 1.60", form_->SystemTray->tip());
  EXPECT_TRUE(form_->SystemTray->visible());
  user::choose(trayItem("Minimize1"));
  EXPECT_FALSE(form_->isShowing());
  user::doubleClickTray(*form_->SystemTray);
  EXPECT_FALSE(form_->isShowing());
  user::choose(trayItem("ShowKestrelune1"));
  EXPECT_TRUE(form_->isShowing());
  EXPECT_EQ(form_->tabSysInfo, form_->TabPages->activePage());
  user::minimizeBox(*form_);
  EXPECT_FALSE(form_->isShowing());
  user::choose(trayItem("Overclock1"));
  EXPECT_TRUE(form_->isShowing());
  EXPECT_EQ(form_->tabOC, form_->TabPages->activePage());
  user::rightClickTray(*form_->SystemTray, 300, 200);
  ASSERT_EQ(1u, backend_.popups().size());
  user::choose(trayItem("Close1"));
  EXPECT_TRUE(program_->app().terminated());
}

// While the progress dialog holds the program, the icon runs no command:
// Apply finishes, and the program is still there.
TEST_F(Shell, TheTrayIconWaitsForTheProgressDialog) {
  form_->markModified();
  backend_.onModal("Confirmation", [&](ui::Form& d) {
    user::rightClickTray(*form_->SystemTray, 300, 200);
    user::doubleClickTray(*form_->SystemTray);
    user::closeBox(d);
  });
  user::press(*form_->buttonApply);
  EXPECT_TRUE(backend_.popups().empty());
  EXPECT_FALSE(program_->app().terminated());
  EXPECT_FALSE(form_->settingsModified);
}

// The help pages come from the installation folder; Back at the first page
// is not an error; Contents goes back to the help; both Close buttons hide
// the window, which keeps its page.
TEST_F(Shell, TheHelpWindowShowsTheInstalledDocuments) {
  TformHelp& help = *program_->windows().formHelp;
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Help\\Help.htm", help.HelpBrowser->url());
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Help\\History.htm", help.webVersion->url());
  EXPECT_EQ(help.tabHelp, help.HelpPages->activePage());
  EXPECT_TRUE(form_->userShortcut(ui::kVkF1, false));
  EXPECT_TRUE(help.isShowing());
  EXPECT_FALSE(help.isModal());
  user::press(*help.find("SpeedButton2"));
  EXPECT_TRUE(backend_.messages().empty());
  user::followLink(*help.HelpBrowser, "C:\\Program Files\\Kestrelune\\Help\\Help.htm#profiles");
  user::press(*help.find("SpeedButton1"));
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\Help\\Help.htm", help.HelpBrowser->url());
  user::selectPage(*help.HelpPages, 1);
  user::press(*help.find("SpeedButton4"));
  EXPECT_FALSE(help.isShowing());
  form_->menuitemHelpClick();
  EXPECT_EQ(help.tabVersion, help.HelpPages->activePage());
  user::selectPage(*help.HelpPages, 0);
  user::press(*help.find("SpeedButton3"));
  EXPECT_FALSE(help.isShowing());
}

// The user drags the help window's frame: the page control fills it, and
// both browsers are 8 pixels narrower and 55 lower than the page control.
TEST_F(Shell, TheHelpBrowsersFollowTheWindowTheUserResizes) {
  TformHelp& help = *program_->windows().formHelp;
  form_->menuitemHelpClick();
  user::resizeFrame(help, 900, 640);
  EXPECT_EQ(900, help.HelpPages->bounds().width);
  EXPECT_EQ(640, help.HelpPages->bounds().height);
  for (ui::HtmlBrowser* browser : {help.HelpBrowser, help.webVersion}) {
    EXPECT_EQ(892, browser->bounds().width) << browser->name();
    EXPECT_EQ(585, browser->bounds().height) << browser->name();
    EXPECT_EQ(28, browser->bounds().top) << browser->name();
  }
  user::press(*help.find("SpeedButton3"));
  form_->menuitemHelpClick();  // the size is kept between showings
  EXPECT_EQ(900, help.clientWidth());
}

// Each opening starts transparent and is fully opaque after 255 ticks; the
// version line shows the registry's value; the links open what they show.
TEST_F(Shell, AboutFadesInAndOpensItsLinks) {
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"version\"=\"1.60b\"\n"));
  for (int opening = 0; opening < 2; ++opening) {
    backend_.onModal("formAbout", [&](ui::Form& f) {
      auto& about = static_cast<TformAbout&>(f);
      EXPECT_EQ(0, about.alphaValue());
      EXPECT_EQ("version 1.60b", about.Label4->text());
      backend_.advance(254);
      EXPECT_EQ(254, about.alphaValue());
      backend_.advance(1);
      EXPECT_EQ(255, about.alphaValue());
      EXPECT_EQ(0, backend_.runningTimers());  // faded in: the timer is done
      about.labelWebsite->userClick();
      about.labelMail->userClick();
      user::press(*about.Button1);
    });
    form_->menuitemAboutClick();
  }
  EXPECT_EQ((std::vector<std::string>{"http://kestrelune.example.org/", "mailto:kestrelune@example.org",
                                      "http://kestrelune.example.org/", "mailto:kestrelune@example.org"}),
            backend_.shellOpened());
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"version\"=dword:00000001\n"));
  backend_.onModal("formAbout", [](ui::Form& f) {
    EXPECT_EQ("version Cannot detect", static_cast<TformAbout&>(f).Label4->text());
    user::closeBox(f);
  });
  form_->menuitemAboutClick();
}

// "&No", Escape and the close box remove nothing and leave the button; Enter
// chooses "&Yes", which removes the keys and disables the button.
TEST_F(Shell, TheWarningDecidesTheRemoval) {
  char pattern[] = "/tmp/kl-shell-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"installpath\"=\"" + folder + "/\"\n"));
  const std::string video = "System\\CurrentControlSet\\Control\\Video\\"
                            "{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}";
  ui::SpeedButton& button = *form_->sysInfoPage->speedclearreg;
  const std::function<void(ui::Form&)> answers[] = {
      [](ui::Form& f) { user::press(*static_cast<TformAtt&>(f).Button2); },
      [](ui::Form& f) { f.userKeyEscape(); },
      [](ui::Form& f) { user::closeBox(f); }};
  for (const auto& answer : answers) {
    backend_.onModal("formAtt", answer);
    button.userClick();
    EXPECT_TRUE(keyExists("SOFTWARE\\ATI Technologies"));
    EXPECT_TRUE(keyExists(video));
    EXPECT_TRUE(button.enabled());
  }
  backend_.onModal("formAtt", [](ui::Form& f) {
    EXPECT_EQ("Attention!", f.caption());
    f.userKeyEnter();
  });
  button.userClick();
  EXPECT_FALSE(keyExists("SOFTWARE\\ATI Technologies"));
  EXPECT_FALSE(keyExists(video));
  EXPECT_TRUE(keyExists("System\\CurrentControlSet\\Control\\Video"));
  EXPECT_FALSE(button.enabled());
  EXPECT_TRUE(backend_.messages().empty());  // backed up first, without a word
  EXPECT_EQ(1, std::distance(std::filesystem::directory_iterator(folder + "/Backup"),
                             std::filesystem::directory_iterator()));
  std::filesystem::remove_all(folder);
}

// The answer holds for one showing: a removal called off after "&Yes" (the
// backup failed, "Remove them anyway?" answered No) does not turn the next
// warning, closed with its close box, into a removal.
TEST_F(Shell, AWarningClosedWithoutYesRemovesNothingWhateverWasAnsweredBefore) {
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"installpath\"=-\n"));
  ui::SpeedButton& button = *form_->sysInfoPage->speedclearreg;
  backend_.onModal("formAtt", [](ui::Form& f) { f.userKeyEnter(); });
  backend_.answerMessage(ui::kIdNo);
  button.userClick();
  ASSERT_EQ(1u, backend_.messages().size());  // "Remove them anyway?"
  EXPECT_TRUE(keyExists("SOFTWARE\\ATI Technologies"));
  backend_.onModal("formAtt", [](ui::Form& f) { user::closeBox(f); });
  button.userClick();
  EXPECT_TRUE(keyExists("SOFTWARE\\ATI Technologies"));
  EXPECT_EQ(1u, backend_.messages().size());
  EXPECT_FALSE(form_->driverRemovalConfirmed);
  EXPECT_TRUE(button.enabled());
}

// A resident program: a hundred saving Applies and a hundred About windows
// leave as many windows and timers as the first of each, and the idle
// program runs no timer at all.
TEST_F(Shell, ALongSessionLeavesNothingBehind) {
  EXPECT_EQ(0, backend_.runningTimers());
  applyOnce();
  aboutOnce();
  const int windows = backend_.livePeers();
  EXPECT_EQ(0, backend_.runningTimers());
  for (int i = 0; i < 100; ++i) {
    applyOnce();
    aboutOnce();
  }
  EXPECT_EQ(windows, backend_.livePeers());
  EXPECT_EQ(0, backend_.runningTimers());
  EXPECT_EQ(9u, program_->app().forms().size());
}

}  // namespace
}  // namespace kl::app
