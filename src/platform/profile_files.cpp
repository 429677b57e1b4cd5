#include "platform/profile_files.h"

#include <cstdint>

#include "platform/error.h"

namespace kl::platform {

std::optional<long> parseInteger(const std::string& text) {
  const std::optional<long> fallback;
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return fallback;
  std::uint64_t value = 0;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return fallback;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return fallback;
  }
  // Hexadecimal covers the full 32 bits (0xFFFFFFFF is -1); decimal is signed.
  if (base == 16) {
    const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    return static_cast<long>(negative ? -static_cast<std::int64_t>(bits) : bits);
  }
  if (value > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return fallback;
  const auto signedValue = static_cast<std::int64_t>(value);
  return static_cast<long>(negative ? -signedValue : signedValue);
}

long textToIntDef(const std::string& text, long fallback) {
  return parseInteger(text).value_or(fallback);
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& fallback) {
  return files_.getString(section, key, fallback, fileName_);
}

long IniFile::readInteger(const std::string& section, const std::string& key, long fallback) {
  return textToIntDef(readString(section, key, ""), fallback);
}

void IniFile::writeString(const std::string& section, const std::string& key,
                          const std::string& value) {
  if (!files_.writeString(section, key, value, fileName_))
    throw Error(formatMessage("Unable to write to %s", fileName_));
}

void IniFile::writeInteger(const std::string& section, const std::string& key, long value) {
  writeString(section, key, std::to_string(value));
}

}  // namespace kl::platform
