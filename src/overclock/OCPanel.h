#pragma once
// The page "Overclocking": the core and memory clock track bars with their
// readouts, the timing and latency presets, "Apply Settings" and "Default
// Settings", which program the card at once, and the start-up overclock,
// which the main window's Apply registers. The page owns the device and the
// clock programming, and the overclocking state: the clocks and the clock
// step of the last readout and the pending flag of "Apply Settings".
#include <functional>

#include "overclock/r6probe.h"
#include "overclock/setclk.h"
#include "platform/platform.h"
#include "ui/application.h"
#include "ui/controls.h"

namespace kl::overclock {

class OCPanel {
 public:
  // Builds the page's controls on `tabOC` in their design state and wires
  // their handlers. `platform` and `app` must outlive the page.
  OCPanel(ui::TabSheet& tabOC, platform::Platform& platform, ui::Application& app);

  // Raised by every user input that marks the main window modified (mouse
  // presses on the check boxes and "Default Settings", the focus entering a
  // track bar or a preset list) and after "Apply Settings" has programmed
  // the card.
  std::function<void()> onModified;

  // Start-up: unchecks checkSync, clears the pending flag, reads the card
  // into the page (or disables the page when the device or the card's clock
  // data is unusable), closes the device, then sets checkRunAtStartup from
  // "overclock" and check8500OC from "8500" of the program's key, writing 0
  // for a value that cannot be read.
  void InitOverclockPanel();
  // True once InitOverclockPanel has run to its end, so Apply may store the
  // page's state. A missing program key does not stop it: both boxes are
  // then unchecked and nothing could be written.
  bool startupLoaded() const { return startupLoaded_; }
  // True when start-up filled the page from the card. A page left disabled
  // (no device, no clock data) shows its design captions, so Apply keeps the
  // stored start-up overclock ("overclock", "8500", the Run value and OCInfo)
  // exactly as it is instead of writing them.
  bool filledFromCard() const { return readout_; }

  // Apply: registers the start-up overclock (the Run value, "overclock" = 1
  // and the "OCInfo" values) or removes it (the Run value deleted,
  // "overclock" = 0). A registry error ends it and is raised to the caller.
  // Registering raises before it writes anything when the installation
  // folder is unknown, and makes "OCInfo" when it is missing.
  void WriteStartupOverclock(bool registered);
  // Apply: "8500" from check8500OC; a failure is reported in a message box
  // and Apply goes on.
  void WriteCardType();

  // Reads the card into the page; raises when its clocks cannot be computed.
  // The device must be open.
  void ShowClocks();
  void DisableOverclockPanel();
  void SetApplyOCEnabled(bool enabled);

  // Handlers, named after control and event.
  void trackCoreSpeedChange();
  void trackMEMSpeedChange();
  void comboTimingsChange();
  void comboLatencyChange();
  void checkSyncClick();
  void check8500OCClick();
  void buttApplyOCClick();
  void butDefaultClick();
  // Mouse release on checkSync, check8500OC and the three apply boxes.
  void checkapplyclockMouseUp(ui::MouseButton button);
  // Mouse presses and focus that only mark the window modified.
  void checkVSyncMouseDown(ui::MouseButton button);
  void checkapplyclockMouseDown(ui::MouseButton button);
  void checkapplytimingMouseDown(ui::MouseButton button);
  void checkapplylatencyMouseDown(ui::MouseButton button);
  void butDefaultMouseDown(ui::MouseButton button);
  void comboAnisoD3DEnter();

  // State of the last readout and of "Apply Settings".
  bool pending() const { return pending_; }
  float clockStep() const { return clockStep_; }
  float coreClock() const { return coreClock_; }
  float memoryClock() const { return memoryClock_; }

  // The page's controls.
  ui::GroupBox* groupOC = nullptr;
  ui::TrackBar* trackCoreSpeed = nullptr;
  ui::TrackBar* trackMEMSpeed = nullptr;
  ui::Label* labelCore1 = nullptr;
  ui::Label* labelcore2 = nullptr;
  ui::Label* labelCoreSpeed = nullptr;
  ui::Label* Label20 = nullptr;
  ui::Label* labelMem1 = nullptr;
  ui::Label* labelmem2 = nullptr;
  ui::Label* labelMEMSpeed = nullptr;
  ui::Label* Label21 = nullptr;
  ui::CheckBox* checkSync = nullptr;
  ui::CheckBox* check8500OC = nullptr;
  ui::GroupBox* groupTimings = nullptr;
  ui::ComboBox* comboTimings = nullptr;
  ui::GroupBox* groupLatency = nullptr;
  ui::ComboBox* comboLatency = nullptr;
  ui::Button* butDefault = nullptr;
  ui::Button* buttApplyOC = nullptr;
  ui::CheckBox* checkapplyclock = nullptr;
  ui::CheckBox* checkapplytiming = nullptr;
  ui::CheckBox* checkapplylatency = nullptr;
  ui::CheckBox* checkRunAtStartup = nullptr;

 private:
  void buildClockGroup(ui::TabSheet& tabOC);
  void buildPresetsAndActions(ui::TabSheet& tabOC);
  void wireHandlers();
  void trackChange(ui::TrackBar& moved, ui::Label& movedLabel, ui::TrackBar& other,
                   ui::Label& otherLabel);
  void readStartupFlag(const char* value, ui::CheckBox& box);
  void ensureOCInfoKey();
  void writeOCInfo();
  void removeRunValue();
  void modified();

  platform::Platform& platform_;
  ui::Application& app_;
  R6Probe probe_;
  ClockProgrammer clocks_;
  float coreClock_ = 0;
  float memoryClock_ = 0;
  float clockStep_ = 0;
  bool pending_ = false;
  bool startupLoaded_ = false;
  bool readout_ = false;
};

// The clock as the page shows it: two decimals and a point, whatever the
// user's locale ("164.25", "99.50").
std::string clockCaption(float mhz);

// The integer nearest to x, halves to the even one.
int roundHalfEven(float x);

}  // namespace kl::overclock
