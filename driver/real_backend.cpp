// The real card: the first ATI display controller on the PCI buses, its
// 64 KiB register aperture (BAR 2) mapped uncached, its PLL registers through
// the index/data pair, and a copy of its video BIOS image taken at start.
//
// Start statuses, which the service manager reports for a failed start:
//   STATUS_DEVICE_DOES_NOT_EXIST       no ATI display controller on any bus
//   STATUS_DEVICE_CONFIGURATION_ERROR  the card's BAR 2 is not an enabled
//                                      32-bit memory BAR at a 64 KiB boundary
//   STATUS_DEVICE_DATA_ERROR           no BIOS image of this card in the
//                                      shadow at 0xC0000 nor in its ROM
//   STATUS_INSUFFICIENT_RESOURCES      no pool memory, or the aperture could
//                                      not be mapped
#include <new>

#include "bios_image.h"
#include "card_backend_start.h"
#include "pci_scan.h"
#include "real_card.h"

namespace kl::driver {

namespace {

constexpr ULONG kPoolTag = 0x72703672;  // "r6pr" in a pool dump

ULONG slotOf(const PciFunction& at) {
  PCI_SLOT_NUMBER slot;
  slot.u.AsULONG = 0;
  slot.u.bits.DeviceNumber = at.device;
  slot.u.bits.FunctionNumber = at.function;
  return slot.u.AsULONG;
}

class HalConfigSpace final : public PciConfigSpace {
 public:
  std::uint32_t read(const PciFunction& at, std::uint32_t offset, void* buffer,
                     std::uint32_t length) override {
    return HalGetBusDataByOffset(PCIConfiguration, at.bus, slotOf(at), buffer, offset, length);
  }
  std::uint32_t write(const PciFunction& at, std::uint32_t offset, const void* buffer,
                      std::uint32_t length) override {
    return HalSetBusDataByOffset(PCIConfiguration, at.bus, slotOf(at), const_cast<void*>(buffer),
                                 offset, length);
  }
};

// A bus address of the card's bus as the processor sees it; false for a
// range the HAL cannot translate or that lies in I/O space.
bool translate(ULONG bus, std::uint32_t address, PHYSICAL_ADDRESS* physical) {
  PHYSICAL_ADDRESS busAddress;
  busAddress.QuadPart = address;
  ULONG space = 0;  // memory space
  return HalTranslateBusAddress(PCIBus, bus, busAddress, &space, physical) && space == 0;
}

class MappedMemory final : public PhysicalMemory {
 public:
  explicit MappedMemory(ULONG bus) : bus_(bus) {}
  bool copy(std::uint32_t address, void* destination, std::uint32_t length) override {
    PHYSICAL_ADDRESS physical;
    if (!translate(bus_, address, &physical)) return false;
    auto* mapped = static_cast<volatile UCHAR*>(MmMapIoSpace(physical, length, MmNonCached));
    if (mapped == nullptr) return false;
    auto* out = static_cast<UCHAR*>(destination);
    for (std::uint32_t i = 0; i < length; ++i) out[i] = mapped[i];
    MmUnmapIoSpace(const_cast<UCHAR*>(mapped), length);
    return true;
  }

 private:
  ULONG bus_;
};

class MappedAperture : public RegisterAperture {
 public:
  explicit MappedAperture(volatile ULONG* base) : base_(base) {}
  std::uint32_t read(std::uint32_t offset) override { return base_[offset / 4]; }
  void write(std::uint32_t offset, std::uint32_t value) override { base_[offset / 4] = value; }
  void pause(std::uint32_t microseconds) override {
    LARGE_INTEGER interval;
    interval.QuadPart = -10 * static_cast<LONGLONG>(microseconds);  // relative, 100 ns units
    KeDelayExecutionThread(KernelMode, FALSE, &interval);
  }
  volatile ULONG* base() const { return base_; }

 private:
  volatile ULONG* base_;
};

// The BIOS copy, taken when the backend is built.
struct BiosCopy {
  BiosCopy(PciConfigSpace& space, PhysicalMemory& memory, const RadeonLocation& found)
      : image(loadBiosImage(space, memory, found, bios)) {}
  std::uint8_t bios[rom::kMaxImageSize];
  BiosImage image;
};

// Everything the running driver holds, in one nonpaged block; the bases are
// built in this order, so the card sees a filled image and a mapped aperture.
class RealBackend final : public BiosCopy, public MappedAperture, public RealCard {
 public:
  RealBackend(PciConfigSpace& space, PhysicalMemory& memory, const RadeonLocation& found,
              volatile ULONG* registers)
      : BiosCopy(space, memory, found),
        MappedAperture(registers),
        RealCard(*this, pllErrataOf(found.deviceId), bios, image.size) {}
  ~RealBackend() = default;
};

volatile ULONG* mapAperture(const RadeonLocation& found) {
  PHYSICAL_ADDRESS physical;
  if (!translate(found.at.bus, found.registerBase, &physical)) return nullptr;
  return static_cast<volatile ULONG*>(MmMapIoSpace(physical, kApertureSize, MmNonCached));
}

NTSTATUS statusOf(ScanResult result) {
  return result == ScanResult::NoCard ? STATUS_DEVICE_DOES_NOT_EXIST
                                      : STATUS_DEVICE_CONFIGURATION_ERROR;
}

void release(RealBackend* real) {
  MmUnmapIoSpace(const_cast<ULONG*>(real->base()), kApertureSize);
  real->~RealBackend();
  ExFreePoolWithTag(real, kPoolTag);
}

}  // namespace

NTSTATUS startCardBackend(PCUNICODE_STRING, CardBackend** backend) {
  HalConfigSpace space;
  RadeonLocation found{};
  const ScanResult scan = findRadeon(space, &found);
  if (scan != ScanResult::Found) return statusOf(scan);
  volatile ULONG* registers = mapAperture(found);
  if (registers == nullptr) return STATUS_INSUFFICIENT_RESOURCES;
  void* memory = ExAllocatePoolWithTag(NonPagedPool, sizeof(RealBackend), kPoolTag);
  if (memory == nullptr) {
    MmUnmapIoSpace(const_cast<ULONG*>(registers), kApertureSize);
    return STATUS_INSUFFICIENT_RESOURCES;
  }
  MappedMemory physical(found.at.bus);
  auto* real = new (memory) RealBackend(space, physical, found, registers);
  if (real->image.size == 0) {
    release(real);
    return STATUS_DEVICE_DATA_ERROR;
  }
  *backend = real;
  return STATUS_SUCCESS;
}

bool acceptsUncheckedOpens() { return false; }

void stopCardBackend(CardBackend* backend) {
  release(static_cast<RealBackend*>(static_cast<RealCard*>(backend)));
}

}  // namespace kl::driver
