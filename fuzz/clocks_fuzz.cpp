// The clock readout over an arbitrary video BIOS image and arbitrary clock,
// timing and latency registers of the simulated card: the clock-block
// reading of InitClockInfo and the overclocking page's start-up readout
// (ShowClocks). Whatever the card holds, the readout raises nothing but the
// floating-point errors of unusable clock data, the page is either filled
// with finite clocks inside its bars' ranges or disabled, and the device is
// closed again.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "fuzz_machine.h"
#include "fuzz_support.h"
#include "overclock/OCPanel.h"
#include "overclock/setclk.h"
#include "platform/error.h"
#include "platform/sim/r6probe_protocol.h"
#include "platform/sim/sim_hardware_device.h"

namespace {

namespace p = kl::platform;

// The simulated r6probe device, with the BIOS image replaced by the
// fuzzer's bytes: image reads follow the card's rule (up to the image's
// end, nothing past it), every other request goes to the simulated card.
class FuzzedBiosDevice : public p::HardwareDevice {
 public:
  FuzzedBiosDevice() : card(p::catalogueCard(p::CatalogueCard::Radeon8500)) {}
  p::DeviceHandle open(const std::string& path) override { return card.open(path); }
  bool ioControl(p::DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* returned) override {
    if (code != p::r6probe::kReadBios || !card.isOpen(handle) || !in || inSize < 4 ||
        (!out && outSize))
      return card.ioControl(handle, code, in, inSize, out, outSize, returned);
    std::uint32_t offset;
    std::memcpy(&offset, in, 4);  // the tests run little-endian, as the request is
    std::uint32_t delivered = 0;
    if (offset < bios.size()) {
      delivered = std::min<std::uint32_t>(outSize, static_cast<std::uint32_t>(bios.size() - offset));
      std::memcpy(out, bios.data() + offset, delivered);
    }
    if (returned) *returned = delivered;
    return true;
  }
  void close(p::DeviceHandle handle) override { card.close(handle); }

  p::SimHardwareDevice card;
  std::vector<std::uint8_t> bios;
};

struct Bench {
  FuzzedBiosDevice device;
  p::SimPlatform sim;
  kl::fuzz::Machine machine{sim, &device};
};

Bench& bench() {
  static Bench b;
  return b;
}

bool isFloatError(const std::string& text) {
  return text == "Floating point division by zero" || text == "Invalid floating point operation";
}

void checkBar(const kl::ui::TrackBar& bar) {
  KL_FUZZ_CHECK(bar.min() <= bar.position() && bar.position() <= bar.max(),
                "a clock bar outside its range");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bench& b = bench();
  b.device.card.clearRequests();  // the device's log of requests would grow without end
  FuzzedDataProvider in(data, size);
  p::RadeonCard& card = *b.device.card.card();
  card.writePllRegister(p::card_register::kPllDividers, ~0u, in.ConsumeIntegral<std::uint32_t>());
  card.writePllRegister(p::card_register::kPllClockSource, ~0u, in.ConsumeIntegral<std::uint32_t>());
  card.writeRegister(p::card_register::kMemoryTiming, ~0u, in.ConsumeIntegral<std::uint32_t>());
  card.writeRegister(p::card_register::kMemoryLatency, ~0u, in.ConsumeIntegral<std::uint32_t>());
  b.device.bios = in.ConsumeRemainingBytes<std::uint8_t>();

  // The clock programming on its own: the BIOS block, then the readout.
  {
    kl::overclock::R6Probe probe(b.device);
    kl::overclock::ClockProgrammer clocks(probe);
    KL_FUZZ_CHECK(clocks.InitClockInfo(), "the device did not open");
    for (float f : {clocks.clockInfo().referenceFrequency, clocks.clockInfo().minimumClock,
                    clocks.clockInfo().defaultClock})
      KL_FUZZ_CHECK(f >= 0 && f <= 655.35f, "a BIOS clock outside what 16 bits hold");
    try {
      const kl::overclock::CardClocks c = clocks.GetClocks();
      KL_FUZZ_CHECK(std::isfinite(c.core) && std::isfinite(c.memory), "a clock that is no number");
      KL_FUZZ_CHECK(std::isfinite(clocks.GetClockStep()), "a clock step that is no number");
    } catch (const kl::Error& e) {
      KL_FUZZ_CHECK(isFloatError(e.what()), "the readout raised another error");
    }
  }
  KL_FUZZ_CHECK(b.device.card.openHandles() == 0, "the probe left the device open");

  kl::overclock::OCPanel& page = *b.machine.form().ocPanel;
  page.InitOverclockPanel();
  KL_FUZZ_CHECK(b.device.card.openHandles() == 0, "start-up left the device open");
  KL_FUZZ_CHECK(std::isfinite(page.coreClock()) && std::isfinite(page.memoryClock()) &&
                    std::isfinite(page.clockStep()),
                "the page holds a clock that is no number");
  checkBar(*page.trackCoreSpeed);
  checkBar(*page.trackMEMSpeed);
  const int timing = page.comboTimings->itemIndex();
  KL_FUZZ_CHECK(timing >= -1 && timing <= 2, "a timing preset out of the list");
  return 0;
}
