#include "settings/C_RegKey.h"

#include "platform/error.h"
#include "platform/registry_access.h"

namespace kl::settings {

using platform::RegistryAccess;

namespace {

// The key path without the leading backslash the platform would refuse.
std::string relative(const std::string& path) {
  return !path.empty() && path[0] == '\\' ? path.substr(1) : path;
}

// Opens `path` below HKEY_LOCAL_MACHINE with full access on `reg`; an empty
// path opens nothing.
bool openDriverKey(RegistryAccess& reg, const std::string& path, bool create) {
  const std::string p = relative(path);
  return !p.empty() && reg.openKey("\\" + p, create);
}

[[noreturn]] void refuseWrite(const std::string& name) {
  throw Error(formatMessage("Failed to set data for '%s'", name));
}

}  // namespace

TRegKey::TRegKey(platform::Registry& registry, std::string path, std::string valueName)
    : registry_(registry), path_(std::move(path)), valueName_(std::move(valueName)) {}

std::string TRegKey::ReadString() const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  if (!openDriverKey(reg, path_, false)) return "-1";
  const std::string text = reg.readString(valueName_);
  return text.empty() ? "-1" : text;
}

std::int32_t TRegKey::ReadInteger() const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  if (!openDriverKey(reg, path_, false)) return -1;
  try {
    return reg.readInteger(valueName_);
  } catch (const Error&) {
    return -1;
  }
}

int TRegKey::ReadBinaryFlag() const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  if (!openDriverKey(reg, path_, false)) return -1;
  const auto kind = reg.getDataType(valueName_);
  const int size = reg.getDataSize(valueName_);
  if (size <= 0 || kind == platform::RegDataType::String ||
      kind == platform::RegDataType::ExpandString || kind == platform::RegDataType::Integer)
    return -1;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  try {
    reg.readBinaryData(valueName_, &bytes[0], size);
  } catch (const Error&) {
    return -1;
  }
  return bytes[0] == 0 ? 0 : bytes[0] == 1 ? 1 : -1;
}

void TRegKey::WriteString(const std::string& path, const std::string& name,
                          const std::string& value) const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  if (!openDriverKey(reg, path, true)) refuseWrite(name);
  reg.writeString(name, value);
}

void TRegKey::WriteInteger(const std::string& path, const std::string& name,
                           std::int32_t value) const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  if (!openDriverKey(reg, path, true)) refuseWrite(name);
  reg.writeInteger(name, value);
}

void TRegKey::WriteBinaryFlag(const std::string& name, int state) const {
  RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
  const bool open = openDriverKey(reg, path_, false);
  if (state != 0 && state != 1) return;
  if (!open) refuseWrite(name);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(state), 0, 0, 0};
  reg.writeBinaryData(name, bytes, sizeof bytes);
}

void TRegKey::DeleteValue(const std::string& path, const std::string& name) const {
  {
    RegistryAccess reg(registry_, platform::kHkeyLocalMachine);
    if (openDriverKey(reg, path, false) && reg.deleteValue(name)) return;
  }
  const std::string p = relative(path);
  if (p.empty()) return;
  RegistryAccess check(registry_, platform::kHkeyLocalMachine);
  if (check.openKeyReadOnly("\\" + p) && check.valueExists(name)) refuseWrite(name);
}

}  // namespace kl::settings
