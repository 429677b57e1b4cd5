#include "bios_image.h"

namespace kl::driver {

namespace {

std::uint32_t little16(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8;
}

constexpr std::uint32_t kBlockSize = 512;
constexpr std::uint32_t kPciDataPointer = 0x18;
constexpr std::uint32_t kPciDataSize = 0x18;

// Copies the image found at `address`: its first block, then as much as the
// header says.
std::uint32_t copyImage(PhysicalMemory& memory, std::uint32_t address, std::uint16_t deviceId,
                        std::uint8_t* destination) {
  if (!memory.copy(address, destination, rom::kHeaderProbeSize)) return 0;
  std::uint32_t length = validImageLength(destination, rom::kHeaderProbeSize, deviceId);
  if (length == 0) return 0;
  if (length > rom::kMaxImageSize) length = rom::kMaxImageSize;
  if (length > rom::kHeaderProbeSize && !memory.copy(address, destination, length)) return 0;
  return length;
}

std::uint32_t copyExpansionRom(PciConfigSpace& space, PhysicalMemory& memory,
                               const RadeonLocation& card, std::uint8_t* destination) {
  const std::uint32_t address = card.romBar & pci::kRomAddressMask;
  if (address == 0) return 0;
  const std::uint32_t enabled = card.romBar | pci::kRomEnable;
  if (space.write(card.at, pci::kRomBar, &enabled, 4) != 4) return 0;
  const std::uint32_t length = copyImage(memory, address, card.deviceId, destination);
  space.write(card.at, pci::kRomBar, &card.romBar, 4);
  return length;
}

}  // namespace

std::uint32_t validImageLength(const std::uint8_t* image, std::uint32_t available,
                               std::uint16_t deviceId) {
  if (available < kPciDataPointer + 2 || image[0] != 0x55 || image[1] != 0xAA) return 0;
  const std::uint32_t data = little16(image + kPciDataPointer);
  if (data + kPciDataSize > available) return 0;
  const std::uint8_t* pcir = image + data;
  if (pcir[0] != 'P' || pcir[1] != 'C' || pcir[2] != 'I' || pcir[3] != 'R') return 0;
  if (little16(pcir + 4) != pci::kVendorAti || little16(pcir + 6) != deviceId) return 0;
  return image[2] * kBlockSize;
}

BiosImage loadBiosImage(PciConfigSpace& space, PhysicalMemory& memory, const RadeonLocation& card,
                        std::uint8_t* destination) {
  std::uint32_t size = copyImage(memory, rom::kShadowAddress, card.deviceId, destination);
  if (size != 0) return {BiosSource::Shadow, size};
  size = copyExpansionRom(space, memory, card, destination);
  if (size != 0) return {BiosSource::ExpansionRom, size};
  return {BiosSource::None, 0};
}

}  // namespace kl::driver
