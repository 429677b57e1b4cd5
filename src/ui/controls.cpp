#include "ui/controls.h"

#include <algorithm>

namespace kl::ui {

void Label::setLink(bool link) {
  if (link == link_) return;
  link_ = link;
  notify(Property::Style);
}

void SpeedButton::setPicture(const std::string& resource) {
  picture_ = resource;
  notify(Property::Picture);
}

void Image::setPicture(const std::string& resource) {
  picture_ = resource;
  notify(Property::Picture);
}

void Button::clicked() {
  fire(onClick);
  if (modalResult_ != ModalResult::None)
    if (Form* f = form()) f->setModalResult(modalResult_);
}

void CheckBox::setState(CheckState state) {
  if (state == state_) return;
  state_ = state;
  notify(Property::State);
  fire(onClick);
}

void CheckBox::clicked() {
  switch (state_) {
    case CheckState::Unchecked:
      setState(allowGrayed_ ? CheckState::Grayed : CheckState::Checked);
      break;
    case CheckState::Grayed:
      setState(CheckState::Checked);
      break;
    case CheckState::Checked:
      setState(CheckState::Unchecked);
      break;
  }
}

void ComboBox::setItems(const std::vector<std::string>& items) {
  items_ = items;
  itemIndex_ = -1;
  notify(Property::Items);
}

void ComboBox::setItemIndex(int index) {
  itemIndex_ = index >= 0 && index < static_cast<int>(items_.size()) ? index : -1;
  notify(Property::ItemIndex);
}

void ComboBox::userPick(int index) {
  if (!effectivelyEnabled()) return;
  guarded([&] {
    setItemIndex(index);
    fire(onChange);
  });
}

void TrackBar::moveTo(int position) {
  position = std::clamp(position, min_, max_);
  if (position == position_) return;
  position_ = position;
  notify(Property::Position);
  fire(onChange);
}

void TrackBar::setMin(int min) {
  if (min > max_) return;
  min_ = min;
  notify(Property::Range);
  moveTo(position_);
}

void TrackBar::setMax(int max) {
  if (max < min_) return;
  max_ = max;
  notify(Property::Range);
  moveTo(position_);
}

void TrackBar::setPosition(int position) { moveTo(position); }

void TrackBar::userSetPosition(int position) {
  if (!effectivelyEnabled()) return;
  guarded([&] { moveTo(position); });
}

void SpinEdit::setRange(int min, int max) {
  if (min > max) return;
  min_ = min;
  max_ = max;
  notify(Property::Range);
  setValue(value_);
}

void SpinEdit::setValue(int value) {
  value = std::clamp(value, min_, max_);
  if (value == value_) return;
  value_ = value;
  notify(Property::Position);
  fire(onChange);
}

void SpinEdit::setEditorEnabled(bool enabled) {
  if (enabled == editorEnabled_) return;
  editorEnabled_ = enabled;
  notify(Property::Style);
}

void SpinEdit::userTypeValue(int value) {
  if (!effectivelyEnabled() || !editorEnabled_) return;
  guarded([&] { setValue(value); });
}

// Stepping from the end of a range wide as an int does not overflow.
void SpinEdit::userStep(int steps) {
  if (!effectivelyEnabled()) return;
  const long long next = static_cast<long long>(value_) + steps;
  guarded([&] { setValue(static_cast<int>(std::clamp<long long>(next, min_, max_))); });
}

void Edit::userType(const std::string& text) {
  if (!effectivelyEnabled() || text == this->text()) return;
  guarded([&] {
    setText(text);
    fire(onChange);
  });
}

void CheckListBox::setItems(const std::vector<std::string>& items) {
  items_ = items;
  checked_.assign(items.size(), false);
  notify(Property::Items);
}

void CheckListBox::setChecked(int index, bool checked) {
  if (index < 0 || index >= static_cast<int>(checked_.size())) return;
  checked_[index] = checked;
  notify(Property::Checked);
}

bool CheckListBox::isChecked(int index) const {
  return index >= 0 && index < static_cast<int>(checked_.size()) && checked_[index];
}

void CheckListBox::userToggle(int index) {
  if (!effectivelyEnabled() || index < 0 || index >= static_cast<int>(checked_.size())) return;
  guarded([&] {
    setChecked(index, !checked_[index]);
    fire(onClickCheck);
  });
}

void ProgressBar::setSmooth(bool smooth) {
  if (smooth == smooth_) return;
  smooth_ = smooth;
  notify(Property::Style);
}

void ProgressBar::setRange(int min, int max) {
  min_ = min;
  max_ = max;
  notify(Property::Range);
}

void ProgressBar::setPosition(int position) {
  position_ = std::clamp(position, min_, max_);
  notify(Property::Position);
}

void StatusBar::setPanels(const std::vector<StatusPanel>& panels) {
  panels_ = panels;
  notify(Property::Panels);
}

void StatusBar::setPanelText(std::size_t index, const std::string& text) {
  if (index >= panels_.size()) return;
  panels_[index].text = text;
  notify(Property::Panels);
}

std::vector<TabSheet*> PageControl::pages() const {
  std::vector<TabSheet*> result;
  for (Control* c : children())
    if (auto* page = dynamic_cast<TabSheet*>(c)) result.push_back(page);
  return result;
}

void PageControl::setPageIndex(int index) {
  if (index < 0 || index >= static_cast<int>(pages().size())) return;
  pageIndex_ = index;
  if (peer())
    if (TabSheet* page = activePage()) page->realize();
  notify(Property::ActivePage);
}

// The active page is shown once the controls inside it have their windows,
// so that they are not drawn one by one as they come.
void PageControl::childrenRealized() { notify(Property::ActivePage); }

bool PageControl::defers(const Control& child) const {
  return dynamic_cast<const TabSheet*>(&child) && &child != activePage();
}

// The tabs show every page, made or not.
void PageControl::childChanged(Control& child) {
  if (dynamic_cast<TabSheet*>(&child)) notify(Property::Items);
}

void PageControl::setActivePage(TabSheet* page) {
  const auto all = pages();
  const auto it = std::find(all.begin(), all.end(), page);
  if (it != all.end()) setPageIndex(static_cast<int>(it - all.begin()));
}

TabSheet* PageControl::activePage() const {
  const auto all = pages();
  return pageIndex_ < static_cast<int>(all.size()) ? all[pageIndex_] : nullptr;
}

void PageControl::userSelect(int index) {
  if (!effectivelyEnabled()) return;
  guarded([&] {
    setPageIndex(index);
    fire(onChange);
  });
}

void PageHistory::visit(const std::string& page) {
  if (!pages.empty()) pages.resize(current + 1);
  pages.push_back(page);
  current = pages.size() - 1;
}

bool PageHistory::back() {
  if (pages.empty() || current == 0) return false;
  --current;
  return true;
}

std::string PageHistory::shown() const { return pages.empty() ? std::string() : pages[current]; }

void HtmlBrowser::navigate(const std::string& url) {
  url_ = url;
  notify(Property::Url);
}

bool HtmlBrowser::goBack() {
  auto* engine = dynamic_cast<BrowserPeer*>(peer());
  return engine && engine->goBack();
}

}  // namespace kl::ui
