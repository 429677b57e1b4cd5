#pragma once
// Every service in memory (profile files and the file service excepted:
// they work on real files). Each test builds a fresh one; nothing is shared
// between them.
#include "platform/platform.h"
#include "platform/sim/ini_engine.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/native_files.h"
#include "platform/sim/sim_hardware_device.h"
#include "platform/sim/sim_system.h"

namespace kl::platform {

struct SimPlatform {
  MemoryRegistry registry;
  IniEngine profiles;
  SimOperatingSystem os;
  FakeVersionResources versions;
  ScriptedDisplay display;
  SimHardwareDevice device;
  NativeFiles files;

  Platform view() { return Platform{registry, profiles, os, versions, display, device, files}; }
};

}  // namespace kl::platform
