// The form: a top-level window of the form's own class, sized so that its
// client area is exactly the form's client size.
#include <windows.h>
// The common controls' declarations need <windows.h> first.
#include <commctrl.h>

#include <algorithm>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

bool hasMinMaxBoxes(BorderStyle style) {
  return style == BorderStyle::Sizeable || style == BorderStyle::Single;
}

}  // namespace

FormPeer::FormPeer(Win32Context& context, Control& control) : WindowPeer(context, control) {
  context_.addForm(this);
  context_.setApplication(&form().app());
}

FormPeer::~FormPeer() {
  enableOwners();
  context_.removeForm(this);
}

void FormPeer::createWindow() {
  context_.ensureClass(form().windowClass());
  // Every other form stays above the main form and leaves the taskbar to it.
  HWND owner = nullptr;
  Form* main = form().app().mainForm();
  if (main && main != &form())
    if (WindowPeer* mainPeer = fromControl(main)) owner = mainPeer->hwnd();
  createOwn(form().windowClass().c_str(), style(), exStyle(), owner, windowRect());
}

DWORD FormPeer::style() const {
  const BorderStyle border = form().borderStyle();
  if (border == BorderStyle::None) return WS_POPUP | WS_CLIPCHILDREN;
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_CLIPCHILDREN;
  if (border == BorderStyle::Sizeable) style |= WS_THICKFRAME;
  const BorderIcons& icons = form().borderIcons();
  if (icons.systemMenu) style |= WS_SYSMENU;
  if (hasMinMaxBoxes(border) && icons.minimize) style |= WS_MINIMIZEBOX;
  if (hasMinMaxBoxes(border) && icons.maximize) style |= WS_MAXIMIZEBOX;
  return style;
}

DWORD FormPeer::exStyle() const {
  switch (form().borderStyle()) {
    case BorderStyle::Dialog:
      return WS_EX_DLGMODALFRAME;
    case BorderStyle::ToolWindow:
      return WS_EX_TOOLWINDOW;
    default:
      return 0;
  }
}

// The window rectangle whose client area is the form's client size, at the
// form's position or centred on the screen.
RECT FormPeer::windowRect() const {
  RECT r{0, 0, form().clientWidth(), form().clientHeight()};
  AdjustWindowRectEx(&r, style(), form().menu() != nullptr, exStyle());
  const int width = r.right - r.left, height = r.bottom - r.top;
  int left = form().bounds().left, top = form().bounds().top;
  if (form().centred()) {
    left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  }
  return RECT{left, top, left + width, top + height};
}

// Also corrects for what AdjustWindowRectEx cannot know, such as a menu bar
// that wraps onto a second line.
void FormPeer::place() {
  const RECT r = windowRect();
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int dw = form().clientWidth() - client.right, dh = form().clientHeight() - client.bottom;
  if (dw || dh)
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
}

void FormPeer::sync(Property what) {
  switch (what) {
    case Property::Visible:
      if (form().visible()) {
        show();
      } else {
        // Before hiding, so that Windows activates the owner again.
        enableOwners();
        ShowWindow(hwnd_, SW_HIDE);
      }
      break;
    case Property::Alpha:
      applyAlpha();
      break;
    case Property::Modal:  // told before the form shows, while the caller is still active
      if (form().isModal()) activeBeforeModal_ = GetActiveWindow();
      break;
    case Property::Focus:
    case Property::Hint:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void FormPeer::show() {
  attachMenu();
  place();  // centred forms are centred on each showing
  ShowWindow(hwnd_, SW_SHOW);
}

void FormPeer::applyAlpha() {
  const LONG_PTR ex = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE);
  if (!form().alphaBlend()) {
    if (ex & WS_EX_LAYERED) SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    return;
  }
  SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  const auto alpha = static_cast<BYTE>(std::clamp(form().alphaValue(), 0, 255));
  SetLayeredWindowAttributes(hwnd_, 0, alpha, LWA_ALPHA);
}

void FormPeer::attachMenu() {
  MainMenu* menu = form().menu();
  auto* menuPeer = menu ? dynamic_cast<MainMenuPeer*>(menu->peer()) : nullptr;
  HMENU handle = menuPeer ? menuPeer->handle() : nullptr;
  if (GetMenu(hwnd_) == handle) return;
  SetMenu(hwnd_, handle);
  place();
}

void FormPeer::enableOwners() {
  for (HWND window : disabledOwners_)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  disabledOwners_.clear();
}

HWND FormPeer::ensureTooltips() {
  if (tooltips_ || !hwnd_) return tooltips_;
  tooltips_ =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, context_.instance(), nullptr);
  if (!tooltips_) return nullptr;
  SendMessageA(tooltips_, TTM_SETMAXTIPWIDTH, 0, 400);  // lets "\n" break a hint
  SendMessageA(tooltips_, TTM_SETDELAYTIME, TTDT_AUTOPOP,
               MAKELPARAM(form().app().hintHidePause(), 0));
  return tooltips_;
}

void FormPeer::setTool(HWND tool, const std::string& text) {
  if (text.empty() && !tooltips_) return;
  HWND tips = ensureTooltips();
  if (!tips) return;
  TTTOOLINFOA info{};
  info.cbSize = TTTOOLINFOA_V2_SIZE;  // the size comctl32 of Windows 2000 knows
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!text.empty()) SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT FormPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_COMMAND) return onCommand(w, l);
  if (isChildNotification(msg)) return onChildNotification(msg, w, l);
  switch (msg) {
    case WM_CLOSE:
      return onClose();
    case WM_ACTIVATE:
      return onActivate(msg, w, l);
    case WM_SIZE:
      return onSize(msg, w, l);
    case WM_SETFOCUS:  // the frame itself: no control to report
      return callDefault(msg, w, l);
    default:
      return WindowPeer::handleMessage(msg, w, l);
  }
}

// Controls' notifications carry their window; the rest are the menu's
// commands and the dialog manager's Enter (IDOK) and Escape (IDCANCEL).
LRESULT FormPeer::onCommand(WPARAM w, LPARAM l) {
  if (l) return onChildNotification(WM_COMMAND, w, l);
  const UINT id = LOWORD(w);
  if (id == IDOK) {
    form().userKeyEnter();
  } else if (id == IDCANCEL) {
    form().userKeyEscape();
  } else if (MainMenu* menu = form().menu()) {
    auto* menuPeer = dynamic_cast<MainMenuPeer*>(menu->peer());
    if (MenuItem* item = menuPeer ? menuPeer->item(id) : nullptr) item->userClick();
  }
  return 0;
}

LRESULT FormPeer::onClose() {
  form().userClose();
  return 0;
}

LRESULT FormPeer::onActivate(UINT msg, WPARAM w, LPARAM l) {
  if (LOWORD(w) == WA_INACTIVE || HIWORD(w)) return callDefault(msg, w, l);
  restoreFocus();
  return 0;
}

// The focus goes back to the control that had it, or to the first one.
void FormPeer::restoreFocus() {
  WindowPeer* last = fromControl(form().focused());
  HWND target = last && last != this ? last->hwnd() : nullptr;
  if (!target || !IsWindowVisible(target) || !IsWindowEnabled(target))
    target = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  SetFocus(target ? target : hwnd_);
}

LRESULT FormPeer::onSize(UINT msg, WPARAM w, LPARAM l) {
  for (Control* child : form().children())
    if (WindowPeer* peer = fromControl(child)) peer->parentResized();
  return callDefault(msg, w, l);
}

}  // namespace kl::ui
