#include "overclock/StartupOverclock.h"

#include <cmath>
#include <optional>
#include <string>

#include "overclock/r6probe.h"
#include "overclock/setclk.h"
#include "platform/error.h"
#include "platform/registry_access.h"

namespace kl::overclock {

using platform::RegDataType;
using platform::RegistryAccess;

namespace {

constexpr char kOCInfoKey[] = "Software\\Kestrelune\\OCInfo";
constexpr int kMaximumSteps = 200;

// What the stored values ask for, checked as far as the registry alone
// allows.
struct StoredOverclock {
  double core = 0, memory = 0;  // MHz
  bool asynchronousCard = false;
  std::optional<int> timing;   // preset to program
  std::optional<int> latency;  // preset to program
};

// A failure that ends the program with its exit code.
struct Refused {
  StartupExit code;
};

std::string readText(RegistryAccess& key, const char* name) {
  if (!key.valueExists(name)) throw Refused{StartupExit::MissingValue};
  const RegDataType type = key.getDataType(name);
  if (type != RegDataType::String && type != RegDataType::ExpandString)
    throw Refused{StartupExit::MissingValue};
  return key.readString(name);
}

bool readSwitch(RegistryAccess& key, const char* name) {
  if (!key.valueExists(name) || key.getDataType(name) != RegDataType::Integer)
    throw Refused{StartupExit::MissingValue};
  const std::int32_t value = key.readInteger(name);
  if (value != 0 && value != 1) throw Refused{StartupExit::UnknownValue};
  return value == 1;
}

// Digits, optionally a point and more digits: what the main program writes,
// read the same whatever the locale.
double parseClock(const std::string& text) {
  double value = 0, scale = 1;
  bool digits = false, point = false;
  for (char c : text) {
    if (c == '.' && !point) {
      point = true;
    } else if (c >= '0' && c <= '9') {
      digits = true;
      if (point) {
        scale /= 10;
        value += (c - '0') * scale;
      } else {
        value = value * 10 + (c - '0');
      }
    } else {
      throw Refused{StartupExit::NotANumber};
    }
  }
  if (!digits || text.back() == '.') throw Refused{StartupExit::NotANumber};
  return value;
}

// "0".."count-1" as the index it names; "-1", the list showing no preset,
// as none: the rest is programmed all the same.
std::optional<int> parsePreset(const std::string& text, int count) {
  if (text == "-1") return std::nullopt;
  for (int i = 0; i < count; ++i)
    if (text == std::to_string(i)) return i;
  throw Refused{StartupExit::UnknownValue};
}

StoredOverclock readStoredOverclock(platform::Platform& platform) {
  RegistryAccess key(platform.registry, platform::kHkeyCurrentUser);
  if (!key.openKeyReadOnly(kOCInfoKey)) throw Refused{StartupExit::NoSettings};
  const std::string core = readText(key, "Core"), memory = readText(key, "Mem");
  const std::string card = readText(key, "Card");
  const std::string timing = readText(key, "Tim"), latency = readText(key, "Lat");
  const bool applyTiming = readSwitch(key, "apply_tim");
  const bool applyLatency = readSwitch(key, "apply_lat");

  StoredOverclock stored;
  stored.core = parseClock(core);
  stored.memory = parseClock(memory);
  if (card != "7500/8500" && card != "non 7500/8500") throw Refused{StartupExit::UnknownValue};
  stored.asynchronousCard = card == "7500/8500";
  if (applyTiming) stored.timing = parsePreset(timing, 3);
  // The list shows "Medium" first: its index 0 is latency preset 1.
  if (applyLatency) {
    if (const std::optional<int> shown = parsePreset(latency, 2))
      stored.latency = *shown == 0 ? kLatencyMedium : kLatencyFast;
  }
  return stored;
}

// The nearest whole number of steps, which must be one the page offers.
int nearestSteps(double clock, float step) {
  const double steps = std::floor(clock / step + 0.5);
  if (steps < 1 || steps > kMaximumSteps) throw Refused{StartupExit::ClockOutOfRange};
  return static_cast<int>(steps);
}

StartupExit program(platform::Platform& platform, const StoredOverclock& stored) {
  R6Probe probe(platform.device);
  ProbeSession session(probe);
  ClockProgrammer clocks(probe);
  if (!clocks.InitClockInfo()) return StartupExit::NoDevice;
  float step = 0;
  try {
    step = clocks.GetClockStep();
  } catch (const Error&) {
    return StartupExit::NoClockData;
  }
  if (!(step > 0)) return StartupExit::NoClockData;  // a BIOS without clock data
  const int core = nearestSteps(stored.core, step);
  const int memory = nearestSteps(stored.memory, step);
  const bool synchronous = !stored.asynchronousCard && core == memory;
  clocks.SetClocks(static_cast<float>(core) * step, static_cast<float>(memory) * step, synchronous);
  if (stored.timing) clocks.SetMemoryTimings(*stored.timing);
  if (stored.latency) clocks.SetMemoryLatency(*stored.latency);
  return StartupExit::Programmed;
}

}  // namespace

StartupExit RunStartupOverclock(platform::Platform& platform) {
  try {
    return program(platform, readStoredOverclock(platform));
  } catch (const Refused& refused) {
    return refused.code;
  } catch (const Error&) {
    return StartupExit::Failed;
  }
}

}  // namespace kl::overclock
