#pragma once
// Finding the Radeon in PCI configuration space, kernel-free: the kernel
// build reads the space with the HAL's bus-data functions, native tests with
// a fake bus.
#include <cstdint>

namespace kl::driver {

struct PciFunction {
  std::uint32_t bus;
  std::uint32_t device;    // 0 to 31
  std::uint32_t function;  // 0 to 7
};

// Configuration space with the answers of HalGetBusDataByOffset and
// HalSetBusDataByOffset for PCI: 0 bytes when the bus does not exist, 2 bytes
// (vendor 0xFFFF) when no function answers at that place, otherwise the
// bytes transferred.
class PciConfigSpace {
 public:
  virtual std::uint32_t read(const PciFunction& at, std::uint32_t offset, void* buffer,
                             std::uint32_t length) = 0;
  virtual std::uint32_t write(const PciFunction& at, std::uint32_t offset, const void* buffer,
                              std::uint32_t length) = 0;

 protected:
  ~PciConfigSpace() = default;
};

namespace pci {
constexpr std::uint16_t kVendorAti = 0x1002;
constexpr std::uint16_t kNoVendor = 0xFFFF;
constexpr std::uint8_t kClassDisplay = 0x03;
constexpr std::uint32_t kCommand = 0x04;
constexpr std::uint32_t kClassCode = 0x0B;  // the base class byte
constexpr std::uint32_t kHeaderType = 0x0E;
constexpr std::uint32_t kBar2 = 0x18;
constexpr std::uint32_t kRomBar = 0x30;
constexpr std::uint32_t kCommonHeaderSize = 0x40;
constexpr std::uint16_t kCommandMemorySpace = 0x0002;
constexpr std::uint8_t kMultiFunction = 0x80;
constexpr std::uint32_t kRomEnable = 0x00000001;
constexpr std::uint32_t kRomAddressMask = 0xFFFFF800;
}  // namespace pci

struct RadeonLocation {
  PciFunction at;
  std::uint16_t deviceId;
  std::uint32_t registerBase;  // bus address of the 64 KiB register aperture
  std::uint32_t romBar;        // the expansion ROM BAR as found
};

enum class ScanResult {
  Found,
  NoCard,              // no display controller of vendor 0x1002 on any bus
  NoRegisterAperture,  // found, but BAR 2 is not an enabled 32-bit memory BAR
};

// Scans every bus the HAL reports, in bus, device, function order, for the
// first display controller (base class 0x03) of vendor 0x1002. Functions 1
// to 7 are looked at only on multi-function devices.
ScanResult findRadeon(PciConfigSpace& space, RadeonLocation* found);

// The PLL workarounds (PllErrata bits) of a chip; unknown chips get them all,
// which costs time but never a hang.
std::uint32_t pllErrataOf(std::uint16_t deviceId);

}  // namespace kl::driver
