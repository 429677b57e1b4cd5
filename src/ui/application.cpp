#include "ui/application.h"

namespace kl::ui {

Application::Application(Backend& backend) : backend_(backend) {}

Application::~Application() = default;

void Application::run() {
  if (terminated_) return;
  if (mainForm_) mainForm_->show();
  backend_.runMessageLoop(*this);
}

void Application::terminate() {
  if (terminated_) return;
  terminated_ = true;
  backend_.terminate();
}

void Application::handleException(const std::exception& e) {
  messageBox(e.what(), title_, kMbOk | kMbIconError);
}

int Application::messageBox(const std::string& text, const std::string& caption, unsigned flags) {
  return backend_.messageBox(text, caption, flags);
}

void Application::showMessage(const std::string& text) { messageBox(text, title_, kMbOk); }

}  // namespace kl::ui
