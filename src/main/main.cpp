// Kestrelune.exe: the real services, the Win32 toolkit backend, the nine
// windows and the message loop.
#include <windows.h>

#include "app/Program.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_backend.h"

// The name by which the setup and the uninstaller recognise a running
// Kestrelune (installer/Kestrelune.nsi opens it). Held until the process ends.
constexpr char kRunningMutex[] = "Kestrelune.Running";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  CreateMutexA(nullptr, FALSE, kRunningMutex);
  kl::platform::Win32Platform services;
  kl::platform::Platform platform = services.view();
  kl::ui::Win32Backend backend(instance);
  kl::app::Program program(platform, backend);
  program.createWindows();
  program.run();
  return 0;
}
