// The main window's controls, their layout and their event wiring.
#include "app/MainProg.h"
#include "ui/layout.h"

namespace kl::app {
namespace {

constexpr int kPageWidth = 600;

ui::Button& button(ui::Control& parent, const std::string& name, const std::string& caption, int x) {
  return ui::place<ui::Button>(parent, name, caption, {x, 401, 110, 25});
}

}  // namespace

void TMainForm::buildFrame() {
  setStyle({"TMainForm", "Kestrelune", 730, 450, ui::BorderStyle::Single, {true, true, false}});
  logo = &add<ui::Image>("logo");
  logo->setBounds(2, 2, 125, 395);
  logo->setPicture("LOGO");
  logoBevel = &add<ui::Bevel>("logoBevel");
  logoBevel->setBounds(2, 2, 125, 395);
  TabPages = &add<ui::PageControl>("TabPages");
  TabPages->setBounds(129, 1, kPageWidth, 396);
  const std::pair<ui::TabSheet**, const char*> pages[] = {
      {&tabSysInfo, "System Information"}, {&tabDirectX, "DirectX"},
      {&DirectXAdv, "DirectX Advanced"},   {&tabOpenGL, "OpenGL"},
      {&tabOpenGLP, "OpenGL Private"},     {&DVD, "DVD"},
      {&WindowsGUI, "Windows GUI"},        {&tabOC, "Overclocking"},
      {&tabCustomRes, "Custom Resolutions"}, {&tabRefreshrates, "Refreshrates"}};
  const char* names[] = {"tabSysInfo", "tabDirectX", "DirectXAdv", "tabOpenGL", "tabOpenGLP",
                         "DVD", "WindowsGUI", "tabOC", "tabCustomRes", "tabRefreshrates"};
  for (std::size_t i = 0; i < std::size(pages); ++i) {
    *pages[i].first = &TabPages->add<ui::TabSheet>(names[i]);
    (*pages[i].first)->setText(pages[i].second);
  }
  buttonApply = &button(*this, "buttonApply", "&Apply", 393);
  buttonOK = &button(*this, "buttonOK", "&Ok", 507);
  buttonCANCEL = &button(*this, "buttonCANCEL", "&Cancel", 621);
  statusBar = &add<ui::StatusBar>("statusBar");
  statusBar->setBounds(0, 428, 730, 22);
  statusBar->setPanels({{120, ""}, {50, ""}});
  OpenProfile = std::make_unique<ui::FileDialog>(app(), ui::FileDialogKind::Open);
  SaveProfile = std::make_unique<ui::FileDialog>(app(), ui::FileDialogKind::Save);
  setUpProfileDialogs();
}

void TMainForm::buildMenu() {
  using ui::MenuItem;
  MenuBar = &add<ui::MainMenu>("MenuBar");
  setMenu(MenuBar);
  auto& file = MenuBar->add<MenuItem>("FileMenu", "&File");
  file.add<MenuItem>("Options1", "Options").onClick = [this] { Options1Click(); };
  file.add<MenuItem>("RestoreOriginal1", "Restore Original Settings...", ui::ShortCut{},
                     "Restore the settings as they were before Kestrelune was first started")
      .onClick = [this] { RestoreOriginal1Click(); };
  file.find("RestoreOriginal1")->setEnabled(false);  // until start-up finds the saved settings
  file.add<MenuItem>("Exit1", "&Exit", ui::ctrlKey('X')).onClick = [this] { Exit1Click(); };
  auto& profiles = MenuBar->add<MenuItem>("menuProfiles", "&Profiles");
  profiles.add<MenuItem>("menuitemOpen", "&Open Profile...", ui::ctrlKey('O'),
                         "Open profile to tweak a specific game or application")
      .onClick = [this] { menuitemOpenClick(); };
  profiles.add<MenuItem>("menuitemSave", "&Save Profile...", ui::ctrlKey('S'),
                         "Save your custom made profiles")
      .onClick = [this] { menuitemSaveClick(); };
  auto& hardware = MenuBar->add<MenuItem>("menuHardw", "H&ardware");
  hardware.add<MenuItem>("menuOvercl", "Overclocking").onClick = [this] { menuOverclClick(); };
  hardware.add<MenuItem>("CustomResolutions1", "Custom Resolutions").onClick = [this] {
    CustomResolutions1Click();
  };
  hardware.add<MenuItem>("Refreshrates1", "Refreshrates").onClick = [this] {
    Refreshrates1Click();
  };
  auto& help = MenuBar->add<MenuItem>("menuHelp", "&Help");
  help.add<MenuItem>("menuitemHelp", "&Help", ui::ShortCut{ui::kVkF1, false}).onClick = [this] {
    menuitemHelpClick();
  };
  help.add<MenuItem>("menuitemAbout", "&About").onClick = [this] { menuitemAboutClick(); };
}

void TMainForm::buildTray() {
  using ui::MenuItem;
  SysTrayPopup = &add<ui::PopupMenu>("SysTrayPopup");
  const std::pair<const char*, const char*> items[] = {
      {"ShowKestrelune1", "Open Kestrelune"}, {"Minimize1", "Minimize"}, {"N5", "-"},
      {"Overclock1", "Overclock"},            {"OpenProfilesystray", "Open Profile..."},
      {"SaveProfilesystray", "Save Profile..."}, {"N6", "-"}, {"Close1", "Close"}};
  for (const auto& [name, caption] : items) {
    SysTrayPopup->add<MenuItem>(name, caption);
    if (std::string(name) == "SaveProfilesystray") buildTrayProfiles();
  }
  SysTrayPopup->find("ShowKestrelune1")->onClick = [this] { ShowKestrelune1Click(); };
  SysTrayPopup->find("Minimize1")->onClick = [this] { Minimize1Click(); };
  SysTrayPopup->find("Overclock1")->onClick = [this] { Overclock1Click(); };
  SysTrayPopup->find("OpenProfilesystray")->onClick = [this] { OpenProfilesystrayClick(); };
  SysTrayPopup->find("SaveProfilesystray")->onClick = [this] { SaveProfilesystrayClick(); };
  SysTrayPopup->find("Close1")->onClick = [this] { Close1Click(); };
  SysTrayPopup->onPopup = [this] { listTrayProfiles(); };
  SystemTray = &add<ui::TrayIcon>("SystemTray");
  SystemTray->setHint("Kestrelune 1.60");
  SystemTray->setMinimizeToTray(true);
  SystemTray->setPopupMenu(SysTrayPopup);
}

// "Profiles": a slot for each profile it may list, filled as the menu
// opens, and "More..." for the Open dialog.
void TMainForm::buildTrayProfiles() {
  using ui::MenuItem;
  auto& submenu = SysTrayPopup->add<MenuItem>("menuTrayProfiles", "Profiles");
  for (std::size_t i = 0; i < kTrayProfiles; ++i) {
    auto& slot = submenu.add<MenuItem>("trayProfile" + std::to_string(i), "");
    slot.setVisible(false);
    slot.onClick = [this, i] {
      if (i < trayProfiles_.size())
        openProfile(profileFolder() + "\\" + trayProfiles_[i], Progress::Shown);
    };
  }
  submenu.add<MenuItem>("trayProfilesMore", "More...").onClick = [this] {
    OpenProfilesystrayClick();
  };
}

// Each page builds its controls on its own tab sheet and raises "modified".
void TMainForm::buildPages() {
  sysInfoPage = std::make_unique<sysinfo::SysInfoPage>(*tabSysInfo, platform_, app());
  settingPages = std::make_unique<settings::SettingPages>(
      settings::SettingSheets{*tabDirectX, *DirectXAdv, *tabOpenGL, *tabOpenGLP, *DVD, *WindowsGUI},
      platform_, app());
  ocPanel = std::make_unique<overclock::OCPanel>(*tabOC, platform_, app());
  customResPage = std::make_unique<modes::CustomResPage>(*tabCustomRes, platform_, app());
  refreshRatesPage = std::make_unique<modes::RefreshRatesPage>(*tabRefreshrates, platform_, app());
}

void TMainForm::wireHandlers() {
  buttonApply->onClick = [this] { buttonApplyClick(); };
  buttonOK->onClick = [this] { buttonOKClick(); };
  buttonCANCEL->onClick = [this] { buttonCANCELClick(); };
  const auto mark = [this] { markModified(); };
  settingPages->setOnModified(mark);
  ocPanel->onModified = mark;
  customResPage->onModified = mark;
  refreshRatesPage->onModified = mark;
  refreshRatesPage->onRatesEntered = [this] { refreshRatesEntered = true; };
  sysInfoPage->speedclearreg->onClick = [this] { speedClearRegClick(); };
  onRequest = [this](std::uint32_t code, const std::string& data) {
    return answerRequest(code, data);
  };
}

}  // namespace kl::app
