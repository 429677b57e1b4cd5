// Kestrelune.exe: the real services, the Win32 toolkit backend, the nine
// windows and the message loop.
#include <windows.h>

#include <cxxabi.h>

#include <cstdlib>

#include "app/Program.h"
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_backend.h"

// An exception nothing caught ends the program as abort() does. This takes
// the place of the runtime's verbose handler, which would print the
// exception's demangled type to the console a windowed program does not
// have, and bring the whole demangler (some 50 KB) into the program for it.
namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  kl::platform::Win32Platform services;
  kl::platform::Platform platform = services.view();
  kl::ui::Win32Backend backend(instance);
  kl::app::Program program(platform, backend);
  program.createWindows();
  program.run();
  return 0;
}
