#pragma once
// A simulated ATI Radeon: memory-mapped registers, clock (PLL) registers and
// a video BIOS image carrying the clock-information block, described by data.
//
// This file and radeon_card.cpp are also compiled into the kernel-mode test
// driver that stands in for r6probe under Wine, so they use no exceptions, no
// iostreams, no heap and no C library beyond the fixed-width integer types.
#include <cstdint>

namespace kl::platform {

// Everything that distinguishes one simulated card from another. Clocks and
// the reference frequency are in units of 10 kHz, as the BIOS stores them.
struct CardDescription {
  const char* key;   // short name used to pick the card (e.g. by the demo)
  const char* name;  // what the card is
  std::uint16_t referenceFrequency;
  std::uint8_t referenceDivider;       // PLL 0x0A bits 0-7, R
  std::uint8_t memoryFeedbackDivider;  // PLL 0x0A bits 8-15, M
  std::uint8_t coreFeedbackDivider;    // PLL 0x0A bits 16-23, C
  std::uint8_t coreClockSource;        // PLL 0x0D bits 0-2
  std::uint16_t minimumClock;
  std::uint16_t defaultClock;
  std::uint32_t memoryTiming;   // MMIO 0x0144 after power-on
  std::uint32_t memoryLatency;  // MMIO 0x0154 after power-on
  // False for a BIOS whose clock-information block is present but all zero.
  bool biosHasClockData;
};

namespace card_register {
constexpr std::uint32_t kPllDividers = 0x0A;
constexpr std::uint32_t kPllClockSource = 0x0D;
constexpr std::uint32_t kMemoryTiming = 0x0144;
constexpr std::uint32_t kMemoryLatency = 0x0154;

constexpr std::uint8_t kSourceOwnSynthesiser = 2;
constexpr std::uint8_t kSourceMemorySynthesiser = 7;
}  // namespace card_register

// Where the clock information sits in the images this card model builds.
// Only the pointer at 0x48, the pointer at header + 0x30 and the three field
// offsets are fixed by the format; the header and block positions are ours.
namespace bios_layout {
constexpr std::uint32_t kImageSize = 0x8000;
constexpr std::uint32_t kHeaderPointer = 0x48;
constexpr std::uint32_t kHeaderOffset = 0x0120;
constexpr std::uint32_t kHeaderSize = 0x40;
constexpr std::uint32_t kClockInfoPointer = 0x30;  // relative to the header
constexpr std::uint32_t kClockInfoOffset = 0x0200;
constexpr std::uint32_t kClockInfoSize = 24;
constexpr std::uint32_t kDefaultClockField = 8;
constexpr std::uint32_t kReferenceFrequencyField = 14;
constexpr std::uint32_t kMinimumClockField = 18;  // low half of a 32-bit field
constexpr std::uint32_t kNameOffset = 0x0300;
constexpr std::uint32_t kNameCapacity = 0x40;  // including the terminating NUL
}  // namespace bios_layout

// The rule of both masked-write requests: bits set in the mask take the
// value's bits, all others keep theirs.
constexpr std::uint32_t maskedWrite(std::uint32_t old, std::uint32_t mask, std::uint32_t value) {
  return (old & ~mask) | (value & mask);
}

// About 96 KiB of register files and image: too big for a kernel stack, so a
// driver keeps it in its device extension or pool memory.
class RadeonCard {
 public:
  static constexpr std::uint32_t kMmioSize = 0x10000;  // bytes
  static constexpr std::uint32_t kPllCount = 0x40;

  // Powers the card on: the registers hold the description's values and the
  // BIOS image is built from it. `description` must outlive the card.
  explicit RadeonCard(const CardDescription& description);

  const CardDescription& description() const { return *description_; }

  // MMIO offsets are byte offsets of 32-bit registers: they must be 4-aligned
  // and inside the register space, otherwise the access fails and nothing
  // changes. Registers never written read 0.
  bool readRegister(std::uint32_t offset, std::uint32_t* value) const;
  bool writeRegister(std::uint32_t offset, std::uint32_t mask, std::uint32_t value);

  // PLL indices run from 0 to kPllCount - 1.
  bool readPllRegister(std::uint32_t index, std::uint32_t* value) const;
  bool writePllRegister(std::uint32_t index, std::uint32_t mask, std::uint32_t value);

  // Copies up to `count` image bytes from `offset` on into `destination` and
  // returns how many existed; nothing is written past that count.
  std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) const;
  const std::uint8_t* biosImage() const { return bios_; }

 private:
  void powerOnRegisters();
  void buildBiosImage();
  void putBios16(std::uint32_t offset, std::uint16_t value);
  void putBios32(std::uint32_t offset, std::uint32_t value);

  const CardDescription* description_;
  std::uint32_t mmio_[kMmioSize / 4] = {};
  std::uint32_t pll_[kPllCount] = {};
  std::uint8_t bios_[bios_layout::kImageSize] = {};
};

// The built-in cards. The last two are broken on purpose: their clocks cannot
// be computed (a reference frequency of 0, a reference divider of 0).
enum class CatalogueCard {
  Radeon8500,
  Radeon7500,
  Radeon9000,
  NoBiosClockData,
  ZeroReferenceDivider,
};

const CardDescription& catalogueCard(CatalogueCard which);
// Every catalogue entry, in the order of CatalogueCard.
const CardDescription* cardCatalogue(std::uint32_t* count);
// The entry whose key matches (ASCII case-insensitively), or nullptr.
const CardDescription* findCatalogueCard(const char* key);

}  // namespace kl::platform
