// Opening an arbitrary file as a profile: all seven groups load from it into
// the pages of the started main window. Loading never touches the registry,
// raises nothing but the integer error of a text that is no number, and
// what it loaded saves to a profile that loads and saves again unchanged.
#include <cstdio>

#include "fuzz_machine.h"
#include "fuzz_support.h"
#include "platform/error.h"
#include "settings/BindingGroups.h"
#include "settings/SettingPages.h"

namespace {

using kl::settings::LoadAllKeysFromProfile;
using kl::settings::SaveAllKeys;

kl::fuzz::Machine& machine() {
  static kl::platform::SimPlatform sim;
  static kl::fuzz::Machine m(sim);
  return m;
}

// True when the load ran to its end; false when it stopped at a text that
// is no number, the one error a profile's contents may raise.
bool load(kl::settings::SettingPages& pages, const std::string& file) {
  try {
    LoadAllKeysFromProfile(pages, file);
    return true;
  } catch (const kl::Error& e) {
    const std::string text = e.what();
    const std::string tail = "' is not a valid integer value";
    if (!(text.size() > tail.size() && text[0] == '\'' &&
          text.compare(text.size() - tail.size(), tail.size(), tail) == 0))
      std::fprintf(stderr, "error: %s\n", e.what());
    KL_FUZZ_CHECK(text.size() > tail.size() && text[0] == '\'' &&
                      text.compare(text.size() - tail.size(), tail.size(), tail) == 0,
                  "a profile raised another error than an invalid integer");
    return false;
  }
}

std::string saveTo(kl::settings::SettingPages& pages, const std::string& name) {
  const std::string file = kl::fuzz::scratchFolder() + "/" + name;
  std::remove(file.c_str());
  KL_FUZZ_CHECK(SaveAllKeys(pages, "Profile", file).empty(), "a loaded group was not saved");
  return kl::fuzz::readFile(file);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kl::fuzz::Machine& m = machine();
  static const std::string registryAtStart = m.sim.registry.saveRegedit4();
  kl::settings::SettingPages& pages = *m.form().settingPages;
  const std::string file = kl::fuzz::writeScratchFile(
      "open.kpf", std::string(reinterpret_cast<const char*>(data), size));

  // Every input starts from the same pages: a profile without any key.
  KL_FUZZ_CHECK(load(pages, kl::fuzz::scratchFolder() + "/none.kpf"), "an empty profile failed");
  const bool complete = load(pages, file);
  KL_FUZZ_CHECK(m.sim.registry.saveRegedit4() == registryAtStart,
                "opening a profile wrote to the registry");
  KL_FUZZ_CHECK(kl::fuzz::readFile(file) == std::string(reinterpret_cast<const char*>(data), size),
                "opening a profile changed the file");
  if (!complete) return 0;

  const std::string first = saveTo(pages, "first.kpf");
  KL_FUZZ_CHECK(load(pages, kl::fuzz::scratchFolder() + "/first.kpf"),
                "a profile the program saved does not load");
  const std::string second = saveTo(pages, "second.kpf");
  if (first != second) {
    std::fprintf(stderr, "--- first save:\n%s\n--- second save:\n%s\n", first.c_str(),
                 second.c_str());
    KL_FUZZ_CHECK(false, "a saved profile does not load back to the same settings");
  }
  return 0;
}
