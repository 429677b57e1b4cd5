#pragma once
#include "platform/profile_files.h"

namespace kl::platform {

// GetPrivateProfileStringA and WritePrivateProfileStringA.
class Win32ProfileFiles : public ProfileFiles {
 public:
  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback, const std::string& file) override;
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override;
  bool exists(const std::string& file) override;
};

}  // namespace kl::platform
