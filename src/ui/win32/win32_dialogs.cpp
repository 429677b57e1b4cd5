#include "ui/win32/win32_dialogs.h"

#include <commdlg.h>

#include "ui/win32/win32_context.h"

#include <stdexcept>
#include <vector>

namespace kl::ui {

std::string fileDialogFilter(const std::string& filter) {
  if (filter.empty()) return filter;
  std::string result = filter;
  for (char& c : result)
    if (c == '|') c = '\0';
  result.append(2, '\0');
  return result;
}

namespace {

DWORD flagsOf(const FileDialogOptions& options) {
  DWORD flags = OFN_EXPLORER;
  if (options.overwritePrompt) flags |= OFN_OVERWRITEPROMPT;
  if (options.hideReadOnly) flags |= OFN_HIDEREADONLY;
  if (options.pathMustExist) flags |= OFN_PATHMUSTEXIST;
  if (options.fileMustExist) flags |= OFN_FILEMUSTEXIST;
  if (options.enableSizing) flags |= OFN_ENABLESIZING;
  return flags;
}

const char* orNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// comdlg32.dll, loaded when a file dialog is first shown rather than with the
// program: loading it and the printing libraries it brings slowed every
// start-up for two dialogs that most runs never open.
struct CommonDialogs {
  BOOL(WINAPI* getOpenFileName)(OPENFILENAMEA*) = nullptr;
  BOOL(WINAPI* getSaveFileName)(OPENFILENAMEA*) = nullptr;
  DWORD(WINAPI* extendedError)() = nullptr;
};

const CommonDialogs& commonDialogs() {
  static const CommonDialogs dialogs = [] {
    const HMODULE module = LoadLibraryA("comdlg32.dll");
    CommonDialogs found;
    found.getOpenFileName = procedure<decltype(found.getOpenFileName)>(module, "GetOpenFileNameA");
    found.getSaveFileName = procedure<decltype(found.getSaveFileName)>(module, "GetSaveFileNameA");
    found.extendedError = procedure<decltype(found.extendedError)>(module, "CommDlgExtendedError");
    return found;
  }();
  if (!dialogs.getOpenFileName || !dialogs.getSaveFileName || !dialogs.extendedError)
    throw std::runtime_error("The file dialog failed (comdlg32.dll cannot be loaded)");
  return dialogs;
}

}  // namespace

bool runCommonFileDialog(FileDialog& dialog, HWND owner) {
  const std::string filter = fileDialogFilter(dialog.filter);
  // The default extension is given without its dot.
  const std::string extension = !dialog.defaultExt.empty() && dialog.defaultExt[0] == '.'
                                    ? dialog.defaultExt.substr(1)
                                    : dialog.defaultExt;
  std::vector<char> file(4 * MAX_PATH, '\0');
  dialog.fileName.copy(file.data(), file.size() - 1);

  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = orNull(filter);
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = orNull(dialog.initialDir);
  ofn.lpstrTitle = orNull(dialog.title);
  ofn.lpstrDefExt = orNull(extension);
  ofn.Flags = flagsOf(dialog.options);
  const CommonDialogs& dialogs = commonDialogs();
  const BOOL chosen = dialog.kind() == FileDialogKind::Open ? dialogs.getOpenFileName(&ofn)
                                                            : dialogs.getSaveFileName(&ofn);
  if (chosen) {
    dialog.fileName = file.data();
    return true;
  }
  if (const DWORD error = dialogs.extendedError())
    throw std::runtime_error("The file dialog failed (error " + std::to_string(error) + ")");
  return false;
}

}  // namespace kl::ui
