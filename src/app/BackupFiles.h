#pragma once
// The installation folder's "Backup" folder, where the program keeps what
// it saved before it changed something: the driver keys before their
// removal, the settings before a restore, the display modes before the
// first start. A file there is never replaced.
#include <string>

#include "platform/platform.h"

namespace kl::app {

// The installation folder with its backslash at the end; empty, with the
// reason in *why, when it is not known.
std::string InstallFolder(platform::Platform& platform, std::string* why);

// The "Backup" folder, made when missing; empty, with the reason in *why,
// when it cannot be made.
std::string BackupFolder(platform::Platform& platform, std::string* why);

// Writes `text` as a new file "<stem>-<date>-<time><extension>" in the
// Backup folder (driver-2026-12-09-143005.reg), or the next free name
// ("...-2.reg") when that is taken. The full name written; empty, with the
// reason in *why, when it could not be written.
std::string WriteDatedBackup(platform::Platform& platform, const std::string& stem,
                             const std::string& extension, const std::string& text,
                             std::string* why);

// A name of that form in the Backup folder that no file has yet, for a file
// written by other means (a profile); empty, with the reason in *why.
std::string FreeDatedBackupName(platform::Platform& platform, const std::string& stem,
                                const std::string& extension, std::string* why);

}  // namespace kl::app
