#include "platform/error.h"

namespace kl {

std::string formatMessage(const std::string& pattern, const std::string& arg) {
  const auto at = pattern.find("%s");
  if (at == std::string::npos) return pattern;
  return pattern.substr(0, at) + arg + pattern.substr(at + 2);
}

}  // namespace kl
