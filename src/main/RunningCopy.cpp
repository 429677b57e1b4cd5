#include "main/RunningCopy.h"

#include <windows.h>

#include <string>

#include "app/Program.h"

namespace kl::main {
namespace {

constexpr DWORD kFindForMs = 10000;     // the running copy may still be starting
constexpr UINT kAnswerWithinMs = 120000;  // an Apply of every setting takes well under that

// A main window of Kestrelune: the class and the toolkit's name property,
// so another program's window of that class is never taken for it.
BOOL CALLBACK isKestreluneMain(HWND window, LPARAM found) {
  char cls[32] = {}, name[32] = {};
  GetClassNameA(window, cls, sizeof cls);
  if (lstrcmpA(cls, "TMainForm") != 0) return TRUE;
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "Kestrelune.Name")));
  if (!atom || !GlobalGetAtomNameA(atom, name, sizeof name) || lstrcmpA(name, "MainForm") != 0)
    return TRUE;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

bool mutexExists(const char* name) {
  HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (!mutex) return false;
  CloseHandle(mutex);
  return true;
}

// The running copy's main window; null when none showed up in time, or
// when the copy ended meanwhile (then *ended is set).
HWND runningMainWindow(const char* mutexName, bool* ended) {
  HWND found = nullptr;
  for (DWORD waited = 0; waited <= kFindForMs; waited += 100) {
    EnumWindows(isKestreluneMain, reinterpret_cast<LPARAM>(&found));
    if (found) return found;
    if (!mutexExists(mutexName)) {
      *ended = true;
      return nullptr;
    }
    Sleep(100);
  }
  return nullptr;
}

void tell(const app::CommandLine& line, const std::string& text) {
  if (!line.silent) MessageBoxA(nullptr, text.c_str(), "Kestrelune", MB_OK | MB_ICONWARNING);
}

std::string fullPath(const std::string& file) {
  char buffer[MAX_PATH * 2] = {};
  const DWORD n = GetFullPathNameA(file.c_str(), sizeof buffer, buffer, nullptr);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : file;
}

// The answer of the running copy, or -1 when it gave none in time.
long long send(HWND window, app::Request request, const std::string& data) {
  COPYDATASTRUCT message{static_cast<ULONG_PTR>(request), static_cast<DWORD>(data.size()),
                         const_cast<char*>(data.data())};
  DWORD_PTR answer = 0;
  if (!SendMessageTimeoutA(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&message),
                           SMTO_NORMAL, kAnswerWithinMs, &answer))
    return -1;
  return static_cast<long long>(answer);
}

}  // namespace

std::optional<int> HandOverToRunningCopy(const app::CommandLine& line, const char* mutexName) {
  constexpr int kAnotherCopy = static_cast<int>(app::ProfileOutcome::AnotherCopy);
  bool ended = false;
  HWND main = runningMainWindow(mutexName, &ended);
  if (ended) return std::nullopt;
  if (!main) {
    tell(line, "Another copy of Kestrelune is running, but its window could not be found.");
    return line.profile ? kAnotherCopy : 0;
  }
  DWORD process = 0;
  GetWindowThreadProcessId(main, &process);
  AllowSetForegroundWindow(process);  // it may then come to the front itself
  if (!line.profile) {
    send(main, app::Request::ShowWindow, "");
    return 0;
  }
  const long long answer =
      send(main, line.silent ? app::Request::ApplyProfileSilently : app::Request::ApplyProfile,
           fullPath(*line.profile));
  if (answer < 0)
    tell(line, "Kestrelune is running but did not answer; the profile was not applied.");
  else if (answer == app::kBusyAnswer)
    tell(line, "Kestrelune is running with a dialog open, so it did not apply the profile. "
               "Close the dialog and try again.");
  return kAnotherCopy;
}

}  // namespace kl::main
