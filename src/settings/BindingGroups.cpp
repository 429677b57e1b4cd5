#include "settings/BindingGroups.h"

#include "app/MainProg.h"
#include "settings/Catalogues.h"

namespace kl::settings {
namespace {

GroupBindings& bindingsOf(TMainForm& form, Group g) {
  return form.groupBindings[static_cast<std::size_t>(g)];
}

void create(TMainForm& form, Group g) { createGroup(form, catalogueOf(g), bindingsOf(form, g)); }

void save(TMainForm& form, Group g, const std::string& mode, const std::string& file) {
  saveGroup(form, catalogueOf(g), bindingsOf(form, g), mode, file);
}

void load(TMainForm& form, Group g, const std::string& mode, const std::string& file) {
  loadGroup(form, catalogueOf(g), bindingsOf(form, g), mode, file);
}

}  // namespace

void CreateDirectXKeys(TMainForm& form) { create(form, Group::DirectX); }
void CreateDirectXAdvancedKeys(TMainForm& form) { create(form, Group::DirectXAdvanced); }
void CreateOpenGLKeys(TMainForm& form) { create(form, Group::OpenGL); }
void CreateOpenGLPrivateKeys(TMainForm& form) { create(form, Group::OpenGLPrivate); }
void CreateDVDKeys(TMainForm& form) { create(form, Group::DVD); }
void CreateDesktopKeys(TMainForm& form) { create(form, Group::Desktop); }
void CreateDriverTabKeys(TMainForm& form) { create(form, Group::DriverTabs); }

void SaveDirectXKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::DirectX, mode, fileName);
}
void SaveDirectXAdvancedKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::DirectXAdvanced, mode, fileName);
}
void SaveOpenGLKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::OpenGL, mode, fileName);
}
void SaveOpenGLPrivateKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::OpenGLPrivate, mode, fileName);
}
void SaveDVDKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::DVD, mode, fileName);
}
void SaveDesktopKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::Desktop, mode, fileName);
}
void SaveDriverTabKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  save(form, Group::DriverTabs, mode, fileName);
}

void LoadDirectXKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::DirectX, mode, fileName);
}
void LoadDirectXAdvancedKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::DirectXAdvanced, mode, fileName);
}
void LoadOpenGLKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::OpenGL, mode, fileName);
}
void LoadOpenGLPrivateKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::OpenGLPrivate, mode, fileName);
}
void LoadDVDKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::DVD, mode, fileName);
}
void LoadDesktopKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::Desktop, mode, fileName);
}
void LoadDriverTabKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  load(form, Group::DriverTabs, mode, fileName);
}

void CreateAllKeys(TMainForm& form) {
  CreateDirectXKeys(form);
  CreateDirectXAdvancedKeys(form);
  CreateOpenGLKeys(form);
  CreateOpenGLPrivateKeys(form);
  CreateDVDKeys(form);
  CreateDesktopKeys(form);
  CreateDriverTabKeys(form);
}

void SaveAllKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  SaveDirectXKeys(form, mode, fileName);
  SaveDirectXAdvancedKeys(form, mode, fileName);
  SaveOpenGLKeys(form, mode, fileName);
  SaveOpenGLPrivateKeys(form, mode, fileName);
  SaveDVDKeys(form, mode, fileName);
  SaveDesktopKeys(form, mode, fileName);
  SaveDriverTabKeys(form, mode, fileName);
}

void LoadAllKeys(TMainForm& form, const std::string& mode, const std::string& fileName) {
  LoadDirectXKeys(form, mode, fileName);
  LoadDirectXAdvancedKeys(form, mode, fileName);
  LoadOpenGLKeys(form, mode, fileName);
  LoadOpenGLPrivateKeys(form, mode, fileName);
  LoadDVDKeys(form, mode, fileName);
  LoadDesktopKeys(form, mode, fileName);
  LoadDriverTabKeys(form, mode, fileName);
}

void LoadAllKeysFromProfile(TMainForm& form, const std::string& fileName) {
  const std::string mode = "Profile";
  LoadDirectXKeys(form, mode, fileName);
  LoadDirectXAdvancedKeys(form, mode, fileName);
  LoadOpenGLKeys(form, mode, fileName);
  LoadDVDKeys(form, mode, fileName);
  LoadDesktopKeys(form, mode, fileName);
  LoadOpenGLPrivateKeys(form, mode, fileName);
  LoadDriverTabKeys(form, mode, fileName);
}

}  // namespace kl::settings
