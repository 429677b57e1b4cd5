// The page "Overclocking" on a stand-alone form, driven through the headless
// toolkit as a user would, with the simulated card behind the device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "overclock/OCPanel.h"
#include "overclock_fixture.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/sim/r6probe_protocol.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::overclock {
namespace {

using platform::RegistryAccess;
using testing::TestCard;
using testing::pll;
namespace user = ui::user;
namespace protocol = platform::r6probe;

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

class OverclockPage : public ::testing::Test {
 protected:
  OverclockPage() {
    testing::seedXpRadeon(sim_);
    sim_.registry.loadRegedit4(
        "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\n"
        "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n");
    page_.onModified = [this] { ++modified_; };
  }

  // Start-up with this card in the PC.
  void startWith(const TestCard& wanted) {
    sim_.device.installCard(shelf_.make(wanted));
    page_.InitOverclockPanel();
    modified_ = 0;
    backend_.clearMessages();
  }
  void startWithoutDevice() {
    page_.InitOverclockPanel();
    modified_ = 0;
  }
  std::string value(platform::HKey root, const std::string& key, const std::string& name) {
    RegistryAccess reg(sim_.registry, root);
    if (!reg.openKeyReadOnly(key) || !reg.valueExists(name)) return "(absent)";
    return reg.getDataType(name) == platform::RegDataType::Integer
               ? std::to_string(reg.readInteger(name))
               : reg.readString(name);
  }
  std::string own(const std::string& name) {
    return value(platform::kHkeyCurrentUser, "Software\\Kestrelune", name);
  }
  std::string ocInfo(const std::string& name) {
    return value(platform::kHkeyCurrentUser, "Software\\Kestrelune\\OCInfo", name);
  }
  std::string runValue() { return value(platform::kHkeyLocalMachine, kRunKey, "Kestrelune"); }
  std::string errorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }
  std::uint32_t dividers() { return pll(sim_.device, 0x0A) & 0x00FFFFFF; }
  std::uint32_t source() { return pll(sim_.device, 0x0D) & 7; }
  std::uint32_t timingBits() { return testing::mmio(sim_.device, 0x0144) & 0xF0FF; }
  std::uint32_t latency() { return testing::mmio(sim_.device, 0x0154); }
  bool registersWritten() {
    return !testing::requestsOf(sim_.device, protocol::kWriteRegister).empty();
  }
  void setBars(int core, int memory) {
    user::drag(*page_.trackCoreSpeed, core);
    user::drag(*page_.trackMEMSpeed, memory);
  }

  testing::CardShelf shelf_;
  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  ui::Application app_{backend_};
  ui::Form& form_ = app_.createForm<ui::Form>("MainForm");
  ui::TabSheet& sheet_ = form_.add<ui::TabSheet>("tabOC");
  OCPanel page_{sheet_, platform_, app_};
  int modified_ = 0;
};

struct Design {
  const char* name;
  const char* caption;
  const char* hint;
};

TEST_F(OverclockPage, ControlsHaveTheirCaptionsAndHints) {
  const std::vector<Design> table = {
      {"groupOC", " Overclocking ", ""},
      {"labelCore1", "Core", ""},
      {"labelcore2", ":", ""},
      {"labelCoreSpeed", "164.25", ""},
      {"Label20", "Mhz", ""},
      {"labelMem1", "Memory", ""},
      {"labelmem2", ":", ""},
      {"labelMEMSpeed", "164.25", ""},
      {"Label21", "Mhz", ""},
      {"checkSync", "Use synchronous clocks",
       "On a regular Radeon you should use synchronous clocks, the 7500 and 8500 seem to work "
       "better with asynchronous clocks"},
      {"check8500OC", "Radeon 7500/8500 Overclocking",
       "Check this box if you are using a Radeon 8500 or a Radeon 7500"},
      {"groupTimings", " Timings ", ""},
      {"comboTimings", "", "Defines the timings of the onboard memory"},
      {"groupLatency", " Latency ", ""},
      {"comboLatency", "", "Defines the latency of the onboard memory"},
      {"butDefault", "Default Settings", ""},
      {"buttApplyOC", "Apply Settings", ""},
      {"checkapplyclock", "Apply Clocks", "Apply the clocks (Core and Memory)"},
      {"checkapplytiming", "Apply Timings", "Apply the memory timings"},
      {"checkapplylatency", "Apply Latency", "Apply the memory latency"},
      {"checkRunAtStartup", "Overclock the Radeon at Windows startup",
       "Enables overclocking at windows startup"},
  };
  for (const Design& d : table) {
    ui::Control* c = sheet_.find(d.name);
    ASSERT_NE(nullptr, c) << d.name;
    EXPECT_EQ(d.caption, c->text()) << d.name;
    EXPECT_EQ(d.hint, c->hint()) << d.name;
    EXPECT_EQ(*d.hint != '\0', c->showHint()) << d.name;
    // Everything lies inside the 600 x 396 page.
    const ui::Rect& b = c->bounds();
    EXPECT_LE(b.left + b.width, 600) << d.name;
    EXPECT_LE(b.top + b.height, 396) << d.name;
  }
  EXPECT_EQ(page_.comboTimings->parent(), sheet_.find("groupTimings"));
  EXPECT_EQ(page_.comboLatency->parent(), sheet_.find("groupLatency"));
  EXPECT_EQ((std::vector<std::string>{"Slow", "Medium", "Fast"}), page_.comboTimings->items());
  EXPECT_EQ((std::vector<std::string>{"Medium", "Fast"}), page_.comboLatency->items());
  EXPECT_EQ(1, page_.comboTimings->itemIndex());  // "Medium"
  EXPECT_EQ(1, page_.comboLatency->itemIndex());  // "Fast"
  EXPECT_TRUE(page_.checkapplyclock->checked());
  EXPECT_FALSE(page_.trackCoreSpeed->tickMarks());
  EXPECT_FALSE(page_.trackMEMSpeed->tickMarks());
}

TEST_F(OverclockPage, ReadoutShowsTheCardsClocksOnTheBars) {
  startWith(TestCard().r(12).m(73).c(73).minimum(12500).timing(0x1405357F).latency(0x44334244));
  EXPECT_EQ("164.25", page_.labelCoreSpeed->text());
  EXPECT_EQ("164.25", page_.labelMEMSpeed->text());
  for (ui::TrackBar* bar : {page_.trackCoreSpeed, page_.trackMEMSpeed}) {
    EXPECT_EQ(73, bar->position());
    EXPECT_EQ(56, bar->min());  // 126.00 MHz, the first not below 125.00
    EXPECT_EQ(200, bar->max());
  }
  EXPECT_EQ(2.25f, page_.clockStep());
  EXPECT_EQ(0, page_.comboTimings->itemIndex());  // "Slow"
  EXPECT_EQ(0, page_.comboLatency->itemIndex());  // "Medium"
  EXPECT_TRUE(page_.pending());                   // the readout moved the bars
  EXPECT_TRUE(page_.startupLoaded());
  EXPECT_EQ(0, sim_.device.openHandles());
  EXPECT_EQ(0, modified_);
}

TEST_F(OverclockPage, ReadoutEdgeCases) {
  startWith(TestCard().minimum(14300));
  EXPECT_EQ(64, page_.trackCoreSpeed->min());  // 63 steps are 141.75 MHz
  // A clock below the minimum shows as the minimum position and its clock.
  startWith(TestCard().m(40).c(40).minimum(12500));
  EXPECT_EQ(56, page_.trackMEMSpeed->position());
  EXPECT_EQ("126.00", page_.labelMEMSpeed->text());
  // Presets that match no item.
  startWith(TestCard().timing(0x140528FF).latency(0x55554354));
  EXPECT_EQ(-1, page_.comboTimings->itemIndex());
  EXPECT_EQ(1, page_.comboLatency->itemIndex());  // anything but Medium shows "Fast"
  // 172.80 MHz is 96 steps of 1.80 MHz, though in single precision 96 steps
  // come out a hair above it.
  startWith(TestCard().fref(2700).r(15).minimum(17280));
  EXPECT_EQ(96, page_.trackCoreSpeed->min());
}

// No position gives a feedback divider of 0, which would stop the clock: a
// BIOS minimum of 0, or one the bar refuses (above 200 steps), leaves the
// lowest position at 1, and a default clock below one step is refused.
TEST_F(OverclockPage, TheCardIsNeverProgrammedWithADividerOfZero) {
  for (std::uint16_t minimum : {std::uint16_t{0}, std::uint16_t{50000}}) {
    startWith(TestCard().minimum(minimum));
    user::drag(*page_.trackCoreSpeed, 0);
    user::drag(*page_.trackMEMSpeed, 0);
    EXPECT_EQ(1, page_.trackCoreSpeed->position()) << minimum;
    user::press(*page_.buttApplyOC);
    EXPECT_EQ(0x0001010Cu, dividers()) << minimum;
  }
  startWith(TestCard().defaultClock(0));
  sim_.device.clearRequests();
  user::press(*page_.butDefault);
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("The card's video BIOS gives a default clock below one divider step, so \"Default "
            "Settings\" has nothing to program. The card was left as it is.",
            backend_.messages()[0].text);
  EXPECT_FALSE(registersWritten());
  EXPECT_TRUE(testing::requestsOf(sim_.device, protocol::kWritePllRegister).empty());
  EXPECT_EQ(73, page_.trackCoreSpeed->position());
  EXPECT_EQ(0, sim_.device.openHandles());
}

TEST_F(OverclockPage, CaptionsUseAPointAndTwoDecimals) {
  EXPECT_EQ("99.50", clockCaption(99.5f));
  EXPECT_EQ("164.25", clockCaption(164.25f));
  EXPECT_EQ("0.00", clockCaption(0.0f));
  EXPECT_EQ("6.23", clockCaption(3 * (27.0f / 13)));
  EXPECT_EQ(72, roundHalfEven(72.5f));
  EXPECT_EQ(74, roundHalfEven(73.5f));
  EXPECT_EQ(73, roundHalfEven(72.999f));
  EXPECT_EQ(72, roundHalfEven(72.4f));
}

TEST_F(OverclockPage, SynchronousClocksMoveBothBars) {
  startWith(TestCard());
  user::press(*page_.checkSync);
  user::drag(*page_.trackCoreSpeed, 90);
  EXPECT_EQ(90, page_.trackMEMSpeed->position());
  EXPECT_EQ("202.50", page_.labelCoreSpeed->text());
  EXPECT_EQ("202.50", page_.labelMEMSpeed->text());
  user::drag(*page_.trackMEMSpeed, 60);
  EXPECT_EQ(60, page_.trackCoreSpeed->position());
  EXPECT_EQ("135.00", page_.labelCoreSpeed->text());
}

TEST_F(OverclockPage, CheckingSynchronousClocksLetsTheLowerClockWin) {
  startWith(TestCard());
  setBars(80, 75);
  user::press(*page_.checkSync);
  EXPECT_EQ(75, page_.trackCoreSpeed->position());
  EXPECT_EQ("168.75", page_.labelCoreSpeed->text());

  user::press(*page_.checkSync);  // unchecking links nothing
  setBars(70, 75);
  EXPECT_EQ(75, page_.trackMEMSpeed->position());
  user::press(*page_.checkSync);
  EXPECT_EQ(70, page_.trackMEMSpeed->position());
  EXPECT_EQ(70, page_.trackCoreSpeed->position());
}

TEST_F(OverclockPage, ApplyProgramsSynchronousClocksOnlyForEqualBars) {
  startWith(TestCard().source(2).c(90));
  setBars(80, 80);
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x0050500Cu, dividers());
  EXPECT_EQ(7u, source());

  setBars(80, 81);
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x0050510Cu, dividers());
  EXPECT_EQ(2u, source());
  EXPECT_EQ(80, page_.trackCoreSpeed->position());  // read back from the card
  EXPECT_EQ(81, page_.trackMEMSpeed->position());
}

TEST_F(OverclockPage, The8500IsAlwaysAsynchronousAndKeepsItsPresets) {
  startWith(TestCard());
  user::press(*page_.checkapplytiming);
  user::press(*page_.checkapplylatency);
  user::press(*page_.check8500OC);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           page_.comboLatency, page_.comboTimings, page_.checkapplytiming, page_.checkapplylatency})
    EXPECT_FALSE(c->enabled()) << c->name();
  EXPECT_FALSE(page_.checkapplytiming->checked());
  EXPECT_FALSE(page_.checkapplylatency->checked());

  setBars(80, 80);
  sim_.device.clearRequests();
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x0050500Cu, dividers());
  EXPECT_EQ(2u, source());
  EXPECT_FALSE(registersWritten());

  user::press(*page_.check8500OC);
  EXPECT_TRUE(page_.comboTimings->enabled());
  EXPECT_TRUE(page_.checkapplylatency->enabled());
  EXPECT_FALSE(page_.checkapplylatency->checked());
}

TEST_F(OverclockPage, ApplyProgramsThePresetsWhoseBoxesAreChecked) {
  startWith(TestCard().latency(0x7FFFF1FF));
  user::press(*page_.checkapplylatency);
  user::pick(*page_.comboLatency, 0);  // "Medium"
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x44334244u, latency());
  EXPECT_EQ(0, page_.comboLatency->itemIndex());
  user::pick(*page_.comboLatency, 1);  // "Fast"
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x7FFFF1FFu, latency());
  EXPECT_EQ(0x306Au, timingBits());  // "Apply Timings" unchecked: untouched

  user::press(*page_.checkapplytiming);
  user::pick(*page_.comboTimings, 2);  // "Fast"
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x206Au, timingBits());
  EXPECT_EQ(2, page_.comboTimings->itemIndex());
}

TEST_F(OverclockPage, ApplyClocksUncheckedProgramsNoClocks) {
  startWith(TestCard());
  user::press(*page_.checkapplyclock);
  user::press(*page_.checkapplytiming);
  user::pick(*page_.comboTimings, 0);
  setBars(90, 90);
  user::press(*page_.buttApplyOC);
  EXPECT_EQ(0x0049490Cu, dividers());
  EXPECT_EQ(0x307Fu, timingBits());
  EXPECT_EQ(73, page_.trackCoreSpeed->position());  // the readout shows the card
}

// A release on a check box enables "Apply Settings" without the pending
// flag, so the next Apply cannot disable it again.
TEST_F(OverclockPage, CheckBoxReleaseEnablesTheButtonsButNotThePendingFlag) {
  startWith(TestCard());
  user::drag(*page_.trackCoreSpeed, 80);
  EXPECT_TRUE(page_.pending());
  modified_ = 0;
  page_.buttApplyOCClick();
  EXPECT_FALSE(page_.pending());
  EXPECT_FALSE(page_.buttApplyOC->enabled());
  EXPECT_EQ(1, modified_);
  EXPECT_EQ(0, sim_.device.openHandles());
  user::press(*page_.butDefault);
  ASSERT_FALSE(page_.buttApplyOC->enabled());
  ASSERT_FALSE(page_.butDefault->enabled());

  user::press(*page_.checkapplylatency);
  EXPECT_TRUE(page_.buttApplyOC->enabled());
  EXPECT_TRUE(page_.butDefault->enabled());
  EXPECT_FALSE(page_.pending());
  user::press(*page_.buttApplyOC);
  EXPECT_TRUE(page_.buttApplyOC->enabled());

  page_.SetApplyOCEnabled(true);
  page_.SetApplyOCEnabled(false);
  ASSERT_FALSE(page_.buttApplyOC->enabled());
  user::press(*page_.checkSync, ui::MouseButton::Right);  // any button's release
  EXPECT_TRUE(page_.buttApplyOC->enabled());
  EXPECT_FALSE(page_.pending());
}

TEST_F(OverclockPage, DefaultSettingsRestoreTheDefaultClockAndMediumPresets) {
  startWith(TestCard().defaultClock(18300).source(2).c(90).timing(0x1405357F));
  page_.SetApplyOCEnabled(false);
  user::press(*page_.butDefault);
  EXPECT_EQ(81, page_.trackCoreSpeed->position());  // 182.25 MHz
  EXPECT_EQ(81, page_.trackMEMSpeed->position());
  EXPECT_EQ("182.25", page_.labelCoreSpeed->text());
  EXPECT_EQ(0x0051510Cu, dividers());
  EXPECT_EQ(7u, source());
  EXPECT_EQ(0x44334244u, latency());
  EXPECT_EQ(0x306Au, timingBits());
  EXPECT_FALSE(page_.butDefault->enabled());
  EXPECT_FALSE(page_.pending());
  EXPECT_EQ(0, sim_.device.openHandles());
  EXPECT_EQ(1, modified_);  // the press, not the action

  user::press(*page_.check8500OC);
  sim_.device.installCard(shelf_.make(TestCard().timing(0x1405357F).latency(0x12345678)));
  user::press(*page_.butDefault);
  EXPECT_EQ(2u, source());
  EXPECT_EQ(0x12345678u, latency());
  EXPECT_EQ(0x307Fu, timingBits());
}

// 124.20 MHz is 46 steps of 2.70 MHz, though in single precision the
// quotient is 45.9999962.
TEST_F(OverclockPage, ADefaultClockOfWholeStepsKeepsItsLastStep) {
  startWith(TestCard().r(10).minimum(10000).defaultClock(12420));
  user::press(*page_.butDefault);
  EXPECT_EQ(46, page_.trackCoreSpeed->position());
  EXPECT_EQ(0x002E2E0Au, dividers());
}

TEST_F(OverclockPage, UserInputMarksTheWindowModified) {
  startWith(TestCard());
  const std::vector<ui::Control*> pressed = {page_.checkSync,         page_.check8500OC,
                                             page_.checkapplyclock,   page_.checkapplytiming,
                                             page_.checkapplylatency, page_.checkRunAtStartup};
  for (ui::Control* c : pressed) {
    modified_ = 0;
    user::press(*c, ui::MouseButton::Right);
    EXPECT_EQ(1, modified_) << c->name();
  }
  page_.butDefault->onClick = nullptr;  // the press alone
  modified_ = 0;
  user::press(*page_.butDefault);
  EXPECT_EQ(1, modified_);
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           page_.trackMEMSpeed, page_.trackCoreSpeed, page_.comboTimings, page_.comboLatency}) {
    modified_ = 0;
    user::focus(*page_.checkRunAtStartup);
    user::focus(*c);
    EXPECT_EQ(1, modified_) << c->name();
  }
  modified_ = 0;
  user::spaceBar(*page_.checkSync);  // the keyboard toggles without a mouse press
  EXPECT_EQ(0, modified_);
}

TEST_F(OverclockPage, WithoutTheDeviceThePageIsDisabled) {
  startWithoutDevice();
  for (const char* name :
       {"check8500OC",       "checkSync",       "Label20",           "Label21",
        "labelCore1",        "labelcore2",      "labelCoreSpeed",    "labelMem1",
        "labelmem2",         "labelMEMSpeed",   "trackCoreSpeed",    "trackMEMSpeed",
        "comboTimings",      "comboLatency",    "butDefault",        "buttApplyOC",
        "checkRunAtStartup", "checkapplyclock", "checkapplylatency", "checkapplytiming"})
    EXPECT_FALSE(sheet_.find(name)->enabled()) << name;
  EXPECT_TRUE(page_.startupLoaded());
  EXPECT_EQ(0, sim_.device.closeCalls());
  user::press(*page_.checkRunAtStartup);
  EXPECT_EQ(0, modified_);
}

TEST_F(OverclockPage, BrokenCardsDisableThePage) {
  for (const TestCard& broken : {TestCard().noClockData(), TestCard().r(0)}) {
    platform::SimPlatform sim;
    sim.device.installCard(shelf_.make(broken));
    platform::Platform platform = sim.view();
    ui::HeadlessBackend backend;
    ui::Application app{backend};
    ui::TabSheet& sheet = app.createForm<ui::Form>("MainForm").add<ui::TabSheet>("tabOC");
    OCPanel page(sheet, platform, app);
    page.InitOverclockPanel();
    EXPECT_FALSE(page.trackCoreSpeed->enabled());
    EXPECT_FALSE(page.buttApplyOC->enabled());
    EXPECT_EQ(0, sim.device.openHandles());
    EXPECT_TRUE(backend.messages().empty());
    EXPECT_TRUE(page.startupLoaded());
  }
}

TEST_F(OverclockPage, ActionsWithoutTheDeviceSayWhy) {
  startWith(TestCard());
  setBars(90, 90);
  modified_ = 0;
  sim_.device.setOpenRefused(true);
  user::press(*page_.buttApplyOC);
  user::press(*page_.butDefault);
  ASSERT_EQ(2u, backend_.messages().size());
  EXPECT_EQ("Cannot connect to r6probe", backend_.messages()[0].text);
  EXPECT_EQ("", backend_.messages()[0].caption);  // the system's default caption
  EXPECT_EQ(ui::kMbOk, backend_.messages()[0].flags);
  EXPECT_EQ("Cannot connect to r6probe", backend_.messages()[1].text);
  EXPECT_EQ("Kestrelune", backend_.messages()[1].caption);
  EXPECT_EQ(ui::kMbOk, backend_.messages()[1].flags);
  EXPECT_EQ(0x0049490Cu, dividers());
  EXPECT_TRUE(page_.pending());
  EXPECT_EQ(1, modified_);  // the press on "Default Settings" only
}

// A card whose reference divider reads 0 would take feedback dividers of 0,
// which stop its clocks: refused before anything is written.
TEST_F(OverclockPage, AFailedReadoutInAnActionIsShownAndClosesTheDevice) {
  startWith(TestCard());
  sim_.device.installCard(shelf_.make(TestCard().r(0)));
  user::press(*page_.buttApplyOC);
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("Cannot program the card: a clock below one divider step would stop it",
            backend_.messages()[0].text);
  EXPECT_FALSE(registersWritten());
  EXPECT_TRUE(testing::requestsOf(sim_.device, protocol::kWritePllRegister).empty());
  EXPECT_EQ(0, sim_.device.openHandles());
  EXPECT_EQ(0, modified_);
}

TEST_F(OverclockPage, StartupReadsTheTwoProgramValues) {
  sim_.registry.loadRegedit4(
      testing::programKeyRegedit("\"overclock\"=dword:00000001\n\"8500\"=dword:00000001\n"));
  startWith(TestCard());
  EXPECT_TRUE(page_.checkRunAtStartup->checked());
  EXPECT_TRUE(page_.check8500OC->checked());
  EXPECT_FALSE(page_.comboTimings->enabled());  // its click ran

  sim_.registry.loadRegedit4(
      testing::programKeyRegedit("\"overclock\"=dword:00000002\n\"8500\"=\"1\"\n"));
  page_.InitOverclockPanel();
  EXPECT_FALSE(page_.checkRunAtStartup->checked());
  EXPECT_FALSE(page_.check8500OC->checked());
  EXPECT_TRUE(page_.comboTimings->enabled());
  EXPECT_EQ("2", own("overclock"));
  EXPECT_EQ("0", own("8500"));
}

TEST_F(OverclockPage, StartupOverclockIsRegisteredWithItsValues) {
  startWith(TestCard());
  user::press(*page_.checkSync);
  user::drag(*page_.trackCoreSpeed, 90);
  user::pick(*page_.comboLatency, 1);
  user::pick(*page_.comboTimings, 1);
  user::press(*page_.checkapplytiming);
  page_.WriteStartupOverclock(true);
  EXPECT_EQ("\"C:\\Program Files\\Kestrelune\\OC\\StartupOverclock.exe\"", runValue());
  EXPECT_EQ("1", own("overclock"));
  EXPECT_EQ("202.50", ocInfo("Core"));
  EXPECT_EQ("202.50", ocInfo("Mem"));
  EXPECT_EQ("1", ocInfo("Lat"));
  EXPECT_EQ("1", ocInfo("Tim"));
  EXPECT_EQ("1", ocInfo("apply_tim"));
  EXPECT_EQ("0", ocInfo("apply_lat"));
  EXPECT_EQ("non 7500/8500", ocInfo("Card"));

  user::press(*page_.check8500OC);
  page_.WriteStartupOverclock(true);
  EXPECT_EQ("7500/8500", ocInfo("Card"));
  EXPECT_EQ("0", ocInfo("apply_tim"));
  EXPECT_EQ("0", ocInfo("apply_lat"));
}

// A list that shows no preset has none to apply at logon, whatever its box.
TEST_F(OverclockPage, APresetListShowingNothingIsNotAppliedAtStartup) {
  startWith(TestCard().timing(0x140528FF));
  user::press(*page_.checkapplytiming);
  user::press(*page_.checkapplylatency);
  page_.WriteStartupOverclock(true);
  EXPECT_EQ("-1", ocInfo("Tim"));
  EXPECT_EQ("0", ocInfo("apply_tim"));
  EXPECT_EQ("1", ocInfo("apply_lat"));
}

// The Run value is never relative: without the installation folder nothing
// at all is written. A missing "OCInfo" is made again, so the program
// registered always finds its settings.
TEST_F(OverclockPage, TheStartupOverclockIsRegisteredOnlyWithAFolderAndItsSettingsKey) {
  startWith(TestCard());
  for (const char* installpath : {"\"installpath\"=-\n", "\"installpath\"=\"\"\n"}) {
    sim_.registry.loadRegedit4(testing::programKeyRegedit(installpath));
    const std::string before = sim_.registry.saveRegedit4();
    EXPECT_EQ("Cannot register the start-up overclock: Kestrelune's installation folder is not "
              "known (the value \"installpath\" of HKEY_CURRENT_USER\\Software\\Kestrelune is "
              "missing or empty). Install Kestrelune again to set it. The start-up overclock was "
              "left as it was.",
              errorOf([&] { page_.WriteStartupOverclock(true); }));
    EXPECT_EQ(before, sim_.registry.saveRegedit4());
  }
  sim_.registry.loadRegedit4(
      testing::programKeyRegedit("\"installpath\"=\"C:\\\\Kestrelune\\\\\"\n") +
      "[-HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n");
  page_.WriteStartupOverclock(true);
  EXPECT_EQ("\"C:\\Kestrelune\\OC\\StartupOverclock.exe\"", runValue());
  EXPECT_EQ("164.25", ocInfo("Core"));
  EXPECT_EQ("non 7500/8500", ocInfo("Card"));
}

// Each write in turn fails: the error names the value of that place, and
// the writes after it do not happen.
TEST_F(OverclockPage, StartupOverclockValuesAreWrittenInTheirOrder) {
  startWith(TestCard());
  const std::vector<std::string> order = {"Kestrelune", "overclock", "Core",      "Mem", "Lat",
                                          "Tim",        "apply_tim", "apply_lat", "Card"};
  for (std::size_t i = 0; i < order.size(); ++i) {
    sim_.registry.failWrite(static_cast<unsigned>(i + 1));
    const unsigned before = sim_.registry.writeCount();
    EXPECT_EQ("Failed to set data for '" + order[i] + "'",
              errorOf([&] { page_.WriteStartupOverclock(true); }));
    EXPECT_EQ(before + i, sim_.registry.writeCount());
  }
  page_.check8500OC->setChecked(true);
  sim_.registry.failWrite(7);
  EXPECT_EQ("Failed to set data for 'Card'", errorOf([&] { page_.WriteStartupOverclock(true); }));
  EXPECT_EQ(0u, sim_.registry.openHandles());
}

TEST_F(OverclockPage, RemovingTheStartupOverclockKeepsItsValues) {
  startWith(TestCard());
  page_.WriteStartupOverclock(true);
  page_.WriteStartupOverclock(false);
  EXPECT_EQ("(absent)", runValue());
  EXPECT_EQ("0", own("overclock"));
  EXPECT_EQ("164.25", ocInfo("Core"));
  page_.WriteStartupOverclock(false);  // nothing to delete is fine
  EXPECT_EQ("0", own("overclock"));
}

TEST_F(OverclockPage, WithoutRightsOnTheMachineKeyTheRunValueIsAnError) {
  startWith(TestCard());
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  EXPECT_EQ("Failed to set data for 'Kestrelune'",
            errorOf([&] { page_.WriteStartupOverclock(true); }));
  EXPECT_EQ("0", own("overclock"));  // as start-up left it
  EXPECT_EQ("(absent)", ocInfo("Core"));
  EXPECT_EQ("(no error)", errorOf([&] { page_.WriteStartupOverclock(false); }));

  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, false);
  page_.WriteStartupOverclock(true);
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  // A Run value that stays would go on overclocking at every logon.
  EXPECT_EQ("Failed to set data for 'Kestrelune'",
            errorOf([&] { page_.WriteStartupOverclock(false); }));
  EXPECT_EQ("1", own("overclock"));
}

TEST_F(OverclockPage, CardTypeIsStoredOrItsFailureReported) {
  startWith(TestCard());
  user::press(*page_.check8500OC);
  page_.WriteCardType();
  EXPECT_EQ("1", own("8500"));
  EXPECT_TRUE(backend_.messages().empty());
  sim_.registry.failWrite(1);
  page_.WriteCardType();
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("Cannot write overclock data to registry", backend_.messages()[0].text);
}

}  // namespace
}  // namespace kl::overclock
