#pragma once
// Components without a window of their own: timers, the notification-area
// icon and the file dialogs.
#include <functional>
#include <string>

#include "ui/control.h"

namespace kl::ui {

class Application;
class PopupMenu;

// Runs OnTimer every `interval` milliseconds while enabled; an interval of
// 0 never fires. A timer stops when it is destroyed, so a timer that is a
// member of a form stops when the form goes. A handler that raises stops
// its timer, then its error is shown, once; the program may start it again.
class Timer {
 public:
  explicit Timer(Application& app) : app_(app) {}
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  void setInterval(int ms);
  int interval() const { return interval_; }
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  // Enabled with an interval above 0: the backend runs it.
  bool running() const { return enabled_ && interval_ > 0; }
  std::function<void()> onTimer;
  // The backend calls this when the interval has passed.
  void elapsed();

 private:
  Application& app_;
  int interval_ = 1000;
  bool enabled_ = false;
};

// The icon in the notification area, with its popup menu; present while
// it is visible (the default), from the moment its form is realised.
class TrayIcon : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "TrayIcon"; }
  static constexpr std::size_t kMaxTip = 127;  // what the shell takes
  void setPopupMenu(PopupMenu* menu) { popup_ = menu; }
  PopupMenu* popupMenu() const { return popup_; }
  // Minimising the application hides the main form to this icon.
  void setMinimizeToTray(bool on) { minimizeToTray_ = on; }
  bool minimizeToTray() const { return minimizeToTray_; }
  // The icon's tip: the short part of the hint, or the text when there is
  // no hint, cut to kMaxTip characters.
  std::string tip() const;
  std::function<void()> onDblClick;

  // False while a modal dialog holds the program: then the icon's mouse
  // actions do nothing at all.
  bool takesCommands() const;
  // The right button over the icon: the popup menu at (x, y), the cursor.
  void userRightClick(int x, int y);
  // A double-click: OnDblClick, then the popup menu's default item if it
  // has one.
  void userDoubleClick();

 private:
  PopupMenu* popup_ = nullptr;
  bool minimizeToTray_ = false;
};

enum class FileDialogKind { Open, Save };

struct FileDialogOptions {
  bool overwritePrompt = false;
  bool hideReadOnly = false;
  bool pathMustExist = false;
  bool fileMustExist = false;
  bool enableSizing = true;
};

// The common open and save dialogs. The filter is written "Text|*.ext".
class FileDialog {
 public:
  FileDialog(Application& app, FileDialogKind kind) : app_(app), kind_(kind) {}
  FileDialogKind kind() const { return kind_; }
  std::string title, filter, defaultExt, initialDir, fileName;
  FileDialogOptions options;
  // True when the user chose a file; fileName then holds it.
  bool execute();

 private:
  Application& app_;
  FileDialogKind kind_;
};

}  // namespace kl::ui
