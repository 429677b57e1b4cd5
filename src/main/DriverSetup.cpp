// DriverSetup.exe: registers and removes the kernel service "r6probe" of the
// hardware-access driver, for the installer (Windows 2000 has no sc.exe).
//
//   DriverSetup install   registers r6probe for System32\drivers\r6probe.sys
//                         (copied there by the installer beforehand) to start
//                         automatically at boot, and starts it now; on a
//                         service that exists it is stopped, set up the same
//                         way and started again, so the new file runs
//   DriverSetup remove    stops the service and deletes it; a service that
//                         does not exist is no error
//
// It prints one line saying what happened and exits with:
//   0  done
//   1  wrong command line
//   2  the service control manager cannot be opened (not an administrator?)
//   3  the service cannot be registered, changed or opened
//   4  install: registered, but the driver did not start now (it is tried
//      again at every boot)
//   5  remove: the driver did not stop; the service is deleted and goes at
//      the next restart
//   6  remove: the service cannot be deleted
//
// The service starts with SERVICE_AUTO_START, not SERVICE_SYSTEM_START: the
// service manager starts it during boot, before anyone logs on, so the
// start-up overclock finds the device at logon; and a start that fails (no
// Radeon in the PC) is written to the event log with the driver's reason,
// while the system itself never depends on the driver.
#include <windows.h>

#include <cstdio>
#include <cstring>

namespace {

enum class SetupExit {
  Done = 0,
  Usage = 1,
  NoManager = 2,
  NotRegistered = 3,
  NotStarted = 4,
  NotStopped = 5,
  NotDeleted = 6,
};

constexpr char kService[] = "r6probe";
constexpr char kDisplayName[] = "r6probe hardware access";
// An NT path through \SystemRoot, which every Windows NT resolves to the
// Windows folder (a path without the leading \SystemRoot is read relative to
// it by Windows, but not by Wine).
constexpr char kImagePath[] = "\\SystemRoot\\System32\\drivers\\r6probe.sys";
constexpr DWORD kStopWaitMs = 10000;

// "text of the error (error N)" of a Win32 error code.
void printError(const char* what, DWORD error) {
  char text[512] = "";
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                      nullptr, error, 0, text, sizeof text, nullptr);
  for (DWORD n = length; n > 0 && (text[n - 1] == '\r' || text[n - 1] == '\n' ||
                                   text[n - 1] == ' ' || text[n - 1] == '.');
       --n) {
    text[n - 1] = '\0';
  }
  std::fprintf(stderr, "DriverSetup: %s: %s (error %lu).\n", what,
               text[0] != '\0' ? text : "unknown error", static_cast<unsigned long>(error));
}

// Why a driver start failed, in words, for the reasons the r6probe driver
// gives; empty for others.
const char* startHint(DWORD error) {
  switch (error) {
    case ERROR_DEV_NOT_EXIST:
      return "No ATI Radeon card was found in this PC.";
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "The file System32\\drivers\\r6probe.sys is missing.";
    default:
      return "";
  }
}

class ServiceHandle {
 public:
  explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~ServiceHandle() {
    if (handle_ != nullptr) CloseServiceHandle(handle_);
  }
  ServiceHandle(const ServiceHandle&) = delete;
  ServiceHandle& operator=(const ServiceHandle&) = delete;
  SC_HANDLE get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  SC_HANDLE handle_;
};

// Stops the service if it runs and waits until it has stopped.
bool stopService(SC_HANDLE service) {
  SERVICE_STATUS status{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_NOT_ACTIVE) return true;
    printError("the r6probe driver did not stop", error);
    return false;
  }
  for (DWORD waited = 0; waited < kStopWaitMs; waited += 100) {
    if (!QueryServiceStatus(service, &status)) break;
    if (status.dwCurrentState == SERVICE_STOPPED) return true;
    Sleep(100);
  }
  std::fprintf(stderr, "DriverSetup: the r6probe driver did not stop within %lu seconds.\n",
               static_cast<unsigned long>(kStopWaitMs / 1000));
  return false;
}

// Opens the existing service and sets it up as a new one would be; a
// running old driver is stopped first.
SC_HANDLE reconfigure(SC_HANDLE manager) {
  SC_HANDLE service = OpenServiceA(manager, kService, SERVICE_ALL_ACCESS);
  if (service == nullptr) return nullptr;
  if (!stopService(service) ||
      !ChangeServiceConfigA(service, SERVICE_KERNEL_DRIVER, SERVICE_AUTO_START,
                            SERVICE_ERROR_NORMAL, kImagePath, nullptr, nullptr, nullptr, nullptr,
                            nullptr, kDisplayName)) {
    const DWORD error = GetLastError();
    CloseServiceHandle(service);
    SetLastError(error);
    return nullptr;
  }
  return service;
}

SC_HANDLE registerService(SC_HANDLE manager) {
  SC_HANDLE service =
      CreateServiceA(manager, kService, kDisplayName, SERVICE_ALL_ACCESS, SERVICE_KERNEL_DRIVER,
                     SERVICE_AUTO_START, SERVICE_ERROR_NORMAL, kImagePath, nullptr, nullptr,
                     nullptr, nullptr, nullptr);
  if (service != nullptr || GetLastError() != ERROR_SERVICE_EXISTS) return service;
  return reconfigure(manager);
}

SetupExit install(SC_HANDLE manager) {
  ServiceHandle service(registerService(manager));
  if (!service) {
    printError("the r6probe driver service cannot be registered", GetLastError());
    return SetupExit::NotRegistered;
  }
  if (!StartServiceA(service.get(), 0, nullptr) &&
      GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) {
    const DWORD error = GetLastError();
    printError("the r6probe driver is registered but did not start", error);
    if (const char* hint = startHint(error); *hint != '\0') std::fprintf(stderr, "%s\n", hint);
    return SetupExit::NotStarted;
  }
  std::printf("DriverSetup: the r6probe driver is registered and running.\n");
  return SetupExit::Done;
}

SetupExit remove(SC_HANDLE manager) {
  ServiceHandle service(
      OpenServiceA(manager, kService, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE));
  if (!service) {
    const DWORD error = GetLastError();
    if (error == ERROR_SERVICE_DOES_NOT_EXIST) {
      std::printf("DriverSetup: there is no r6probe driver service to remove.\n");
      return SetupExit::Done;
    }
    printError("the r6probe driver service cannot be opened", error);
    return SetupExit::NotRegistered;
  }
  const bool stopped = stopService(service.get());
  if (!DeleteService(service.get()) && GetLastError() != ERROR_SERVICE_MARKED_FOR_DELETE) {
    printError("the r6probe driver service cannot be deleted", GetLastError());
    return SetupExit::NotDeleted;
  }
  if (!stopped) {
    std::fprintf(stderr,
                 "DriverSetup: the r6probe service is deleted; the driver goes at the "
                 "next restart.\n");
    return SetupExit::NotStopped;
  }
  std::printf("DriverSetup: the r6probe driver is stopped and its service deleted.\n");
  return SetupExit::Done;
}

}  // namespace

int main(int argc, char** argv) {
  const bool installing = argc == 2 && std::strcmp(argv[1], "install") == 0;
  const bool removing = argc == 2 && std::strcmp(argv[1], "remove") == 0;
  if (!installing && !removing) {
    std::fprintf(stderr, "usage: DriverSetup install | remove\n");
    return static_cast<int>(SetupExit::Usage);
  }
  ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
  if (!manager) {
    printError("the service control manager cannot be opened (administrator rights are needed)",
               GetLastError());
    return static_cast<int>(SetupExit::NoManager);
  }
  return static_cast<int>(installing ? install(manager.get()) : remove(manager.get()));
}
