// The program's side of the r6probe device: what it asks the platform for.
#include "overclock/r6probe.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "overclock_fixture.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/sim_hardware_device.h"

namespace kl::overclock {
namespace {

namespace protocol = platform::r6probe;
using platform::CatalogueCard;
using platform::catalogueCard;
using platform::SimHardwareDevice;

// A device that records the calls and buffers exactly as they arrive and
// answers every word read with 0xA5A5A5A5.
class RecordingDevice : public platform::HardwareDevice {
 public:
  struct Call {
    std::uint32_t code;
    std::vector<std::uint8_t> in;
    std::uint32_t outSize;
    bool sameBuffer;
  };
  platform::DeviceHandle open(const std::string& path) override {
    paths.push_back(path);
    return 0x40;
  }
  bool ioControl(platform::DeviceHandle, std::uint32_t code, const void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* returned) override {
    const auto* bytes = static_cast<const std::uint8_t*>(in);
    calls.push_back({code, {bytes, bytes + inSize}, outSize, in == out});
    if (out) std::memset(out, 0xA5, outSize);
    *returned = outSize;
    return true;
  }
  void close(platform::DeviceHandle handle) override { closed.push_back(handle); }

  std::vector<std::string> paths;
  std::vector<Call> calls;
  std::vector<platform::DeviceHandle> closed;
};

std::vector<std::uint8_t> words(std::initializer_list<std::uint32_t> values) {
  std::vector<std::uint8_t> bytes;
  for (std::uint32_t v : values)
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return bytes;
}

TEST(R6Probe, RequestsCarryTheProtocolsCodesAndBufferLayouts) {
  RecordingDevice device;
  R6Probe probe(device);
  ASSERT_TRUE(probe.OpenProbe());
  EXPECT_EQ(std::vector<std::string>{"\\\\.\\r6probe.vxd"}, device.paths);

  EXPECT_EQ(0xA5A5A5A5u, probe.ReadRegister(0x0144));
  EXPECT_EQ(0xA5A5A5A5u, probe.ReadPllRegister(0x0A));
  EXPECT_EQ(0xA5A5A5A5u, probe.ReadBiosDword(0x48));
  std::uint8_t block[24];
  EXPECT_EQ(24u, probe.ReadBiosBlock(0x200, block, sizeof block));
  probe.WriteRegister(0x0154, 0xFFFFFFFF, 0x44334244);
  probe.WritePllRegister(0x0D, 7, 2);

  ASSERT_EQ(6u, device.calls.size());
  const auto& c = device.calls;
  EXPECT_EQ(0x9C406404u, c[0].code);
  EXPECT_EQ(0x9C40640Cu, c[1].code);
  EXPECT_EQ(0x9C406414u, c[2].code);
  EXPECT_EQ(0x9C406414u, c[3].code);
  EXPECT_EQ(0x9C406408u, c[4].code);
  EXPECT_EQ(0x9C406410u, c[5].code);
  // Word reads: one 4-byte buffer in and out.
  for (int i : {0, 1, 2}) {
    EXPECT_TRUE(c[i].sameBuffer) << i;
    EXPECT_EQ(4u, c[i].outSize) << i;
  }
  EXPECT_EQ(words({0x0144}), c[0].in);
  EXPECT_EQ(words({0x0A}), c[1].in);
  EXPECT_EQ(words({0x48}), c[2].in);
  // The block: its own offset word in, the caller's bytes out.
  EXPECT_FALSE(c[3].sameBuffer);
  EXPECT_EQ(words({0x200}), c[3].in);
  EXPECT_EQ(24u, c[3].outSize);
  // Writes: target, mask, value in; no output.
  EXPECT_EQ(words({0x0154, 0xFFFFFFFF, 0x44334244}), c[4].in);
  EXPECT_EQ(words({0x0D, 7, 2}), c[5].in);
  EXPECT_EQ(0u, c[4].outSize);
  EXPECT_EQ(0u, c[5].outSize);

  probe.CloseProbe();
  EXPECT_EQ(std::vector<platform::DeviceHandle>{0x40}, device.closed);
}

TEST(R6Probe, ClosingMakesAPlatformCallOnlyForAnOpenHandle) {
  SimHardwareDevice device;  // no driver
  {
    R6Probe probe(device);
    EXPECT_FALSE(probe.OpenProbe());
    probe.CloseProbe();
  }
  EXPECT_EQ(0, device.closeCalls());

  device.installCard(catalogueCard(CatalogueCard::Radeon8500));
  {
    R6Probe probe(device);
    ASSERT_TRUE(probe.OpenProbe());
    probe.CloseProbe();
    probe.CloseProbe();  // the handle is gone: nothing closed twice
    EXPECT_EQ(1, device.closeCalls());
    ASSERT_TRUE(probe.OpenProbe());
  }  // its owner ends: the handle is released
  EXPECT_EQ(2, device.handlesClosed());
  EXPECT_EQ(0, device.openHandles());
}

TEST(R6Probe, ReopeningReleasesTheEarlierHandle) {
  SimHardwareDevice device(catalogueCard(CatalogueCard::Radeon8500));
  R6Probe probe(device);
  ASSERT_TRUE(probe.OpenProbe());
  ASSERT_TRUE(probe.OpenProbe());
  EXPECT_EQ(1, device.openHandles());
}

TEST(R6Probe, MaskedWritesChangeOnlyTheMaskedBitsAndFailuresShow) {
  SimHardwareDevice device(catalogueCard(CatalogueCard::Radeon8500));
  R6Probe probe(device);
  ASSERT_TRUE(probe.OpenProbe());
  device.card()->writePllRegister(0x0D, 0xFFFFFFFF, 0x12345678);
  EXPECT_TRUE(probe.WritePllRegister(0x0D, 0x00000007, 2));
  EXPECT_EQ(0x1234567Au, probe.ReadPllRegister(0x0D));

  device.card()->writePllRegister(0x0A, 0xFFFFFFFF, 0xAB00000C);
  EXPECT_TRUE(probe.WritePllRegister(0x0A, 0x00FFFF00, 0xFF5951FF));
  EXPECT_EQ(0xAB59510Cu, probe.ReadPllRegister(0x0A));

  EXPECT_TRUE(probe.WriteRegister(0x0144, 0x0000F0FF, 0x1405256A));
  EXPECT_EQ(0x1405256Au, testing::mmio(device, 0x0144));

  // Failed requests: a word read gives back its own input.
  EXPECT_EQ(0x0146u, probe.ReadRegister(0x0146));  // unaligned: refused by the device
  device.removeCard();
  EXPECT_EQ(0x0Au, probe.ReadPllRegister(0x0A));
  EXPECT_FALSE(probe.WriteRegister(0x0144, 0x0000F0FF, 0));
}

}  // namespace
}  // namespace kl::overclock
