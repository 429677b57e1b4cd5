#pragma once
// Copying the card's video BIOS image at driver start, kernel-free: from the
// primary adapter's shadow at physical 0xC0000 when that shadow is this
// card's, otherwise from the card's expansion ROM. The copy is what BIOS
// requests read, so no ROM stays mapped or decoded while the driver runs.
#include <cstdint>

#include "pci_scan.h"

namespace kl::driver {

// Physical memory as MmMapIoSpace reaches it (uncached).
class PhysicalMemory {
 public:
  // Copies `length` bytes from the bus address `address`; false when the
  // range cannot be mapped (nothing is copied then).
  virtual bool copy(std::uint32_t address, void* destination, std::uint32_t length) = 0;

 protected:
  ~PhysicalMemory() = default;
};

namespace rom {
constexpr std::uint32_t kShadowAddress = 0xC0000;
// The largest image kept: the clock data the program reads lies in the first
// few KiB; longer images are cut here.
constexpr std::uint32_t kMaxImageSize = 0x10000;
constexpr std::uint32_t kHeaderProbeSize = 0x200;
}  // namespace rom

enum class BiosSource { None, Shadow, ExpansionRom };

struct BiosImage {
  BiosSource source;
  std::uint32_t size;  // bytes valid in the destination
};

// Fills `destination` (rom::kMaxImageSize bytes) with the image of `card`:
// one that starts 0x55 0xAA and whose PCI data structure names vendor 0x1002
// and the card's device id; its length is the header's count of 512-byte
// blocks, cut at kMaxImageSize. Reading the expansion ROM enables its decoder
// for the copy and then writes the ROM BAR back as it was. Gives
// BiosSource::None and size 0 when neither place holds such an image.
BiosImage loadBiosImage(PciConfigSpace& space, PhysicalMemory& memory, const RadeonLocation& card,
                        std::uint8_t* destination);

// The length of a valid image of `card` in the first `available` bytes of
// `image`, or 0; exposed for the tests of the header checks.
std::uint32_t validImageLength(const std::uint8_t* image, std::uint32_t available,
                               std::uint16_t deviceId);

}  // namespace kl::driver
