// End-to-end: the Overclocking page of the real Kestrelune.exe against the
// r6probe test driver. Every test starts the driver afresh with the Radeon
// 8500 (its power-on state) unless it picks another card, and looks at the
// card through KlProbeTool, the same device requests the program makes.
#include "e2e_support.h"

namespace kl::e2e {
namespace {

constexpr int kOverclockingPage = 7;
constexpr DWORD kPllClockSource = 0x0D;
constexpr DWORD kTimingRegister = 0x0144;
constexpr DWORD kAsynchronous = 2, kSynchronous = 7;

// The last test may leave the driver stopped or with another card: the run
// ends with the demo card, as the harness set it up.
class DemoCardAtExit : public ::testing::Environment {
 public:
  void TearDown() override { EXPECT_TRUE(startDriverWithCard("r8500")); }
};
const auto* const kDemoCardAtExit = ::testing::AddGlobalTestEnvironment(new DemoCardAtExit);

class Overclocking : public EndToEnd {
 protected:
  void SetUp() override {
    EndToEnd::SetUp();
    ASSERT_TRUE(startDriverWithCard("r8500"));
  }

  // Starts the program and shows the page.
  HWND openPage(Kestrelune& program) {
    HWND main = program.waitWindow("Kestrelune");
    if (!main) return nullptr;
    program.clickTab(findControl(main, "TabPages"), kOverclockingPage);
    settle(main);
    return main;
  }

  // Gives the bar the focus with a click on its thumb, then moves it with
  // the arrow keys, one step each.
  static ::testing::AssertionResult moveBar(Kestrelune& program, HWND bar, int steps) {
    const LRESULT from = SendMessageA(bar, TBM_GETPOS, 0, 0);
    const POINT thumb = thumbCentre(program, bar);
    mouseAt(thumb.x, thumb.y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    if (!waitFor([&] { return focusedControl(bar) == bar; }, 5000ms))
      return ::testing::AssertionFailure() << "the click on the thumb gave the bar no focus";
    for (int i = 0; i < (steps < 0 ? -steps : steps); ++i) key(steps < 0 ? VK_LEFT : VK_RIGHT);
    if (!waitFor([&] { return SendMessageA(bar, TBM_GETPOS, 0, 0) == from + steps; }, 5000ms))
      return ::testing::AssertionFailure()
             << "the bar went from " << from << " to " << SendMessageA(bar, TBM_GETPOS, 0, 0)
             << ", not " << from + steps;
    return ::testing::AssertionSuccess();
  }

  // Waits until PLL register 0x0A holds `expected`.
  static ::testing::AssertionResult dividersBecome(DWORD expected) {
    DWORD dividers = 0;
    ::testing::AssertionResult read = ::testing::AssertionSuccess();
    waitFor([&] { return (read = probeWord("read-pll", 0x0A, &dividers)) && dividers == expected; },
            5000ms);
    if (!read) return read;
    if (dividers == expected) return ::testing::AssertionSuccess();
    char text[80];
    snprintf(text, sizeof text, "PLL 0x0A holds 0x%08lX, not 0x%08lX",
             static_cast<unsigned long>(dividers), static_cast<unsigned long>(expected));
    return ::testing::AssertionFailure() << text;
  }
};

DWORD withCore(DWORD dividers, unsigned core) { return (dividers & ~0x00FF0000u) | core << 16; }

TEST_F(Overclocking, ThePageShowsTheClocksAndPresetsTheCardRuns) {
  // Timing and latency of the catalogue cards: the 8500 runs Medium and
  // Medium, the 9000 Slow and Fast (the lists: Slow, Medium, Fast and
  // Medium, Fast).
  struct Expected {
    const char* card;
    int timing, latency;
  };
  for (const Expected& e : {Expected{"r8500", 1, 0}, Expected{"r9000", 0, 1}}) {
    SCOPED_TRACE(e.card);
    ASSERT_TRUE(startDriverWithCard(e.card));
    CardClocks card;
    ASSERT_TRUE(readCardClocks(&card));
    Kestrelune program(windowsOfRun());
    HWND main = openPage(program);
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(card.caption(card.core()), textOf(findControl(main, "labelCoreSpeed")));
    EXPECT_EQ(card.caption(card.memory()), textOf(findControl(main, "labelMEMSpeed")));
    HWND core = findControl(main, "trackCoreSpeed"), memory = findControl(main, "trackMEMSpeed");
    EXPECT_EQ(static_cast<LRESULT>(card.core()), SendMessageA(core, TBM_GETPOS, 0, 0));
    EXPECT_EQ(static_cast<LRESULT>(card.memory()), SendMessageA(memory, TBM_GETPOS, 0, 0));
    // The lowest position is the first whole step at or above the BIOS minimum.
    const LRESULT lowest = static_cast<LRESULT>(
        (card.minimumClock * card.r() + card.referenceFrequency - 1) / card.referenceFrequency);
    EXPECT_EQ(lowest, SendMessageA(core, TBM_GETRANGEMIN, 0, 0));
    EXPECT_EQ(200, SendMessageA(memory, TBM_GETRANGEMAX, 0, 0));
    EXPECT_EQ(e.timing, SendMessageA(findControl(main, "comboTimings"), CB_GETCURSEL, 0, 0));
    EXPECT_EQ(e.latency, SendMessageA(findControl(main, "comboLatency"), CB_GETCURSEL, 0, 0));
    EXPECT_NE(FALSE, IsWindowEnabled(findControl(main, "buttApplyOC")));
    EXPECT_TRUE(closeProgram(program, main));
  }
}

TEST_F(Overclocking, ApplySettingsProgramsTheMovedClockAndDefaultSettingsRestoresIt) {
  CardClocks card;
  ASSERT_TRUE(readCardClocks(&card));
  DWORD powerOnSource = 0;
  ASSERT_TRUE(probeWord("read-pll", kPllClockSource, &powerOnSource));
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program);
  ASSERT_NE(nullptr, main);
  HWND core = findControl(main, "trackCoreSpeed");
  ASSERT_TRUE(moveBar(program, core, -3));
  EXPECT_TRUE(waitFor([&] {
    return textOf(findControl(main, "labelCoreSpeed")) == card.caption(card.core() - 3);
  }));
  EXPECT_EQ(card.caption(card.memory()), textOf(findControl(main, "labelMEMSpeed")));
  DWORD unchanged = 0;
  ASSERT_TRUE(probeWord("read-pll", 0x0A, &unchanged));
  EXPECT_EQ(card.dividers, unchanged) << "moving the bar alone programs nothing";

  HWND apply = findControl(main, "buttApplyOC");
  ASSERT_NE(FALSE, IsWindowEnabled(apply));
  click(apply);
  // Only the core divider changes; the clocks now differ, so they run apart.
  EXPECT_TRUE(dividersBecome(withCore(card.dividers, card.core() - 3)));
  DWORD source = 0;
  ASSERT_TRUE(probeWord("read-pll", kPllClockSource, &source));
  EXPECT_EQ(kAsynchronous, source & 7);
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  EXPECT_EQ(card.caption(card.core() - 3), textOf(findControl(main, "labelCoreSpeed")));

  // Default Settings: both clocks at the BIOS default, in whole steps, from
  // one synthesiser.
  const unsigned defaultSteps = card.defaultClock * card.r() / card.referenceFrequency;
  click(findControl(main, "butDefault"));
  EXPECT_TRUE(dividersBecome((card.dividers & 0xFF) | defaultSteps << 8 | defaultSteps << 16));
  ASSERT_TRUE(probeWord("read-pll", kPllClockSource, &source));
  EXPECT_EQ(kSynchronous, source & 7);
  EXPECT_EQ(powerOnSource & 7, source & 7);
  EXPECT_TRUE(waitFor([&] { return SendMessageA(core, TBM_GETPOS, 0, 0) == static_cast<LRESULT>(defaultSteps); }));
  EXPECT_EQ(card.caption(defaultSteps), textOf(findControl(main, "labelCoreSpeed")));
  EXPECT_EQ(card.caption(defaultSteps), textOf(findControl(main, "labelMEMSpeed")));
  EXPECT_TRUE(closeProgram(program, main));
}

TEST_F(Overclocking, TheStartupOptionIsStoredAndStartupOverclockReappliesItOnAFreshCard) {
  CardClocks card;
  ASSERT_TRUE(readCardClocks(&card));
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program);
  ASSERT_NE(nullptr, main);
  HWND startup = findControl(main, "checkRunAtStartup");
  click(startup);
  ASSERT_TRUE(waitFor([&] { return SendMessageA(startup, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  HWND applyTiming = findControl(main, "checkapplytiming");
  click(applyTiming);
  ASSERT_TRUE(waitFor([&] { return SendMessageA(applyTiming, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  ASSERT_TRUE(pickItem(program, findControl(main, "comboTimings"), 2));  // Fast
  ASSERT_TRUE(moveBar(program, findControl(main, "trackCoreSpeed"), -4));
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  applyAll(program, main);

  const std::string installPath = "C:\\Program Files\\Kestrelune\\";
  EXPECT_EQ(textValue("\"" + installPath + "OC\\StartupOverclock.exe\""),
            valueOf(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                    "Kestrelune"));
  EXPECT_EQ(dwordValue(1), valueOf(HKEY_CURRENT_USER, "Software\\Kestrelune", "overclock"));
  EXPECT_EQ(dwordValue(0), valueOf(HKEY_CURRENT_USER, "Software\\Kestrelune", "8500"));
  // The registry lists values by name, so the order they were written in
  // does not show here.
  const KeyTree info = readTree(HKEY_CURRENT_USER, "Software\\Kestrelune\\OCInfo");
  std::map<std::string, std::string> stored;
  for (const auto& v : info.values)
    stored[v.name] = std::to_string(v.type) + ":" + std::string(v.data.begin(), v.data.end());
  EXPECT_EQ((std::map<std::string, std::string>{{"Core", textValue(card.caption(card.core() - 4))},
                                                {"Mem", textValue(card.caption(card.memory()))},
                                                {"Lat", textValue("0")},
                                                {"Tim", textValue("2")},
                                                {"apply_tim", dwordValue(1)},
                                                {"apply_lat", dwordValue(0)},
                                                {"Card", textValue("non 7500/8500")}}),
            stored);
  // The main window's Apply stores; it programs nothing.
  DWORD dividers = 0;
  ASSERT_TRUE(probeWord("read-pll", 0x0A, &dividers));
  EXPECT_EQ(card.dividers, dividers);
  EXPECT_TRUE(closeProgram(program, main));

  // At the next logon the card is in its power-on state again.
  ASSERT_TRUE(startDriverWithCard("r8500"));
  DWORD timing = 0;
  ASSERT_TRUE(probeWord("read-reg", kTimingRegister, &timing));
  EXPECT_NE(0x206Au, timing & 0xF0FF);
  const RunResult run = runProgram("\"" + installedFile("OC\\StartupOverclock.exe") + "\"");
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_TRUE(dividersBecome(withCore(card.dividers, card.core() - 4)));
  DWORD source = 0;
  ASSERT_TRUE(probeWord("read-pll", kPllClockSource, &source));
  EXPECT_EQ(kAsynchronous, source & 7);
  ASSERT_TRUE(probeWord("read-reg", kTimingRegister, &timing));
  EXPECT_EQ(0x206Au, timing & 0xF0FF);  // Fast
  EXPECT_EQ("", run.output);
}

TEST_F(Overclocking, StartupOverclockProgramsNothingFromBadValuesOrWithoutTheDevice) {
  CardClocks card;
  ASSERT_TRUE(readCardClocks(&card));
  const std::string info = "Software\\Kestrelune\\OCInfo";
  const auto store = [&](const std::string& core) {
    setText(HKEY_CURRENT_USER, info, "Core", core);
    setText(HKEY_CURRENT_USER, info, "Mem", card.caption(card.memory()));
    setText(HKEY_CURRENT_USER, info, "Lat", "0");
    setText(HKEY_CURRENT_USER, info, "Tim", "1");
    setRaw(HKEY_CURRENT_USER, info, "apply_tim", REG_DWORD, {0, 0, 0, 0});
    setRaw(HKEY_CURRENT_USER, info, "apply_lat", REG_DWORD, {0, 0, 0, 0});
    setText(HKEY_CURRENT_USER, info, "Card", "non 7500/8500");
  };
  const std::string exe = "\"" + installedFile("OC\\StartupOverclock.exe") + "\"";
  const std::string before = snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune");
  struct Case {
    const char* core;
    DWORD exitCode;
  };
  // 3: not a decimal number; 7: beyond 200 steps.
  for (const Case& c : {Case{"fast", 3}, Case{"9999.00", 7}}) {
    store(c.core);
    const std::string stored = snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune");
    const RunResult run = runProgram(exe);
    ASSERT_TRUE(run.ended) << run.output;
    EXPECT_EQ(c.exitCode, run.exitCode) << c.core;
    EXPECT_TRUE(dividersBecome(card.dividers)) << c.core;
    EXPECT_EQ(stored, snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune")) << "it never writes";
  }
  // A good value that is one step away from the card's clock, but no device.
  store(card.caption(card.core() - 1));
  ASSERT_TRUE(stopDriver());
  RunResult run = runProgram(exe);
  ASSERT_TRUE(run.ended) << run.output;
  EXPECT_EQ(5u, run.exitCode);
  ASSERT_TRUE(startDriverWithCard("r8500"));
  EXPECT_TRUE(dividersBecome(card.dividers));
  // The same value with the device: programmed.
  run = runProgram(exe);
  EXPECT_EQ(0u, run.exitCode) << run.output;
  EXPECT_TRUE(dividersBecome(withCore(card.dividers, card.core() - 1)));
  SeededMachine::get().restore();
  EXPECT_EQ(before, snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune"));
  run = runProgram(exe);
  EXPECT_EQ(2u, run.exitCode) << "the seeded OCInfo key holds no values: " << run.output;
  clearKey(HKEY_CURRENT_USER, info);
  HKEY own;
  ASSERT_EQ(ERROR_SUCCESS,
            RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelune", 0, KEY_ALL_ACCESS, &own));
  RegDeleteKeyA(own, "OCInfo");
  RegCloseKey(own);
  run = runProgram(exe);
  EXPECT_EQ(1u, run.exitCode) << "no OCInfo key: " << run.output;
  EXPECT_TRUE(dividersBecome(withCore(card.dividers, card.core() - 1)));
}

// A message box of the program with that text; answers it with Enter.
::testing::AssertionResult answerMessage(Kestrelune& program, HWND main, const std::string& text,
                                         const std::string& caption) {
  HWND box = nullptr;
  if (!waitFor([&] { return (box = windowShowing(program, text, main)) != nullptr; }))
    return ::testing::AssertionFailure() << "no message \"" << text << "\"";
  const std::string shown = textOf(box);
  SetForegroundWindow(box);
  key(VK_RETURN);
  if (!waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); }))
    return ::testing::AssertionFailure() << "the message \"" << text << "\" stayed after Enter";
  if (shown != caption)
    return ::testing::AssertionFailure() << "the message \"" << text << "\" has the caption \""
                                         << shown << "\", not \"" << caption << "\"";
  return ::testing::AssertionSuccess();
}

TEST_F(Overclocking, TheButtonsSayCannotConnectOnceTheDriverHasStopped) {
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program);
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(moveBar(program, findControl(main, "trackCoreSpeed"), -2));
  ASSERT_TRUE(stopDriver());
  click(findControl(main, "buttApplyOC"));
  // No caption of its own: the system's default ("Error" under Wine).
  EXPECT_TRUE(answerMessage(program, main, "Cannot connect to r6probe", "Error"));
  click(findControl(main, "butDefault"));
  EXPECT_TRUE(answerMessage(program, main, "Cannot connect to r6probe", "Kestrelune"));
  EXPECT_TRUE(closeProgram(program, main));
}

TEST_F(Overclocking, WithoutTheDeviceOrWithUnusableClockDataThePageStartsDisabled) {
  const char* const controls[] = {
      "check8500OC",       "checkSync",       "Label20",           "Label21",
      "labelCore1",        "labelcore2",      "labelCoreSpeed",    "labelMem1",
      "labelmem2",         "labelMEMSpeed",   "trackCoreSpeed",    "trackMEMSpeed",
      "comboTimings",      "comboLatency",    "butDefault",        "buttApplyOC",
      "checkRunAtStartup", "checkapplyclock", "checkapplylatency", "checkapplytiming"};
  // The driver stopped; reference divider R = 0; a BIOS without clock data.
  for (const char* card : {"", "r8500-r0", "r8500-nobios"}) {
    SCOPED_TRACE(*card ? card : "no driver");
    ASSERT_TRUE(*card ? startDriverWithCard(card) : stopDriver());
    Kestrelune program(windowsOfRun());
    HWND main = openPage(program);
    ASSERT_NE(nullptr, main);
    for (const char* name : controls) {
      HWND control = findControl(main, name);
      ASSERT_NE(nullptr, control) << name;
      EXPECT_EQ(FALSE, IsWindowEnabled(control)) << name;
    }
    // Start-up went on past the page: the settings pages are loaded.
    EXPECT_EQ("Kestrelune 1.60", textOf(findControl(main, "statusBar")));
    EXPECT_EQ(nullptr, windowShowing(program, "Cannot connect to r6probe", main));
    EXPECT_TRUE(closeProgram(program, main));
  }
}

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kOCInfo[] = "Software\\Kestrelune\\OCInfo";

// The start-up overclock a user chose once: 202.50 MHz, registered.
void storeChosenStartupOverclock() {
  setText(HKEY_CURRENT_USER, kOCInfo, "Core", "202.50");
  setText(HKEY_CURRENT_USER, kOCInfo, "Mem", "202.50");
  setText(HKEY_CURRENT_USER, kOCInfo, "Lat", "0");
  setText(HKEY_CURRENT_USER, kOCInfo, "Tim", "2");
  setRaw(HKEY_CURRENT_USER, kOCInfo, "apply_tim", REG_DWORD, {1, 0, 0, 0});
  setRaw(HKEY_CURRENT_USER, kOCInfo, "apply_lat", REG_DWORD, {1, 0, 0, 0});
  setText(HKEY_CURRENT_USER, kOCInfo, "Card", "non 7500/8500");
  setRaw(HKEY_CURRENT_USER, "Software\\Kestrelune", "overclock", REG_DWORD, {1, 0, 0, 0});
  setRaw(HKEY_CURRENT_USER, "Software\\Kestrelune", "8500", REG_DWORD, {1, 0, 0, 0});
  setText(HKEY_LOCAL_MACHINE, kRunKey, "Kestrelune",
          "\"C:\\Program Files\\Kestrelune\\OC\\StartupOverclock.exe\"");
}

std::string storedStartupOverclock() {
  return snapshot(HKEY_CURRENT_USER, kOCInfo) + snapshot(HKEY_LOCAL_MACHINE, kRunKey) +
         valueOf(HKEY_CURRENT_USER, "Software\\Kestrelune", "overclock") + "|" +
         valueOf(HKEY_CURRENT_USER, "Software\\Kestrelune", "8500");
}

// A page that start-up could not fill from the card shows its design clocks:
// an Apply for a Direct3D setting leaves the chosen start-up overclock alone.
TEST_F(Overclocking, ApplyWithAPageNotFilledFromTheCardKeepsTheStoredStartupOverclock) {
  for (const char* card : {"", "r8500-nobios"}) {
    SCOPED_TRACE(*card ? card : "no driver");
    ASSERT_TRUE(*card ? startDriverWithCard(card) : stopDriver());
    storeChosenStartupOverclock();
    const std::string before = storedStartupOverclock();
    Kestrelune program("winxp");
    HWND main = program.waitWindow("Kestrelune");
    ASSERT_NE(nullptr, main);
    program.clickTab(findControl(main, "TabPages"), 1);
    HWND vsync = findControl(main, "checkVSync");
    click(vsync);
    ASSERT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
    applyAll(program, main);
    EXPECT_EQ(before, storedStartupOverclock());
    EXPECT_TRUE(closeProgram(program, main));
    SeededMachine::get().restore();
  }
}

// Without the installation folder the Run value would be a relative path:
// Apply says so and registers nothing.
TEST_F(Overclocking, WithoutAnInstallationFolderApplyRegistersNoStartupOverclock) {
  setText(HKEY_CURRENT_USER, "Software\\Kestrelune", "installpath", "");
  Kestrelune program("winxp");
  HWND main = openPage(program);
  ASSERT_NE(nullptr, main);
  const std::string before = storedStartupOverclock();  // start-up wrote "overclock" = 0
  HWND startup = findControl(main, "checkRunAtStartup");
  click(startup);
  ASSERT_TRUE(waitFor([&] { return SendMessageA(startup, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  click(findControl(main, "buttonApply"));
  HWND progress = program.waitWindow("Saving Configuration...");
  ASSERT_NE(nullptr, progress);
  HWND ok = findControl(progress, "butOk");
  ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 10000ms));
  ASSERT_TRUE(clickUntilGone(progress, ok));
  EXPECT_TRUE(answerMessage(program, main,
                            "Cannot register the start-up overclock: Kestrelune's installation "
                            "folder is not known (the value \"installpath\" of "
                            "HKEY_CURRENT_USER\\Software\\Kestrelune is missing or empty). "
                            "Install Kestrelune again to set it. The start-up overclock was "
                            "left as it was.",
                            "Kestrelune"));
  EXPECT_EQ(before, storedStartupOverclock());
  EXPECT_TRUE(closeProgram(program, main));
}

}  // namespace
}  // namespace kl::e2e
