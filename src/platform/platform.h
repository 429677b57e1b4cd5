#pragma once
// The operating-system services the program runs on, handed around as one
// bundle. The program's code sees only these interfaces.
#include "platform/display.h"
#include "platform/files.h"
#include "platform/hardware_device.h"
#include "platform/os.h"
#include "platform/profile_files.h"
#include "platform/registry.h"
#include "platform/version_resources.h"

namespace kl::platform {

struct Platform {
  Registry& registry;
  ProfileFiles& profiles;
  OperatingSystem& os;
  VersionResources& versions;
  Display& display;
  HardwareDevice& device;
  Files& files;
};

}  // namespace kl::platform
