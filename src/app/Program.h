#pragma once
// The application object: owns the toolkit application and the nine windows,
// and runs the program on the platform services it is given. The program
// entry builds one with the real services; a test builds a fresh one with
// the in-memory services and the headless backend.
#include "platform/platform.h"
#include "ui/application.h"

namespace kl::app {

class TMainForm;
class TformHelp;
class TformAtt;
class TformAbout;
class TConfirmation;
}  // namespace kl::app
namespace kl::modes {
class TformCusRes;
class TformRestartRR;
class TformRestartApplyRR;
}  // namespace kl::modes
namespace kl::settings {
class TformOptions;
}  // namespace kl::settings
namespace kl::app {
using modes::TformCusRes;
using modes::TformRestartRR;
using modes::TformRestartApplyRR;
using settings::TformOptions;

// The nine windows, filled in the order they are created.
struct Windows {
  TMainForm* MainForm = nullptr;
  TformHelp* formHelp = nullptr;
  TformAtt* formAtt = nullptr;
  TformAbout* formAbout = nullptr;
  TConfirmation* Confirmation = nullptr;
  TformCusRes* formCusRes = nullptr;
  TformOptions* formOptions = nullptr;
  TformRestartRR* formRestartRR = nullptr;
  TformRestartApplyRR* formRestartApplyRR = nullptr;
};

class Program {
 public:
  Program(platform::Platform& platform, ui::Backend& backend);
  ~Program();
  // Title, help file and hint pause, then the nine windows in their order;
  // creating the main window runs its start-up.
  void createWindows();
  // The message loop, until the main window closes.
  void run();

  ui::Application& app() { return app_; }
  Windows& windows() { return windows_; }
  platform::Platform& platform() { return platform_; }

 private:
  platform::Platform& platform_;
  ui::Application app_;
  Windows windows_;
};

}  // namespace kl::app
