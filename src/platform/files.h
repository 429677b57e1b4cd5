#pragma once
// Files of the program's own (the driver-key backup, the snapshot of the
// settings before Kestrelune): create a folder, write a new file whole, read
// one whole. Paths are Windows paths with backslashes;
// the native implementation maps them onto the host's separators.
#include <string>
#include <vector>

namespace kl::platform {

enum class FileStatus { Ok, AlreadyExists, Failed };

struct FileResult {
  FileStatus status = FileStatus::Ok;
  std::string reason;  // the system's explanation when Failed, e.g. "Access is denied"
  bool ok() const { return status == FileStatus::Ok; }
};

class Files {
 public:
  virtual ~Files() = default;
  // Creates one folder; its parent must exist. AlreadyExists when something
  // of that name is there already (a folder, or a file).
  virtual FileResult createDirectory(const std::string& path) = 0;
  // Creates the file and writes `data` into it. Never replaces a file:
  // AlreadyExists when one of that name is there. A write that fails part
  // way removes what it wrote, so no truncated file is left behind.
  virtual FileResult writeNewFile(const std::string& path, const std::string& data) = 0;
  // Reads the whole file into `data`. Failed, with the reason, when it
  // cannot be read or holds more than `limit` bytes.
  virtual FileResult readFile(const std::string& path, std::string* data, std::size_t limit) = 0;
  // The names (without the folder) of the files directly in `folder` whose
  // name ends in `extension` (".kpf"; any case), in no particular order.
  // None when the folder cannot be read.
  virtual std::vector<std::string> listFiles(const std::string& folder,
                                             const std::string& extension) = 0;
};

}  // namespace kl::platform
