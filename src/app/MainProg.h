#pragma once
// The main window: ten pages, the menu bar, the status line, the modified
// marker, start-up and the Apply / OK / Cancel commands.
#include <array>
#include <memory>
#include <string>

#include "app/Program.h"
#include "settings/Bindings.h"
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

  void markModified();
  void clearModified();
  void buttonApplyClick();
  void buttonOKClick();
  void buttonCANCELClick();

  // Fields of the window.
  std::string osVersionText;
  bool settingsModified = false;
  bool refreshRatesEntered = false;
  bool driverRemovalConfirmed = false;
  bool overclockPending = false;

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

  // Page "System Information".
  ui::Label* labelCPUid = nullptr;
  ui::Label* labelSupModes = nullptr;
  ui::Label* labelWindowsVer = nullptr;
  ui::Label* labelDXVers = nullptr;
  ui::Label* physmem = nullptr;
  ui::Label* freemem = nullptr;
  ui::Label* labelRadeonType = nullptr;
  ui::Label* labelamountmem = nullptr;
  ui::Label* labelDriver = nullptr;
  ui::Label* labelVersion = nullptr;
  ui::Label* labelDesktop = nullptr;
  ui::SpeedButton* speedclearreg = nullptr;

  // The bindings of the seven groups, in the order of settings::Group.
  std::array<settings::GroupBindings, 7> groupBindings;

  // Profiles.
  void menuitemSaveClick();
  void menuitemOpenClick();
  void SaveProfilesystrayClick();
  void OpenProfilesystrayClick();
  void Close1Click();

  // ---- setting pages: controls the page builders keep pointers to
  // The value controls of the Direct3D and OpenGL settings; the check boxes
  // that are bindings of their own are found by name.
  ui::ComboBox* comboZBuff = nullptr;
  ui::CheckBox* check8Stencil = nullptr;
  ui::SpinEdit* spinZCompres = nullptr;
  ui::ComboBox* comboAlphaBlend = nullptr;
  ui::ComboBox* comboAnisoD3D = nullptr;
  ui::ComboBox* comboAniso = nullptr;
  void comboZBuffChange();
  // ---- end of setting pages

  // Controls of other pages that start-up and the marker reach.
  ui::CheckBox* checkEnableTruForm = nullptr;
  ui::TrackBar* trackTruForm = nullptr;
  ui::Label* labelTruStr = nullptr;
  ui::TrackBar* trackLOD = nullptr;
  ui::Label* labelLODC = nullptr;
  ui::TrackBar* trackSubPixelPrecision = nullptr;
  ui::Label* labelSubPix = nullptr;
  ui::CheckBox* checkRunAtStartup = nullptr;
  ui::CheckBox* check8500OC = nullptr;
  ui::CheckBox* checkSync = nullptr;
  ui::CheckListBox* listCusRes = nullptr;
  ui::GroupBox* groupRes = nullptr;

  // Event handlers.
  void checkVSyncMouseDown(ui::MouseButton button);
  void checkEnableTruFormMouseDown(ui::MouseButton button);
  void checkEnableTruFormClick();
  void comboAnisoD3DEnter();
  void listCusResEnter();
  void groupResEnter();
  void trackLODChange();
  void trackSubPixelPrecisionChange();
  void trackTruFormChange();
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
  void setUpProfileDialogs();
  void buildSysInfoPage();
  void buildSettingControls();
  void buildOverclockControls();
  void wireHandlers();

  void startRoutine();
  bool passVersionGate();
  void firstRunReset();
  void showDriverLines();
  void readStartupFlag(const std::string& value, ui::CheckBox& box);
  void initOverclockPage();

  platform::Platform& platform_;
  Windows& windows_;
};

}  // namespace kl::app
