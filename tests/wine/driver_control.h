#pragma once
// What the Windows test programs share besides the end-to-end helpers:
// waiting on a condition, and the r6probe test driver's service, stopped and
// started afresh with a chosen simulated card.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

namespace kl::e2e {

using namespace std::chrono_literals;

inline bool waitFor(const std::function<bool()>& condition,
                    std::chrono::milliseconds limit = 15000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

inline constexpr char kDriverParameters[] =
    "System\\CurrentControlSet\\Services\\r6probe\\Parameters";

inline bool deviceOpens() {
  const HANDLE device =
      CreateFileA("\\\\.\\r6probe.vxd", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (device == INVALID_HANDLE_VALUE) return false;
  CloseHandle(device);
  return true;
}

// Stops the driver (a stopped one is no error) and, with `start`, starts it
// again and waits until its device opens: the card is then in its power-on
// state.
inline ::testing::AssertionResult restartDriver(bool start) {
  const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (!manager) return ::testing::AssertionFailure() << "OpenSCManager: error " << GetLastError();
  const SC_HANDLE service =
      OpenServiceA(manager, "r6probe", SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS);
  CloseServiceHandle(manager);
  if (!service)
    return ::testing::AssertionFailure() << "no service r6probe (error " << GetLastError()
                                         << "): the harness installs it (tools/wine/driver.sh)";
  const auto inState = [&](DWORD state) {
    SERVICE_STATUS status{};
    return waitFor(
        [&] { return QueryServiceStatus(service, &status) && status.dwCurrentState == state; },
        10000ms);
  };
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  SERVICE_STATUS status{};
  if (!ControlService(service, SERVICE_CONTROL_STOP, &status) &&
      GetLastError() != ERROR_SERVICE_NOT_ACTIVE)
    result = ::testing::AssertionFailure() << "stopping r6probe: error " << GetLastError();
  if (result && !inState(SERVICE_STOPPED))
    result = ::testing::AssertionFailure() << "r6probe did not stop";
  if (result && start && !StartServiceA(service, 0, nullptr))
    result = ::testing::AssertionFailure() << "starting r6probe: error " << GetLastError();
  if (result && start && !inState(SERVICE_RUNNING))
    result = ::testing::AssertionFailure() << "r6probe did not reach RUNNING";
  CloseServiceHandle(service);
  if (result && start && !waitFor(deviceOpens, 10000ms))
    result = ::testing::AssertionFailure() << "r6probe runs but \\\\.\\r6probe.vxd does not open";
  if (result && !start && !waitFor([] { return !deviceOpens(); }, 10000ms))
    result = ::testing::AssertionFailure() << "r6probe stopped but its device still opens";
  return result;
}

// Starts the driver afresh with the card of that key (r8500, r7500, r9000,
// r8500-nobios, r8500-r0); with nullptr, without a Card value (the driver
// then takes the Radeon 8500).
inline ::testing::AssertionResult startDriverWithCard(const char* card) {
  HKEY parameters;
  if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverParameters, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                      &parameters, nullptr) != ERROR_SUCCESS)
    return ::testing::AssertionFailure() << "cannot open HKLM\\" << kDriverParameters;
  if (card)
    RegSetValueExA(parameters, "Card", 0, REG_SZ, reinterpret_cast<const BYTE*>(card),
                   static_cast<DWORD>(std::strlen(card) + 1));
  else
    RegDeleteValueA(parameters, "Card");
  RegCloseKey(parameters);
  return restartDriver(true);
}

inline ::testing::AssertionResult stopDriver() { return restartDriver(false); }

}  // namespace kl::e2e
