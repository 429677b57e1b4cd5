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
//
// The parsed lines of the file read last are kept: a read of a file whose
// text is unchanged since then parses nothing again.
#include <memory>
#include <string>

#include "platform/profile_files.h"
#include "platform/sim/write_faults.h"

namespace kl::platform {

class IniEngine : public ProfileFiles {
 public:
  IniEngine();
  ~IniEngine() override;
  IniEngine(const IniEngine&) = delete;
  IniEngine& operator=(const IniEngine&) = delete;

  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback, const std::string& file) override;
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
  bool exists(const std::string& file) override;

  // Every writeString from now on is counted by `faults`, logged as
  // "profile <file> [section] key=value", and fails (false, the file
  // untouched) when it says so; null: none.
  void setWriteFaults(WriteFaults* faults) { faults_ = faults; }

 protected:
  // Where the files' texts live: real files here. readText is false for a
  // file that cannot be read (missing); writeText replaces the whole text
  // and is false when that failed; writable is false for a file that
  // exists and refuses writes.
  virtual bool readText(const std::string& file, std::string* text);
  virtual bool writeText(const std::string& file, const std::string& text);
  virtual bool writable(const std::string& file);

 private:
  struct Parsed;
  // The lines of `file`, parsed from its text as it is now; null when the
  // file cannot be read.
  const Parsed* parsed(const std::string& file);

  WriteFaults* faults_ = nullptr;
  std::unique_ptr<Parsed> last_;
};

}  // namespace kl::platform
