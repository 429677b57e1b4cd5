// Clocks and memory presets on the simulated card.
#include "overclock/setclk.h"

#include <gtest/gtest.h>

#include <string>

#include "overclock_fixture.h"
#include "platform/error.h"
#include "platform/sim/r6probe_protocol.h"

namespace kl::overclock {
namespace {

using testing::TestCard;
using testing::mmio;
using testing::pll;

class SetClk : public ::testing::Test {
 protected:
  // Installs the card and reads its clock information.
  void start(const TestCard& wanted) {
    device_.installCard(shelf_.make(wanted));
    ASSERT_TRUE(clocks_.InitClockInfo());
    device_.clearRequests();
  }
  std::string errorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const Error& e) {
      return e.what();
    }
    return "(no error)";
  }

  testing::CardShelf shelf_;
  platform::SimHardwareDevice device_;
  R6Probe probe_{device_};
  ClockProgrammer clocks_{probe_};
};

TEST_F(SetClk, ClockInformationComesFromTheBiosInMegahertz) {
  EXPECT_FALSE(clocks_.InitClockInfo());  // no driver yet
  EXPECT_EQ(0.0f, clocks_.clockInfo().referenceFrequency);
  start(TestCard().fref(1432).minimum(14300).defaultClock(27500));
  EXPECT_EQ(14.32f, clocks_.clockInfo().referenceFrequency);
  EXPECT_EQ(143.0f, clocks_.clockInfo().minimumClock);
  EXPECT_EQ(275.0f, clocks_.clockInfo().defaultClock);
  EXPECT_TRUE(probe_.isOpen());  // the caller closes it

  device_.setOpenRefused(true);
  EXPECT_FALSE(clocks_.InitClockInfo());
  EXPECT_EQ(14.32f, clocks_.clockInfo().referenceFrequency);  // kept
}

TEST_F(SetClk, ReadsSynchronousAndAsynchronousClocks) {
  start(TestCard().r(12).m(73).c(73).source(7));
  CardClocks c = clocks_.GetClocks();
  EXPECT_EQ(2.25f, clocks_.GetClockStep());
  EXPECT_EQ(164.25f, c.memory);
  EXPECT_EQ(164.25f, c.core);
  EXPECT_TRUE(c.synchronous);

  start(TestCard().r(12).m(73).c(0x50).source(2));
  c = clocks_.GetClocks();
  EXPECT_EQ(180.0f, c.core);
  EXPECT_EQ(164.25f, c.memory);
  EXPECT_FALSE(c.synchronous);

  // Only 7 in the low bits is synchronous; the bits above do not count.
  start(TestCard().r(12).m(73).c(0x50).source(6));
  EXPECT_FALSE(clocks_.GetClocks().synchronous);
  device_.card()->writePllRegister(0x0D, 0xFFFFFFFF, 0xFFFFFFF7);
  EXPECT_TRUE(clocks_.GetClocks().synchronous);
  EXPECT_EQ(164.25f, clocks_.GetClocks().core);  // C is ignored then
}

TEST_F(SetClk, WritesTheDividersUnderTheirMaskThenTheSource) {
  start(TestCard().r(12));
  device_.card()->writePllRegister(0x0A, 0xFF000000, 0x5A000000);
  clocks_.SetClocks(200.25f, 182.25f, false);
  const auto writes = testing::requestsOf(device_, platform::r6probe::kWritePllRegister);
  ASSERT_EQ(2u, writes.size());
  EXPECT_EQ(0x0Au, writes[0].target);
  EXPECT_EQ(0x00FFFF00u, writes[0].mask);
  EXPECT_EQ(0x00595100u, writes[0].value);
  EXPECT_EQ(0x0Du, writes[1].target);
  EXPECT_EQ(7u, writes[1].mask);
  EXPECT_EQ(2u, writes[1].value);
  EXPECT_EQ(0x5A59510Cu, pll(device_, 0x0A));  // R and the top byte kept

  device_.clearRequests();
  clocks_.SetClocks(202.5f, 120.0f, true);  // the memory argument is ignored
  EXPECT_EQ(0x005A5A0Cu, pll(device_, 0x0A) & 0x00FFFFFF);
  EXPECT_EQ(7u, pll(device_, 0x0D) & 7);
  const auto sync = testing::requestsOf(device_, platform::r6probe::kWritePllRegister);
  ASSERT_EQ(2u, sync.size());
  EXPECT_EQ(7u, sync[1].value);

  clocks_.SetClocks(257 * 2.25f, 1 * 2.25f, false);  // dividers keep their low 8 bits
  EXPECT_EQ(0x0001010Cu, pll(device_, 0x0A) & 0x00FFFFFF);
}

// The panel passes P steps computed in single precision; with R = 13 or a
// 14.32 MHz reference those products land just below P * Fref / R for many P.
TEST_F(SetClk, EveryWholeNumberOfStepsGivesExactlyThatDivider) {
  for (std::uint16_t fref : {2700, 1432}) {
    for (std::uint8_t r : {12, 13, 5, 7, 11, 3}) {
      start(TestCard().fref(fref).r(r));
      const float step = clocks_.GetClockStep();
      for (std::uint32_t p = 1; p <= 200; ++p) {
        const float clock = static_cast<float>(p) * step;
        clocks_.SetClocks(clock, clock, false);
        ASSERT_EQ(p << 16 | p << 8 | r, pll(device_, 0x0A) & 0x00FFFFFF)
            << "Fref " << fref << " R " << int(r) << " P " << p;
        // Between two steps the lower divider wins.
        clocks_.SetClocks(clock + step * 0.5f, clock + step * 0.99f, false);
        ASSERT_EQ(p << 16 | p << 8 | r, pll(device_, 0x0A) & 0x00FFFFFF)
            << "Fref " << fref << " R " << int(r) << " P " << p << " between steps";
      }
    }
  }
}

TEST_F(SetClk, AZeroDivisorIsAFloatingPointError) {
  start(TestCard().r(0));
  EXPECT_EQ("Floating point division by zero", errorOf([&] { clocks_.GetClocks(); }));
  EXPECT_EQ("Floating point division by zero", errorOf([&] { clocks_.GetClockStep(); }));

  start(TestCard().noClockData());  // Fref 0
  EXPECT_EQ(0.0f, clocks_.GetClockStep());
  EXPECT_EQ("Floating point division by zero",
            errorOf([&] { clocks_.SetClocks(164.25f, 164.25f, true); }));
  EXPECT_EQ("Invalid floating point operation", errorOf([&] { clocks_.SetClocks(0, 0, true); }));
  EXPECT_TRUE(testing::requestsOf(device_, platform::r6probe::kWritePllRegister).empty());

  start(TestCard().r(0).noClockData());
  EXPECT_EQ("Invalid floating point operation", errorOf([&] { clocks_.GetClockStep(); }));
}

TEST_F(SetClk, TimingPresetsAreReadAndWrittenUnderTheirMask) {
  start(TestCard().timing(0x1405256A));
  EXPECT_EQ(2u, clocks_.GetMemoryTimings());
  device_.card()->writeRegister(0x0144, 0xFFFFFFFF, 0xABCD307F);
  EXPECT_EQ(0u, clocks_.GetMemoryTimings());  // only the masked bits count
  device_.card()->writeRegister(0x0144, 0xFFFFFFFF, 0x000030FF);
  EXPECT_EQ(0x000030FFu, clocks_.GetMemoryTimings());

  device_.card()->writeRegister(0x0144, 0xFFFFFFFF, 0xABCD0F00);
  clocks_.SetMemoryTimings(1);
  EXPECT_EQ(0xABCD3F6Au, mmio(device_, 0x0144));
  EXPECT_EQ(1u, clocks_.GetMemoryTimings());
  device_.clearRequests();
  clocks_.SetMemoryTimings(3);
  clocks_.SetMemoryTimings(-1);
  EXPECT_TRUE(device_.requests().empty());
}

TEST_F(SetClk, LatencyPresetsFillTheWholeRegister) {
  start(TestCard().latency(0x12345678));
  EXPECT_EQ(0x12345678u, clocks_.GetMemoryLatency());
  clocks_.SetMemoryLatency(1);
  EXPECT_EQ(0x44334244u, mmio(device_, 0x0154));
  EXPECT_EQ(1u, clocks_.GetMemoryLatency());
  clocks_.SetMemoryLatency(0);
  EXPECT_EQ(0x7FFFF1FFu, mmio(device_, 0x0154));
  EXPECT_EQ(0u, clocks_.GetMemoryLatency());
  device_.clearRequests();
  clocks_.SetMemoryLatency(2);
  EXPECT_TRUE(device_.requests().empty());
}

}  // namespace
}  // namespace kl::overclock
