#pragma once
// One value of the display driver: a key path below HKEY_LOCAL_MACHINE and a
// value name. No handle is kept: every operation opens the key (full
// access), does one read, write or delete, and closes it again.
#include <cstdint>
#include <string>

#include "platform/registry.h"

namespace kl::settings {

class TRegKey {
 public:
  TRegKey(platform::Registry& registry, std::string path, std::string valueName);

  const std::string& GetPath() const { return path_; }
  const std::string& valueName() const { return valueName_; }

  // "-1" when the value is absent, empty, or the key cannot be opened;
  // raises "Invalid data type for '%s'" for a value that is not text.
  std::string ReadString() const;
  // -1 on any failure (a stored 0xFFFFFFFF also reads as -1).
  std::int32_t ReadInteger() const;
  // 0 or 1 from the first byte of a binary value; -1 otherwise.
  int ReadBinaryFlag() const;

  // The writes create every missing key of the path (WriteBinaryFlag never
  // does) and raise "Failed to set data for '%s'" when refused. An empty
  // path is refused rather than writing into HKEY_LOCAL_MACHINE itself.
  void WriteString(const std::string& path, const std::string& name, const std::string& value) const;
  void WriteInteger(const std::string& path, const std::string& name, std::int32_t value) const;
  // State 1 stores 01 00 00 00, state 0 stores 00 00 00 00, others nothing.
  void WriteBinaryFlag(const std::string& name, int state) const;
  // A value that is not there is what deleting wants: an absent value or
  // key, or an empty path, is no error. A value that stays behind (the
  // deletion refused, say without administrator rights) raises "Failed to
  // set data for '%s'" like a refused write: Apply would otherwise report a
  // cleared setting as done while the driver keeps it.
  void DeleteValue(const std::string& path, const std::string& name) const;

 private:
  platform::Registry& registry_;
  std::string path_;
  std::string valueName_;
};

}  // namespace kl::settings
