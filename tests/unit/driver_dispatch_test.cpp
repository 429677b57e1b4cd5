// The r6probe request dispatch that both drivers share: the five requests
// with their exact sizes, bounds and alignment, the masked-write rule, and
// that a refused request touches neither the card nor the buffer.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/sim/r6probe_protocol.h"
#include "request_dispatch.h"

namespace kl::driver {
namespace {

namespace r6probe = platform::r6probe;

// A card of plain arrays that counts every access it is asked for.
class CountingCard final : public CardBackend {
 public:
  CountingCard() {
    for (std::uint32_t i = 0; i < kBiosSize; ++i) bios[i] = static_cast<std::uint8_t>(i * 7 + 1);
    registers[0x144 / 4] = 0x1405356A;
    pll[0x0A] = 0x007A7A0C;
  }
  ~CountingCard() = default;

  static constexpr std::uint32_t kBiosSize = 0x100;

  std::uint32_t registerSpaceSize() const override { return 0x10000; }
  std::uint32_t pllRegisterCount() const override { return 0x40; }
  std::uint32_t biosImageSize() const override { return kBiosSize; }
  bool readRegister(std::uint32_t offset, std::uint32_t* value) override {
    ++accesses;
    *value = registers[offset / 4];
    return !failing;
  }
  bool writeRegister(std::uint32_t offset, std::uint32_t value) override {
    ++accesses;
    if (!failing) registers[offset / 4] = value;
    return !failing;
  }
  bool readPllRegister(std::uint32_t index, std::uint32_t* value) override {
    ++accesses;
    *value = pll[index];
    return !failing;
  }
  bool writePllRegister(std::uint32_t index, std::uint32_t value) override {
    ++accesses;
    if (!failing) pll[index] = value;
    return !failing;
  }
  std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) override {
    ++accesses;
    const std::uint32_t n = offset >= kBiosSize ? 0 : std::min(count, kBiosSize - offset);
    std::memcpy(destination, bios + offset, n);
    return n;
  }

  std::uint32_t registers[0x10000 / 4] = {};
  std::uint32_t pll[0x40] = {};
  std::uint8_t bios[kBiosSize] = {};
  int accesses = 0;
  bool failing = false;
};

struct Answer {
  RequestResult result;
  std::uint32_t delivered;
  std::vector<std::uint8_t> buffer;  // the system buffer afterwards
};

// One request through a system buffer of `capacity` bytes holding `in`,
// filled with 0xCC beyond it.
Answer send(CardBackend& card, std::uint32_t code, std::vector<std::uint32_t> in,
            std::uint32_t inSize, std::uint32_t outSize, std::uint32_t capacity = 64) {
  std::vector<std::uint8_t> buffer(capacity, 0xCC);
  std::memcpy(buffer.data(), in.data(), std::min<std::size_t>(in.size() * 4, capacity));
  std::uint32_t delivered = 0xDEAD;
  const RequestResult result =
      dispatchRequest(card, code, buffer.data(), inSize, outSize, &delivered);
  return {result, delivered, buffer};
}

std::uint32_t wordOf(const Answer& answer) {
  std::uint32_t word;
  std::memcpy(&word, answer.buffer.data(), 4);
  return word;
}

TEST(RequestDispatch, WordReadsAnswerInTheBufferThatCarriedTheTarget) {
  CountingCard card;
  Answer a = send(card, r6probe::kReadRegister, {0x144}, 4, 4);
  EXPECT_EQ(a.result, RequestResult::Done);
  EXPECT_EQ(a.delivered, 4u);
  EXPECT_EQ(wordOf(a), 0x1405356Au);
  EXPECT_EQ(a.buffer[4], 0xCC) << "nothing past the four bytes";
  a = send(card, r6probe::kReadPllRegister, {0x0A}, 4, 4);
  EXPECT_EQ(a.result, RequestResult::Done);
  EXPECT_EQ(wordOf(a), 0x007A7A0Cu);
  // The last register and the last PLL index are inside.
  EXPECT_EQ(send(card, r6probe::kReadRegister, {0xFFFC}, 4, 4).result, RequestResult::Done);
  EXPECT_EQ(send(card, r6probe::kReadPllRegister, {0x3F}, 4, 4).result, RequestResult::Done);
}

TEST(RequestDispatch, MaskedWritesCombineWithTheRegistersOtherBits) {
  CountingCard card;
  card.pll[0x0D] = 0xABCDEF07;
  EXPECT_EQ(send(card, r6probe::kWritePllRegister, {0x0D, 7, 0xFFFFFFFA}, 12, 0).result,
            RequestResult::Done);
  EXPECT_EQ(card.pll[0x0D], 0xABCDEF02u);
  card.pll[0x0A] = 0xA57A7A0C;
  send(card, r6probe::kWritePllRegister, {0x0A, 0x00FFFF00, 0xFF1234FF}, 12, 0);
  EXPECT_EQ(card.pll[0x0A], 0xA512340Cu) << "bits 0-7 and 24-31 stay";
  send(card, r6probe::kWriteRegister, {0x144, 0x0000F0FF, 0xFFFF2FAB}, 12, 0);
  EXPECT_EQ(card.registers[0x144 / 4], 0x140525ABu);
  const Answer a = send(card, r6probe::kWriteRegister, {0x154, 0xFFFFFFFF, 0x12345678}, 12, 0);
  EXPECT_EQ(card.registers[0x154 / 4], 0x12345678u);
  EXPECT_EQ(a.delivered, 0u);
}

TEST(RequestDispatch, BiosReadsDeliverUpToTheEndOfTheImageAndNothingPastIt) {
  CountingCard card;
  Answer a = send(card, r6probe::kReadBios, {0}, 4, 24);
  EXPECT_EQ(a.result, RequestResult::Done);
  EXPECT_EQ(a.delivered, 24u);
  EXPECT_TRUE(std::equal(card.bios, card.bios + 24, a.buffer.begin()));
  // The last 16 bytes of a 24-byte request: the rest of the buffer stays.
  a = send(card, r6probe::kReadBios, {CountingCard::kBiosSize - 16}, 4, 24);
  EXPECT_EQ(a.result, RequestResult::Done);
  EXPECT_EQ(a.delivered, 16u);
  EXPECT_TRUE(std::equal(card.bios + CountingCard::kBiosSize - 16,
                         card.bios + CountingCard::kBiosSize, a.buffer.begin()));
  EXPECT_EQ(a.buffer[16], 0xCC);
  // A read of the last byte, and an empty read of an offset inside.
  EXPECT_EQ(send(card, r6probe::kReadBios, {CountingCard::kBiosSize - 1}, 4, 4).delivered, 1u);
  EXPECT_EQ(send(card, r6probe::kReadBios, {8}, 4, 0).delivered, 0u);
  for (std::uint32_t past : {CountingCard::kBiosSize, CountingCard::kBiosSize + 1, 0xFFFFFFFFu}) {
    a = send(card, r6probe::kReadBios, {past}, 4, 24);
    EXPECT_EQ(a.result, RequestResult::BadTarget) << past;
    EXPECT_EQ(a.delivered, 0u);
    EXPECT_EQ(wordOf(a), past) << "the buffer keeps its input";
  }
}

struct Refusal {
  std::uint32_t code;
  std::vector<std::uint32_t> in;
  std::uint32_t inSize;
  std::uint32_t outSize;
  RequestResult expected;
};

TEST(RequestDispatch, RefusedRequestsTouchNeitherTheCardNorTheBuffer) {
  const std::uint32_t rr = r6probe::kReadRegister, wr = r6probe::kWriteRegister,
                      rp = r6probe::kReadPllRegister, wp = r6probe::kWritePllRegister,
                      rb = r6probe::kReadBios;
  const RequestResult size = RequestResult::WrongSize, target = RequestResult::BadTarget,
                      unknown = RequestResult::UnknownRequest;
  const Refusal cases[] = {
      // Sizes other than the request's own, in and out.
      {rr, {0x144}, 0, 4, size},
      {rr, {0x144}, 3, 4, size},
      {rr, {0x144}, 5, 4, size},
      {rr, {0x144}, 4, 0, size},
      {rr, {0x144}, 4, 3, size},
      {rr, {0x144}, 4, 8, size},
      {rp, {0x0A}, 8, 4, size},
      {rp, {0x0A}, 4, 2, size},
      {wr, {0x144, ~0u, 0}, 11, 0, size},
      {wr, {0x144, ~0u, 0}, 13, 0, size},
      {wr, {0x144, ~0u, 0}, 12, 4, size},
      {wp, {0x0A, ~0u, 0}, 4, 0, size},
      {wp, {0x0A, ~0u, 0}, 12, 12, size},
      {rb, {0}, 0, 24, size},
      {rb, {0}, 3, 24, size},
      {rb, {0}, 8, 24, size},
      // Unaligned or outside the register space, PLL indices past 0x3F.
      {rr, {0x145}, 4, 4, target},
      {rr, {0x146}, 4, 4, target},
      {rr, {0x147}, 4, 4, target},
      {rr, {0x10000}, 4, 4, target},
      {rr, {0xFFFFFFFC}, 4, 4, target},
      {wr, {0x10144, ~0u, 0}, 12, 0, target},
      {wr, {0x0142, ~0u, 0}, 12, 0, target},
      {rp, {0x40}, 4, 4, target},
      {rp, {0xFFFFFFFF}, 4, 4, target},
      {wp, {0x4A, ~0u, 0}, 12, 0, target},
      // Codes beside the five: other functions, access or method bits, device types.
      {0x9C406400, {0x144}, 4, 4, unknown},
      {0x9C406418, {0x144}, 4, 4, unknown},
      {0x9C402404, {0x144}, 4, 4, unknown},
      {0x9C40A404, {0x144}, 4, 4, unknown},
      {0x9C406405, {0x144}, 4, 4, unknown},
      {0x00226404, {0x144}, 4, 4, unknown},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "code " << c.code << " target " << c.in[0]
                                      << std::dec << " in " << c.inSize << " out " << c.outSize);
    CountingCard card;
    const CountingCard before;
    std::vector<std::uint32_t> in = c.in;
    in.resize(4, 0xCCCCCCCC);
    const Answer a = send(card, c.code, in, c.inSize, c.outSize);
    EXPECT_EQ(a.result, c.expected);
    EXPECT_EQ(a.delivered, 0u);
    EXPECT_EQ(card.accesses, 0) << "the card was asked";
    std::vector<std::uint8_t> expected(64, 0xCC);
    std::memcpy(expected.data(), in.data(), 16);
    EXPECT_EQ(a.buffer, expected);
    EXPECT_EQ(std::memcmp(card.registers, before.registers, sizeof card.registers), 0);
    EXPECT_EQ(std::memcmp(card.pll, before.pll, sizeof card.pll), 0);
  }
}

TEST(RequestDispatch, AMissingBufferIsASizeError) {
  CountingCard card;
  std::uint32_t delivered = 1;
  EXPECT_EQ(dispatchRequest(card, r6probe::kReadRegister, nullptr, 4, 4, &delivered),
            RequestResult::WrongSize);
  EXPECT_EQ(dispatchRequest(card, r6probe::kWritePllRegister, nullptr, 12, 0, &delivered),
            RequestResult::WrongSize);
  EXPECT_EQ(delivered, 0u);
  EXPECT_EQ(card.accesses, 0);
}

TEST(RequestDispatch, ACardThatFailsAnAccessFailsTheRequestWithoutOutput) {
  CountingCard card;
  card.failing = true;
  Answer a = send(card, r6probe::kReadPllRegister, {0x0A}, 4, 4);
  EXPECT_EQ(a.result, RequestResult::CardFailed);
  EXPECT_EQ(a.delivered, 0u);
  EXPECT_EQ(wordOf(a), 0x0Au);
  a = send(card, r6probe::kWriteRegister, {0x144, 0xFF, 0x12}, 12, 0);
  EXPECT_EQ(a.result, RequestResult::CardFailed);
  EXPECT_EQ(card.accesses, 2) << "a write whose read failed is not attempted";
  EXPECT_EQ(card.registers[0x144 / 4], 0x1405356Au);
}

}  // namespace
}  // namespace kl::driver
