#include "sysinfo/SysInfo_NT.h"

#include <cstdint>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/DriverKey.h"

namespace kl::sysinfo {
namespace {

const char kCpuKey[] = "SOFTWARE\\ATI Technologies\\CDS\\System\\0";
const char kMemoryKey[] = "Software\\ATI Technologies\\CDS\\0000\\0\\MEMORY";
const char kDirectXKey[] = "Software\\Microsoft\\DirectX";
const char kCannotDetect[] = "Cannot detect";

// A text value of the open key; "" when it is missing, cannot be read or is
// of another type.
std::string textOrEmpty(platform::RegistryAccess& reg, const std::string& name) {
  try {
    return reg.readString(name);
  } catch (const Error&) {
    return std::string();
  }
}

// The part in front of `marker` less the one character just before it (the
// blank of "Yes (Enabled)"): the first p - 2 characters, p the marker's
// 1-based position. Without the marker, or with it at position 1 or 2: "".
std::string head(const std::string& text, char marker) {
  const auto at = text.find(marker);
  if (at == std::string::npos || at < 2) return std::string();
  return text.substr(0, at - 1);
}

// "CPU Name" less its clock figure or rating: a last word that starts with
// a digit ("2.40GHz", "2.53GHz", "2000+") is dropped with the blanks in front
// of it. A name without such a word is kept whole.
std::string cpuName(const std::string& text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  std::size_t end = text.size();
  while (end > 0 && isBlank(text[end - 1])) --end;
  std::size_t word = end;
  while (word > 0 && !isBlank(text[word - 1])) --word;
  if (word == end || text[word] < '0' || text[word] > '9') return text.substr(0, end);
  while (word > 0 && isBlank(text[word - 1])) --word;
  return text.substr(0, word);
}

// A whole number in 32 bits: an optional sign and at least one digit,
// nothing else.
std::optional<std::int32_t> wholeNumber(const std::string& text) {
  std::size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > 2147483648LL) return std::nullopt;
  }
  if (text[0] == '-') value = -value;
  if (value > INT32_MAX || value < INT32_MIN) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

void readDriverFacts(platform::Platform& platform, ui::Application& app, TRadeonType* card) {
  std::string path;
  try {
    path = settings::GetDriverKey(platform, app);
  } catch (const Error&) {
    card->DeviceDescription = card->DriverName = card->ReleaseVersion = kCannotDetect;
    return;
  }
  if (path.empty()) return;  // no driver key: never HKEY_LOCAL_MACHINE itself
  platform::RegistryAccess reg(platform.registry, platform::kHkeyLocalMachine,
                               platform::kKeyAllAccess);
  if (!reg.openKey(path, false)) return;
  card->DeviceDescription = textOrEmpty(reg, "Device Description");
  card->DriverName = textOrEmpty(reg, "drv");
  card->ReleaseVersion = textOrEmpty(reg, "ReleaseVersion");
}

}  // namespace

TSystemType GetSystemType(platform::Platform& platform) {
  TSystemType cpu;
  platform::RegistryAccess reg(platform.registry, platform::kHkeyLocalMachine);
  if (!reg.openKeyReadOnly(kCpuKey)) return cpu;
  cpu.CPUName = cpuName(textOrEmpty(reg, "CPU Name"));
  cpu.SSE = head(textOrEmpty(reg, "SSE"), '(');
  cpu.SSE2 = head(textOrEmpty(reg, "SSE2"), '(');
  cpu.ThreeDNow = head(textOrEmpty(reg, "3DNow"), '(');
  cpu.MMX = head(textOrEmpty(reg, "MMX"), '(');
  return cpu;
}

TRadeonType GetRadeonType(platform::Platform& platform, ui::Application& app) {
  TRadeonType card;
  {
    platform::RegistryAccess reg(platform.registry, platform::kHkeyLocalMachine,
                                 platform::kKeyAllAccess);
    if (!reg.openKey(kMemoryKey, false)) {
      card.MemoryType = card.DeviceDescription = card.DriverName = card.ReleaseVersion =
          kCannotDetect;
      return card;
    }
    card.MemoryType = head(textOrEmpty(reg, "Type"), '(');
    const std::string size = textOrEmpty(reg, "Size");
    const auto dot = size.find('.');
    card.MemorySize = dot == std::string::npos ? std::nullopt : wholeNumber(size.substr(0, dot));
  }
  readDriverFacts(platform, app, &card);
  return card;
}

std::string GetDirectXVersion(platform::Platform& platform) {
  platform::RegistryAccess reg(platform.registry, platform::kHkeyLocalMachine,
                               platform::kKeyAllAccess);
  if (!reg.openKey(kDirectXKey, false)) return std::string();
  return textOrEmpty(reg, "Version");
}

}  // namespace kl::sysinfo
