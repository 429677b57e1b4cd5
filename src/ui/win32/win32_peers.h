#pragma once
// The Win32 peers, one class per control kind. Each shows its control's
// state in standard windows and turns what the user does there into the
// control's user*() calls. Internal to src/ui/win32.
#include <windows.h>
// COM's IUnknown, which WIN32_LEAN_AND_MEAN leaves out.
#include <unknwn.h>

#include <map>
#include <memory>
#include <string>

#include "ui/application.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/win32/win32_window.h"

namespace kl::ui {

class Win32Backend;

// Creates the peer of a control; null for a kind we do not know.
std::unique_ptr<Peer> createWin32Peer(Win32Context& context, Control& control);

class FormPeer : public WindowPeer {
 public:
  FormPeer(Win32Context& context, Control& control);
  ~FormPeer() override;
  Form& form() const { return static_cast<Form&>(control_); }
  // Adds, replaces or (empty text) removes the tooltip of a control window.
  void setTool(HWND tool, const std::string& text);
  // Hands a mouse message of this form's windows to its tooltip, for the
  // control under the pointer, disabled ones included.
  void relayToTooltip(const MSG& msg);
  // Puts the form's main menu, if it has a realised one, on the window.
  void attachMenu();
  // The window that was active when the form became modal.
  HWND activeBeforeModal() const { return activeBeforeModal_; }
  // Whether the window should take input: the form enabled and not held.
  bool takesInput() const;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l) override;
  void place() override;

 private:
  DWORD style() const;
  DWORD exStyle() const;
  RECT windowRect() const;
  void show();
  void toFront();
  void showEnabled();
  void showWindowState();
  void applyAlpha();
  void showDefaultButton();
  HWND ensureTooltips();
  LRESULT onCommand(WPARAM w, LPARAM l);
  LRESULT onClose();
  LRESULT onActivate(UINT msg, WPARAM w, LPARAM l);
  LRESULT onSize(UINT msg, WPARAM w, LPARAM l);
  LRESULT onSysCommand(UINT msg, WPARAM w, LPARAM l);
  LRESULT onGetDefId();
  LRESULT onSetDefId(WPARAM id);
  LRESULT onCopyData(LPARAM l);
  int defaultButtonId() const;
  void restoreFocus();
  static LRESULT CALLBACK tooltipProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  HWND tooltips_ = nullptr;
  HWND activeBeforeModal_ = nullptr;
  // While we size the window ourselves its WM_SIZE is not the user's.
  bool placing_ = false;
};

// The window under a screen point that a control's hint belongs to: the
// window Windows gives the mouse to, or, where that is a disabled control
// (or one inside a disabled container), that control.
HWND hintWindowAt(POINT screen);

// Group boxes, tab sheets: a window of our container class that passes the
// notifications of its children to their peers. A group box adds a
// BS_GROUPBOX button filling it, which draws the frame and caption.
class ContainerPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l) override;
  void place() override;

 private:
  HWND frame_ = nullptr;
};

class PageControlPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  PageControl& pages() const { return static_cast<PageControl&>(control_); }
  // Brings the tabs in line with the pages' captions; shows the active page
  // again when a tab changed.
  void pagesChanged();
  void showActivePage();
  RECT displayArea() const;
  bool onNotify(const NMHDR& header, LRESULT* result) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  void place() override;

 private:
  std::string tabText(int index) const;
};

// Made hidden; the page control shows it first, once the windows of the
// controls inside are made (each would be drawn as it came otherwise).
class TabSheetPeer : public ContainerPeer {
 public:
  using ContainerPeer::ContainerPeer;
  // Fills the page control's display area, shown only when it is the active page.
  void showIfActive();

 protected:
  void createWindow() override;
  void sync(Property what) override;
  void place() override;

 private:
  PageControlPeer* pageControl() const;
  bool shownByPages_ = false;  // the page control has placed and shown it once
};

// The browser control of Internet Explorer (WebBrowser) hosted by atl.dll's
// "AtlAxWin" window. Where no HTML engine is available, a read-only text
// shows the document's path and why it is not shown; its history is kept
// here then.
class HtmlBrowserPeer : public ContainerPeer, public BrowserPeer {
 public:
  using ContainerPeer::ContainerPeer;
  ~HtmlBrowserPeer() override;
  bool goBack() override;
  void detach() override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  void place() override;

 private:
  void createEngine();
  void createFallback();
  void navigate();
  void showFallbackPage();
  void releaseEngine();
  HWND view_ = nullptr;          // the AtlAxWin host or the fallback text
  IUnknown* engine_ = nullptr;   // the IWebBrowser2 of the hosted control
  PageHistory fallbackHistory_;  // the pages the fallback text has shown
};

// Label, Bevel. A link label draws its text in the link colour (through
// the parent's WM_CTLCOLORSTATIC) and shows the hand pointer.
class StaticPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  bool onCommand(UINT code) override;
  bool onColor(HDC dc, LRESULT* result) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l) override;

 private:
  bool isLink() const;
};

class ImagePeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~ImagePeer() override;

 protected:
  void createWindow() override;
  void sync(Property what) override;

 private:
  void showPicture();
  HBITMAP bitmap_ = nullptr;
};

class ButtonPeer : public WindowPeer {  // Button, CheckBox
 public:
  using WindowPeer::WindowPeer;
  bool onCommand(UINT code) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;

 private:
  void showState();
  bool isDefault() const;
};

// Flat, never takes the focus: it follows the mouse itself, since the
// button class focuses on every press. With a glyph it is drawn by us
// (BS_OWNERDRAW): the caption, then the glyph to its right.
class SpeedButtonPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~SpeedButtonPeer() override;
  bool onDrawItem(const DRAWITEMSTRUCT& item) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l) override;

 private:
  void showPicture();
  void drawCaption(HDC dc, const RECT& area, bool disabled) const;
  LRESULT onPress();
  LRESULT onMove(UINT msg, WPARAM w, LPARAM l);
  LRESULT onRelease(UINT msg, WPARAM w, LPARAM l);
  LRESULT onCaptureLost(UINT msg, WPARAM w, LPARAM l);
  bool pointerInside(LPARAM l) const;
  HBITMAP bitmap_ = nullptr;
  bool tracking_ = false;
};

class ComboBoxPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ComboBox& combo() const { return static_cast<ComboBox&>(control_); }
  bool onCommand(UINT code) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  // The window's height includes the dropped-down list, up to eight rows.
  void place() override;

 private:
  void showItems();
  void showItemIndex();
  // Where the window was put last: its own rectangle leaves the list out.
  RECT placed_{};
};

class TrackBarPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  TrackBar& track() const { return static_cast<TrackBar&>(control_); }
  bool onScroll(UINT code) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;

 private:
  void showRange();
  void showPosition();
};

// An EDIT with an up-down buddy; every change of value, typed or from the
// arrows, arrives as the edit's EN_CHANGE.
// With the editor off the EDIT is read-only (drawn as an ordinary one) and
// the arrows step the control itself (UDN_DELTAPOS), so no typing reaches it.
class SpinEditPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~SpinEditPeer() override;
  SpinEdit& spin() const { return static_cast<SpinEdit&>(control_); }
  bool onCommand(UINT code) override;
  bool onNotify(const NMHDR& header, LRESULT* result) override;
  bool onColor(HDC dc, LRESULT* result) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  void place() override;

 private:
  bool textValue(int* value) const;
  void showValue();
  HWND updown_ = nullptr;
};

class EditPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  bool onCommand(UINT code) override;

 protected:
  void createWindow() override;
};

// A list view in report mode without a header, with check boxes.
class CheckListBoxPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  CheckListBox& list() const { return static_cast<CheckListBox&>(control_); }
  bool onNotify(const NMHDR& header, LRESULT* result) override;

 protected:
  void createWindow() override;
  void sync(Property what) override;

 private:
  void showItems();
  void showChecks();
  void showCheck(int index);
};

class ProgressBarPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;

 protected:
  void createWindow() override;
  void sync(Property what) override;

 private:
  void showStyle();
};

// Docks itself at the bottom of its parent, as status bars do.
class StatusBarPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  void parentResized() override;

 protected:
  void createWindow() override;
  void sync(Property what) override;
  void place() override;

 private:
  void showPanels();
};

// The hidden window that receives the notification-area icon's messages.
// It stays until the program ends: WM_CLOSE from another program does not
// destroy it.
class TrayIconPeer : public WindowPeer {
 public:
  using WindowPeer::WindowPeer;
  ~TrayIconPeer() override;
  TrayIcon& tray() const { return static_cast<TrayIcon&>(control_); }

 protected:
  void createWindow() override;
  void sync(Property what) override;
  LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l) override;

 private:
  bool notify(DWORD action);
  LRESULT onIconMessage(LPARAM l);
  LRESULT onTaskbarCreated();
  void showPopup();
  HWND mainWindow() const;
  bool added_ = false;
  UINT taskbarCreated_ = 0;
};

// Menus: an HMENU built from the MenuItem tree, rebuilt when an item changes.
class MenuPeer : public Peer {
 public:
  MenuPeer(Win32Context& context, Control& menu) : context_(context), menu_(menu) {}
  ~MenuPeer() override;
  // The item with this command identifier, or null.
  MenuItem* item(UINT id) const;
  virtual void itemsChanged() {}

 protected:
  HMENU build(bool popup);
  Win32Context& context_;
  Control& menu_;

 private:
  void append(HMENU into, Control& parent);
  std::map<MenuItem*, UINT> ids_;
};

class MainMenuPeer : public MenuPeer {
 public:
  MainMenuPeer(Win32Context& context, Control& menu);
  ~MainMenuPeer() override;
  void changed(Property) override { itemsChanged(); }
  void itemsChanged() override;
  HMENU handle() const { return handle_; }

 private:
  HMENU handle_ = nullptr;
};

class PopupMenuPeer : public MenuPeer {
 public:
  using MenuPeer::MenuPeer;
  void changed(Property what) override;

 private:
  HWND owner() const;
  void track();
};

// Menu items have no window: a change rebuilds the menu holding them.
class MenuItemPeer : public Peer {
 public:
  explicit MenuItemPeer(Control& item);
  void changed(Property) override;
  static MenuPeer* menuOf(Control& item);

 private:
  Control& item_;
};

}  // namespace kl::ui
