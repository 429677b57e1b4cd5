#pragma once
// The card's memory-mapped register aperture as the real backend reaches it:
// 32-bit accesses at 4-aligned byte offsets inside the aperture, plus a
// pause the PLL protocol needs between accesses on some chips. The kernel
// build maps BAR 2 behind it; native tests put a recording model there.
#include <cstdint>

namespace kl::driver {

class RegisterAperture {
 public:
  // The caller guarantees 4-alignment and an offset below kApertureSize.
  virtual std::uint32_t read(std::uint32_t offset) = 0;
  virtual void write(std::uint32_t offset, std::uint32_t value) = 0;
  // Waits at least `microseconds`; only ever called with the lock held at
  // passive level.
  virtual void pause(std::uint32_t microseconds) = 0;

 protected:
  ~RegisterAperture() = default;
};

// The register BAR of the R100 to R300 chips is 64 KiB.
constexpr std::uint32_t kApertureSize = 0x10000;

}  // namespace kl::driver
