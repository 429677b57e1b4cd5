#include "ui/headless/headless_backend.h"

#include <stdexcept>

namespace kl::ui {
namespace {

// How long a modal form left up by its script may take to close itself
// through its timers, in simulated milliseconds.
constexpr int kModalTimersMs = 60000;

class NullPeer : public Peer {
 public:
  explicit NullPeer(int& live) : live_(live) { ++live_; }
  ~NullPeer() override { --live_; }
  NullPeer(const NullPeer&) = delete;
  NullPeer& operator=(const NullPeer&) = delete;
  void changed(Property) override {}

 private:
  int& live_;
};

class PopupPeer : public NullPeer {
 public:
  PopupPeer(int& live, PopupMenu& menu, std::vector<HeadlessBackend::Popup>& shown)
      : NullPeer(live), menu_(menu), shown_(shown) {}
  void changed(Property what) override {
    if (what == Property::Visible)
      shown_.push_back(HeadlessBackend::Popup{menu_.name(), menu_.popupX(), menu_.popupY()});
  }

 private:
  PopupMenu& menu_;
  std::vector<HeadlessBackend::Popup>& shown_;
};

}  // namespace

// Pages are shown from the moment the browser is realised.
class HeadlessBrowserPeer : public NullPeer, public BrowserPeer {
 public:
  HeadlessBrowserPeer(int& live, HtmlBrowser& browser) : NullPeer(live), browser_(browser) {
    changed(Property::Url);
  }
  void changed(Property what) override {
    if (what == Property::Url && !browser_.url().empty()) history.visit(browser_.url());
  }
  bool goBack() override { return history.back(); }
  PageHistory history;

 private:
  HtmlBrowser& browser_;
};

std::unique_ptr<Peer> HeadlessBackend::createPeer(Control& control) {
  if (auto* menu = dynamic_cast<PopupMenu*>(&control))
    return std::make_unique<PopupPeer>(livePeers_, *menu, popups_);
  if (auto* browser = dynamic_cast<HtmlBrowser*>(&control))
    return std::make_unique<HeadlessBrowserPeer>(livePeers_, *browser);
  return std::make_unique<NullPeer>(livePeers_);
}

const PageHistory& HeadlessBackend::history(const HtmlBrowser& browser) {
  const auto* peer = dynamic_cast<const HeadlessBrowserPeer*>(browser.peer());
  if (!peer) throw std::logic_error("The browser " + browser.name() + " has no headless peer");
  return peer->history;
}

void HeadlessBackend::runMessageLoop(Application&) {}

void HeadlessBackend::runModalLoop(Form& form) {
  ++modalCounts_[form.name()];
  auto& scripts = modalScripts_[form.name()];
  const bool scripted = !scripts.empty();
  if (scripted) {
    auto script = std::move(scripts.front());
    scripts.pop_front();
    script(form);
  }
  const auto up = [&] {
    return form.isShowing() && form.modalResult() == ModalResult::None && !form.app().terminated();
  };
  for (int ms = 0; ms < kModalTimersMs && up() && !timers_.empty(); ms += 10) advance(10);
  if (!up()) return;
  throw BackendFault("The modal form \"" + form.name() + "\" is still showing after " +
                     (scripted ? "its script" : "being shown without a script (see onModal)") +
                     " and a minute of its timers: the test must close it as a user would");
}

void HeadlessBackend::onModal(const std::string& formName, std::function<void(Form&)> script) {
  modalScripts_[formName].push_back(std::move(script));
}

int HeadlessBackend::modalCount(const std::string& formName) const {
  const auto it = modalCounts_.find(formName);
  return it == modalCounts_.end() ? 0 : it->second;
}

namespace {

// The buttons of each kind of box, left to right, as their answers.
int enterAnswer(unsigned flags) {
  static const std::vector<int> kButtons[] = {{kIdOk},         {kIdOk, kIdCancel},
                                              {3, 4, 5},       {kIdYes, kIdNo, kIdCancel},
                                              {kIdYes, kIdNo}, {4, kIdCancel}};
  const unsigned kind = flags & 0xF;
  const std::vector<int>& buttons = kind < std::size(kButtons) ? kButtons[kind] : kButtons[0];
  const std::size_t chosen = (flags >> 8) & 0xF;
  return buttons[chosen < buttons.size() ? chosen : 0];
}

}  // namespace

int HeadlessBackend::messageBox(const std::string& text, const std::string& caption,
                                unsigned flags) {
  messages_.push_back(Message{text, caption, flags});
  if (messageAnswers_.empty()) return enterAnswer(flags);
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
  if (timer.running())
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

void type(SpinEdit& spin, int value) {
  spin.userFocus();
  spin.userTypeValue(value);
}

void spinArrows(SpinEdit& spin, int steps) {
  spin.userFocus();
  spin.userStep(steps);
}

void resizeFrame(Form& form, int clientWidth, int clientHeight) {
  if (form.borderStyle() != BorderStyle::Sizeable || !form.takesInput()) return;
  form.userResize(clientWidth, clientHeight);
}

void selectPage(PageControl& pages, int index) {
  pages.userMouseDown(MouseButton::Left);
  pages.userFocus();
  pages.userSelect(index);
  pages.userMouseUp(MouseButton::Left);
}

void closeBox(Form& form) { form.userClose(); }

void minimizeBox(Form& form) {
  if (!form.userMinimize()) form.userWindowState(WindowState::Minimized);
}

void rightClickTray(TrayIcon& tray, int x, int y) { tray.userRightClick(x, y); }

void doubleClickTray(TrayIcon& tray) { tray.userDoubleClick(); }

void choose(MenuItem& item) { item.userClick(); }

void followLink(HtmlBrowser& browser, const std::string& url) {
  auto* peer = dynamic_cast<HeadlessBrowserPeer*>(browser.peer());
  if (peer && browser.effectivelyEnabled()) peer->history.visit(url);
}

}  // namespace user
}  // namespace kl::ui
