#include "ui/form.h"

#include <algorithm>

#include "ui/application.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace kl::ui {

Form::Form(Application& app, std::string name) : Control(nullptr, std::move(name)), app_(app) {
  setVisible(false);
}

Form::~Form() = default;

void Form::setStyle(const FormStyle& style) {
  setWindowClass(style.windowClass);
  setCaption(style.caption);
  setClientSize(style.clientWidth, style.clientHeight);
  setBorder(style.border, style.icons);
  setCentred(style.centred);
}

void Form::setClientSize(int width, int height) {
  setBounds(bounds().left, bounds().top, width, height);
}

void Form::setBorder(BorderStyle style, BorderIcons icons) {
  border_ = style;
  icons_ = icons;
}

void Form::setAlphaBlend(bool on, int value) {
  alphaBlend_ = on;
  alphaValue_ = value;
  notify(Property::Alpha);
}

void Form::show() {
  realize();
  showing_ = true;
  setVisible(true);
  fire(onShow);
}

void Form::hide() {
  showing_ = false;
  setVisible(false);
}

ModalResult Form::showModal() {
  modalResult_ = ModalResult::None;
  modal_ = true;
  notify(Property::Modal);
  show();
  app_.backend().runModalLoop(*this);
  if (showing_) hide();
  modal_ = false;
  notify(Property::Modal);
  if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
  return modalResult_;
}

void Form::setModalResult(ModalResult r) {
  modalResult_ = r;
  if (modal_ && r != ModalResult::None) close();
}

void Form::close() {
  fire(onClose);
  if (modal_ && modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
  hide();
  if (app_.mainForm() == this) app_.terminate();
}

// The chain of containers from the form down to `c`, outermost first.
static std::vector<Control*> chainOf(Control* c) {
  std::vector<Control*> chain;
  for (; c; c = c->parent()) chain.push_back(c);
  std::reverse(chain.begin(), chain.end());
  return chain;
}

void Form::moveFocus(Control* to) {
  if (to == focused_) return;
  const auto before = chainOf(focused_);
  focused_ = to;
  to->notify(Property::Focus);
  for (Control* c : chainOf(to)) {
    if (c == this) continue;
    const bool wasInside = std::find(before.begin(), before.end(), c) != before.end();
    if (!wasInside || c == to) fire(c->onEnter);
  }
}

bool Form::userKeyEnter() {
  Button* target = dynamic_cast<Button*>(focused_);
  if (!target) target = defaultButton_;
  if (!target || !target->effectivelyEnabled()) return false;
  target->userClick();
  return true;
}

bool Form::userKeyEscape() {
  if (!cancelButton_ || !cancelButton_->effectivelyEnabled()) return false;
  cancelButton_->userClick();
  return true;
}

// The first page control of the tree, depth first.
static PageControl* firstPageControl(Control& c) {
  if (auto* pages = dynamic_cast<PageControl*>(&c)) return pages;
  for (Control* child : c.children())
    if (PageControl* found = firstPageControl(*child)) return found;
  return nullptr;
}

bool Form::userCyclePage(bool backwards) {
  PageControl* pages = firstPageControl(*this);
  const int count = pages ? static_cast<int>(pages->pages().size()) : 0;
  if (count == 0 || !pages->effectivelyEnabled()) return false;
  pages->userSelect((pages->pageIndex() + (backwards ? count - 1 : 1)) % count);
  return true;
}

bool Form::userShortcut(unsigned virtualKey, bool ctrl) {
  if (!menu_) return false;
  MenuItem* item = menu_->findShortcut(ShortCut{virtualKey, ctrl});
  if (!item || !item->enabled()) return false;
  item->userClick();
  return true;
}

}  // namespace kl::ui
