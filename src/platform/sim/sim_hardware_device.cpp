#include "platform/sim/sim_hardware_device.h"

#include <algorithm>
#include <cstdio>

#include "platform/sim/r6probe_protocol.h"

namespace kl::platform {

namespace {

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isProbePath(const std::string& path) {
  const std::string expected = r6probe::kDevicePath;
  return path.size() == expected.size() &&
         std::equal(path.begin(), path.end(), expected.begin(),
                    [](char a, char b) { return asciiLower(a) == asciiLower(b); });
}

// The n-th little-endian 32-bit word of a request buffer.
std::uint32_t wordAt(const void* buffer, std::uint32_t n) {
  const auto* bytes = static_cast<const std::uint8_t*>(buffer) + 4 * n;
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

void putWord(void* buffer, std::uint32_t value) {
  auto* bytes = static_cast<std::uint8_t*>(buffer);
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string describeWrite(bool pll, const DeviceRequest& request) {
  char text[96];
  std::snprintf(text, sizeof text, "device %s 0x%0*x mask 0x%08x value 0x%08x",
                pll ? "pll" : "register", pll ? 2 : 4, static_cast<unsigned>(request.target),
                static_cast<unsigned>(request.mask), static_cast<unsigned>(request.value));
  return text;
}

}  // namespace

SimHardwareDevice::SimHardwareDevice() = default;

SimHardwareDevice::SimHardwareDevice(const CardDescription& card) { installCard(card); }

SimHardwareDevice::~SimHardwareDevice() = default;

DeviceHandle SimHardwareDevice::open(const std::string& path) {
  ++openCalls_;
  if (!card_ || openRefused_ || !isProbePath(path)) return kInvalidDevice;
  const DeviceHandle handle = nextHandle_;
  nextHandle_ += 4;
  openHandles_.push_back(handle);
  return handle;
}

bool SimHardwareDevice::ioControl(DeviceHandle handle, std::uint32_t code, const void* in,
                                  std::uint32_t inSize, void* out, std::uint32_t outSize,
                                  std::uint32_t* returned) {
  DeviceRequest request{code, 0, 0, 0, outSize, 0, false};
  const bool buffersValid = (in != nullptr || inSize == 0) && (out != nullptr || outSize == 0);
  if (buffersValid && inSize >= r6probe::kWordSize) request.target = wordAt(in, 0);
  if (buffersValid && isOpen(handle) && card_) {
    request.succeeded = dispatch(in, inSize, out, outSize, request);
  }
  if (!request.succeeded) request.returned = 0;
  if (returned != nullptr) *returned = request.returned;
  requests_.push_back(request);
  return request.succeeded;
}

void SimHardwareDevice::close(DeviceHandle handle) {
  ++closeCalls_;
  const auto it = std::find(openHandles_.begin(), openHandles_.end(), handle);
  if (it == openHandles_.end()) return;
  openHandles_.erase(it);
  ++handlesClosed_;
}

void SimHardwareDevice::installCard(const CardDescription& card) {
  card_ = std::make_unique<RadeonCard>(card);
}

void SimHardwareDevice::removeCard() { card_.reset(); }

bool SimHardwareDevice::isOpen(DeviceHandle handle) const {
  return std::find(openHandles_.begin(), openHandles_.end(), handle) != openHandles_.end();
}

// request.target already holds the first input word when there is one.
bool SimHardwareDevice::dispatch(const void* in, std::uint32_t inSize, void* out,
                                 std::uint32_t outSize, DeviceRequest& request) {
  switch (request.code) {
    case r6probe::kReadRegister:
    case r6probe::kReadPllRegister:
      if (inSize < r6probe::kWordSize) return false;
      return readWord(request.code == r6probe::kReadPllRegister, out, outSize, request);
    case r6probe::kWriteRegister:
    case r6probe::kWritePllRegister:
      return maskedWrite(request.code == r6probe::kWritePllRegister, in, inSize, request);
    case r6probe::kReadBios:
      if (inSize < r6probe::kWordSize) return false;
      request.returned = card_->readBios(request.target, out, outSize);
      return true;
    default:
      return false;
  }
}

bool SimHardwareDevice::readWord(bool pll, void* out, std::uint32_t outSize,
                                 DeviceRequest& request) {
  if (outSize < r6probe::kWordSize) return false;
  std::uint32_t value = 0;
  const bool ok = pll ? card_->readPllRegister(request.target, &value)
                      : card_->readRegister(request.target, &value);
  if (!ok) return false;
  putWord(out, value);
  request.value = value;
  request.returned = r6probe::kWordSize;
  return true;
}

bool SimHardwareDevice::maskedWrite(bool pll, const void* in, std::uint32_t inSize,
                                    DeviceRequest& request) {
  if (inSize < r6probe::kMaskedWriteSize) return false;
  request.mask = wordAt(in, 1);
  request.value = wordAt(in, 2);
  if (faults_ && !faults_->admit(describeWrite(pll, request))) return false;
  return pll ? card_->writePllRegister(request.target, request.mask, request.value)
             : card_->writeRegister(request.target, request.mask, request.value);
}

}  // namespace kl::platform
