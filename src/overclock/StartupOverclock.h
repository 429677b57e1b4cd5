#pragma once
// OC\StartupOverclock.exe, which Windows starts at logon through the Run
// value: it re-applies the overclock stored in HKEY_CURRENT_USER
// "Software\Kestrelune\OCInfo" by the main program's Apply. It validates
// every value it will use, and reads the card, before it programs anything;
// on any failure found then it programs nothing. A write the card refuses
// ends the programming there (Failed). It never writes the registry.
//
// The values, as the main program writes them:
//   "Core", "Mem"  text, the clocks in MHz with two decimals ("164.25");
//                  each becomes the NEAREST divider (the text is rounded),
//                  which must lie in 1 to 200 steps
//   "Card"         text, "7500/8500" (asynchronous clocks) or "non 7500/8500"
//                  (synchronous when both dividers are equal)
//   "Tim"          text, timing preset "0" Slow, "1" Medium, "2" Fast
//   "Lat"          text, latency "0" Medium, "1" Fast
//   "apply_tim", "apply_lat"  DWORD 0 or 1: program "Tim", "Lat"
// "Tim" and "Lat" must be present always; their content is checked only
// when they are to be applied. "-1" (the program's "no preset") skips that
// preset, and the clocks and the other preset are programmed.
#include "platform/platform.h"

namespace kl::overclock {

// The exit codes of the program, one per outcome.
enum class StartupExit : int {
  Programmed = 0,       // clocks (and the requested presets) programmed
  NoSettings = 1,       // the key "OCInfo" does not exist
  MissingValue = 2,     // a value is absent or of the wrong type
  NotANumber = 3,       // "Core" or "Mem" is not a decimal number
  UnknownValue = 4,     // "Card", "Tim", "Lat", "apply_tim" or "apply_lat" unknown
  NoDevice = 5,         // r6probe cannot be opened (driver not running)
  NoClockData = 6,      // the card's clock step cannot be computed (R or Fref 0)
  ClockOutOfRange = 7,  // "Core" or "Mem" is outside 1 to 200 divider steps
  Failed = 8,           // any other error
};

// Reads "OCInfo", opens the device and programs the card.
StartupExit RunStartupOverclock(platform::Platform& platform);

}  // namespace kl::overclock
