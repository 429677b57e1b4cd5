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

// The push buttons inside `root` that have a window.
std::vector<std::pair<Button*, HWND>> buttonsOf(Control& root) {
  std::vector<std::pair<Button*, HWND>> found;
  std::vector<Control*> pending{&root};
  while (!pending.empty()) {
    Control* c = pending.back();
    pending.pop_back();
    pending.insert(pending.end(), c->children().begin(), c->children().end());
    auto* button = dynamic_cast<Button*>(c);
    WindowPeer* peer = button ? WindowPeer::fromControl(c) : nullptr;
    if (peer && peer->hwnd()) found.emplace_back(button, peer->hwnd());
  }
  return found;
}

// The tooltip class's own procedure, the same for every tooltip window we
// subclass (one class per process). Kept here rather than in a window
// property: a property read costs a trip to the window manager per message.
WNDPROC tooltipClassProc = nullptr;

// The child of `parent` the mouse would find at the point were it enabled:
// visible, not transparent to the mouse (frames, plain labels), topmost first.
HWND childAt(HWND parent, POINT screen) {
  for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    RECT r{};
    GetWindowRect(c, &r);
    if (!IsWindowVisible(c) || !PtInRect(&r, screen)) continue;
    if (SendMessageA(c, WM_NCHITTEST, 0, MAKELPARAM(screen.x, screen.y)) == HTTRANSPARENT) continue;
    return c;
  }
  return nullptr;
}

}  // namespace

FormPeer::FormPeer(Win32Context& context, Control& control) : WindowPeer(context, control) {
  context_.addForm(this);
  context_.setApplication(&form().app());
}

FormPeer::~FormPeer() { context_.removeForm(this); }

void FormPeer::createWindow() {
  context_.ensureClass(form().windowClass());
  // Every other form stays above the main form and leaves the taskbar to it.
  HWND owner = nullptr;
  Form* main = form().app().mainForm();
  if (main && main != &form())
    if (WindowPeer* mainPeer = fromControl(main)) owner = mainPeer->hwnd();
  placing_ = true;
  createOwn(form().windowClass().c_str(), style(), exStyle(), owner, windowRect());
  placing_ = false;
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
// A maximised window keeps the size Windows gave it (and its restored size).
void FormPeer::place() {
  if (IsZoomed(hwnd_)) return;
  const bool wasPlacing = placing_;
  placing_ = true;
  const RECT r = windowRect();
  SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  RECT client{};
  GetClientRect(hwnd_, &client);
  const int dw = form().clientWidth() - client.right, dh = form().clientHeight() - client.bottom;
  if (dw || dh)
    SetWindowPos(hwnd_, nullptr, 0, 0, r.right - r.left + dw, r.bottom - r.top + dh,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
  placing_ = wasPlacing;
}

void FormPeer::sync(Property what) {
  switch (what) {
    case Property::Visible:
      if (form().visible())
        show();
      else
        ShowWindow(hwnd_, SW_HIDE);
      break;
    case Property::Enabled:
      showEnabled();
      break;
    case Property::Alpha:
      applyAlpha();
      break;
    case Property::Modal:  // told before the form shows, while the caller is still active
      if (form().isModal()) activeBeforeModal_ = GetActiveWindow();
      break;
    case Property::DefaultButton:
      showDefaultButton();
      break;
    case Property::WindowState:
      showWindowState();
      break;
    case Property::Focus:
    case Property::Hint:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

bool FormPeer::takesInput() const { return form().enabled() && form().takesInput(); }

// A window that is enabled again while active has lost its focus to the
// disabling: it goes back to the control that had it.
void FormPeer::showEnabled() {
  const bool enable = takesInput();
  if (!IsWindowEnabled(hwnd_) == !enable) return;
  EnableWindow(hwnd_, enable);
  if (enable && GetActiveWindow() == hwnd_ && !GetFocus()) restoreFocus();
}

// A form already on the screen comes to the front instead.
void FormPeer::show() {
  if (IsWindowVisible(hwnd_)) return toFront();
  attachMenu();
  place();  // centred forms are centred on each showing
  const bool iconic = IsIconic(hwnd_) != FALSE;
  switch (form().windowState()) {
    case WindowState::Minimized:
      ShowWindow(hwnd_, SW_SHOWMINIMIZED);
      break;
    case WindowState::Maximized:
      ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
      break;
    case WindowState::Normal:
      ShowWindow(hwnd_, iconic ? SW_RESTORE : SW_SHOW);
      break;
  }
}

void FormPeer::toFront() {
  if (IsIconic(hwnd_) && form().windowState() != WindowState::Minimized)
    ShowWindow(hwnd_, SW_RESTORE);
  BringWindowToTop(hwnd_);
  SetForegroundWindow(hwnd_);
}

// A hidden window takes its state when it is shown.
void FormPeer::showWindowState() {
  if (!IsWindowVisible(hwnd_)) return;
  switch (form().windowState()) {
    case WindowState::Minimized:
      if (!IsIconic(hwnd_)) ShowWindow(hwnd_, SW_MINIMIZE);
      break;
    case WindowState::Maximized:
      if (!IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_MAXIMIZE);
      break;
    case WindowState::Normal:
      if (IsIconic(hwnd_) || IsZoomed(hwnd_)) ShowWindow(hwnd_, SW_RESTORE);
      break;
  }
}

void FormPeer::applyAlpha() {
  const LONG_PTR ex = GetWindowLongPtrA(hwnd_, GWL_EXSTYLE);
  if (!form().alphaBlend()) {
    if (ex & WS_EX_LAYERED) SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex & ~WS_EX_LAYERED);
    return;
  }
  if (!(ex & WS_EX_LAYERED)) SetWindowLongPtrA(hwnd_, GWL_EXSTYLE, ex | WS_EX_LAYERED);
  const auto alpha = static_cast<BYTE>(form().alphaValue());
  SetLayeredWindowAttributes(hwnd_, 0, alpha, LWA_ALPHA);
}

void FormPeer::attachMenu() {
  MainMenu* menu = form().menu();
  auto* menuPeer = menu ? dynamic_cast<MainMenuPeer*>(menu->peer()) : nullptr;
  HMENU handle = menuPeer ? menuPeer->handle() : nullptr;
  if (GetMenu(hwnd_) == handle) return;
  const bool wasPlacing = placing_;
  placing_ = true;
  SetMenu(hwnd_, handle);
  placing_ = wasPlacing;
  place();
}

// Each push button drawn as the form says: BS_DEFPUSHBUTTON for the one
// shown as the default, so also the dialog manager's Enter finds it.
void FormPeer::showDefaultButton() {
  const Button* shown = form().shownDefault();
  for (const auto& [button, window] : buttonsOf(form())) {
    const DWORD want = button == shown ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    if ((GetWindowLongPtrA(window, GWL_STYLE) & BS_TYPEMASK) != want)
      SendMessageA(window, BM_SETSTYLE, want, TRUE);
  }
}

int FormPeer::defaultButtonId() const {
  WindowPeer* peer = fromControl(form().defaultButton());
  return peer && peer->hwnd() ? GetDlgCtrlID(peer->hwnd()) : 0;
}

LRESULT FormPeer::onGetDefId() {
  const int id = defaultButtonId();
  return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
}

// The button of that identifier anywhere in the form becomes the default.
LRESULT FormPeer::onSetDefId(WPARAM id) {
  for (const auto& [button, window] : buttonsOf(form()))
    if (GetDlgCtrlID(window) == static_cast<int>(id)) {
      form().setDefaultButton(button);
      return TRUE;
    }
  return FALSE;
}

HWND FormPeer::ensureTooltips() {
  if (tooltips_ || !hwnd_) return tooltips_;
  tooltips_ =
      CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                      WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                      CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, context_.instance(), nullptr);
  if (!tooltips_) return nullptr;
  tooltipClassProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(tooltips_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&tooltipProc)));
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
  info.uFlags = TTF_IDISHWND;         // the message loop relays the mouse (relayToTooltip)
  info.hwnd = GetParent(tool);
  info.uId = reinterpret_cast<UINT_PTR>(tool);
  info.lpszText = const_cast<char*>(text.c_str());
  SendMessageA(tips, TTM_DELTOOLA, 0, reinterpret_cast<LPARAM>(&info));
  if (!text.empty()) SendMessageA(tips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&info));
}

// Windows gives no mouse message to a disabled control, so the tooltip
// could neither hear of the pointer over one nor find it there: the
// message loop relays every mouse message as if for the control under the
// pointer, and the tooltip asks us where the pointer is.
void FormPeer::relayToTooltip(const MSG& msg) {
  if (!tooltips_) return;
  MSG relayed = msg;
  relayed.hwnd = hintWindowAt(msg.pt);
  if (!relayed.hwnd) return;
  POINT at = msg.pt;
  ScreenToClient(relayed.hwnd, &at);
  relayed.lParam = MAKELPARAM(at.x, at.y);
  SendMessageA(tooltips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT CALLBACK FormPeer::tooltipProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  const WNDPROC original = tooltipClassProc;
  if (msg == TTM_WINDOWFROMPOINT && l)
    return reinterpret_cast<LRESULT>(hintWindowAt(*reinterpret_cast<const POINT*>(l)));
  if (msg == WM_NCDESTROY)
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
  return original ? CallWindowProcA(original, hwnd, msg, w, l) : DefWindowProcA(hwnd, msg, w, l);
}

HWND hintWindowAt(POINT screen) {
  HWND window = WindowFromPoint(screen);
  bool insideDisabled = false;
  while (window) {
    HWND child = childAt(window, screen);
    if (!child || (!insideDisabled && IsWindowEnabled(child))) break;
    insideDisabled = true;
    window = child;
  }
  return window;
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
    case WM_SYSCOMMAND:
      return onSysCommand(msg, w, l);
    case DM_GETDEFID:
      return onGetDefId();
    case DM_SETDEFID:
      return onSetDefId(w);
    case WM_SETFOCUS:  // the frame itself: no control to report
      return callDefault(msg, w, l);
    case WM_COPYDATA:
      return onCopyData(l);
    default:
      return WindowPeer::handleMessage(msg, w, l);
  }
}

LRESULT FormPeer::onCopyData(LPARAM l) {
  const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
  if (!data) return 0;
  const std::string text(static_cast<const char*>(data->lpData),
                         data->lpData ? data->cbData : 0);
  return form().userRequest(static_cast<std::uint32_t>(data->dwData), text);
}

// Controls' notifications carry their window; the rest are the menu's
// commands and the dialog manager's Enter (IDOK) and Escape (IDCANCEL).
LRESULT FormPeer::onCommand(WPARAM w, LPARAM l) {
  if (l) return onChildNotification(WM_COMMAND, w, l);
  const UINT id = LOWORD(w);
  // The dialog manager's Enter names the default button (DM_GETDEFID); it
  // sends the button's window only when the button is a direct child.
  if (id == IDOK || (id == static_cast<UINT>(defaultButtonId()) && HIWORD(w) == BN_CLICKED)) {
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
  switch (w) {
    case SIZE_MINIMIZED:
      form().userWindowState(WindowState::Minimized);
      break;
    case SIZE_MAXIMIZED:
      form().userWindowState(WindowState::Maximized);
      break;
    case SIZE_RESTORED:
      form().userWindowState(WindowState::Normal);
      break;
    default:
      break;
  }
  // A size the user gave the window; ours are the form's already.
  if (!placing_ && hwnd_ && w != SIZE_MINIMIZED) form().userResize(LOWORD(l), HIWORD(l));
  for (Control* child : form().children())
    if (WindowPeer* peer = fromControl(child)) peer->parentResized();
  return callDefault(msg, w, l);
}

// The minimise box and the system menu's Minimize: the main form may go to
// the tray instead of becoming an icon.
LRESULT FormPeer::onSysCommand(UINT msg, WPARAM w, LPARAM l) {
  if ((w & 0xFFF0) == SC_MINIMIZE && form().userMinimize()) return 0;
  return callDefault(msg, w, l);
}

}  // namespace kl::ui
