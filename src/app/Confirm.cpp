#include "app/Confirm.h"

namespace kl::app {

TConfirmation::TConfirmation(ui::Application& app) : Form(app, "Confirmation"), timer(app) {
  setStyle({"TConfirmation", "Saving Configuration...", 291, 100, ui::BorderStyle::Dialog,
            {true, false, false}});
  auto& frame = add<ui::GroupBox>("GroupBox1");
  frame.setBounds(0, 0, 291, 100);
  auto& text = frame.add<ui::Label>("Label1");
  text.setText("Saving new configuration...");
  text.setBounds(8, 11, 200, 13);
  progConfirm = &frame.add<ui::ProgressBar>("progConfirm");
  progConfirm->setBounds(10, 33, 272, 25);
  progConfirm->setSmooth(true);
  progConfirm->setRange(0, 100);
  butOk = &frame.add<ui::Button>("butOk");
  butOk->setText("&Ok");
  butOk->setBounds(206, 66, 75, 25);
  butOk->setEnabled(false);
  butOk->onClick = [this] { butOkClick(); };
  setDefaultButton(butOk);
  timer.setInterval(10);
  timer.onTimer = [this] { timerTick(); };
  // Run when shown: the instance the program makes at start-up is never
  // shown, and its timer would otherwise tick for as long as it runs.
  onShow = [this] { FormCreate(); };
  onClose = [this] { timer.setEnabled(false); };
}

void TConfirmation::FormCreate() {
  progConfirm->setPosition(0);
  timer.setEnabled(true);
}

void TConfirmation::timerTick() {
  progConfirm->setPosition(progConfirm->position() + 1);
  // Full: OK may close it now, and the timer has nothing left to do.
  if (progConfirm->position() == 100) {
    butOk->setEnabled(true);
    timer.setEnabled(false);
  }
}

void TConfirmation::butOkClick() { close(); }

}  // namespace kl::app
