#pragma once
// Our INI engine over real files, following the rules of the platform's
// private-profile functions: case-insensitive sections and keys, spaces
// around keys and values ignored, one pair of enclosing quotes dropped on
// read, a value ending at a NUL byte as the platform's C string does, a key
// updated in place (keeping its stored spelling) with every other
// line kept, a new key after the last entry of its section, a new section at
// the end of the file. Every non-blank line that is not a header is a key,
// ";..." lines included; a line without '=' is a key without a value; keys
// in front of the first header belong to the section with the empty name.
// A file without write permission refuses writes even for root, as a file
// with the read-only attribute does on Windows.
#include "platform/profile_files.h"
#include "platform/sim/write_faults.h"

namespace kl::platform {

class IniEngine : public ProfileFiles {
 public:
  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback, const std::string& file) override;
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
  bool exists(const std::string& file) override;

  // Every writeString from now on is counted by `faults`, logged as
  // "profile <file> [section] key=value", and fails (false, the file
  // untouched) when it says so; null: none.
  void setWriteFaults(WriteFaults* faults) { faults_ = faults; }

 private:
  WriteFaults* faults_ = nullptr;
};

}  // namespace kl::platform
