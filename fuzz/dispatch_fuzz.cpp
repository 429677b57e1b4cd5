// The r6probe driver's request dispatch over the simulated card's backend,
// fed a sequence of requests with arbitrary control codes, sizes and buffer
// contents, as any program that opens the device may send them. The system
// buffer is allocated as the I/O manager allocates it for buffered I/O, the
// larger of the two sizes and no byte more, so AddressSanitizer sees any
// access outside it; the backend between the dispatch and the card checks
// every access it is asked for. Per request:
//  - a register access is 4-aligned and inside the aperture, a PLL index
//    below the count, a BIOS read starts inside the image, asks no more
//    than the buffer holds and delivers no byte past the image;
//  - a request is served only with its code and sizes and a valid target;
//  - a read answers the card's word; a masked write reads its target once
//    and writes it once, changing only the bits of its mask;
//  - a refused or failed request returns its error, delivers nothing,
//    leaves the buffer as it was and the card untouched (a refused one asks
//    the card nothing at all);
//  - nothing but the delivered output is written into the buffer.
// After the sequence the card equals a copy that took only the writes the
// requests asked for.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstring>
#include <memory>
#include <vector>

#include "fuzz_support.h"
#include "platform/sim/r6probe_protocol.h"
#include "register_aperture.h"
#include "request_dispatch.h"
#include "sim_card_backend.h"

namespace {

namespace r6probe = kl::platform::r6probe;
using kl::driver::CardBackend;
using kl::driver::RequestResult;
using kl::driver::SimCardBackend;
using kl::platform::RadeonCard;

constexpr std::uint32_t kCodes[] = {r6probe::kReadRegister, r6probe::kReadPllRegister,
                                    r6probe::kWriteRegister, r6probe::kWritePllRegister,
                                    r6probe::kReadBios};

struct Access {
  enum Kind { ReadRegister, WriteRegister, ReadPll, WritePll, ReadBios } kind;
  std::uint32_t target;
  std::uint32_t value;  // read or written; bytes delivered for the BIOS
};

// Stands between the dispatch and the card: checks and records every access,
// and fails the accesses it is told to fail without passing them on.
class CheckingBackend final : public CardBackend {
 public:
  CheckingBackend(SimCardBackend& card, const std::uint8_t* buffer, std::uint32_t bufferSize,
                  int failAt)
      : card_(card), buffer_(buffer), bufferSize_(bufferSize), failAt_(failAt) {}
  ~CheckingBackend() = default;

  std::uint32_t registerSpaceSize() const override { return card_.registerSpaceSize(); }
  std::uint32_t pllRegisterCount() const override { return card_.pllRegisterCount(); }
  std::uint32_t biosImageSize() const override { return card_.biosImageSize(); }

  bool readRegister(std::uint32_t offset, std::uint32_t* value) override {
    checkRegister(offset);
    if (failing()) return false;
    KL_FUZZ_CHECK(card_.readRegister(offset, value), "the card refused a register read");
    accesses.push_back({Access::ReadRegister, offset, *value});
    return true;
  }
  bool writeRegister(std::uint32_t offset, std::uint32_t value) override {
    checkRegister(offset);
    if (failing()) return false;
    KL_FUZZ_CHECK(card_.writeRegister(offset, value), "the card refused a register write");
    accesses.push_back({Access::WriteRegister, offset, value});
    return true;
  }
  bool readPllRegister(std::uint32_t index, std::uint32_t* value) override {
    KL_FUZZ_CHECK(index < RadeonCard::kPllCount, "a PLL index past the last");
    if (failing()) return false;
    KL_FUZZ_CHECK(card_.readPllRegister(index, value), "the card refused a PLL read");
    accesses.push_back({Access::ReadPll, index, *value});
    return true;
  }
  bool writePllRegister(std::uint32_t index, std::uint32_t value) override {
    KL_FUZZ_CHECK(index < RadeonCard::kPllCount, "a PLL index past the last");
    if (failing()) return false;
    KL_FUZZ_CHECK(card_.writePllRegister(index, value), "the card refused a PLL write");
    accesses.push_back({Access::WritePll, index, value});
    return true;
  }
  std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) override {
    KL_FUZZ_CHECK(offset < card_.biosImageSize(), "a BIOS read starting past the image");
    KL_FUZZ_CHECK(destination == buffer_ && count <= bufferSize_,
                  "a BIOS read into more than the system buffer");
    const std::uint32_t n = card_.readBios(offset, destination, count);
    KL_FUZZ_CHECK(n <= count && offset + n <= card_.biosImageSize(), "a BIOS read past the image");
    accesses.push_back({Access::ReadBios, offset, n});
    return n;
  }

  std::vector<Access> accesses;
  int attempts = 0;

 private:
  static void checkRegister(std::uint32_t offset) {
    KL_FUZZ_CHECK(offset % 4 == 0, "an unaligned register access");
    KL_FUZZ_CHECK(offset < kl::driver::kApertureSize && offset < RadeonCard::kMmioSize,
                  "a register access outside the aperture");
  }
  bool failing() { return ++attempts == failAt_; }

  SimCardBackend& card_;
  const std::uint8_t* buffer_;
  std::uint32_t bufferSize_;
  int failAt_;  // the n-th register access fails (1 = the first); 0: none
};

std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t n) {
  std::uint32_t w = 0;
  if (bytes.size() >= 4 * n + 4) std::memcpy(&w, bytes.data() + 4 * n, 4);
  return w;
}

std::uint32_t chooseCode(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
    case 1:
      return in.PickValueInArray(kCodes);
    case 2:  // one bit away from a real code: another function, method, access or type
      return in.PickValueInArray(kCodes) ^ (1u << in.ConsumeIntegralInRange(0, 31));
    default:
      return in.ConsumeIntegral<std::uint32_t>();
  }
}

std::uint32_t chooseSize(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 7)) {
    case 0:
      return 4;
    case 1:
      return 12;
    case 2:
      return 0;
    case 3:  // past the end of the image from offset 0
      return in.ConsumeIntegralInRange<std::uint32_t>(0, 0x9000);
    default:
      return in.ConsumeIntegralInRange<std::uint32_t>(0, 16);
  }
}

// A register offset, PLL index or image offset: near the edges of the
// register space, the PLL file and the image, or anything.
std::uint32_t chooseTarget(FuzzedDataProvider& in) {
  static constexpr std::uint32_t kEdges[] = {0,      RadeonCard::kPllCount,
                                             0x144,  RadeonCard::kMmioSize,
                                             0x8000, 0xFFFFFFFCu};
  switch (in.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return in.PickValueInArray(kEdges) + in.ConsumeIntegralInRange<std::int32_t>(-5, 4);
    case 1:
      return in.ConsumeIntegralInRange<std::uint32_t>(0, RadeonCard::kMmioSize);
    default:
      return in.ConsumeIntegral<std::uint32_t>();
  }
}

bool exactSizes(std::uint32_t code, std::uint32_t inSize, std::uint32_t outSize) {
  switch (code) {
    case r6probe::kReadRegister:
    case r6probe::kReadPllRegister:
      return inSize == 4 && outSize == 4;
    case r6probe::kWriteRegister:
    case r6probe::kWritePllRegister:
      return inSize == 12 && outSize == 0;
    case r6probe::kReadBios:
      return inSize == 4;
  }
  return false;
}

// One request; the copy `expected` of the card takes the write it asked for.
void request(FuzzedDataProvider& in, SimCardBackend& card, RadeonCard& expected) {
  const std::uint32_t code = chooseCode(in);
  const std::uint32_t inSize = chooseSize(in), outSize = chooseSize(in);
  const int failAt = in.ConsumeIntegralInRange(0, 7) == 0 ? in.ConsumeIntegralInRange(1, 2) : 0;
  // METHOD_BUFFERED: one buffer of the larger size holding the input, none
  // when both are 0.
  const std::uint32_t size = inSize > outSize ? inSize : outSize;
  std::vector<std::uint8_t> before(size);
  const std::uint32_t words[3] = {chooseTarget(in), in.ConsumeIntegral<std::uint32_t>(),
                                  in.ConsumeIntegral<std::uint32_t>()};
  if (size) std::memcpy(before.data(), words, std::min<std::size_t>(size, sizeof words));
  for (std::uint32_t i = sizeof words; i < size; ++i) before[i] = static_cast<std::uint8_t>(i * 31);
  std::unique_ptr<std::uint8_t[]> buffer(size ? new std::uint8_t[size] : nullptr);
  if (size) std::memcpy(buffer.get(), before.data(), size);

  CheckingBackend checking(card, buffer.get(), size, failAt);
  std::uint32_t delivered = 0xDEADBEEF;
  const RequestResult result =
      kl::driver::dispatchRequest(checking, code, buffer.get(), inSize, outSize, &delivered);
  const std::vector<std::uint8_t> after(buffer.get(), buffer.get() + size);
  const std::vector<Access>& seen = checking.accesses;
  const std::uint32_t target = wordAt(before, 0), mask = wordAt(before, 1),
                      value = wordAt(before, 2);

  if (result != RequestResult::Done) {
    KL_FUZZ_CHECK(delivered == 0, "a refused request delivered output");
    KL_FUZZ_CHECK(after == before, "a refused request changed the buffer");
    if (result == RequestResult::CardFailed) {
      KL_FUZZ_CHECK(failAt != 0 && checking.attempts >= failAt,
                    "a request failed although the card did every access");
      for (const Access& a : seen)
        KL_FUZZ_CHECK(a.kind != Access::WriteRegister && a.kind != Access::WritePll,
                      "a failed request wrote the card");
    } else {
      KL_FUZZ_CHECK(checking.attempts == 0 && seen.empty(), "a refused request asked the card");
    }
    return;
  }

  KL_FUZZ_CHECK(exactSizes(code, inSize, outSize), "a request served with sizes not its own");
  KL_FUZZ_CHECK(delivered <= outSize && delivered <= size, "more output than the buffer holds");
  // Only the delivered bytes may differ from the input.
  KL_FUZZ_CHECK(std::equal(after.begin() + delivered, after.end(), before.begin() + delivered),
                "bytes past the output were written");
  switch (code) {
    case r6probe::kReadRegister:
    case r6probe::kReadPllRegister: {
      const bool pll = code == r6probe::kReadPllRegister;
      std::uint32_t word = 0;
      KL_FUZZ_CHECK(pll ? expected.readPllRegister(target, &word)
                        : expected.readRegister(target, &word),
                    "a read of a target the card does not have was served");
      KL_FUZZ_CHECK(seen.size() == 1 && seen[0].target == target &&
                        seen[0].kind == (pll ? Access::ReadPll : Access::ReadRegister),
                    "a read asked the card for something else");
      KL_FUZZ_CHECK(delivered == 4 && wordAt(after, 0) == word, "a read answered another word");
      break;
    }
    case r6probe::kWriteRegister:
    case r6probe::kWritePllRegister: {
      const bool pll = code == r6probe::kWritePllRegister;
      KL_FUZZ_CHECK(seen.size() == 2 &&
                        seen[0].kind == (pll ? Access::ReadPll : Access::ReadRegister) &&
                        seen[1].kind == (pll ? Access::WritePll : Access::WriteRegister) &&
                        seen[0].target == target && seen[1].target == target,
                    "a masked write did not read and write its target once each");
      KL_FUZZ_CHECK(((seen[1].value ^ seen[0].value) & ~mask) == 0,
                    "a masked write changed bits outside its mask");
      KL_FUZZ_CHECK(((seen[1].value ^ value) & mask) == 0,
                    "a masked write did not set the bits of its mask");
      KL_FUZZ_CHECK(pll ? expected.writePllRegister(target, mask, value)
                        : expected.writeRegister(target, mask, value),
                    "a write to a target the card does not have was served");
      KL_FUZZ_CHECK(delivered == 0, "a write delivered output");
      break;
    }
    case r6probe::kReadBios: {
      const std::uint32_t image = card.biosImageSize();
      KL_FUZZ_CHECK(target < image, "a BIOS read past the image was served");
      const std::uint32_t available = image - target;
      KL_FUZZ_CHECK(delivered == (outSize < available ? outSize : available),
                    "a BIOS read delivered another count than the image holds");
      KL_FUZZ_CHECK(std::memcmp(after.data(), expected.biosImage() + target, delivered) == 0,
                    "a BIOS read delivered other bytes than the image's");
      break;
    }
    default:
      KL_FUZZ_CHECK(false, "a request with an unknown code was served");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  // The catalogue's cards at power-on, built once; each input starts from a
  // copy of one, in memory that stays mapped (the card model is ~96 KiB).
  static const std::vector<SimCardBackend> powerOn = [] {
    std::uint32_t count = 0;
    const kl::platform::CardDescription* catalogue = kl::platform::cardCatalogue(&count);
    std::vector<SimCardBackend> cards;
    for (std::uint32_t i = 0; i < count; ++i) cards.emplace_back(catalogue[i]);
    return cards;
  }();
  static auto card = std::make_unique<SimCardBackend>(powerOn[0]);
  static auto expected = std::make_unique<RadeonCard>(powerOn[0].card());
  const SimCardBackend& start = powerOn[in.ConsumeIntegralInRange<std::size_t>(0, powerOn.size() - 1)];
  *card = start;
  *expected = start.card();
  for (int n = 0; n < 64 && in.remaining_bytes() > 0; ++n) request(in, *card, *expected);
  KL_FUZZ_CHECK(std::memcmp(&card->card(), expected.get(), sizeof(RadeonCard)) == 0,
                "the card took other writes than the requests asked for");
  return 0;
}
