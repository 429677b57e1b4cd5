// The program as the setup installs it (KL_E2E_PROGRAM names the installed
// Kestrelune.exe; tests/wine/installer.sh runs this right after a silent
// setup): it starts from its folder with the first-run reset, its help
// documents are where its key says, and a sample profile opened by its bare
// name from the profile dialog, which starts in the installation's
// "Profiles", reaches the driver's registry.
#include <cstdio>

#include "e2e_support.h"

namespace kl::e2e {
namespace {

const auto* const kRestoreAtExit = ::testing::AddGlobalTestEnvironment(new RestoreAtExit);

bool fileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

using Installed = EndToEnd;

TEST_F(Installed, StartsWithTheFirstRunResetAndItsHelpIsWhereItsKeySays) {
  const char* program = std::getenv("KL_E2E_PROGRAM");
  ASSERT_NE(nullptr, program) << "KL_E2E_PROGRAM must name the installed Kestrelune.exe";
  const std::string folder = programText("installpath");
  ASSERT_EQ(folder + "Kestrelune.exe", program);
  EXPECT_TRUE(fileExists(folder + "Help\\Help.htm"));
  EXPECT_TRUE(fileExists(folder + "Help\\History.htm"));
  EXPECT_TRUE(fileExists(folder + "OC\\StartupOverclock.exe"));
  ASSERT_EQ("Yes", programText("FirstRun"));
  const std::string driver = driverKey();
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1", "DALRestrictedModesBCD2",
                           "DALRestrictedModesBCD3"})
    setRaw(HKEY_LOCAL_MACHINE, driver, name, REG_BINARY, {0x06, 0x40, 0x04, 0x80, 0, 0, 0, 0x60});

  Kestrelune kestrelune("winxp");
  ASSERT_TRUE(kestrelune.started());
  HWND main = kestrelune.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  EXPECT_EQ("Kestrelune 1.60", textOf(findControl(main, "statusBar")));
  EXPECT_TRUE(waitFor([] { return programText("FirstRun") == "No"; }));
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1", "DALRestrictedModesBCD2",
                           "DALRestrictedModesBCD3"})
    EXPECT_EQ("3:", valueOf(HKEY_LOCAL_MACHINE, driver, name)) << name;  // empty REG_BINARY
  // The pins the reset emptied, and every setting, were saved before.
  EXPECT_TRUE(fileExists(folder + "Profiles\\Settings before Kestrelune.kpf"));
  const std::string modes = folder + "Backup\\Display modes before Kestrelune.reg";
  std::string text(4096, '\0');
  FILE* in = std::fopen(modes.c_str(), "rb");
  ASSERT_NE(nullptr, in) << modes;
  text.resize(std::fread(&text[0], 1, text.size(), in));
  std::fclose(in);
  EXPECT_NE(std::string::npos, text.find("\"DALRestrictedModesBCD3\"=hex:06,40,04,80,00,00,00,60"))
      << text;
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(kestrelune.ended());
}

TEST_F(Installed, ASampleProfileOpenedByItsNameFromTheProfilesFolderApplies) {
  const std::string driver = driverKey();
  setText(HKEY_LOCAL_MACHINE, driver, "VSync", "1");
  setText(HKEY_LOCAL_MACHINE, driver, "DisableHyperZ", "1");
  Kestrelune kestrelune("winxp");
  HWND main = kestrelune.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  ctrlKey('O');
  HWND dialog = kestrelune.waitWindow("Load Profile");
  ASSERT_NE(nullptr, dialog);
  RECT r;
  GetWindowRect(dialog, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);  // the keyboard follows the pointer
  typeText("Best speed.kpf");
  key(VK_RETURN);
  confirmProgress(kestrelune, main);
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driver, "VSync"));
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driver, "DisableHyperZ"));
  EXPECT_EQ(textValue("1"), valueOf(HKEY_LOCAL_MACHINE, driver, "FastZClearEnabled"));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(kestrelune.ended());
}

// Run after a reinstall (tests/wine/installer.sh): the first start after it
// is no first run, so the refresh rates the user pinned stay as they are.
TEST_F(Installed, AfterAReinstallThePinnedRefreshRatesStay) {
  ASSERT_EQ("No", programText("FirstRun"));
  const std::string driver = driverKey();
  const std::vector<BYTE> pins = {0x06, 0x40, 0x04, 0x80, 0, 0, 0, 0x60};
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1"})
    setRaw(HKEY_LOCAL_MACHINE, driver, name, REG_BINARY, pins);
  const std::string before = valueOf(HKEY_LOCAL_MACHINE, driver, "DALRestrictedModesBCD");
  Kestrelune kestrelune("winxp");
  HWND main = kestrelune.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(kestrelune.ended());
  EXPECT_EQ("No", programText("FirstRun"));
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1"})
    EXPECT_EQ(before, valueOf(HKEY_LOCAL_MACHINE, driver, name)) << name;
}

// The setup (KL_SETUP, run silently) recognises Kestrelune by its mutex: a
// window of another program with the same class does not stop it, the
// running program does (exit code 2).
TEST_F(Installed, TheSetupRefusesOnlyWhileKestreluneRuns) {
  const char* setup = std::getenv("KL_SETUP");
  ASSERT_NE(nullptr, setup) << "KL_SETUP must name the setup program";
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "TMainForm";
  ASSERT_NE(0, RegisterClassA(&wc));
  HWND other = CreateWindowA("TMainForm", "Another program", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                             nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, other);
  const RunResult beside = runProgram("\"" + std::string(setup) + "\" /S", 180000ms);
  EXPECT_TRUE(beside.ended);
  EXPECT_EQ(0u, beside.exitCode) << beside.output;
  DestroyWindow(other);
  UnregisterClassA("TMainForm", wc.hInstance);

  Kestrelune kestrelune("winxp");
  HWND main = kestrelune.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  const RunResult refused = runProgram("\"" + std::string(setup) + "\" /S", 180000ms);
  EXPECT_TRUE(refused.ended);
  EXPECT_EQ(2u, refused.exitCode) << refused.output;
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(kestrelune.ended());
}

}  // namespace
}  // namespace kl::e2e
