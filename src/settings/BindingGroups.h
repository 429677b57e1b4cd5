#pragma once
// The create, save and load routines of the seven binding groups, in the
// order the main window runs them. The storage mode "Profile" selects the
// profile file `fileName`; any other text, by convention "Register", the
// registry.
#include <string>

namespace kl::app {
class TMainForm;
}

namespace kl::settings {

using app::TMainForm;

void CreateDirectXKeys(TMainForm& form);
void CreateDirectXAdvancedKeys(TMainForm& form);
void CreateOpenGLKeys(TMainForm& form);
void CreateOpenGLPrivateKeys(TMainForm& form);
void CreateDVDKeys(TMainForm& form);
void CreateDesktopKeys(TMainForm& form);
void CreateDriverTabKeys(TMainForm& form);

void SaveDirectXKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveDirectXAdvancedKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveOpenGLKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveOpenGLPrivateKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveDVDKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveDesktopKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void SaveDriverTabKeys(TMainForm& form, const std::string& mode, const std::string& fileName);

void LoadDirectXKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadDirectXAdvancedKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadOpenGLKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadOpenGLPrivateKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadDVDKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadDesktopKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadDriverTabKeys(TMainForm& form, const std::string& mode, const std::string& fileName);

// All seven, in the order start-up and Apply use.
void CreateAllKeys(TMainForm& form);
void SaveAllKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
void LoadAllKeys(TMainForm& form, const std::string& mode, const std::string& fileName);
// Opening a profile loads OpenGL Private after Windows GUI.
void LoadAllKeysFromProfile(TMainForm& form, const std::string& fileName);

}  // namespace kl::settings
