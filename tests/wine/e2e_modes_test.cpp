// End-to-end: the Refreshrates and Custom Resolutions pages of the real
// Kestrelune.exe on the harness's X server, whose monitor reports real
// modes with their refresh rates. The tests work out what the pages must
// show from the display enumeration themselves, and check the driver's
// binary mode lists byte for byte.
#include "e2e_support.h"

namespace kl::e2e {
namespace {

constexpr int kCustomResolutionsPage = 8;
constexpr int kRefreshratesPage = 9;
const char* const kRestricted[] = {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                                   "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"};
const char* const kNonStandard[] = {"DALNonStandardModesBCD", "DALNonStandardModesBCD1"};

// Four decimal digits, two per byte, the most significant pair first.
void appendBcd(std::vector<BYTE>& bytes, int number) {
  bytes.push_back(static_cast<BYTE>((number / 1000 % 10) << 4 | number / 100 % 10));
  bytes.push_back(static_cast<BYTE>((number / 10 % 10) << 4 | number % 10));
}

// A mode record: width, height, two zero bytes, refresh rate (0: any).
std::vector<BYTE> record(int width, int height, int rate) {
  std::vector<BYTE> bytes;
  appendBcd(bytes, width);
  appendBcd(bytes, height);
  bytes.push_back(0);
  bytes.push_back(0);
  appendBcd(bytes, rate);
  return bytes;
}

void append(std::vector<BYTE>& to, const std::vector<BYTE>& bytes) {
  to.insert(to.end(), bytes.begin(), bytes.end());
}

// The five modes every custom-resolution list begins with.
std::vector<BYTE> fixedModes() {
  std::vector<BYTE> bytes;
  for (const auto& m : {record(1800, 1440, 0), record(1792, 1344, 0), record(1856, 1392, 0),
                        record(1280, 768, 0), record(1600, 1200, 70)})
    append(bytes, m);
  return bytes;
}

struct ExpectedRow {
  int width, height;
  std::string resolution;          // "800 x 600"
  std::vector<std::string> rates;  // the drop-down list's items
};

// What the Refreshrates page must show: a row for each resolution of the
// display's modes (a resolution repeated right after itself counted once)
// but the last two, each with the 16-bit rates of the last display adapter
// that is one, in enumeration order, duplicates kept.
std::vector<ExpectedRow> expectedRows() {
  std::vector<ExpectedRow> rows;
  DEVMODEA mode{};
  mode.dmSize = sizeof mode;
  std::string previous;
  for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &mode); ++i) {
    const std::string text =
        std::to_string(mode.dmPelsWidth) + " x " + std::to_string(mode.dmPelsHeight);
    if (text != previous)
      rows.push_back(
          {static_cast<int>(mode.dmPelsWidth), static_cast<int>(mode.dmPelsHeight), text, {}});
    previous = text;
  }
  rows.resize(rows.size() >= 2 ? rows.size() - 2 : 0);
  std::string adapter;
  DISPLAY_DEVICEA device{};
  device.cb = sizeof device;
  for (DWORD i = 0; EnumDisplayDevicesA(nullptr, i, &device, 0); ++i) {
    const DWORD f = device.StateFlags;
    if (f != 1 && f != 2 && f != 8 && f != 16) adapter = device.DeviceName;
  }
  for (ExpectedRow& row : rows) {
    for (DWORD i = 0; row.rates.size() < 100 &&
                      EnumDisplaySettingsA(adapter.empty() ? nullptr : adapter.c_str(), i, &mode);
         ++i)
      if (static_cast<int>(mode.dmPelsWidth) == row.width &&
          static_cast<int>(mode.dmPelsHeight) == row.height && mode.dmBitsPerPel == 16)
        row.rates.push_back(std::to_string(mode.dmDisplayFrequency));
  }
  return rows;
}

// The records that pin a row to the rate of that item: every rate listed
// before the rate's last occurrence is restricted.
std::vector<BYTE> pinned(const ExpectedRow& row, int item) {
  const std::string& rate = row.rates[static_cast<std::size_t>(item)];
  std::size_t last = 0;
  for (std::size_t j = 0; j < row.rates.size(); ++j)
    if (row.rates[j] == rate) last = j;
  std::vector<BYTE> bytes;
  for (std::size_t j = 0; j < last; ++j)
    append(bytes, record(row.width, row.height, std::stoi(row.rates[j])));
  return bytes;
}

class DisplayModes : public EndToEnd {
 protected:
  static std::string restrictedValues() {
    std::string all;
    for (const char* name : kRestricted)
      all += std::string(name) + "=" + valueOf(HKEY_LOCAL_MACHINE, driverKey(), name) + "\n";
    return all;
  }
  static std::string restrictedAll(const std::vector<BYTE>& bytes) {
    std::string all;
    for (const char* name : kRestricted) all += std::string(name) + "=" + binaryValue(bytes) + "\n";
    return all;
  }
  static std::string nonStandardValues() {
    std::string all;
    for (const char* name : kNonStandard)
      all += std::string(name) + "=" + valueOf(HKEY_LOCAL_MACHINE, driverKey(), name) + "\n";
    return all;
  }
  static std::string nonStandardAll(const std::vector<BYTE>& bytes) {
    std::string all;
    for (const char* name : kNonStandard)
      all += std::string(name) + "=" + binaryValue(bytes) + "\n";
    return all;
  }
  // A machine the program has run on before, with these lists.
  static void seedLists(const std::vector<BYTE>& restricted, const std::vector<BYTE>* nonStandard) {
    setText(HKEY_CURRENT_USER, "Software\\Kestrelune", "FirstRun", "No");
    for (const char* name : kRestricted)
      setRaw(HKEY_LOCAL_MACHINE, driverKey(), name, REG_BINARY, restricted);
    if (nonStandard)
      for (const char* name : kNonStandard)
        setRaw(HKEY_LOCAL_MACHINE, driverKey(), name, REG_BINARY, *nonStandard);
  }
  static HWND openPage(Kestrelune& program, int page) {
    HWND main = program.waitWindow("Kestrelune");
    if (!main) return nullptr;
    program.clickTab(findControl(main, "TabPages"), page);
    settle(main);
    return main;
  }
  static std::vector<std::string> captions(const std::vector<Notice>& notices) {
    std::vector<std::string> all;
    for (const Notice& n : notices) all.push_back(n.caption);
    return all;
  }
};

TEST_F(DisplayModes, TheRefreshratesPageListsTheRealModesUnlockedAfterTheFirstRun) {
  const std::vector<ExpectedRow> rows = expectedRows();
  // The harness's monitor: several resolutions with three or more rates.
  ASSERT_GE(rows.size(), 4u);
  for (const ExpectedRow& row : rows) EXPECT_GE(row.rates.size(), 3u) << row.resolution;
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program, kRefreshratesPage);
  ASSERT_NE(nullptr, main);
  EXPECT_EQ(" Refreshrates (Unlocked) ", textOf(findControl(main, "groupRes")));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(rows[i].resolution);
    const std::string n = std::to_string(i);
    EXPECT_EQ(rows[i].resolution, textOf(findControl(main, "labelRes" + n)));
    HWND combo = findControl(main, "comboRate" + n);
    ASSERT_NE(nullptr, combo);
    EXPECT_EQ(rows[i].rates, comboItems(combo));
    EXPECT_EQ(0, SendMessageA(combo, CB_GETCURSEL, 0, 0));
    EXPECT_NE(FALSE, IsWindowEnabled(combo));
  }
  EXPECT_EQ(nullptr, findControl(main, "comboRate" + std::to_string(rows.size())));
  // The first run emptied the restricted lists.
  EXPECT_EQ(restrictedAll({}), restrictedValues());
  EXPECT_TRUE(closeProgram(program, main));
}

TEST_F(DisplayModes, PinningARateWritesTheRestrictedListsAndTheNextStartIsLocked) {
  const std::vector<ExpectedRow> rows = expectedRows();
  // The first row whose third rate restricts others.
  std::size_t chosen = rows.size();
  for (std::size_t i = 0; i < rows.size() && chosen == rows.size(); ++i)
    if (rows[i].rates.size() >= 3 && !pinned(rows[i], 2).empty()) chosen = i;
  ASSERT_LT(chosen, rows.size());
  std::vector<BYTE> expected;
  for (std::size_t i = 0; i < rows.size(); ++i)
    append(expected, pinned(rows[i], i == chosen ? 2 : 0));

  Kestrelune program(windowsOfRun());
  HWND main = openPage(program, kRefreshratesPage);
  ASSERT_NE(nullptr, main);
  ASSERT_TRUE(pickItem(program, findControl(main, "comboRate" + std::to_string(chosen)), 2));
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  const std::vector<Notice> notices = applyAll(program, main);
  // The custom-resolution list is written for the first time, then the
  // rates are pinned.
  ASSERT_EQ((std::vector<std::string>{"Custom Resolutions", "Restart Windows"}), captions(notices));
  EXPECT_NE(std::string::npos, notices[1].texts.find("You must restart Windows in order to apply|"
                                                     "the chosen refreshrates.|"));
  EXPECT_EQ(restrictedAll(expected), restrictedValues()) << rows[chosen].resolution;
  EXPECT_TRUE(closeProgram(program, main));

  Kestrelune again(windowsOfRun());
  main = openPage(again, kRefreshratesPage);
  ASSERT_NE(nullptr, main);
  EXPECT_EQ(" Refreshrates (Locked) ", textOf(findControl(main, "groupRes")));
  for (std::size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(FALSE, IsWindowEnabled(findControl(main, "comboRate" + std::to_string(i)))) << i;
  EXPECT_TRUE(closeProgram(again, main));
}

TEST_F(DisplayModes, UnlockRefreshratesShowsTheRestartNoticeAndEmptiesTheLists) {
  seedLists(record(800, 600, 85), nullptr);
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program, kRefreshratesPage);
  ASSERT_NE(nullptr, main);
  EXPECT_EQ(" Refreshrates (Locked) ", textOf(findControl(main, "groupRes")));
  EXPECT_EQ(FALSE, IsWindowEnabled(findControl(main, "comboRate0")));
  click(findControl(main, "SpeedResetRR"));
  HWND notice = program.waitWindow("Restart Windows");
  ASSERT_NE(nullptr, notice);
  EXPECT_NE(std::string::npos,
            childTexts(notice).find("You must restart Windows in order to unlock|"
                                    "the locked refreshrates.|"));
  EXPECT_EQ(restrictedAll({}), restrictedValues());
  EXPECT_TRUE(clickUntilGone(notice, findControl(notice, "butOKCusRes")));
  // The page shows the new state at the next start.
  EXPECT_EQ(" Refreshrates (Locked) ", textOf(findControl(main, "groupRes")));
  EXPECT_TRUE(closeProgram(program, main));
}

TEST_F(DisplayModes, TwoCheckedCustomResolutionsAreWrittenAndShownCheckedAtTheNextStart) {
  Kestrelune program(windowsOfRun());
  HWND main = openPage(program, kCustomResolutionsPage);
  ASSERT_NE(nullptr, main);
  const std::string before = restrictedValues();  // as the first run left them
  HWND list = findControl(main, "listCusRes");
  ASSERT_NE(nullptr, list);
  const int items[] = {1, 8};
  for (int item : items) {
    ASSERT_FALSE(listItemChecked(list, item)) << item;
    const RECT r = listItemRect(program, list, item);
    mouseAt(r.left + 9, (r.top + r.bottom) / 2, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(waitFor([&] { return listItemChecked(list, item); }, 5000ms)) << item;
  }
  EXPECT_EQ("720 x 400", listItemText(program, list, 1));
  EXPECT_EQ("1024 x 600", listItemText(program, list, 8));
  // A click on a check box is a change to save, even where it leaves the
  // focus outside the list (as Wine's list view does).
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  const std::vector<Notice> notices = applyAll(program, main);
  ASSERT_EQ(std::vector<std::string>{"Custom Resolutions"}, captions(notices));
  EXPECT_NE(
      std::string::npos,
      notices[0].texts.find("You must restart Windows in order to apply|the changed settings.|"));
  std::vector<BYTE> expected = fixedModes();
  append(expected, record(720, 400, 0));
  append(expected, record(1024, 600, 0));
  ASSERT_EQ(56u, expected.size());
  EXPECT_EQ(nonStandardAll(expected), nonStandardValues());
  EXPECT_EQ(before, restrictedValues()) << "the Refreshrates page was never entered";
  EXPECT_TRUE(closeProgram(program, main));

  Kestrelune again(windowsOfRun());
  main = openPage(again, kCustomResolutionsPage);
  ASSERT_NE(nullptr, main);
  list = findControl(main, "listCusRes");
  for (int i = 0; i < 23; ++i) EXPECT_EQ(i == 1 || i == 8, listItemChecked(list, i)) << i;
  EXPECT_TRUE(closeProgram(again, main));
}

TEST_F(DisplayModes, ApplyWithoutEnteringThePagesKeepsBothListsAndSaysNothing) {
  std::vector<BYTE> custom = fixedModes();
  append(custom, record(1280, 960, 0));
  seedLists(record(800, 600, 85), &custom);
  const std::string restricted = restrictedValues(), nonStandard = nonStandardValues();
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  program.clickTab(findControl(main, "TabPages"), 1);
  click(findControl(main, "checkVSync"));
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  EXPECT_EQ(std::vector<std::string>{}, captions(applyAll(program, main)));
  EXPECT_EQ(textValue("1"), valueOf(HKEY_LOCAL_MACHINE, driverKey(), "VSync")) << "Apply ran";
  EXPECT_EQ(restricted, restrictedValues());
  EXPECT_EQ(nonStandard, nonStandardValues());
  // The list's entry shows as a check.
  program.clickTab(findControl(main, "TabPages"), kCustomResolutionsPage);
  EXPECT_TRUE(listItemChecked(findControl(main, "listCusRes"), 13));
  EXPECT_TRUE(closeProgram(program, main));
}

}  // namespace
}  // namespace kl::e2e
