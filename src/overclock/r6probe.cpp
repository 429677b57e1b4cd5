#include "overclock/r6probe.h"

#include "platform/sim/r6probe_protocol.h"

namespace kl::overclock {

namespace protocol = platform::r6probe;

namespace {

// Request buffers are little-endian 32-bit words whatever the host order.
void putWord(std::uint8_t* bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getWord(const std::uint8_t* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace

R6Probe::R6Probe(platform::HardwareDevice& device) : device_(device) {}

R6Probe::~R6Probe() { CloseProbe(); }

bool R6Probe::OpenProbe() {
  CloseProbe();
  handle_ = device_.open(protocol::kDevicePath);
  return isOpen();
}

void R6Probe::CloseProbe() {
  if (!isOpen()) return;
  device_.close(handle_);
  handle_ = platform::kInvalidDevice;
}

std::uint32_t R6Probe::ReadBiosBlock(std::uint32_t offset, void* destination, std::uint32_t count) {
  std::uint8_t in[protocol::kWordSize];
  putWord(in, offset);
  std::uint32_t returned = 0;
  device_.ioControl(handle_, protocol::kReadBios, in, sizeof in, destination, count, &returned);
  return returned;
}

std::uint32_t R6Probe::ReadBiosDword(std::uint32_t offset) {
  return readWord(protocol::kReadBios, offset);
}

std::uint32_t R6Probe::ReadRegister(std::uint32_t offset) {
  return readWord(protocol::kReadRegister, offset);
}

std::uint32_t R6Probe::ReadPllRegister(std::uint32_t index) {
  return readWord(protocol::kReadPllRegister, index);
}

bool R6Probe::WriteRegister(std::uint32_t offset, std::uint32_t mask, std::uint32_t value) {
  return writeMasked(protocol::kWriteRegister, offset, mask, value);
}

bool R6Probe::WritePllRegister(std::uint32_t index, std::uint32_t mask, std::uint32_t value) {
  return writeMasked(protocol::kWritePllRegister, index, mask, value);
}

std::uint32_t R6Probe::readWord(std::uint32_t code, std::uint32_t target) {
  std::uint8_t buffer[protocol::kWordSize];
  putWord(buffer, target);
  std::uint32_t returned = 0;
  device_.ioControl(handle_, code, buffer, sizeof buffer, buffer, sizeof buffer, &returned);
  return getWord(buffer);
}

bool R6Probe::writeMasked(std::uint32_t code, std::uint32_t target, std::uint32_t mask,
                          std::uint32_t value) {
  std::uint8_t in[protocol::kMaskedWriteSize];
  putWord(in, target);
  putWord(in + 4, mask);
  putWord(in + 8, value);
  std::uint32_t returned = 0;
  return device_.ioControl(handle_, code, in, sizeof in, nullptr, 0, &returned);
}

}  // namespace kl::overclock
