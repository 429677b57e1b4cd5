#pragma once
// Components without a window of their own: timers, the notification-area
// icon and the file dialogs.
#include <functional>
#include <string>

#include "ui/control.h"

namespace kl::ui {

class Application;
class PopupMenu;

class Timer {
 public:
  explicit Timer(Application& app) : app_(app) {}
  ~Timer();
  void setInterval(int ms);
  int interval() const { return interval_; }
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  std::function<void()> onTimer;
  // The backend calls this when the interval has passed.
  void elapsed();

 private:
  Application& app_;
  int interval_ = 1000;
  bool enabled_ = false;
};

// The icon in the notification area, with its popup menu.
class TrayIcon : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "TrayIcon"; }
  void setPopupMenu(PopupMenu* menu) { popup_ = menu; }
  PopupMenu* popupMenu() const { return popup_; }
  std::function<void()> onDblClick;
  void userDoubleClick() { guarded([&] { fire(onDblClick); }); }

 private:
  PopupMenu* popup_ = nullptr;
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
