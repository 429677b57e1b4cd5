#pragma once
// How testers find controls. Every window made for a control, forms included,
// carries the control's name (e.g. "checkVSync") as a global atom in the
// window property "Kestrelune.Name":
//   ATOM atom = (ATOM)(ULONG_PTR)GetPropA(hwnd, "Kestrelune.Name");
//   char name[256]; GlobalGetAtomNameA(atom, name, sizeof name);
// Find the form among the top-level windows (EnumWindows; its window class is
// the form's, e.g. "TMainForm"), then the control with EnumChildWindows on it.
// The controls of a page control's page have windows once the page has been
// shown (its tab clicked); until then they are not there to find.
// Controls are standard windows (BUTTON, COMBOBOX, msctls_trackbar32, ...):
// drive them with real input or their usual messages. A spin edit's name is on
// its EDIT; a group box's and a tab sheet's on the container holding their controls;
// an HTML browser's on its container, whose child is the "AtlAxWin" host of the
// WebBrowser control or, where the system has no HTML engine, a read-only EDIT
// whose text starts with the document's path. A speed button is a BUTTON,
// owner-drawn when it has a glyph (the caption, the glyph to its right).
//
// The Win32 backend: every control a real standard window, the message loop
// with the dialog manager's keyboard handling, message boxes, file dialogs
// and timers. This header does not include <windows.h>.
#include <memory>
#include <string>

#include "ui/application.h"

namespace kl::ui {

class Win32Context;

class Win32Backend : public Backend {
 public:
  // `instance` is the HINSTANCE of the module whose resources (bitmaps, the
  // program icon) the controls use. Initialises the common controls.
  explicit Win32Backend(void* instance);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  // Throws std::invalid_argument for a control kind it has no window for.
  std::unique_ptr<Peer> createPeer(Control& control) override;
  void runMessageLoop(Application& app) override;
  // Runs until the form closes or the program ends; then the window that
  // was active before it is activated again.
  void runModalLoop(Form& form) override;
  // Owned by the active form; an empty caption is the system's own.
  int messageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  bool runFileDialog(FileDialog& dialog) override;
  void timerChanged(Timer& timer) override;
  // Posts the quit message that ends the message loop.
  void terminate() override;
  // ShellExecuteA with the verb "open" and the normal show state.
  void shellOpen(const std::string& target) override;
  int runningTimers() const;

  // Handles the messages already waiting, as the message loop does. Returns
  // false when it met the quit message (which it posts again for the loop).
  bool processMessages();
  // The window (HWND) showing a control; null before the control is realised.
  static void* windowOf(const Control& control);

 private:
  struct Impl;
  std::unique_ptr<Win32Context> context_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kl::ui
