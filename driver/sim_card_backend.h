#pragma once
// The simulated card as a card backend: the card model of the native tests,
// in its power-on state. Kernel-free, so the native fuzzer of the request
// dispatch drives the very backend the simulated driver runs.
#include "card_backend.h"
#include "platform/sim/radeon_card.h"

namespace kl::driver {

class SimCardBackend final : public CardBackend {
 public:
  explicit SimCardBackend(const platform::CardDescription& card) : card_(card) {}
  ~SimCardBackend() = default;

  std::uint32_t registerSpaceSize() const override { return platform::RadeonCard::kMmioSize; }
  std::uint32_t pllRegisterCount() const override { return platform::RadeonCard::kPllCount; }
  std::uint32_t biosImageSize() const override { return platform::bios_layout::kImageSize; }

  bool readRegister(std::uint32_t offset, std::uint32_t* value) override {
    return card_.readRegister(offset, value);
  }
  bool writeRegister(std::uint32_t offset, std::uint32_t value) override {
    return card_.writeRegister(offset, 0xFFFFFFFFu, value);
  }
  bool readPllRegister(std::uint32_t index, std::uint32_t* value) override {
    return card_.readPllRegister(index, value);
  }
  bool writePllRegister(std::uint32_t index, std::uint32_t value) override {
    return card_.writePllRegister(index, 0xFFFFFFFFu, value);
  }
  std::uint32_t readBios(std::uint32_t offset, void* destination, std::uint32_t count) override {
    return card_.readBios(offset, destination, count);
  }

  const platform::RadeonCard& card() const { return card_; }

 private:
  platform::RadeonCard card_;
};

}  // namespace kl::driver
