#pragma once
// The six setting pages with the bindings of their seven groups. The groups
// do not follow the pages (the fog switches sit on the DirectX page but are
// stored with DirectX Advanced, the driver tabs on the Windows GUI page), so
// the binding routines work on all six pages together.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "settings/Bindings.h"
#include "settings/DesktopPages.h"
#include "settings/DirectXPages.h"
#include "settings/DriverKey.h"
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

  // One pass over the bindings: a start-up, an Apply, a profile open or
  // save. The routines it runs share one lookup of the driver key, made when
  // the first registry path is needed, so a change made in the Options
  // dialog reaches the next pass. Passes nest: a routine's own pass inside
  // another uses the outer one's lookup.
  class Pass {
   public:
    explicit Pass(SettingPages& pages);
    ~Pass();
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

   private:
    SettingPages& pages_;
    bool outermost_;
  };
  // The key paths of the running pass; raises outside of one.
  DriverKeyPaths& keyPaths();

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
  std::optional<DriverKeyPaths> paths_;
  // Why the passes found no driver key, each told once: start-up says it,
  // and the Applies after it do not say it again.
  std::vector<std::string> reported_;
};

}  // namespace kl::settings
