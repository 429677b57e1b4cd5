#include "modes/CustomRes.h"

#include "modes/CusResForm.h"
#include "modes/ModeList.h"
#include "ui/layout.h"

namespace kl::modes {
namespace {

const std::vector<std::string>& customResolutions() {
  static const std::vector<std::string> items = {
      "704 x 480",   "720 x 400",   "720 x 480",   "720 x 576",   "848 x 480",  "856 x 480",
      "864 x 480",   "960 x 720",   "1024 x 600",  "1072 x 600",  "1280 x 720", "1280 x 768",
      "1280 x 800",  "1280 x 960",  "1360 x 768",  "1400 x 1050", "1536 x 864", "1600 x 900",
      "1600 x 1000", "1600 x 1024", "1856 x 1392", "2048 x 1152", "2048 x 1280"};
  return items;
}

struct Mode {
  int width, height, rate;
};

// Always the first five records of the list, in this order.
constexpr Mode kFixedModes[] = {
    {1800, 1440, 0}, {1792, 1344, 0}, {1856, 1392, 0}, {1280, 768, 0}, {1600, 1200, 70}};
constexpr std::size_t kFixedCount = sizeof kFixedModes / sizeof kFixedModes[0];

struct Line {
  const char* text;
  int top;
};

constexpr Line kInfoLines[] = {{"Check the custom resolution", 42},
                               {"you want to add. If you want to", 60},
                               {"remove the resolution just un-", 79},
                               {"check the resolution and it  ", 97},
                               {"will be disabled.", 115},
                               {"To restrict the resolution to a", 160},
                               {"defined refreshrate, you should", 178},
                               {"use the refreshrate tab.", 196}};

}  // namespace

CustomResPage::CustomResPage(ui::TabSheet& sheet, platform::Platform& platform,
                             ui::Application& app)
    : platform_(platform), app_(app) {
  groupCustomRes =
      &ui::place<ui::GroupBox>(sheet, "groupCustomRes", " Custom Resolutions ", {2, 1, 379, 362});
  listCusRes = &ui::place<ui::CheckListBox>(*groupCustomRes, "listCusRes", "", {8, 16, 185, 336});
  listCusRes->setItems(customResolutions());
  listCusRes->onEnter = [this] { listCusResEnter(); };
  listCusRes->onClickCheck = [this] { listCusResClickCheck(); };
  buildInfoText();
  imageCusRes = &ui::place<ui::Image>(sheet, "imageCusRes", "", {452, 237, 131, 123});
  imageCusRes->setPicture("LOGO");
}

void CustomResPage::buildInfoText() {
  bevelInfo = &ui::place<ui::Bevel>(*groupCustomRes, "bevelInfo", "", {199, 16, 168, 206});
  labelInfoHeading =
      &ui::addLabel(*groupCustomRes, "labelInfoHeading", "Custom Resolutions:", 208, 24, 155, true);
  int n = 0;
  for (const Line& line : kInfoLines)
    labelInfo.push_back(&ui::addLabel(*groupCustomRes, "labelInfo" + std::to_string(++n), line.text,
                                      208, line.top, 155));
}

void CustomResPage::LoadCustomResolutionChecks() {
  loaded_ = false;
  const std::vector<std::string> modes = ReadNonStandardModes(platform_, app_);
  const std::vector<std::string>& items = listCusRes->items();
  for (std::size_t m = kFixedCount; m < modes.size(); ++m)
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == modes[m]) listCusRes->setChecked(static_cast<int>(i), true);
  loaded_ = true;
}

void CustomResPage::ReloadCustomResolutionChecks() {
  for (std::size_t i = 0; i < listCusRes->items().size(); ++i)
    listCusRes->setChecked(static_cast<int>(i), false);
  LoadCustomResolutionChecks();
}

void CustomResPage::WriteCustomResolutions() {
  std::vector<Mode> modes(std::begin(kFixedModes), std::end(kFixedModes));
  const std::vector<std::string>& items = listCusRes->items();
  for (std::size_t i = 0; i < items.size(); ++i)
    if (listCusRes->isChecked(static_cast<int>(i)))
      modes.push_back({ResolutionPart(0, items[i]), ResolutionPart(1, items[i]), 0});
  std::vector<std::uint8_t> bytes;
  for (const Mode& m : modes) {
    const ModeRecord record = EncodeModeRecord(m.width, m.height, m.rate);
    bytes.insert(bytes.end(), record.bytes.begin(), record.bytes.end());
  }
  const bool unchanged = NonStandardModesHold(platform_, app_, bytes);

  ClearNonStandardModes(platform_, app_);
  for (const Mode& m : modes) AppendNonStandardMode(platform_, app_, m.width, m.height, m.rate);
  // The driver reads the list when Windows starts; say so only when it changed.
  if (!unchanged && restartPrompt_) restartPrompt_->showModal();
}

void CustomResPage::listCusResEnter() {
  if (onModified) onModified();
}

void CustomResPage::listCusResClickCheck() {
  if (onModified) onModified();
}

}  // namespace kl::modes
