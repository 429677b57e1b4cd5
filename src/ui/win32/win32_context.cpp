#include "ui/win32/win32_context.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

HFONT createDialogFont(LONG weight) {
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA font{};
  font.lfHeight = -MulDiv(8, pixelsPerInch, 72);
  font.lfWeight = weight;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(font.lfFaceName, "MS Sans Serif");
  return CreateFontIndirectA(&font);
}

// Functions looked up at run time, cast through the generic function type
// that GCC accepts without a warning.
template <class Function>
Function procedure(HMODULE module, const char* name) {
  const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace

Win32Context::Win32Context(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                  ICC_LISTVIEW_CLASSES;
  InitCommonControlsEx(&classes);
  font_ = createDialogFont(FW_NORMAL);
  boldFont_ = createDialogFont(FW_BOLD);
  ensureClass(kContainerClass);
}

Win32Context::~Win32Context() {
  for (const std::string& name : classes_) UnregisterClassA(name.c_str(), instance_);
  DeleteObject(font_);
  DeleteObject(boldFont_);
  // atl.dll stays loaded: its window procedure may outlive us in windows we
  // did not create.
  if (oleInitialised_)
    if (auto uninitialise =
            procedure<void(WINAPI*)()>(GetModuleHandleA("ole32.dll"), "OleUninitialize"))
      uninitialise();
}

void Win32Context::ensureClass(const std::string& name) {
  if (!classes_.insert(name).second) return;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &WindowPeer::classProc;
  wc.hInstance = instance_;
  wc.hIcon = programIcon();
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = name.c_str();
  // Another backend of this process may have registered it already.
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("Cannot register the window class " + name);
}

HICON Win32Context::programIcon() const {
  if (HICON icon = LoadIconA(instance_, "MAINICON")) return icon;
  if (HICON icon = LoadIconA(instance_, MAKEINTRESOURCEA(1))) return icon;
  return LoadIcon(nullptr, IDI_APPLICATION);
}

void Win32Context::removeForm(FormPeer* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
}

FormPeer* Win32Context::formOf(HWND window) const {
  if (!window) return nullptr;
  for (FormPeer* form : forms_)
    if (form->hwnd() == window) return form;
  return nullptr;
}

FormPeer* Win32Context::activeForm() const { return formOf(GetActiveWindow()); }

bool Win32Context::browserHostAvailable() {
  if (host_ != Host::Unknown) return host_ == Host::Available;
  host_ = Host::Missing;
  atl_ = LoadLibraryA("atl.dll");
  auto init = procedure<BOOL(WINAPI*)()>(atl_, "AtlAxWinInit");
  if (!init) return false;
  // The browser is an OLE control: in-place activation needs OLE on this thread.
  auto oleInitialise =
      procedure<HRESULT(WINAPI*)(LPVOID)>(LoadLibraryA("ole32.dll"), "OleInitialize");
  oleInitialised_ = oleInitialise && SUCCEEDED(oleInitialise(nullptr));
  if (init()) host_ = Host::Available;
  return host_ == Host::Available;
}

}  // namespace kl::ui
