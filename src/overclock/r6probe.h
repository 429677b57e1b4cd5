#pragma once
// The program's side of the r6probe hardware-access device: the device path,
// the five control codes and their buffer layouts. The object owns the one
// device handle of the process; whoever owns the object (the overclocking
// page, the start-up overclock program) decides when it is opened and closed.
#include <cstdint>

#include "platform/hardware_device.h"

namespace kl::overclock {

class R6Probe {
 public:
  explicit R6Probe(platform::HardwareDevice& device);
  // Closes a handle still open, so no handle outlives its owner.
  ~R6Probe();
  R6Probe(const R6Probe&) = delete;
  R6Probe& operator=(const R6Probe&) = delete;

  // Opens "\\.\r6probe.vxd" for GENERIC_READ. False when the driver is not
  // running or access is denied; the invalid handle is stored then. A handle
  // still open from an earlier open is closed first.
  bool OpenProbe();
  // Closes the handle when it is valid and forgets it, so a second call (or a
  // call after a failed open) makes no platform call.
  void CloseProbe();
  bool isOpen() const { return handle_ != platform::kInvalidDevice; }

  // Copies `count` bytes of the video BIOS image from `offset` on into
  // `destination`; returns the byte count the device reports delivered.
  std::uint32_t ReadBiosBlock(std::uint32_t offset, void* destination, std::uint32_t count);
  // The single-word reads pass one 4-byte buffer as input and output: a
  // request that fails returns its own input (the offset or index).
  std::uint32_t ReadBiosDword(std::uint32_t offset);
  std::uint32_t ReadRegister(std::uint32_t offset);
  std::uint32_t ReadPllRegister(std::uint32_t index);
  // Masked writes: the bits set in `mask` take `value`'s bits, the others
  // keep theirs. True when the device accepted the request.
  bool WriteRegister(std::uint32_t offset, std::uint32_t mask, std::uint32_t value);
  bool WritePllRegister(std::uint32_t index, std::uint32_t mask, std::uint32_t value);

 private:
  std::uint32_t readWord(std::uint32_t code, std::uint32_t target);
  bool writeMasked(std::uint32_t code, std::uint32_t target, std::uint32_t mask,
                   std::uint32_t value);

  platform::HardwareDevice& device_;
  platform::DeviceHandle handle_ = platform::kInvalidDevice;
};

// Closes the device when an overclocking action ends, also when it ends with
// an error, so a failed readout leaves no handle open.
class ProbeSession {
 public:
  explicit ProbeSession(R6Probe& probe) : probe_(probe) {}
  ~ProbeSession() { probe_.CloseProbe(); }
  ProbeSession(const ProbeSession&) = delete;
  ProbeSession& operator=(const ProbeSession&) = delete;

 private:
  R6Probe& probe_;
};

}  // namespace kl::overclock
