#include "app/Program.h"

#include "app/Confirm.h"
#include "app/MainProg.h"
#include "app/AboutForm.h"
#include "app/AttForm.h"
#include "app/HelpForm.h"
#include "modes/CusResForm.h"
#include "settings/Options.h"

namespace kl::app {

Program::Program(platform::Platform& platform, ui::Backend& backend)
    : platform_(platform), app_(backend) {}

Program::~Program() = default;

void Program::createWindows() {
  app_.setTitle("Kestrelune");
  app_.setHelpFile("");
  app_.setHintHidePause(10000);
  windows_.MainForm = &app_.createForm<TMainForm>(platform_, windows_);
  windows_.formHelp = &app_.createForm<TformHelp>(platform_);
  windows_.formAtt = &app_.createForm<TformAtt>();
  windows_.formAbout = &app_.createForm<TformAbout>(platform_);
  windows_.Confirmation = &app_.createForm<TConfirmation>();
  windows_.formCusRes = &app_.createForm<modes::TformCusRes>();
  windows_.formOptions = &app_.createForm<settings::TformOptions>(platform_);
  windows_.formRestartRR = &app_.createForm<modes::TformRestartRR>();
  windows_.formRestartApplyRR = &app_.createForm<modes::TformRestartApplyRR>();
  windows_.MainForm->connectDialogs();
}

void Program::run() { app_.run(); }

ProfileOutcome Program::runProfileCommand(const std::string& file, bool silent) {
  app_.setSilent(silent);
  createWindows();
  if (app_.terminated()) return ProfileOutcome::CannotRun;
  return windows_.MainForm->applyProfileCommand(file);
}

}  // namespace kl::app
