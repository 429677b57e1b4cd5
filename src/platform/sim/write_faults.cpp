#include "platform/sim/write_faults.h"

#include <cstdint>
#include <cstdio>

namespace kl::platform {

bool WriteFaults::admit(std::string what) {
  ++counted_;
  if (failAt_ != 0 && counted_ == failAt_) {
    failed_ = std::move(what);
    return false;
  }
  log_.push_back(std::move(what));
  return true;
}

void WriteFaults::failWrite(unsigned n) {
  failAt_ = n;
  log_.clear();
  failed_.clear();
  counted_ = 0;
}

std::string hexBytes(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  std::string text;
  for (std::size_t i = 0; i < size; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", bytes[i]);
    text += hex;
  }
  return text;
}

}  // namespace kl::platform
