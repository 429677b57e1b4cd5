#pragma once
// What the six setting pages share: the "modified" event their controls
// raise, the two handlers that raise it, and the builders of their groups of
// bound check boxes.
#include <functional>
#include <string>
#include <vector>

#include "ui/layout.h"

namespace kl::settings {

class SettingPage {
 public:
  explicit SettingPage(ui::TabSheet& sheet) : sheet_(sheet) {}
  SettingPage(const SettingPage&) = delete;
  SettingPage& operator=(const SettingPage&) = delete;
  virtual ~SettingPage() = default;

  ui::TabSheet& sheet() { return sheet_; }

  // Raised by the user's input on a setting control; the main window
  // connects it to its modified marker.
  std::function<void()> onModified;

  // A mouse press (any button) on a bound check box.
  void checkVSyncMouseDown(ui::MouseButton) { modified(); }
  // The focus entering a value control.
  void comboAnisoD3DEnter() { modified(); }

 protected:
  void modified() {
    if (onModified) onModified();
  }

 private:
  ui::TabSheet& sheet_;
};

// Shared by the page builders.
namespace pages {

enum class HintDisplay { Shown, Hidden };

// A check box that is a binding of its own.
struct BoxEntry {
  const char* name;
  const char* caption;
  const char* hint;
};

constexpr int kRowPitch = 18;
constexpr int kBoxHeight = 17;
constexpr int kFirstRow = 20;  // below a group's caption

inline void giveHint(ui::Control& control, const std::string& hint, HintDisplay display) {
  control.setHint(hint);
  control.setShowHint(display == HintDisplay::Shown);
}

inline ui::GroupBox& group(ui::Control& parent, const std::string& name, const std::string& caption,
                           ui::Rect bounds) {
  return ui::place<ui::GroupBox>(parent, name, caption, bounds);
}

// A bound check box: three states, and a mouse press marks the window modified.
inline ui::CheckBox& settingBox(SettingPage& page, ui::Control& parent, const BoxEntry& entry,
                                ui::Rect bounds, HintDisplay display = HintDisplay::Shown) {
  auto& box = ui::place<ui::CheckBox>(parent, entry.name, entry.caption, bounds);
  box.setAllowGrayed(true);
  giveHint(box, entry.hint, display);
  box.onMouseDown = [&page](ui::MouseButton b) { page.checkVSyncMouseDown(b); };
  return box;
}

// The height of a group holding `rows` rows of check boxes.
constexpr int boxGroupHeight(int rows) { return kFirstRow + rows * kRowPitch + 8; }

// A group of bound check boxes in `columns` columns, filled top to bottom
// and then left to right.
inline ui::GroupBox& boxGroup(SettingPage& page, const std::string& name, const std::string& caption,
                              ui::Rect bounds, const std::vector<BoxEntry>& boxes, int columns = 1,
                              HintDisplay display = HintDisplay::Shown) {
  auto& g = group(page.sheet(), name, caption, bounds);
  const int rows = (static_cast<int>(boxes.size()) + columns - 1) / columns;
  const int width = (bounds.width - 24) / columns;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    settingBox(page, g, boxes[i],
               {12 + column * width, kFirstRow + row * kRowPitch, width - 4, kBoxHeight}, display);
  }
  return g;
}

}  // namespace pages
}  // namespace kl::settings
