#include "settings/BindingGroups.h"

#include "settings/Catalogues.h"
#include "settings/SettingPages.h"

namespace kl::settings {
namespace {

void create(SettingPages& pages, Group g) { createGroup(pages, catalogueOf(g), pages.bindings(g)); }

void save(SettingPages& pages, Group g, const std::string& mode, const std::string& file) {
  saveGroup(pages, catalogueOf(g), pages.bindings(g), mode, file);
}

// A group counts as loaded once a load of it ran to its end.
void load(SettingPages& pages, Group g, const std::string& mode, const std::string& file) {
  loadGroup(pages, catalogueOf(g), pages.bindings(g), mode, file);
  pages.setLoaded(g, true);
}

}  // namespace

void CreateDirectXKeys(SettingPages& pages) { create(pages, Group::DirectX); }
void CreateDirectXAdvancedKeys(SettingPages& pages) { create(pages, Group::DirectXAdvanced); }
void CreateOpenGLKeys(SettingPages& pages) { create(pages, Group::OpenGL); }
void CreateOpenGLPrivateKeys(SettingPages& pages) { create(pages, Group::OpenGLPrivate); }
void CreateDVDKeys(SettingPages& pages) { create(pages, Group::DVD); }
void CreateDesktopKeys(SettingPages& pages) { create(pages, Group::Desktop); }
void CreateDriverTabKeys(SettingPages& pages) { create(pages, Group::DriverTabs); }

void SaveDirectXKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::DirectX, mode, fileName);
}
void SaveDirectXAdvancedKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::DirectXAdvanced, mode, fileName);
}
void SaveOpenGLKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::OpenGL, mode, fileName);
}
void SaveOpenGLPrivateKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::OpenGLPrivate, mode, fileName);
}
void SaveDVDKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::DVD, mode, fileName);
}
void SaveDesktopKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::Desktop, mode, fileName);
}
void SaveDriverTabKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  save(pages, Group::DriverTabs, mode, fileName);
}

void LoadDirectXKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::DirectX, mode, fileName);
}
void LoadDirectXAdvancedKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::DirectXAdvanced, mode, fileName);
}
void LoadOpenGLKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::OpenGL, mode, fileName);
}
void LoadOpenGLPrivateKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::OpenGLPrivate, mode, fileName);
}
void LoadDVDKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::DVD, mode, fileName);
}
void LoadDesktopKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::Desktop, mode, fileName);
}
void LoadDriverTabKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  load(pages, Group::DriverTabs, mode, fileName);
}

void CreateAllKeys(SettingPages& pages) {
  CreateDirectXKeys(pages);
  CreateDirectXAdvancedKeys(pages);
  CreateOpenGLKeys(pages);
  CreateOpenGLPrivateKeys(pages);
  CreateDVDKeys(pages);
  CreateDesktopKeys(pages);
  CreateDriverTabKeys(pages);
}

void SaveAllKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  SaveDirectXKeys(pages, mode, fileName);
  SaveDirectXAdvancedKeys(pages, mode, fileName);
  SaveOpenGLKeys(pages, mode, fileName);
  SaveOpenGLPrivateKeys(pages, mode, fileName);
  SaveDVDKeys(pages, mode, fileName);
  SaveDesktopKeys(pages, mode, fileName);
  SaveDriverTabKeys(pages, mode, fileName);
}

void LoadAllKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  LoadDirectXKeys(pages, mode, fileName);
  LoadDirectXAdvancedKeys(pages, mode, fileName);
  LoadOpenGLKeys(pages, mode, fileName);
  LoadOpenGLPrivateKeys(pages, mode, fileName);
  LoadDVDKeys(pages, mode, fileName);
  LoadDesktopKeys(pages, mode, fileName);
  LoadDriverTabKeys(pages, mode, fileName);
}

void LoadAllKeysFromProfile(SettingPages& pages, const std::string& fileName) {
  const std::string mode = "Profile";
  LoadDirectXKeys(pages, mode, fileName);
  LoadDirectXAdvancedKeys(pages, mode, fileName);
  LoadOpenGLKeys(pages, mode, fileName);
  LoadDVDKeys(pages, mode, fileName);
  LoadDesktopKeys(pages, mode, fileName);
  LoadOpenGLPrivateKeys(pages, mode, fileName);
  LoadDriverTabKeys(pages, mode, fileName);
}

}  // namespace kl::settings
