#include "ui/components.h"

#include "ui/application.h"

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

void Timer::elapsed() {
  if (!enabled_ || !onTimer) return;
  try {
    onTimer();
  } catch (const std::exception& e) {
    app_.handleException(e);
  }
}

bool FileDialog::execute() { return app_.backend().runFileDialog(*this); }

}  // namespace kl::ui
