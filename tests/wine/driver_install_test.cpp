// The r6probe driver's installation under Wine: the installer macros with the
// real driver, which finds no ATI card here and so leaves no device (and the
// program then shows its Overclocking page disabled), and DriverSetup.exe
// installing and removing the simulated driver. The cases run in order; the
// harness's own test driver service must be removed before and is set up
// again after.
//
// Environment: KL_DRIVER_INSTALLER, the test installer built from
// tests/wine/driver_install_test.nsi around the real driver; KL_SIM_DRIVER
// and KL_REAL_DRIVER, the two driver files (Windows paths).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_support.h"
#include "platform/sim/r6probe_protocol.h"

namespace {

using namespace kl::e2e;
namespace r6probe = kl::platform::r6probe;

std::string environment(const char* name) {
  char value[MAX_PATH] = "";
  GetEnvironmentVariableA(name, value, sizeof value);
  return value;
}

std::string systemDriverFile() {
  char system[MAX_PATH];
  GetSystemDirectoryA(system, sizeof system);
  return std::string(system) + "\\drivers\\r6probe.sys";
}

bool fileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs a command line to its end; the exit code, or -1 when it did not start
// or end within a minute.
long run(const std::string& command) {
  const RunResult result = runProgram(command, 60000ms);
  return result.ended ? static_cast<long>(result.exitCode) : -1;
}

long driverSetup(const char* arguments) {
  return run("\"" + beside("DriverSetup.exe") + "\" " + arguments);
}

struct ServiceState {
  bool exists = false;
  DWORD type = 0;
  DWORD start = 0;
  std::string image;
  DWORD state = 0;
};

ServiceState queryService() {
  ServiceState result;
  SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return result;
  SC_HANDLE service = OpenServiceA(manager, "r6probe", SERVICE_QUERY_CONFIG | SERVICE_QUERY_STATUS);
  if (service != nullptr) {
    result.exists = true;
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
      result.type = config->dwServiceType;
      result.start = config->dwStartType;
      result.image = config->lpBinaryPathName ? config->lpBinaryPathName : "";
    }
    SERVICE_STATUS status{};
    if (QueryServiceStatus(service, &status)) result.state = status.dwCurrentState;
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return result;
}

// The error of opening the device, or 0 when it opened (and answered a read
// of the PLL dividers with `*dividers`).
DWORD openDevice(std::uint32_t* dividers = nullptr) {
  HANDLE device =
      CreateFileA(r6probe::kDevicePath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return GetLastError();
  std::uint32_t word = 0x0A;
  DWORD returned = 0;
  DeviceIoControl(device, r6probe::kReadPllRegister, &word, 4, &word, 4, &returned, nullptr);
  if (dividers != nullptr) *dividers = word;
  CloseHandle(device);
  return 0;
}

TEST(DriverInstall, TheInstallerRegistersTheRealDriverWhichFindsNoCardAndLeavesNoDevice) {
  ASSERT_FALSE(queryService().exists) << "the harness's r6probe service is still registered";
  const std::string installer = environment("KL_DRIVER_INSTALLER");
  ASSERT_FALSE(installer.empty()) << "KL_DRIVER_INSTALLER is not set";
  EXPECT_EQ(run("\"" + installer + "\" /S"), 0) << "a driver that does not start is no failure";
  EXPECT_TRUE(fileExists(systemDriverFile()));
  const ServiceState service = queryService();
  ASSERT_TRUE(service.exists);
  EXPECT_EQ(service.type, static_cast<DWORD>(SERVICE_KERNEL_DRIVER));
  EXPECT_EQ(service.start, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_NE(service.image.find("drivers\\r6probe.sys"), std::string::npos) << service.image;
  EXPECT_EQ(service.state, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(openDevice(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// The program's start-up writes the registry (its first-run reset, the
// start-up flags): the seeded machine is put back after each run, so the
// tests after these start from it.
const auto* const kRestoreAtExit = ::testing::AddGlobalTestEnvironment(new RestoreAtExit);

// Starts the program and checks whether its Overclocking page's controls are
// enabled, as they are only with a device that answers.
void expectOverclockPage(bool enabled) {
  Kestrelune program("winxp");
  ASSERT_TRUE(program.started());
  const HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(main, nullptr);
  program.clickTab(findControl(main, "TabPages"), 7);  // a page's windows come with its first showing
  settle(main);
  for (const char* name : {"trackCoreSpeed", "trackMEMSpeed", "buttApplyOC", "butDefault",
                           "comboTimings", "checkRunAtStartup"}) {
    const HWND control = findControl(main, name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, enabled) << name;
  }
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
  SeededMachine::get().restore();
}

TEST(DriverInstall, WithTheRealDriverStoppedTheOverclockingPageIsDisabled) {
  expectOverclockPage(false);
}

TEST(DriverInstall, TheUninstallerRemovesTheServiceAndTheFile) {
  char programs[MAX_PATH] = "";
  GetEnvironmentVariableA("ProgramW6432", programs, sizeof programs);
  if (programs[0] == '\0') GetEnvironmentVariableA("ProgramFiles", programs, sizeof programs);
  const std::string folder = std::string(programs) + "\\KlDriverTest";
  EXPECT_EQ(run("\"" + folder + "\\uninstall.exe\" /S _?=" + folder), 0);
  EXPECT_FALSE(queryService().exists);
  EXPECT_FALSE(fileExists(systemDriverFile()));
  EXPECT_FALSE(fileExists(folder + "\\DriverSetup.exe"));
}

TEST(DriverInstall, DriverSetupInstallsStartsAndRemovesTheSimulatedDriver) {
  ASSERT_TRUE(CopyFileA(environment("KL_SIM_DRIVER").c_str(), systemDriverFile().c_str(), FALSE))
      << "cannot copy the simulated driver, error " << GetLastError();
  EXPECT_EQ(driverSetup("install"), 0);
  EXPECT_EQ(queryService().state, static_cast<DWORD>(SERVICE_RUNNING));
  std::uint32_t dividers = 0;
  EXPECT_EQ(openDevice(&dividers), 0u);
  EXPECT_EQ(dividers, 0x007A7A0Cu) << "the Radeon 8500 answers";
  expectOverclockPage(true);
  // Again on the running service: stopped, set up again, started.
  EXPECT_EQ(driverSetup("install"), 0);
  EXPECT_EQ(queryService().state, static_cast<DWORD>(SERVICE_RUNNING));
  EXPECT_EQ(openDevice(), 0u);

  EXPECT_EQ(driverSetup("remove"), 0);
  EXPECT_FALSE(queryService().exists);
  EXPECT_EQ(openDevice(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(driverSetup("remove"), 0) << "nothing to remove is no error";
}

TEST(DriverInstall, DriverSetupSaysSoWhenTheDriverDoesNotStart) {
  ASSERT_TRUE(CopyFileA(environment("KL_REAL_DRIVER").c_str(), systemDriverFile().c_str(), FALSE));
  EXPECT_EQ(driverSetup("install"), 4);
  EXPECT_TRUE(queryService().exists) << "registered, to be tried at the next boot";
  EXPECT_EQ(queryService().state, static_cast<DWORD>(SERVICE_STOPPED));
  EXPECT_EQ(openDevice(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  // Without the file the service is registered but cannot start either.
  DeleteFileA(systemDriverFile().c_str());
  EXPECT_EQ(driverSetup("install"), 4);
  EXPECT_EQ(driverSetup("remove"), 0);
  EXPECT_FALSE(queryService().exists);
  DeleteFileA(systemDriverFile().c_str());
  EXPECT_EQ(driverSetup(""), 1);
  EXPECT_EQ(driverSetup("start"), 1);
}

}  // namespace
