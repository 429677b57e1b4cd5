#include "platform/sim/radeon_card.h"

namespace kl::platform {

namespace {

// Ordered as CatalogueCard. Dividers are chosen so the running clocks sit
// within one divider step of the BIOS default clock.
constexpr CardDescription kCatalogue[] = {
    // 27.00 MHz / 12 = 2.25 MHz per step; 122 steps = 274.50 MHz, core and
    // memory from one synthesiser.
    {"r8500", "Radeon 8500", 2700, 12, 0x7A, 0x7A, card_register::kSourceMemorySynthesiser, 10000,
     27500, 0x1405356A, 0x44334244, true},
    // 14.32 MHz / 5 = 2.864 MHz per step; core 101 steps = 289.26 MHz,
    // memory 80 steps = 229.12 MHz. Timing and latency match no preset.
    {"r7500", "Radeon 7500", 1432, 5, 80, 101, card_register::kSourceOwnSynthesiser, 10000, 29000,
     0x140528FF, 0x55554354, true},
    // Core 111 steps = 249.75 MHz, memory 89 steps = 200.25 MHz.
    {"r9000", "Radeon 9000", 2700, 12, 89, 111, card_register::kSourceOwnSynthesiser, 10000, 25000,
     0x1405357F, 0x7FFFF1FF, true},
    {"r8500-nobios", "Radeon 8500, BIOS without clock data", 2700, 12, 0x7A, 0x7A,
     card_register::kSourceMemorySynthesiser, 10000, 27500, 0x1405356A, 0x44334244, false},
    {"r8500-r0", "Radeon 8500, reference divider 0", 2700, 0, 0x7A, 0x7A,
     card_register::kSourceMemorySynthesiser, 10000, 27500, 0x1405356A, 0x44334244, true},
};
constexpr std::uint32_t kCatalogueSize = sizeof kCatalogue / sizeof kCatalogue[0];
static_assert(kCatalogueSize == static_cast<std::uint32_t>(CatalogueCard::ZeroReferenceDivider) + 1,
              "one catalogue row per CatalogueCard");

static_assert(bios_layout::kHeaderOffset + bios_layout::kHeaderSize <=
                  bios_layout::kClockInfoOffset,
              "the header and the clock block must not overlap");
static_assert(bios_layout::kClockInfoOffset + bios_layout::kClockInfoSize <=
                  bios_layout::kNameOffset,
              "the clock block and the name must not overlap");
static_assert(bios_layout::kNameOffset + bios_layout::kNameCapacity < bios_layout::kImageSize,
              "the last byte is reserved for the checksum");

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool equalsIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (asciiLower(*a) != asciiLower(*b)) return false;
  }
  return *a == *b;
}

}  // namespace

RadeonCard::RadeonCard(const CardDescription& description) : description_(&description) {
  powerOnRegisters();
  buildBiosImage();
}

bool RadeonCard::readRegister(std::uint32_t offset, std::uint32_t* value) const {
  if (offset % 4 != 0 || offset >= kMmioSize) return false;
  *value = mmio_[offset / 4];
  return true;
}

bool RadeonCard::writeRegister(std::uint32_t offset, std::uint32_t mask, std::uint32_t value) {
  if (offset % 4 != 0 || offset >= kMmioSize) return false;
  std::uint32_t& reg = mmio_[offset / 4];
  reg = maskedWrite(reg, mask, value);
  return true;
}

bool RadeonCard::readPllRegister(std::uint32_t index, std::uint32_t* value) const {
  if (index >= kPllCount) return false;
  *value = pll_[index];
  return true;
}

bool RadeonCard::writePllRegister(std::uint32_t index, std::uint32_t mask, std::uint32_t value) {
  if (index >= kPllCount) return false;
  pll_[index] = maskedWrite(pll_[index], mask, value);
  return true;
}

std::uint32_t RadeonCard::readBios(std::uint32_t offset, void* destination,
                                   std::uint32_t count) const {
  if (offset >= bios_layout::kImageSize) return 0;
  const std::uint32_t available = bios_layout::kImageSize - offset;
  const std::uint32_t delivered = count < available ? count : available;
  auto* out = static_cast<std::uint8_t*>(destination);
  for (std::uint32_t i = 0; i < delivered; ++i) out[i] = bios_[offset + i];
  return delivered;
}

void RadeonCard::powerOnRegisters() {
  const CardDescription& d = *description_;
  pll_[card_register::kPllDividers] = static_cast<std::uint32_t>(d.coreFeedbackDivider) << 16 |
                                      static_cast<std::uint32_t>(d.memoryFeedbackDivider) << 8 |
                                      d.referenceDivider;
  pll_[card_register::kPllClockSource] = d.coreClockSource & 7u;
  mmio_[card_register::kMemoryTiming / 4] = d.memoryTiming;
  mmio_[card_register::kMemoryLatency / 4] = d.memoryLatency;
}

// A 32 KiB option ROM: signature, size in 512-byte blocks, the header and
// clock-block pointers, the card's name for anyone dumping the image, and a
// final byte that makes all bytes sum to 0 as option ROMs do.
void RadeonCard::buildBiosImage() {
  using namespace bios_layout;
  const CardDescription& d = *description_;
  bios_[0] = 0x55;
  bios_[1] = 0xAA;
  bios_[2] = static_cast<std::uint8_t>(kImageSize / 512);
  putBios16(kHeaderPointer, kHeaderOffset);
  putBios16(kHeaderOffset + kClockInfoPointer, kClockInfoOffset);
  if (d.biosHasClockData) {
    putBios16(kClockInfoOffset + kDefaultClockField, d.defaultClock);
    putBios16(kClockInfoOffset + kReferenceFrequencyField, d.referenceFrequency);
    putBios32(kClockInfoOffset + kMinimumClockField, d.minimumClock);
  }
  for (std::uint32_t i = 0; i + 1 < kNameCapacity && d.name[i] != '\0'; ++i) {
    bios_[kNameOffset + i] = static_cast<std::uint8_t>(d.name[i]);
  }
  std::uint8_t sum = 0;
  for (std::uint32_t i = 0; i + 1 < kImageSize; ++i)
    sum = static_cast<std::uint8_t>(sum + bios_[i]);
  bios_[kImageSize - 1] = static_cast<std::uint8_t>(0x100 - sum);
}

void RadeonCard::putBios16(std::uint32_t offset, std::uint16_t value) {
  bios_[offset] = static_cast<std::uint8_t>(value);
  bios_[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void RadeonCard::putBios32(std::uint32_t offset, std::uint32_t value) {
  putBios16(offset, static_cast<std::uint16_t>(value));
  putBios16(offset + 2, static_cast<std::uint16_t>(value >> 16));
}

const CardDescription& catalogueCard(CatalogueCard which) {
  return kCatalogue[static_cast<std::uint32_t>(which)];
}

const CardDescription* cardCatalogue(std::uint32_t* count) {
  *count = kCatalogueSize;
  return kCatalogue;
}

const CardDescription* findCatalogueCard(const char* key) {
  for (const CardDescription& card : kCatalogue) {
    if (equalsIgnoringCase(card.key, key)) return &card;
  }
  return nullptr;
}

}  // namespace kl::platform
