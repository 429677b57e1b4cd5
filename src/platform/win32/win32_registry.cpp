#include "platform/win32/win32_registry.h"

#include <windows.h>

#include <algorithm>

namespace kl::platform {
namespace {

::HKEY toHandle(HKey key) { return reinterpret_cast<::HKEY>(key); }
HKey fromHandle(::HKEY key) { return reinterpret_cast<HKey>(key); }

}  // namespace

Status Win32Registry::openKey(HKey parent, const std::string& path, std::uint32_t access,
                              HKey* result) {
  ::HKEY key = nullptr;
  const LONG s = RegOpenKeyExA(toHandle(parent), path.c_str(), 0, access, &key);
  if (s == ERROR_SUCCESS) *result = fromHandle(key);
  return s;
}

Status Win32Registry::createKey(HKey parent, const std::string& path, std::uint32_t access,
                                HKey* result) {
  ::HKEY key = nullptr;
  const LONG s = RegCreateKeyExA(toHandle(parent), path.c_str(), 0, nullptr,
                                 REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr);
  if (s == ERROR_SUCCESS) *result = fromHandle(key);
  return s;
}

Status Win32Registry::queryValue(HKey key, const std::string& name, std::uint32_t* type,
                                 std::uint8_t* data, std::uint32_t* size) {
  DWORD t = 0, n = size ? *size : 0;
  const LONG s = RegQueryValueExA(toHandle(key), name.c_str(), nullptr, &t, data,
                                  size ? &n : nullptr);
  if (type && (s == ERROR_SUCCESS || s == ERROR_MORE_DATA)) *type = t;
  if (size) *size = n;
  return s;
}

Status Win32Registry::setValue(HKey key, const std::string& name, std::uint32_t type,
                               const std::uint8_t* data, std::uint32_t size) {
  return RegSetValueExA(toHandle(key), name.c_str(), 0, type, data, size);
}

Status Win32Registry::deleteValue(HKey key, const std::string& name) {
  return RegDeleteValueA(toHandle(key), name.c_str());
}

Status Win32Registry::deleteKey(HKey parent, const std::string& path) {
  return RegDeleteKeyA(toHandle(parent), path.c_str());
}

Status Win32Registry::enumKey(HKey key, std::uint32_t index, std::string* name) {
  char buffer[256];
  DWORD length = sizeof buffer;
  const LONG s =
      RegEnumKeyExA(toHandle(key), index, buffer, &length, nullptr, nullptr, nullptr, nullptr);
  if (s == ERROR_SUCCESS) name->assign(buffer, length);
  return s;
}

Status Win32Registry::enumValue(HKey key, std::uint32_t index, std::string* name,
                                std::uint32_t* type, std::vector<std::uint8_t>* data) {
  DWORD maxName = 0, maxData = 0;
  LONG s = RegQueryInfoKeyA(toHandle(key), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                            nullptr, &maxName, &maxData, nullptr, nullptr);
  if (s != ERROR_SUCCESS) return s;
  // The sizes are hints: a value may grow between the two calls, and ANSI
  // names may need more bytes than characters. Grow until it fits.
  std::vector<char> nameBuffer(maxName + 1);
  std::vector<std::uint8_t> dataBuffer(maxData + 1);
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD nameLength = static_cast<DWORD>(nameBuffer.size());
    DWORD dataLength = static_cast<DWORD>(dataBuffer.size());
    DWORD t = 0;
    s = RegEnumValueA(toHandle(key), index, nameBuffer.data(), &nameLength, nullptr, &t,
                      dataBuffer.data(), &dataLength);
    if (s == ERROR_SUCCESS) {
      if (name) name->assign(nameBuffer.data(), nameLength);
      if (type) *type = t;
      if (data) data->assign(dataBuffer.begin(), dataBuffer.begin() + dataLength);
      return s;
    }
    if (s != ERROR_MORE_DATA) return s;
    nameBuffer.resize(nameBuffer.size() * 2);
    dataBuffer.resize(std::max<std::size_t>(dataBuffer.size() * 2, dataLength));
  }
  return s;
}

Status Win32Registry::queryInfoKey(HKey key, KeyInfo* info) {
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxName = 0, maxData = 0;
  const LONG s = RegQueryInfoKeyA(toHandle(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKey,
                                  nullptr, &values, &maxName, &maxData, nullptr, nullptr);
  if (s == ERROR_SUCCESS) *info = KeyInfo{subKeys, maxSubKey, values, maxName, maxData};
  return s;
}

Status Win32Registry::closeKey(HKey key) { return RegCloseKey(toHandle(key)); }

}  // namespace kl::platform
