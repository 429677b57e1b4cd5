#pragma once
// The card backend of a real Radeon: MMIO through the register aperture, PLL
// registers through the index/data pair, and the BIOS image the driver copied
// at start. Kernel-free, so the PLL protocol is tested natively against a
// model of the aperture that records every access.
#include <cstdint>

#include "card_backend.h"
#include "register_aperture.h"

namespace kl::driver {

namespace radeon {
constexpr std::uint32_t kClockCntlIndex = 0x0008;
constexpr std::uint32_t kClockCntlData = 0x000C;
constexpr std::uint32_t kCrtcGenCntl = 0x0050;
constexpr std::uint32_t kPllIndexMask = 0x3F;
constexpr std::uint32_t kPllWriteEnable = 0x80;
constexpr std::uint32_t kPllCount = kPllIndexMask + 1;
// Wait after a PLL data access on the chips that can hang without it.
constexpr std::uint32_t kPllDelayMicroseconds = 5000;
}  // namespace radeon

// Workarounds of the PLL index/data pair, per chip family (bit flags).
enum PllErrata : std::uint32_t {
  kNoErrata = 0,
  // RV200, RS200: read CLOCK_CNTL_DATA and CRTC_GEN_CNTL after writing the
  // index, before the data access.
  kDummyReads = 1,
  // RV100, RS100, RS200: wait 5 ms after each data access.
  kDataDelay = 2,
  // R300, R350, RV350: after each data access select index 0, read the data
  // register once, and restore the index.
  kR300ClockGating = 4,
  kAllErrata = kDummyReads | kDataDelay | kR300ClockGating,
};

class RealCard : public CardBackend {
 public:
  // `aperture` and the `biosSize` bytes at `bios` must outlive the card.
  RealCard(RegisterAperture& aperture, std::uint32_t errata, const std::uint8_t* bios,
           std::uint32_t biosSize)
      : aperture_(aperture), errata_(errata), bios_(bios), biosSize_(biosSize) {}
  ~RealCard() = default;

  std::uint32_t registerSpaceSize() const override { return kApertureSize; }
  std::uint32_t pllRegisterCount() const override { return radeon::kPllCount; }
  std::uint32_t biosImageSize() const override { return biosSize_; }

  bool readRegister(std::uint32_t offset, std::uint32_t* value) override;
  bool writeRegister(std::uint32_t offset, std::uint32_t value) override;
  // One index/data sequence each. The index register is restored afterwards,
  // so a sequence of the display driver that this request interrupted goes on
  // with its own index and write-enable state.
  bool readPllRegister(std::uint32_t index, std::uint32_t* value) override;
  bool writePllRegister(std::uint32_t index, std::uint32_t value) override;
  std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) override;

 private:
  std::uint32_t selectPll(std::uint32_t index, bool write);
  void afterIndex();
  void afterData();

  RegisterAperture& aperture_;
  std::uint32_t errata_;
  const std::uint8_t* bios_;
  std::uint32_t biosSize_;
};

}  // namespace kl::driver
