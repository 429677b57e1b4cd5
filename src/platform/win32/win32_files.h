#pragma once
#include "platform/files.h"

namespace kl::platform {

// CreateDirectoryA, and CreateFileA (CREATE_NEW) with WriteFile.
class Win32Files : public Files {
 public:
  FileResult createDirectory(const std::string& path) override;
  FileResult writeNewFile(const std::string& path, const std::string& data) override;
  std::vector<std::string> listFiles(const std::string& folder,
                                     const std::string& extension) override;
};

}  // namespace kl::platform
