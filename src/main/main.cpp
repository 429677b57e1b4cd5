// Kestrelune.exe: the real services, the Win32 toolkit backend, the nine
// windows and the message loop; or, with /profile, a profile applied
// without a window. One copy runs at a time.
#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>

#include "app/CommandLine.h"
#include "app/Program.h"
#include "main/RunningCopy.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_backend.h"

// The name by which a second start, the setup and the uninstaller recognise
// a running Kestrelune (installer/Kestrelune.nsi opens it). Held until the
// process ends.
constexpr char kRunningMutex[] = "Kestrelune.Running";

// An exception nothing caught ends the program as abort() does. This takes
// the place of the runtime's verbose handler, which would print the
// exception's demangled type to the console a windowed program does not
// have, and bring the whole demangler (some 50 KB) into the program for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
  const kl::app::CommandLine line = kl::app::ParseCommandLine(arguments ? arguments : "");
  if (!line.error.empty()) {
    if (!line.silent)
      MessageBoxA(nullptr, kl::app::CommandLineHelp(line.error).c_str(), "Kestrelune",
                  MB_OK | MB_ICONWARNING);
    return static_cast<int>(kl::app::ProfileOutcome::NotAProfile);
  }
  HANDLE running = CreateMutexA(nullptr, FALSE, kRunningMutex);
  if (GetLastError() == ERROR_ALREADY_EXISTS) {
    CloseHandle(running);
    if (const auto code = kl::main::HandOverToRunningCopy(line, kRunningMutex)) return *code;
    running = CreateMutexA(nullptr, FALSE, kRunningMutex);  // the other copy has ended
  }

  kl::platform::Win32Platform services;
  kl::platform::Platform platform = services.view();
  kl::ui::Win32Backend backend(instance);
  kl::app::Program program(platform, backend);
  int exitCode = 0;
  if (line.profile) {
    exitCode = static_cast<int>(program.runProfileCommand(*line.profile, line.silent));
  } else {
    program.createWindows();
    program.run();
  }
  // Released as soon as the work is done: taking the windows and the tray
  // icon down can take a moment, and a new start meanwhile is no second copy.
  CloseHandle(running);
  return exitCode;
}
