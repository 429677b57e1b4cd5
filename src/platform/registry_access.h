#pragma once
// A registry accessor in the manner of the platform library's: one root, one
// current key, typed reads and writes that raise the library's errors:
//   "Failed to set data for '%s'"  a write refused (or no key open)
//   "Failed to get data for '%s'"  a typed read of a value that cannot be read
//   "Invalid data type for '%s'"   a value of the wrong type
// The current key is closed by closeKey, by opening another, and on destruction.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace kl::platform {

enum class RegDataType { Unknown, String, ExpandString, Integer, Binary };

class RegistryAccess {
 public:
  explicit RegistryAccess(Registry& registry, HKey root = kHkeyCurrentUser,
                          std::uint32_t access = kKeyAllAccess);
  ~RegistryAccess();
  RegistryAccess(const RegistryAccess&) = delete;
  RegistryAccess& operator=(const RegistryAccess&) = delete;

  void setRootKey(HKey root);
  void setAccess(std::uint32_t access) { access_ = access; }
  HKey currentKey() const { return current_; }

  // A path with a leading backslash starts at the root; any other path is
  // relative to the current key when one is open, else to the root.
  bool openKey(const std::string& path, bool canCreate);
  bool openKeyReadOnly(const std::string& path);
  void closeKey();

  bool keyExists(const std::string& path);
  bool valueExists(const std::string& name);
  int getDataSize(const std::string& name);  // -1 when the value cannot be queried
  RegDataType getDataType(const std::string& name);

  // An absent value reads as "" (not an error); another type raises.
  std::string readString(const std::string& name);
  std::int32_t readInteger(const std::string& name);
  // Copies at most `size` bytes; returns the value's size, 0 when absent.
  int readBinaryData(const std::string& name, void* buffer, int size);

  void writeString(const std::string& name, const std::string& value);
  void writeExpandString(const std::string& name, const std::string& value);
  void writeInteger(const std::string& name, std::int32_t value);
  void writeBinaryData(const std::string& name, const void* data, int size);

  bool deleteValue(const std::string& name);
  // Deletes the key and everything below it.
  bool deleteKey(const std::string& path);
  std::vector<std::string> getKeyNames();

 private:
  HKey baseFor(const std::string& path, std::string* relative) const;
  bool queryInfo(const std::string& name, std::uint32_t* type, std::uint32_t* size);
  void getData(const std::string& name, void* buffer, std::uint32_t size, std::uint32_t* type);
  void putData(const std::string& name, std::uint32_t type, const void* data, std::uint32_t size);
  bool deleteTree(HKey parent, const std::string& path);

  Registry& registry_;
  HKey root_;
  std::uint32_t access_;
  HKey current_ = 0;
};

}  // namespace kl::platform
