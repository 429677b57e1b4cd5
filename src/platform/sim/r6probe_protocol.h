#pragma once
// The r6probe device as the program sees it: its path, its five control codes
// and their buffer layouts. Shared by the simulated device and the kernel-mode
// test driver, so it needs nothing but the fixed-width integer types.
//
// Every request is METHOD_BUFFERED with little-endian 32-bit words:
//   read register / read PLL register   in: offset or index (4)  out: value (4)
//   masked write / masked PLL write     in: target, mask, value (12)  out: none
//   read BIOS bytes                     in: image offset (4)  out: n image bytes
// The program reads single words with one 4-byte buffer passed as both input
// and output, so a device must take its input before it writes its output.
#include <cstdint>

namespace kl::platform::r6probe {

// The text \\.\r6probe.vxd
constexpr char kDevicePath[] = "\\\\.\\r6probe.vxd";

constexpr std::uint32_t kDeviceType = 0x9C40;
constexpr std::uint32_t kMethodBuffered = 0;
constexpr std::uint32_t kFileReadAccess = 1;

// The layout of the Windows CTL_CODE macro.
constexpr std::uint32_t controlCode(std::uint32_t deviceType, std::uint32_t function,
                                    std::uint32_t method, std::uint32_t access) {
  return deviceType << 16 | access << 14 | function << 2 | method;
}

// All five carry read access only, so the writes work on a handle opened for
// GENERIC_READ.
constexpr std::uint32_t kReadRegister =
    controlCode(kDeviceType, 0x901, kMethodBuffered, kFileReadAccess);
constexpr std::uint32_t kWriteRegister =
    controlCode(kDeviceType, 0x902, kMethodBuffered, kFileReadAccess);
constexpr std::uint32_t kReadPllRegister =
    controlCode(kDeviceType, 0x903, kMethodBuffered, kFileReadAccess);
constexpr std::uint32_t kWritePllRegister =
    controlCode(kDeviceType, 0x904, kMethodBuffered, kFileReadAccess);
constexpr std::uint32_t kReadBios =
    controlCode(kDeviceType, 0x905, kMethodBuffered, kFileReadAccess);

static_assert(kReadRegister == 0x9C406404u);
static_assert(kWriteRegister == 0x9C406408u);
static_assert(kReadPllRegister == 0x9C40640Cu);
static_assert(kWritePllRegister == 0x9C406410u);
static_assert(kReadBios == 0x9C406414u);

constexpr std::uint32_t kWordSize = 4;
constexpr std::uint32_t kMaskedWriteSize = 12;

// Input of both masked writes, in this order.
struct MaskedWrite {
  std::uint32_t target;  // MMIO byte offset or PLL index
  std::uint32_t mask;
  std::uint32_t value;
};
static_assert(sizeof(MaskedWrite) == kMaskedWriteSize);

}  // namespace kl::platform::r6probe
