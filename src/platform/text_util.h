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
// printf-style formatting of whole numbers and texts. On Windows it is the
// C runtime's own formatter (msvcrt.dll), which has every conversion the
// program uses; the runtime library's standard-conforming one would bring
// its floating-point formatting, some 25 KB, into the program.
std::string formatText(const char* pattern, ...)
#ifdef __GNUC__
    __attribute__((format(printf, 1, 2)))
#endif
    ;
// Splits on `sep`, keeping empty parts.
std::vector<std::string> splitText(const std::string& s, char sep);

}  // namespace kl::platform
