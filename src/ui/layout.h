#pragma once
// Shorthands for building forms: a control added to a parent with its text
// and bounds in one call.
#include <string>

#include "ui/controls.h"

namespace kl::ui {

template <class T>
T& place(Control& parent, const std::string& name, const std::string& text, Rect r) {
  T& c = parent.add<T>(name);
  c.setText(text);
  c.setBounds(r.left, r.top, r.width, r.height);
  return c;
}

inline Label& addLabel(Control& parent, const std::string& name, const std::string& text, int x,
                       int y, int width, bool bold = false) {
  Label& l = place<Label>(parent, name, text, {x, y, width, 13});
  l.setBold(bold);
  return l;
}

}  // namespace kl::ui
