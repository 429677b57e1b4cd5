#pragma once
// The main window: the frame (logo, ten tabs, Apply / OK / Cancel, status
// line, menus, tray icon, profile dialogs), the pages it composes, the
// modified marker, start-up and the commands.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Program.h"
#include "modes/CustomRes.h"
#include "modes/refreshrates.h"
#include "overclock/OCPanel.h"
#include "settings/SettingPages.h"
#include "sysinfo/SysInfoPage.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace kl::app {

class TMainForm : public ui::Form {
 public:
  // Builds the window and runs startRoutine, before the other windows exist.
  TMainForm(ui::Application& app, platform::Platform& platform, Windows& windows);
  ~TMainForm() override;

  platform::Platform& platform() { return platform_; }
  Windows& windows() { return windows_; }
  // Hands the pages the dialogs created after this window.
  void connectDialogs();

  void markModified();
  void clearModified();
  void buttonApplyClick();
  enum class Progress { Shown, NotShown };
  void applySettings(Progress progress);
  void buttonOKClick();
  void buttonCANCELClick();

  // Fields of the window.
  std::string osVersionText;
  bool settingsModified = false;
  bool refreshRatesEntered = false;
  bool driverRemovalConfirmed = false;

  // The frame.
  ui::Image* logo = nullptr;
  ui::Bevel* logoBevel = nullptr;
  ui::PageControl* TabPages = nullptr;
  ui::TabSheet* tabSysInfo = nullptr;
  ui::TabSheet* tabDirectX = nullptr;
  ui::TabSheet* DirectXAdv = nullptr;
  ui::TabSheet* tabOpenGL = nullptr;
  ui::TabSheet* tabOpenGLP = nullptr;
  ui::TabSheet* DVD = nullptr;
  ui::TabSheet* WindowsGUI = nullptr;
  ui::TabSheet* tabOC = nullptr;
  ui::TabSheet* tabCustomRes = nullptr;
  ui::TabSheet* tabRefreshrates = nullptr;
  ui::Button* buttonApply = nullptr;
  ui::Button* buttonOK = nullptr;
  ui::Button* buttonCANCEL = nullptr;
  ui::StatusBar* statusBar = nullptr;
  ui::MainMenu* MenuBar = nullptr;
  std::unique_ptr<ui::FileDialog> OpenProfile;
  std::unique_ptr<ui::FileDialog> SaveProfile;
  ui::TrayIcon* SystemTray = nullptr;
  ui::PopupMenu* SysTrayPopup = nullptr;

  // The pages of their subsystems, each on its tab sheet.
  std::unique_ptr<sysinfo::SysInfoPage> sysInfoPage;
  std::unique_ptr<settings::SettingPages> settingPages;
  std::unique_ptr<overclock::OCPanel> ocPanel;
  std::unique_ptr<modes::CustomResPage> customResPage;
  std::unique_ptr<modes::RefreshRatesPage> refreshRatesPage;

  // Profiles.
  // Loads the profile and applies it as File > Open does after its dialog:
  // a file that does not exist or holds no settings is refused with a
  // message. A failed write raises, as Apply does.
  ProfileOutcome openProfile(const std::string& file, Progress progress);
  // For a shortcut or another copy of the program: the same, with a failed
  // write shown by the error handler and told by the outcome.
  ProfileOutcome applyProfileCommand(const std::string& file);
  // The tray's "Profiles" submenu: the profile folder's .kpf files in
  // alphabetical order, at most kTrayProfiles, then "More...".
  static constexpr std::size_t kTrayProfiles = 20;
  void listTrayProfiles();
  const std::vector<std::string>& trayProfiles() const { return trayProfiles_; }
  void menuitemSaveClick();
  void menuitemOpenClick();
  void SaveProfilesystrayClick();
  void OpenProfilesystrayClick();
  void Close1Click();

  // Tray.
  void ShowKestrelune1Click();
  void Minimize1Click();
  void Overclock1Click();

  // Driver registry removal, after the warning.
  void speedClearRegClick();
  void removeDriverKeys();

  // The settings as they were before Kestrelune: a profile and the driver's
  // display-mode values, saved at the first start.
  struct OriginalFiles {
    std::string profile, modes;  // empty when the installation folder is not known
  };
  OriginalFiles originalFiles() const;
  bool originalSettingsSaved();
  void RestoreOriginal1Click();

  // Menu commands.
  void Options1Click();
  void Exit1Click();
  void menuOverclClick();
  void CustomResolutions1Click();
  void Refreshrates1Click();
  void menuitemHelpClick();
  void menuitemAboutClick();

 private:
  void buildFrame();
  void buildMenu();
  void buildTray();
  void buildTrayProfiles();
  void setUpProfileDialogs();
  void buildPages();
  void wireHandlers();

  // A fresh instance of a dialog that is made anew for every use; the one
  // before it, closed by now, goes with its windows and timers.
  template <class Dialog, class... Args>
  void replaceDialog(Dialog*& slot, Args&... args) {
    Dialog* previous = slot;
    slot = &app().createForm<Dialog>(args...);
    if (previous) app().releaseForm(*previous);
  }

  void startRoutine();
  bool passVersionGate();
  void firstRunReset();
  void saveOriginalModes();
  void saveOriginalProfile();
  void reportOriginalNotSaved(const std::string& why);
  void restoreOriginalSettings();
  void updateRestoreItem();
  void showDriverLines();
  void startupStep(const std::function<void()>& step);
  void reportNotSaved(const std::vector<std::string>& parts);
  std::string notReadText(const std::vector<std::string>& parts) const;
  bool refuseIncompleteProfile();

  platform::Platform& platform_;
  Windows& windows_;
  std::vector<std::string> startupErrors_;  // each shown once, in order
  bool notSavedReported_ = false;
  bool firstStart_ = false;  // the first-run reset ran in this start
  std::vector<std::string> trayProfiles_;  // the files the submenu lists now
  std::string profileFolder() const;
  int answerRequest(std::uint32_t code, const std::string& data);
};

}  // namespace kl::app
