// OC\StartupOverclock.exe's logic over good and damaged "OCInfo" values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "overclock/StartupOverclock.h"
#include "overclock_fixture.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/sim_platform.h"

namespace kl::overclock {
namespace {

using testing::TestCard;
using testing::mmio;
using testing::pll;
namespace protocol = platform::r6probe;

// What the main program stores for 202.50 MHz on both clocks, Fast timings
// and Medium latency, both applied.
constexpr char kGoodValues[] =
    "\"Core\"=\"202.50\"\n"
    "\"Mem\"=\"202.50\"\n"
    "\"Lat\"=\"0\"\n"
    "\"Tim\"=\"2\"\n"
    "\"apply_tim\"=dword:00000001\n"
    "\"apply_lat\"=dword:00000001\n"
    "\"Card\"=\"non 7500/8500\"\n";

class StartupOverclock : public ::testing::Test {
 protected:
  void card(const TestCard& wanted) { sim_.device.installCard(shelf_.make(wanted)); }
  // The key holds the good values with these lines merged over them
  // ("name"=- deletes one).
  void store(const std::string& changes = "") {
    sim_.registry.loadRegedit4(std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrelune"
                                           "\\OCInfo]\n") +
                               kGoodValues + changes);
  }
  StartupExit run() {
    const unsigned writes = sim_.registry.writeCount();
    const StartupExit code = RunStartupOverclock(platform_);
    EXPECT_EQ(writes, sim_.registry.writeCount()) << "the registry was written";
    EXPECT_EQ(0, sim_.device.openHandles());
    return code;
  }
  bool cardWritten() {
    return !testing::requestsOf(sim_.device, protocol::kWritePllRegister).empty() ||
           !testing::requestsOf(sim_.device, protocol::kWriteRegister).empty();
  }

  testing::CardShelf shelf_;
  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
};

TEST_F(StartupOverclock, ProgramsTheStoredClocksAndPresets) {
  card(TestCard().source(2).c(111).m(89).timing(0x1405356A).latency(0x7FFFF1FF));
  store();
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(0x005A5A0Cu, pll(sim_.device, 0x0A) & 0x00FFFFFF);  // 90 steps each
  EXPECT_EQ(7u, pll(sim_.device, 0x0D) & 7);                    // equal: synchronous
  EXPECT_EQ(0x206Au, mmio(sim_.device, 0x0144) & 0xF0FF);       // "2" Fast
  EXPECT_EQ(0x44334244u, mmio(sim_.device, 0x0154));            // "0" Medium
}

TEST_F(StartupOverclock, ClocksAreAsynchronousForThe8500OrWhenTheyDiffer) {
  card(TestCard());
  store("\"Card\"=\"7500/8500\"\n\"apply_tim\"=dword:0\n\"apply_lat\"=dword:0\n");
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(2u, pll(sim_.device, 0x0D) & 7);
  EXPECT_TRUE(testing::requestsOf(sim_.device, protocol::kWriteRegister).empty());

  card(TestCard());
  store("\"Mem\"=\"182.25\"\n\"Lat\"=\"1\"\n\"Tim\"=\"-1\"\n\"apply_tim\"=dword:0\n");
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(0x005A510Cu, pll(sim_.device, 0x0A) & 0x00FFFFFF);
  EXPECT_EQ(2u, pll(sim_.device, 0x0D) & 7);
  EXPECT_EQ(0x7FFFF1FFu, mmio(sim_.device, 0x0154));       // "1" Fast
  EXPECT_EQ(0x306Au, mmio(sim_.device, 0x0144) & 0xF0FF);  // not applied: as powered on
}

// The stored texts are rounded to two decimals: with 27/13 MHz steps,
// "6.23" is 2.9996 steps and means divider 3.
TEST_F(StartupOverclock, RoundedClockTextsTakeTheNearestDivider) {
  card(TestCard().r(13));
  store("\"Core\"=\"6.23\"\n\"Mem\"=\"413.31\"\n");  // 199.002 steps
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(0x0003C70Du, pll(sim_.device, 0x0A) & 0x00FFFFFF);
}

struct Damaged {
  const char* what;
  const char* changes;
  StartupExit code;
};

TEST_F(StartupOverclock, DamagedValuesProgramNothing) {
  const std::vector<Damaged> cases = {
      {"Core missing", "\"Core\"=-\n", StartupExit::MissingValue},
      {"Card missing", "\"Card\"=-\n", StartupExit::MissingValue},
      {"Tim missing", "\"Tim\"=-\n", StartupExit::MissingValue},
      {"apply_lat missing", "\"apply_lat\"=-\n", StartupExit::MissingValue},
      {"Core a number", "\"Core\"=dword:000000ca\n", StartupExit::MissingValue},
      {"apply_tim a text", "\"apply_tim\"=\"1\"\n", StartupExit::MissingValue},
      {"Core not a number", "\"Core\"=\"fast\"\n", StartupExit::NotANumber},
      {"Core empty", "\"Core\"=\"\"\n", StartupExit::NotANumber},
      {"Mem with a comma", "\"Mem\"=\"202,50\"\n", StartupExit::NotANumber},
      {"Mem negative", "\"Mem\"=\"-5.00\"\n", StartupExit::NotANumber},
      {"Mem two points", "\"Mem\"=\"20.2.5\"\n", StartupExit::NotANumber},
      {"Core above 200 steps", "\"Core\"=\"451.13\"\n", StartupExit::ClockOutOfRange},
      {"Mem below one step", "\"Mem\"=\"1.00\"\n", StartupExit::ClockOutOfRange},
      {"Mem huge", "\"Mem\"=\"99999999999999999999999\"\n", StartupExit::ClockOutOfRange},
      {"unknown timing", "\"Tim\"=\"3\"\n", StartupExit::UnknownValue},
      {"unknown latency", "\"Lat\"=\"2\"\n", StartupExit::UnknownValue},
      {"unknown card", "\"Card\"=\"8500\"\n", StartupExit::UnknownValue},
      {"apply_lat neither 0 nor 1", "\"apply_lat\"=dword:00000002\n", StartupExit::UnknownValue},
  };
  for (const Damaged& d : cases) {
    platform::SimPlatform sim;
    sim.device.installCard(platform::catalogueCard(platform::CatalogueCard::Radeon8500));
    sim.registry.loadRegedit4(std::string("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrelune"
                                          "\\OCInfo]\n") +
                              kGoodValues + d.changes);
    platform::Platform platform = sim.view();
    EXPECT_EQ(d.code, RunStartupOverclock(platform)) << d.what;
    EXPECT_EQ(0u, sim.registry.writeCount()) << d.what;
    EXPECT_TRUE(testing::requestsOf(sim.device, protocol::kWritePllRegister).empty()) << d.what;
    EXPECT_TRUE(testing::requestsOf(sim.device, protocol::kWriteRegister).empty()) << d.what;
    EXPECT_EQ(0, sim.device.openHandles()) << d.what;
  }
}

TEST_F(StartupOverclock, MissingKeyDeviceOrClockDataProgramNothing) {
  card(TestCard());
  EXPECT_EQ(StartupExit::NoSettings, run());

  store();
  sim_.device.setOpenRefused(true);
  EXPECT_EQ(StartupExit::NoDevice, run());
  sim_.device.setOpenRefused(false);

  for (const TestCard& broken : {TestCard().noClockData(), TestCard().r(0)}) {
    card(broken);
    sim_.device.clearRequests();
    EXPECT_EQ(StartupExit::NoClockData, run());
    EXPECT_FALSE(cardWritten());
  }
}

// "-1" is the panel's "no preset": with it to apply, the clocks and the
// other preset are programmed all the same.
TEST_F(StartupOverclock, APresetOfMinusOneIsSkippedAndTheRestProgrammed) {
  card(TestCard().source(2).c(111).m(89));
  store("\"Tim\"=\"-1\"\n");
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(0x005A5A0Cu, pll(sim_.device, 0x0A) & 0x00FFFFFF);
  EXPECT_EQ(0x306Au, mmio(sim_.device, 0x0144) & 0xF0FF);  // as powered on
  EXPECT_EQ(0x44334244u, mmio(sim_.device, 0x0154));       // "0" Medium

  card(TestCard().latency(0x12345678));
  store("\"Lat\"=\"-1\"\n");
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_EQ(0x206Au, mmio(sim_.device, 0x0144) & 0xF0FF);  // "2" Fast
  EXPECT_EQ(0x12345678u, mmio(sim_.device, 0x0154));
}

TEST_F(StartupOverclock, UnusedPresetsNeedNoValidContent) {
  card(TestCard());
  store("\"Tim\"=\"none\"\n\"Lat\"=\"-1\"\n\"apply_tim\"=dword:0\n\"apply_lat\"=dword:0\n");
  EXPECT_EQ(StartupExit::Programmed, run());
  EXPECT_TRUE(testing::requestsOf(sim_.device, protocol::kWriteRegister).empty());
}

}  // namespace
}  // namespace kl::overclock
