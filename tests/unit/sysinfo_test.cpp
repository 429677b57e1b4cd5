// The small system queries, the version-resource reader and the System
// Information page, against the in-memory platform and the headless toolkit.
#include <gtest/gtest.h>

#include <climits>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/sim/sim_platform.h"
#include "sim_machine.h"
#include "sysinfo/SysInfoPage.h"
#include "sysinfo/SysInfo_NT.h"
#include "system/FileInfo.h"
#include "system/SystemQueries.h"
#include "ui/headless/headless_backend.h"

namespace kl::sysinfo {
namespace {

using namespace system;
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

// ---- the System Information page

constexpr char kCpuKey[] = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS\\System\\0]\n";
constexpr char kMemoryKey[] =
    "[HKEY_LOCAL_MACHINE\\Software\\ATI Technologies\\CDS\\0000\\0\\MEMORY]\n";

// A Windows XP PC with a Radeon 8500 whose ATI software has written the
// processor and memory facts; the page on a stand-alone form.
class SysInfoPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    seed(std::string(kCpuKey) +
         "\"CPU Name\"=\"AMD Athlon(tm) XP 2000+\"\n"
         "\"SSE\"=\"Yes (Enabled)\"\n\"SSE2\"=\"No (Disabled)\"\n"
         "\"3DNow\"=\"Yes (Enabled)\"\n\"MMX\"=\"Yes (Enabled)\"\n" +
         kMemoryKey + "\"Size\"=\"64.00 MB\"\n\"Type\"=\"DDR SGRAM (x)\"\n" +
         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX]\n\"Version\"=\"4.09.00.0904\"\n");
  }
  void seed(const std::string& regedit4) { sim_.registry.loadRegedit4("REGEDIT4\n" + regedit4); }
  void driverValues(const std::string& values) {
    seed(std::string("[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey + "]\n" + values);
  }
  void own(const std::string& values) {
    seed("[HKEY_CURRENT_USER\\Software\\Kestrelune]\n" + values);
  }
  SysInfoPage& page() {
    if (!page_) page_ = std::make_unique<SysInfoPage>(sheet_, platform_, app_);
    return *page_;
  }
  SysInfoPage& filled() {
    page().FillSystemInfo();
    return page();
  }
  std::string supportsWith(const std::string& sse, const std::string& sse2,
                           const std::string& threeDNow, const std::string& mmx) {
    seed(std::string(kCpuKey) + "\"SSE\"=" + sse + "\n\"SSE2\"=" + sse2 +
         "\n\"3DNow\"=" + threeDNow + "\n\"MMX\"=" + mmx + "\n");
    page().FillSystemInfo();
    return page().labelSupModes->text();
  }
  std::string cpuLabelFor(const std::string& name) {
    seed(std::string(kCpuKey) + "\"CPU Name\"=\"" + name + "\"\n");
    page().FillSystemInfo();
    return page().labelCPUid->text();
  }
  std::string videoMemoryWith(const std::string& size, const std::string& type) {
    seed(std::string(kMemoryKey) + "\"Size\"=" + size + "\n\"Type\"=" + type + "\n");
    page().FillSystemInfo();
    return page().labelamountmem->text();
  }
  bool messageShown(const std::string& text) const {
    for (const auto& m : backend_.messages())
      if (m.text == text) return true;
    return false;
  }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  ui::Application app_{backend_};
  ui::Form& form_ = app_.createForm<ui::Form>("MainForm");
  ui::TabSheet& sheet_ = form_.add<ui::PageControl>("TabPages").add<ui::TabSheet>("tabSysInfo");
  std::unique_ptr<SysInfoPage> page_;
};

TEST_F(SysInfoPageTest, BuiltPageShowsItsRowsWithDesignTexts) {
  SysInfoPage& p = page();
  EXPECT_EQ("Information of the current Windows system", sheet_.hint());
  const std::pair<ui::GroupBox*, std::vector<std::pair<const char*, const char*>>> groups[] = {
      {p.GroupBox2,
       {{"labelCPUid", "CPU"},
        {"labelSupModes", "Supports"},
        {"labelWindowsVer", "OS"},
        {"labelDXVers", "DirectX"},
        {"physmem", "Memory"},
        {"freemem", "Free memory"},
        {"labelRadeonType", "Videocard"},
        {"labelamountmem", "Video memory"}}},
      {p.GroupBox3,
       {{"labelDriver", "Driver"},
        {"labelVersion", "Version"},
        {"labelDesktop", "Desktop Utilities"}}}};
  EXPECT_EQ(" System Information ", p.GroupBox1->text());
  EXPECT_EQ(" System ", p.GroupBox2->text());
  EXPECT_EQ(" Driver ", p.GroupBox3->text());
  for (const auto& [group, rows] : groups) {
    int previousTop = -1;
    for (const auto& [name, caption] : rows) {
      auto* value = dynamic_cast<ui::Label*>(group->find(name));
      auto* label = dynamic_cast<ui::Label*>(group->find(std::string(name) + "Caption"));
      auto* colon = dynamic_cast<ui::Label*>(group->find(std::string(name) + "Colon"));
      ASSERT_TRUE(value && label && colon) << name;
      EXPECT_EQ("Can't detect", value->text()) << name;
      EXPECT_FALSE(value->bold()) << name;
      EXPECT_EQ(caption, label->text());
      EXPECT_TRUE(label->bold() && colon->bold()) << name;
      EXPECT_EQ(":", colon->text());
      // Caption, colon and value side by side, each row below the last.
      EXPECT_TRUE(label->bounds().top == value->bounds().top &&
                  label->bounds().left < colon->bounds().left &&
                  colon->bounds().left < value->bounds().left)
          << name;
      EXPECT_GT(value->bounds().top, previousTop) << name;
      previousTop = value->bounds().top;
      // A value has room for a long line ("Windows NT 5.1 (Build 2600:
      // Service Pack 3)" in the System group) and stays inside its group,
      // clear of the button beside the driver lines.
      const ui::Rect& v = value->bounds();
      EXPECT_LE(v.left + v.width, group->bounds().width) << name;
      if (group == p.GroupBox2) {
        EXPECT_GE(v.width, 400) << name;
      } else {
        EXPECT_LE(v.left + v.width, p.speedclearreg->bounds().left) << name;
      }
    }
  }
  EXPECT_EQ("Clear driver from registry", p.speedclearreg->text());
  EXPECT_EQ(p.GroupBox3, p.speedclearreg->parent());
  EXPECT_EQ("SYSINFO", p.imageSysInfo->picture());
}

TEST_F(SysInfoPageTest, ClearButtonIsLeftToTheShell) {
  const std::string before = sim_.registry.saveRegedit4();
  ui::user::press(*page().speedclearreg);
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
  EXPECT_TRUE(backend_.messages().empty());
}

TEST_F(SysInfoPageTest, FilledPageOfTheSeededPc) {
  platform::MemoryStatus m = sim_.os.memoryStatus();
  m.memoryLoad = 63;
  sim_.os.setMemoryStatus(m);
  SysInfoPage& p = filled();
  EXPECT_EQ("AMD Athlon(tm) XP", p.labelCPUid->text());
  EXPECT_EQ("3DNow, SSE, MMX", p.labelSupModes->text());
  EXPECT_EQ("Windows NT 5.1 (Build 2600)", p.labelWindowsVer->text());
  EXPECT_EQ("4.09.00.0904", p.labelDXVers->text());
  EXPECT_EQ("523,760 KB", p.physmem->text());  // 536,330,240 bytes
  EXPECT_EQ("37 %", p.freemem->text());        // 63 % in use
  EXPECT_EQ("RADEON 8500 Series", p.labelRadeonType->text());
  EXPECT_EQ("64DDR SGRAM", p.labelamountmem->text());
  // The driver lines are start-up's earlier step, not this one's.
  EXPECT_EQ("Can't detect", p.labelDriver->text());
  EXPECT_EQ(0u, sim_.registry.openHandles());
}

TEST_F(SysInfoPageTest, SupportsListsTheExtensionsThatAreExactlyYes) {
  EXPECT_EQ("SSE, SSE2, MMX", supportsWith("\"Yes (Enabled)\"", "\"Yes (Enabled)\"",
                                           "\"No (Disabled)\"", "\"Yes (Enabled)\""));
  EXPECT_EQ("3DNow, MMX", supportsWith("\"No (x)\"", "\"No (x)\"", "\"Yes (x)\"", "\"Yes (x)\""));
  EXPECT_EQ("", supportsWith("\"No (x)\"", "\"No (x)\"", "\"No (x)\"", "\"No (x)\""));
  // Without "(" the head is empty: all four missing.
  EXPECT_EQ("Cannot determine", supportsWith("\"Yes\"", "\"Yes\"", "\"Yes\"", "\"Yes\""));
  EXPECT_EQ("Cannot determine", supportsWith("-", "-", "-", "-"));
  // A value of another type empties that field only.
  EXPECT_EQ("SSE2", supportsWith("dword:00000001", "\"Yes (x)\"", "-", "-"));
  EXPECT_EQ("Cannot determine", supportsWith("dword:00000001", "-", "-", "-"));
}

TEST_F(SysInfoPageTest, CpuNameLosesItsClockFigureWhateverItIs) {
  EXPECT_EQ("Intel(R) Pentium(R) 4 CPU", cpuLabelFor("Intel(R) Pentium(R) 4 CPU 2.00GHz"));
  EXPECT_EQ("Intel(R) Pentium(R) 4 CPU", cpuLabelFor("Intel(R) Pentium(R) 4 CPU 2.40GHz"));
  EXPECT_EQ("Intel(R) Pentium(R) 4 CPU", cpuLabelFor("Intel(R) Pentium(R) 4 CPU 2.53GHz  "));
  EXPECT_EQ("AMD Athlon(tm) XP", cpuLabelFor("AMD Athlon(tm) XP 2000+"));
  EXPECT_EQ("AMD K6-2", cpuLabelFor("AMD K6-2 500"));
  EXPECT_EQ("Cannot detect", cpuLabelFor("i486 100"));  // "i486": four characters
  // A name without a trailing figure is shown whole.
  EXPECT_EQ("AMD Athlon(tm) Processor", cpuLabelFor("AMD Athlon(tm) Processor"));
  EXPECT_EQ("Pentium III 933 MHz", cpuLabelFor("Pentium III 933 MHz"));
  EXPECT_EQ("Cannot detect", cpuLabelFor("2.40GHz"));
  seed(std::string("[-") + (kCpuKey + 1));
  page().FillSystemInfo();
  EXPECT_EQ("Cannot detect", page().labelCPUid->text());
  EXPECT_EQ("Cannot determine", page().labelSupModes->text());
}

TEST_F(SysInfoPageTest, VideoMemoryIsSizeThenType) {
  EXPECT_EQ("64DDR SGRAM", videoMemoryWith("\"64.00 MB\"", "\"DDR SGRAM (x)\""));
  EXPECT_EQ("128SDR", videoMemoryWith("\"128.5\"", "\"SDR (x (y)\""));  // the first "("
  // A size that is not a whole number shows the type alone.
  EXPECT_EQ("DDR", videoMemoryWith("\"64 MB\"", "\"DDR (x)\""));
  EXPECT_EQ("DDR", videoMemoryWith("\"sixty-four.00\"", "\"DDR (x)\""));
  EXPECT_EQ("DDR", videoMemoryWith("\"99999999999.00\"", "\"DDR (x)\""));
  // Values of another type count as missing.
  EXPECT_EQ("DDR", videoMemoryWith("dword:00000040", "\"DDR (x)\""));
  EXPECT_EQ("64", videoMemoryWith("\"64.00 MB\"", "hex:44,44,52"));
  EXPECT_EQ("-1DDR", videoMemoryWith("\"-1.00\"", "\"DDR (x)\""));
}

TEST_F(SysInfoPageTest, WithoutTheMemoryKeyTheCardIsNotDetectedAndTheDriverKeyNotAsked) {
  // Asking for the driver key would report "Cannot find driver" here.
  seed(std::string("[-") + (kMemoryKey + 1) +
       "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n\"\\\\Device\\\\Video0\"=dword:"
       "00000001\n");
  SysInfoPage& p = filled();
  EXPECT_EQ("Cannot detect", p.labelRadeonType->text());
  EXPECT_EQ("Cannot detect", p.labelamountmem->text());
  EXPECT_TRUE(backend_.messages().empty());
  const TRadeonType card = GetRadeonType(platform_, app_);
  EXPECT_EQ(0, card.MemorySize);
  EXPECT_EQ("Cannot detect", card.MemoryType);
  EXPECT_EQ("Cannot detect", card.ReleaseVersion);
}

TEST_F(SysInfoPageTest, CardFactsFromTheDriverKey) {
  driverValues("\"ReleaseVersion\"=\"6.14.10.6343\"\n\"drv\"=dword:00000001\n");
  TRadeonType card = GetRadeonType(platform_, app_);
  EXPECT_EQ("RADEON 8500 Series", card.DeviceDescription);
  EXPECT_EQ("6.14.10.6343", card.ReleaseVersion);
  EXPECT_EQ("", card.DriverName);  // another type than text: missing

  // A lookup that raises reads like an unreadable key.
  own("\"Use_AltPath\"=\"1\"\n");
  card = GetRadeonType(platform_, app_);
  EXPECT_EQ("Cannot detect", card.DeviceDescription);
  EXPECT_EQ("64DDR SGRAM", filled().labelamountmem->text());
  EXPECT_EQ("Cannot detect", page().labelRadeonType->text());

  // An empty driver key is no key: HKEY_LOCAL_MACHINE itself is not read.
  own("\"Use_AltPath\"=dword:00000001\n");
  const std::string text = "Root card";
  sim_.registry.setValue(platform::kHkeyLocalMachine, "Device Description", platform::kRegSz,
                         reinterpret_cast<const std::uint8_t*>(text.c_str()),
                         static_cast<std::uint32_t>(text.size() + 1));
  EXPECT_EQ("", GetRadeonType(platform_, app_).DeviceDescription);
}

TEST_F(SysInfoPageTest, PhysicalMemoryUsesTheUsersThousandSeparator) {
  sim_.os.setThousandSeparator(".");
  EXPECT_EQ("523.760 KB", filled().physmem->text());
  sim_.os.setThousandSeparator("");
  EXPECT_EQ("523760 KB", filled().physmem->text());
  sim_.os.setThousandSeparator("\xA0");  // a no-break space, as some locales have
  platform::MemoryStatus m = sim_.os.memoryStatus();
  m.totalPhys = 4294967296ull + 1023;  // rounded to the nearest kilobyte
  m.memoryLoad = 100;
  sim_.os.setMemoryStatus(m);
  EXPECT_EQ(
      "4\xA0"
      "194\xA0"
      "305 KB",
      filled().physmem->text());
  EXPECT_EQ("0 %", page().freemem->text());
  EXPECT_EQ("999", groupThousands(999, ","));
  EXPECT_EQ("1,000", groupThousands(1000, ","));
  EXPECT_EQ("0", groupThousands(0, ","));
}

TEST_F(SysInfoPageTest, UserWithoutAdministratorRights) {
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  SysInfoPage& p = filled();
  EXPECT_EQ("Cannot detect", p.labelRadeonType->text());
  EXPECT_EQ("", p.labelDXVers->text());
  EXPECT_EQ("AMD Athlon(tm) XP", p.labelCPUid->text());
  EXPECT_EQ("3DNow, SSE, MMX", p.labelSupModes->text());
}

TEST_F(SysInfoPageTest, DirectXVersionAsStoredOrEmpty) {
  seed("[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX]\n\"Version\"=dword:00000009\n");
  EXPECT_EQ("", GetDirectXVersion(platform_));
  seed("[-HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX]\n");
  EXPECT_EQ("", GetDirectXVersion(platform_));
}

TEST_F(SysInfoPageTest, DriverLines) {
  page().ShowDriverLines();
  EXPECT_EQ("ati2dvag", page().labelDriver->text());
  EXPECT_EQ("6.14.10.6343", page().labelVersion->text());
  EXPECT_EQ("Can't detect", page().labelDesktop->text());  // atiptaxx.exe is missing

  driverValues("\"drv\"=dword:00000001\n");
  page().ShowDriverLines();
  EXPECT_EQ("Cannot detect", page().labelDriver->text());
  driverValues("\"drv\"=-\n");
  page().ShowDriverLines();
  EXPECT_EQ("", page().labelDriver->text());
  EXPECT_EQ(0u, sim_.registry.openHandles());
}

TEST_F(SysInfoPageTest, DriverLineWhenTheDriverKeyCannotBeFound) {
  // The lookup raises: shown like a read error, the error itself left to
  // the later steps, so it is reported once.
  own("\"Use_AltPath\"=\"0\"\n");
  page().ShowDriverLines();
  EXPECT_EQ("Cannot detect", page().labelDriver->text());
  EXPECT_TRUE(backend_.messages().empty());

  // No driver key: nothing is read at the root of HKEY_LOCAL_MACHINE.
  own("\"Use_AltPath\"=dword:00000001\n");
  const std::string drv = "rootdrv";
  sim_.registry.setValue(platform::kHkeyLocalMachine, "drv", platform::kRegSz,
                         reinterpret_cast<const std::uint8_t*>(drv.c_str()),
                         static_cast<std::uint32_t>(drv.size() + 1));
  page().ShowDriverLines();
  EXPECT_EQ("", page().labelDriver->text());

  // A driver that is not installed.
  own("\"Use_AltPath\"=dword:00000000\n");
  seed(std::string("[-HKEY_LOCAL_MACHINE\\") + testing::kDriverKey + "]\n");
  page().ShowDriverLines();
  EXPECT_EQ("", page().labelDriver->text());
}

}  // namespace
}  // namespace kl::sysinfo
