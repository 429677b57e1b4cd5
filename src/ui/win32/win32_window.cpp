#include "ui/win32/win32_window.h"

#include <map>
#include <stdexcept>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/form.h"
#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

unsigned bitOf(MouseButton button) { return 1u << static_cast<unsigned>(button); }

// Whether the button is down as far as this thread's input has got. A press
// that Windows synthesises (the dialog manager clicking a check box for its
// mnemonic) arrives with the button up: that is a keyboard action.
bool buttonHeld(MouseButton button) {
  const auto held = [](int vk) { return GetKeyState(vk) < 0; };
  switch (button) {
    case MouseButton::Middle:
      return held(VK_MBUTTON);
    case MouseButton::Left:
    case MouseButton::Right:
      if (GetSystemMetrics(SM_SWAPBUTTON)) return held(VK_LBUTTON) || held(VK_RBUTTON);
      return held(button == MouseButton::Left ? VK_LBUTTON : VK_RBUTTON);
  }
  return false;
}

// The peers of the windows whose procedure is ours, by window. A window
// property would do, but reading one is a trip to the window manager, and a
// peer is looked up for every message (some ten thousand at start-up).
std::map<HWND, WindowPeer*>& attachedPeers() {
  static std::map<HWND, WindowPeer*> peers;
  return peers;
}

[[noreturn]] void failedToCreate(const Control& control) {
  throw std::runtime_error("Cannot create the window of " + control.name() + " (error " +
                           std::to_string(GetLastError()) + ")");
}

}  // namespace

std::string windowText(HWND hwnd) {
  std::string text(static_cast<std::size_t>(GetWindowTextLengthA(hwnd)) + 1, '\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

void showChild(HWND window, bool shown) {
  const bool showing = (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
  if (showing != shown) ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
}

RECT rectOf(const Rect& b) { return RECT{b.left, b.top, b.left + b.width, b.top + b.height}; }

WindowPeer::WindowPeer(Win32Context& context, Control& control)
    : context_(context), control_(control) {}

// Runs in the base destructor on purpose: the messages of the window's
// destruction reach only this class's handlers, not a half-destroyed peer's.
WindowPeer::~WindowPeer() {
  if (hwnd_) DestroyWindow(hwnd_);
}

void WindowPeer::open() {
  createWindow();
  static const Property kInitialState[] = {
      Property::Font,    Property::Text,       Property::Enabled, Property::Hint,
      Property::Range,   Property::Position,   Property::Items,   Property::ItemIndex,
      Property::Checked, Property::State,      Property::Panels,  Property::Picture,
      Property::Url,     Property::ActivePage, Property::Alpha,   Property::Modal,
      Property::Style,   Property::Visible};
  for (Property what : kInitialState) changed(what);
}

void WindowPeer::changed(Property what) {
  if (hwnd_) sync(what);
}

void WindowPeer::sync(Property what) {
  switch (what) {
    case Property::Text:  // unchanged after typing: resetting it would move the caret
      if (windowText(hwnd_) != control_.text()) SetWindowTextA(hwnd_, control_.text().c_str());
      break;
    case Property::Enabled:
      EnableWindow(hwnd_, control_.enabled());
      break;
    case Property::Visible:
      showChild(hwnd_, control_.visible());
      break;
    case Property::Bounds:
      place();
      break;
    case Property::Font:
      setFont(hwnd_);
      break;
    case Property::Hint:
      updateTooltip();
      break;
    case Property::Focus:
      takeFocus();
      break;
    default:
      break;
  }
}

DWORD WindowPeer::initiallyShown() const { return control_.visible() ? WS_VISIBLE : 0; }

void WindowPeer::place() { moveChild(hwnd_, rectOf(control_.bounds())); }

void WindowPeer::moveChild(HWND window, const RECT& at) {
  RECT now{};
  GetWindowRect(window, &now);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
  if (EqualRect(&now, &at)) return;
  MoveWindow(window, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
}

void WindowPeer::setFont(HWND window) const {
  const auto* label = dynamic_cast<const Label*>(&control_);
  HFONT font = context_.font(control_.bold(), label && label->isLink());
  // A window not yet shown is drawn when it is; redrawing it now is wasted.
  SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), IsWindowVisible(window));
}

void WindowPeer::updateTooltip() {
  FormPeer* form = formPeer();
  if (form && form != this) form->setTool(hwnd_, control_.shownHint());
}

// Programmatic focus. Only within the active window: SetFocus would activate
// a form in the background (or a hidden one). A form remembers its focused
// control and gives it the focus when it is activated.
void WindowPeer::takeFocus() {
  if (GetFocus() == hwnd_) return;
  if (GetActiveWindow() == GetAncestor(hwnd_, GA_ROOT) && IsWindowVisible(hwnd_) &&
      IsWindowEnabled(hwnd_))
    SetFocus(hwnd_);
}

HWND WindowPeer::parentWindow() const {
  WindowPeer* parent = fromControl(control_.parent());
  return parent ? parent->childParent() : nullptr;
}

FormPeer* WindowPeer::formPeer() const {
  Form* form = control_.form();
  return form ? dynamic_cast<FormPeer*>(form->peer()) : nullptr;
}

WindowPeer* WindowPeer::fromWindow(HWND hwnd) {
  if (!hwnd) return nullptr;
  const auto& peers = attachedPeers();
  const auto found = peers.find(hwnd);
  if (found != peers.end()) return found->second;
  // A window we do not subclass that reports to a peer (a spin edit's arrows).
  return static_cast<WindowPeer*>(GetPropA(hwnd, kPeerProperty));
}

WindowPeer* WindowPeer::fromControl(const Control* control) {
  return control ? dynamic_cast<WindowPeer*>(control->peer()) : nullptr;
}

HWND WindowPeer::createControl(const char* className, DWORD style, DWORD exStyle,
                               const char* text) {
  const Rect& b = control_.bounds();
  const auto id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId()));
  HWND hwnd =
      CreateWindowExA(exStyle, className, text, style | WS_CHILD | initiallyShown(), b.left, b.top,
                      b.width, b.height, parentWindow(), id, context_.instance(), nullptr);
  if (!hwnd) failedToCreate(control_);
  attach(hwnd);
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&subclassProc)));
  return hwnd;
}

HWND WindowPeer::createOwn(const char* className, DWORD style, DWORD exStyle, HWND parent,
                           const RECT& at) {
  const auto id = (style & WS_CHILD)
                      ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId()))
                      : nullptr;
  HWND hwnd = CreateWindowExA(exStyle, className, "", style, at.left, at.top, at.right - at.left,
                              at.bottom - at.top, parent, id, context_.instance(), this);
  if (!hwnd) failedToCreate(control_);
  return hwnd;
}

// The peer entry lets window procedures find us (until the window's last
// message); the name atom lets an outside program find the control.
void WindowPeer::attach(HWND hwnd) {
  hwnd_ = hwnd;
  attachedPeers()[hwnd] = this;
  if (control_.name().empty()) return;
  if (const ATOM atom = GlobalAddAtomA(control_.name().c_str()))
    SetPropA(hwnd, kNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(atom)));
}

LRESULT CALLBACK WindowPeer::classProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_NCCREATE) {
    auto* creating = static_cast<WindowPeer*>(reinterpret_cast<CREATESTRUCTA*>(l)->lpCreateParams);
    if (creating) creating->attach(hwnd);
  }
  return route(hwnd, msg, w, l);
}

LRESULT CALLBACK WindowPeer::subclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  return route(hwnd, msg, w, l);
}

LRESULT WindowPeer::route(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  WindowPeer* peer = fromWindow(hwnd);
  const LRESULT result = peer ? peer->dispatch(msg, w, l) : DefWindowProcA(hwnd, msg, w, l);
  if (msg == WM_NCDESTROY) attachedPeers().erase(hwnd);  // the handle may be reused from now on
  return result;
}

// The window-procedure boundary: no exception goes back into Windows. A
// detached peer's control is going away: nothing reaches it any more.
LRESULT WindowPeer::dispatch(UINT msg, WPARAM w, LPARAM l) {
  if (detached_ && msg != WM_NCDESTROY) return callDefault(msg, w, l);
  try {
    return handleMessage(msg, w, l);
  } catch (const std::exception& e) {
    report(e);
  } catch (...) {
    report(std::runtime_error("Unknown error"));
  }
  return 0;
}

void WindowPeer::report(const std::exception& e) const {
  Application* app = control_.application();
  if (!app) app = context_.application();
  if (app)
    app->handleException(e);
  else
    MessageBoxA(nullptr, e.what(), nullptr, MB_OK | MB_ICONERROR);
}

LRESULT WindowPeer::callDefault(UINT msg, WPARAM w, LPARAM l) {
  if (!hwnd_) return 0;
  return original_ ? CallWindowProcA(original_, hwnd_, msg, w, l)
                   : DefWindowProcA(hwnd_, msg, w, l);
}

LRESULT WindowPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return onButtonDown(MouseButton::Left, msg, w, l);
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      return onButtonDown(MouseButton::Right, msg, w, l);
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      return onButtonDown(MouseButton::Middle, msg, w, l);
    case WM_LBUTTONUP:
      return onButtonUp(MouseButton::Left, msg, w, l);
    case WM_RBUTTONUP:
      return onButtonUp(MouseButton::Right, msg, w, l);
    case WM_MBUTTONUP:
      return onButtonUp(MouseButton::Middle, msg, w, l);
    case WM_SETFOCUS:
      return onSetFocus(msg, w, l);
    case WM_NCDESTROY:
      return onNcDestroy(msg, w, l);
    default:
      return callDefault(msg, w, l);
  }
}

void WindowPeer::pressed(MouseButton button) {
  if (!buttonHeld(button)) return;
  buttonsDown_ |= bitOf(button);
  control_.userMouseDown(button);
}

void WindowPeer::released(MouseButton button) {
  if (!(buttonsDown_ & bitOf(button))) return;
  buttonsDown_ &= ~bitOf(button);
  control_.userMouseUp(button);
}

// OnMouseDown before the control's own handling, which may focus (OnEnter)
// and, for a button, wait for the release that clicks it.
LRESULT WindowPeer::onButtonDown(MouseButton button, UINT msg, WPARAM w, LPARAM l) {
  pressed(button);
  const LRESULT result = callDefault(msg, w, l);
  // A control that follows the mouse in a loop of its own (a list view's drag
  // detection) takes the release from the queue: report it here.
  if (!buttonHeld(button)) released(button);
  return result;
}

// OnMouseUp after the control's handling, which raises the click.
LRESULT WindowPeer::onButtonUp(MouseButton button, UINT msg, WPARAM w, LPARAM l) {
  const LRESULT result = callDefault(msg, w, l);
  released(button);
  return result;
}

LRESULT WindowPeer::onSetFocus(UINT msg, WPARAM w, LPARAM l) {
  const LRESULT result = callDefault(msg, w, l);
  control_.userFocus();
  return result;
}

LRESULT WindowPeer::onNcDestroy(UINT msg, WPARAM w, LPARAM l) {
  const LRESULT result = callDefault(msg, w, l);
  if (const auto atom =
          static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropA(hwnd_, kNameProperty))))
    GlobalDeleteAtom(atom);
  hwnd_ = nullptr;
  return result;
}

bool WindowPeer::isChildNotification(UINT msg) const {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_DRAWITEM:
      return true;
    default:
      return false;
  }
}

LRESULT WindowPeer::onChildNotification(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_COMMAND:
      return onChildCommand(w, l);
    case WM_NOTIFY:
      return onChildNotify(w, l);
    case WM_HSCROLL:
    case WM_VSCROLL:
      return onChildScroll(msg, w, l);
    case WM_DRAWITEM:
      return onChildDrawItem(w, l);
    default:
      return onChildColor(msg, w, l);
  }
}

LRESULT WindowPeer::onChildCommand(WPARAM w, LPARAM l) {
  WindowPeer* child = fromWindow(reinterpret_cast<HWND>(l));
  if (child && child->onCommand(HIWORD(w))) return 0;
  return callDefault(WM_COMMAND, w, l);
}

LRESULT WindowPeer::onChildNotify(WPARAM w, LPARAM l) {
  const auto* header = reinterpret_cast<const NMHDR*>(l);
  LRESULT result = 0;
  WindowPeer* child = header ? fromWindow(header->hwndFrom) : nullptr;
  if (child && child->onNotify(*header, &result)) return result;
  return callDefault(WM_NOTIFY, w, l);
}

LRESULT WindowPeer::onChildScroll(UINT msg, WPARAM w, LPARAM l) {
  WindowPeer* child = fromWindow(reinterpret_cast<HWND>(l));
  if (child && child->onScroll(LOWORD(w))) return 0;
  return callDefault(msg, w, l);
}

LRESULT WindowPeer::onChildColor(UINT msg, WPARAM w, LPARAM l) {
  WindowPeer* child = fromWindow(reinterpret_cast<HWND>(l));
  LRESULT result = 0;
  if (child && child->onColor(reinterpret_cast<HDC>(w), &result)) return result;
  return callDefault(msg, w, l);
}

LRESULT WindowPeer::onChildDrawItem(WPARAM w, LPARAM l) {
  const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
  WindowPeer* child = item && item->CtlType == ODT_BUTTON ? fromWindow(item->hwndItem) : nullptr;
  if (child && child->onDrawItem(*item)) return TRUE;
  return callDefault(WM_DRAWITEM, w, l);
}

}  // namespace kl::ui
