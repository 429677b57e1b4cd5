// Prints what the setting routines cost against the bare registry calls they
// make: the seven save routines and the seven load routines in registry mode,
// a profile save and load, and beside each the same number of bare
// open / query-or-set / close sequences. Natively it measures the in-memory
// registry; the Windows build measures the real registry (run it under Wine
// in the seeded prefix).
#include <chrono>
#include <cstdio>
#include <string>

#include "app/MainProg.h"
#include "app/Program.h"
#include "settings/BindingGroups.h"
#include "settings/Catalogues.h"
#include "ui/headless/headless_backend.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32/win32_platform.h"
using Services = kl::platform::Win32Platform;
#else
#include "platform/sim/sim_platform.h"
#include "../tests/unit/sim_machine.h"
using Services = kl::platform::SimPlatform;
#endif

namespace {

using namespace kl;
using Clock = std::chrono::steady_clock;

template <class F>
double millisecondsPer(int repeats, F&& f) {
  const auto start = Clock::now();
  for (int i = 0; i < repeats; ++i) f();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / repeats;
}

std::vector<settings::TReg> allBindings(settings::SettingPages& pages) {
  std::vector<settings::TReg> all;
  for (std::size_t g = 0; g < settings::kGroupCount; ++g) {
    const auto& group = pages.bindings(static_cast<settings::Group>(g));
    all.insert(all.end(), group.begin(), group.end());
  }
  return all;
}

// One open with full access, one query or set of a DWORD, one close, per binding.
void bareSequences(platform::Registry& registry, const std::vector<settings::TReg>& all, bool set) {
  for (const auto& reg : all) {
    platform::HKey key = 0;
    if (registry.createKey(platform::kHkeyLocalMachine, reg.key->GetPath(), platform::kKeyAllAccess,
                           &key) != platform::kErrorSuccess)
      continue;
    std::uint32_t value = 1, size = 4, type = 0;
    if (set)
      registry.setValue(key, "KlBench", platform::kRegDword, reinterpret_cast<std::uint8_t*>(&value), 4);
    else
      registry.queryValue(key, reg.name, &type, reinterpret_cast<std::uint8_t*>(&value), &size);
    registry.closeKey(key);
  }
}

void row(const char* what, double routines, double bare) {
  std::printf("%-34s %10.3f ms %10.3f ms %8.2fx\n", what, routines, bare, bare > 0 ? routines / bare : 0);
}

std::string profileFile() {
#ifdef _WIN32
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "kl-bench.kpf";
#else
  return "/tmp/kl-bench.kpf";
#endif
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 20;
  Services services;
#ifndef _WIN32
  testing::seedXpRadeon(services);
#endif
  platform::Platform platform = services.view();
  ui::HeadlessBackend backend;
  app::Program program(platform, backend);
  program.createWindows();
  settings::SettingPages& form = *program.windows().MainForm->settingPages;
  const auto all = allBindings(form);
  const std::string profile = profileFile();

  std::printf("%zu bindings, %d repeats\n", all.size(), repeats);
  std::printf("%-34s %13s %13s %9s\n", "", "routines", "bare calls", "ratio");
  row("save, registry (7 routines)", millisecondsPer(repeats, [&] { settings::SaveAllKeys(form, "Register", ""); }),
      millisecondsPer(repeats, [&] { bareSequences(platform.registry, all, true); }));
  row("load, registry (7 routines)", millisecondsPer(repeats, [&] { settings::LoadAllKeys(form, "Register", ""); }),
      millisecondsPer(repeats, [&] { bareSequences(platform.registry, all, false); }));
  row("save, profile", millisecondsPer(repeats, [&] { settings::SaveAllKeys(form, "Profile", profile); }),
      millisecondsPer(repeats, [&] { bareSequences(platform.registry, all, true); }));
  row("load, profile", millisecondsPer(repeats, [&] { settings::LoadAllKeysFromProfile(form, profile); }),
      millisecondsPer(repeats, [&] { bareSequences(platform.registry, all, false); }));
  return 0;
}
