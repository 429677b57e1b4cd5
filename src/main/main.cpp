// Kestrelune.exe: the real services, the Win32 toolkit backend, the nine
// windows and the message loop.
#include <windows.h>

#include "app/Program.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_backend.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kl::platform::Win32Platform services;
  kl::platform::Platform platform = services.view();
  kl::ui::Win32Backend backend(instance);
  kl::app::Program program(platform, backend);
  program.createWindows();
  program.run();
  return 0;
}
