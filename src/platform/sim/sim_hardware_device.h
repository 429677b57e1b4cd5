#pragma once
// The hardware-access device in memory: the r6probe driver with one simulated
// Radeon behind it, answering the five control codes as the real driver does
// under METHOD_BUFFERED. It also counts and logs what it was asked, so tests
// can check which platform calls the program made and in which order.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/hardware_device.h"
#include "platform/sim/radeon_card.h"
#include "platform/sim/write_faults.h"

namespace kl::platform {

// One ioControl call as the device received it.
struct DeviceRequest {
  std::uint32_t code;
  std::uint32_t target;    // MMIO offset, PLL index or BIOS offset; 0 when no input came
  std::uint32_t mask;      // masked writes only
  std::uint32_t value;     // the value written, or for the word reads the value read
  std::uint32_t outSize;   // the output room the caller offered
  std::uint32_t returned;  // bytes delivered
  bool succeeded;
};

class SimHardwareDevice : public HardwareDevice {
 public:
  // No driver installed: every open fails.
  SimHardwareDevice();
  // The driver installed and running with `card` (which must outlive the
  // device) freshly powered on.
  explicit SimHardwareDevice(const CardDescription& card);
  ~SimHardwareDevice() override;

  // Succeeds only for r6probe's path (letter case ignored, as Windows does),
  // with a card installed and opens not refused. Each success is a new handle.
  DeviceHandle open(const std::string& path) override;
  // Fails on a handle that is not open, an unknown code, an input or output
  // buffer too small for the code, or a register outside the card. `in` and
  // `out` may be the same memory. `returned` may be null.
  bool ioControl(DeviceHandle handle, std::uint32_t code, const void* in, std::uint32_t inSize,
                 void* out, std::uint32_t outSize, std::uint32_t* returned) override;
  void close(DeviceHandle handle) override;

  // Replaces the card with a freshly powered-on one; open handles stay open.
  void installCard(const CardDescription& card);
  // The driver is uninstalled: opens fail, requests on open handles fail.
  void removeCard();
  RadeonCard* card() { return card_.get(); }
  const RadeonCard* card() const { return card_.get(); }

  // The driver stopped, or the user lacks the rights to open it: either way
  // the program only sees the open fail.
  void setOpenRefused(bool refused) { openRefused_ = refused; }
  // Every masked write the card would take from now on is counted by
  // `faults`, logged as "device pll 0x0a mask 0x00ffff00 value 0x00494900"
  // (or "device register 0x0144 ..."), and fails as a request the driver
  // refused when it says so; null: none.
  void setWriteFaults(WriteFaults* faults) { faults_ = faults; }

  bool isOpen(DeviceHandle handle) const;
  int openHandles() const { return static_cast<int>(openHandles_.size()); }
  int openCalls() const { return openCalls_; }
  // Every call of close, whatever the handle, even kInvalidDevice: each one
  // is a platform call the program made.
  int closeCalls() const { return closeCalls_; }
  // Closes that ended an open handle.
  int handlesClosed() const { return handlesClosed_; }
  const std::vector<DeviceRequest>& requests() const { return requests_; }
  void clearRequests() { requests_.clear(); }

 private:
  bool dispatch(const void* in, std::uint32_t inSize, void* out, std::uint32_t outSize,
                DeviceRequest& request);
  bool readWord(bool pll, void* out, std::uint32_t outSize, DeviceRequest& request);
  bool maskedWrite(bool pll, const void* in, std::uint32_t inSize, DeviceRequest& request);

  std::unique_ptr<RadeonCard> card_;
  bool openRefused_ = false;
  std::vector<DeviceHandle> openHandles_;
  DeviceHandle nextHandle_ = 0x100;
  int openCalls_ = 0;
  int closeCalls_ = 0;
  int handlesClosed_ = 0;
  std::vector<DeviceRequest> requests_;
  WriteFaults* faults_ = nullptr;
};

}  // namespace kl::platform
