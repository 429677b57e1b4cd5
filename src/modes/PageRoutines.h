#pragma once
// What the main window asks of the custom-resolution and refresh-rate pages.
namespace kl::app {
class TMainForm;
}

namespace kl::modes {

// Ticks the entries of listCusRes that the driver's non-standard list holds.
void LoadCustomResolutionChecks(app::TMainForm& form);
// Rewrites the driver's non-standard mode list from listCusRes.
void WriteCustomResolutions(app::TMainForm& form);
// One label pair and rate box per resolution inside groupRes.
void BuildRefreshRatePage(app::TMainForm& form);
// Writes the restricted-mode values and the per-resolution rates.
void ApplyRefreshRates(app::TMainForm& form);

}  // namespace kl::modes
