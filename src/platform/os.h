#pragma once
// Operating-system facts: the version record, the Windows directory, the
// global memory status, the user's number format and the local time.
#include <cstdint>
#include <string>

namespace kl::platform {

constexpr std::uint32_t kPlatformWin32s = 0;
constexpr std::uint32_t kPlatformWindows = 1;  // the Windows 95 family
constexpr std::uint32_t kPlatformNt = 2;

struct OsVersion {
  std::uint32_t platformId = kPlatformNt;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::string servicePack;  // "Service Pack 1", or empty
};

struct MemoryStatus {
  std::uint32_t memoryLoad = 0;  // percent in use
  std::uint64_t totalPhys = 0;
  std::uint64_t availPhys = 0;
  std::uint64_t totalPageFile = 0;
  std::uint64_t availPageFile = 0;
};

// The wall-clock time of the user's time zone.
struct LocalTime {
  int year = 0, month = 0, day = 0;  // month and day from 1
  int hour = 0, minute = 0, second = 0;
};

class OperatingSystem {
 public:
  virtual ~OperatingSystem() = default;
  virtual OsVersion version() = 0;
  // Without a trailing backslash, e.g. C:\WINDOWS.
  virtual std::string windowsDirectory() = 0;
  virtual MemoryStatus memoryStatus() = 0;
  // The user's digit-grouping symbol, e.g. "," or "."; may be empty.
  virtual std::string thousandSeparator() = 0;
  virtual LocalTime localTime() = 0;
};

}  // namespace kl::platform
