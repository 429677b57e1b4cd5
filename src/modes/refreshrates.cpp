#include "modes/refreshrates.h"

#include "modes/CusResForm.h"
#include "modes/ModeList.h"
#include "ui/layout.h"

namespace kl::modes {
namespace {

constexpr std::size_t kMaxRates = 100;
constexpr int kFirstColumn = 15, kColumnStep = 192, kFirstRowTop = 30, kRowStep = 30;

// State flags of devices that are no display adapter of their own.
bool qualifies(std::uint32_t stateFlags) {
  return stateFlags != 1 && stateFlags != 2 && stateFlags != 8 && stateFlags != 16;
}

// The 16-bit modes of one resolution among `modes`, duplicates kept, at most
// kMaxRates of them.
TFrequency ratesIn(const std::vector<platform::DisplayMode>& modes, int width, int height) {
  TFrequency rates;
  for (const platform::DisplayMode& mode : modes) {
    if (rates.size() >= kMaxRates) break;
    if (static_cast<int>(mode.width) == width && static_cast<int>(mode.height) == height &&
        mode.bitsPerPixel == 16)
      rates.push_back(static_cast<std::int32_t>(mode.frequency));
  }
  return rates;
}

}  // namespace

RefreshRatesPage::RefreshRatesPage(ui::TabSheet& sheet, platform::Platform& platform,
                                   ui::Application& app)
    : platform_(platform), app_(app) {
  groupRes =
      &ui::place<ui::GroupBox>(sheet, "groupRes", " Refreshrates (Unlocked) ", {2, 1, 587, 362});
  Bevel1 = &ui::place<ui::Bevel>(*groupRes, "Bevel1", "", {190, 12, 2, 340});
  Bevel2 = &ui::place<ui::Bevel>(*groupRes, "Bevel2", "", {382, 12, 2, 340});
  SpeedResetRR = &ui::place<ui::SpeedButton>(*groupRes, "SpeedResetRR", "Unlock Refreshrates",
                                             {394, 316, 182, 35});
  SpeedResetRR->onClick = [this] { SpeedResetRRClick(); };
  groupRes->onEnter = [this] { groupResEnter(); };
}

void RefreshRatesPage::setPrompts(TformRestartRR* restart, TformRestartApplyRR* restartApply) {
  restartPrompt_ = restart;
  restartApplyPrompt_ = restartApply;
}

// The modes of the current display device; only consecutive repeats of a
// resolution are dropped, so one reported again per colour depth stays.
std::vector<std::string> RefreshRatesPage::ListResolutions() {
  std::vector<std::string> resolutions;
  std::string previous = "dummy";
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; platform_.display.enumSettings("", i, &mode); ++i) {
    const std::string text =
        ResolutionText(static_cast<int>(mode.width), static_cast<int>(mode.height));
    if (text != previous) resolutions.push_back(text);
    previous = text;
  }
  return resolutions;
}

std::vector<platform::DisplayMode> RefreshRatesPage::adapterModes() {
  std::string adapter;
  platform::DisplayDevice device;
  for (std::uint32_t i = 0; platform_.display.enumDevice(i, &device); ++i)
    if (qualifies(device.stateFlags)) adapter = device.name;
  std::vector<platform::DisplayMode> modes;
  platform::DisplayMode mode;
  for (std::uint32_t i = 0; platform_.display.enumSettings(adapter, i, &mode); ++i)
    modes.push_back(mode);
  return modes;
}

// The 16-bit modes of the last display adapter, duplicates kept.
TFrequency RefreshRatesPage::ListRefreshRates(int width, int height) {
  return ratesIn(adapterModes(), width, height);
}

void RefreshRatesPage::BuildRefreshRatePage() {
  const std::vector<std::string> resolutions = ListResolutions();
  const std::vector<platform::DisplayMode> modes = adapterModes();
  const bool unlocked = !RefreshRatesLocked(platform_, app_);
  groupRes->setText(unlocked ? " Refreshrates (Unlocked) " : " Refreshrates (Locked) ");
  // The last two resolutions get no row.
  const int count = static_cast<int>(resolutions.size()) - 2;
  int x = kFirstColumn, y = kFirstRowTop;
  for (int i = 0; i < count; ++i) {
    addRow(i, resolutions[i], x, y, unlocked, modes);
    // Eleven rows fill each of the first two columns; the third grows on.
    if (i == 10 || i == 21) {
      x += kColumnStep;
      y = kFirstRowTop;
    } else {
      y += kRowStep;
    }
  }
  loaded_ = true;
}

void RefreshRatesPage::ShowLockState() {
  const bool unlocked = !RefreshRatesLocked(platform_, app_);
  groupRes->setText(unlocked ? " Refreshrates (Unlocked) " : " Refreshrates (Locked) ");
  for (Row& row : rows) row.rates->setEnabled(unlocked);
}

void RefreshRatesPage::addRow(int index, const std::string& resolution, int x, int y,
                              bool unlocked, const std::vector<platform::DisplayMode>& modes) {
  const std::string n = std::to_string(index);
  Row row;
  row.resolution = &ui::addLabel(*groupRes, "labelRes" + n, resolution, x, y, 65);
  row.separator = &ui::addLabel(*groupRes, "labelAt" + n, "@", x + 67, y, 12);
  row.rates = &ui::place<ui::ComboBox>(*groupRes, "comboRate" + n, "", {x + 87, y - 4, 70, 21});
  std::vector<std::string> items;
  for (std::int32_t rate :
       ratesIn(modes, ResolutionPart(0, resolution), ResolutionPart(1, resolution)))
    items.push_back(std::to_string(rate));
  row.rates->setItems(items);
  row.rates->setItemIndex(0);
  row.rates->setEnabled(unlocked);
  rows.push_back(row);
}

void RefreshRatesPage::ApplyRefreshRates() {
  if (rows.empty()) return;
  if (rows.front().rates->enabled()) {
    ClearRestrictedModes(platform_, app_);
    if (restartApplyPrompt_) restartApplyPrompt_->showModal();
  }
  const std::vector<platform::DisplayMode> modes = adapterModes();
  for (const Row& row : rows) {
    const ui::ComboBox& box = *row.rates;
    if (!box.enabled() || box.itemIndex() < 0) continue;
    const std::string& text = row.resolution->text();
    const int width = ResolutionPart(0, text), height = ResolutionPart(1, text);
    lockRate(ratesIn(modes, width, height), width, height,
             std::stoi(box.items()[static_cast<std::size_t>(box.itemIndex())]));
  }
}

void RefreshRatesPage::LockRefreshRate(int width, int height, int rate) {
  lockRate(ListRefreshRates(width, height), width, height, rate);
}

void RefreshRatesPage::lockRate(const TFrequency& rates, int width, int height, int rate) {
  std::size_t k = rates.size();
  for (std::size_t j = 0; j < rates.size(); ++j)
    if (rates[j] == rate) k = j;
  if (k == rates.size()) return;  // not offered (also: no rates at all)
  for (std::size_t j = 0; j < k; ++j)
    AppendRestrictedMode(platform_, app_, EncodeModeRecord(width, height, rates[j]));
}

// The page keeps its state: it shows the new one at the next start.
void RefreshRatesPage::SpeedResetRRClick() {
  ClearRestrictedModes(platform_, app_);
  if (restartPrompt_) restartPrompt_->showModal();
}

void RefreshRatesPage::groupResEnter() {
  if (onModified) onModified();
  if (onRatesEntered) onRatesEntered();
}

}  // namespace kl::modes
