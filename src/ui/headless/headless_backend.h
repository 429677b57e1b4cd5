#pragma once
// The headless backend: peers that show nothing, and a test driver that acts
// as a user would (press, click, focus, pick, drag, type), answers modal
// forms, message boxes and file dialogs, and advances timers. It counts the
// peers alive (the windows the Win32 backend would own) and the timers
// running, and records what the program opens with the shell, the popup
// menus it shows and the pages its browsers show.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/menu.h"

namespace kl::ui {

class HeadlessBackend : public Backend {
 public:
  struct Message {
    std::string text, caption;
    unsigned flags = 0;
  };
  struct Popup {
    std::string menu;
    int x = 0, y = 0;
  };

  HeadlessBackend() = default;
  HeadlessBackend(const HeadlessBackend&) = delete;
  HeadlessBackend& operator=(const HeadlessBackend&) = delete;

  std::unique_ptr<Peer> createPeer(Control& control) override;
  void runMessageLoop(Application& app) override;
  // Runs the form's script (see onModal); a form still up afterwards gets
  // its timers run until it closes (bounded). A form that is still showing
  // then, with the program still running, is the test's fault: the form is
  // hidden and a BackendFault naming it is thrown through to the test.
  void runModalLoop(Form& form) override;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  bool runFileDialog(FileDialog& dialog) override;
  void timerChanged(Timer& timer) override;
  void terminate() override { terminated_ = true; }
  void shellOpen(const std::string& target) override { shellOpened_.push_back(target); }

  // What happens while a modal form of that name is up, once per showing,
  // in the order given.
  void onModal(const std::string& formName, std::function<void(Form&)> script);
  int modalCount(const std::string& formName) const;
  const std::vector<Message>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }
  // The next message box returns this answer. Unanswered, a box returns
  // what Enter chooses there: its default button (the first one, or the
  // one kMbDefButton2/3 names), e.g. kIdYes for kMbYesNo.
  void answerMessage(int answer) { messageAnswers_.push_back(answer); }
  // The next file dialog: a file name, or nullopt to cancel.
  void answerFileDialog(std::optional<std::string> fileName);
  const std::vector<FileDialog*>& fileDialogs() const { return fileDialogs_; }
  // Runs every running timer for `ms` milliseconds of simulated time.
  void advance(int ms);
  bool terminated() const { return terminated_; }

  // Peers alive: one per realised control.
  int livePeers() const { return livePeers_; }
  int runningTimers() const { return static_cast<int>(timers_.size()); }
  const std::vector<std::string>& shellOpened() const { return shellOpened_; }
  const std::vector<Popup>& popups() const { return popups_; }
  // The pages a realised browser has shown; throws std::logic_error for a
  // browser without a headless peer.
  static const PageHistory& history(const HtmlBrowser& browser);

 private:
  std::map<std::string, std::deque<std::function<void(Form&)>>> modalScripts_;
  std::map<std::string, int> modalCounts_;
  std::vector<Message> messages_;
  std::deque<int> messageAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::vector<FileDialog*> fileDialogs_;
  std::map<Timer*, int> timers_;  // running timers and their elapsed time
  std::vector<std::string> shellOpened_;
  std::vector<Popup> popups_;
  int livePeers_ = 0;
  bool terminated_ = false;
};

// A user's actions through the headless peers.
namespace user {
// Left: down, focus, click, up. Other buttons: down, up.
void press(Control& control, MouseButton button = MouseButton::Left);
void spaceBar(Control& control);  // focus, then click
void focus(Control& control);
void pick(ComboBox& combo, int index);
void drag(TrackBar& track, int position);
void type(Edit& edit, const std::string& text);
// A number typed into a spin edit (its text selected first), then the focus
// leaving it.
void type(SpinEdit& spin, int value);
// Clicks on a spin edit's arrows, which focus its text: `steps` up, or down
// when negative.
void spinArrows(SpinEdit& spin, int steps);
// The user drags the frame of a sizeable form (others cannot be resized) to
// this client size.
void resizeFrame(Form& form, int clientWidth, int clientHeight);
// A click on a tab: down, focus on the page control, the page, up.
void selectPage(PageControl& pages, int index);
void closeBox(Form& form);
void minimizeBox(Form& form);
void rightClickTray(TrayIcon& tray, int x, int y);
void doubleClickTray(TrayIcon& tray);
// An item chosen in an open menu.
void choose(MenuItem& item);
// A click on a link in the page a browser shows.
void followLink(HtmlBrowser& browser, const std::string& url);
}  // namespace user

}  // namespace kl::ui
