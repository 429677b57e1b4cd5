#pragma once
// The six setting pages with the bindings of their seven groups. The groups
// do not follow the pages (the fog switches sit on the DirectX page but are
// stored with DirectX Advanced, the driver tabs on the Windows GUI page), so
// the binding routines work on all six pages together.
#include <array>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "settings/Bindings.h"
#include "settings/DesktopPages.h"
#include "settings/DirectXPages.h"
#include "settings/OpenGLPages.h"
#include "ui/application.h"

namespace kl::settings {

// The tab sheets the pages are built on, in the order of the page control.
struct SettingSheets {
  ui::TabSheet& directX;
  ui::TabSheet& directXAdvanced;
  ui::TabSheet& openGL;
  ui::TabSheet& openGLPrivate;
  ui::TabSheet& dvd;
  ui::TabSheet& windowsGUI;
};

class SettingPages {
 public:
  // `platform` and `app` must outlive the pages.
  SettingPages(const SettingSheets& sheets, platform::Platform& platform, ui::Application& app);
  SettingPages(const SettingPages&) = delete;
  SettingPages& operator=(const SettingPages&) = delete;

  // Connects the "modified" event of all six pages.
  void setOnModified(const std::function<void()>& handler);

  // A check box of any of the six pages, by name; raises for an unknown one.
  ui::CheckBox& checkBox(const std::string& name);

  platform::Platform& platform() { return platform_; }
  ui::Application& app() { return app_; }

  GroupBindings& bindings(Group g) { return bindings_[static_cast<std::size_t>(g)]; }
  // Whether the group's last load completed; a group that never loaded
  // from the registry has nothing of the driver's to write back.
  bool loaded(Group g) const { return loaded_[static_cast<std::size_t>(g)]; }
  void setLoaded(Group g, bool loaded) { loaded_[static_cast<std::size_t>(g)] = loaded; }

  DirectXPage directX;
  DirectXAdvancedPage directXAdvanced;
  OpenGLPage openGL;
  OpenGLPrivatePage openGLPrivate;
  DVDPage dvd;
  WindowsGUIPage windowsGUI;

 private:
  platform::Platform& platform_;
  ui::Application& app_;
  std::array<GroupBindings, kGroupCount> bindings_;
  std::array<bool, kGroupCount> loaded_{};
};

}  // namespace kl::settings
