#include "ui/win32/win32_context.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

HFONT createDialogFont(LONG weight, bool underlined) {
  HDC screen = GetDC(nullptr);
  const int pixelsPerInch = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  LOGFONTA font{};
  font.lfHeight = -MulDiv(8, pixelsPerInch, 72);
  font.lfWeight = weight;
  font.lfUnderline = underlined ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(font.lfFaceName, "MS Sans Serif");
  return CreateFontIndirectA(&font);
}

}  // namespace

Win32Context::Win32Context(HINSTANCE instance) : instance_(instance) {
  INITCOMMONCONTROLSEX classes{};
  classes.dwSize = sizeof classes;
  classes.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS |
                  ICC_LISTVIEW_CLASSES;
  InitCommonControlsEx(&classes);
  for (int bold = 0; bold < 2; ++bold)
    for (int underlined = 0; underlined < 2; ++underlined)
      fonts_[bold][underlined] = createDialogFont(bold ? FW_BOLD : FW_NORMAL, underlined != 0);
  ensureClass(kContainerClass);
}

Win32Context::~Win32Context() {
  for (const std::string& name : classes_) UnregisterClassA(name.c_str(), instance_);
  for (auto& weight : fonts_)
    for (HFONT font : weight) DeleteObject(font);
  // atl.dll stays loaded: its window procedure may outlive us in windows we
  // did not create.
  if (oleInitialised_)
    if (auto uninitialise = procedure<void(WINAPI*)()>(ole_, "OleUninitialize")) uninitialise();
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

bool Win32Context::htmlEngineAvailable() {
  if (host_ == Host::Unknown) host_ = checkHtmlEngine() ? Host::Available : Host::Missing;
  return host_ == Host::Available;
}

// The engine is created once and let go: where the system has none (Wine
// without Gecko) that fails at once, before any browser window exists.
bool Win32Context::checkHtmlEngine() {
  atl_ = LoadLibraryA("atl.dll");
  ole_ = LoadLibraryA("ole32.dll");
  oleAut_ = LoadLibraryA("oleaut32.dll");
  auto init = procedure<BOOL(WINAPI*)()>(atl_, "AtlAxWinInit");
  auto oleInitialise = procedure<HRESULT(WINAPI*)(LPVOID)>(ole_, "OleInitialize");
  auto create = procedure<HRESULT(WINAPI*)(REFCLSID, LPUNKNOWN, DWORD, REFIID, LPVOID*)>(
      ole_, "CoCreateInstance");
  if (!init || !oleInitialise || !create || !procedure<void (*)()>(oleAut_, "SysAllocString"))
    return false;
  // The browser is an OLE control: in-place activation needs OLE on this thread.
  oleInitialised_ = SUCCEEDED(oleInitialise(nullptr));
  if (!oleInitialised_ || !init()) return false;
  static const CLSID kHtmlDocument = {
      0x25336920, 0x03F9, 0x11CF, {0x8F, 0xD0, 0x00, 0xAA, 0x00, 0x68, 0x6F, 0x13}};
  IUnknown* document = nullptr;
  if (FAILED(create(kHtmlDocument, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IUnknown),
                    reinterpret_cast<void**>(&document))) ||
      !document)
    return false;
  document->Release();
  return true;
}

IUnknown* Win32Context::hostedControl(HWND host) {
  auto get = procedure<HRESULT(WINAPI*)(HWND, IUnknown**)>(atl_, "AtlAxGetControl");
  IUnknown* control = nullptr;
  if (!get || FAILED(get(host, &control))) return nullptr;
  return control;
}

// Converted straight into the string's own buffer: SysAllocStringLen adds
// the terminator to the characters it is asked for.
BSTR Win32Context::makeBstr(const std::string& text) {
  auto allocate = procedure<BSTR(WINAPI*)(const OLECHAR*, UINT)>(oleAut_, "SysAllocStringLen");
  if (!allocate) return nullptr;
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);  // terminator too
  BSTR wide = allocate(nullptr, static_cast<UINT>(length > 1 ? length - 1 : 0));
  if (wide && length > 1) MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, length);
  return wide;
}

void Win32Context::freeBstr(BSTR text) {
  if (auto release = procedure<void(WINAPI*)(BSTR)>(oleAut_, "SysFreeString")) release(text);
}

}  // namespace kl::ui
