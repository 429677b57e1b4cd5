// "Clear driver from registry": what is removed on Windows 2000 and XP, the
// messages, the REGEDIT4 backup taken first, and that no path, however odd,
// makes it delete a root, a parent of the driver's key or a nameless key.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "app/DriverRemoval.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "registry_probe.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace fs = std::filesystem;
using platform::kHkeyLocalMachine;
using testing::dumpTree;
using testing::regedit4Escaped;

constexpr const char* kGuidKey = testing::kVideoGuidKey;
constexpr char kServicesKey[] = "System\\CurrentControlSet\\Services\\ati2mtag";
constexpr char kBackupName[] = "driver-2026-12-09-143005.reg";

// Remembers, for each message box, whether a key still existed then.
class WatchingBackend : public ui::HeadlessBackend {
 public:
  std::function<void(const std::string&)> onMessage;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags) override {
    if (onMessage) onMessage(text);
    return HeadlessBackend::messageBox(text, caption, flags);
  }
};

class DriverRemoval : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kl-removal-XXXXXX";
    folder_ = mkdtemp(pattern);
    testing::seedXpRadeon(sim_);
    own("\"installpath\"=\"" + regedit4Escaped(folder_ + "/") + "\"\n");
    seed(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI "
        "Technologies\\CDS\\0000\\0\\MEMORY]\n\"Size\"=\"64.00\"\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\Desktop\\{5E9A5D46-1B0C-4C5E-9F3B-"
        "2A6C1E8D7F01}]\n\"TabsOn\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\DirectX]\n\"Version\"=\"4.09\"\n"
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(kGuidKey) +
        "\\0000\\OpenGL\\Private]\n"
        "\"EnableFormatSwapping\"=\"1\"\n"
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(kGuidKey) +
        "\\0000\\Settings]\n"
        "\"DALNonStandardModesBCD1\"=hex:08,00,06,00,00,00,60,00\n"
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(kGuidKey) +
        "\\0001]\n\"x\"=\"y\"\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\{OTHER}\\0000]\n"
        "\"drv\"=\"vga\"\n");
  }
  void TearDown() override { fs::remove_all(folder_); }

  void seed(const std::string& regedit4) { sim_.registry.loadRegedit4("REGEDIT4\n" + regedit4); }
  void own(const std::string& values) {
    seed("[HKEY_CURRENT_USER\\Software\\Kestrelune]\n" + values);
  }
  void useAlternativePath(const std::string& path) {
    own("\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=\"" + regedit4Escaped(path) + "\"\n");
  }
  void onWindows2000() {
    sim_.os.setVersion(platform::SimOperatingSystem::windows2000());
    seed(
        "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n"
        "\"\\\\Device\\\\Video0\"=\"\\\\Registry\\\\Machine\\\\" +
        regedit4Escaped(kServicesKey) +
        "\\\\Device0\"\n"
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(kServicesKey) +
        "\\Device0\\OpenGL]\n\"a\"=\"b\"\n"
        "[HKEY_LOCAL_MACHINE\\" +
        std::string(kServicesKey) +
        "\\Enum]\n\"Count\"=dword:00000001\n"
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\ati2mtagX]\n\"kept\"=\"1\"\n");
  }
  bool exists(const std::string& path) {
    return platform::RegistryAccess(sim_.registry, kHkeyLocalMachine).keyExists(path);
  }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& m : backend_.messages()) texts.push_back(m.text);
    return texts;
  }
  fs::path backupFolder() const { return fs::path(folder_) / "Backup"; }
  std::string readFile(const fs::path& file) const {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  bool remove() { return removeDriverKeys(platform_, app_); }

  std::string folder_;
  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  WatchingBackend backend_;
  ui::Application app_{backend_};
};

TEST_F(DriverRemoval, WindowsXpRemovesTheAtiKeyAndTheVideoKeyWithEverythingBelow) {
  EXPECT_TRUE(remove());
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
  EXPECT_FALSE(exists(kGuidKey));
  EXPECT_TRUE(exists("SOFTWARE\\Microsoft\\DirectX"));
  EXPECT_TRUE(exists("System\\CurrentControlSet\\Control\\Video\\{OTHER}\\0000"));
  EXPECT_TRUE(messages().empty());  // nothing reports success
  EXPECT_EQ(0u, sim_.registry.openHandles());
}

TEST_F(DriverRemoval, WindowsXpWithTheVideoKeyAlreadyGone) {
  seed(std::string("[-HKEY_LOCAL_MACHINE\\") + kGuidKey + "]\n");
  EXPECT_TRUE(remove());
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
  EXPECT_TRUE(messages().empty());
}

TEST_F(DriverRemoval, WindowsXpErrorOnTheVideoKeyIsReportedAfterTheAtiKey) {
  testing::ProbeRegistry probe(sim_.registry);
  probe.raiseOnDelete = [](const std::string& path) {
    return path.find("Video\\{5E9A") != std::string::npos;
  };
  platform::Platform p = platform_;
  platform::Platform probed{probe, p.profiles, p.os, p.versions, p.display, p.device, p.files};
  EXPECT_TRUE(removeDriverKeys(probed, app_));
  EXPECT_EQ(std::vector<std::string>{"Driver already removed"}, messages());
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
}

TEST_F(DriverRemoval, Windows2000ShowsTheParentPathBeforeDeletingTheServicesKey) {
  onWindows2000();
  bool keyThereAtMessage = false;
  backend_.onMessage = [&](const std::string&) { keyThereAtMessage = exists(kServicesKey); };
  EXPECT_TRUE(remove());
  EXPECT_EQ(std::vector<std::string>{"System\\CurrentControlSet\\Services"}, messages());
  EXPECT_TRUE(keyThereAtMessage);
  EXPECT_FALSE(exists(kServicesKey));
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
  EXPECT_TRUE(exists("System\\CurrentControlSet\\Services\\ati2mtagX"));
  EXPECT_TRUE(exists(kGuidKey));  // not the driver's key on this Windows
}

TEST_F(DriverRemoval, KeyThatCannotBeLocatedIsLeftAndTheUserTold) {
  seed("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Test\\0000]\n\"drv\"=\"ati2dvag\"\n");
  useAlternativePath("SOFTWARE\\Test\\0000");
  EXPECT_TRUE(remove());
  EXPECT_EQ(std::vector<std::string>{"The display driver's own registry key could not be located "
                                     "in the driver key path \"SOFTWARE\\Test\\0000\", so it was "
                                     "left in place."},
            messages());
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
  EXPECT_TRUE(exists("SOFTWARE\\Test\\0000"));
  EXPECT_TRUE(exists(kGuidKey));

  backend_.clearMessages();
  own("\"AlternativePath\"=-\n");  // no driver key at all
  remove();
  EXPECT_EQ(std::vector<std::string>{"The display driver's own registry key could not be located, "
                                     "so it was left in place: no driver key was found."},
            messages());
}

TEST_F(DriverRemoval, FailedDriverKeyLookupTouchesNothing) {
  own("\"Use_AltPath\"=\"1\"\n");
  const std::string before = sim_.registry.saveRegedit4();
  try {
    remove();
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ("Invalid data type for 'Use_AltPath'", e.what());
  }
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
  EXPECT_FALSE(fs::exists(backupFolder()));
}

TEST_F(DriverRemoval, UserWithoutAdministratorRightsLosesNothing) {
  sim_.registry.setReadOnly(kHkeyLocalMachine, true);
  const std::string before = sim_.registry.saveRegedit4();
  EXPECT_TRUE(remove());
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
  // Nothing passes for removed: the keys left are named.
  EXPECT_EQ(std::vector<std::string>{"Some of the driver's registry keys could not be removed, "
                                     "probably for lack of administrator rights: "
                                     "HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies, "
                                     "HKEY_LOCAL_MACHINE\\" +
                                     std::string(kGuidKey) + "."},
            messages());
}

// ---- the backup

TEST_F(DriverRemoval, BackupImportedIntoAFreshRegistryGivesBackTheRemovedKeys) {
  const auto ati = dumpTree(sim_.registry, kHkeyLocalMachine, "SOFTWARE\\ATI Technologies");
  const auto video = dumpTree(sim_.registry, kHkeyLocalMachine, kGuidKey);
  ASSERT_GT(video.size(), 4u);
  remove();
  const std::string text = readFile(backupFolder() / kBackupName);
  ASSERT_EQ(0u, text.find("REGEDIT4\r\n\r\n")) << text;

  platform::MemoryRegistry restored;
  restored.loadRegedit4(text);
  EXPECT_EQ(ati, dumpTree(restored, kHkeyLocalMachine, "SOFTWARE\\ATI Technologies"));
  EXPECT_EQ(video, dumpTree(restored, kHkeyLocalMachine, kGuidKey));
  // Nothing else: the parents hold only the path down to the two keys.
  EXPECT_EQ(ati.size() + video.size(),
            dumpTree(restored, kHkeyLocalMachine, "SOFTWARE").size() - 1 +
                dumpTree(restored, kHkeyLocalMachine, "System").size() - 4);
}

TEST_F(DriverRemoval, BackupNeverReplacesAnEarlierOne) {
  remove();
  const std::string first = readFile(backupFolder() / kBackupName);
  seed("[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\Again]\n\"a\"=\"b\"\n");
  remove();  // the same second
  EXPECT_EQ(first, readFile(backupFolder() / kBackupName));
  EXPECT_NE(std::string::npos,
            readFile(backupFolder() / "driver-2026-12-09-143005-2.reg").find("Again"));
}

TEST_F(DriverRemoval, NothingToBackUpWritesNoFile) {
  seed(std::string("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies]\n[-HKEY_LOCAL_MACHINE\\") +
       kGuidKey + "]\n");
  EXPECT_TRUE(remove());
  EXPECT_FALSE(fs::exists(backupFolder()));
  EXPECT_TRUE(messages().empty());
}

TEST_F(DriverRemoval, FailedBackupAsksAndNoRemovesNothing) {
  own("\"installpath\"=-\n");
  const std::string before = sim_.registry.saveRegedit4();
  backend_.answerMessage(ui::kIdNo);
  EXPECT_FALSE(remove());
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
  ASSERT_EQ(1u, backend_.messages().size());
  const auto& asked = backend_.messages()[0];
  EXPECT_EQ(ui::kMbYesNo, asked.flags & 0xF);
  EXPECT_EQ(
      "The driver's registry keys could not be backed up before removing them: the installation "
      "folder is not known (the value \"installpath\" of HKEY_CURRENT_USER\\Software\\Kestrelune "
      "is missing).\n\nRemove them anyway? Without a backup they cannot be restored.",
      asked.text);
}

TEST_F(DriverRemoval, FailedBackupAsksAndYesRemoves) {
  // "Backup" cannot be made where the installation folder is a file.
  const std::string file = folder_ + "/not-a-folder";
  std::ofstream(file) << "x";
  own("\"installpath\"=\"" + file + "/\"\n");
  backend_.answerMessage(ui::kIdYes);
  EXPECT_TRUE(remove());
  ASSERT_EQ(1u, messages().size());
  EXPECT_NE(std::string::npos, messages()[0].find("the folder \"" + file +
                                                  "/Backup\" could not "
                                                  "be created: "))
      << messages()[0];
  EXPECT_FALSE(exists("SOFTWARE\\ATI Technologies"));
  EXPECT_FALSE(exists(kGuidKey));
}

// A name with a line break or a NUL would come back from the backup as
// something else, or not at all: nothing is removed, and the user is told
// which name stands in the way, not asked to remove without a backup.
TEST_F(DriverRemoval, KeysTheBackupCannotHoldAreNotRemoved) {
  const std::string lineBreak = "two\nlines", nul = std::string("a\0b", 3);
  for (bool inKeyName : {false, true}) {
    for (const std::string& name : {lineBreak, nul}) {
      SCOPED_TRACE(inKeyName ? "key name" : "value name");
      platform::HKey key = 0;
      ASSERT_EQ(platform::kErrorSuccess,
                sim_.registry.createKey(kHkeyLocalMachine,
                                        inKeyName ? std::string(kGuidKey) + "\\" + name
                                                  : std::string("SOFTWARE\\ATI Technologies\\CDS"),
                                        platform::kKeyAllAccess, &key));
      if (!inKeyName) sim_.registry.setValue(key, name, platform::kRegDword, nullptr, 0);
      sim_.registry.closeKey(key);
      const auto before = dumpTree(sim_.registry, kHkeyLocalMachine, "");
      backend_.clearMessages();
      EXPECT_FALSE(remove());
      EXPECT_EQ(before, dumpTree(sim_.registry, kHkeyLocalMachine, ""));
      EXPECT_FALSE(fs::exists(backupFolder()));
      ASSERT_EQ(1u, backend_.messages().size());
      EXPECT_EQ(ui::kMbOk, backend_.messages()[0].flags & 0xF) << "nothing is asked";
      const std::string shown = name == nul ? "a\\0b" : "two\\nlines";
      EXPECT_EQ("The driver's registry keys were not removed, because a backup could not restore "
                "them: " +
                    std::string(inKeyName ? "The registry key HKEY_LOCAL_MACHINE\\" +
                                                std::string(kGuidKey) + "\\" + shown
                                          : "The value \"" + shown +
                                                "\" of the registry key HKEY_LOCAL_MACHINE\\"
                                                "SOFTWARE\\ATI Technologies\\CDS") +
                    " has " + (name == nul ? "a NUL character" : "a line break") +
                    " in its name, which a REGEDIT4 file cannot hold.",
                backend_.messages()[0].text);
      platform::HKey parent = 0;
      sim_.registry.openKey(kHkeyLocalMachine,
                            inKeyName ? std::string(kGuidKey) : "SOFTWARE\\ATI Technologies\\CDS",
                            platform::kKeyAllAccess, &parent);
      if (inKeyName)
        sim_.registry.deleteKey(parent, name);
      else
        sim_.registry.deleteValue(parent, name);
      sim_.registry.closeKey(parent);
    }
  }
}

// ---- whatever the path, only the driver's own key and what is below it

// The path's names, dropping the empty ones a doubled backslash leaves.
std::vector<std::string> namesOf(const std::string& path) {
  std::vector<std::string> names;
  for (const auto& n : platform::splitText(path, '\\'))
    if (!n.empty()) names.push_back(n);
  return names;
}

std::string joined(const std::vector<std::string>& names, std::size_t count) {
  std::string path = "HKEY_LOCAL_MACHINE";
  for (std::size_t i = 0; i < count; ++i) path += "\\" + names[i];
  return platform::foldCase(path);
}

// Whether the key `path` (spelt as the removal spelt it; empty names do not
// count, as the registry skips them) is `top` or below it.
bool within(const std::string& path, const std::string& top) {
  const std::vector<std::string> names = namesOf(path);
  const std::string p = platform::foldCase(
      joined(std::vector<std::string>(names.begin() + 1, names.end()), names.size() - 1));
  return p == top || p.rfind(top + "\\", 0) == 0;
}

// Keys the driver's own key may be: a name of the path that is "ati2mtag"
// (Windows 2000) or a whole brace group (XP), below at least one other name.
std::vector<std::string> allowedOwnKeys(const std::string& version,
                                        const std::vector<std::string>& names) {
  std::vector<std::string> allowed;
  for (std::size_t i = 1; i < names.size(); ++i) {
    const std::string& n = names[i];
    const bool own =
        version == "5.0" ? n == "ati2mtag" : n.size() >= 2 && n.front() == '{' && n.back() == '}';
    if (own) allowed.push_back(joined(names, i + 1));
  }
  return allowed;
}

std::string generatedPath(std::mt19937& random) {
  // Names of driver paths, near misses of them, and empty names (doubled
  // backslashes).
  static const char* const parts[] = {"System",     "CurrentControlSet",
                                      "Control",    "Video",
                                      "Services",   "ati2mtag",
                                      "{5E9A}",     "{AB12}",
                                      "0000",       "Device0",
                                      "SOFTWARE",   "Test",
                                      "{",          "}",
                                      "{x",         "y}",
                                      "ati2mtagX",  "xati2mtag",
                                      "xyati2mtag", "",
                                      "{a}b",       "a{b}",
                                      "ab{c}",      "ati Technologies",
                                      "}{"};
  std::uniform_int_distribution<int> count(0, 6), pick(0, std::size(parts) - 1), coin(0, 5);
  std::string path = coin(random) == 0 ? "\\" : "";
  for (int i = 0, n = count(random); i < n; ++i)
    path += std::string(i ? "\\" : "") + parts[pick(random)];
  if (coin(random) == 0) path += "\\";
  if (coin(random) == 0) path += "\\\\ati2mtag";
  return path;
}

TEST_F(DriverRemoval, NoPathDeletesARootAParentOrANamelessKey) {
  std::mt19937 random(20261209);
  std::vector<std::string> paths = {"",
                                    "\\",
                                    "ati2mtag",
                                    "ati2mtag\\Device0",
                                    "System\\CurrentControlSet\\Services\\ati2mtag",
                                    "{5E9A}",
                                    "{5E9A}\\0000",
                                    "System\\Video\\{5E9A}\\",
                                    "System\\\\Video\\{5E9A}\\0000",
                                    "System\\Video\\\\{5E9A}\\0000",
                                    "\\System\\Video\\{5E9A}\\0000",
                                    "System\\Video\\{5E\\9A}\\0000",
                                    "SOFTWARE\\Test\\0000",
                                    "SOFTWARE\\{"};
  for (int i = 0; i < 300; ++i) paths.push_back(generatedPath(random));

  int ownKeysRemoved = 0;
  for (const std::string& path : paths) {
    for (const char* version : {"5.0", "5.1"}) {
      SCOPED_TRACE("path \"" + path + "\" on " + version);
      platform::SimPlatform sim;
      sim.os.setVersion(version == std::string("5.0") ? platform::SimOperatingSystem::windows2000()
                                                      : platform::SimOperatingSystem::windowsXp());
      const std::vector<std::string> names = namesOf(path);
      // Every key down the path, each with a sibling, and keys below its end.
      std::string seedText = "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS]\n";
      std::string key = "HKEY_LOCAL_MACHINE";
      for (const auto& n : names) {
        seedText += "[" + key + "\\Sibling]\n\"v\"=\"1\"\n";
        key += "\\" + n;
        seedText += "[" + key + "]\n\"v\"=\"1\"\n";
      }
      seedText += "[" + key + "\\OpenGL\\Private]\n";
      sim.registry.loadRegedit4(seedText);
      sim.registry.loadRegedit4(testing::programKeyRegedit(
          "\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=\"" + regedit4Escaped(path) + "\"\n"));
      testing::ProbeRegistry probe(sim.registry);
      platform::Platform p{probe,       sim.profiles, sim.os,   sim.versions,
                           sim.display, sim.device,   sim.files};
      backend_.clearMessages();
      backend_.answerMessage(ui::kIdYes);  // no installpath: the backup fails
      ASSERT_TRUE(removeDriverKeys(p, app_));

      const std::vector<std::string> allowed = allowedOwnKeys(version, names);
      const std::string ati = "hkey_local_machine\\software\\ati technologies";
      for (const auto& d : probe.deletions) {
        EXPECT_FALSE(d.emptyName) << d.path;
        const bool permitted =
            within(d.path, ati) ||
            std::any_of(allowed.begin(), allowed.end(), [&](auto& a) { return within(d.path, a); });
        EXPECT_TRUE(permitted) << "deleted " << d.path;
      }
      // The parents of the driver's key and every sibling are still there
      // (below "SOFTWARE\ATI Technologies" everything goes).
      platform::RegistryAccess reg(sim.registry, kHkeyLocalMachine);
      std::string parent;
      for (std::size_t i = 0; i < names.size(); ++i) {
        const bool ownKeyReached = std::any_of(allowed.begin(), allowed.end(), [&](auto& a) {
          return within(joined(names, i + 1), a);
        });
        EXPECT_TRUE(reg.keyExists(parent + (parent.empty() ? "" : "\\") + "Sibling")) << parent;
        if (ownKeyReached || within(joined(names, i + 1), ati)) break;
        parent += (parent.empty() ? "" : "\\") + names[i];
        EXPECT_TRUE(reg.keyExists(parent)) << parent;
      }
      const bool removedOwnKey = std::any_of(probe.deletions.begin(), probe.deletions.end(),
                                             [&](auto& d) { return !within(d.path, ati); });
      ownKeysRemoved += removedOwnKey;
      if (allowed.empty()) {
        EXPECT_FALSE(removedOwnKey);
        const auto& shown = backend_.messages();
        EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](auto& m) {
          return m.text.find("could not be located") != std::string::npos;
        }));
      }
    }
  }
  // The sample holds well-formed driver paths too, which are removed.
  EXPECT_GT(ownKeysRemoved, 20);
}

}  // namespace
}  // namespace kl::app
