#include "platform/registry_access.h"

#include <cstring>

#include "platform/error.h"

namespace kl::platform {

RegistryAccess::RegistryAccess(Registry& registry, HKey root, std::uint32_t access)
    : registry_(registry), root_(root), access_(access) {}

RegistryAccess::~RegistryAccess() { closeKey(); }

void RegistryAccess::setRootKey(HKey root) {
  closeKey();
  root_ = root;
}

HKey RegistryAccess::baseFor(const std::string& path, std::string* relative) const {
  const bool absolute = !path.empty() && path[0] == '\\';
  *relative = absolute ? path.substr(1) : path;
  return (absolute || !current_) ? root_ : current_;
}

bool RegistryAccess::openKey(const std::string& path, bool canCreate) {
  std::string relative;
  const HKey base = baseFor(path, &relative);
  HKey key = 0;
  const Status s = canCreate && !relative.empty()
                       ? registry_.createKey(base, relative, access_, &key)
                       : registry_.openKey(base, relative, access_, &key);
  if (s != kErrorSuccess) return false;
  closeKey();
  current_ = key;
  return true;
}

bool RegistryAccess::openKeyReadOnly(const std::string& path) {
  const std::uint32_t saved = access_;
  access_ = kKeyRead;
  const bool ok = openKey(path, false);
  access_ = saved;
  return ok;
}

void RegistryAccess::closeKey() {
  if (current_) registry_.closeKey(current_);
  current_ = 0;
}

bool RegistryAccess::keyExists(const std::string& path) {
  std::string relative;
  const HKey base = baseFor(path, &relative);
  HKey key = 0;
  if (registry_.openKey(base, relative, kKeyRead, &key) != kErrorSuccess) return false;
  registry_.closeKey(key);
  return true;
}

bool RegistryAccess::queryInfo(const std::string& name, std::uint32_t* type,
                               std::uint32_t* size) {
  return registry_.queryValue(current_, name, type, nullptr, size) == kErrorSuccess;
}

bool RegistryAccess::valueExists(const std::string& name) {
  std::uint32_t type = 0, size = 0;
  return queryInfo(name, &type, &size);
}

int RegistryAccess::getDataSize(const std::string& name) {
  std::uint32_t type = 0, size = 0;
  return queryInfo(name, &type, &size) ? static_cast<int>(size) : -1;
}

static RegDataType dataTypeOf(std::uint32_t type) {
  switch (type) {
    case kRegSz:
      return RegDataType::String;
    case kRegExpandSz:
      return RegDataType::ExpandString;
    case kRegDword:
      return RegDataType::Integer;
    case kRegBinary:
      return RegDataType::Binary;
    default:
      return RegDataType::Unknown;
  }
}

RegDataType RegistryAccess::getDataType(const std::string& name) {
  std::uint32_t type = 0, size = 0;
  return queryInfo(name, &type, &size) ? dataTypeOf(type) : RegDataType::Unknown;
}

void RegistryAccess::getData(const std::string& name, void* buffer, std::uint32_t size,
                             std::uint32_t* type) {
  std::uint32_t got = size;
  if (registry_.queryValue(current_, name, type, static_cast<std::uint8_t*>(buffer), &got) !=
      kErrorSuccess)
    throw Error(formatMessage("Failed to get data for '%s'", name));
}

void RegistryAccess::putData(const std::string& name, std::uint32_t type, const void* data,
                             std::uint32_t size) {
  if (registry_.setValue(current_, name, type, static_cast<const std::uint8_t*>(data), size) !=
      kErrorSuccess)
    throw Error(formatMessage("Failed to set data for '%s'", name));
}

std::string RegistryAccess::readString(const std::string& name) {
  const int size = getDataSize(name);
  if (size <= 0) return std::string();
  std::string text(static_cast<std::size_t>(size), '\0');
  std::uint32_t type = 0;
  getData(name, &text[0], static_cast<std::uint32_t>(size), &type);
  const RegDataType kind = dataTypeOf(type);
  if (kind != RegDataType::String && kind != RegDataType::ExpandString)
    throw Error(formatMessage("Invalid data type for '%s'", name));
  text.resize(std::strlen(text.c_str()));
  return text;
}

std::int32_t RegistryAccess::readInteger(const std::string& name) {
  std::uint8_t bytes[4] = {};
  std::uint32_t type = 0;
  getData(name, bytes, sizeof bytes, &type);
  if (type != kRegDword) throw Error(formatMessage("Invalid data type for '%s'", name));
  std::uint32_t v = bytes[0] | bytes[1] << 8 | bytes[2] << 16;
  v |= static_cast<std::uint32_t>(bytes[3]) << 24;
  return static_cast<std::int32_t>(v);
}

int RegistryAccess::readBinaryData(const std::string& name, void* buffer, int size) {
  std::uint32_t type = 0, length = 0;
  if (!queryInfo(name, &type, &length)) return 0;
  const RegDataType kind = dataTypeOf(type);
  if ((kind != RegDataType::Binary && kind != RegDataType::Unknown) ||
      static_cast<int>(length) > size)
    throw Error(formatMessage("Invalid data type for '%s'", name));
  getData(name, buffer, length, &type);
  return static_cast<int>(length);
}

void RegistryAccess::writeString(const std::string& name, const std::string& value) {
  putData(name, kRegSz, value.c_str(), static_cast<std::uint32_t>(value.size() + 1));
}

void RegistryAccess::writeExpandString(const std::string& name, const std::string& value) {
  putData(name, kRegExpandSz, value.c_str(), static_cast<std::uint32_t>(value.size() + 1));
}

void RegistryAccess::writeInteger(const std::string& name, std::int32_t value) {
  const auto v = static_cast<std::uint32_t>(value);
  const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                 static_cast<std::uint8_t>(v >> 16),
                                 static_cast<std::uint8_t>(v >> 24)};
  putData(name, kRegDword, bytes, sizeof bytes);
}

void RegistryAccess::writeBinaryData(const std::string& name, const void* data, int size) {
  putData(name, kRegBinary, data, static_cast<std::uint32_t>(size));
}

bool RegistryAccess::deleteValue(const std::string& name) {
  return registry_.deleteValue(current_, name) == kErrorSuccess;
}

bool RegistryAccess::deleteTree(HKey parent, const std::string& path) {
  HKey key = 0;
  if (registry_.openKey(parent, path, kKeyAllAccess, &key) == kErrorSuccess) {
    // Children first: a key that still has subkeys cannot be deleted.
    std::string child;
    while (registry_.enumKey(key, 0, &child) == kErrorSuccess)
      if (!deleteTree(key, child)) break;
    registry_.closeKey(key);
  }
  return registry_.deleteKey(parent, path) == kErrorSuccess;
}

bool RegistryAccess::deleteKey(const std::string& path) {
  std::string relative;
  const HKey base = baseFor(path, &relative);
  return deleteTree(base, relative);
}

std::vector<std::string> RegistryAccess::getKeyNames() {
  std::vector<std::string> names;
  std::string name;
  for (std::uint32_t i = 0; registry_.enumKey(current_, i, &name) == kErrorSuccess; ++i)
    names.push_back(name);
  return names;
}

}  // namespace kl::platform
