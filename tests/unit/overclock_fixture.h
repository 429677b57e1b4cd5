#pragma once
// Simulated cards described in place, for the overclocking tests: each test
// states the reference frequency, dividers and BIOS clocks it is about.
#include <cstdint>
#include <deque>
#include <vector>

#include "platform/sim/radeon_card.h"
#include "platform/sim/sim_hardware_device.h"

namespace kl::testing {

// A card to describe, changed step by step: TestCard().r(13).source(2).
struct TestCard {
  struct Values {
    std::uint16_t referenceFrequency = 2700;  // 10 kHz units, as the BIOS stores it
    std::uint8_t r = 12, m = 73, c = 73;
    std::uint8_t source = 7;
    std::uint16_t minimumClock = 12500;
    std::uint16_t defaultClock = 18300;
    std::uint32_t timing = 0x1405356A;   // Medium
    std::uint32_t latency = 0x7FFFF1FF;  // Fast
    bool biosHasClockData = true;
  } v;

  TestCard& fref(std::uint16_t x) { return v.referenceFrequency = x, *this; }
  TestCard& r(std::uint8_t x) { return v.r = x, *this; }
  TestCard& m(std::uint8_t x) { return v.m = x, *this; }
  TestCard& c(std::uint8_t x) { return v.c = x, *this; }
  TestCard& source(std::uint8_t x) { return v.source = x, *this; }
  TestCard& minimum(std::uint16_t x) { return v.minimumClock = x, *this; }
  TestCard& defaultClock(std::uint16_t x) { return v.defaultClock = x, *this; }
  TestCard& timing(std::uint32_t x) { return v.timing = x, *this; }
  TestCard& latency(std::uint32_t x) { return v.latency = x, *this; }
  TestCard& noClockData() { return v.biosHasClockData = false, *this; }
};

// Keeps every description alive as long as the device may use it.
class CardShelf {
 public:
  const platform::CardDescription& make(const TestCard& wanted) {
    const TestCard::Values& s = wanted.v;
    cards_.push_back({"test", "Test card", s.referenceFrequency, s.r, s.m, s.c, s.source,
                      s.minimumClock, s.defaultClock, s.timing, s.latency, s.biosHasClockData});
    return cards_.back();
  }

 private:
  std::deque<platform::CardDescription> cards_;
};

inline std::uint32_t pll(platform::SimHardwareDevice& device, std::uint32_t index) {
  std::uint32_t value = 0;
  device.card()->readPllRegister(index, &value);
  return value;
}

inline std::uint32_t mmio(platform::SimHardwareDevice& device, std::uint32_t offset) {
  std::uint32_t value = 0;
  device.card()->readRegister(offset, &value);
  return value;
}

// Requests of one control code, in the order the device received them.
inline std::vector<platform::DeviceRequest> requestsOf(const platform::SimHardwareDevice& device,
                                                       std::uint32_t code) {
  std::vector<platform::DeviceRequest> found;
  for (const auto& r : device.requests())
    if (r.code == code) found.push_back(r);
  return found;
}

}  // namespace kl::testing
