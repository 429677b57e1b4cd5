#include "platform/sim/native_files.h"
#include "platform/text_util.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace kl::platform {
namespace {

namespace fs = std::filesystem;

constexpr char kAccessDenied[] = "Access is denied";  // as the Win32 service words it

fs::path hostPath(std::string path) {
  path = hostFileName(path);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return fs::path(path);
}

FileResult failed(const std::string& reason) { return FileResult{FileStatus::Failed, reason}; }

}  // namespace

std::string hostFileName(std::string path) {
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

FileResult NativeFiles::createDirectory(const std::string& path) {
  const fs::path p = hostPath(path);
  std::error_code ec;
  if (!fs::exists(p, ec) && !admit("create folder " + path)) return failed(kAccessDenied);
  if (fs::create_directory(p, ec)) return FileResult{};
  if (!ec || fs::exists(p)) return FileResult{FileStatus::AlreadyExists, ""};
  return failed(ec.message());
}

FileResult NativeFiles::writeNewFile(const std::string& path, const std::string& data) {
  const fs::path p = hostPath(path);
  std::error_code ec;
  if (fs::exists(p, ec)) return FileResult{FileStatus::AlreadyExists, ""};
  if (!admit("write " + path + " (" + std::to_string(data.size()) + " bytes)"))
    return failed(kAccessDenied);
  std::ofstream out(p, std::ios::binary);
  if (!out) return failed(std::strerror(errno));
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  if (out) return FileResult{};
  const std::string reason = std::strerror(errno);
  fs::remove(p, ec);
  return failed(reason);
}

FileResult NativeFiles::readFile(const std::string& path, std::string* data, std::size_t limit) {
  data->clear();
  const fs::path p = hostPath(path);
  std::error_code ec;
  const auto size = fs::file_size(p, ec);
  if (ec) return failed(ec.message());
  if (size > limit) return failed("the file is larger than " + std::to_string(limit) + " bytes");
  std::ifstream in(p, std::ios::binary);
  data->resize(static_cast<std::size_t>(size));
  if (in && in.read(&(*data)[0], static_cast<std::streamsize>(size))) return FileResult{};
  data->clear();
  return failed(std::strerror(errno));
}

std::vector<std::string> NativeFiles::listFiles(const std::string& folder,
                                                const std::string& extension) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(hostPath(folder), ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string name = it->path().filename().string();
    if (endsWithNoCase(name, extension)) names.push_back(name);
  }
  return names;
}

}  // namespace kl::platform
