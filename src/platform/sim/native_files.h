#pragma once
// The file service over the host's file system (std::filesystem), for the
// native build and the tests: the program's backslashes become the host's
// separators.
#include "platform/files.h"
#include "platform/sim/write_faults.h"

namespace kl::platform {

// A program's path on the host: its backslashes become the host's
// separators, as Windows takes either.
std::string hostFileName(std::string path);

class NativeFiles : public Files {
 public:
  FileResult createDirectory(const std::string& path) override;
  FileResult writeNewFile(const std::string& path, const std::string& data) override;
  FileResult readFile(const std::string& path, std::string* data, std::size_t limit) override;
  std::vector<std::string> listFiles(const std::string& folder,
                                     const std::string& extension) override;

  // Every folder or file about to be created from now on is counted by
  // `faults`, logged as "files create folder <path>" or "files write <path>
  // (<n> bytes)", and fails with "Access is denied" when it says so; null:
  // none.
  void setWriteFaults(WriteFaults* faults) { faults_ = faults; }

 private:
  bool admit(const std::string& what) { return !faults_ || faults_->admit("files " + what); }

  WriteFaults* faults_ = nullptr;
};

}  // namespace kl::platform
