#include "settings/BindingGroups.h"

#include "settings/Catalogues.h"
#include "settings/SettingPages.h"

namespace kl::settings {
namespace {

void create(SettingPages& pages, Group g) { createGroup(pages, catalogueOf(g), pages.bindings(g)); }

void save(SettingPages& pages, Group g, const std::string& mode, const std::string& file) {
  saveGroup(pages, catalogueOf(g), pages.bindings(g), mode, file);
}

// A group counts as loaded once a load of all its bindings ran to its end.
void load(SettingPages& pages, Group g, const std::string& mode, const std::string& file) {
  loadGroup(pages, catalogueOf(g), pages.bindings(g), mode, file);
  if (pages.bindings(g).size() == catalogueOf(g).rows.size()) pages.setLoaded(g, true);
}

// The group's name as the user knows it from the pages.
const char* shownName(Group g) {
  static const char* const names[kGroupCount] = {
      "DirectX", "DirectX Advanced", "OpenGL", "OpenGL Private", "DVD", "Windows GUI",
      "ATi driver tabs"};
  return names[static_cast<std::size_t>(g)];
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

// Each of the sequences is one pass: one lookup of the driver key for all
// seven routines.
void CreateAllKeys(SettingPages& pages) {
  SettingPages::Pass pass(pages);
  CreateDirectXKeys(pages);
  CreateDirectXAdvancedKeys(pages);
  CreateOpenGLKeys(pages);
  CreateOpenGLPrivateKeys(pages);
  CreateDVDKeys(pages);
  CreateDesktopKeys(pages);
  CreateDriverTabKeys(pages);
}

std::vector<std::string> SaveAllKeys(SettingPages& pages, const std::string& mode,
                                     const std::string& fileName) {
  using Save = void (*)(SettingPages&, const std::string&, const std::string&);
  static const Save inOrder[kGroupCount] = {SaveDirectXKeys,       SaveDirectXAdvancedKeys,
                                            SaveOpenGLKeys,        SaveOpenGLPrivateKeys,
                                            SaveDVDKeys,           SaveDesktopKeys,
                                            SaveDriverTabKeys};
  SettingPages::Pass pass(pages);
  for (std::size_t i = 0; i < kGroupCount; ++i)
    if (pages.loaded(static_cast<Group>(i))) inOrder[i](pages, mode, fileName);
  return GroupsNotLoaded(pages);
}

std::vector<std::string> GroupsNotLoaded(SettingPages& pages) {
  std::vector<std::string> missing;
  for (std::size_t i = 0; i < kGroupCount; ++i)
    if (!pages.loaded(static_cast<Group>(i))) missing.push_back(shownName(static_cast<Group>(i)));
  return missing;
}

void LoadAllKeys(SettingPages& pages, const std::string& mode, const std::string& fileName) {
  SettingPages::Pass pass(pages);
  LoadDirectXKeys(pages, mode, fileName);
  LoadDirectXAdvancedKeys(pages, mode, fileName);
  LoadOpenGLKeys(pages, mode, fileName);
  LoadOpenGLPrivateKeys(pages, mode, fileName);
  LoadDVDKeys(pages, mode, fileName);
  LoadDesktopKeys(pages, mode, fileName);
  LoadDriverTabKeys(pages, mode, fileName);
}

void LoadAllKeysFromProfile(SettingPages& pages, const std::string& fileName) {
  SettingPages::Pass pass(pages);
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
