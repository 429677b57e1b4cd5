#pragma once
// Small text helpers shared by the platform implementations.
#include <string>
#include <vector>

namespace kl::platform {

// ASCII case folding, as the registry and profile functions compare names.
std::string foldCase(const std::string& s);
bool equalsNoCase(const std::string& a, const std::string& b);
bool endsWithNoCase(const std::string& s, const std::string& end);
std::string trimSpaces(const std::string& s);
// Splits on `sep`, keeping empty parts.
std::vector<std::string> splitText(const std::string& s, char sep);

}  // namespace kl::platform
