#pragma once
// What the request dispatch needs from a card: raw 32-bit accesses to the
// memory-mapped registers and the PLL registers, and bytes of the video BIOS
// image. A backend is reached only through the dispatch, which has already
// checked alignment and bounds against the sizes reported here and does the
// read-combine-write of the masked requests itself.
//
// Written against the fixed-width integer types only, so the dispatch and
// any backend without kernel calls also compile in a native test program.
#include <cstdint>

namespace kl::driver {

class CardBackend {
 public:
  // Bytes of register space from offset 0; offsets below it that are
  // 4-aligned are valid.
  virtual std::uint32_t registerSpaceSize() const = 0;
  // PLL indices below this count are valid.
  virtual std::uint32_t pllRegisterCount() const = 0;
  // Bytes of the BIOS image; offsets below it are valid.
  virtual std::uint32_t biosImageSize() const = 0;

  // Each returns false when the card did not complete the access; a failed
  // write may not have changed anything.
  virtual bool readRegister(std::uint32_t offset, std::uint32_t* value) = 0;
  virtual bool writeRegister(std::uint32_t offset, std::uint32_t value) = 0;
  virtual bool readPllRegister(std::uint32_t index, std::uint32_t* value) = 0;
  virtual bool writePllRegister(std::uint32_t index, std::uint32_t value) = 0;
  // Copies up to `count` image bytes from `offset` on; returns how many.
  virtual std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) = 0;

 protected:
  // Not virtual: a kernel driver has no operator delete, and backends are
  // destroyed by the code that created them, through their own type.
  ~CardBackend() = default;
};

}  // namespace kl::driver
