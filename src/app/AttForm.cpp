#include "app/AttForm.h"

namespace kl::app {

TformAtt::TformAtt(ui::Application& app) : Form(app, "formAtt") {
  setStyle({"TformAtt", "Attention!", 357, 133, ui::BorderStyle::ToolWindow, {true, false, false}});
  auto& picture = add<ui::Image>("Image1");
  picture.setBounds(11, 14, 49, 65);
  picture.setPicture("WARNING");
  const std::tuple<const char*, const char*, int, int> lines[] = {
      {"Label1", "You are about to uninstall the current ATi Radeon drivers", 69, 21},
      {"Label2", "Using this feature may also remove drivers of other installed", 69, 37},
      {"Label3", "graphic cards!", 69, 53},
      {"Label4", "Are you sure you want to do this?", 103, 78}};
  for (const auto& [name, caption, x, y] : lines) {
    auto& l = add<ui::Label>(name);
    l.setText(caption);
    l.setBounds(x, y, 285, 13);
  }
  Button1 = &add<ui::Button>("Button1");
  Button1->setText("&Yes");
  Button1->setBounds(105, 99, 75, 25);
  Button1->setModalResult(ui::ModalResult::Ok);
  Button2 = &add<ui::Button>("Button2");
  Button2->setText("&No");
  Button2->setBounds(184, 99, 75, 25);
  Button2->setModalResult(ui::ModalResult::Cancel);
  setDefaultButton(Button1);
  setCancelButton(Button2);
  Button1->onClick = [this] { Button1Click(); };
  // Every showing starts on "&Yes", so Enter chooses it whatever had the
  // focus when the warning was last closed.
  onShow = [this] { moveFocus(Button1); };
  Button2->onClick = [this] { Button2Click(); };
}

void TformAtt::Button1Click() {
  if (confirmed_) *confirmed_ = true;
}

void TformAtt::Button2Click() {
  if (confirmed_) *confirmed_ = false;
}

}  // namespace kl::app
