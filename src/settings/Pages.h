#pragma once
// The setting pages of the main window. Each builder creates its pages'
// groups and controls in their design state, keeps on the window the
// pointers that start-up and the value rules use, and wires the handlers
// that mark the window modified and keep the value labels up to date.
#include <string>
#include <vector>

#include "app/MainProg.h"
#include "ui/layout.h"

namespace kl::settings {

// "DirectX" and "DirectX Advanced".
void buildDirectXPages(app::TMainForm& form);
// "OpenGL" and "OpenGL Private".
void buildOpenGLPages(app::TMainForm& form);
// "DVD" and "Windows GUI".
void buildDesktopPages(app::TMainForm& form);

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
inline ui::CheckBox& settingBox(app::TMainForm& form, ui::Control& parent, const BoxEntry& entry,
                                ui::Rect bounds, HintDisplay display = HintDisplay::Shown) {
  auto& box = ui::place<ui::CheckBox>(parent, entry.name, entry.caption, bounds);
  box.setAllowGrayed(true);
  giveHint(box, entry.hint, display);
  box.onMouseDown = [&form](ui::MouseButton b) { form.checkVSyncMouseDown(b); };
  return box;
}

// The height of a group holding `rows` rows of check boxes.
constexpr int boxGroupHeight(int rows) { return kFirstRow + rows * kRowPitch + 8; }

// A group of bound check boxes in `columns` columns, filled top to bottom
// and then left to right.
inline ui::GroupBox& boxGroup(app::TMainForm& form, ui::Control& page, const std::string& name,
                              const std::string& caption, ui::Rect bounds,
                              const std::vector<BoxEntry>& boxes, int columns = 1,
                              HintDisplay display = HintDisplay::Shown) {
  auto& g = group(page, name, caption, bounds);
  const int rows = (static_cast<int>(boxes.size()) + columns - 1) / columns;
  const int width = (bounds.width - 24) / columns;
  for (std::size_t i = 0; i < boxes.size(); ++i) {
    const int column = static_cast<int>(i) / rows, row = static_cast<int>(i) % rows;
    settingBox(form, g, boxes[i],
               {12 + column * width, kFirstRow + row * kRowPitch, width - 4, kBoxHeight}, display);
  }
  return g;
}

}  // namespace pages
}  // namespace kl::settings
