#pragma once
#include "platform/files.h"

namespace kl::platform {

// CreateDirectoryA, CreateFileA (CREATE_NEW) with WriteFile, CreateFileA
// (OPEN_EXISTING) with ReadFile, FindFirstFileA.
class Win32Files : public Files {
 public:
  FileResult createDirectory(const std::string& path) override;
  FileResult writeNewFile(const std::string& path, const std::string& data) override;
  FileResult readFile(const std::string& path, std::string* data, std::size_t limit) override;
  std::vector<std::string> listFiles(const std::string& folder,
                                     const std::string& extension) override;
};

}  // namespace kl::platform
