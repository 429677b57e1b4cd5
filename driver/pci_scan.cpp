#include "pci_scan.h"

#include "real_card.h"

namespace kl::driver {

namespace {

constexpr std::uint32_t kBusCount = 256;
constexpr std::uint32_t kDeviceCount = 32;
constexpr std::uint32_t kFunctionCount = 8;

enum class Probe { NoBus, Empty, Present };

std::uint32_t little(const std::uint8_t* bytes, std::uint32_t count) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < count; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << 8 * i;
  return value;
}

// Reads the common header of one function; `header` has kCommonHeaderSize bytes.
Probe probe(PciConfigSpace& space, const PciFunction& at, std::uint8_t* header) {
  const std::uint32_t got = space.read(at, 0, header, pci::kCommonHeaderSize);
  if (got == 0) return Probe::NoBus;
  if (got < 2 || little(header, 2) == pci::kNoVendor) return Probe::Empty;
  return got == pci::kCommonHeaderSize ? Probe::Present : Probe::Empty;
}

bool isRadeon(const std::uint8_t* header) {
  return little(header, 2) == pci::kVendorAti && header[pci::kClassCode] == pci::kClassDisplay;
}

// BAR 2 must decode memory (bit 0 clear), 32-bit (type bits 00), at a
// 64 KiB-aligned non-zero address, with memory decoding on.
ScanResult locate(const PciFunction& at, const std::uint8_t* header, RadeonLocation* found) {
  const std::uint32_t bar = little(header + pci::kBar2, 4);
  const std::uint32_t command = little(header + pci::kCommand, 2);
  const std::uint32_t base = bar & 0xFFFFFFF0u;
  const bool usable = (bar & 0x7u) == 0 && base != 0 && base % 0x10000 == 0 &&
                      (command & pci::kCommandMemorySpace) != 0;
  found->at = at;
  found->deviceId = static_cast<std::uint16_t>(little(header + 2, 2));
  found->registerBase = usable ? base : 0;
  found->romBar = little(header + pci::kRomBar, 4);
  return usable ? ScanResult::Found : ScanResult::NoRegisterAperture;
}

}  // namespace

ScanResult findRadeon(PciConfigSpace& space, RadeonLocation* found) {
  std::uint8_t header[pci::kCommonHeaderSize];
  for (std::uint32_t bus = 0; bus < kBusCount; ++bus) {
    for (std::uint32_t device = 0; device < kDeviceCount; ++device) {
      std::uint32_t functions = 1;
      for (std::uint32_t function = 0; function < functions; ++function) {
        const PciFunction at{bus, device, function};
        const Probe answer = probe(space, at, header);
        if (answer == Probe::NoBus) return ScanResult::NoCard;
        if (answer == Probe::Empty) continue;
        if (function == 0 && (header[pci::kHeaderType] & pci::kMultiFunction) != 0) {
          functions = kFunctionCount;
        }
        if (isRadeon(header)) return locate(at, header, found);
      }
    }
  }
  return ScanResult::NoCard;
}

namespace {

struct ChipErrata {
  std::uint16_t deviceId;
  std::uint32_t errata;
};

// The R100 to RV350 chips by PCI device id, from the public chip lists.
constexpr std::uint32_t kRv100 = kDataDelay;
constexpr std::uint32_t kRs200 = kDummyReads | kDataDelay;
constexpr std::uint32_t kRv200 = kDummyReads;
constexpr std::uint32_t kR300 = kR300ClockGating;
constexpr ChipErrata kChips[] = {
    // R100
    {0x5144, kNoErrata},
    {0x5145, kNoErrata},
    {0x5146, kNoErrata},
    {0x5147, kNoErrata},
    // RV100
    {0x4C59, kRv100},
    {0x4C5A, kRv100},
    {0x5159, kRv100},
    {0x515A, kRv100},
    {0x515E, kRv100},
    {0x5969, kRv100},
    // RS100
    {0x4136, kRv100},
    {0x4336, kRv100},
    // RV200
    {0x4C57, kRv200},
    {0x4C58, kRv200},
    {0x5157, kRv200},
    {0x5158, kRv200},
    // RS200
    {0x4137, kRs200},
    {0x4237, kRs200},
    {0x4337, kRs200},
    {0x4437, kRs200},
    // R200
    {0x4242, kNoErrata},
    {0x5148, kNoErrata},
    {0x514C, kNoErrata},
    {0x514D, kNoErrata},
    // RV250
    {0x4966, kNoErrata},
    {0x4967, kNoErrata},
    {0x4C64, kNoErrata},
    {0x4C66, kNoErrata},
    {0x4C67, kNoErrata},
    // RS300
    {0x5834, kNoErrata},
    {0x5835, kNoErrata},
    {0x7834, kNoErrata},
    {0x7835, kNoErrata},
    // RV280
    {0x5960, kNoErrata},
    {0x5961, kNoErrata},
    {0x5962, kNoErrata},
    {0x5964, kNoErrata},
    {0x5965, kNoErrata},
    {0x5C61, kNoErrata},
    {0x5C63, kNoErrata},
    // R300, R350
    {0x4144, kR300},
    {0x4145, kR300},
    {0x4146, kR300},
    {0x4147, kR300},
    {0x4E44, kR300},
    {0x4E45, kR300},
    {0x4E46, kR300},
    {0x4E47, kR300},
    {0x4148, kR300},
    {0x4149, kR300},
    {0x414A, kR300},
    {0x414B, kR300},
    {0x4E48, kR300},
    {0x4E49, kR300},
    {0x4E4A, kR300},
    {0x4E4B, kR300},
    // RV350
    {0x4150, kR300},
    {0x4151, kR300},
    {0x4152, kR300},
    {0x4153, kR300},
    {0x4154, kR300},
    {0x4155, kR300},
    {0x4156, kR300},
    {0x4E50, kR300},
    {0x4E51, kR300},
    {0x4E52, kR300},
    {0x4E53, kR300},
    {0x4E54, kR300},
    {0x4E56, kR300},
};

}  // namespace

std::uint32_t pllErrataOf(std::uint16_t deviceId) {
  for (const ChipErrata& chip : kChips) {
    if (chip.deviceId == deviceId) return chip.errata;
  }
  return kAllErrata;
}

}  // namespace kl::driver
