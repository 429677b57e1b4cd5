#pragma once
// "Clear driver from registry": removes the ATI software key
// "SOFTWARE\ATI Technologies" and the display driver's own key (Windows
// 2000: the "ati2mtag" services key; Windows XP: the driver's {GUID} video
// key), each with everything below it, all under HKEY_LOCAL_MACHINE.
//
// Before anything is deleted, both keys are exported as one REGEDIT4 file
// into the installation folder's "Backup" folder, named after the date and
// time (Backup\driver-2026-12-09-143005.reg), so that importing it
// (regedit /s) undoes the removal. When the backup cannot be written the
// user is told why and asked whether to remove anyway; keys the backup
// could not restore exactly are never removed.
//
// The removal never deletes a root, a parent of the driver's own key, or a
// key with an empty name: a driver key path from which the own key cannot
// be derived safely removes only "SOFTWARE\ATI Technologies" and says so.
#include <optional>
#include <string>

#include "platform/platform.h"
#include "ui/application.h"

namespace kl::app {

// The driver's own key: the subkey `name` of the key `parent`, below
// HKEY_LOCAL_MACHINE.
struct DriverOwnKey {
  std::string parent;
  std::string name;
};

// The own key of the driver base key path `basePath` on Windows `version`
// ("5.0" or "5.1"): on "5.0" the parent is the path in front of its first
// "ati2mtag" and the name "ati2mtag"; on "5.1" the parent is the path in
// front of its first "{" and the name runs from there up to and including
// the next "}". None when the path has no such key, when that text is not a
// whole name of the path (something else in front of it or behind it up to
// the next backslash, or a backslash inside the braces), when the parent is
// empty or has an empty name in it (a leading, doubled or trailing
// backslash), and for any other version.
std::optional<DriverOwnKey> locateDriverOwnKey(const std::string& version,
                                               const std::string& basePath);

// The whole removal, with its messages through `app`. Raises, before
// anything is touched, what the driver key lookup raises. False when
// nothing was removed because the user declined after a failed backup, or
// because a key or value name below the keys has a line break or a NUL,
// which a REGEDIT4 backup cannot hold (the user is told which); true
// otherwise, also when keys were missing or could not be deleted. A
// key that is missing is no failure; a key that is still there afterwards
// (the deletion refused, as for a user without administrator rights) is
// named in a message, so a partial removal never passes for done.
bool removeDriverKeys(platform::Platform& platform, ui::Application& app);

}  // namespace kl::app
