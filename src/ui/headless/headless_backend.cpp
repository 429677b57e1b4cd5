#include "ui/headless/headless_backend.h"

namespace kl::ui {
namespace {

class NullPeer : public Peer {
 public:
  void changed(Property) override {}
};

}  // namespace

std::unique_ptr<Peer> HeadlessBackend::createPeer(Control&) { return std::make_unique<NullPeer>(); }

void HeadlessBackend::runMessageLoop(Application&) {}

void HeadlessBackend::runModalLoop(Form& form) {
  ++modalCounts_[form.name()];
  auto& scripts = modalScripts_[form.name()];
  if (!scripts.empty()) {
    auto script = std::move(scripts.front());
    scripts.pop_front();
    script(form);
  }
  for (int tick = 0; tick < 100000 && form.isShowing() && form.modalResult() == ModalResult::None &&
                     !timers_.empty();
       ++tick)
    advance(10);
  if (form.isShowing() && form.modalResult() == ModalResult::None) form.close();
}

void HeadlessBackend::onModal(const std::string& formName, std::function<void(Form&)> script) {
  modalScripts_[formName].push_back(std::move(script));
}

int HeadlessBackend::modalCount(const std::string& formName) const {
  const auto it = modalCounts_.find(formName);
  return it == modalCounts_.end() ? 0 : it->second;
}

int HeadlessBackend::messageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
  messages_.push_back(Message{text, caption, flags});
  if (messageAnswers_.empty()) return kIdOk;
  const int answer = messageAnswers_.front();
  messageAnswers_.pop_front();
  return answer;
}

void HeadlessBackend::answerFileDialog(std::optional<std::string> fileName) {
  fileAnswers_.push_back(std::move(fileName));
}

bool HeadlessBackend::runFileDialog(FileDialog& dialog) {
  fileDialogs_.push_back(&dialog);
  if (fileAnswers_.empty()) return false;
  const auto answer = fileAnswers_.front();
  fileAnswers_.pop_front();
  if (!answer) return false;
  dialog.fileName = *answer;
  return true;
}

void HeadlessBackend::timerChanged(Timer& timer) {
  if (timer.enabled())
    timers_.emplace(&timer, 0);
  else
    timers_.erase(&timer);
}

void HeadlessBackend::advance(int ms) {
  for (int t = 0; t < ms; ++t) {
    // Timers may stop themselves (or others) while running: work on a copy.
    std::vector<Timer*> due;
    for (auto& [timer, elapsed] : timers_)
      if (++elapsed >= timer->interval()) due.push_back(timer);
    for (Timer* timer : due) {
      if (!timers_.count(timer)) continue;
      timers_[timer] = 0;
      timer->elapsed();
    }
  }
}

namespace user {

void press(Control& control, MouseButton button) {
  control.userMouseDown(button);
  if (button != MouseButton::Left) {  // other buttons neither focus nor click
    control.userMouseUp(button);
    return;
  }
  if (control.focusable()) control.userFocus();
  control.userClick();
  control.userMouseUp(button);
}

void spaceBar(Control& control) {
  control.userFocus();
  control.userClick();
}

void focus(Control& control) { control.userFocus(); }

void pick(ComboBox& combo, int index) {
  combo.userFocus();
  combo.userPick(index);
}

void drag(TrackBar& track, int position) {
  track.userFocus();
  track.userSetPosition(position);
}

void type(Edit& edit, const std::string& text) {
  edit.userFocus();
  edit.userType(text);
}

void selectPage(PageControl& pages, int index) { pages.userSelect(index); }

}  // namespace user
}  // namespace kl::ui
