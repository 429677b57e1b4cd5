// The small system queries and the version-resource reader, against the
// in-memory platform.
#include <gtest/gtest.h>

#include <climits>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/sim/sim_platform.h"
#include "sysinfo/FileInfo.h"
#include "sysinfo/SysInfo_NT.h"

namespace kl::sysinfo {
namespace {

using platform::OsVersion;
using platform::SimOperatingSystem;

// The text of the kl::Error that `action` raises, or a marker when it raises none.
template <typename Action>
std::string errorOf(Action action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(no error)";
}

class SysInfoTest : public ::testing::Test {
 protected:
  void seed(const std::string& values) {
    sim_.registry.loadRegedit4("REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Kestrelune]\n" + values);
  }
  std::string windowsVersion(const OsVersion& v, int form) {
    sim_.os.setVersion(v);
    return GetWindowsVersion(platform_, form);
  }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
};

TEST_F(SysInfoTest, WindowsVersionOfWindowsXpAnd2000) {
  const OsVersion xpSp1 = SimOperatingSystem::windowsXp("Service Pack 1");
  EXPECT_EQ("Windows NT 5.1 (Build 2600)", windowsVersion(SimOperatingSystem::windowsXp(), 2));
  EXPECT_EQ("Windows NT 5.1 (Build 2600: Service Pack 1)", windowsVersion(xpSp1, 2));
  EXPECT_EQ("5.1", windowsVersion(xpSp1, 1));
  EXPECT_EQ("5.0", windowsVersion(SimOperatingSystem::windows2000("Service Pack 4"), 1));
  for (int form : {0, 3, -1}) EXPECT_EQ("", windowsVersion(xpSp1, form)) << "form " << form;
}

TEST_F(SysInfoTest, WindowsVersionBuildAndNameFollowThePlatformFamily) {
  // The 95 family keeps 4.10 in the build's high word; NT builds are whole;
  // other families show neither build nor service pack.
  EXPECT_EQ("Windows 95 4.10 (Build 2222:  A )",
            windowsVersion({platform::kPlatformWindows, 4, 10, 0x040A08AEu, " A "}, 2));
  EXPECT_EQ("Windows NT 6.0 (Build 74565)",
            windowsVersion({platform::kPlatformNt, 6, 0, 0x12345u, ""}, 2));
  EXPECT_EQ("Windows 3.10", windowsVersion({platform::kPlatformWin32s, 3, 10, 5, "SP"}, 2));
}

TEST_F(SysInfoTest, ProgramValues) {
  seed("\"installpath\"=\"C:\\\\Program Files\\\\Kestrelune\\\\\"\n\"version\"=\"1.60\"\n");
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\", GetInstallPath(platform_));
  EXPECT_EQ("1.60", GetProgramVersion(platform_));
  // The version needs full access to the key; the folder only read access.
  sim_.registry.setReadOnly(platform::kHkeyCurrentUser, true);
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\", GetInstallPath(platform_));
  EXPECT_EQ("", GetProgramVersion(platform_));
  EXPECT_EQ(0u, sim_.registry.openHandles());
}

TEST_F(SysInfoTest, ProgramValuesOfAnotherTypeOrMissing) {
  seed("\"version\"=dword:00000001\n\"installpath\"=dword:00000001\n");
  EXPECT_EQ("Cannot detect", GetProgramVersion(platform_));
  EXPECT_EQ("", GetInstallPath(platform_));
  seed("\"version\"=-\n\"installpath\"=-\n");
  EXPECT_EQ("", GetProgramVersion(platform_));
  EXPECT_EQ("", GetInstallPath(platform_));
}

TEST_F(SysInfoTest, MissingProgramKeyIsNeverCreated) {
  EXPECT_EQ("", GetInstallPath(platform_));
  EXPECT_EQ("", GetProgramVersion(platform_));
  platform::RegistryAccess reg(sim_.registry, platform::kHkeyCurrentUser);
  EXPECT_FALSE(reg.keyExists("Software\\Kestrelune"));
}

TEST_F(SysInfoTest, WindowsDirHasNoTrailingBackslash) {
  EXPECT_EQ("C:\\WINDOWS", GetWindowsDir(platform_));
  sim_.os.setWindowsDirectory("C:\\");
  EXPECT_EQ("C:", GetWindowsDir(platform_));
}

TEST_F(SysInfoTest, FileVersionText) {
  platform::FakeVersionInfo driver;
  driver.fileVersionMS = 0x0006000Eu;
  driver.fileVersionLS = 0x000A18C7u;
  sim_.versions.addFile("C:\\WINDOWS\\System32\\ati2dvag.dll", driver);
  EXPECT_EQ("6.14.10.6343", GetFileVersionText(platform_, "C:\\WINDOWS\\System32\\ati2dvag.dll"));

  platform::FakeVersionInfo bare;
  bare.hasFixedInfo = false;
  sim_.versions.addFile("C:\\bare.dll", bare);
  sim_.versions.addUnreadableFile("C:\\locked.dll");
  for (const char* file : {"C:\\missing.dll", "C:\\bare.dll", "C:\\locked.dll"})
    EXPECT_EQ("Fixed file info not available",
              errorOf([&] { GetFileVersionText(platform_, file); }))
        << file;
}

class FileInfoTest : public SysInfoTest {
 protected:
  FileInfoBlock load(const platform::FakeVersionInfo& info) {
    sim_.versions.addFile("C:\\file.dll", info);
    return CreateFileInfo(platform_, "C:\\file.dll");
  }
};

TEST_F(FileInfoTest, CreateGivesNoneWithoutAReadableResourceAndFreeAcceptsNone) {
  sim_.versions.addUnreadableFile("C:\\locked.dll");
  FileInfoBlock none = CreateFileInfo(platform_, "C:\\locked.dll");
  EXPECT_EQ(nullptr, none);
  FreeFileInfo(none);
  FileInfoBlock block = load(platform::FakeVersionInfo{});
  ASSERT_NE(nullptr, block);
  FreeFileInfo(block);
  EXPECT_EQ(nullptr, block);
}

TEST_F(FileInfoTest, TranslationIndexBounds) {
  platform::FakeVersionInfo info;
  info.translations = {0x04E40409u, 0x04B00407u};
  const FileInfoBlock block = load(info);
  ASSERT_EQ(2, GetFileInfoTranslationCount(block));
  EXPECT_EQ(0x04B00407u, GetFileInfoTranslation(block, 1));
  // 0x40000000 * 4 wraps to 0 in 32 bits; negative indexes compare as huge.
  for (int index : {2, -1, INT_MAX, 0x40000000})
    EXPECT_EQ("Specified translation not available",
              errorOf([&] { GetFileInfoTranslation(block, index); }))
        << "index " << index;

  const FileInfoBlock noTable = load(platform::FakeVersionInfo{});
  EXPECT_EQ("File info translations not available",
            errorOf([&] { GetFileInfoTranslationCount(noTable); }));
  EXPECT_EQ("File info translations not available",
            errorOf([&] { GetFileInfoTranslation(noTable, 0); }));
}

TEST_F(FileInfoTest, StringsAreFoundUnderLanguageThenCodePage) {
  platform::FakeVersionInfo info;
  info.translations = {0x04B00407u};
  info.strings["\\StringFileInfo\\040704B0\\FileVersion"] = "6.14.10.6343";
  info.strings["\\StringFileInfo\\04B00407\\ProductName"] = "swapped";
  const FileInfoBlock block = load(info);
  const std::uint32_t entry = GetFileInfoTranslation(block, 0);
  // Compared whole, so a terminating NUL kept in the text would fail too.
  EXPECT_EQ("6.14.10.6343", GetFileInfoString(block, entry, "FileVersion"));
  EXPECT_EQ("Specified file info string not available",
            errorOf([&] { GetFileInfoString(block, entry, "ProductName"); }));
}

}  // namespace
}  // namespace kl::sysinfo
