#pragma once
// The file service over the host's file system (std::filesystem), for the
// native build and the tests: the program's backslashes become the host's
// separators.
#include "platform/files.h"

namespace kl::platform {

class NativeFiles : public Files {
 public:
  FileResult createDirectory(const std::string& path) override;
  FileResult writeNewFile(const std::string& path, const std::string& data) override;
};

}  // namespace kl::platform
