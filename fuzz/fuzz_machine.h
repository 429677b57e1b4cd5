#pragma once
// The simulated Windows XP PC with a Radeon 8500 that the fuzzers run the
// program on: the driver key published under HARDWARE\DEVICEMAP\VIDEO, the
// ATI keys and the program's key as the installation leaves them, and the
// main window started once per process on the headless toolkit.
#include <memory>
#include <string>

#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/sim/sim_platform.h"
#include "ui/headless/headless_backend.h"

namespace kl::fuzz {

constexpr char kDriverKey[] =
    "System\\CurrentControlSet\\Control\\Video\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}\\0000";

inline void seedXpRadeon(platform::SimPlatform& p) {
  p.registry.loadRegedit4(
      "REGEDIT4\n\n"
      "[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\VIDEO]\n"
      "\"\\\\Device\\\\Video0\"=\"\\\\Registry\\\\Machine\\\\System\\\\CurrentControlSet\\\\"
      "Control\\\\Video\\\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}\\\\0000\"\n\n"
      "[HKEY_LOCAL_MACHINE\\" + std::string(kDriverKey) + "]\n"
      "\"drv\"=\"ati2dvag\"\n"
      "\"Device Description\"=\"RADEON 8500 Series\"\n\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrelune]\n"
      "\"installpath\"=\"C:\\\\Program Files\\\\Kestrelune\\\\\"\n"
      "\"version\"=\"1.60\"\n"
      "\"FirstRun\"=\"No\"\n"
      "\"Use_AltPath\"=dword:00000000\n\n"
      "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n");
  p.display.addDevice({"\\\\.\\DISPLAY1", "RADEON 8500 Series", 0x5});
}

// The program with its main window started, as a user sees it after start-up.
struct Machine {
  // `device`, when given, stands in for the simulated r6probe device, and
  // `profiles` for the profile files on disk.
  explicit Machine(platform::SimPlatform& s, platform::HardwareDevice* device = nullptr,
                   platform::ProfileFiles* profiles = nullptr)
      : sim(s),
        platform{s.registry, profiles ? *profiles : static_cast<platform::ProfileFiles&>(s.profiles),
                 s.os, s.versions, s.display,
                 device ? *device : static_cast<platform::HardwareDevice&>(s.device), s.files} {
    seedXpRadeon(sim);
    program = std::make_unique<app::Program>(platform, backend);
    program->createWindows();
  }
  app::TMainForm& form() { return *program->windows().MainForm; }

  platform::SimPlatform& sim;
  platform::Platform platform;
  ui::HeadlessBackend backend;
  std::unique_ptr<app::Program> program;
};

}  // namespace kl::fuzz
