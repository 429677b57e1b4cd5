#include "ui/application.h"

#include <algorithm>

namespace kl::ui {

Application::Application(Backend& backend) : backend_(backend) {}

// The last made first: the main form's window owns the others'.
Application::~Application() {
  while (!forms_.empty()) forms_.pop_back();
}

void Application::releaseForm(Form& form) {
  const auto it = std::find_if(forms_.begin(), forms_.end(),
                               [&](const std::unique_ptr<Form>& f) { return f.get() == &form; });
  if (it == forms_.end())
    throw std::invalid_argument("The form " + form.name() + " is not one of this application's");
  if (&form == mainForm_) throw std::invalid_argument("The main form cannot be released");
  if (form.isModal()) throw std::logic_error("The form " + form.name() + " is showing modally");
  forms_.erase(it);
}

bool Application::takesInput(const Form& form) const {
  return modal_.empty() || modal_.back() == &form;
}

void Application::beginModal(Form* form) {
  modal_.push_back(form);
  holdChanged();
}

void Application::endModal(Form* form) {
  const auto it = std::find(modal_.rbegin(), modal_.rend(), form);
  if (it == modal_.rend()) return;
  modal_.erase(std::next(it).base());
  holdChanged();
}

void Application::holdChanged() {
  for (const auto& form : forms_) form->notify(Property::Enabled);
}

void Application::minimize() {
  if (!mainForm_) return;
  if (mainForm_->minimizesToTray())
    mainForm_->hide();
  else
    mainForm_->setWindowState(WindowState::Minimized);
}

void Application::restore() {
  if (!mainForm_) return;
  mainForm_->setWindowState(WindowState::Normal);
  mainForm_->show();
}

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
  if (silent_) {
    silenced_.push_back(text);
    const unsigned buttons = flags & 0xF;
    if (buttons == kMbOk) return kIdOk;
    return buttons == kMbYesNo ? kIdNo : kIdCancel;
  }
  beginModal(nullptr);
  try {
    const int answer = backend_.messageBox(text, caption, flags);
    endModal(nullptr);
    return answer;
  } catch (...) {
    endModal(nullptr);
    throw;
  }
}

void Application::showMessage(const std::string& text) {
  if (reportOnceDepth_ > 0) {
    if (std::find(reported_.begin(), reported_.end(), text) != reported_.end()) return;
    reported_.push_back(text);
  }
  messageBox(text, title_, kMbOk);
}

}  // namespace kl::ui
