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
#include "platform/sim/write_faults.h"

namespace kl::platform {

struct SimPlatform {
  MemoryRegistry registry;
  IniEngine profiles;
  SimOperatingSystem os;
  FakeVersionResources versions;
  ScriptedDisplay display;
  SimHardwareDevice device;
  NativeFiles files;

  // Off until watchWrites: then every write of the registry, the profile
  // files, the file service and the card goes through `writes`, which
  // counts and logs them and can fail any one.
  WriteFaults writes;

  Platform view() { return Platform{registry, profiles, os, versions, display, device, files}; }
  void watchWrites() {
    registry.setWriteFaults(&writes);
    profiles.setWriteFaults(&writes);
    files.setWriteFaults(&writes);
    device.setWriteFaults(&writes);
  }
};

}  // namespace kl::platform
