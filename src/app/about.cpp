#include "app/about.h"

#include "ui/layout.h"

namespace kl::app {

using ui::addLabel;

TformAbout::TformAbout(ui::Application& app, platform::Platform&) : Form(app, "formAbout") {
  setStyle({"TformAbout", "About", 356, 289, ui::BorderStyle::Dialog, {false, false, false}});
  setAlphaBlend(true, 0);
  auto& picture = add<ui::Image>("Image1");
  picture.setBounds(4, 4, 125, 281);
  picture.setPicture("LOGO");
  add<ui::Bevel>("Bevel1").setBounds(4, 4, 125, 281);
  auto& box = add<ui::GroupBox>("GroupBox1");
  box.setBounds(133, 0, 219, 255);
  auto& name = addLabel(box, "Label1", "Kestrelune", 10, 30, 200);
  name.setBold(true);
  Label4 = &addLabel(box, "Label4", "version 1.1", 130, 12, 80);
  add<ui::Bevel>("Bevel2").setBounds(143, 90, 199, 2);
  addLabel(box, "Label2", "Written for the owners of", 10, 104, 200);
  addLabel(box, "Label3", "Radeon cards on Windows 2000/XP.", 10, 120, 200);
  addLabel(box, "Label5", "Website:", 10, 160, 50);
  labelWebsite = &addLabel(box, "labelWebsite", "http://www.kestrelune.example/", 64, 160, 150);
  addLabel(box, "Label6", "Mail:", 10, 180, 50);
  labelMail = &addLabel(box, "labelMail", "support@kestrelune.example", 64, 180, 150);
  add<ui::Bevel>("Bevel3").setBounds(143, 210, 199, 2);
  Button1 = &ui::place<ui::Button>(*this, "Button1", "&Close", {277, 261, 75, 25});
  Button1->setModalResult(ui::ModalResult::Ok);
}

}  // namespace kl::app
