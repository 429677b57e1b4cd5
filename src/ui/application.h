#pragma once
// The application: owns the backend's forms, runs the message loop, and
// shows errors that escape event handlers.
#include <exception>
#include <memory>
#include <stdexcept>
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
constexpr unsigned kMbYesNoCancel = 0x3;
constexpr unsigned kMbYesNo = 0x4;
constexpr unsigned kMbDefButton2 = 0x100;
constexpr unsigned kMbDefButton3 = 0x200;
constexpr unsigned kMbIconError = 0x10;
constexpr unsigned kMbIconWarning = 0x30;
constexpr unsigned kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

// A fault of whatever drives the backend (a test's script), not of the
// program: the toolkit's error handlers let it pass to the caller of the
// user action instead of showing it.
class BackendFault : public std::logic_error {
 public:
  using std::logic_error::logic_error;
};

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
  // A timer was started, stopped or given another interval; it runs while
  // it is enabled with an interval above 0.
  virtual void timerChanged(Timer& timer) = 0;
  virtual void terminate() = 0;
  // Opens a document, web address or "mailto:" address with the shell's
  // "open" verb in a normal window; the outcome is not reported.
  virtual void shellOpen(const std::string& target) = 0;
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
  // Destroys a form made by createForm, with its windows, pictures and
  // timers. Not the main form, not a form showing modally, and never from
  // one of the form's own event handlers (they would go on in a destroyed
  // form). Throws std::invalid_argument or std::logic_error for those.
  void releaseForm(Form& form);

  // While a modal form, a message box or a file dialog runs, only the
  // innermost modal form takes input; every other form is held, and the
  // tray icon runs no commands.
  bool modalRunning() const { return !modal_.empty(); }
  bool takesInput(const Form& form) const;

  // Minimises the program: the main form goes to the tray when its tray
  // icon minimises to the tray (hidden, no taskbar button), else it is
  // minimised. restore() shows the main form again in its normal state,
  // in front and active.
  void minimize();
  void restore();

  // Shows the main form (unless start-up ended the program) and runs the
  // message loop until the program ends.
  void run();
  void terminate();
  bool terminated() const { return terminated_; }

  // The default error handler: the error's text in a message box.
  void handleException(const std::exception& e);
  int messageBox(const std::string& text, const std::string& caption, unsigned flags);
  // A program run without a user (from a shortcut, with /silent): message
  // boxes and modal forms are not shown. Each box's text is kept in
  // silenced(), a modal form gives Cancel, and a box gives
  // the answer that changes least: OK for OK alone, else No or Cancel.
  void setSilent(bool silent) { silent_ = silent; }
  bool silent() const { return silent_; }
  const std::vector<std::string>& silenced() const { return silenced_; }
  // A message box with the application title and an OK button.
  void showMessage(const std::string& text);

  // While one lives (they nest), showMessage shows each text once: a lookup
  // that fails alike for each of a command's hundred settings tells the
  // user once, not a hundred times. The outermost one forgets what was shown.
  class ReportOnce {
   public:
    explicit ReportOnce(Application& app) : app_(app) { ++app_.reportOnceDepth_; }
    ~ReportOnce() {
      if (--app_.reportOnceDepth_ == 0) app_.reported_.clear();
    }
    ReportOnce(const ReportOnce&) = delete;
    ReportOnce& operator=(const ReportOnce&) = delete;

   private:
    Application& app_;
  };
  void shellOpen(const std::string& target) { backend_.shellOpen(target); }

 private:
  friend class Form;
  friend class FileDialog;
  // The modal dialogs running, innermost last; null for a message box or a
  // file dialog. Every form is told (Property::Enabled) when this changes.
  void beginModal(Form* form);
  void endModal(Form* form);
  void holdChanged();
  std::vector<Form*> modal_;

  Backend& backend_;
  std::string title_, helpFile_;
  int hintHidePause_ = 2500;
  std::vector<std::unique_ptr<Form>> forms_;
  Form* mainForm_ = nullptr;
  bool terminated_ = false;
  int reportOnceDepth_ = 0;
  bool silent_ = false;
  std::vector<std::string> silenced_;
  std::vector<std::string> reported_;
};

}  // namespace kl::ui
