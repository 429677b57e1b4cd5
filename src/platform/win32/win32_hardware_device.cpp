#include "platform/win32/win32_hardware_device.h"

#include <windows.h>

namespace kl::platform {

namespace {

HANDLE toHandle(DeviceHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

DeviceHandle Win32HardwareDevice::open(const std::string& path) {
  const HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kInvalidDevice;
  return reinterpret_cast<DeviceHandle>(handle);
}

// DeviceIoControl takes a non-const input pointer but does not write through
// it for these requests; `returned` is optional here, unlike in the Win32 call
// it wraps.
bool Win32HardwareDevice::ioControl(DeviceHandle handle, std::uint32_t code, const void* in,
                                    std::uint32_t inSize, void* out, std::uint32_t outSize,
                                    std::uint32_t* returned) {
  DWORD delivered = 0;
  const BOOL ok = DeviceIoControl(toHandle(handle), code, const_cast<void*>(in), inSize, out,
                                  outSize, &delivered, nullptr);
  if (returned != nullptr) *returned = delivered;
  return ok != FALSE;
}

void Win32HardwareDevice::close(DeviceHandle handle) { CloseHandle(toHandle(handle)); }

}  // namespace kl::platform
