#pragma once
// The base of every Win32 peer that owns a window: creates it, marks it with
// the control's name, subclasses standard controls, reports mouse presses and
// focus to the control, and routes the notifications Windows sends to a
// container on behalf of its children back to the child's peer.
#include <windows.h>

#include <exception>
#include <string>

#include "ui/control.h"
#include "ui/win32/win32_context.h"

namespace kl::ui {

class FormPeer;

class WindowPeer : public Peer {
 public:
  WindowPeer(Win32Context& context, Control& control);
  ~WindowPeer() override;
  WindowPeer(const WindowPeer&) = delete;
  WindowPeer& operator=(const WindowPeer&) = delete;

  // Creates the window and shows the control's whole state; called once,
  // right after construction.
  void open();
  void changed(Property what) override;
  // From now on the window's messages get the default handling only.
  void detach() override { detached_ = true; }

  // The peer's main window; null once Windows has destroyed it.
  HWND hwnd() const { return hwnd_; }
  Control& control() const { return control_; }
  // Where the windows of child controls are created.
  virtual HWND childParent() const { return hwnd_; }

  // Notifications Windows sends to the parent about this control, routed
  // here by the container that received them. True when handled.
  virtual bool onCommand(UINT /*code*/) { return false; }
  virtual bool onNotify(const NMHDR& /*header*/, LRESULT* /*result*/) { return false; }
  virtual bool onScroll(UINT /*code*/) { return false; }
  virtual bool onColor(HDC /*dc*/, LRESULT* /*result*/) { return false; }
  // An owner-drawn control is to be drawn. True when drawn.
  virtual bool onDrawItem(const DRAWITEMSTRUCT& /*item*/) { return false; }
  // The parent window changed size (docked controls follow it).
  virtual void parentResized() {}

  static WindowPeer* fromWindow(HWND hwnd);
  static WindowPeer* fromControl(const Control* control);
  // Window procedure of our own window classes (forms, containers).
  static LRESULT CALLBACK classProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

 protected:
  virtual void createWindow() = 0;
  // Shows one property of the control's state in the window.
  virtual void sync(Property what);
  virtual LRESULT handleMessage(UINT msg, WPARAM w, LPARAM l);
  // Moves the window to the control's bounds.
  virtual void place();
  // Moves a child window to `at` (in its parent's client coordinates) unless
  // it is there already: each move is a trip to the window manager.
  static void moveChild(HWND window, const RECT& at);

  // A standard control, child of the parent's container window at the
  // control's bounds, marked and subclassed. A control whose window text is
  // its caption gets it at creation: setting it afterwards is one more trip
  // to the window manager for each of some three hundred controls. So does
  // showing it: it is made visible when the control is (initiallyShown).
  HWND createControl(const char* className, DWORD style, DWORD exStyle = 0, const char* text = "");
  // A window of one of our own classes; `parent` null for a top-level one.
  HWND createOwn(const char* className, DWORD style, DWORD exStyle, HWND parent, const RECT& at);
  HWND parentWindow() const;
  // WS_VISIBLE for a child window made while the control is visible.
  DWORD initiallyShown() const;
  FormPeer* formPeer() const;
  LRESULT callDefault(UINT msg, WPARAM w, LPARAM l);
  void setFont(HWND window) const;
  // Hands an error raised inside a window procedure to the application.
  void report(const std::exception& e) const;
  // A press of a button that is really down (not one Windows synthesises
  // for a keyboard action): OnMouseDown. Its release: OnMouseUp.
  void pressed(MouseButton button);
  void released(MouseButton button);

  // For container windows: the notifications of their children.
  bool isChildNotification(UINT msg) const;
  LRESULT onChildNotification(UINT msg, WPARAM w, LPARAM l);

  Win32Context& context_;
  Control& control_;
  HWND hwnd_ = nullptr;

 private:
  void attach(HWND hwnd);
  LRESULT dispatch(UINT msg, WPARAM w, LPARAM l);
  LRESULT onButtonDown(MouseButton button, UINT msg, WPARAM w, LPARAM l);
  LRESULT onButtonUp(MouseButton button, UINT msg, WPARAM w, LPARAM l);
  LRESULT onSetFocus(UINT msg, WPARAM w, LPARAM l);
  LRESULT onNcDestroy(UINT msg, WPARAM w, LPARAM l);
  LRESULT onChildCommand(WPARAM w, LPARAM l);
  LRESULT onChildNotify(WPARAM w, LPARAM l);
  LRESULT onChildScroll(UINT msg, WPARAM w, LPARAM l);
  LRESULT onChildColor(UINT msg, WPARAM w, LPARAM l);
  LRESULT onChildDrawItem(WPARAM w, LPARAM l);
  void updateTooltip();
  void takeFocus();
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
  // Both procedures: the message to the window's peer, or to DefWindowProc.
  static LRESULT route(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  WNDPROC original_ = nullptr;  // the class procedure of a subclassed control
  unsigned buttonsDown_ = 0;    // presses reported, their release still to come
  bool detached_ = false;
};

std::string windowText(HWND hwnd);
// Shows (without activating) or hides a child window, unless its own
// WS_VISIBLE says it is so already: each call is a trip to the window manager.
void showChild(HWND window, bool shown);
RECT rectOf(const Rect& bounds);

}  // namespace kl::ui
