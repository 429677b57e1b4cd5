#include "ui/control.h"

#include <algorithm>
#include <exception>

#include "ui/application.h"
#include "ui/form.h"

namespace kl::ui {

std::string shortHint(const std::string& hint) { return hint.substr(0, hint.find('|')); }

Control::Control(Control* parent, std::string name) : parent_(parent), name_(std::move(name)) {
  if (parent_) parent_->children_.push_back(this);
}

Control::~Control() = default;

Form* Control::form() {
  Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<Form*>(c);
}

const Form* Control::form() const {
  const Control* c = this;
  while (c->parent_) c = c->parent_;
  return dynamic_cast<const Form*>(c);
}

Application* Control::application() {
  Form* f = form();
  return f ? &f->app() : nullptr;
}

Control* Control::find(const std::string& name) {
  if (name_ == name) return this;
  for (Control* child : children_)
    if (Control* found = child->find(name)) return found;
  return nullptr;
}

void Control::setBounds(int left, int top, int width, int height) {
  applyBounds(Rect{left, top, width, height});
  keepMargins();
}

void Control::setAnchors(Anchors anchors) {
  anchors_ = anchors;
  keepMargins();
}

void Control::applyBounds(const Rect& bounds, bool tellPeer) {
  const bool resized = bounds.width != bounds_.width || bounds.height != bounds_.height;
  bounds_ = bounds;
  if (tellPeer) notify(Property::Bounds);
  if (!resized) return;
  for (Control* child : children_) child->followParent();
  fire(onResize);
}

void Control::keepMargins() {
  if (!parent_) return;
  rightMargin_ = parent_->bounds_.width - bounds_.left - bounds_.width;
  bottomMargin_ = parent_->bounds_.height - bounds_.top - bounds_.height;
}

// A control anchored to both edges of a direction keeps both distances (and
// is never narrower than nothing); anchored to the far edge only, it moves.
void Control::followParent() {
  if (!anchors_.right && !anchors_.bottom) return;
  Rect r = bounds_;
  const int right = parent_->bounds_.width - rightMargin_;
  const int bottom = parent_->bounds_.height - bottomMargin_;
  if (anchors_.right && anchors_.left) r.width = std::max(0, right - r.left);
  if (anchors_.right && !anchors_.left) r.left = right - r.width;
  if (anchors_.bottom && anchors_.top) r.height = std::max(0, bottom - r.top);
  if (anchors_.bottom && !anchors_.top) r.top = bottom - r.height;
  applyBounds(r);
}

void Control::setText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  notify(Property::Text);
  if (parent_) parent_->childChanged(*this);
}

void Control::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  notify(Property::Enabled);
}

bool Control::effectivelyEnabled() const {
  const Control* c = this;
  for (;; c = c->parent_) {
    if (!c->enabled_) return false;
    if (!c->parent_) break;
  }
  const auto* f = dynamic_cast<const Form*>(c);
  return !f || f->takesInput();
}

void Control::setVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  notify(Property::Visible);
}

// The controls inside may show this hint too: they are told as well.
void Control::setHint(const std::string& hint) {
  hint_ = hint;
  notifyTree(Property::Hint);
}

void Control::setShowHint(bool show) {
  showHint_ = show;
  notifyTree(Property::Hint);
}

std::string Control::shownHint() const {
  const Control* c = this;
  while (c && !c->showHint_) c = c->parent_;
  while (c && c->hint_.empty()) c = c->parent_;
  return c ? shortHint(c->hint_) : std::string();
}

void Control::setBold(bool bold) {
  bold_ = bold;
  notify(Property::Font);
}

void Control::notify(Property what) {
  if (peer_) peer_->changed(what);
}

void Control::notifyTree(Property what) {
  notify(what);
  for (Control* child : children_) child->notifyTree(what);
}

void Control::detachPeers() {
  if (peer_) peer_->detach();
  for (Control* child : children_) child->detachPeers();
}

void Control::dropPeers() {
  peer_.reset();
  for (Control* child : children_) child->dropPeers();
}

void Control::releasePeers() {
  detachPeers();
  dropPeers();
}

void Control::realize() {
  Application* app = application();
  if (!app) return;
  if (!peer_) peer_ = app->backend().createPeer(*this);
  for (Control* child : children_)
    if (!defers(*child)) child->realize();
  childrenRealized();
}

void Control::guarded(const std::function<void()>& action) {
  try {
    action();
  } catch (const BackendFault&) {
    throw;
  } catch (const std::exception& e) {
    if (Application* app = application())
      app->handleException(e);
    else
      throw;
  }
}

void Control::userMouseDown(MouseButton button) {
  if (!effectivelyEnabled()) return;
  guarded([&] {
    if (onMouseDown) onMouseDown(button);
  });
}

void Control::userMouseUp(MouseButton button) {
  if (!effectivelyEnabled()) return;
  guarded([&] {
    if (onMouseUp) onMouseUp(button);
  });
}

void Control::userClick() {
  if (!effectivelyEnabled()) return;
  guarded([&] { clicked(); });
}

void Control::clicked() { fire(onClick); }

void Control::userFocus() {
  if (!effectivelyEnabled()) return;
  if (Form* f = form()) guarded([&] { f->moveFocus(this); });
}

}  // namespace kl::ui
