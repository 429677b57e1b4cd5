// OC\StartupOverclock.exe: re-applies the stored overclock at logon. It has
// no window and shows nothing; the exit code tells what happened (see
// overclock/StartupOverclock.h and the README).
#include "overclock/StartupOverclock.h"

#include <windows.h>

#include <exception>

#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  using kl::overclock::StartupExit;
  try {
    kl::platform::Win32Platform services;
    kl::platform::Platform platform = services.view();
    return static_cast<int>(kl::overclock::RunStartupOverclock(platform));
  } catch (const std::exception&) {
    // Nobody is there to read a message at logon: the code reports it.
    return static_cast<int>(StartupExit::Failed);
  }
}
