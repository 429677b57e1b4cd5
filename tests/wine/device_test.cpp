// The r6probe test driver under Wine, through the real device requests: the
// driver is started by the service manager with the card named by its
// Parameters\Card value, and every answer is compared with the card model it
// runs. Leaves the driver running with the Radeon 8500.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "driver_control.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/radeon_card.h"

namespace {

namespace r6probe = kl::platform::r6probe;
using kl::platform::CardDescription;
using kl::platform::RadeonCard;
namespace bios = kl::platform::bios_layout;
namespace card_reg = kl::platform::card_register;
using Card = kl::platform::CatalogueCard;

using kl::e2e::restartDriver;

HANDLE openDevice() {
  return CreateFileA(r6probe::kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Sets Parameters\Card (nullptr deletes the value) and restarts the driver.
::testing::AssertionResult startWithCard(const char* key) {
  return kl::e2e::startDriverWithCard(key);
}

class RestoreDemoCard : public ::testing::Environment {
 public:
  void TearDown() override { EXPECT_TRUE(startWithCard("r8500")); }
};

struct Reply {
  bool ok;
  DWORD error;
  DWORD returned;
};

class DeviceTest : public ::testing::Test {
 protected:
  void TearDown() override { closeDevice(); }

  void useCard(Card which) {
    closeDevice();
    description_ = &kl::platform::catalogueCard(which);
    model_ = std::make_unique<RadeonCard>(*description_);
    ASSERT_TRUE(startWithCard(description_->key));
    device_ = openDevice();
    ASSERT_NE(device_, INVALID_HANDLE_VALUE) << "error " << GetLastError();
  }

  void closeDevice() {
    if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
    device_ = INVALID_HANDLE_VALUE;
  }

  Reply request(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize) {
    DWORD returned = 0xDEADBEEF;
    const BOOL ok = DeviceIoControl(device_, code, in, inSize, out, outSize, &returned, nullptr);
    return {ok != FALSE, ok ? 0 : GetLastError(), returned};
  }

  // A word read as the program makes it: one buffer in and out.
  ::testing::AssertionResult read(DWORD code, std::uint32_t target, std::uint32_t* value) {
    std::uint32_t word = target;
    const Reply reply = request(code, &word, 4, &word, 4);
    if (!reply.ok || reply.returned != 4) {
      return ::testing::AssertionFailure() << "request 0x" << std::hex << code << " of 0x" << target
                                           << " failed, error " << std::dec << reply.error;
    }
    *value = word;
    return ::testing::AssertionSuccess();
  }

  ::testing::AssertionResult write(DWORD code, std::uint32_t target, std::uint32_t mask,
                                   std::uint32_t value) {
    r6probe::MaskedWrite words{target, mask, value};
    const Reply reply = request(code, &words, sizeof words, nullptr, 0);
    if (!reply.ok) return ::testing::AssertionFailure() << "write failed, error " << reply.error;
    return ::testing::AssertionSuccess();
  }

  std::uint32_t pll(std::uint32_t index) {
    std::uint32_t value = 0;
    EXPECT_TRUE(read(r6probe::kReadPllRegister, index, &value));
    return value;
  }

  std::uint32_t mmio(std::uint32_t offset) {
    std::uint32_t value = 0;
    EXPECT_TRUE(read(r6probe::kReadRegister, offset, &value));
    return value;
  }

  std::vector<std::uint8_t> biosBlock(std::uint32_t offset, std::uint32_t count) {
    std::vector<std::uint8_t> bytes(count);
    const Reply reply = request(r6probe::kReadBios, &offset, 4, bytes.data(), count);
    EXPECT_TRUE(reply.ok) << "error " << reply.error;
    bytes.resize(reply.ok ? reply.returned : 0);
    return bytes;
  }

  std::vector<std::uint8_t> modelBios(std::uint32_t offset, std::uint32_t count) {
    const std::uint8_t* image = model_->biosImage();
    return std::vector<std::uint8_t>(image + offset, image + offset + count);
  }

  const CardDescription* description_ = nullptr;
  std::unique_ptr<RadeonCard> model_;
  HANDLE device_ = INVALID_HANDLE_VALUE;
};

std::uint32_t word32(const std::vector<std::uint8_t>& b) {
  return b.size() < 4 ? 0 : b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

TEST_F(DeviceTest, EveryCatalogueCardAnswersWithItsPowerOnRegistersAndBios) {
  std::uint32_t count = 0;
  kl::platform::cardCatalogue(&count);
  ASSERT_GE(count, 5u);
  for (std::uint32_t i = 0; i < count; ++i) {
    useCard(static_cast<Card>(i));
    SCOPED_TRACE(description_->key);
    std::uint32_t expected = 0;
    for (std::uint32_t index : {card_reg::kPllDividers, card_reg::kPllClockSource}) {
      model_->readPllRegister(index, &expected);
      EXPECT_EQ(pll(index), expected) << "PLL " << index;
    }
    for (std::uint32_t offset : {card_reg::kMemoryTiming, card_reg::kMemoryLatency}) {
      model_->readRegister(offset, &expected);
      EXPECT_EQ(mmio(offset), expected) << "register " << offset;
    }
    // The program's path to the clock block: pointer, pointer, 24 bytes.
    const std::uint32_t header = word32(biosBlock(bios::kHeaderPointer, 4));
    const std::uint32_t block = word32(biosBlock(header + bios::kClockInfoPointer, 4));
    EXPECT_EQ(block, bios::kClockInfoOffset);
    EXPECT_EQ(biosBlock(block, bios::kClockInfoSize), modelBios(block, bios::kClockInfoSize));
    EXPECT_EQ(biosBlock(0, bios::kImageSize), modelBios(0, bios::kImageSize));
  }
}

TEST_F(DeviceTest, TheRadeon8500AndTheBrokenCardsShowTheirDefiningValues) {
  useCard(Card::Radeon8500);
  EXPECT_EQ(pll(card_reg::kPllDividers), 0x007A7A0Cu);
  EXPECT_EQ(mmio(card_reg::kMemoryTiming), 0x1405356Au);
  EXPECT_EQ(word32(biosBlock(bios::kClockInfoOffset + bios::kReferenceFrequencyField, 4)) & 0xFFFF,
            2700u);

  useCard(Card::NoBiosClockData);
  EXPECT_EQ(word32(biosBlock(bios::kHeaderPointer, 4)), bios::kHeaderOffset);
  EXPECT_EQ(biosBlock(bios::kClockInfoOffset, bios::kClockInfoSize),
            std::vector<std::uint8_t>(bios::kClockInfoSize, 0));

  useCard(Card::ZeroReferenceDivider);
  EXPECT_EQ(pll(card_reg::kPllDividers), 0x007A7A00u);
}

TEST_F(DeviceTest, AnUnknownOrMissingCardValueGivesTheRadeon8500) {
  ASSERT_TRUE(startWithCard("r9999"));
  device_ = openDevice();
  EXPECT_EQ(pll(card_reg::kPllDividers), 0x007A7A0Cu);
  closeDevice();
  ASSERT_TRUE(startWithCard(nullptr));
  device_ = openDevice();
  EXPECT_EQ(pll(card_reg::kPllDividers), 0x007A7A0Cu);
}

TEST_F(DeviceTest, WordReadsTakeTheTargetAndReturnTheValueInOneBuffer) {
  useCard(Card::Radeon7500);
  std::uint32_t word = card_reg::kMemoryLatency;
  Reply reply = request(r6probe::kReadRegister, &word, 4, &word, 4);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 4u);
  EXPECT_EQ(word, description_->memoryLatency);
  word = card_reg::kPllDividers;
  EXPECT_TRUE(request(r6probe::kReadPllRegister, &word, 4, &word, 4).ok);
  EXPECT_EQ(word, 0x00655005u);
  word = bios::kHeaderPointer;
  EXPECT_TRUE(request(r6probe::kReadBios, &word, 4, &word, 4).ok);
  EXPECT_EQ(word, bios::kHeaderOffset);
}

TEST_F(DeviceTest, MaskedWritesChangeOnlyTheMaskedBits) {
  useCard(Card::Radeon8500);
  // The clock source select: mask 7 keeps every bit above the lowest three,
  // whatever the value carries there.
  ASSERT_TRUE(write(r6probe::kWritePllRegister, card_reg::kPllClockSource, 0xFFFFFFFF, 0xABCDEF07));
  ASSERT_TRUE(write(r6probe::kWritePllRegister, card_reg::kPllClockSource, 7, 0xFFFFFFFA));
  EXPECT_EQ(pll(card_reg::kPllClockSource), 0xABCDEF02u);
  // The dividers: bits 0-7 (R) and 24-31 stay.
  ASSERT_TRUE(write(r6probe::kWritePllRegister, card_reg::kPllDividers, 0xFF000000, 0xA5000000));
  ASSERT_TRUE(write(r6probe::kWritePllRegister, card_reg::kPllDividers, 0x00FFFF00, 0xFF1234FF));
  EXPECT_EQ(pll(card_reg::kPllDividers), 0xA512340Cu);
  // Memory timing under its mask, latency replaced whole.
  ASSERT_TRUE(write(r6probe::kWriteRegister, card_reg::kMemoryTiming, 0x0000F0FF, 0xFFFF2FAB));
  EXPECT_EQ(mmio(card_reg::kMemoryTiming), 0x140525ABu);
  ASSERT_TRUE(write(r6probe::kWriteRegister, card_reg::kMemoryLatency, 0xFFFFFFFF, 0x12345678));
  EXPECT_EQ(mmio(card_reg::kMemoryLatency), 0x12345678u);
}

TEST_F(DeviceTest, BiosReadsStopAtTheEndOfTheImage) {
  useCard(Card::Radeon9000);
  std::uint32_t offset = bios::kImageSize - 16;
  std::vector<std::uint8_t> bytes(24, 0xCC);
  Reply reply = request(r6probe::kReadBios, &offset, 4, bytes.data(), 24);
  EXPECT_TRUE(reply.ok);
  EXPECT_EQ(reply.returned, 16u);
  std::vector<std::uint8_t> expected = modelBios(offset, 16);
  expected.resize(24, 0xCC);
  EXPECT_EQ(bytes, expected) << "nothing is written past the end of the image";

  for (std::uint32_t past : {bios::kImageSize, 0xFFFFFFFFu}) {
    std::vector<std::uint8_t> untouched(24, 0xCC);
    reply = request(r6probe::kReadBios, &past, 4, untouched.data(), 24);
    EXPECT_FALSE(reply.ok) << past;
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(untouched, std::vector<std::uint8_t>(24, 0xCC));
  }
}

struct SizeCase {
  DWORD code;
  DWORD inSize;
  DWORD outSize;
};

TEST_F(DeviceTest, WrongBufferSizesAreRefusedAndChangeNothing) {
  useCard(Card::Radeon8500);
  const DWORD read = r6probe::kReadPllRegister, write = r6probe::kWritePllRegister;
  const SizeCase cases[] = {
      {read, 0, 4},
      {read, 3, 4},
      {read, 5, 4},
      {read, 4, 0},
      {read, 4, 3},
      {read, 4, 8},
      {r6probe::kReadRegister, 8, 4},
      {write, 11, 0},
      {write, 13, 0},
      {write, 12, 4},
      {write, 4, 0},
      {r6probe::kWriteRegister, 16, 0},
      {r6probe::kReadBios, 0, 24},
      {r6probe::kReadBios, 8, 24},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << std::hex << c.code << " in " << c.inSize << " out " << c.outSize);
    // A write of the whole clock source register and a read of it, if taken.
    std::uint32_t in[4] = {card_reg::kPllClockSource, 0xFFFFFFFF, 0x12345678, 0x12345678};
    std::uint32_t out[4] = {0xCCCCCCCC, 0xCCCCCCCC, 0xCCCCCCCC, 0xCCCCCCCC};
    const Reply reply = request(c.code, in, c.inSize, out, c.outSize);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_USER_BUFFER));
    EXPECT_EQ(out[0], 0xCCCCCCCCu);
    EXPECT_EQ(pll(card_reg::kPllClockSource), 7u);
  }
}

TEST_F(DeviceTest, UnalignedOrOutOfRangeTargetsAreRefusedAndChangeNothing) {
  useCard(Card::Radeon8500);
  for (std::uint32_t offset : {0x0145u, 0x0146u, 0x0147u, 0x10000u, 0x10144u, 0xFFFFFFFCu}) {
    SCOPED_TRACE(offset);
    std::uint32_t word = offset;
    const Reply reply = request(r6probe::kReadRegister, &word, 4, &word, 4);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(word, offset) << "the buffer keeps its input";
    r6probe::MaskedWrite words{offset, 0xFFFFFFFF, 0x5A5A5A5A};
    EXPECT_FALSE(request(r6probe::kWriteRegister, &words, sizeof words, nullptr, 0).ok);
  }
  EXPECT_EQ(mmio(0x0000), 0u);
  EXPECT_EQ(mmio(0xFFFC), 0u);
  EXPECT_EQ(mmio(card_reg::kMemoryTiming), description_->memoryTiming);
  EXPECT_EQ(mmio(0x0148), 0u);

  for (std::uint32_t index : {0x40u, 0x4Au, 0xFFFFFFFFu}) {
    SCOPED_TRACE(index);
    std::uint32_t word = index;
    EXPECT_FALSE(request(r6probe::kReadPllRegister, &word, 4, &word, 4).ok);
    r6probe::MaskedWrite words{index, 0xFFFFFFFF, 0x5A5A5A5A};
    const Reply reply = request(r6probe::kWritePllRegister, &words, sizeof words, nullptr, 0);
    EXPECT_FALSE(reply.ok);
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }
  EXPECT_EQ(pll(0x00), 0u);
  EXPECT_EQ(pll(card_reg::kPllDividers), 0x007A7A0Cu);
  EXPECT_EQ(pll(0x3F), 0u);
}

TEST_F(DeviceTest, UnknownControlCodesAreRefused) {
  useCard(Card::Radeon8500);
  // Functions beside the five, and the read request with any-access or
  // direct-transfer bits, or of another device type.
  for (DWORD code : {0x9C406400u, 0x9C406418u, 0x9C402404u, 0x9C406405u, 0x00226404u}) {
    std::uint32_t word = card_reg::kPllDividers;
    const Reply reply = request(code, &word, 4, &word, 4);
    EXPECT_FALSE(reply.ok) << std::hex << code;
    EXPECT_EQ(reply.error, static_cast<DWORD>(ERROR_INVALID_FUNCTION)) << std::hex << code;
  }
}

TEST_F(DeviceTest, ARestartPowersTheCardOnAfresh) {
  useCard(Card::Radeon9000);
  ASSERT_TRUE(write(r6probe::kWritePllRegister, card_reg::kPllDividers, 0x00FFFF00, 0x00010100));
  ASSERT_TRUE(write(r6probe::kWriteRegister, card_reg::kMemoryLatency, 0xFFFFFFFF, 0));
  closeDevice();
  ASSERT_TRUE(restartDriver(true));
  device_ = openDevice();
  std::uint32_t expected = 0;
  model_->readPllRegister(card_reg::kPllDividers, &expected);
  EXPECT_EQ(pll(card_reg::kPllDividers), expected);
  EXPECT_EQ(mmio(card_reg::kMemoryLatency), description_->memoryLatency);
}

TEST_F(DeviceTest, AStoppedDriverLeavesNoDeviceToOpen) {
  useCard(Card::Radeon8500);
  closeDevice();
  ASSERT_TRUE(restartDriver(false));
  const HANDLE device = openDevice();
  EXPECT_EQ(device, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  if (device != INVALID_HANDLE_VALUE) CloseHandle(device);
  ASSERT_TRUE(restartDriver(true));
  device_ = openDevice();
  EXPECT_NE(device_, INVALID_HANDLE_VALUE);
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::AddGlobalTestEnvironment(new RestoreDemoCard);
  return RUN_ALL_TESTS();
}
