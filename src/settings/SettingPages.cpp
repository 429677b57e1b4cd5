#include "settings/SettingPages.h"

#include <algorithm>

#include "platform/error.h"

namespace kl::settings {

SettingPages::SettingPages(const SettingSheets& sheets, platform::Platform& platform,
                           ui::Application& app)
    : directX(sheets.directX),
      directXAdvanced(sheets.directXAdvanced),
      openGL(sheets.openGL),
      openGLPrivate(sheets.openGLPrivate),
      dvd(sheets.dvd),
      windowsGUI(sheets.windowsGUI),
      platform_(platform),
      app_(app) {}

void SettingPages::setOnModified(const std::function<void()>& handler) {
  for (SettingPage* page : std::initializer_list<SettingPage*>{
           &directX, &directXAdvanced, &openGL, &openGLPrivate, &dvd, &windowsGUI})
    page->onModified = handler;
}

SettingPages::Pass::Pass(SettingPages& pages) : pages_(pages), outermost_(!pages.paths_) {
  if (!outermost_) return;
  pages.paths_.emplace(pages.platform_, [&pages](const std::string& problem) {
    if (std::find(pages.reported_.begin(), pages.reported_.end(), problem) != pages.reported_.end())
      return;
    pages.reported_.push_back(problem);
    pages.app_.showMessage(problem);
  });
}

SettingPages::Pass::~Pass() {
  if (outermost_) pages_.paths_.reset();
}

DriverKeyPaths& SettingPages::keyPaths() {
  if (!paths_) throw Error("The driver key paths are asked for outside of a pass");
  return *paths_;
}

ui::CheckBox& SettingPages::checkBox(const std::string& name) {
  for (SettingPage* page : std::initializer_list<SettingPage*>{
           &directX, &directXAdvanced, &openGL, &openGLPrivate, &dvd, &windowsGUI})
    if (auto* box = dynamic_cast<ui::CheckBox*>(page->sheet().find(name))) return *box;
  throw Error("No check box " + name);
}

}  // namespace kl::settings
