#pragma once
// The Refreshrates page: one row per resolution of the display with a
// drop-down list of its refresh rates. Apply pins each resolution to the
// chosen rate by restricting every rate listed before it in the driver's
// restricted-mode list; once such a list exists the page is locked until
// "Unlock Refreshrates" empties it. The driver reads the list after Windows
// restarts, so both actions end with a restart prompt.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "ui/controls.h"

namespace kl::modes {

class TformRestartRR;
class TformRestartApplyRR;

// Refresh rates in Hz, in the order the display enumeration reports them.
using TFrequency = std::vector<std::int32_t>;

class RefreshRatesPage {
 public:
  // Builds the page's design-time controls inside `tabRefreshrates`; the rows
  // come with BuildRefreshRatePage.
  // The controls belong to the sheet and their handlers call this page: the
  // page lives as long as the sheet.
  RefreshRatesPage(ui::TabSheet& tabRefreshrates, platform::Platform& platform,
                   ui::Application& app);
  RefreshRatesPage(const RefreshRatesPage&) = delete;
  RefreshRatesPage& operator=(const RefreshRatesPage&) = delete;

  // The restart prompts, created after the main window. Until they are set
  // the page writes as usual and shows no prompt.
  void setPrompts(TformRestartRR* restart, TformRestartApplyRR* restartApply);

  // Start-up, once: one row per resolution except the last two, locked or
  // unlocked as the restricted-mode list says.
  void BuildRefreshRatePage();
  // True once BuildRefreshRatePage completed; a page never built has no
  // choices to write.
  bool loaded() const { return loaded_; }
  // After the restricted-mode list was replaced (a restore of the settings
  // before Kestrelune): the group and the rows show whether it is locked.
  void ShowLockState();
  // Apply: on an unlocked page, empties the restricted-mode list, shows the
  // restart prompt, then pins every row to its chosen rate.
  void ApplyRefreshRates();

  std::vector<std::string> ListResolutions();
  TFrequency ListRefreshRates(int width, int height);
  // Restricts every rate listed before the last occurrence of `rate`.
  void LockRefreshRate(int width, int height, int rate);

  void SpeedResetRRClick();
  void groupResEnter();

  // The focus entered the group: the settings are modified, and Apply is to
  // write the refresh rates from now on.
  std::function<void()> onModified;
  std::function<void()> onRatesEntered;

  ui::GroupBox* groupRes = nullptr;
  ui::Bevel* Bevel1 = nullptr;
  ui::Bevel* Bevel2 = nullptr;
  ui::SpeedButton* SpeedResetRR = nullptr;

  struct Row {
    ui::Label* resolution = nullptr;
    ui::Label* separator = nullptr;
    ui::ComboBox* rates = nullptr;
  };
  // In resolution order; owned by groupRes for the life of the page.
  std::vector<Row> rows;

 private:
  // The modes of the last qualifying display adapter, read once for a whole
  // page: a page has some 25 rows and the adapter hundreds of modes, and
  // under Wine each enumeration call is a server round trip.
  std::vector<platform::DisplayMode> adapterModes();
  void addRow(int index, const std::string& resolution, int x, int y, bool unlocked,
              const std::vector<platform::DisplayMode>& modes);
  void lockRate(const TFrequency& rates, int width, int height, int rate);

  platform::Platform& platform_;
  ui::Application& app_;
  TformRestartRR* restartPrompt_ = nullptr;
  TformRestartApplyRR* restartApplyPrompt_ = nullptr;
  bool loaded_ = false;
};

}  // namespace kl::modes
