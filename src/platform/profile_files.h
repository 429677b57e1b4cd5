#pragma once
// Private-profile (INI) files: GetPrivateProfileStringA with a 2048-character
// buffer, and WritePrivateProfileStringA.
#include <optional>
#include <string>

namespace kl::platform {

constexpr std::size_t kProfileBufferChars = 2048;  // results hold at most 2047

class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  virtual std::string getString(const std::string& section, const std::string& key,
                                const std::string& fallback, const std::string& file) = 0;
  // False when the file cannot be written.
  virtual bool writeString(const std::string& section, const std::string& key,
                           const std::string& value, const std::string& file) = 0;
  // True when a file (not a folder) of that name exists.
  virtual bool exists(const std::string& file) = 0;
};

// One profile file in the manner of the platform library's INI class: writes
// that fail raise "Unable to write to %s" with the file name.
class IniFile {
 public:
  IniFile(ProfileFiles& files, std::string fileName)
      : files_(files), fileName_(std::move(fileName)) {}
  const std::string& fileName() const { return fileName_; }

  std::string readString(const std::string& section, const std::string& key,
                         const std::string& fallback);
  // Decimal, or hexadecimal written "0x..." or "$..."; `fallback` otherwise.
  long readInteger(const std::string& section, const std::string& key, long fallback);
  void writeString(const std::string& section, const std::string& key, const std::string& value);
  void writeInteger(const std::string& section, const std::string& key, long value);

 private:
  ProfileFiles& files_;
  std::string fileName_;
};

// The platform library's StrToIntDef: optional sign, decimal or "$"/"0x" hex,
// 32-bit range; anything else gives `fallback`.
long textToIntDef(const std::string& text, long fallback);
// The same rules; nullopt for text that is not a number.
std::optional<long> parseInteger(const std::string& text);

}  // namespace kl::platform
