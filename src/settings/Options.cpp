#include "settings/Options.h"

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

void TformOptions::FormShow() {
  platform::RegistryAccess reg(platform_.registry, platform::kHkeyCurrentUser);
  reg.openKey(kProgramKey, false);
  const bool useAlt = reg.valueExists("Use_AltPath") && reg.readInteger("Use_AltPath") == 1;
  checkAltPath->setChecked(useAlt);
  editAltPath->setEnabled(useAlt);
  editAltPath->setText(useAlt ? reg.readString("AlternativePath") : GetDriverKey(platform_, app()));
}

void TformOptions::checkAltPathClick() { editAltPath->setEnabled(checkAltPath->checked()); }

// The path in use is computed before the switch changes, so a detected path
// stays stored when the option is turned off.
void TformOptions::SpeedButton1Click() {
  const bool useAlt = checkAltPath->checked();
  const std::string path = useAlt ? editAltPath->text() : GetDriverKey(platform_, app());
  platform::RegistryAccess reg(platform_.registry, platform::kHkeyCurrentUser);
  reg.openKey(kProgramKey, false);
  reg.writeString("AlternativePath", path);
  reg.writeInteger("Use_AltPath", useAlt ? 1 : 0);
  close();
}

}  // namespace kl::settings
