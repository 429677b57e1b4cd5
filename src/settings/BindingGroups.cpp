// No setting page has its bindings yet: each group's catalogue arrives with
// its page, and until then its routines have nothing to create, save or load.
#include "settings/BindingGroups.h"

namespace kl::settings {

void CreateDirectXKeys(TMainForm&) {}
void CreateDirectXAdvancedKeys(TMainForm&) {}
void CreateOpenGLKeys(TMainForm&) {}
void CreateOpenGLPrivateKeys(TMainForm&) {}
void CreateDVDKeys(TMainForm&) {}
void CreateDesktopKeys(TMainForm&) {}
void CreateDriverTabKeys(TMainForm&) {}

void SaveDirectXKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveDirectXAdvancedKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveOpenGLKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveOpenGLPrivateKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveDVDKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveDesktopKeys(TMainForm&, const std::string&, const std::string&) {}
void SaveDriverTabKeys(TMainForm&, const std::string&, const std::string&) {}

void LoadDirectXKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadDirectXAdvancedKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadOpenGLKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadOpenGLPrivateKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadDVDKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadDesktopKeys(TMainForm&, const std::string&, const std::string&) {}
void LoadDriverTabKeys(TMainForm&, const std::string&, const std::string&) {}

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

}  // namespace kl::settings
