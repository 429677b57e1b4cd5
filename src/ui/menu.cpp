#include "ui/menu.h"

namespace kl::ui {

std::string ShortCut::text() const {
  if (!virtualKey) return "";
  std::string key = virtualKey >= kVkF1 && virtualKey < kVkF1 + 12
                        ? "F" + std::to_string(virtualKey - kVkF1 + 1)
                        : std::string(1, static_cast<char>(virtualKey));
  return ctrl ? "Ctrl+" + key : key;
}

MenuItem::MenuItem(Control* parent, std::string name, std::string caption, ShortCut shortcut,
                   std::string hint)
    : Control(parent, std::move(name)), shortcut_(shortcut) {
  setText(caption);
  setHint(hint);
}

void MenuItem::setChecked(bool checked) {
  checked_ = checked;
  notify(Property::Checked);
}

void MenuItem::setDefault(bool isDefault) {
  default_ = isDefault;
  notify(Property::Checked);
}

static MenuItem* searchItems(Control& menu, const ShortCut& shortcut) {
  for (Control* child : menu.children()) {
    auto* item = dynamic_cast<MenuItem*>(child);
    if (!item) continue;
    if (item->shortcut() == shortcut) return item;
    if (MenuItem* inner = searchItems(*item, shortcut)) return inner;
  }
  return nullptr;
}

MenuItem* MenuItem::findShortcut(const ShortCut& shortcut) { return searchItems(*this, shortcut); }

MenuItem* MainMenu::findShortcut(const ShortCut& shortcut) { return searchItems(*this, shortcut); }

MenuItem* PopupMenu::defaultItem() const {
  for (Control* child : children())
    if (auto* item = dynamic_cast<MenuItem*>(child); item && item->isDefault()) return item;
  return nullptr;
}

void PopupMenu::popup(int x, int y) {
  fire(onPopup);
  x_ = x;
  y_ = y;
  notify(Property::Visible);
}

}  // namespace kl::ui
