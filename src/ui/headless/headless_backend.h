#pragma once
// The headless backend: peers that show nothing, and a test driver that acts
// as a user would (press, click, focus, pick, drag, type), answers modal
// forms, message boxes and file dialogs, and advances timers.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "ui/application.h"
#include "ui/components.h"
#include "ui/controls.h"

namespace kl::ui {

class HeadlessBackend : public Backend {
 public:
  struct Message {
    std::string text, caption;
    unsigned flags = 0;
  };

  std::unique_ptr<Peer> createPeer(Control& control) override;
  void runMessageLoop(Application& app) override;
  void runModalLoop(Form& form) override;
  int messageBox(const std::string& text, const std::string& caption, unsigned flags) override;
  bool runFileDialog(FileDialog& dialog) override;
  void timerChanged(Timer& timer) override;
  void terminate() override { terminated_ = true; }

  // What happens while a modal form of that name is up. The script acts on
  // the form; a form still showing afterwards gets its timers run until it
  // closes (bounded), then is closed by its close box.
  void onModal(const std::string& formName, std::function<void(Form&)> script);
  int modalCount(const std::string& formName) const;
  const std::vector<Message>& messages() const { return messages_; }
  void clearMessages() { messages_.clear(); }
  // The next message box returns this answer (default: OK).
  void answerMessage(int answer) { messageAnswers_.push_back(answer); }
  // The next file dialog: a file name, or nullopt to cancel.
  void answerFileDialog(std::optional<std::string> fileName);
  const std::vector<FileDialog*>& fileDialogs() const { return fileDialogs_; }
  // Runs every enabled timer for `ms` milliseconds of simulated time.
  void advance(int ms);
  bool terminated() const { return terminated_; }

 private:
  std::map<std::string, std::deque<std::function<void(Form&)>>> modalScripts_;
  std::map<std::string, int> modalCounts_;
  std::vector<Message> messages_;
  std::deque<int> messageAnswers_;
  std::deque<std::optional<std::string>> fileAnswers_;
  std::vector<FileDialog*> fileDialogs_;
  std::map<Timer*, int> timers_;  // enabled timers and their elapsed time
  bool terminated_ = false;
};

// A user's actions through the headless peers.
namespace user {
// Left: down, focus, click, up. Other buttons: down, up.
void press(Control& control, MouseButton button = MouseButton::Left);
void spaceBar(Control& control);                                         // focus, then click
void focus(Control& control);
void pick(ComboBox& combo, int index);
void drag(TrackBar& track, int position);
void type(Edit& edit, const std::string& text);
void selectPage(PageControl& pages, int index);
}  // namespace user

}  // namespace kl::ui
