// OC\StartupOverclock.exe as users run it: the shipped 32-bit program, under
// WoW64, against the real registry and the r6probe test driver. Each case
// stores "OCInfo" values, starts the program and compares its exit code and
// the card's registers afterwards with the same logic run in this process
// over the in-memory registry and a simulated card of the same kind. So a
// 32-bit fault (a structure size, a truncated pointer, a calling convention)
// shows as a difference from the model.
//
// KL_STARTUP_OVERCLOCK names the program (a Windows path); it must be an
// i386 program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "driver_control.h"
#include "overclock/StartupOverclock.h"
#include "overclock/r6probe.h"
#include "platform/regedit4.h"
#include "platform/registry_access.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/radeon_card.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32/win32_hardware_device.h"
#include "platform/win32/win32_registry.h"

namespace {

namespace protocol = kl::platform::r6probe;
using kl::overclock::StartupExit;
using kl::platform::RegistryAccess;

constexpr char kProgramKey[] = "Software\\Kestrelune";
constexpr char kOCInfoKey[] = "Software\\Kestrelune\\OCInfo";

// One value of "OCInfo": a text, a DWORD, or (neither) a value to delete.
struct Value {
  const char* name;
  const char* text;
  std::int32_t number;
  bool isNumber;
};
Value text(const char* name, const char* value) { return {name, value, 0, false}; }
Value dword(const char* name, std::int32_t value) { return {name, nullptr, value, true}; }
Value absent(const char* name) { return {name, nullptr, 0, false}; }

// What the main program stores for 202.50 MHz on both clocks, Fast timings
// and Medium latency, both applied.
std::vector<Value> goodValues() {
  return {text("Core", "202.50"), text("Mem", "202.50"),   text("Lat", "0"),
          text("Tim", "2"),       dword("apply_tim", 1),   dword("apply_lat", 1),
          text("Card", "non 7500/8500")};
}

void store(kl::platform::Registry& registry, const std::vector<Value>& values) {
  RegistryAccess key(registry, kl::platform::kHkeyCurrentUser);
  key.deleteKey(kOCInfoKey);
  ASSERT_TRUE(key.openKey(kOCInfoKey, true));
  for (const Value& v : values) {
    if (v.isNumber)
      key.writeInteger(v.name, v.number);
    else if (v.text)
      key.writeString(v.name, v.text);
    else
      key.deleteValue(v.name);
  }
}

// ---- the driver -------------------------------------------------------------

// Stops the driver and, with a card key, starts it afresh with that card
// (a card powered on anew) and waits until the device opens.
::testing::AssertionResult driverWithCard(const char* card) {
  return card ? kl::e2e::startDriverWithCard(card) : kl::e2e::stopDriver();
}

// ---- the program ------------------------------------------------------------

std::string programPath() {
  const char* path = std::getenv("KL_STARTUP_OVERCLOCK");
  return path ? path : "";
}

// The machine field of a program's PE header; 0 when it cannot be read.
WORD machineOf(const std::string& path) {
  const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER header{};
  DWORD signature = 0, got = 0;
  WORD machine = 0;
  if (ReadFile(file, &dos, sizeof dos, &got, nullptr) && got == sizeof dos &&
      dos.e_magic == IMAGE_DOS_SIGNATURE &&
      SetFilePointer(file, dos.e_lfanew, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
      ReadFile(file, &signature, 4, &got, nullptr) && got == 4 &&
      signature == IMAGE_NT_SIGNATURE && ReadFile(file, &header, sizeof header, &got, nullptr) &&
      got == sizeof header)
    machine = header.Machine;
  CloseHandle(file);
  return machine;
}

// Runs the program to its end; its exit code, or -1 (with a failure) when
// it cannot start or does not end within 30 s.
int runProgram() {
  std::string command = "\"" + programPath() + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "cannot start " << command << ": error " << GetLastError();
    return -1;
  }
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << command << " did not end within 30 s";
    TerminateProcess(process.hProcess, 99);
  } else {
    GetExitCodeProcess(process.hProcess, &code);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// ---- the comparison ---------------------------------------------------------

// The registers a case compares: every PLL register, the two memory
// registers, and any other register the model's run wrote.
struct Registers {
  std::vector<std::uint32_t> pll;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> mmio;  // offset, value
};

std::set<std::uint32_t> comparedOffsets(const kl::platform::SimHardwareDevice& model) {
  std::set<std::uint32_t> offsets = {kl::platform::card_register::kMemoryTiming,
                                     kl::platform::card_register::kMemoryLatency};
  for (const auto& request : model.requests())
    if (request.code == protocol::kWriteRegister) offsets.insert(request.target);
  return offsets;
}

Registers modelRegisters(const kl::platform::RadeonCard& card, const std::set<std::uint32_t>& mmio) {
  Registers r;
  for (std::uint32_t i = 0; i < kl::platform::RadeonCard::kPllCount; ++i) {
    std::uint32_t value = 0;
    card.readPllRegister(i, &value);
    r.pll.push_back(value);
  }
  for (std::uint32_t offset : mmio) {
    std::uint32_t value = 0;
    card.readRegister(offset, &value);
    r.mmio.emplace_back(offset, value);
  }
  return r;
}

Registers deviceRegisters(const std::set<std::uint32_t>& mmio) {
  kl::platform::Win32HardwareDevice device;
  kl::overclock::R6Probe probe(device);
  Registers r;
  if (!probe.OpenProbe()) {
    ADD_FAILURE() << "the r6probe device does not open";
    return r;
  }
  for (std::uint32_t i = 0; i < kl::platform::RadeonCard::kPllCount; ++i)
    r.pll.push_back(probe.ReadPllRegister(i));
  for (std::uint32_t offset : mmio) r.mmio.emplace_back(offset, probe.ReadRegister(offset));
  probe.CloseProbe();
  return r;
}

std::string exportProgramKey() {
  kl::platform::Win32Registry registry;
  return kl::platform::exportKeys(registry, kl::platform::kHkeyCurrentUser, {kProgramKey});
}

struct Case {
  const char* what;
  const char* card;  // catalogue key; nullptr: the driver is stopped
  std::vector<Value> changes;
  bool noKey;
  StartupExit expected;
};

class StartupOverclockUnderWow64 : public ::testing::Test {
 protected:
  static void TearDownTestSuite() { EXPECT_TRUE(driverWithCard("r8500")); }

  // Runs the case in the model and for real; both must give `expected` and
  // leave the card with the same registers; the registry stays untouched.
  void check(const Case& c) {
    SCOPED_TRACE(c.what);
    std::vector<Value> values = goodValues();
    values.insert(values.end(), c.changes.begin(), c.changes.end());

    kl::platform::SimPlatform sim;
    const kl::platform::CardDescription* description =
        kl::platform::findCatalogueCard(c.card ? c.card : "r8500");
    ASSERT_NE(description, nullptr);
    sim.device.installCard(*description);
    sim.device.setOpenRefused(c.card == nullptr);
    if (!c.noKey) store(sim.registry, values);
    kl::platform::Platform platform = sim.view();
    const StartupExit modelled = kl::overclock::RunStartupOverclock(platform);
    EXPECT_EQ(static_cast<int>(c.expected), static_cast<int>(modelled)) << "the model";

    kl::platform::Win32Registry registry;
    if (c.noKey) {
      RegistryAccess(registry, kl::platform::kHkeyCurrentUser).deleteKey(kOCInfoKey);
    } else {
      store(registry, values);
    }
    ASSERT_TRUE(driverWithCard(c.card ? c.card : "r8500"));
    if (!c.card) {
      ASSERT_TRUE(driverWithCard(nullptr));
    }
    const std::string before = exportProgramKey();
    EXPECT_EQ(static_cast<int>(c.expected), runProgram()) << "StartupOverclock.exe";
    EXPECT_EQ(before, exportProgramKey()) << "the program wrote the registry";
    if (!c.card) {
      ASSERT_TRUE(driverWithCard("r8500"));  // the untouched card to compare
    }

    const auto offsets = comparedOffsets(sim.device);
    const Registers expected = modelRegisters(*sim.device.card(), offsets);
    const Registers actual = deviceRegisters(offsets);
    EXPECT_EQ(expected.pll, actual.pll) << "PLL registers 0x00 to 0x3F";
    EXPECT_EQ(expected.mmio, actual.mmio) << "memory-mapped registers";
  }
};

TEST_F(StartupOverclockUnderWow64, TheProgramUnderTestIsThe32BitBuild) {
  ASSERT_FALSE(programPath().empty()) << "KL_STARTUP_OVERCLOCK names no program";
  EXPECT_EQ(machineOf(programPath()), IMAGE_FILE_MACHINE_I386) << programPath();
}

TEST_F(StartupOverclockUnderWow64, StoredClocksAndPresetsAreProgrammedAsTheModelDoes) {
  check({"202.50 MHz both, Fast, Medium, synchronous", "r8500", {}, false, StartupExit::Programmed});
  check({"the 8500 asynchronous, presets not applied", "r8500",
         {text("Card", "7500/8500"), dword("apply_tim", 0), dword("apply_lat", 0)}, false,
         StartupExit::Programmed});
  check({"differing clocks on the 7500, Fast latency only", "r7500",
         {text("Mem", "182.25"), text("Lat", "1"), text("Tim", "-1"), dword("apply_tim", 0)},
         false, StartupExit::Programmed});
  check({"the 9000, Slow timings", "r9000", {text("Core", "250.00"), text("Tim", "0")}, false,
         StartupExit::Programmed});
}

TEST_F(StartupOverclockUnderWow64, RefusedSettingsAndBrokenCardsProgramNothing) {
  check({"no OCInfo key", "r8500", {}, true, StartupExit::NoSettings});
  check({"Core missing", "r8500", {absent("Core")}, false, StartupExit::MissingValue});
  check({"apply_tim a text", "r8500", {text("apply_tim", "1")}, false, StartupExit::MissingValue});
  check({"Mem with a comma", "r8500", {text("Mem", "202,50")}, false, StartupExit::NotANumber});
  check({"unknown card", "r8500", {text("Card", "8500")}, false, StartupExit::UnknownValue});
  check({"Core above 200 steps", "r8500", {text("Core", "451.13")}, false,
         StartupExit::ClockOutOfRange});
  check({"the driver stopped", nullptr, {}, false, StartupExit::NoDevice});
  check({"no clock data in the BIOS", "r8500-nobios", {}, false, StartupExit::NoClockData});
  check({"a reference divider of 0", "r8500-r0", {}, false, StartupExit::NoClockData});
}

}  // namespace
