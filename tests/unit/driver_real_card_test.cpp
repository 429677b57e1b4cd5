// The real Radeon backend without a kernel: the PCI scan against a fake
// configuration space, the PLL index/data protocol against a register
// aperture that records every access, and the BIOS copy from the shadow or
// the expansion ROM.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "bios_image.h"
#include "pci_scan.h"
#include "platform/sim/r6probe_protocol.h"
#include "real_card.h"
#include "request_dispatch.h"

namespace kl::driver {
namespace {

// --- PCI configuration space ------------------------------------------------

struct FakeFunction {
  std::uint16_t vendor;
  std::uint16_t device;
  std::uint8_t baseClass;
  std::uint8_t headerType;
  std::uint32_t bar2;
  std::uint32_t romBar;
  std::uint16_t command = pci::kCommandMemorySpace;
};

// Buses 0 to busCount - 1 exist; a place without a function answers 2 bytes
// of 0xFFFF, as the HAL does.
class FakePciBus final : public PciConfigSpace {
 public:
  explicit FakePciBus(std::uint32_t busCount) : busCount_(busCount) {}
  ~FakePciBus() = default;

  void add(std::uint32_t bus, std::uint32_t device, std::uint32_t function, const FakeFunction& f) {
    std::vector<std::uint8_t> header(256, 0);
    put(header, 0x00, f.vendor, 2);
    put(header, 0x02, f.device, 2);
    put(header, pci::kCommand, f.command, 2);
    header[pci::kClassCode] = f.baseClass;
    header[pci::kHeaderType] = f.headerType;
    put(header, pci::kBar2, f.bar2, 4);
    put(header, pci::kRomBar, f.romBar, 4);
    spaces_[{bus, device, function}] = header;
  }

  std::uint32_t read(const PciFunction& at, std::uint32_t offset, void* buffer,
                     std::uint32_t length) override {
    ++reads;
    if (at.bus >= busCount_) return 0;
    auto found = spaces_.find({at.bus, at.device, at.function});
    if (found == spaces_.end()) {
      std::memset(buffer, 0xFF, 2);
      return 2;
    }
    std::memcpy(buffer, found->second.data() + offset, length);
    return length;
  }
  std::uint32_t write(const PciFunction& at, std::uint32_t offset, const void* buffer,
                      std::uint32_t length) override {
    std::uint32_t value = 0;
    std::memcpy(&value, buffer, length);
    writes.push_back({at.bus, at.device, at.function, offset, value});
    auto found = spaces_.find({at.bus, at.device, at.function});
    if (found == spaces_.end()) return 0;
    std::memcpy(found->second.data() + offset, buffer, length);
    return length;
  }

  std::uint32_t word(std::uint32_t bus, std::uint32_t device, std::uint32_t function,
                     std::uint32_t offset) {
    std::uint32_t value;
    std::memcpy(&value, spaces_.at({bus, device, function}).data() + offset, 4);
    return value;
  }

  struct Write {
    std::uint32_t bus, device, function, offset, value;
  };
  std::vector<Write> writes;
  int reads = 0;

 private:
  static void put(std::vector<std::uint8_t>& bytes, std::uint32_t at, std::uint32_t value,
                  int size) {
    for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  std::uint32_t busCount_;
  std::map<std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>, std::vector<std::uint8_t>>
      spaces_;
};

const FakeFunction kHostBridge{0x8086, 0x7190, 0x06, 0x00, 0, 0};
const FakeFunction kAgpBridge{0x8086, 0x7191, 0x06, 0x01, 0, 0};
const FakeFunction kRadeon8500{0x1002, 0x514C, 0x03, 0x80, 0xE8000000, 0xE7FE0000};
const FakeFunction kRadeon8500Secondary{0x1002, 0x516C, 0x03, 0x00, 0, 0};

::testing::AssertionResult foundAt(FakePciBus& bus, std::uint32_t b, std::uint32_t d,
                                   std::uint32_t f, RadeonLocation* card) {
  const ScanResult result = findRadeon(bus, card);
  if (result != ScanResult::Found)
    return ::testing::AssertionFailure() << "scan result " << static_cast<int>(result);
  if (card->at.bus != b || card->at.device != d || card->at.function != f) {
    return ::testing::AssertionFailure()
           << "found at " << card->at.bus << ":" << card->at.device << "." << card->at.function;
  }
  return ::testing::AssertionSuccess();
}

TEST(RadeonPciScan, FindsTheCardBehindTheAgpBridgeOnBusOne) {
  FakePciBus bus(2);
  bus.add(0, 0, 0, kHostBridge);
  bus.add(0, 1, 0, kAgpBridge);
  bus.add(1, 0, 0, kRadeon8500);
  bus.add(1, 0, 1, kRadeon8500Secondary);
  RadeonLocation card{};
  ASSERT_TRUE(foundAt(bus, 1, 0, 0, &card));
  EXPECT_EQ(card.deviceId, 0x514C);
  EXPECT_EQ(card.registerBase, 0xE8000000u);
  EXPECT_EQ(card.romBar, 0xE7FE0000u);
}

TEST(RadeonPciScan, PassesOverOtherDisplaysAndAtiFunctionsThatAreNoDisplay) {
  FakePciBus bus(3);
  bus.add(0, 0, 0, kHostBridge);
  bus.add(0, 2, 0, {0x102B, 0x0525, 0x03, 0x00, 0xE0000000, 0});  // another maker's display
  bus.add(0, 4, 0, {0x1002, 0x4D52, 0x04, 0x80, 0, 0});           // ATI multimedia, multi-function
  bus.add(0, 4, 1, {0x1002, 0x4D53, 0x0C, 0x00, 0, 0});           // ATI serial bus controller
  bus.add(0, 9, 0, kAgpBridge);
  bus.add(2, 5, 0, kRadeon8500);
  RadeonLocation card{};
  EXPECT_TRUE(foundAt(bus, 2, 5, 0, &card));
}

TEST(RadeonPciScan, LooksPastFunctionZeroOnlyOnMultiFunctionDevices) {
  FakePciBus bus(1);
  // A single-function device that would answer at function 3 is not looked at.
  bus.add(0, 3, 0, {0x8086, 0x1229, 0x02, 0x00, 0, 0});
  bus.add(0, 3, 3, kRadeon8500);
  RadeonLocation card{};
  EXPECT_EQ(findRadeon(bus, &card), ScanResult::NoCard);
  bus.add(0, 3, 0, {0x8086, 0x1229, 0x02, 0x80, 0, 0});
  EXPECT_TRUE(foundAt(bus, 0, 3, 3, &card));
}

TEST(RadeonPciScan, NoCardAtAllEndsAtTheFirstBusThatDoesNotExist) {
  FakePciBus bus(2);
  bus.add(0, 0, 0, kHostBridge);
  bus.add(0, 1, 0, kAgpBridge);
  bus.add(1, 0, 0, {0x10DE, 0x0110, 0x03, 0x00, 0xE0000000, 0});
  RadeonLocation card{};
  EXPECT_EQ(findRadeon(bus, &card), ScanResult::NoCard);
  EXPECT_LE(bus.reads, 2 * 32 + 1) << "one read per slot of two buses, one of the missing bus";
  FakePciBus none(0);
  EXPECT_EQ(findRadeon(none, &card), ScanResult::NoCard);
  EXPECT_TRUE(bus.writes.empty());
}

TEST(RadeonPciScan, ACardWithoutAnEnabledThirtyTwoBitRegisterBarIsRefused) {
  struct Case {
    std::uint32_t bar2;
    std::uint16_t command;
  } cases[] = {
      {0, pci::kCommandMemorySpace},           // unassigned
      {0xE8000001, pci::kCommandMemorySpace},  // an I/O BAR
      {0xE8000004, pci::kCommandMemorySpace},  // a 64-bit BAR
      {0xE8008000, pci::kCommandMemorySpace},  // not on a 64 KiB boundary
      {0xE8000000, 0x0001},                    // memory decoding off
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.bar2 << " command " << c.command);
    FakePciBus bus(1);
    FakeFunction radeon = kRadeon8500;
    radeon.bar2 = c.bar2;
    radeon.command = c.command;
    bus.add(0, 1, 0, radeon);
    RadeonLocation card{};
    EXPECT_EQ(findRadeon(bus, &card), ScanResult::NoRegisterAperture);
  }
}

TEST(RadeonPciScan, ErrataFollowTheChipFamily) {
  EXPECT_EQ(pllErrataOf(0x514C), kNoErrata);                 // R200, Radeon 8500
  EXPECT_EQ(pllErrataOf(0x5144), kNoErrata);                 // R100
  EXPECT_EQ(pllErrataOf(0x5157), kDummyReads);               // RV200, Radeon 7500
  EXPECT_EQ(pllErrataOf(0x5159), kDataDelay);                // RV100, Radeon 7000
  EXPECT_EQ(pllErrataOf(0x4337), kDummyReads | kDataDelay);  // RS200
  EXPECT_EQ(pllErrataOf(0x4E44), kR300ClockGating);          // R300, Radeon 9700
  EXPECT_EQ(pllErrataOf(0x1234), kAllErrata) << "unknown chips get every workaround";
}

// --- PLL protocol --------------------------------------------------------------

// Models the index/data pair of the card and records every access in order
// ("r 0008", "w 0008=00000080", "pause 5000").
class RecordingAperture final : public RegisterAperture {
 public:
  ~RecordingAperture() = default;
  std::uint32_t read(std::uint32_t offset) override {
    std::uint32_t value = registers[offset];
    if (offset == radeon::kClockCntlData) value = pll[registers[radeon::kClockCntlIndex] & 0x3F];
    log.push_back("r " + hex(offset, 4));
    return value;
  }
  void write(std::uint32_t offset, std::uint32_t value) override {
    log.push_back("w " + hex(offset, 4) + "=" + hex(value, 8));
    if (offset == radeon::kClockCntlData) {
      const std::uint32_t index = registers[radeon::kClockCntlIndex];
      // The card takes a data write only with the write-enable bit set.
      if (index & radeon::kPllWriteEnable) pll[index & 0x3F] = value;
      return;
    }
    registers[offset] = value;
  }
  void pause(std::uint32_t microseconds) override {
    log.push_back("pause " + std::to_string(microseconds));
  }

  static std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, value);
    return text;
  }

  std::map<std::uint32_t, std::uint32_t> registers;
  std::uint32_t pll[64] = {};
  std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST(RadeonPll, AReadSelectsTheIndexWithoutWriteEnableAndRestoresTheIndexRegister) {
  RecordingAperture aperture;
  aperture.registers[radeon::kClockCntlIndex] = 0x00000312;  // divider select 3, index 0x12
  aperture.pll[0x0A] = 0x007A7A0C;
  RealCard card(aperture, kNoErrata, nullptr, 0);
  std::uint32_t value = 0;
  ASSERT_TRUE(card.readPllRegister(0x0A, &value));
  EXPECT_EQ(value, 0x007A7A0Cu);
  EXPECT_EQ(aperture.log, (Log{"r 0008", "w 0008=0000030A", "r 000C", "w 0008=00000312"}));
}

TEST(RadeonPll, AWriteSetsWriteEnableOnlyForItsDataAccess) {
  RecordingAperture aperture;
  aperture.registers[radeon::kClockCntlIndex] = 0x00000100;
  RealCard card(aperture, kNoErrata, nullptr, 0);
  ASSERT_TRUE(card.writePllRegister(0x0D, 0xABCDEF02));
  EXPECT_EQ(aperture.pll[0x0D], 0xABCDEF02u);
  EXPECT_EQ(aperture.log, (Log{"r 0008", "w 0008=0000018D", "w 000C=ABCDEF02", "w 0008=00000100"}));
  EXPECT_EQ(aperture.registers[radeon::kClockCntlIndex] & radeon::kPllWriteEnable, 0u);
}

TEST(RadeonPll, ChipsWithErrataGetTheirDummyReadsDelaysAndClockGatingReads) {
  RecordingAperture aperture;
  RealCard rv200(aperture, kDummyReads, nullptr, 0);
  std::uint32_t value;
  rv200.readPllRegister(0x0A, &value);
  EXPECT_EQ(aperture.log,
            (Log{"r 0008", "w 0008=0000000A", "r 000C", "r 0050", "r 000C", "w 0008=00000000"}));

  aperture.log.clear();
  RealCard rv100(aperture, kDataDelay, nullptr, 0);
  rv100.writePllRegister(0x0A, 1);
  EXPECT_EQ(aperture.log,
            (Log{"r 0008", "w 0008=0000008A", "w 000C=00000001", "pause 5000", "w 0008=00000000"}));

  aperture.log.clear();
  RealCard r300(aperture, kR300ClockGating, nullptr, 0);
  r300.readPllRegister(0x0D, &value);
  EXPECT_EQ(aperture.log, (Log{"r 0008", "w 0008=0000000D", "r 000C", "r 0008", "w 0008=00000000",
                               "r 000C", "w 0008=0000000D", "w 0008=00000000"}));
}

TEST(RadeonPll, AMaskedPllWriteThroughTheDispatchLeavesTheOtherBits) {
  RecordingAperture aperture;
  aperture.pll[0x0A] = 0xA57A7A0C;
  aperture.pll[0x0D] = 0xABCDEF07;
  RealCard card(aperture, kNoErrata, nullptr, 0);
  std::uint32_t in[3] = {0x0A, 0x00FFFF00, 0xFF1234FF};
  std::uint32_t delivered;
  ASSERT_EQ(dispatchRequest(card, platform::r6probe::kWritePllRegister, in, 12, 0, &delivered),
            RequestResult::Done);
  EXPECT_EQ(aperture.pll[0x0A], 0xA512340Cu);
  std::uint32_t source[3] = {0x0D, 7, 2};
  dispatchRequest(card, platform::r6probe::kWritePllRegister, source, 12, 0, &delivered);
  EXPECT_EQ(aperture.pll[0x0D], 0xABCDEF02u);
  for (std::uint32_t i = 0; i < 64; ++i) {
    if (i == 0x0A || i == 0x0D) continue;
    EXPECT_EQ(aperture.pll[i], 0u) << "PLL " << i;
  }
}

TEST(RadeonPll, RegisterAccessesStayInsideTheAperture) {
  RecordingAperture aperture;
  RealCard card(aperture, kNoErrata, nullptr, 0);
  std::uint32_t value;
  EXPECT_FALSE(card.readRegister(0x10000, &value));
  EXPECT_FALSE(card.writeRegister(0x0146, 1));
  EXPECT_FALSE(card.readPllRegister(0x40, &value));
  EXPECT_FALSE(card.writePllRegister(0x40, 1));
  EXPECT_TRUE(aperture.log.empty());
  EXPECT_TRUE(card.writeRegister(0x0154, 0x12345678));
  EXPECT_TRUE(card.readRegister(0xFFFC, &value));
  EXPECT_EQ(aperture.log, (Log{"w 0154=12345678", "r FFFC"}));
}

// --- BIOS image ----------------------------------------------------------------

std::vector<std::uint8_t> romImage(std::uint16_t deviceId, std::uint8_t blocks) {
  std::vector<std::uint8_t> image(blocks * 512u, 0);
  image[0] = 0x55;
  image[1] = 0xAA;
  image[2] = blocks;
  image[0x18] = 0x80;  // the PCI data structure at 0x0080
  std::memcpy(&image[0x80], "PCIR", 4);
  image[0x84] = 0x02;
  image[0x85] = 0x10;
  image[0x86] = static_cast<std::uint8_t>(deviceId);
  image[0x87] = static_cast<std::uint8_t>(deviceId >> 8);
  for (std::size_t i = 0x100; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i ^ 0x5A);
  return image;
}

// Physical memory holding images at some addresses; the expansion ROM
// answers only while its BAR is enabled in the fake configuration space.
class FakeMemory final : public PhysicalMemory {
 public:
  explicit FakeMemory(FakePciBus& bus) : bus_(bus) {}
  ~FakeMemory() = default;
  bool copy(std::uint32_t address, void* destination, std::uint32_t length) override {
    copies.push_back({address, length});
    auto found = images.find(address);
    if (found == images.end()) {
      std::memset(destination, 0xFF, length);  // nothing decodes there
      return true;
    }
    const bool isRom = address == romAddress;
    const bool decoding = !isRom || (bus_.word(1, 0, 0, pci::kRomBar) & pci::kRomEnable);
    std::vector<std::uint8_t> bytes = found->second;
    bytes.resize(std::max<std::size_t>(bytes.size(), length), 0xFF);
    if (!decoding) std::fill(bytes.begin(), bytes.end(), 0xFF);
    std::memcpy(destination, bytes.data(), length);
    return true;
  }
  std::map<std::uint32_t, std::vector<std::uint8_t>> images;
  std::uint32_t romAddress = 0;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> copies;

 private:
  FakePciBus& bus_;
};

struct RadeonBios : ::testing::Test {
  RadeonBios() : bus(2), memory(bus) {
    bus.add(1, 0, 0, kRadeon8500);
    EXPECT_EQ(findRadeon(bus, &card), ScanResult::Found);
    memory.romAddress = kRadeon8500.romBar;
  }
  FakePciBus bus;
  FakeMemory memory;
  RadeonLocation card{};
  std::vector<std::uint8_t> copy = std::vector<std::uint8_t>(rom::kMaxImageSize, 0);
};

TEST_F(RadeonBios, TheShadowOfThisCardIsTakenWithoutTouchingItsRom) {
  memory.images[rom::kShadowAddress] = romImage(0x514C, 96);  // 48 KiB
  const BiosImage image = loadBiosImage(bus, memory, card, copy.data());
  EXPECT_EQ(image.source, BiosSource::Shadow);
  EXPECT_EQ(image.size, 96u * 512);
  EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + image.size,
                         memory.images[rom::kShadowAddress].begin()));
  EXPECT_TRUE(bus.writes.empty());
}

TEST_F(RadeonBios, AnotherCardsShadowLeadsToTheExpansionRomWhichIsDisabledAgain) {
  memory.images[rom::kShadowAddress] = romImage(0x5157, 96);  // the Radeon 7500 is primary
  memory.images[kRadeon8500.romBar] = romImage(0x514C, 64);
  const BiosImage image = loadBiosImage(bus, memory, card, copy.data());
  EXPECT_EQ(image.source, BiosSource::ExpansionRom);
  EXPECT_EQ(image.size, 64u * 512);
  EXPECT_TRUE(std::equal(copy.begin(), copy.begin() + image.size,
                         memory.images[kRadeon8500.romBar].begin()));
  ASSERT_EQ(bus.writes.size(), 2u);
  EXPECT_EQ(bus.writes[0].value, kRadeon8500.romBar | pci::kRomEnable);
  EXPECT_EQ(bus.word(1, 0, 0, pci::kRomBar), kRadeon8500.romBar) << "the ROM BAR as it was";
}

TEST_F(RadeonBios, NoImageAnywhereGivesNone) {
  memory.images[rom::kShadowAddress] = romImage(0x5157, 96);
  std::vector<std::uint8_t> broken = romImage(0x514C, 64);
  std::memcpy(&broken[0x80], "PCIX", 4);
  memory.images[kRadeon8500.romBar] = broken;
  BiosImage image = loadBiosImage(bus, memory, card, copy.data());
  EXPECT_EQ(image.source, BiosSource::None);
  EXPECT_EQ(image.size, 0u);
  EXPECT_EQ(bus.word(1, 0, 0, pci::kRomBar), kRadeon8500.romBar);

  // A card whose ROM BAR was never assigned is not enabled at address 0.
  FakePciBus other(1);
  FakeFunction noRom = kRadeon8500;
  noRom.romBar = 0;
  other.add(0, 1, 0, noRom);
  RadeonLocation found{};
  ASSERT_EQ(findRadeon(other, &found), ScanResult::Found);
  FakeMemory empty(other);
  image = loadBiosImage(other, empty, found, copy.data());
  EXPECT_EQ(image.source, BiosSource::None);
  EXPECT_TRUE(other.writes.empty());
}

TEST(BiosHeader, OnlyAnImageOfThisAtiCardWithItsPciDataInsideCounts) {
  const std::vector<std::uint8_t> good = romImage(0x514C, 96);
  EXPECT_EQ(validImageLength(good.data(), 512, 0x514C), 96u * 512);
  EXPECT_EQ(validImageLength(good.data(), 512, 0x5157), 0u) << "another device id";
  std::vector<std::uint8_t> bad = good;
  bad[1] = 0x55;
  EXPECT_EQ(validImageLength(bad.data(), 512, 0x514C), 0u) << "no 55 AA";
  bad = good;
  bad[0x84] = 0xDE;
  EXPECT_EQ(validImageLength(bad.data(), 512, 0x514C), 0u) << "another vendor";
  bad = good;
  bad[0x18] = 0xF0;
  bad[0x19] = 0x01;  // PCI data at 0x1F0, running past the probed 512 bytes
  EXPECT_EQ(validImageLength(bad.data(), 512, 0x514C), 0u);
  bad = good;
  bad[0x18] = 0xFF;
  bad[0x19] = 0xFF;
  EXPECT_EQ(validImageLength(bad.data(), 512, 0x514C), 0u);
  bad = good;
  bad[2] = 0;
  EXPECT_EQ(validImageLength(bad.data(), 512, 0x514C), 0u) << "an image of no blocks";
}

TEST_F(RadeonBios, ALongerImageIsCutAtTheLimitAndReadsStopAtItsEnd) {
  memory.images[rom::kShadowAddress] = romImage(0x514C, 200);  // 100 KiB
  const BiosImage image = loadBiosImage(bus, memory, card, copy.data());
  ASSERT_EQ(image.size, rom::kMaxImageSize);
  ASSERT_EQ(memory.copies.back().second, rom::kMaxImageSize) << "never copies past the buffer";

  RecordingAperture aperture;
  RealCard real(aperture, kNoErrata, copy.data(), image.size);
  std::uint8_t out[24];
  std::memset(out, 0xCC, sizeof out);
  EXPECT_EQ(real.readBios(image.size - 8, out, sizeof out), 8u);
  EXPECT_TRUE(std::equal(out, out + 8, copy.begin() + image.size - 8));
  EXPECT_EQ(out[8], 0xCC);
  EXPECT_EQ(real.readBios(image.size, out, sizeof out), 0u);
  EXPECT_EQ(real.readBios(0xFFFFFFFF, out, sizeof out), 0u);

  std::uint32_t offset = image.size;
  std::uint32_t delivered = 7;
  EXPECT_EQ(dispatchRequest(real, platform::r6probe::kReadBios, &offset, 4, 4, &delivered),
            RequestResult::BadTarget);
  EXPECT_EQ(delivered, 0u);
}

}  // namespace
}  // namespace kl::driver
