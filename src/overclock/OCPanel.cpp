#include "overclock/OCPanel.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "system/SystemQueries.h"
#include "ui/layout.h"

namespace kl::overclock {

using platform::RegistryAccess;

namespace {

constexpr char kProgramKey[] = "Software\\Kestrelune";
constexpr char kOCInfoKey[] = "Software\\Kestrelune\\OCInfo";
constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValue[] = "Kestrelune";
constexpr char kStartupProgram[] = "OC\\StartupOverclock.exe";
constexpr char kNoDevice[] = "Cannot connect to r6probe";
constexpr char kNoInstallPath[] =
    "Cannot register the start-up overclock: Kestrelune's installation folder is not "
    "known (the value \"installpath\" of HKEY_CURRENT_USER\\Software\\Kestrelune is "
    "missing or empty). Install Kestrelune again to set it. The start-up overclock was left "
    "as it was.";
constexpr char kBelowOneStep[] =
    "A clock below one divider step cannot be programmed. The card was left as it is.";
constexpr char kNoDefaultClock[] =
    "The card's video BIOS gives a default clock below one divider step, so "
    "\"Default Settings\" has nothing to program. The card was left as it is.";
constexpr int kMaximumPosition = 200;

// The readouts' design text; the bars start at their lowest position, 1,
// until the card is read. No position gives a feedback divider of 0.
constexpr char kDesignCaption[] = "164.25";
constexpr int kLowestPosition = 1;

void giveHint(ui::Control& control, const std::string& hint) {
  control.setHint(hint);
  control.setShowHint(true);
}

ui::CheckBox& checkBox(ui::Control& parent, const std::string& name, const std::string& caption,
                       ui::Rect bounds, const std::string& hint) {
  auto& box = ui::place<ui::CheckBox>(parent, name, caption, bounds);
  if (!hint.empty()) giveHint(box, hint);
  return box;
}

ui::TrackBar& clockBar(ui::Control& parent, const std::string& name, int top, int height) {
  auto& bar = ui::place<ui::TrackBar>(parent, name, "", {10, top, 428, height});
  bar.setTickMarks(false);
  bar.setMax(kMaximumPosition);
  bar.setMin(kLowestPosition);
  return bar;
}

// Core or memory readout: name, colon, clock, unit, in the fixed columns.
struct Readout {
  ui::Label* name;
  ui::Label* colon;
  ui::Label* clock;
  ui::Label* unit;
};

Readout readout(ui::Control& parent, const char* const names[4], const std::string& caption,
                int top) {
  return Readout{&ui::addLabel(parent, names[0], caption, 456, top, 42),
                 &ui::addLabel(parent, names[1], ":", 501, top, 6),
                 &ui::addLabel(parent, names[2], kDesignCaption, 509, top, 38),
                 &ui::addLabel(parent, names[3], "Mhz", 548, top, 24)};
}

ui::ComboBox& presetList(ui::GroupBox& group, const std::string& name,
                         const std::vector<std::string>& items, int designIndex,
                         const std::string& hint) {
  auto& combo = ui::place<ui::ComboBox>(group, name, "", {10, 18, 170, 21});
  combo.setItems(items);
  combo.setItemIndex(designIndex);
  giveHint(combo, hint);
  return combo;
}

}  // namespace

std::string clockCaption(float mhz) {
  const long long hundredths = std::llround(static_cast<double>(mhz) * 100.0);
  const long long magnitude = hundredths < 0 ? -hundredths : hundredths;
  std::string cents = std::to_string(magnitude % 100);
  if (cents.size() < 2) cents.insert(0, "0");
  return (hundredths < 0 ? "-" : "") + std::to_string(magnitude / 100) + "." + cents;
}

int roundHalfEven(float x) {
  const double whole = std::floor(static_cast<double>(x));
  const double fraction = static_cast<double>(x) - whole;
  double nearest = whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) nearest = whole + 1;
  return static_cast<int>(nearest);
}

OCPanel::OCPanel(ui::TabSheet& tabOC, platform::Platform& platform, ui::Application& app)
    : platform_(platform), app_(app), probe_(platform.device), clocks_(probe_) {
  buildClockGroup(tabOC);
  buildPresetsAndActions(tabOC);
  wireHandlers();
}

void OCPanel::buildClockGroup(ui::TabSheet& tabOC) {
  groupOC = &ui::place<ui::GroupBox>(tabOC, "groupOC", " Overclocking ", {2, 1, 587, 167});
  trackCoreSpeed = &clockBar(*groupOC, "trackCoreSpeed", 28, 24);
  trackMEMSpeed = &clockBar(*groupOC, "trackMEMSpeed", 77, 25);
  static const char* const kCoreNames[4] = {"labelCore1", "labelcore2", "labelCoreSpeed",
                                            "Label20"};
  static const char* const kMemNames[4] = {"labelMem1", "labelmem2", "labelMEMSpeed", "Label21"};
  const Readout core = readout(*groupOC, kCoreNames, "Core", 34);
  labelCore1 = core.name, labelcore2 = core.colon, labelCoreSpeed = core.clock;
  Label20 = core.unit;
  const Readout mem = readout(*groupOC, kMemNames, "Memory", 83);
  labelMem1 = mem.name, labelmem2 = mem.colon, labelMEMSpeed = mem.clock, Label21 = mem.unit;
  checkSync = &checkBox(*groupOC, "checkSync", "Use synchronous clocks", {10, 118, 240, 17},
                        "On a regular Radeon you should use synchronous clocks, the 7500 and "
                        "8500 seem to work better with asynchronous clocks");
  check8500OC =
      &checkBox(*groupOC, "check8500OC", "Radeon 7500/8500 Overclocking", {10, 140, 240, 17},
                "Check this box if you are using a Radeon 8500 or a Radeon 7500");
}

void OCPanel::buildPresetsAndActions(ui::TabSheet& tabOC) {
  groupTimings = &ui::place<ui::GroupBox>(tabOC, "groupTimings", " Timings ", {2, 174, 190, 50});
  comboTimings = &presetList(*groupTimings, "comboTimings", {"Slow", "Medium", "Fast"}, 1,
                             "Defines the timings of the onboard memory");
  groupLatency = &ui::place<ui::GroupBox>(tabOC, "groupLatency", " Latency ", {198, 174, 190, 50});
  comboLatency = &presetList(*groupLatency, "comboLatency", {"Medium", "Fast"}, 1,
                             "Defines the latency of the onboard memory");
  checkapplyclock = &checkBox(tabOC, "checkapplyclock", "Apply Clocks", {10, 234, 150, 17},
                              "Apply the clocks (Core and Memory)");
  checkapplyclock->setChecked(true);
  checkapplytiming = &checkBox(tabOC, "checkapplytiming", "Apply Timings", {10, 254, 150, 17},
                               "Apply the memory timings");
  checkapplylatency = &checkBox(tabOC, "checkapplylatency", "Apply Latency", {10, 274, 150, 17},
                                "Apply the memory latency");
  butDefault = &ui::place<ui::Button>(tabOC, "butDefault", "Default Settings", {356, 236, 110, 25});
  buttApplyOC = &ui::place<ui::Button>(tabOC, "buttApplyOC", "Apply Settings", {476, 236, 110, 25});
  checkRunAtStartup =
      &checkBox(tabOC, "checkRunAtStartup", "Overclock the Radeon at Windows startup",
                {10, 330, 300, 17}, "Enables overclocking at windows startup");
}

void OCPanel::wireHandlers() {
  trackCoreSpeed->onChange = [this] { trackCoreSpeedChange(); };
  trackMEMSpeed->onChange = [this] { trackMEMSpeedChange(); };
  comboTimings->onChange = [this] { comboTimingsChange(); };
  comboLatency->onChange = [this] { comboLatencyChange(); };
  checkSync->onClick = [this] { checkSyncClick(); };
  check8500OC->onClick = [this] { check8500OCClick(); };
  buttApplyOC->onClick = [this] { buttApplyOCClick(); };
  butDefault->onClick = [this] { butDefaultClick(); };

  const auto pressed = [this](ui::MouseButton b) { checkVSyncMouseDown(b); };
  for (ui::CheckBox* box : {checkSync, check8500OC, checkRunAtStartup}) box->onMouseDown = pressed;
  checkapplyclock->onMouseDown = [this](ui::MouseButton b) { checkapplyclockMouseDown(b); };
  checkapplytiming->onMouseDown = [this](ui::MouseButton b) { checkapplytimingMouseDown(b); };
  checkapplylatency->onMouseDown = [this](ui::MouseButton b) { checkapplylatencyMouseDown(b); };
  butDefault->onMouseDown = [this](ui::MouseButton b) { butDefaultMouseDown(b); };

  const auto released = [this](ui::MouseButton b) { checkapplyclockMouseUp(b); };
  for (ui::CheckBox* box :
       {checkSync, check8500OC, checkapplytiming, checkapplylatency, checkapplyclock})
    box->onMouseUp = released;

  for (ui::Control* c : std::initializer_list<ui::Control*>{trackMEMSpeed, trackCoreSpeed,
                                                            comboTimings, comboLatency})
    c->onEnter = [this] { comboAnisoD3DEnter(); };
}

void OCPanel::modified() {
  if (onModified) onModified();
}

// ---- start-up

void OCPanel::InitOverclockPanel() {
  checkSync->setChecked(false);
  pending_ = false;
  {
    ProbeSession session(probe_);
    try {
      if (clocks_.InitClockInfo()) {
        ShowClocks();
        readout_ = true;
      } else {
        DisableOverclockPanel();
      }
    } catch (const std::exception&) {
      // The card's clock data is unusable: the page stays disabled.
      DisableOverclockPanel();
    }
    probe_.CloseProbe();
  }
  readStartupFlag("overclock", *checkRunAtStartup);
  readStartupFlag("8500", *check8500OC);
  startupLoaded_ = true;
}

// 1 checks the box, any other number unchecks it; a value that cannot be
// read is written as 0. Without the program's key that write fails too: the
// box stays unchecked and start-up goes on.
void OCPanel::readStartupFlag(const char* value, ui::CheckBox& box) {
  RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
  own.openKey(kProgramKey, false);
  try {
    box.setChecked(own.readInteger(value) == 1);
    return;
  } catch (const Error&) {
  }
  try {
    own.writeInteger(value, 0);
  } catch (const Error&) {
  }
  box.setChecked(false);
}

// ---- the readout

void OCPanel::ShowClocks() {
  const CardClocks clocks = clocks_.GetClocks();
  coreClock_ = clocks.core;
  memoryClock_ = clocks.memory;
  clockStep_ = clocks_.GetClockStep();
  labelCoreSpeed->setText(clockCaption(coreClock_));

  // A BIOS minimum of 0 still leaves position 1 the lowest; one above the
  // highest position is refused by the bar, which keeps its minimum.
  const int lowest =
      std::max(kLowestPosition, lowestSteps(clocks_.clockInfo().minimumClock, clockStep_));

  trackCoreSpeed->setMax(kMaximumPosition);
  trackCoreSpeed->setMin(lowest);
  trackCoreSpeed->setPosition(roundHalfEven(checkedDivide(coreClock_, clockStep_)));
  labelMEMSpeed->setText(clockCaption(memoryClock_));
  trackMEMSpeed->setMax(kMaximumPosition);
  trackMEMSpeed->setMin(lowest);
  trackMEMSpeed->setPosition(roundHalfEven(checkedDivide(memoryClock_, clockStep_)));

  comboLatency->setItemIndex(clocks_.GetMemoryLatency() == std::uint32_t{kLatencyMedium} ? 0 : 1);
  const std::uint32_t timing = clocks_.GetMemoryTimings();
  comboTimings->setItemIndex(timing <= std::uint32_t{kTimingFast} ? static_cast<int>(timing) : -1);
}

void OCPanel::DisableOverclockPanel() {
  for (ui::Control* c : std::initializer_list<ui::Control*>{
           check8500OC,    checkSync,         Label20,         Label21,           labelCore1,
           labelcore2,     labelCoreSpeed,    labelMem1,       labelmem2,         labelMEMSpeed,
           trackCoreSpeed, trackMEMSpeed,     comboTimings,    comboLatency,      butDefault,
           buttApplyOC,    checkRunAtStartup, checkapplyclock, checkapplylatency, checkapplytiming})
    c->setEnabled(false);
}

void OCPanel::SetApplyOCEnabled(bool enabled) {
  if (enabled == pending_) return;
  pending_ = enabled;
  buttApplyOC->setEnabled(enabled);
}

// ---- handlers

void OCPanel::trackChange(ui::TrackBar& moved, ui::Label& movedLabel, ui::TrackBar& other,
                          ui::Label& otherLabel) {
  movedLabel.setText(clockCaption(static_cast<float>(moved.position()) * clockStep_));
  if (checkSync->checked()) {
    other.setPosition(moved.position());
    otherLabel.setText(clockCaption(static_cast<float>(other.position()) * clockStep_));
  }
  SetApplyOCEnabled(true);
  butDefault->setEnabled(true);
}

void OCPanel::trackCoreSpeedChange() {
  trackChange(*trackCoreSpeed, *labelCoreSpeed, *trackMEMSpeed, *labelMEMSpeed);
}

void OCPanel::trackMEMSpeedChange() {
  trackChange(*trackMEMSpeed, *labelMEMSpeed, *trackCoreSpeed, *labelCoreSpeed);
}

void OCPanel::comboTimingsChange() { SetApplyOCEnabled(true); }

void OCPanel::comboLatencyChange() { SetApplyOCEnabled(true); }

// The lower clock wins.
void OCPanel::checkSyncClick() {
  if (!checkSync->checked()) return;
  if (trackMEMSpeed->position() < trackCoreSpeed->position()) {
    trackCoreSpeed->setPosition(trackMEMSpeed->position());
    trackCoreSpeedChange();
  } else {
    trackMEMSpeed->setPosition(trackCoreSpeed->position());
    trackMEMSpeedChange();
  }
}

// The 7500 and 8500 are overclocked with asynchronous clocks only, and
// their memory presets are left alone.
void OCPanel::check8500OCClick() {
  const bool presetsUsable = !check8500OC->checked();
  for (ui::Control* c : std::initializer_list<ui::Control*>{comboLatency, comboTimings,
                                                            checkapplytiming, checkapplylatency})
    c->setEnabled(presetsUsable);
  checkapplytiming->setChecked(false);
  checkapplylatency->setChecked(false);
}

// "Apply Clocks" gates the clock programming: unchecked, only the presets
// whose own boxes are checked are programmed.
void OCPanel::buttApplyOCClick() {
  ProbeSession session(probe_);
  if (!clocks_.InitClockInfo()) {
    app_.messageBox(kNoDevice, "", ui::kMbOk);
    return;
  }
  if (std::min(trackCoreSpeed->position(), trackMEMSpeed->position()) < kLowestPosition) {
    app_.messageBox(kBelowOneStep, "Kestrelune", ui::kMbOk | ui::kMbIconWarning);
    return;
  }
  const float core = static_cast<float>(trackCoreSpeed->position()) * clockStep_;
  const float memory = static_cast<float>(trackMEMSpeed->position()) * clockStep_;
  const bool programClocks = checkapplyclock->checked();
  if (check8500OC->checked()) {
    if (programClocks) clocks_.SetClocks(core, memory, false);
  } else {
    if (programClocks) clocks_.SetClocks(core, memory, core == memory);
    if (checkapplytiming->checked()) clocks_.SetMemoryTimings(comboTimings->itemIndex());
    if (checkapplylatency->checked())
      clocks_.SetMemoryLatency(comboLatency->itemIndex() == 0 ? kLatencyMedium : kLatencyFast);
  }
  SetApplyOCEnabled(false);
  ShowClocks();
  probe_.CloseProbe();
  modified();
}

void OCPanel::butDefaultClick() {
  ProbeSession session(probe_);
  if (!clocks_.InitClockInfo()) {
    app_.messageBox(kNoDevice, "Kestrelune", ui::kMbOk);
    return;
  }
  const int position = wholeSteps(clocks_.clockInfo().defaultClock, clockStep_);
  if (position < kLowestPosition) {
    app_.messageBox(kNoDefaultClock, "Kestrelune", ui::kMbOk | ui::kMbIconWarning);
    return;
  }
  trackCoreSpeed->setPosition(position);
  trackMEMSpeed->setPosition(position);
  trackCoreSpeedChange();
  trackMEMSpeedChange();
  const float core = static_cast<float>(trackCoreSpeed->position()) * clockStep_;
  const float memory = static_cast<float>(trackMEMSpeed->position()) * clockStep_;
  const bool presetsUsable = !check8500OC->checked();
  if (presetsUsable) {
    clocks_.SetMemoryLatency(kLatencyMedium);
    clocks_.SetMemoryTimings(kTimingMedium);
  }
  clocks_.SetClocks(core, memory, presetsUsable);
  SetApplyOCEnabled(false);
  ShowClocks();
  butDefault->setEnabled(false);
  probe_.CloseProbe();
}

// The buttons come back without the pending flag: when it was clear, the
// next "Apply Settings" or "Default Settings" leaves "Apply Settings" enabled.
void OCPanel::checkapplyclockMouseUp(ui::MouseButton) {
  buttApplyOC->setEnabled(true);
  butDefault->setEnabled(true);
}

void OCPanel::checkVSyncMouseDown(ui::MouseButton) { modified(); }
void OCPanel::checkapplyclockMouseDown(ui::MouseButton) { modified(); }
void OCPanel::checkapplytimingMouseDown(ui::MouseButton) { modified(); }
void OCPanel::checkapplylatencyMouseDown(ui::MouseButton) { modified(); }
void OCPanel::butDefaultMouseDown(ui::MouseButton) { modified(); }
void OCPanel::comboAnisoD3DEnter() { modified(); }

// ---- Apply of the main window

void OCPanel::WriteStartupOverclock(bool registered) {
  if (!registered) {
    removeRunValue();
    RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
    own.openKey(kProgramKey, false);
    own.writeInteger("overclock", 0);
    return;
  }
  // Checked before anything is written: a Run value with a relative path
  // would start nothing, or the wrong program, at logon.
  const std::string folder = system::GetInstallPath(platform_);
  if (folder.empty()) throw Error(kNoInstallPath);
  ensureOCInfoKey();
  {
    RegistryAccess run(platform_.registry, platform::kHkeyLocalMachine);
    run.openKey(kRunKey, false);
    // Quoted: "C:\Program Files\..." unquoted is read as C:\Program.
    run.writeString(kRunValue, "\"" + folder + kStartupProgram + "\"");
  }
  {
    RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
    own.openKey(kProgramKey, false);
    own.writeInteger("overclock", 1);
  }
  writeOCInfo();
}

// The setup makes "OCInfo"; when it is gone (deleted by hand, a setup of an
// older version) it is made again below the program's key, which the
// installation folder just read shows to exist. The start-up program must
// never be registered without the key it reads its settings from.
void OCPanel::ensureOCInfoKey() {
  RegistryAccess info(platform_.registry, platform::kHkeyCurrentUser);
  if (!info.openKey(kOCInfoKey, true))
    throw Error(formatMessage("Failed to set data for '%s'", "OCInfo"));
}

void OCPanel::writeOCInfo() {
  RegistryAccess info(platform_.registry, platform::kHkeyCurrentUser);
  info.openKey(kOCInfoKey, false);
  info.writeString("Core", labelCoreSpeed->text());
  info.writeString("Mem", labelMEMSpeed->text());
  info.writeString("Lat", std::to_string(comboLatency->itemIndex()));
  info.writeString("Tim", std::to_string(comboTimings->itemIndex()));
  // A list that shows no preset has nothing to apply at logon.
  const bool timing = checkapplytiming->checked() && comboTimings->itemIndex() >= 0;
  const bool latency = checkapplylatency->checked() && comboLatency->itemIndex() >= 0;
  if (check8500OC->checked()) {
    info.writeString("Card", "7500/8500");
    info.writeInteger("apply_tim", 0);
    info.writeInteger("apply_lat", 0);
  } else {
    info.writeInteger("apply_tim", timing ? 1 : 0);
    info.writeInteger("apply_lat", latency ? 1 : 0);
    info.writeString("Card", "non 7500/8500");
  }
}

// A Run value that stays behind would keep overclocking at every logon
// while "overclock" says it does not: when it cannot be deleted (no rights
// on HKEY_LOCAL_MACHINE), that is an error like a failed write. An absent
// value is what removing wants.
void OCPanel::removeRunValue() {
  {
    RegistryAccess run(platform_.registry, platform::kHkeyLocalMachine);
    if (run.openKey(kRunKey, false) && run.deleteValue(kRunValue)) return;
  }
  RegistryAccess check(platform_.registry, platform::kHkeyLocalMachine);
  if (check.openKeyReadOnly(kRunKey) && check.valueExists(kRunValue))
    throw Error(formatMessage("Failed to set data for '%s'", kRunValue));
}

void OCPanel::WriteCardType() {
  try {
    RegistryAccess own(platform_.registry, platform::kHkeyCurrentUser);
    own.openKey(kProgramKey, false);
    own.writeInteger("8500", check8500OC->checked() ? 1 : 0);
  } catch (const Error&) {
    app_.showMessage("Cannot write overclock data to registry");
  }
}

}  // namespace kl::overclock
