#pragma once
// Clocks in MHz and memory presets on top of the r6probe registers: the
// clock information of the video BIOS, the dividers of the clock synthesiser
// (PLL 0x0A), the core clock source (PLL 0x0D), the memory timing (0x0144)
// and latency (0x0154) registers. Clock arithmetic is single precision; a
// division by zero raises instead of giving an infinity.
#include <cstdint>

#include "overclock/r6probe.h"

namespace kl::overclock {

// x / y for the clock arithmetic. Raises kl::Error "Floating point division
// by zero" for x / 0 with x != 0 and "Invalid floating point operation" for
// 0 / 0.
float checkedDivide(float x, float y);

// The integer part of clock / step, where a quotient a few units of the last
// place below a whole number counts as that number: single-precision noise
// must not cost a step (27.00 MHz / 10 and 124.20 MHz are 46 steps, whose
// single quotient is 45.9999962). Raises as checkedDivide does.
int wholeSteps(float clock, float step);

// The first whole number of steps whose clock is not below `clock`, with the
// same allowance: 172.80 MHz at 1.80 MHz a step is 96 steps, not 97.
// Raises as checkedDivide does.
int lowestSteps(float clock, float step);

// From the video BIOS; all 0 until the first successful InitClockInfo.
struct ClockInfo {
  float referenceFrequency = 0;  // MHz, Fref
  float minimumClock = 0;        // MHz, the lowest clock offered
  float defaultClock = 0;        // MHz, core and memory by "Default Settings"
};

struct CardClocks {
  float core = 0;            // MHz
  float memory = 0;          // MHz
  bool synchronous = false;  // the core runs from the memory synthesiser
};

// Timing presets of register 0x0144 and latency presets of 0x0154.
enum MemoryTimingPreset : int { kTimingSlow = 0, kTimingMedium = 1, kTimingFast = 2 };
enum MemoryLatencyPreset : int { kLatencyFast = 0, kLatencyMedium = 1 };

// Every operation but InitClockInfo expects the device to be open.
class ClockProgrammer {
 public:
  explicit ClockProgrammer(R6Probe& probe) : probe_(probe) {}

  // Opens the device and reads the clock information. False when the device
  // cannot be opened (the record is left as it was). The device stays open
  // after a true result; the caller closes it.
  bool InitClockInfo();
  const ClockInfo& clockInfo() const { return info_; }

  // The running clocks, from the dividers and the core clock source. Raises
  // a floating-point error when the reference divider or frequency is 0.
  CardClocks GetClocks();
  // MHz per divider step: Fref / R.
  float GetClockStep();
  // Programs the dividers for the clocks (in synchronous mode the memory
  // clock is the core clock), then the core clock source. A clock that is a
  // whole number of steps gives exactly that divider; one between two steps
  // gives the lower. The reference divider is never changed. A clock below
  // one step (a feedback divider of 0, which stops the clock) raises kl::Error
  // before anything is written. A write the
  // device refuses raises kl::Error "Cannot program the card: r6probe
  // refused the write to PLL register 0x0A" (or 0x0D, or "register 0x0144"
  // and "register 0x0154" for the presets) and nothing after it is written.
  void SetClocks(float core, float memory, bool synchronous);

  // The timing preset 0, 1 or 2, or for any other content the raw register.
  std::uint32_t GetMemoryTimings();
  // Presets outside 0 to 2 are ignored.
  void SetMemoryTimings(int preset);
  // The latency preset 0 or 1, or for any other content the raw register.
  std::uint32_t GetMemoryLatency();
  // Presets outside 0 and 1 are ignored.
  void SetMemoryLatency(int preset);

 private:
  std::uint32_t biosWord(const std::uint8_t* block, std::uint32_t field) const;

  R6Probe& probe_;
  ClockInfo info_;
};

}  // namespace kl::overclock
