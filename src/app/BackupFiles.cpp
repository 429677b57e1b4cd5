#include "app/BackupFiles.h"

#include "platform/text_util.h"
#include "system/SystemQueries.h"

namespace kl::app {
namespace {

constexpr int kNamesPerSecond = 100;

std::string datedName(const platform::LocalTime& t, const std::string& stem,
                      const std::string& extension, int attempt) {
  return stem +
         platform::formatText("-%04d-%02d-%02d-%02d%02d%02d", t.year, t.month, t.day, t.hour,
                              t.minute, t.second) +
         (attempt > 1 ? "-" + std::to_string(attempt) : "") + extension;
}

}  // namespace

std::string InstallFolder(platform::Platform& p, std::string* why) {
  std::string install = system::GetInstallPath(p);
  if (install.empty()) {
    *why = "the installation folder is not known (the value \"installpath\" of "
           "HKEY_CURRENT_USER\\Software\\Kestrelune is missing)";
    return install;
  }
  if (install.back() != '\\' && install.back() != '/') install += '\\';
  return install;
}

std::string BackupFolder(platform::Platform& p, std::string* why) {
  const std::string install = InstallFolder(p, why);
  if (install.empty()) return install;
  const std::string folder = install + "Backup";
  const platform::FileResult made = p.files.createDirectory(folder);
  if (made.status != platform::FileStatus::Failed) return folder;
  *why = "the folder \"" + folder + "\" could not be created: " + made.reason;
  return std::string();
}

std::string WriteDatedBackup(platform::Platform& p, const std::string& stem,
                             const std::string& extension, const std::string& text,
                             std::string* why) {
  const std::string folder = BackupFolder(p, why);
  if (folder.empty()) return folder;
  const platform::LocalTime now = p.os.localTime();
  for (int attempt = 1; attempt <= kNamesPerSecond; ++attempt) {
    const std::string file = folder + "\\" + datedName(now, stem, extension, attempt);
    const platform::FileResult written = p.files.writeNewFile(file, text);
    if (written.ok()) return file;
    if (written.status == platform::FileStatus::Failed) {
      *why = "the file \"" + file + "\" could not be written: " + written.reason;
      return std::string();
    }
  }
  *why = "every backup name for this second in \"" + folder + "\" is taken";
  return std::string();
}

std::string FreeDatedBackupName(platform::Platform& p, const std::string& stem,
                                const std::string& extension, std::string* why) {
  const std::string folder = BackupFolder(p, why);
  if (folder.empty()) return folder;
  const platform::LocalTime now = p.os.localTime();
  for (int attempt = 1; attempt <= kNamesPerSecond; ++attempt) {
    const std::string file = folder + "\\" + datedName(now, stem, extension, attempt);
    if (!p.profiles.exists(file)) return file;
  }
  *why = "every backup name for this second in \"" + folder + "\" is taken";
  return std::string();
}

}  // namespace kl::app
