#pragma once
// Errors raised by the program carry the user-visible text verbatim; the
// application's default handler shows what() in a message box.
#include <stdexcept>
#include <string>

namespace kl {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// Substitutes the first "%s" of a message template, the way the platform
// library's resource strings are formatted ("Failed to set data for '%s'").
std::string formatMessage(const std::string& pattern, const std::string& arg);

}  // namespace kl
