// End-to-end: the shell of the real Kestrelune.exe under Wine. The System
// Information page, the notification icon and its menu, the help and About
// windows, the driver removal, start-ups that a fault cut short, and a long
// session of Applies and About openings. The About window's screenshot goes
// to the folder named by KL_SCREENSHOTS.
#include <cstdio>

#include "e2e_shell_support.h"

namespace kl::e2e {
namespace {

using namespace shell;

constexpr char kProgramKey[] = "Software\\Kestrelune";
constexpr char kInstall[] = "C:\\Program Files\\Kestrelune\\";
// The tray menu's items, separators not counted.
constexpr int kOpenKestrelune = 0, kMinimize = 1, kTrayProfiles = 5, kClose = 6;

// The program started, by default until its main window shows; `trayIcon`
// is the icon it added to Wine's tray. Closed at the end if still running.
class Running {
 public:
  explicit Running(const char* version = windowsOfRun(), bool waitForMain = true)
      : before_(trayIcons()), program(version) {
    startError = program.started() ? 0 : GetLastError();
    if (program.started() && waitForMain) attach();
  }
  ~Running() {
    if (program.started() && main && IsWindow(main)) {
      PostMessageA(main, WM_CLOSE, 0, 0);
      program.ended();
    }
  }
  // Waits for the main window (after start-up's messages, say).
  void attach() {
    main = waitNamedWindow(program.pid(), "MainForm");
    if (main) SetForegroundWindow(main);
  }
  HWND trayIcon() { return newTrayIcon(before_); }
  HWND control(const std::string& name) { return findControl(main, name); }
  DWORD pid() { return program.pid(); }

 private:
  std::set<HWND> before_;

 public:
  Kestrelune program;
  DWORD startError = 0;
  HWND main = nullptr;
};

// Why the main window did not come: for the failure messages.
std::string noMainWindow(Running& run) {
  if (!run.program.started())
    return "Kestrelune.exe did not start: error " + std::to_string(run.startError);
  if (run.program.ended(0ms)) return "Kestrelune.exe has ended";
  return "no main window; windows shown:" + visibleWindows(run.pid());
}

// A click on the DirectX page's "V-Sync", which marks the window modified.
void markModified(Running& run) {
  HWND tabs = run.control("TabPages");
  if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != 1) run.program.clickTab(tabs, 1);
  click(run.control("checkVSync"));
  EXPECT_TRUE(waitFor([&] { return textOf(run.main) == "Kestrelune *"; }));
}

// A saving Apply with real input: a box clicked, Apply, the progress
// dialog's OK once the bar is full.
void savingApply(Running& run) {
  markModified(run);
  click(run.control("buttonApply"));
  confirmProgress(run.program, run.main);
  if (textOf(run.main) != "Kestrelune") ADD_FAILURE() << visibleWindows(run.pid());
}

// Help > About with the keyboard; the window once it is shown.
HWND openAbout(Running& run) {
  SetForegroundWindow(run.main);
  settle(run.main);
  altKey('H');
  if (!waitFor([] { return openMenu() != nullptr; }, 5000ms)) return nullptr;
  key('A');
  return waitNamedWindow(run.pid(), "formAbout");
}

BYTE opacity(HWND window) {
  BYTE alpha = 0;
  DWORD flags = 0;
  if (!GetLayeredWindowAttributes(window, nullptr, &alpha, &flags)) return 0;
  return alpha;
}

void closeAbout(Running& run, HWND about) {
  click(findControl(about, "Button1"));
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(about); })) << "the About window stays open";
  settle(run.main);
}

// ---- System Information

TEST_F(EndToEnd, TheSystemInformationPageShowsTheSeededMachine) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  MEMORYSTATUSEX memory{};
  memory.dwLength = sizeof memory;
  GlobalMemoryStatusEx(&memory);
  char separator[8] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, separator, sizeof separator);
  std::string total = std::to_string((memory.ullTotalPhys + 512) / 1024);
  for (int at = static_cast<int>(total.size()) - 3; at > 0; at -= 3) total.insert(at, separator);

  EXPECT_EQ("Intel(R) Pentium(R) 4 CPU", textOf(run.control("labelCPUid")));
  EXPECT_EQ("SSE, SSE2, MMX", textOf(run.control("labelSupModes")));
  EXPECT_EQ(onWindows2000() ? "Windows NT 5.0 (Build 2195: Service Pack 4)"
                           : "Windows NT 5.1 (Build 2600: Service Pack 3)",
            textOf(run.control("labelWindowsVer")));
  EXPECT_EQ("4.09.00.0904", textOf(run.control("labelDXVers")));
  EXPECT_EQ(total + " KB", textOf(run.control("physmem")));
  const std::string free = textOf(run.control("freemem"));
  EXPECT_TRUE(free.size() > 2 && free.substr(free.size() - 2) == " %" &&
              free.find_first_not_of("0123456789") == free.size() - 2)
      << free;
  EXPECT_EQ("RADEON 8500 Series", textOf(run.control("labelRadeonType")));
  EXPECT_EQ("64DDR SGRAM", textOf(run.control("labelamountmem")));
  EXPECT_EQ("ati2dvag", textOf(run.control("labelDriver")));
}

// ---- the notification icon

TEST_F(EndToEnd, TheTrayIconHasItsTipAndMinimisingHidesTheWindowUntilOpenKestrelune) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND icon = run.trayIcon();
  ASSERT_NE(nullptr, icon) << "no new icon in Wine's tray";
  EXPECT_EQ("Kestrelune 1.60", trayTip(icon));
  HWND owner = programTrayWindow(run.pid());
  ASSERT_NE(nullptr, owner);
  EXPECT_TRUE(shellHasIcon(owner, 1));  // also while the window is shown

  // The window's own minimise box: the window goes, hidden, and with it its
  // taskbar button.
  ASSERT_TRUE(clickMinimizeBox(run.main)) << "no minimise box found";
  EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(run.main); }));
  EXPECT_TRUE(shellHasIcon(owner, 1));

  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kOpenKestrelune));
  EXPECT_TRUE(waitFor([&] { return IsWindowVisible(run.main) && !IsIconic(run.main); }));
  EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == run.main; }));

  // The menu's "Minimize" does the same.
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kMinimize));
  EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(run.main); }));
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kOpenKestrelune));
  EXPECT_TRUE(waitFor([&] { return IsWindowVisible(run.main) != FALSE; }));

  // "Close" ends the program, and the icon goes with it.
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kClose));
  EXPECT_TRUE(run.program.ended());
  EXPECT_TRUE(waitFor([&] { return trayIcons().count(icon) == 0 || !IsWindowVisible(icon); }));
}

// A profile of the installation's profile folder that switches VSync off.
bool writeVSyncProfile(const std::string& name) {
  const std::string file = std::string(kProfiles) + name;
  HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return false;
  const char text[] = "[DirectX]\r\nVSync=0\r\n";
  DWORD written = 0;
  const bool ok = WriteFile(out, text, sizeof text - 1, &written, nullptr) && written == sizeof text - 1;
  CloseHandle(out);
  return ok;
}

// The tray's "Profiles" lists the profile folder alphabetically; its first
// entry, chosen, is applied as File > Open applies it.
TEST_F(EndToEnd, TheTraysProfilesSubmenuAppliesAProfile) {
  const std::string driver = driverKey();
  setText(HKEY_LOCAL_MACHINE, driver, "VSync", "1");
  ASSERT_TRUE(writeVSyncProfile("A first game.kpf"));
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND icon = run.trayIcon();
  ASSERT_NE(nullptr, icon);
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  for (int i = 0; i <= kTrayProfiles; ++i) key(VK_DOWN);
  key(VK_RIGHT);  // opens "Profiles" on its first entry
  key(VK_RETURN);
  confirmProgress(run.program, run.main);
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driver, "VSync"));
}

// A second start brings the running window back from the tray and ends.
TEST_F(EndToEnd, ASecondStartBringsTheRunningWindowToTheFront) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  ASSERT_TRUE(clickMinimizeBox(run.main)) << "no minimise box found";
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(run.main); }));
  const RunResult second = runProgram("\"" + installedProgram() + "\"");
  EXPECT_TRUE(second.ended);
  EXPECT_EQ(0u, second.exitCode);
  EXPECT_TRUE(waitFor([&] { return IsWindowVisible(run.main) && !IsIconic(run.main); }));
  EXPECT_TRUE(waitFor([&] { return GetForegroundWindow() == run.main; }));
}

// "Kestrelune.exe /profile FILE /silent" from a shortcut: no window, no box,
// and the exit code says what became of the profile; with a copy running,
// that copy applies it.
TEST_F(EndToEnd, AProfileFromAShortcutSaysWhatHappenedInItsExitCode) {
  const std::string driver = driverKey();
  setText(HKEY_LOCAL_MACHINE, driver, "VSync", "1");
  const std::string command = "\"" + installedProgram() + "\" /profile ";
  ASSERT_TRUE(writeVSyncProfile("Shortcut game.kpf"));
  const std::string sample = "\"" + std::string(kProfiles) + "Shortcut game.kpf\" /silent";
  RunResult run = runProgram(command + sample, 60000ms);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(0u, run.exitCode);
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driver, "VSync"));

  run = runProgram(command + "\"C:\\No such profile.kpf\" /silent", 60000ms);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(1u, run.exitCode);
  run = runProgram(command + "\"" + installedProgram() + "\" /silent", 60000ms);  // no profile
  EXPECT_EQ(1u, run.exitCode);

  setText(HKEY_LOCAL_MACHINE, driver, "VSync", "1");
  Running running;
  ASSERT_NE(nullptr, running.main) << noMainWindow(running);
  run = runProgram(command + sample, 60000ms);
  ASSERT_TRUE(run.ended);
  EXPECT_EQ(3u, run.exitCode);
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driver, "VSync"));
  EXPECT_EQ(nullptr, messageBox(running.pid()));
}

// ---- help and About

TEST_F(EndToEnd, F1ShowsTheHelpWindowWithTheInstallationsDocuments) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  SetForegroundWindow(run.main);
  settle(run.main);
  key(VK_F1);
  HWND help = waitNamedWindow(run.pid(), "formHelp");
  ASSERT_NE(nullptr, help) << "F1 showed no help window";
  EXPECT_EQ("Kestrelune Help", textOf(help));
  // The main window still takes input: the help window does not block.
  EXPECT_TRUE(IsWindowEnabled(run.main));
  // Wine has no HTML engine here: each browser shows its document's path
  // in its first line. Each is on a page of its own, made when shown.
  const std::pair<const char*, std::string> browsers[] = {
      {"HelpBrowser", std::string(kInstall) + "Help\\Help.htm"},
      {"webVersion", std::string(kInstall) + "Help\\History.htm"}};
  int page = 0;
  for (const auto& [name, document] : browsers) {
    run.program.clickTab(findControl(help, "HelpPages"), page++);
    HWND browser = findControl(help, name);
    ASSERT_NE(nullptr, browser) << name;
    HWND view = FindWindowExA(browser, nullptr, "Edit", nullptr);
    ASSERT_NE(nullptr, view) << name << ": no fallback view (is there an HTML engine?)";
    const std::string text = textOf(view);
    EXPECT_EQ(document, text.substr(0, text.find('\r'))) << name;
  }
  run.program.clickTab(findControl(help, "HelpPages"), 0);
  click(findControl(help, "SpeedButton3"));  // "&Close" hides it
  EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(help); }));
}

TEST_F(EndToEnd, AboutFadesInUntilFullyOpaque) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND about = openAbout(run);
  ASSERT_NE(nullptr, about) << "Help > About showed no window";
  EXPECT_EQ("version 1.60", textOf(findControl(about, "Label4")));
  EXPECT_TRUE((GetWindowLongA(about, GWL_EXSTYLE) & WS_EX_LAYERED) != 0);
  EXPECT_TRUE(waitFor([&] { return opacity(about) == 255; }, 30000ms))
      << "opacity stays at " << static_cast<int>(opacity(about));
  if (const char* folder = std::getenv("KL_SCREENSHOTS")) {
    settle(about);
    screenshot(about, std::string(folder) + "\\window-about.bmp");
  }
  closeAbout(run, about);
}

// ---- driver removal

// The driver's {GUID} key and everything below it, put back when the test
// ends however it ends. Under Wine "{GUID}\\0000" is a link to the adapter's
// key of the display class: the removal, following it, deletes that key, so
// that key is what comes back.
class GuidKeyGuard {
 public:
  GuidKeyGuard() {
    const std::string key = driverKey();
    guid_ = key.substr(0, key.rfind('\\'));
    const std::string target = linkTarget(key);
    saved_ = target.empty() ? guid_ : target;
    tree_ = readTree(HKEY_LOCAL_MACHINE, saved_);
  }
  ~GuidKeyGuard() {
    recreateTree(HKEY_LOCAL_MACHINE, saved_, tree_);
    for (const std::string& file : filesIn(backups(), "driver-*.reg"))
      DeleteFileA((backups() + file).c_str());
    RemoveDirectoryA(backups().c_str());
  }
  const std::string& guid() const { return guid_; }
  static std::string backups() { return std::string(kInstall) + "Backup\\"; }

 private:
  std::string guid_, saved_;
  KeyTree tree_;
};

HWND openRemovalWarning(Running& run) {
  HWND button = run.control("speedclearreg");
  if (!button) return nullptr;
  click(button);
  return waitNamedWindow(run.pid(), "formAtt");
}

TEST_F(EndToEnd, ClearDriverFromRegistryNoRemovesNothing) {
  GuidKeyGuard guard;
  const auto state = [&] {
    return snapshot(HKEY_LOCAL_MACHINE, guard.guid()) + snapshot(HKEY_LOCAL_MACHINE, driverKey()) +
           snapshot(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies");
  };
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  settle(run.main);
  const std::string before = state();  // after start-up's first-run reset
  HWND warning = openRemovalWarning(run);
  ASSERT_NE(nullptr, warning);
  EXPECT_EQ("Attention!", textOf(warning));
  EXPECT_FALSE(IsWindowEnabled(run.main));  // modal
  click(findControl(warning, "Button2"));   // "&No"
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(warning); }));
  settle(run.main);
  EXPECT_EQ(nullptr, messageBox(run.pid()));
  EXPECT_EQ(before, state());
  EXPECT_TRUE(filesIn(GuidKeyGuard::backups(), "driver-*.reg").empty());
  EXPECT_TRUE(IsWindowEnabled(run.control("speedclearreg")));
}

// "&Yes", then "No" to "Remove them anyway?" when the backup fails: the next
// warning, closed with its close box, removes nothing either.
TEST_F(EndToEnd, AWarningClosedWithoutYesRemovesNothingAfterACalledOffRemoval) {
  GuidKeyGuard guard;
  setText(HKEY_CURRENT_USER, "Software\\Kestrelune", "installpath", "");
  const auto state = [&] {
    return snapshot(HKEY_LOCAL_MACHINE, driverKey()) +
           snapshot(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies");
  };
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  settle(run.main);
  const std::string before = state();
  HWND warning = openRemovalWarning(run);
  ASSERT_NE(nullptr, warning);
  click(findControl(warning, "Button1"));  // "&Yes"
  HWND box = waitMessageBox(run.pid());
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::string::npos, childTexts(box).find("Remove them anyway?"));
  ASSERT_TRUE(answerBox(box, "&No") || answerBox(box, "No")) << childTexts(box);
  settle(run.main);
  EXPECT_EQ(before, state());

  warning = openRemovalWarning(run);
  ASSERT_NE(nullptr, warning);
  PostMessageA(warning, WM_SYSCOMMAND, SC_CLOSE, 0);  // what its close box sends
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(warning); }));
  settle(run.main);
  EXPECT_EQ(nullptr, messageBox(run.pid()));
  EXPECT_EQ(before, state());
  EXPECT_TRUE(IsWindowEnabled(run.control("speedclearreg")));
}

// Windows XP keeps the driver's key below Control\Video\{GUID}.
TEST_F(EndToEnd, ClearDriverFromRegistryYesRemovesTheKeysAfterBackingThemUp) {
  GuidKeyGuard guard;
  const std::string driver = driverKey();
  ASSERT_TRUE(keyExists(HKEY_LOCAL_MACHINE, driver + "\\OpenGL\\Private"));
  Running run("winxp");
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND warning = openRemovalWarning(run);
  ASSERT_NE(nullptr, warning);
  click(findControl(warning, "Button1"));  // "&Yes"
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(warning); }));
  // Under Wine the {GUID} key is a registry link that cannot be deleted
  // itself (see below), so the program rightly names it as left in place;
  // on Windows XP it is an ordinary key and no message comes.
  HWND box = waitMessageBox(run.pid());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ("|OK|Some of the driver's registry keys could not be removed, probably for lack of "
            "administrator rights: HKEY_LOCAL_MACHINE\\" + guard.guid() + ".|",
            childTexts(box));
  ASSERT_TRUE(answerBox(box, "OK"));
  settle(run.main);
  EXPECT_EQ(nullptr, messageBox(run.pid()));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies"));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, driver));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, driver + "\\OpenGL"));
  // Nothing of the {GUID} key can be opened any more. Under Wine the key
  // itself stays, holding the link that now leads nowhere, which no
  // program deletes by its name.
  const KeyTree left = readTree(HKEY_LOCAL_MACHINE, guard.guid());
  EXPECT_TRUE(left.values.empty());
  for (const auto& [name, child] : left.children) EXPECT_FALSE(child.exists) << name;
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, guard.guid().substr(0, guard.guid().rfind('\\'))));
  EXPECT_FALSE(IsWindowEnabled(run.control("speedclearreg")));

  const auto backups = filesIn(GuidKeyGuard::backups(), "driver-*.reg");
  ASSERT_EQ(1u, backups.size());
  const std::string text = lowerCase(readFile(GuidKeyGuard::backups() + backups.front()));
  EXPECT_EQ(0u, text.find("regedit4"));
  for (const std::string& line :
       {std::string("[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS\\System\\0]"),
        "[HKEY_LOCAL_MACHINE\\" + driver + "\\OpenGL\\Private]",
        std::string("\"CPU Name\"=\"Intel(R) Pentium(R) 4 CPU 2.00GHz\""),
        std::string("\"drv\"=\"ati2dvag\""), std::string("\"OGLLODBias\"=dword:00000003")})
    EXPECT_NE(std::string::npos, text.find(lowerCase(line))) << line;
}

// Windows 2000 keeps it below the driver's service, Services\ati2mtag\Device0,
// reached here through the alternative path (Wine's own video keys cannot be
// deleted): the removal shows the parent path, then deletes ati2mtag whole.
TEST_F(EndToEnd, ClearDriverFromRegistryOnWindows2000ShowsTheServicesKeyAndRemovesIt) {
  GuidKeyGuard guard;  // the backups go with it
  const std::string services = "System\\CurrentControlSet\\Services";
  const std::string base = services + "\\ati2mtag\\Device0";
  const auto removeService = [&] {
    clearKey(HKEY_LOCAL_MACHINE, services + "\\ati2mtag");
    HKEY parent;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, services.c_str(), 0, KEY_ALL_ACCESS, &parent) == 0) {
      RegDeleteKeyA(parent, "ati2mtag");
      RegCloseKey(parent);
    }
  };
  const struct Cleanup {
    std::function<void()> run;
    ~Cleanup() { run(); }
  } cleanup{removeService};
  setText(HKEY_LOCAL_MACHINE, base, "drv", "ati2dvag");
  setRaw(HKEY_LOCAL_MACHINE, base + "\\OpenGL\\Private", "OGLTiling", REG_DWORD, {1, 0, 0, 0});
  setText(HKEY_CURRENT_USER, kProgramKey, "AlternativePath", base);
  setRaw(HKEY_CURRENT_USER, kProgramKey, "Use_AltPath", REG_DWORD, {1, 0, 0, 0});
  Running run("win2k");
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND warning = openRemovalWarning(run);
  ASSERT_NE(nullptr, warning);
  click(findControl(warning, "Button1"));  // "&Yes"
  HWND box = waitMessageBox(run.pid());
  ASSERT_NE(nullptr, box);
  EXPECT_EQ("|OK|" + services + "|", childTexts(box));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, base));  // the box comes first
  ASSERT_TRUE(answerBox(box, "OK"));
  settle(run.main);
  EXPECT_EQ(nullptr, messageBox(run.pid()));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, services + "\\ati2mtag"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, services));
  EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies"));
  EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, driverKey()));  // the video key is not the driver's
  EXPECT_FALSE(IsWindowEnabled(run.control("speedclearreg")));
  const auto backups = filesIn(GuidKeyGuard::backups(), "driver-*.reg");
  ASSERT_EQ(1u, backups.size());
  const std::string text = lowerCase(readFile(GuidKeyGuard::backups() + backups.front()));
  for (const std::string& line : {"[HKEY_LOCAL_MACHINE\\" + base + "\\OpenGL\\Private]",
                                  std::string("\"drv\"=\"ati2dvag\"")})
    EXPECT_NE(std::string::npos, text.find(lowerCase(line))) << line;
}

// ---- start-ups that a fault cut short

// The message boxes start-up shows, answered with OK, their texts in order.
std::vector<std::string> answerStartupMessages(Kestrelune& program) {
  std::vector<std::string> texts;
  for (;;) {
    HWND box = nullptr;
    const bool shown = waitFor(
        [&] {
          box = messageBox(program.pid());
          return box || namedWindow(program.pid(), "MainForm");
        },
        15000ms);
    if (!shown || !box) return texts;
    texts.push_back(childTexts(box));
    if (!answerBox(box, "OK")) return texts;
  }
}

std::string value(const char* name) { return valueOf(HKEY_CURRENT_USER, kProgramKey, name); }

std::string dword(BYTE low) { return "4:" + std::string(1, static_cast<char>(low)) + std::string(3, '\0'); }

// A value at the root of HKEY_LOCAL_MACHINE, where no driver value belongs.
bool atTheRoot(const char* name) {
  return RegQueryValueExA(HKEY_LOCAL_MACHINE, name, nullptr, nullptr, nullptr, nullptr) ==
         ERROR_SUCCESS;
}

// Apply through the progress dialog; the texts of the message boxes shown
// after it, each answered with OK, until Apply has returned.
std::vector<std::string> applyAndAnswer(Running& run) {
  click(run.control("buttonApply"));
  HWND progress = waitNamedWindow(run.pid(), "Confirmation");
  EXPECT_NE(nullptr, progress);
  if (!progress) return {};
  HWND ok = findControl(progress, "butOk");
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }));
  click(ok);
  EXPECT_TRUE(waitFor([&] { return !IsWindowVisible(progress); }));
  // Apply goes on in the same command: its next box exists before the
  // program takes messages again.
  std::vector<std::string> texts;
  for (;;) {
    settle(run.main);
    HWND box = messageBox(run.pid());
    if (!box) return texts;
    texts.push_back(childTexts(box));
    if (!answerBox(box, "OK")) return texts;
  }
}

TEST_F(EndToEnd, ASwitchOfTheWrongTypeLeavesWhatStartUpCouldNotReadAsItWas) {
  setText(HKEY_CURRENT_USER, kProgramKey, "Use_AltPath", "0");
  setRaw(HKEY_CURRENT_USER, kProgramKey, "8500", REG_DWORD, {1, 0, 0, 0});
  setRaw(HKEY_CURRENT_USER, kProgramKey, "overclock", REG_DWORD, {1, 0, 0, 0});
  const std::string driverBefore = snapshot(HKEY_LOCAL_MACHINE, driverKey());
  Running run(windowsOfRun(), false);
  ASSERT_TRUE(run.program.started());
  const auto messages = answerStartupMessages(run.program);
  ASSERT_EQ(1u, messages.size());  // the same cause is told once
  EXPECT_NE(std::string::npos, messages[0].find("Invalid data type for 'Use_AltPath'"));
  run.attach();
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  EXPECT_EQ("Cannot detect", textOf(run.control("labelDriver")));

  markModified(run);
  const auto afterApply = applyAndAnswer(run);
  ASSERT_EQ(1u, afterApply.size());
  EXPECT_NE(std::string::npos, afterApply[0].find("could not read these settings when it started"))
      << afterApply[0];
  EXPECT_EQ(dword(1), value("8500"));
  EXPECT_EQ(dword(1), value("overclock"));
  EXPECT_EQ(textValue("0"), value("Use_AltPath"));
  EXPECT_EQ(driverBefore, snapshot(HKEY_LOCAL_MACHINE, driverKey()));
}

TEST_F(EndToEnd, AnAlternativePathSwitchedOnWithoutAPathTouchesNothingAtTheRoot) {
  setRaw(HKEY_CURRENT_USER, kProgramKey, "Use_AltPath", REG_DWORD, {1, 0, 0, 0});
  setText(HKEY_CURRENT_USER, kProgramKey, "FirstRun", "Yes");
  ASSERT_EQ("(absent)", value("AlternativePath"));
  const std::string driverBefore = snapshot(HKEY_LOCAL_MACHINE, driverKey());
  Running run(windowsOfRun(), false);
  ASSERT_TRUE(run.program.started());
  EXPECT_TRUE(answerStartupMessages(run.program).empty());  // no driver key is no error
  run.attach();
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  EXPECT_EQ("", textOf(run.control("labelDriver")));
  const char* restricted[] = {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                              "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"};
  for (const char* name : restricted) EXPECT_FALSE(atTheRoot(name)) << name;
  EXPECT_EQ(textValue("Yes"), value("FirstRun"));  // the reset waits for a driver key

  markModified(run);
  // A write without a driver key fails as any write to a missing key does,
  // and ends Apply.
  for (const std::string& text : applyAndAnswer(run))
    EXPECT_NE(std::string::npos, text.find("Failed to set data for '")) << text;
  for (const char* name : restricted) EXPECT_FALSE(atTheRoot(name)) << name;
  EXPECT_FALSE(atTheRoot("VSync"));
  EXPECT_EQ(textValue("Yes"), value("FirstRun"));
  EXPECT_EQ(driverBefore, snapshot(HKEY_LOCAL_MACHINE, driverKey()));
}

TEST_F(EndToEnd, TheOptionsDialogWithASwitchOfTheWrongTypeOpensAndOkMendsIt) {
  setText(HKEY_CURRENT_USER, kProgramKey, "Use_AltPath", "1");
  Running run(windowsOfRun(), false);
  ASSERT_TRUE(run.program.started());
  answerStartupMessages(run.program);
  run.attach();
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  SetForegroundWindow(run.main);
  settle(run.main);
  altKey('F');  // File, its first item "Options" selected
  ASSERT_TRUE(waitFor([] { return openMenu() != nullptr; }, 5000ms));
  key(VK_RETURN);
  HWND box = waitMessageBox(run.pid());
  ASSERT_NE(nullptr, box);
  EXPECT_NE(std::string::npos, childTexts(box).find("Invalid data type for 'Use_AltPath'"));
  ASSERT_TRUE(answerBox(box, "OK"));
  HWND options = waitNamedWindow(run.pid(), "formOptions");
  ASSERT_NE(nullptr, options);
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(findControl(options, "checkAltPath"), BM_GETCHECK, 0, 0));
  EXPECT_EQ(driverKey(), textOf(findControl(options, "editAltPath")));
  EXPECT_FALSE(IsWindowEnabled(run.main));  // modal
  click(findControl(options, "SpeedButton1"));  // "&Ok"
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(options); })) << "the dialog stays";
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(run.main) != FALSE; }));
  settle(run.main);
  EXPECT_EQ(nullptr, messageBox(run.pid()));
  EXPECT_EQ(dword(0), value("Use_AltPath"));
  EXPECT_EQ(textValue(driverKey()), value("AlternativePath"));
}

// ---- a long session

// Minimised to the tray with its menu, the program's processor use over
// ten seconds (-1 where it cannot be read); opened again after.
void idleInTray(Running& run, HWND icon, double* use) {
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kMinimize));
  ASSERT_TRUE(waitFor([&] { return !IsWindowVisible(run.main); }));
  settle(run.main);
  *use = idleProcessorUse(run.pid(), 10000ms);
  ASSERT_TRUE(openTrayMenu(icon, run.main));
  ASSERT_TRUE(chooseMenuItem(kOpenKestrelune));
  ASSERT_TRUE(waitFor([&] { return IsWindowVisible(run.main) != FALSE; }));
  SetForegroundWindow(run.main);
  settle(run.main);
}

TEST_F(EndToEnd, ManyAppliesAndAboutOpeningsLeaveNoWindowsBehind) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND icon = run.trayIcon();
  ASSERT_NE(nullptr, icon);
  const int atStart = windowCount(run.pid());
  const ULONGLONG timeAtStart = processorTime(run.pid());
  double idleBefore = -1, idleAfter = -1;
  ASSERT_NO_FATAL_FAILURE(idleInTray(run, icon, &idleBefore));

  savingApply(run);
  HWND about = openAbout(run);
  ASSERT_NE(nullptr, about);
  closeAbout(run, about);
  const int afterFirst = windowCount(run.pid());
  for (int i = 1; i < 20; ++i) {
    savingApply(run);
    ASSERT_FALSE(HasFatalFailure()) << "Apply " << i + 1;
  }
  for (int i = 1; i < 10; ++i) {
    about = openAbout(run);
    ASSERT_NE(nullptr, about) << "About " << i + 1;
    closeAbout(run, about);
  }
  const int afterAll = windowCount(run.pid());
  EXPECT_EQ(afterFirst, afterAll);
  idleInTray(run, icon, &idleAfter);
  std::printf("windows of the program: %d at start, %d after the first Apply and About, "
              "%d after 20 Applies and 10 About openings\n",
              atStart, afterFirst, afterAll);
  std::printf("idle CPU in tray: %.2f %% before, %.2f %% after\n", idleBefore, idleAfter);
  std::printf("processor time of the program: %.2f s after start-up, %.2f s at the end "
              "(read to 10 ms)\n",
              static_cast<double>(timeAtStart) / 1e7,
              static_cast<double>(processorTime(run.pid())) / 1e7);
}

// ---- idle figures of a long session (tools/bench runs this; it asserts
// only what does not depend on timing)

struct Idle {
  int windows = 0;
  DWORD gdiObjects = 0, userObjects = 0;
  double wakesPerSecond = -1, processorUse = -1;
  std::string busiest;  // the thread woken most, and how often a second
};

// Moves the pointer to the screen's point (x, y) as the mouse would.
void pointerTo(int x, int y) {
  SetCursorPos(x, y);
  INPUT move = {};
  move.type = INPUT_MOUSE;
  move.mi.dx = static_cast<LONG>(x * 65535LL / (GetSystemMetrics(SM_CXSCREEN) - 1));
  move.mi.dy = static_cast<LONG>(y * 65535LL / (GetSystemMetrics(SM_CYSCREEN) - 1));
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &move, sizeof move);
}

// The idle program over ten seconds, its window in front. The pointer rests
// beside the window unless `over` names a control: left where the harness
// last clicked (over the main window, where the progress dialog's OK was),
// Wine woke the idle main thread about 1,000 times a second in some runs,
// with no timer of the program's running; moved off the window, 0.
Idle idleFigures(Running& run, HWND over = nullptr) {
  SetForegroundWindow(run.main);
  RECT r;
  GetWindowRect(over ? over : run.main, &r);
  if (over)
    pointerTo((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  else
    pointerTo(r.right + 20, r.bottom + 20);
  settle(run.main);
  Idle idle;
  idle.windows = windowCount(run.pid());
  if (HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, run.pid())) {
    idle.gdiObjects = GetGuiResources(process, GR_GDIOBJECTS);
    idle.userObjects = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
  }
  const auto before = wakeCounts();
  const auto start = std::chrono::steady_clock::now();
  idle.processorUse = idleProcessorUse(run.pid(), 10000ms);
  const auto after = wakeCounts();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (before.empty() || after.empty()) return idle;
  long long total = 0, most = -1;
  for (const auto& [thread, wakes] : after) {
    const auto was = before.find(thread);
    const long long woken = wakes - (was == before.end() ? 0 : was->second);
    total += woken;
    if (woken > most) {
      most = woken;
      idle.busiest = thread + " " + std::to_string(static_cast<long long>(woken / seconds)) + "/s";
    }
  }
  idle.wakesPerSecond = total / seconds;
  return idle;
}

void printIdle(const char* when, const Idle& idle) {
  std::printf("%-34s %5d windows %5lu GDI %5lu USER objects %8.1f wakes/s %6.2f %% CPU"
              " (most: %s)\n",
              when, idle.windows, idle.gdiObjects, idle.userObjects, idle.wakesPerSecond,
              idle.processorUse, idle.busiest.c_str());
}

// What a repeated command leaves behind: as much as its first run did.
void expectFlat(const Idle& first, const Idle& last, const char* what) {
  EXPECT_EQ(first.windows, last.windows) << what;
  EXPECT_EQ(first.gdiObjects, last.gdiObjects) << what;
  EXPECT_EQ(first.userObjects, last.userObjects) << what;
}

// Start-up, 100 saving Applies, 20 openings of About and a profile saved and
// opened: idle after each, the figures of the first and of the last.
TEST_F(EndToEnd, DISABLED_IdleFiguresOfALongSession) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  std::printf("(GDI and USER objects read 0 where Wine does not count them)\n");
  printIdle("after start-up", idleFigures(run));
  savingApply(run);
  const Idle firstApply = idleFigures(run);
  printIdle("after 1 saving Apply", firstApply);
  for (int i = 1; i < 100; ++i) {
    savingApply(run);
    ASSERT_FALSE(HasFatalFailure()) << "Apply " << i + 1;
  }
  const Idle hundredApplies = idleFigures(run);
  printIdle("after 100 saving Applies", hundredApplies);
  expectFlat(firstApply, hundredApplies, "100 Applies");
  Idle firstAbout, lastAbout;
  for (int i = 0; i < 20; ++i) {
    HWND about = openAbout(run);
    ASSERT_NE(nullptr, about) << "About " << i + 1;
    closeAbout(run, about);
    if (i == 0) printIdle("after 1 opening of About", firstAbout = idleFigures(run));
  }
  printIdle("after 20 openings of About", lastAbout = idleFigures(run));
  expectFlat(firstAbout, lastAbout, "20 openings of About");
  const std::string file = std::string(kProfiles) + "idle.kpf";
  DeleteFileA(file.c_str());
  SetForegroundWindow(run.main);
  ctrlKey('S');
  ASSERT_NE(nullptr, run.program.waitWindow("Save Profile"));
  typeText(file);
  key(VK_RETURN);
  ASSERT_TRUE(waitFor([&] { return run.program.window("Save Profile") == nullptr; }));
  settle(run.main);
  ctrlKey('O');
  ASSERT_NE(nullptr, run.program.waitWindow("Load Profile"));
  typeText(file);
  key(VK_RETURN);
  confirmProgress(run.program, run.main);
  printIdle("after a profile saved and opened", idleFigures(run));
  printIdle("the pointer resting on Apply", idleFigures(run, run.control("buttonApply")));
  DeleteFileA(file.c_str());
}

TEST_F(EndToEnd, TrayCloseDuringTheProgressDialogLeavesTheProgramRunning) {
  Running run;
  ASSERT_NE(nullptr, run.main) << noMainWindow(run);
  HWND icon = run.trayIcon();
  ASSERT_NE(nullptr, icon);
  markModified(run);
  click(run.control("buttonApply"));
  HWND progress = waitNamedWindow(run.pid(), "Confirmation");
  ASSERT_NE(nullptr, progress);
  // While the dialog runs the tray shows no menu; should one come, its
  // "Close" is chosen as a user would.
  click(icon, true);
  if (waitFor([] { return openMenu() != nullptr; }, 3000ms)) chooseMenuItem(kClose);
  EXPECT_FALSE(run.program.ended(0ms));
  EXPECT_TRUE(IsWindowVisible(progress));
  HWND ok = findControl(progress, "butOk");
  ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }));
  click(ok);
  finishApply(run.program, run.main);
  EXPECT_EQ(textValue("1"), valueOf(HKEY_LOCAL_MACHINE, driverKey(), "VSync"));
  settle(run.main);
  EXPECT_FALSE(run.program.ended(0ms));  // nothing was left queued
}

}  // namespace
}  // namespace kl::e2e
