#include "overclock/OCPanelLegacy.h"

#include "app/MainProg.h"
#include "platform/error.h"
#include "platform/registry_access.h"

namespace kl::overclock {

// Today's main window has no page object to read the card into: the panel
// cannot be initialised there, so its start-up disables it.
bool InitClockInfo(app::TMainForm&) { return false; }

void ShowClocks(app::TMainForm&) { throw Error("Cannot connect to r6probe"); }

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
