// Opening an arbitrary file as a profile: all seven groups load from it into
// the pages of the started main window. Loading never touches the registry,
// raises nothing but the integer error of a text that is no number, and
// what it loaded saves to a profile that loads and saves again unchanged.
// The profiles are kept in memory and the registry's writes are counted, so
// an input costs the program's own load and save routines and little else.
#include <cstdio>

#include "fuzz_machine.h"
#include "fuzz_support.h"
#include "memory_profiles.h"
#include "platform/error.h"
#include "settings/BindingGroups.h"
#include "settings/SettingPages.h"

namespace {

using kl::settings::LoadAllKeysFromProfile;
using kl::settings::SaveAllKeys;

struct Harness {
  kl::platform::SimPlatform sim;
  kl::fuzz::MemoryProfiles profiles;
  kl::fuzz::Machine machine{sim, nullptr, &profiles};
  // Every registry write from the end of start-up on: none is allowed.
  kl::platform::WriteFaults registryWrites;

  Harness() { sim.registry.setWriteFaults(&registryWrites); }
};

Harness& harness() {
  static Harness h;
  return h;
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
    const bool invalidInteger = text.size() > tail.size() && text[0] == '\'' &&
                                text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    if (!invalidInteger) std::fprintf(stderr, "error: %s\n", e.what());
    KL_FUZZ_CHECK(invalidInteger, "a profile raised another error than an invalid integer");
    return false;
  }
}

const std::string& saveTo(Harness& h, kl::settings::SettingPages& pages, const std::string& file) {
  h.profiles.files.erase(file);
  KL_FUZZ_CHECK(SaveAllKeys(pages, "Profile", file).empty(), "a loaded group was not saved");
  return h.profiles.files[file];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Harness& h = harness();
  kl::settings::SettingPages& pages = *h.machine.form().settingPages;
  const std::string input(reinterpret_cast<const char*>(data), size);
  h.profiles.files["open.kpf"] = input;

  // Every input starts from the same pages: a profile without any key.
  KL_FUZZ_CHECK(load(pages, "none.kpf"), "an empty profile failed");
  const bool complete = load(pages, "open.kpf");
  KL_FUZZ_CHECK(h.registryWrites.count() == 0, "opening a profile wrote to the registry");
  KL_FUZZ_CHECK(h.sim.registry.openHandles() == 0, "opening a profile left a key open");
  KL_FUZZ_CHECK(h.profiles.files["open.kpf"] == input, "opening a profile changed the file");
  KL_FUZZ_CHECK(h.profiles.files.count("none.kpf") == 0, "opening a profile created one");
  if (!complete) return 0;

  const std::string first = saveTo(h, pages, "first.kpf");
  KL_FUZZ_CHECK(load(pages, "first.kpf"), "a profile the program saved does not load");
  const std::string& second = saveTo(h, pages, "second.kpf");
  if (first != second) {
    std::fprintf(stderr, "--- first save:\n%s\n--- second save:\n%s\n", first.c_str(),
                 second.c_str());
    KL_FUZZ_CHECK(false, "a saved profile does not load back to the same settings");
  }
  KL_FUZZ_CHECK(h.registryWrites.count() == 0, "saving a profile wrote to the registry");
  return 0;
}
