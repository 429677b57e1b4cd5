#pragma once
// The application object: owns the toolkit application and the nine windows,
// and runs the program on the platform services it is given. The program
// entry builds one with the real services; a test builds a fresh one with
// the in-memory services and the headless backend.
#include <cstdint>
#include <string>

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

// What became of a profile applied from a shortcut: the exit code of
// "Kestrelune.exe /profile FILE".
enum class ProfileOutcome : int {
  Applied = 0,
  NotAProfile = 1,     // missing, or it holds no Kestrelune settings
  WriteFailed = 2,     // Apply stopped at a write the registry refused
  AnotherCopy = 3,     // a running Kestrelune was asked to apply it
  CannotRun = 4,       // this Windows is not 2000 or XP
};

// Requests a second start sends to the running copy's main window
// (WM_COPYDATA): its code, and the profile's full path as data.
enum class Request : std::uint32_t {
  ShowWindow = 1,            // restore from the tray, to the front
  ApplyProfile = 2,          // answer: the ProfileOutcome
  ApplyProfileSilently = 3,  // the same without message boxes
};
// The running copy's answer while a dialog of its own is open: it applies
// nothing then.
constexpr int kBusyAnswer = 5;

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
  // "Kestrelune.exe /profile FILE [/silent]": start-up without showing a
  // window or the tray icon, then the profile applied as File > Open does.
  // Silent: no message box at all.
  ProfileOutcome runProfileCommand(const std::string& file, bool silent);

  ui::Application& app() { return app_; }
  Windows& windows() { return windows_; }
  platform::Platform& platform() { return platform_; }

 private:
  platform::Platform& platform_;
  ui::Application app_;
  Windows windows_;
};

}  // namespace kl::app
