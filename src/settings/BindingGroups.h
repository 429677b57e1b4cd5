#pragma once
// The create, save and load routines of the seven binding groups, in the
// order the main window runs them. The storage mode "Profile" selects the
// profile file `fileName`; any other text, by convention "Register", the
// registry.
#include <string>
#include <vector>

namespace kl::settings {

class SettingPages;

void CreateDirectXKeys(SettingPages& pages);
void CreateDirectXAdvancedKeys(SettingPages& pages);
void CreateOpenGLKeys(SettingPages& pages);
void CreateOpenGLPrivateKeys(SettingPages& pages);
void CreateDVDKeys(SettingPages& pages);
void CreateDesktopKeys(SettingPages& pages);
void CreateDriverTabKeys(SettingPages& pages);

void SaveDirectXKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveDirectXAdvancedKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveOpenGLKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveOpenGLPrivateKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveDVDKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveDesktopKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void SaveDriverTabKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);

void LoadDirectXKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadDirectXAdvancedKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadOpenGLKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadOpenGLPrivateKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadDVDKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadDesktopKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
void LoadDriverTabKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);

// All seven, in the order start-up and Apply use.
void CreateAllKeys(SettingPages& pages);
// Saves the groups that have been loaded, in order, and returns the names of
// those it left out: a group whose start-up load never completed shows the
// controls' design state, not the driver's values, and writing it would
// overwrite what it never read.
std::vector<std::string> SaveAllKeys(SettingPages& pages, const std::string& mode,
                                     const std::string& fileName);
// The shown names of the groups that no load has completed, in order.
std::vector<std::string> GroupsNotLoaded(SettingPages& pages);
void LoadAllKeys(SettingPages& pages, const std::string& mode, const std::string& fileName);
// Opening a profile loads OpenGL Private after Windows GUI.
void LoadAllKeysFromProfile(SettingPages& pages, const std::string& fileName);

}  // namespace kl::settings
