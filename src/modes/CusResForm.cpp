#include "modes/CusResForm.h"

namespace kl::modes {

TformCusRes::TformCusRes(ui::Application& app)
    : TformCusRes(app, "formCusRes", "TformCusRes", "Custom Resolutions",
                  "You must restart Windows in order to apply", "the changed settings.") {}

TformCusRes::TformCusRes(ui::Application& app, const std::string& name,
                         const std::string& windowClass, const std::string& caption,
                         const std::string& line1, const std::string& line2)
    : Form(app, name) {
  setStyle({windowClass, caption, 313, 109, ui::BorderStyle::Dialog, {true, false, false}});
  auto& box = add<ui::GroupBox>("GroupBox1");
  box.setBounds(0, 0, 313, 109);
  auto& picture = box.add<ui::Image>("Image1");
  picture.setBounds(17, 14, 49, 51);
  picture.setPicture("WARNING");
  Label1 = &box.add<ui::Label>("Label1");
  Label1->setText(line1);
  Label1->setBounds(85, 24, 220, 13);
  Label2 = &box.add<ui::Label>("Label2");
  Label2->setText(line2);
  Label2->setBounds(85, 42, 220, 13);
  butOKCusRes = &box.add<ui::Button>("butOKCusRes");
  butOKCusRes->setText("&Ok");
  butOKCusRes->setBounds(119, 75, 75, 25);
  butOKCusRes->setModalResult(ui::ModalResult::Ok);
  setDefaultButton(butOKCusRes);
}

TformRestartRR::TformRestartRR(ui::Application& app)
    : TformCusRes(app, "formRestartRR", "TformRestartRR", "Restart Windows",
                  "You must restart Windows in order to unlock", "the locked refreshrates.") {}

TformRestartApplyRR::TformRestartApplyRR(ui::Application& app)
    : TformRestartRR(app, "formRestartApplyRR", "TformRestartApplyRR", "Restart Windows",
                     "You must restart Windows in order to apply", "the chosen refreshrates.") {}

}  // namespace kl::modes
