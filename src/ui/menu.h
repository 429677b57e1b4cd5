#pragma once
// Menus: a main menu bar or a popup menu, holding items with captions,
// shortcuts and hints.
#include <functional>
#include <string>

#include "ui/control.h"

namespace kl::ui {

constexpr unsigned kVkF1 = 0x70;

struct ShortCut {
  unsigned virtualKey = 0;  // 'O', 'S', kVkF1, ...; 0 for none
  bool ctrl = false;
  bool operator==(const ShortCut& o) const { return virtualKey == o.virtualKey && ctrl == o.ctrl; }
  // "Ctrl+O", "F1", or "".
  std::string text() const;
};

inline ShortCut ctrlKey(char letter) { return ShortCut{static_cast<unsigned>(letter), true}; }

class MenuItem : public Control {
 public:
  MenuItem(Control* parent, std::string name, std::string caption, ShortCut shortcut = {},
           std::string hint = "");
  const char* kind() const override { return "MenuItem"; }
  const ShortCut& shortcut() const { return shortcut_; }
  void setChecked(bool checked);
  bool checked() const { return checked_; }
  // The popup menu's default item, drawn bold, which a double-click on
  // the menu's tray icon runs.
  void setDefault(bool isDefault);
  bool isDefault() const { return default_; }
  MenuItem* findShortcut(const ShortCut& shortcut);

 private:
  ShortCut shortcut_;
  bool checked_ = false, default_ = false;
};

// The items of a menu are its MenuItem children; an item with children is
// a submenu.
class MainMenu : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "MainMenu"; }
  MenuItem* findShortcut(const ShortCut& shortcut);
};

class PopupMenu : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "PopupMenu"; }
  // Shows the menu at a screen position (the peer tracks it), after
  // OnPopup, which may change the items first.
  void popup(int x, int y);
  std::function<void()> onPopup;
  int popupX() const { return x_; }
  int popupY() const { return y_; }
  // The first of its items marked as the default, or null.
  MenuItem* defaultItem() const;

 private:
  int x_ = 0, y_ = 0;
};

}  // namespace kl::ui
