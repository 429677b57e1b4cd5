#include "ui/components.h"

#include "ui/application.h"
#include "ui/menu.h"

namespace kl::ui {

Timer::~Timer() {
  if (enabled_) {
    enabled_ = false;
    app_.backend().timerChanged(*this);
  }
}

void Timer::setInterval(int ms) {
  interval_ = ms;
  app_.backend().timerChanged(*this);
}

void Timer::setEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  app_.backend().timerChanged(*this);
}

// Stopped before the error is shown: the message box's own message loop
// would otherwise deliver the next tick, and the next error, into it.
void Timer::elapsed() {
  if (!running() || !onTimer) return;
  try {
    onTimer();
  } catch (const BackendFault&) {
    throw;
  } catch (const std::exception& e) {
    setEnabled(false);
    app_.handleException(e);
  }
}

std::string TrayIcon::tip() const {
  const std::string tip = hint().empty() ? text() : shortHint(hint());
  return tip.substr(0, kMaxTip);
}

bool TrayIcon::takesCommands() const {
  const Form* f = form();
  return !f || !f->app().modalRunning();
}

void TrayIcon::userRightClick(int x, int y) {
  if (!takesCommands() || !popup_) return;
  guarded([&] { popup_->popup(x, y); });
}

void TrayIcon::userDoubleClick() {
  if (!takesCommands()) return;
  guarded([&] {
    fire(onDblClick);
    if (MenuItem* item = popup_ ? popup_->defaultItem() : nullptr) item->userClick();
  });
}

bool FileDialog::execute() {
  app_.beginModal(nullptr);
  try {
    const bool chosen = app_.backend().runFileDialog(*this);
    app_.endModal(nullptr);
    return chosen;
  } catch (...) {
    app_.endModal(nullptr);
    throw;
  }
}

}  // namespace kl::ui
