#pragma once
// The hardware-access device on Windows: CreateFileA, DeviceIoControl and
// CloseHandle, passed through unchanged.
#include "platform/hardware_device.h"

namespace kl::platform {

class Win32HardwareDevice : public HardwareDevice {
 public:
  DeviceHandle open(const std::string& path) override;
  bool ioControl(DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* returned) override;
  void close(DeviceHandle handle) override;
};

}  // namespace kl::platform
