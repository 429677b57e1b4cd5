#include "settings/SettingPages.h"

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

ui::CheckBox& SettingPages::checkBox(const std::string& name) {
  for (SettingPage* page : std::initializer_list<SettingPage*>{
           &directX, &directXAdvanced, &openGL, &openGLPrivate, &dvd, &windowsGUI})
    if (auto* box = dynamic_cast<ui::CheckBox*>(page->sheet().find(name))) return *box;
  throw Error("No check box " + name);
}

}  // namespace kl::settings
