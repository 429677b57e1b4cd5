#include "ui/form.h"

#include <algorithm>
#include <stdexcept>

#include "ui/application.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace kl::ui {

Form::Form(Application& app, std::string name) : Control(nullptr, std::move(name)), app_(app) {
  setVisible(false);
}

// The windows go while the controls their messages may name still exist.
Form::~Form() { releasePeers(); }

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
  alphaValue_ = std::clamp(value, 0, 255);
  notify(Property::Alpha);
}

void Form::setDefaultButton(Button* b) {
  defaultButton_ = b;
  notify(Property::DefaultButton);
}

Button* Form::shownDefault() const {
  if (auto* focusedButton = dynamic_cast<Button*>(focused_)) return focusedButton;
  return defaultButton_;
}

void Form::show() {
  realize();
  showing_ = true;
  if (visible()) {
    notify(Property::Visible);  // to the front
    return;
  }
  setVisible(true);
  fire(onShow);
}

// A modal form lets the others take input again before its window goes,
// so that Windows gives the activation back to its owner.
void Form::hide() {
  if (modal_) app_.endModal(this);
  showing_ = false;
  setVisible(false);
}

ModalResult Form::showModal() {
  if (modal_) throw std::logic_error("The form " + name() + " is already showing modally");
  if (app_.silent()) return modalResult_ = ModalResult::Cancel;  // no user to answer it
  modalResult_ = ModalResult::None;
  modal_ = true;
  notify(Property::Modal);
  app_.beginModal(this);
  try {
    show();
    app_.backend().runModalLoop(*this);
  } catch (...) {
    endModalShowing();
    throw;
  }
  endModalShowing();
  if (modalResult_ == ModalResult::None) modalResult_ = ModalResult::Cancel;
  return modalResult_;
}

void Form::endModalShowing() {
  app_.endModal(this);
  if (showing_) hide();
  modal_ = false;
  notify(Property::Modal);
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

void Form::userClose() {
  if (!takesInput()) return;
  guarded([&] { close(); });
}

bool Form::takesInput() const { return app_.takesInput(*this); }

int Form::userRequest(std::uint32_t code, const std::string& data) {
  int answer = 0;
  if (onRequest) guarded([&] { answer = onRequest(code, data); });
  return answer;
}

void Form::setWindowState(WindowState state) {
  if (state == windowState_) return;
  windowState_ = state;
  notify(Property::WindowState);
}

bool Form::minimizesToTray() const {
  if (app_.mainForm() != this) return false;
  for (const Control* child : children())
    if (const auto* tray = dynamic_cast<const TrayIcon*>(child))
      if (tray->minimizeToTray() && tray->visible()) return true;
  return false;
}

bool Form::userMinimize() {
  if (!takesInput()) return true;  // a held window's box does nothing
  if (!minimizesToTray()) return false;
  guarded([&] { app_.minimize(); });
  return true;
}

void Form::userWindowState(WindowState state) {
  if (state == WindowState::Minimized && minimizesToTray()) {
    guarded([&] { app_.minimize(); });
    return;
  }
  windowState_ = state;
}

void Form::userResize(int clientWidth, int clientHeight) {
  if (clientWidth == this->clientWidth() && clientHeight == this->clientHeight()) return;
  guarded([&] {
    applyBounds(Rect{bounds().left, bounds().top, clientWidth, clientHeight}, false);
  });
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
  notify(Property::DefaultButton);  // the default outline follows push buttons
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
  if (!item || !item->effectivelyEnabled()) return false;
  item->userClick();
  return true;
}

}  // namespace kl::ui
