#pragma once
// The common file dialogs. Internal to src/ui/win32.
#include <windows.h>

#include <string>

#include "ui/components.h"

namespace kl::ui {

// "Text files|*.txt|All|*.*" as the dialogs want it: each '|' a NUL, the
// whole ended by two NULs. Empty stays empty (no filter).
std::string fileDialogFilter(const std::string& filter);

// Shows the open or save dialog owned by `owner`; on OK sets the dialog's
// file name and returns true. Cancel returns false; a failure of the dialog
// itself throws.
bool runCommonFileDialog(FileDialog& dialog, HWND owner);

}  // namespace kl::ui
