#include "platform/win32/win32_files.h"
#include "platform/text_util.h"

#include <windows.h>

#include <algorithm>

namespace kl::platform {
namespace {

// The system's text for an error code, without the line break and the full
// stop Windows ends it with.
std::string systemText(DWORD code) {
  char buffer[512] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, buffer, sizeof buffer, nullptr);
  std::string text(buffer, n);
  while (!text.empty() &&
         (text.back() == '\r' || text.back() == '\n' || text.back() == '.' || text.back() == ' '))
    text.pop_back();
  return text.empty() ? "error " + std::to_string(code) : text;
}

FileResult fromError(DWORD code) {
  if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS)
    return FileResult{FileStatus::AlreadyExists, ""};
  return FileResult{FileStatus::Failed, systemText(code)};
}

bool writeAll(HANDLE file, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(data.size() - done, 1u << 20));
    if (!WriteFile(file, data.data() + done, chunk, &written, nullptr) || written == 0)
      return false;
    done += written;
  }
  return true;
}

}  // namespace

// The wildcard "*.kpf" would also match "x.kpfold" on file systems with
// short names, so the extension is checked again.
std::vector<std::string> Win32Files::listFiles(const std::string& folder,
                                               const std::string& extension) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "\\*" + extension).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = found.cFileName;
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && endsWithNoCase(name, extension))
      names.push_back(name);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

FileResult Win32Files::createDirectory(const std::string& path) {
  if (CreateDirectoryA(path.c_str(), nullptr)) return FileResult{};
  return fromError(GetLastError());
}

FileResult Win32Files::writeNewFile(const std::string& path, const std::string& data) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return fromError(GetLastError());
  const bool written = writeAll(file, data);
  DWORD error = written ? ERROR_SUCCESS : GetLastError();
  if (!written && error == ERROR_SUCCESS) error = ERROR_WRITE_FAULT;
  if (!CloseHandle(file) && written) error = GetLastError();
  if (error == ERROR_SUCCESS) return FileResult{};
  DeleteFileA(path.c_str());
  return FileResult{FileStatus::Failed, systemText(error)};
}

FileResult Win32Files::readFile(const std::string& path, std::string* data, std::size_t limit) {
  data->clear();
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileResult{FileStatus::Failed, systemText(GetLastError())};
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  DWORD error = size == INVALID_FILE_SIZE ? GetLastError() : ERROR_SUCCESS;
  if (error == ERROR_SUCCESS && (high != 0 || size > limit)) {
    CloseHandle(file);
    return FileResult{FileStatus::Failed,
                      "the file is larger than " + std::to_string(limit) + " bytes"};
  }
  data->resize(error == ERROR_SUCCESS ? size : 0);
  DWORD done = 0;
  while (error == ERROR_SUCCESS && done < data->size()) {
    DWORD read = 0;
    if (!ReadFile(file, &(*data)[done], static_cast<DWORD>(data->size() - done), &read, nullptr))
      error = GetLastError();
    else if (read == 0)
      break;  // shorter than it was a moment ago
    done += read;
  }
  CloseHandle(file);
  data->resize(done);
  if (error == ERROR_SUCCESS) return FileResult{};
  data->clear();
  return FileResult{FileStatus::Failed, systemText(error)};
}

}  // namespace kl::platform
