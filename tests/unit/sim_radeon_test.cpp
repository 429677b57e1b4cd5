// The simulated Radeon behind the simulated r6probe device, driven through
// ioControl with the buffers the program passes.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/radeon_card.h"
#include "platform/sim/sim_hardware_device.h"

namespace kl::platform {
namespace {

struct Reply {
  bool ok;
  std::uint32_t value;
  std::uint32_t returned;
};

// One 4-byte buffer as both input and output, as the program reads words.
Reply readWord(HardwareDevice& device, DeviceHandle handle, std::uint32_t code,
               std::uint32_t target) {
  std::uint32_t buffer = target;
  std::uint32_t returned = 0xDEAD;
  const bool ok = device.ioControl(handle, code, &buffer, 4, &buffer, 4, &returned);
  return {ok, buffer, returned};
}

bool writeMasked(HardwareDevice& device, DeviceHandle handle, std::uint32_t code,
                 std::uint32_t target, std::uint32_t mask, std::uint32_t value) {
  const r6probe::MaskedWrite request{target, mask, value};
  std::uint32_t returned = 0xDEAD;
  return device.ioControl(handle, code, &request, sizeof request, nullptr, 0, &returned) &&
         returned == 0;
}

std::uint16_t le16(const std::uint8_t* bytes) {
  return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}

struct ClockBlock {
  std::uint32_t header;
  std::uint32_t block;
  std::uint8_t bytes[24];
  std::uint32_t returned;
};

// The program's chain: word at 0x48, word at header + 0x30, then 24 bytes.
ClockBlock readClockBlock(HardwareDevice& device, DeviceHandle handle) {
  ClockBlock result{};
  result.header = readWord(device, handle, r6probe::kReadBios, 0x48).value & 0xFFFF;
  result.block = readWord(device, handle, r6probe::kReadBios, result.header + 0x30).value & 0xFFFF;
  const std::uint32_t offset = result.block;
  device.ioControl(handle, r6probe::kReadBios, &offset, 4, result.bytes, 24, &result.returned);
  return result;
}

// code, target, mask, value and bytes returned in hex, then the outcome.
std::string summary(const DeviceRequest& r) {
  char text[80];
  std::snprintf(text, sizeof text, "%x %x %x %x %x %s", r.code, r.target, r.mask, r.value,
                r.returned, r.succeeded ? "ok" : "failed");
  return text;
}

class OpenCard : public ::testing::Test {
 protected:
  std::uint32_t pll(std::uint32_t index) {
    return readWord(device, handle, r6probe::kReadPllRegister, index).value;
  }
  std::uint32_t mmio(std::uint32_t offset) {
    return readWord(device, handle, r6probe::kReadRegister, offset).value;
  }
  bool writePll(std::uint32_t index, std::uint32_t mask, std::uint32_t value) {
    return writeMasked(device, handle, r6probe::kWritePllRegister, index, mask, value);
  }
  bool writeMmio(std::uint32_t offset, std::uint32_t mask, std::uint32_t value) {
    return writeMasked(device, handle, r6probe::kWriteRegister, offset, mask, value);
  }

  const CardDescription& card = catalogueCard(CatalogueCard::Radeon8500);
  SimHardwareDevice device{card};
  DeviceHandle handle = device.open(r6probe::kDevicePath);
};

using MaskedWrites = OpenCard;

TEST_F(MaskedWrites, PllBitsOutsideTheMaskKeepTheirValueWhateverTheValueHoldsThere) {
  ASSERT_TRUE(writePll(0x0D, 0xFFFFFFFF, 0xABCDEF07));
  ASSERT_TRUE(writePll(0x0D, 0x00000007, 0xFFFFFFFA));
  EXPECT_EQ(pll(0x0D), 0xABCDEF02u);

  ASSERT_TRUE(writePll(0x0A, 0xFFFFFFFF, 0x5A49490C));
  ASSERT_TRUE(writePll(0x0A, 0x00FFFF00, 0xFF5951FF));
  EXPECT_EQ(pll(0x0A), 0x5A59510Cu);
  ASSERT_TRUE(writePll(0x0A, 0xFFFFFFFF, 0x00000000));
  EXPECT_EQ(pll(0x0A), 0u);
}

TEST_F(MaskedWrites, MmioWritesFollowTheMaskAndStayInsideTheRegisterSpace) {
  ASSERT_TRUE(writeMmio(0x0144, 0xFFFFFFFF, 0xFFFFFFFF));
  ASSERT_TRUE(writeMmio(0x0144, 0x0000F0FF, 0x1405256A));
  EXPECT_EQ(mmio(0x0144), 0xFFFF2F6Au);
  EXPECT_EQ(mmio(0x0154), card.memoryLatency);
  EXPECT_EQ(mmio(0x0100), 0u) << "never written";
  EXPECT_EQ(pll(0x3F), 0u) << "never written";

  EXPECT_FALSE(writeMmio(0x0146, 0xFFFFFFFF, 0)) << "unaligned";
  EXPECT_FALSE(writeMmio(RadeonCard::kMmioSize, 0xFFFFFFFF, 0));
  EXPECT_FALSE(readWord(device, handle, r6probe::kReadRegister, 0x0146).ok);
  EXPECT_FALSE(writePll(RadeonCard::kPllCount, 0xFFFFFFFF, 0));
  EXPECT_EQ(mmio(0x0144), 0xFFFF2F6Au);
}

TEST(SimRadeonBios, HealthyCardsCarryTheirClockFiguresAndRunNearTheirDefault) {
  for (CatalogueCard which :
       {CatalogueCard::Radeon8500, CatalogueCard::Radeon7500, CatalogueCard::Radeon9000}) {
    const CardDescription& card = catalogueCard(which);
    SCOPED_TRACE(card.name);
    SimHardwareDevice device(card);
    const DeviceHandle handle = device.open(r6probe::kDevicePath);
    EXPECT_EQ(le16(device.card()->biosImage()), 0xAA55u);
    const ClockBlock clocks = readClockBlock(device, handle);
    ASSERT_EQ(clocks.returned, 24u);
    EXPECT_TRUE(clocks.block >= clocks.header + 0x32 || clocks.block + 24 <= clocks.header);
    EXPECT_EQ(le16(clocks.bytes + 8), card.defaultClock);
    EXPECT_EQ(le16(clocks.bytes + 14), card.referenceFrequency);
    EXPECT_EQ(le16(clocks.bytes + 18), card.minimumClock);
    EXPECT_EQ(le16(clocks.bytes + 20), 0u);

    // Guards the catalogue's figures: the dividers must match the BIOS default.
    const std::uint32_t dividers = readWord(device, handle, r6probe::kReadPllRegister, 0x0A).value;
    const std::uint32_t source = readWord(device, handle, r6probe::kReadPllRegister, 0x0D).value;
    const double step = double(card.referenceFrequency) / (dividers & 0xFF);
    const double memory = ((dividers >> 8) & 0xFF) * step;
    const double core = (source & 7) == 7 ? memory : ((dividers >> 16) & 0xFF) * step;
    EXPECT_LT(std::abs(core - card.defaultClock), step);
    EXPECT_LT(card.minimumClock, memory);
  }
}

TEST(SimRadeonBios, ReadNearTheEndDeliversOnlyWhatExists) {
  SimHardwareDevice device(catalogueCard(CatalogueCard::Radeon8500));
  const DeviceHandle handle = device.open(r6probe::kDevicePath);
  std::uint8_t out[24];
  std::memset(out, 0xEE, sizeof out);
  std::uint32_t offset = bios_layout::kImageSize - 10;
  std::uint32_t returned = 0;
  ASSERT_TRUE(device.ioControl(handle, r6probe::kReadBios, &offset, 4, out, 24, &returned));
  EXPECT_EQ(returned, 10u);
  EXPECT_EQ(std::memcmp(out, device.card()->biosImage() + offset, 10), 0);
  for (int i = 10; i < 24; ++i) EXPECT_EQ(out[i], 0xEE) << "byte " << i;

  for (std::uint32_t past : {bios_layout::kImageSize, 0xFFFFFFFFu}) {
    offset = past;
    EXPECT_TRUE(device.ioControl(handle, r6probe::kReadBios, &offset, 4, out, 24, &returned));
    EXPECT_EQ(returned, 0u);
  }
}

TEST(SimRadeonBrokenCards, NoClockDataGivesAZeroBlockAndRZeroKeepsAHealthyBios) {
  SimHardwareDevice noData(catalogueCard(CatalogueCard::NoBiosClockData));
  const ClockBlock zero = readClockBlock(noData, noData.open(r6probe::kDevicePath));
  EXPECT_NE(zero.block, 0u) << "the chain itself is intact";
  ASSERT_EQ(zero.returned, 24u);
  for (std::uint8_t byte : zero.bytes) EXPECT_EQ(byte, 0);

  SimHardwareDevice rZero(*findCatalogueCard("R8500-R0"));
  const DeviceHandle handle = rZero.open(r6probe::kDevicePath);
  EXPECT_EQ(le16(readClockBlock(rZero, handle).bytes + 14), 2700u);
  EXPECT_EQ(readWord(rZero, handle, r6probe::kReadPllRegister, 0x0A).value, 0x7A7A00u);
  EXPECT_EQ(findCatalogueCard("r8500-"), nullptr);
}

TEST(SimHardwareDeviceOpen, OnlyTheProbePathOfAnInstalledAndAllowedDriverOpens) {
  SimHardwareDevice device(catalogueCard(CatalogueCard::Radeon8500));
  for (const char* path : {"\\\\.\\r6probe", "r6probe.vxd", "\\\\.\\r6probe.vxd\\", ""}) {
    EXPECT_EQ(device.open(path), kInvalidDevice) << path;
  }
  device.setOpenRefused(true);
  EXPECT_EQ(device.open(r6probe::kDevicePath), kInvalidDevice);
  device.setOpenRefused(false);
  const DeviceHandle first = device.open("\\\\.\\R6Probe.VXD");
  const DeviceHandle second = device.open(r6probe::kDevicePath);
  EXPECT_NE(first, kInvalidDevice);
  EXPECT_NE(second, kInvalidDevice);
  EXPECT_NE(first, second);
  EXPECT_EQ(device.openCalls(), 7);
  EXPECT_EQ(device.openHandles(), 2);

  device.removeCard();
  EXPECT_FALSE(readWord(device, first, r6probe::kReadRegister, 0x0144).ok);
  EXPECT_EQ(device.open(r6probe::kDevicePath), kInvalidDevice);
  SimHardwareDevice none;
  EXPECT_EQ(none.open(r6probe::kDevicePath), kInvalidDevice);
}

TEST(SimHardwareDeviceClose, EveryCallCountsButOnlyOpenHandlesAreClosed) {
  SimHardwareDevice device(catalogueCard(CatalogueCard::Radeon8500));
  device.close(kInvalidDevice);
  EXPECT_EQ(device.closeCalls(), 1);
  EXPECT_EQ(device.handlesClosed(), 0);

  const DeviceHandle handle = device.open(r6probe::kDevicePath);
  device.close(handle);
  device.close(handle);
  EXPECT_EQ(device.closeCalls(), 3);
  EXPECT_EQ(device.handlesClosed(), 1);
  EXPECT_FALSE(readWord(device, handle, r6probe::kReadPllRegister, 0x0A).ok);
}

TEST_F(OpenCard, BadHandleUnknownCodeAndShortBuffersAreRejected) {
  EXPECT_FALSE(readWord(device, kInvalidDevice, r6probe::kReadRegister, 0x0144).ok);
  const Reply unknown = readWord(device, handle, 0x9C406418, 0x0144);
  EXPECT_FALSE(unknown.ok);
  EXPECT_EQ(unknown.returned, 0u);

  std::uint32_t buffer = 0x0A;
  std::uint32_t returned = 0;
  EXPECT_FALSE(
      device.ioControl(handle, r6probe::kReadPllRegister, &buffer, 2, &buffer, 4, &returned));
  EXPECT_FALSE(
      device.ioControl(handle, r6probe::kReadPllRegister, &buffer, 4, &buffer, 3, &returned));
  EXPECT_EQ(buffer, 0x0Au) << "nothing delivered";
  EXPECT_FALSE(device.ioControl(handle, r6probe::kReadBios, &buffer, 0, &buffer, 4, &returned));
  const r6probe::MaskedWrite write{0x0144, 0xFFFFFFFF, 0};
  EXPECT_FALSE(device.ioControl(handle, r6probe::kWriteRegister, &write, 8, nullptr, 0, &returned));
  EXPECT_EQ(mmio(0x0144), card.memoryTiming);
}

TEST_F(OpenCard, RequestLogKeepsTheOrderAndContentOfEveryRequest) {
  ASSERT_TRUE(writePll(0x0A, 0x00FFFF00, 0x00595100));
  ASSERT_TRUE(writePll(0x0D, 0x00000007, 2));
  EXPECT_EQ(pll(0x0A), 0x0059510Cu);
  EXPECT_FALSE(writeMmio(0x0146, 0xF0FF, 1));

  const auto& log = device.requests();
  ASSERT_EQ(log.size(), 4u);
  EXPECT_EQ(summary(log[0]), "9c406410 a ffff00 595100 0 ok");
  EXPECT_EQ(summary(log[1]), "9c406410 d 7 2 0 ok");
  EXPECT_EQ(summary(log[2]), "9c40640c a 0 59510c 4 ok");
  EXPECT_EQ(summary(log[3]), "9c406408 146 f0ff 1 0 failed");
}

}  // namespace
}  // namespace kl::platform
