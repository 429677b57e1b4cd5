#pragma once
// Temporary: what today's main window calls on its own overclocking
// controls. It goes when the main window composes OCPanel instead.
namespace kl::app {
class TMainForm;
}

namespace kl::overclock {

// Opens the hardware-access device and reads the card's clock reference
// values; false when the device cannot be opened.
bool InitClockInfo(app::TMainForm& form);
// Sets the clock track bars, labels and timing controls from the card;
// raises an error when the card cannot be read.
void ShowClocks(app::TMainForm& form);
// Disables every control of the overclocking page.
void DisableOverclockPanel(app::TMainForm& form);
void CloseProbe(app::TMainForm& form);
// Registers the start-up overclock (Run entry and "OCInfo"), or removes it.
void WriteStartupOverclock(app::TMainForm& form, bool runAtStartup);
// Stores "8500" = 1 or 0 from check8500OC; reports its own failure.
void WriteCardType(app::TMainForm& form);

}  // namespace kl::overclock
