#include "real_card.h"

namespace kl::driver {

namespace {

bool insideAperture(std::uint32_t offset) { return offset % 4 == 0 && offset < kApertureSize; }

// The index register also holds the pixel-clock divider select (bits 8-9)
// and other state: only the index and write-enable bits are ours.
constexpr std::uint32_t kIndexBits = radeon::kPllIndexMask | radeon::kPllWriteEnable;

}  // namespace

bool RealCard::readRegister(std::uint32_t offset, std::uint32_t* value) {
  if (!insideAperture(offset)) return false;
  *value = aperture_.read(offset);
  return true;
}

bool RealCard::writeRegister(std::uint32_t offset, std::uint32_t value) {
  if (!insideAperture(offset)) return false;
  aperture_.write(offset, value);
  return true;
}

// Returns the index register as it was, for the restore.
std::uint32_t RealCard::selectPll(std::uint32_t index, bool write) {
  const std::uint32_t saved = aperture_.read(radeon::kClockCntlIndex);
  const std::uint32_t selected = (saved & ~kIndexBits) | (index & radeon::kPllIndexMask) |
                                 (write ? radeon::kPllWriteEnable : 0);
  aperture_.write(radeon::kClockCntlIndex, selected);
  afterIndex();
  return saved;
}

void RealCard::afterIndex() {
  if (!(errata_ & kDummyReads)) return;
  (void)aperture_.read(radeon::kClockCntlData);
  (void)aperture_.read(radeon::kCrtcGenCntl);
}

void RealCard::afterData() {
  if (errata_ & kDataDelay) aperture_.pause(radeon::kPllDelayMicroseconds);
  if (errata_ & kR300ClockGating) {
    const std::uint32_t current = aperture_.read(radeon::kClockCntlIndex);
    aperture_.write(radeon::kClockCntlIndex, current & ~kIndexBits);
    (void)aperture_.read(radeon::kClockCntlData);
    aperture_.write(radeon::kClockCntlIndex, current);
  }
}

bool RealCard::readPllRegister(std::uint32_t index, std::uint32_t* value) {
  if (index >= radeon::kPllCount) return false;
  const std::uint32_t saved = selectPll(index, false);
  *value = aperture_.read(radeon::kClockCntlData);
  afterData();
  aperture_.write(radeon::kClockCntlIndex, saved);
  return true;
}

bool RealCard::writePllRegister(std::uint32_t index, std::uint32_t value) {
  if (index >= radeon::kPllCount) return false;
  const std::uint32_t saved = selectPll(index, true);
  aperture_.write(radeon::kClockCntlData, value);
  afterData();
  aperture_.write(radeon::kClockCntlIndex, saved);
  return true;
}

std::uint32_t RealCard::readBios(std::uint32_t offset, void* destination, std::uint32_t count) {
  if (offset >= biosSize_) return 0;
  const std::uint32_t available = biosSize_ - offset;
  const std::uint32_t n = count < available ? count : available;
  auto* out = static_cast<std::uint8_t*>(destination);
  for (std::uint32_t i = 0; i < n; ++i) out[i] = bios_[offset + i];
  return n;
}

}  // namespace kl::driver
