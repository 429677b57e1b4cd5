#pragma once
// The Custom Resolutions page: a fixed check list of resolutions that Apply
// adds to the driver's non-standard mode list, behind five modes that are
// always written first. Start-up checks the entries the list already holds.
#include <functional>
#include <vector>

#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::modes {

class TformCusRes;

class CustomResPage {
 public:
  // Builds the page's controls inside `tabCustomRes`. The controls belong
  // to the sheet and their handlers call this page: the page lives as long
  // as the sheet.
  CustomResPage(ui::TabSheet& tabCustomRes, platform::Platform& platform, ui::Application& app);
  CustomResPage(const CustomResPage&) = delete;
  CustomResPage& operator=(const CustomResPage&) = delete;

  // The restart notice, created after the main window. Until it is set the
  // list is written as usual without a notice.
  void setPrompt(TformCusRes* restart) { restartPrompt_ = restart; }

  // Start-up, once: checks every item that the driver's list holds from its
  // sixth record on (the first five are the fixed modes). Only ever checks.
  // A list that cannot be read raises its registry error to the caller,
  // which shows it and goes on; the items then stay unchecked.
  void LoadCustomResolutionChecks();
  // After the list was replaced: every item checked as the list now says.
  void ReloadCustomResolutionChecks();
  // True once LoadCustomResolutionChecks read the driver's list. After a
  // failed read the check marks do not reflect the list, and writing them
  // would replace entries the user never saw with the five fixed modes
  // alone: the caller then skips WriteCustomResolutions.
  bool loaded() const { return loaded_; }
  // Apply: the fixed modes, then every checked item in list order, to both
  // values of the list. When that changed the list, tells the user that
  // Windows must restart.
  void WriteCustomResolutions();

  void listCusResEnter();
  // A check toggled is a change to save, also where a click on a check box
  // leaves the focus elsewhere (Wine's list view does not take it then).
  void listCusResClickCheck();

  std::function<void()> onModified;

  ui::GroupBox* groupCustomRes = nullptr;
  ui::CheckListBox* listCusRes = nullptr;
  ui::Bevel* bevelInfo = nullptr;
  ui::Label* labelInfoHeading = nullptr;
  std::vector<ui::Label*> labelInfo;
  ui::Image* imageCusRes = nullptr;

 private:
  void buildInfoText();

  platform::Platform& platform_;
  ui::Application& app_;
  TformCusRes* restartPrompt_ = nullptr;
  bool loaded_ = false;
};

}  // namespace kl::modes
