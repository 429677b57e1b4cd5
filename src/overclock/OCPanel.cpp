#include "overclock/OCPanel.h"

#include "app/MainProg.h"
#include "platform/error.h"
#include "platform/registry_access.h"

namespace kl::overclock {

// The device and the clock programming are not part of this build yet: the
// panel cannot be initialised, so start-up disables it.
bool InitClockInfo(app::TMainForm&) { return false; }

void ShowClocks(app::TMainForm&) {
  throw Error("Cannot connect to r6probe");
}

void DisableOverclockPanel(app::TMainForm& form) {
  for (ui::Control* c : form.tabOC->children()) c->setEnabled(false);
}

void CloseProbe(app::TMainForm&) {}

void WriteStartupOverclock(app::TMainForm&, bool) {}

void WriteCardType(app::TMainForm& form) {
  try {
    platform::RegistryAccess reg(form.platform().registry, platform::kHkeyCurrentUser);
    reg.openKey("Software\\Kestrelune", false);
    reg.writeInteger("8500", form.check8500OC->checked() ? 1 : 0);
  } catch (const Error&) {
    form.app().showMessage("Cannot write overclock data to registry");
  }
}

}  // namespace kl::overclock
