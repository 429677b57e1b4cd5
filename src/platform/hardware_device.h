#pragma once
// The hardware-access device: a kernel driver reached by path, answering
// buffered device I/O control requests. A pass-through of CreateFileA,
// DeviceIoControl and CloseHandle.
#include <cstdint>
#include <string>

namespace kl::platform {

using DeviceHandle = std::intptr_t;
constexpr DeviceHandle kInvalidDevice = -1;

class HardwareDevice {
 public:
  virtual ~HardwareDevice() = default;
  // Opens with GENERIC_READ, no sharing, OPEN_EXISTING. kInvalidDevice on failure.
  virtual DeviceHandle open(const std::string& path) = 0;
  // Synchronous request. `returned` receives the byte count delivered.
  virtual bool ioControl(DeviceHandle handle, std::uint32_t code, const void* in,
                         std::uint32_t inSize, void* out, std::uint32_t outSize,
                         std::uint32_t* returned) = 0;
  virtual void close(DeviceHandle handle) = 0;
};

}  // namespace kl::platform
