// The driver's non-standard mode list over arbitrary value bytes and types:
// ReadNonStandardModes gives one "W x H" per record or raises the type
// error naming the value it read; start-up's LoadCustomResolutionChecks
// checks exactly the page's items that the list holds behind the five fixed
// modes. Neither writes the registry.
#include <fuzzer/FuzzedDataProvider.h>

#include <cctype>
#include <set>

#include "fuzz_machine.h"
#include "fuzz_support.h"
#include "modes/CustomRes.h"
#include "modes/ModeList.h"
#include "platform/error.h"

namespace {

namespace reg = kl::platform;

kl::fuzz::Machine& machine() {
  static kl::platform::SimPlatform sim;
  static kl::fuzz::Machine m(sim);
  return m;
}

const char* const kNames[2] = {"DALNonStandardModesBCD", "DALNonStandardModesBCD1"};

// Mostly REG_BINARY, the type the list has; every other type now and then.
std::uint32_t valueType(FuzzedDataProvider& in) {
  static const std::uint32_t kTypes[] = {reg::kRegBinary, reg::kRegBinary, reg::kRegBinary,
                                         reg::kRegSz,     reg::kRegDword,  reg::kRegMultiSz,
                                         reg::kRegNone,   reg::kRegExpandSz};
  const auto i = in.ConsumeIntegralInRange<std::size_t>(0, sizeof kTypes / sizeof kTypes[0]);
  return i < sizeof kTypes / sizeof kTypes[0] ? kTypes[i] : in.ConsumeIntegral<std::uint32_t>();
}

// A mode text as the list gives it: digits, " x ", digits.
bool isModeText(const std::string& t) {
  const auto x = t.find(" x ");
  if (x == std::string::npos || x == 0 || x + 3 >= t.size()) return false;
  for (std::size_t i = 0; i < t.size(); ++i)
    if ((i < x || i >= x + 3) && !std::isdigit(static_cast<unsigned char>(t[i]))) return false;
  return true;
}

bool isTypeError(const std::string& text) {
  for (const char* name : kNames)
    if (text == std::string("Invalid data type for '") + name + "'") return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kl::fuzz::Machine& m = machine();
  FuzzedDataProvider in(data, size);
  reg::HKey key = 0;
  KL_FUZZ_CHECK(m.sim.registry.openKey(reg::kHkeyLocalMachine, kl::fuzz::kDriverKey,
                                       reg::kKeyAllAccess, &key) == reg::kErrorSuccess,
                "the driver key is missing");
  for (const char* name : kNames) {
    const bool present = in.ConsumeBool();
    const std::uint32_t type = valueType(in);
    const std::string bytes = in.ConsumeRandomLengthString(4096);
    m.sim.registry.deleteValue(key, name);
    if (present)
      m.sim.registry.setValue(key, name, type, reinterpret_cast<const std::uint8_t*>(bytes.data()),
                              static_cast<std::uint32_t>(bytes.size()));
  }
  m.sim.registry.closeKey(key);
  const std::string before = m.sim.registry.saveRegedit4();

  std::vector<std::string> modes;
  bool readable = true;
  try {
    modes = kl::modes::ReadNonStandardModes(m.platform, m.program->app());
  } catch (const kl::Error& e) {
    KL_FUZZ_CHECK(isTypeError(e.what()), "the list raised another error than its type error");
    readable = false;
  }
  KL_FUZZ_CHECK(modes.size() <= 256, "more modes than the list can hold");
  for (const std::string& mode : modes) KL_FUZZ_CHECK(isModeText(mode), "a mode text out of form");

  kl::modes::CustomResPage& page = *m.form().customResPage;
  const std::vector<std::string>& items = page.listCusRes->items();
  for (std::size_t i = 0; i < items.size(); ++i) page.listCusRes->setChecked(static_cast<int>(i), false);
  try {
    page.LoadCustomResolutionChecks();
    KL_FUZZ_CHECK(readable, "start-up read a list the list reader refused");
  } catch (const kl::Error& e) {
    KL_FUZZ_CHECK(!readable && isTypeError(e.what()), "start-up raised another error");
  }
  KL_FUZZ_CHECK(page.loaded() == readable, "the page's loaded state is wrong");
  const std::set<std::string> held(modes.size() > 5 ? modes.begin() + 5 : modes.end(), modes.end());
  for (std::size_t i = 0; i < items.size(); ++i)
    KL_FUZZ_CHECK(page.listCusRes->isChecked(static_cast<int>(i)) == (held.count(items[i]) > 0),
                  "an item's check does not follow the list");
  KL_FUZZ_CHECK(m.sim.registry.saveRegedit4() == before, "reading the mode list wrote the registry");
  return 0;
}
