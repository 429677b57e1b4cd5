#include "app/AboutForm.h"

#include "system/SystemQueries.h"
#include "ui/application.h"
#include "ui/layout.h"

namespace kl::app {

using ui::addLabel;

TformAbout::TformAbout(ui::Application& app, platform::Platform& platform)
    : Form(app, "formAbout"), timer(app), platform_(platform) {
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
  labelWebsite = &addLabel(box, "labelWebsite", "http://kestrelune.example.org/", 64, 160, 150);
  addLabel(box, "Label6", "Mail:", 10, 180, 50);
  labelMail = &addLabel(box, "labelMail", "kestrelune@example.org", 64, 180, 150);
  labelWebsite->setLink(true);
  labelMail->setLink(true);
  add<ui::Bevel>("Bevel3").setBounds(143, 210, 199, 2);
  Button1 = &ui::place<ui::Button>(*this, "Button1", "&Close", {277, 261, 75, 25});
  Button1->setModalResult(ui::ModalResult::Ok);
  timer.setInterval(1);
  timer.onTimer = [this] { timerTick(); };
  labelWebsite->onClick = [this] { labelWebsiteClick(); };
  labelMail->onClick = [this] { labelMailClick(); };
  Button1->onClick = [this] { Button1Click(); };
  onShow = [this] { FormShow(); };
  onClose = [this] { timer.setEnabled(false); };
}

void TformAbout::FormCreate() { timer.setEnabled(true); }

void TformAbout::FormShow() {
  Label4->setText("version " + system::GetProgramVersion(platform_));
  FormCreate();
}

// One step more opaque per tick; fully opaque, the timer has done its work.
void TformAbout::timerTick() {
  if (alphaValue() < 255) setAlphaBlend(true, alphaValue() + 1);
  if (alphaValue() >= 255) timer.setEnabled(false);
}

// The links open exactly what they show.
void TformAbout::labelWebsiteClick() { app().shellOpen(labelWebsite->text()); }

void TformAbout::labelMailClick() { app().shellOpen("mailto:" + labelMail->text()); }

void TformAbout::Button1Click() { close(); }

}  // namespace kl::app
