#pragma once
// The real services, each a pass-through to the Win32 calls.
#include "platform/platform.h"
#include "platform/win32/win32_files.h"
#include "platform/win32/win32_hardware_device.h"
#include "platform/win32/win32_profile_files.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace kl::platform {

struct Win32Platform {
  Win32Registry registry;
  Win32ProfileFiles profiles;
  Win32OperatingSystem os;
  Win32VersionResources versions;
  Win32Display display;
  Win32HardwareDevice device;
  Win32Files files;

  Platform view() { return Platform{registry, profiles, os, versions, display, device, files}; }
};

}  // namespace kl::platform
