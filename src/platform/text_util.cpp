#include "platform/text_util.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace kl::platform {

namespace {
char foldChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

std::string formatText(const char* pattern, ...) {
  std::vector<char> buffer(128);
  for (;;) {
    va_list args;
    va_start(args, pattern);
#ifdef _WIN32
    // -1 when the text does not fit, and then no terminator.
    const int length = _vsnprintf(buffer.data(), buffer.size() - 1, pattern, args);
#else
    const int length = std::vsnprintf(buffer.data(), buffer.size(), pattern, args);
#endif
    va_end(args);
    if (length >= 0 && static_cast<std::size_t>(length) < buffer.size() - 1)
      return std::string(buffer.data(), static_cast<std::size_t>(length));
    if (buffer.size() >= 65536) return std::string();  // a pattern gone astray
    buffer.resize(buffer.size() * 2);
  }
}

std::string foldCase(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = foldChar(c);
  return out;
}

bool equalsNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (foldChar(a[i]) != foldChar(b[i])) return false;
  return true;
}

bool endsWithNoCase(const std::string& s, const std::string& end) {
  return s.size() >= end.size() && equalsNoCase(s.substr(s.size() - end.size()), end);
}

std::string trimSpaces(const std::string& s) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t b = 0, e = s.size();
  while (b < e && isSpace(s[b])) ++b;
  while (e > b && isSpace(s[e - 1])) --e;
  return s.substr(b, e - b);
}

std::vector<std::string> splitText(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const auto at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

}  // namespace kl::platform
