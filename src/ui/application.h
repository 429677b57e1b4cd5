#pragma once
// The application: owns the backend's forms, runs the message loop, and
// shows errors that escape event handlers.
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "ui/form.h"

namespace kl::ui {

class FileDialog;
class Timer;
class TrayIcon;

// Message box buttons and icons, with the platform's values.
constexpr unsigned kMbOk = 0x0;
constexpr unsigned kMbOkCancel = 0x1;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// What shows the controls: real windows, or the headless test backend.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<Peer> createPeer(Control& control) = 0;
  // Runs until the application is terminated.
  virtual void runMessageLoop(Application& app) = 0;
  // Runs until the form has a modal result or is no longer showing.
  virtual void runModalLoop(Form& form) = 0;
  virtual int messageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
  // True when the user chose a file (then the dialog's file name is set).
  virtual bool runFileDialog(FileDialog& dialog) = 0;
  virtual void timerChanged(Timer& timer) = 0;
  virtual void terminate() = 0;
};

class Application {
 public:
  explicit Application(Backend& backend);
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  Backend& backend() { return backend_; }
  void setTitle(const std::string& title) { title_ = title; }
  const std::string& title() const { return title_; }
  void setHelpFile(const std::string& file) { helpFile_ = file; }
  const std::string& helpFile() const { return helpFile_; }
  void setHintHidePause(int ms) { hintHidePause_ = ms; }
  int hintHidePause() const { return hintHidePause_; }

  // Creates a form owned by the application; the first is the main form.
  template <class F, class... Args>
  F& createForm(Args&&... args) {
    auto form = std::make_unique<F>(*this, std::forward<Args>(args)...);
    F& ref = *form;
    forms_.push_back(std::move(form));
    if (!mainForm_) mainForm_ = &ref;
    return ref;
  }
  Form* mainForm() const { return mainForm_; }
  const std::vector<std::unique_ptr<Form>>& forms() const { return forms_; }

  // Shows the main form (unless start-up ended the program) and runs the
  // message loop until the program ends.
  void run();
  void terminate();
  bool terminated() const { return terminated_; }

  // The default error handler: the error's text in a message box.
  void handleException(const std::exception& e);
  int messageBox(const std::string& text, const std::string& caption, unsigned flags);
  // A message box with the application title and an OK button.
  void showMessage(const std::string& text);

 private:
  Backend& backend_;
  std::string title_, helpFile_;
  int hintHidePause_ = 2500;
  std::vector<std::unique_ptr<Form>> forms_;
  Form* mainForm_ = nullptr;
  bool terminated_ = false;
};

}  // namespace kl::ui
