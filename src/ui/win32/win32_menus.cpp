// Main and popup menus, and the notification-area icon.
#include <windows.h>
// The shell's declarations need <windows.h> first.
#include <shellapi.h>

#include <cstring>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kTrayIconId = 1;
constexpr const char* kTrayWindowClass = "KesTrayWindow";

bool hasItems(const Control& item) {
  for (const Control* child : item.children())
    if (dynamic_cast<const MenuItem*>(child)) return true;
  return false;
}

std::string captionOf(const MenuItem& item) {
  const std::string shortcut = item.shortcut().text();
  return shortcut.empty() ? item.text() : item.text() + "\t" + shortcut;
}

FormPeer* formPeerOf(Control& control) {
  Form* form = control.form();
  return form ? dynamic_cast<FormPeer*>(form->peer()) : nullptr;
}

}  // namespace

MenuPeer::~MenuPeer() = default;

MenuItem* MenuPeer::item(UINT id) const {
  for (const auto& [item, itemId] : ids_)
    if (itemId == id) return item;
  return nullptr;
}

HMENU MenuPeer::build(bool popup) {
  HMENU menu = popup ? CreatePopupMenu() : CreateMenu();
  append(menu, menu_);
  return menu;
}

// A caption "-" is a separator; an item with items is a submenu. Each item
// keeps its command identifier across rebuilds.
void MenuPeer::append(HMENU into, Control& parent) {
  for (Control* child : parent.children()) {
    auto* item = dynamic_cast<MenuItem*>(child);
    if (!item || !item->visible()) continue;
    if (item->text() == "-") {
      AppendMenuA(into, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT flags =
        MF_STRING | (item->enabled() ? 0 : MF_GRAYED) | (item->checked() ? MF_CHECKED : 0);
    if (hasItems(*item)) {
      HMENU submenu = CreatePopupMenu();
      append(submenu, *item);
      AppendMenuA(into, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu),
                  captionOf(*item).c_str());
      continue;
    }
    auto [at, added] = ids_.emplace(item, 0);
    if (added) at->second = static_cast<UINT>(context_.nextId());
    AppendMenuA(into, flags, at->second, captionOf(*item).c_str());
    if (item->isDefault()) SetMenuDefaultItem(into, at->second, FALSE);
  }
}

MainMenuPeer::MainMenuPeer(Win32Context& context, Control& menu) : MenuPeer(context, menu) {
  handle_ = build(false);
}

// By now the form's window may have gone, and the menu with it.
MainMenuPeer::~MainMenuPeer() {
  FormPeer* form = formPeerOf(menu_);
  if (form && form->hwnd() && GetMenu(form->hwnd()) == handle_) SetMenu(form->hwnd(), nullptr);
  if (handle_ && IsMenu(handle_)) DestroyMenu(handle_);
}

void MainMenuPeer::itemsChanged() {
  HMENU old = handle_;
  handle_ = build(false);
  FormPeer* form = formPeerOf(menu_);
  if (form) form->attachMenu();
  if (old && !(form && form->hwnd() && GetMenu(form->hwnd()) == old)) DestroyMenu(old);
}

void PopupMenuPeer::changed(Property what) {
  if (what == Property::Visible) track();
}

// The window of the menu's form, else the active window.
HWND PopupMenuPeer::owner() const {
  FormPeer* form = formPeerOf(menu_);
  if (form && form->hwnd()) return form->hwnd();
  return GetActiveWindow();
}

// TPM_RETURNCMD: the chosen item comes back here rather than as a
// WM_COMMAND to a window that may not know the menu.
void PopupMenuPeer::track() {
  HWND owner = this->owner();
  if (!owner) return;
  HMENU menu = build(true);
  auto& popup = static_cast<PopupMenu&>(menu_);
  const auto id =
      static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY,
                                       popup.popupX(), popup.popupY(), 0, owner, nullptr));
  DestroyMenu(menu);
  // The empty message lets a menu opened from the tray close properly.
  PostMessageA(owner, WM_NULL, 0, 0);
  if (MenuItem* chosen = item(id)) chosen->userClick();
}

MenuItemPeer::MenuItemPeer(Control& item) : item_(item) {
  if (MenuPeer* menu = menuOf(item_)) menu->itemsChanged();
}

void MenuItemPeer::changed(Property) {
  if (MenuPeer* menu = menuOf(item_)) menu->itemsChanged();
}

MenuPeer* MenuItemPeer::menuOf(Control& item) {
  for (Control* c = item.parent(); c; c = c->parent())
    if (!dynamic_cast<MenuItem*>(c)) return dynamic_cast<MenuPeer*>(c->peer());
  return nullptr;
}

TrayIconPeer::~TrayIconPeer() {
  if (added_) notify(NIM_DELETE);
}

void TrayIconPeer::createWindow() {
  // A hidden top-level window, not a message-only one: only top-level
  // windows hear the shell's "TaskbarCreated" broadcast.
  taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
  context_.ensureClass(kTrayWindowClass);
  createOwn(kTrayWindowClass, WS_POPUP, WS_EX_TOOLWINDOW, nullptr, RECT{0, 0, 0, 0});
}

void TrayIconPeer::sync(Property what) {
  switch (what) {
    case Property::Visible:
      if (control_.visible() && !added_) added_ = notify(NIM_ADD);
      if (!control_.visible() && added_) added_ = !notify(NIM_DELETE);
      break;
    case Property::Text:
    case Property::Hint:
      if (added_) notify(NIM_MODIFY);
      break;
    default:  // the window itself stays hidden
      break;
  }
}

// The structure of the Windows 2000 shell (version 5), whose tip holds
// 128 characters with the terminating NUL.
bool TrayIconPeer::notify(DWORD action) {
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = hwnd_;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayMessage;
  data.hIcon = context_.programIcon();
  static_assert(sizeof data.szTip > TrayIcon::kMaxTip);
  const std::string tip = tray().tip();
  std::memcpy(data.szTip, tip.c_str(), tip.size() + 1);
  return Shell_NotifyIconA(action, &data) != FALSE;
}

LRESULT TrayIconPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  if (msg == kTrayMessage) return onIconMessage(l);
  if (msg == taskbarCreated_ && taskbarCreated_) return onTaskbarCreated();
  switch (msg) {
    case WM_CLOSE:
      return 0;
    case WM_SETFOCUS:  // brought forward for the menu: no control of the form gets the focus
      return callDefault(msg, w, l);
    default:
      return WindowPeer::handleMessage(msg, w, l);
  }
}

LRESULT TrayIconPeer::onIconMessage(LPARAM l) {
  switch (static_cast<UINT>(l)) {
    case WM_RBUTTONUP:
      showPopup();
      break;
    case WM_LBUTTONDBLCLK:
      tray().userDoubleClick();
      break;
    default:
      break;
  }
  return 0;
}

HWND TrayIconPeer::mainWindow() const {
  const Application* app = context_.application();
  WindowPeer* main = app ? fromControl(app->mainForm()) : nullptr;
  return main ? main->hwnd() : nullptr;
}

// The menu closes when the user clicks elsewhere only if the program is in
// the foreground while it is up: our hidden window, then the main window.
// While a modal dialog holds the program nothing happens at all.
void TrayIconPeer::showPopup() {
  if (!tray().takesCommands() || !tray().popupMenu()) return;
  POINT at{};
  GetCursorPos(&at);
  SetForegroundWindow(hwnd_);
  if (HWND main = mainWindow()) SetForegroundWindow(main);
  tray().userRightClick(at.x, at.y);
}

// Explorer restarted: the icon must be added again.
LRESULT TrayIconPeer::onTaskbarCreated() {
  added_ = false;
  if (control_.visible()) added_ = notify(NIM_ADD);
  return 0;
}

}  // namespace kl::ui
