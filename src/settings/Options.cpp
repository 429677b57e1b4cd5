#include "settings/Options.h"

#include "platform/error.h"
#include "platform/registry_access.h"
#include "settings/DriverKey.h"
#include "ui/application.h"

namespace kl::settings {

namespace {
constexpr char kProgramKey[] = "Software\\Kestrelune";
}

TformOptions::TformOptions(ui::Application& app, platform::Platform& platform)
    : Form(app, "formOptions"), platform_(platform) {
  setStyle({"TformOptions", "Options", 379, 274, ui::BorderStyle::Dialog, {false, false, false}});
  auto& box = add<ui::GroupBox>("GroupBox1");
  box.setText(" Options ");
  box.setBounds(8, 8, 363, 220);
  checkAltPath = &box.add<ui::CheckBox>("checkAltPath");
  checkAltPath->setText("Manually add driverpath");
  checkAltPath->setBold(true);
  checkAltPath->setBounds(12, 24, 250, 17);
  auto& prefix = box.add<ui::Label>("Label1");
  prefix.setText("HKEY_LOCAL_MACHINE\\");
  prefix.setBounds(12, 54, 130, 13);
  editAltPath = &box.add<ui::Edit>("editAltPath");
  editAltPath->setBounds(12, 72, 339, 21);
  SpeedButton1 = &add<ui::SpeedButton>("SpeedButton1");
  SpeedButton1->setText("&Ok");
  SpeedButton1->setBounds(296, 240, 75, 25);
  onShow = [this] { FormShow(); };
  checkAltPath->onClick = [this] { checkAltPathClick(); };
  SpeedButton1->onClick = [this] { SpeedButton1Click(); };
}

// A "Use_AltPath" of the wrong type is reported, and the dialog opens as if
// the option were off, with the detected path: "&Ok" then stores a switch of
// the right type, so the dialog is the way to mend it.
void TformOptions::FormShow() {
  bool useAlt = false;
  std::string path;
  try {
    platform::RegistryAccess reg(platform_.registry, platform::kHkeyCurrentUser);
    reg.openKey(kProgramKey, false);
    useAlt = reg.valueExists("Use_AltPath") && reg.readInteger("Use_AltPath") == 1;
    path = useAlt ? reg.readString("AlternativePath") : GetDriverKey(platform_, app());
  } catch (const std::exception& e) {
    app().handleException(e);
    useAlt = false;
    path = DetectedDriverKey(platform_, app());
  }
  checkAltPath->setChecked(useAlt);
  editAltPath->setEnabled(useAlt);
  editAltPath->setText(path);
}

void TformOptions::checkAltPathClick() { editAltPath->setEnabled(checkAltPath->checked()); }

// The path in use is computed before the switch changes, so a detected path
// stays stored when the option is turned off. The dialog closes whether or
// not the values could be stored; a failure is reported after it has gone.
void TformOptions::SpeedButton1Click() {
  const bool useAlt = checkAltPath->checked();
  try {
    const std::string path = useAlt ? editAltPath->text() : pathInUse();
    platform::RegistryAccess reg(platform_.registry, platform::kHkeyCurrentUser);
    reg.openKey(kProgramKey, false);
    reg.writeString("AlternativePath", path);
    reg.writeInteger("Use_AltPath", useAlt ? 1 : 0);
  } catch (...) {
    close();
    throw;
  }
  close();
}

// The driver key as GetDriverKey finds it now; the detected one when the
// switch cannot be read.
std::string TformOptions::pathInUse() {
  try {
    return GetDriverKey(platform_, app());
  } catch (const Error&) {
    return DetectedDriverKey(platform_, app());
  }
}

}  // namespace kl::settings
