#include "request_dispatch.h"

#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/radeon_card.h"

namespace kl::driver {

namespace r6probe = platform::r6probe;

namespace {

std::uint32_t wordAt(const void* buffer, std::uint32_t n) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer) + 4 * n;
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void putWord(void* buffer, std::uint32_t value) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Every request carries input words, so a missing buffer is a size error
// whatever the sizes claim.
bool sizesAre(const void* buffer, std::uint32_t inSize, std::uint32_t expected) {
  return buffer != nullptr && inSize == expected;
}

enum class Space { Registers, Pll };

bool validTarget(const CardBackend& card, Space space, std::uint32_t target) {
  if (space == Space::Pll) return target < card.pllRegisterCount();
  return target % 4 == 0 && target < card.registerSpaceSize();
}

bool readWord(CardBackend& card, Space space, std::uint32_t target, std::uint32_t* value) {
  return space == Space::Pll ? card.readPllRegister(target, value)
                             : card.readRegister(target, value);
}

RequestResult readRequest(CardBackend& card, Space space, void* buffer, std::uint32_t inSize,
                          std::uint32_t outSize, std::uint32_t* delivered) {
  if (!sizesAre(buffer, inSize, r6probe::kWordSize) || outSize != r6probe::kWordSize) {
    return RequestResult::WrongSize;
  }
  const std::uint32_t target = wordAt(buffer, 0);
  if (!validTarget(card, space, target)) return RequestResult::BadTarget;
  std::uint32_t value = 0;
  if (!readWord(card, space, target, &value)) return RequestResult::CardFailed;
  putWord(buffer, value);
  *delivered = r6probe::kWordSize;
  return RequestResult::Done;
}

// The bits set in the mask take the value's bits; the others keep the
// register's, so the register is read first and written whole.
RequestResult maskedWriteRequest(CardBackend& card, Space space, const void* buffer,
                                 std::uint32_t inSize, std::uint32_t outSize) {
  if (!sizesAre(buffer, inSize, r6probe::kMaskedWriteSize) || outSize != 0) {
    return RequestResult::WrongSize;
  }
  const std::uint32_t target = wordAt(buffer, 0);
  const std::uint32_t mask = wordAt(buffer, 1);
  const std::uint32_t value = wordAt(buffer, 2);
  if (!validTarget(card, space, target)) return RequestResult::BadTarget;
  std::uint32_t old = 0;
  if (!readWord(card, space, target, &old)) return RequestResult::CardFailed;
  const std::uint32_t combined = platform::maskedWrite(old, mask, value);
  const bool written = space == Space::Pll ? card.writePllRegister(target, combined)
                                           : card.writeRegister(target, combined);
  return written ? RequestResult::Done : RequestResult::CardFailed;
}

// Any output size is a byte count; a block running past the end of the
// image delivers the bytes up to the end, an offset past it none (refused).
RequestResult biosRequest(CardBackend& card, void* buffer, std::uint32_t inSize,
                          std::uint32_t outSize, std::uint32_t* delivered) {
  if (!sizesAre(buffer, inSize, r6probe::kWordSize)) return RequestResult::WrongSize;
  const std::uint32_t offset = wordAt(buffer, 0);
  if (offset >= card.biosImageSize()) return RequestResult::BadTarget;
  *delivered = card.readBios(offset, buffer, outSize);
  return RequestResult::Done;
}

}  // namespace

RequestResult dispatchRequest(CardBackend& card, std::uint32_t code, void* buffer,
                              std::uint32_t inSize, std::uint32_t outSize,
                              std::uint32_t* delivered) {
  *delivered = 0;
  switch (code) {
    case r6probe::kReadRegister:
      return readRequest(card, Space::Registers, buffer, inSize, outSize, delivered);
    case r6probe::kReadPllRegister:
      return readRequest(card, Space::Pll, buffer, inSize, outSize, delivered);
    case r6probe::kWriteRegister:
      return maskedWriteRequest(card, Space::Registers, buffer, inSize, outSize);
    case r6probe::kWritePllRegister:
      return maskedWriteRequest(card, Space::Pll, buffer, inSize, outSize);
    case r6probe::kReadBios:
      return biosRequest(card, buffer, inSize, outSize, delivered);
    default:
      return RequestResult::UnknownRequest;
  }
}

}  // namespace kl::driver
