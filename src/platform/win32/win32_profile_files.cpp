#include "platform/win32/win32_profile_files.h"

#include <windows.h>

namespace kl::platform {

std::string Win32ProfileFiles::getString(const std::string& section, const std::string& key,
                                         const std::string& fallback, const std::string& file) {
  char buffer[kProfileBufferChars];
  const DWORD n = GetPrivateProfileStringA(section.c_str(), key.c_str(), fallback.c_str(), buffer,
                                           sizeof buffer, file.c_str());
  return std::string(buffer, n);
}

bool Win32ProfileFiles::writeString(const std::string& section, const std::string& key,
                                    const std::string& value, const std::string& file) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

bool Win32ProfileFiles::exists(const std::string& file) {
  const DWORD attributes = GetFileAttributesA(file.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace kl::platform
