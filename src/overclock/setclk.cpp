#include "overclock/setclk.h"

#include <cfloat>
#include <cmath>

#include "platform/error.h"
#include "platform/text_util.h"

namespace kl::overclock {

namespace {

constexpr std::uint32_t kBiosHeaderPointer = 0x48;
constexpr std::uint32_t kClockInfoPointer = 0x30;  // relative to the BIOS header
constexpr std::uint32_t kClockInfoSize = 24;
constexpr std::uint32_t kDefaultClockField = 8;
constexpr std::uint32_t kReferenceFrequencyField = 14;
constexpr std::uint32_t kMinimumClockField = 18;

constexpr std::uint32_t kPllDividers = 0x0A;
constexpr std::uint32_t kPllClockSource = 0x0D;
constexpr std::uint32_t kDividerMask = 0x00FFFF00;
constexpr std::uint32_t kSourceMask = 0x00000007;
constexpr std::uint32_t kSourceSynchronous = 7;
constexpr std::uint32_t kSourceAsynchronous = 2;

constexpr std::uint32_t kTimingRegister = 0x0144;
constexpr std::uint32_t kTimingMask = 0x0000F0FF;
constexpr std::uint32_t kLatencyRegister = 0x0154;
constexpr std::uint32_t kWholeRegister = 0xFFFFFFFF;

struct TimingPreset {
  std::uint32_t masked;  // the bits under kTimingMask
  std::uint32_t written;
};
constexpr TimingPreset kTimingPresets[] = {
    {0x307F, 0x1405357F},  // Slow
    {0x306A, 0x1405356A},  // Medium
    {0x206A, 0x1405256A},  // Fast
};
constexpr std::uint32_t kLatencyPresets[] = {
    0x7FFFF1FF,  // Fast
    0x44334244,  // Medium
};

// The BIOS stores clocks in units of 10 kHz. The product of a 16-bit word
// and the single constant 0.01 is exact in double, so it is rounded to
// single precision only once, on the store.
float tenKilohertz(std::uint32_t word) {
  return static_cast<float>(static_cast<double>(word) * static_cast<double>(0.01f));
}

// Raises the floating-point error of x / y when y is 0.
void checkDivisor(float x, float y) {
  if (y != 0.0f) return;
  throw Error(x == 0.0f || std::isnan(x) ? "Invalid floating point operation"
                                         : "Floating point division by zero");
}

// Room for the rounding of a few single-precision operations, relative to
// the quotient: far below one step for every divider of 8 bits.
constexpr double kAllowance = 8 * FLT_EPSILON;

// The divider for a clock: floor(clock * R / Fref). The clocks the panel
// passes are P steps computed in single precision, which may lie a few units
// of the last place below P * Fref / R; the allowance, far below a step,
// brings them back to P while a clock between two steps still gives the
// lower one. Only the low 8 bits are used.
std::uint32_t divider(float clock, std::uint32_t r, float fref) {
  checkDivisor(clock * static_cast<float>(r), fref);
  const double steps = static_cast<double>(clock) * r / fref;
  const double allowance = std::fabs(steps) * kAllowance;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(steps + allowance))) &
         0xFF;
}

// A write the device refused ends the programming there, so nothing is
// programmed on top of a register that did not take its value (new
// dividers without the clock source that goes with them, say).
enum class Space { Pll, Mmio };

void requireWritten(bool written, Space space, std::uint32_t target) {
  if (written) return;
  throw Error(
      platform::formatText("Cannot program the card: r6probe refused the write to %s 0x%0*X",
                           space == Space::Pll ? "PLL register" : "register",
                           space == Space::Pll ? 2 : 4, static_cast<unsigned>(target)));
}

}  // namespace

float checkedDivide(float x, float y) {
  checkDivisor(x, y);
  return x / y;
}

int wholeSteps(float clock, float step) {
  const double steps = checkedDivide(clock, step);
  return static_cast<int>(std::floor(steps + std::fabs(steps) * kAllowance));
}

int lowestSteps(float clock, float step) {
  const double steps = checkedDivide(clock, step);
  return static_cast<int>(std::ceil(steps - std::fabs(steps) * kAllowance));
}

bool ClockProgrammer::InitClockInfo() {
  if (!probe_.OpenProbe()) return false;
  const std::uint32_t header = probe_.ReadBiosDword(kBiosHeaderPointer) & 0xFFFF;
  const std::uint32_t block = probe_.ReadBiosDword(header + kClockInfoPointer) & 0xFFFF;
  std::uint8_t bytes[kClockInfoSize] = {};
  probe_.ReadBiosBlock(block, bytes, sizeof bytes);
  info_.referenceFrequency = tenKilohertz(biosWord(bytes, kReferenceFrequencyField));
  info_.defaultClock = tenKilohertz(biosWord(bytes, kDefaultClockField));
  info_.minimumClock = tenKilohertz(biosWord(bytes, kMinimumClockField));
  return true;
}

std::uint32_t ClockProgrammer::biosWord(const std::uint8_t* block, std::uint32_t field) const {
  return static_cast<std::uint32_t>(block[field]) | static_cast<std::uint32_t>(block[field + 1])
                                                        << 8;
}

CardClocks ClockProgrammer::GetClocks() {
  CardClocks clocks;
  const std::uint32_t source = probe_.ReadPllRegister(kPllClockSource);
  clocks.synchronous = (source & 7) == kSourceSynchronous;
  const std::uint32_t d = probe_.ReadPllRegister(kPllDividers);
  const std::uint32_t r = d & 0xFF, m = (d >> 8) & 0xFF, c = (d >> 16) & 0xFF;
  const float step = checkedDivide(info_.referenceFrequency, static_cast<float>(r));
  clocks.memory = static_cast<float>(m) * step;
  clocks.core = clocks.synchronous ? clocks.memory : static_cast<float>(c) * step;
  return clocks;
}

float ClockProgrammer::GetClockStep() {
  const std::uint32_t r = probe_.ReadPllRegister(kPllDividers) & 0xFF;
  return checkedDivide(info_.referenceFrequency, static_cast<float>(r));
}

void ClockProgrammer::SetClocks(float core, float memory, bool synchronous) {
  const std::uint32_t r = probe_.ReadPllRegister(kPllDividers) & 0xFF;
  if (synchronous) memory = core;
  const std::uint32_t source = synchronous ? kSourceSynchronous : kSourceAsynchronous;
  const std::uint32_t nc = divider(core, r, info_.referenceFrequency);
  const std::uint32_t nm = divider(memory, r, info_.referenceFrequency);
  if (nc == 0 || nm == 0)
    throw Error("Cannot program the card: a clock below one divider step would stop it");
  requireWritten(probe_.WritePllRegister(kPllDividers, kDividerMask, nc << 16 | nm << 8),
                 Space::Pll, kPllDividers);
  requireWritten(probe_.WritePllRegister(kPllClockSource, kSourceMask, source), Space::Pll,
                 kPllClockSource);
}

std::uint32_t ClockProgrammer::GetMemoryTimings() {
  const std::uint32_t raw = probe_.ReadRegister(kTimingRegister);
  for (std::uint32_t preset = 0; preset < 3; ++preset)
    if ((raw & kTimingMask) == kTimingPresets[preset].masked) return preset;
  return raw;
}

void ClockProgrammer::SetMemoryTimings(int preset) {
  if (preset < 0 || preset > 2) return;
  requireWritten(probe_.WriteRegister(kTimingRegister, kTimingMask, kTimingPresets[preset].written),
                 Space::Mmio, kTimingRegister);
}

std::uint32_t ClockProgrammer::GetMemoryLatency() {
  const std::uint32_t raw = probe_.ReadRegister(kLatencyRegister);
  for (std::uint32_t preset = 0; preset < 2; ++preset)
    if (raw == kLatencyPresets[preset]) return preset;
  return raw;
}

void ClockProgrammer::SetMemoryLatency(int preset) {
  if (preset < 0 || preset > 1) return;
  requireWritten(probe_.WriteRegister(kLatencyRegister, kWholeRegister, kLatencyPresets[preset]),
                 Space::Mmio, kLatencyRegister);
}

}  // namespace kl::overclock
