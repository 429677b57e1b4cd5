// Prints what the setting commands cost against the bare registry, profile and
// display calls they make: the program's start-up without real windows, Apply of a fully modified window, a profile opened (loaded
// and applied), and the seven save and load routines in the registry and in a
// profile. Each command's calls are recorded once and replayed straight
// against the platform's functions; the difference is the program's own work.
// Natively it measures the in-memory registry and INI engine; the Windows build
// measures the real functions (run it under Wine in the seeded prefix).
#include <chrono>
#include <cstdio>
#include <string>

#include "app/MainProg.h"
#include "app/Program.h"
#include "settings/BindingGroups.h"
#include "settings/Catalogues.h"
#include "call_recorder.h"
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

void row(const char* what, std::size_t calls, double routine, double bare) {
  std::printf("%-38s %6zu %10.3f ms %10.3f ms %8.2fx\n", what, calls, routine, bare,
              bare > 0 ? routine / bare : 0);
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

// Times a command, records the calls it makes once, and times their replay.
class Comparison {
 public:
  Comparison(platform::Platform& bare, bench::RecordingRegistry& registry,
             bench::RecordingProfiles& profiles, bench::RecordingDisplay& display, int repeats)
      : bare_(bare), registry_(registry), profiles_(profiles), display_(display),
        repeats_(repeats) {}

  template <class F>
  void run(const char* what, F&& command) {
    const double routine = millisecondsPer(repeats_, command);
    registry_.calls.clear();
    registry_.recording = profiles_.recording = display_.recording = true;
    command();
    registry_.recording = profiles_.recording = display_.recording = false;
    const std::vector<bench::Call> calls = registry_.calls;
    const double bare = millisecondsPer(
        repeats_, [&] { bench::replay(calls, bare_.registry, bare_.profiles, bare_.display); });
    row(what, calls.size(), routine, bare);
  }

 private:
  platform::Platform& bare_;
  bench::RecordingRegistry& registry_;
  bench::RecordingProfiles& profiles_;
  bench::RecordingDisplay& display_;
  int repeats_;
};

// Every dialog an Apply may show, closed as a user would: scripts not used
// by this Apply wait for a later one.
void closeApplyDialogs(ui::HeadlessBackend& backend) {
  for (const char* form : {"Confirmation", "formRestartApplyRR", "formCusRes"})
    backend.onModal(form, [](ui::Form& dialog) { dialog.userClose(); });
}

// A rate picked on every row and every custom resolution checked, the pages
// entered as a user would.
void modifyEverything(app::TMainForm& f) {
  ui::user::focus(*f.refreshRatesPage->groupRes);
  for (auto& r : f.refreshRatesPage->rows)
    if (r.rates->enabled() && !r.rates->items().empty()) ui::user::pick(*r.rates, 0);
  auto& list = *f.customResPage->listCusRes;
  for (std::size_t i = 0; i < list.items().size(); ++i) list.setChecked(static_cast<int>(i), true);
  f.markModified();
}

}  // namespace

int main(int argc, char** argv) {
  const int repeats = argc > 1 ? std::atoi(argv[1]) : 20;
  Services services;
#ifndef _WIN32
  testing::seedXpRadeon(services);
#endif
  platform::Platform bare = services.view();
  bench::RecordingRegistry registry(bare.registry);
  bench::RecordingProfiles profiles(bare.profiles);
  bench::RecordingDisplay display(bare.display);
  profiles.calls = display.calls = &registry.calls;
  platform::Platform platform{registry, profiles, bare.os, bare.versions,
                              display, bare.device, bare.files};
  ui::HeadlessBackend backend;
  app::Program program(platform, backend);
  program.createWindows();
  app::TMainForm& f = *program.windows().MainForm;
  settings::SettingPages& pages = *f.settingPages;
  const std::string profile = profileFile();
  settings::SaveAllKeys(pages, "Profile", profile);
  modifyEverything(f);

  std::printf("%d repeats; calls: the registry, profile and display calls made once\n", repeats);
  std::printf("%-38s %6s %13s %13s %9s\n", "", "calls", "command", "bare calls", "ratio");
  Comparison compare(bare, registry, profiles, display, repeats);
  // The program's start-up without real windows: what its routines and the
  // registry, profile and display calls they make cost.
  compare.run("start-up, headless windows", [&] {
    app::Program fresh(platform, backend);
    fresh.createWindows();
  });
  compare.run("Apply, fully modified window", [&] {
    closeApplyDialogs(backend);
    f.markModified();
    f.buttonApplyClick();
  });
  compare.run("open profile (load and Apply)", [&] {
    closeApplyDialogs(backend);
    backend.answerFileDialog(profile);
    f.menuitemOpenClick();
  });
  compare.run("save, registry (7 routines)", [&] { settings::SaveAllKeys(pages, "Register", ""); });
  compare.run("load, registry (7 routines)", [&] { settings::LoadAllKeys(pages, "Register", ""); });
  compare.run("save, profile (7 routines)", [&] { settings::SaveAllKeys(pages, "Profile", profile); });
  compare.run("load, profile (7 routines)", [&] { settings::LoadAllKeysFromProfile(pages, profile); });
  return 0;
}
