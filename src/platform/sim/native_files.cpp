#include "platform/sim/native_files.h"

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
  for (char& c : path)
    if (c == '\\') c = '/';
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return fs::path(path);
}

FileResult failed(const std::string& reason) { return FileResult{FileStatus::Failed, reason}; }

}  // namespace

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

}  // namespace kl::platform
