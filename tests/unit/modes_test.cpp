// The driver's mode lists, the Refreshrates page and the Custom Resolutions
// page, on the simulated XP PC; the pages sit on a stand-alone form.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <sstream>

#include "modes/CusResForm.h"
#include "modes/CustomRes.h"
#include "modes/ModeList.h"
#include "modes/refreshrates.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::modes {
namespace {

using Bytes = std::vector<std::uint8_t>;
using platform::DisplayMode;
namespace user = ui::user;

const std::vector<std::string> kRestricted = {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                                              "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"};
const std::vector<std::string> kNonStandard = {"DALNonStandardModesBCD", "DALNonStandardModesBCD1"};

Bytes hex(const std::string& text) {
  std::istringstream in(text);
  Bytes bytes;
  for (unsigned b; in >> std::hex >> b;) bytes.push_back(static_cast<std::uint8_t>(b));
  return bytes;
}

const Bytes kFixed =
    hex("18 00 14 40 00 00 00 00  17 92 13 44 00 00 00 00  18 56 13 92 00 00 00 00 "
        "12 80 07 68 00 00 00 00  16 00 12 00 00 00 00 70");

Bytes operator+(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The text of the kl::Error that `action` raises; "(nothing raised)" otherwise.
template <class F>
std::string errorOf(F action) {
  try {
    action();
  } catch (const Error& e) {
    return e.what();
  }
  return "(nothing raised)";
}

class Modes : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::seedXpRadeon(sim_);
    // The restart prompts are answered with their OK, as often as they come.
    for (const char* prompt : {"formCusRes", "formRestartRR", "formRestartApplyRR"})
      for (int i = 0; i < 8; ++i)
        backend_.onModal(prompt, [](ui::Form& f) { user::press(*f.find("butOKCusRes")); });
  }

  std::unique_ptr<platform::RegistryAccess> driverKey() {
    auto reg =
        std::make_unique<platform::RegistryAccess>(sim_.registry, platform::kHkeyLocalMachine);
    reg->openKey(testing::kDriverKey, false);
    return reg;
  }
  // The value's bytes, or nullopt when it is absent.
  std::optional<Bytes> value(const std::string& name) {
    auto reg = driverKey();
    const int size = reg->getDataSize(name);
    if (size < 0) return std::nullopt;
    Bytes bytes(static_cast<std::size_t>(size));
    reg->readBinaryData(name, bytes.data(), size);
    return bytes;
  }
  void set(const std::vector<std::string>& names, const Bytes& bytes) {
    auto reg = driverKey();
    for (const auto& name : names) reg->writeBinaryData(name, bytes.data(), int(bytes.size()));
  }
  void expectGroup(const std::vector<std::string>& names, const Bytes& bytes, int line) {
    for (const auto& name : names) EXPECT_EQ(bytes, value(name)) << name << ", line " << line;
  }
  void addModes(const std::string& device, const std::vector<DisplayMode>& modes) {
    for (const auto& m : modes)
      device.empty() ? sim_.display.addMode(m) : sim_.display.addDeviceMode(device, m);
  }

  platform::SimPlatform sim_;
  platform::Platform p_ = sim_.view();
  ui::HeadlessBackend backend_;
  ui::Application app_{backend_};
  ui::Form& host_ = app_.createForm<ui::Form>(std::string("host"));
};

TEST_F(Modes, RecordsAreFourBcdDigitsPerNumber) {
  const auto bytesOf = [](const ModeRecord& r) { return Bytes(r.bytes.begin(), r.bytes.end()); };
  EXPECT_EQ(hex("16 00 12 00 00 00 00 70"), bytesOf(EncodeModeRecord(1600, 1200, 70)));
  EXPECT_EQ(hex("07 20 04 00 00 00 00 00"), bytesOf(EncodeModeRecord(720, 400, 0)));
  EXPECT_EQ(hex("99 99 00 00 00 00 00 01"), bytesOf(EncodeModeRecord(9999, 0, 1)));
  for (int bad : {10000, -1}) {
    const std::string text = errorOf([&] { EncodeModeRecord(800, 600, bad); });
    EXPECT_NE(std::string::npos, text.find("number " + std::to_string(bad))) << text;
  }
  EXPECT_EQ("1024", SplitResolutionText(0, "1024 x 600"));
  EXPECT_EQ("600", SplitResolutionText(1, "1024 x 600"));
  EXPECT_THROW(ResolutionPart(0, "dummy"), Error);
}

TEST_F(Modes, AppendsWriteIdenticalBytesToEveryNameOfTheGroup) {
  ClearRestrictedModes(p_, app_);
  AppendRestrictedMode(p_, app_, EncodeModeRecord(640, 480, 85));
  expectGroup(kRestricted, hex("06 40 04 80 00 00 00 85"), __LINE__);
  AppendRestrictedMode(p_, app_, EncodeModeRecord(640, 480, 85));
  expectGroup(kRestricted, hex("06 40 04 80 00 00 00 85") + hex("06 40 04 80 00 00 00 85"),
              __LINE__);
  // The non-standard source is the second name while the first is absent;
  // odd tails are copied unchanged.
  set({kNonStandard[1]}, hex("01 02 03"));
  AppendNonStandardMode(p_, app_, 1280, 768, 0);
  expectGroup(kNonStandard, hex("01 02 03 12 80 07 68 00 00 00 00"), __LINE__);
  // An absent source counts as empty.
  driverKey()->deleteValue(kRestricted[0]);
  AppendRestrictedMode(p_, app_, EncodeModeRecord(800, 600, 60));
  expectGroup(kRestricted, hex("08 00 06 00 00 00 00 60"), __LINE__);
}

TEST_F(Modes, LockedUnlessAllFourRestrictedValuesExistEmpty) {
  EXPECT_TRUE(RefreshRatesLocked(p_, app_));
  ClearRestrictedModes(p_, app_);
  EXPECT_FALSE(RefreshRatesLocked(p_, app_));
  for (const auto& name : kRestricted) {
    driverKey()->deleteValue(name);
    EXPECT_TRUE(RefreshRatesLocked(p_, app_)) << name << " deleted";
    set({name}, hex("00"));
    EXPECT_TRUE(RefreshRatesLocked(p_, app_)) << name << " with a byte";
    set({name}, {});
  }
}

TEST_F(Modes, ReadingTheNonStandardList) {
  set({kNonStandard[0]}, {});
  set({kNonStandard[1]}, hex("12 80 07 68 00 00 00 00 07 20 04 00 00 00 00 00"));
  EXPECT_EQ((std::vector<std::string>{"1280 x 768", "720 x 400"}), ReadNonStandardModes(p_, app_));
  // 12 bytes: the second record from its first four.
  set({kNonStandard[0]}, hex("12 80 07 68 00 00 00 00 20 48 12 80"));
  EXPECT_EQ((std::vector<std::string>{"1280 x 768", "2048 x 1280"}),
            ReadNonStandardModes(p_, app_));
  Bytes full;
  for (int i = 0; i < 256; ++i) full = full + hex("10 24 06 00 00 00 00 00");
  set({kNonStandard[0]}, full);
  EXPECT_EQ(256u, ReadNonStandardModes(p_, app_).size());
  set({kNonStandard[0]}, full + hex("00"));
  EXPECT_EQ("Invalid data type for 'DALNonStandardModesBCD'",
            errorOf([&] { ReadNonStandardModes(p_, app_); }));
  driverKey()->writeString(kNonStandard[0], "1024 x 600");
  EXPECT_THROW(ReadNonStandardModes(p_, app_), Error);
}

// A user without rights on HKEY_LOCAL_MACHINE, and a driver key path that is
// empty ("Use_AltPath" = 1 without "AlternativePath"): reads find nothing,
// writes fail at once, and nothing is written anywhere.
TEST_F(Modes, UnreachableDriverKeyReadsAbsentAndRefusesWrites) {
  set(kRestricted, {});
  set(kNonStandard, kFixed);
  for (int unreachable = 0; unreachable < 2; ++unreachable) {
    if (unreachable == 0) sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
    if (unreachable == 1)
      sim_.registry.loadRegedit4(testing::programKeyRegedit("\"Use_AltPath\"=dword:00000001\n"));
    const unsigned writes = sim_.registry.writeCount();
    EXPECT_TRUE(RefreshRatesLocked(p_, app_));
    EXPECT_TRUE(ReadNonStandardModes(p_, app_).empty());
    EXPECT_EQ("Failed to set data for 'DALRestrictedModesBCD'",
              errorOf([&] { ClearRestrictedModes(p_, app_); }));
    EXPECT_THROW(AppendNonStandardMode(p_, app_, 720, 400, 0), Error);
    EXPECT_EQ(writes, sim_.registry.writeCount());
    sim_.registry.setReadOnly(platform::kHkeyLocalMachine, false);
  }
  platform::RegistryAccess root(sim_.registry, platform::kHkeyLocalMachine);
  root.openKey("", false);
  EXPECT_FALSE(root.valueExists("DALRestrictedModesBCD"));
}

TEST_F(Modes, EveryOperationLooksUpTheDriverKeyAgain) {
  sim_.registry.loadRegedit4(testing::programKeyRegedit(
      "\"Use_AltPath\"=dword:00000001\n\"AlternativePath\"=\"SOFTWARE\\\\Typed\"\n"));
  sim_.registry.loadRegedit4("REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Typed]\n");
  ClearNonStandardModes(p_, app_);
  EXPECT_EQ(std::nullopt, value(kNonStandard[0]));
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"Use_AltPath\"=dword:00000000\n"));
  ClearNonStandardModes(p_, app_);
  expectGroup(kNonStandard, {}, __LINE__);
}

// --- The Refreshrates page ---

class RefreshRates : public Modes {
 protected:
  RefreshRatesPage& page() {
    if (!page_) {
      page_ =
          std::make_unique<RefreshRatesPage>(host_.add<ui::TabSheet>("tabRefreshrates"), p_, app_);
      page_->setPrompts(&restart_, &restartApply_);
    }
    return *page_;
  }
  // The driver's adapter offers these rates at 800 x 600 in 16 bits; the
  // desktop lists 800 x 600 and two more resolutions.
  void offer800x600(const std::vector<std::uint32_t>& rates) {
    addModes("", {{800, 600, 16, 60}, {1024, 768, 16, 60}, {1280, 1024, 16, 60}});
    for (auto hz : rates) addModes("\\\\.\\DISPLAY1", {{800, 600, 16, hz}, {800, 600, 32, 100}});
  }

  std::unique_ptr<RefreshRatesPage> page_;
  TformRestartRR& restart_ = app_.createForm<TformRestartRR>();
  TformRestartApplyRR& restartApply_ = app_.createForm<TformRestartApplyRR>();
};

TEST_F(RefreshRates, RowsForAllButTheLastTwoResolutions) {
  addModes("", {{640, 480, 8, 60},
                {640, 480, 16, 60},
                {640, 480, 32, 75},
                {800, 600, 16, 60},
                {1024, 768, 16, 60},
                {1280, 1024, 16, 60}});
  EXPECT_FALSE(page().loaded());
  page().BuildRefreshRatePage();
  EXPECT_TRUE(page().loaded());
  ASSERT_EQ(2u, page().rows.size());
  EXPECT_EQ("640 x 480", page().rows[0].resolution->text());
  EXPECT_EQ("800 x 600", page().rows[1].resolution->text());
  EXPECT_EQ("@", page().rows[1].separator->text());
  EXPECT_EQ(" Refreshrates (Locked) ", page().groupRes->text());  // no restricted values yet
  EXPECT_FALSE(page().rows[0].rates->enabled());
}

TEST_F(RefreshRates, RatesOfTheLastAdapterInSixteenBitsAtMostAHundred) {
  sim_.display.addDevice({"\\\\.\\DISPLAY2", "attached only", 0x1});
  addModes("\\\\.\\DISPLAY2", {{800, 600, 16, 99}});
  addModes("\\\\.\\DISPLAY1", {{800, 600, 16, 75},
                               {800, 600, 8, 70},
                               {800, 600, 16, 60},
                               {1024, 768, 16, 85},
                               {800, 600, 16, 75}});
  EXPECT_EQ((TFrequency{75, 60, 75}), page().ListRefreshRates(800, 600));
  for (int i = 0; i < 120; ++i) addModes("\\\\.\\DISPLAY1", {{640, 480, 16, 60}});
  EXPECT_EQ(100u, page().ListRefreshRates(640, 480).size());
  sim_.display.addDevice({"\\\\.\\DISPLAY3", "second head", 0x0});  // now the last that counts
  EXPECT_TRUE(page().ListRefreshRates(800, 600).empty());
}

TEST_F(RefreshRates, RowsFillThreeColumns) {
  ClearRestrictedModes(p_, app_);
  for (std::uint32_t w = 0; w < 26; ++w) addModes("", {{1000 + w, 700, 16, 60}});
  addModes("\\\\.\\DISPLAY1", {{1000, 700, 16, 60}, {1000, 700, 16, 75}});
  page().BuildRefreshRatePage();
  const auto& rows = page().rows;
  ASSERT_EQ(24u, rows.size());
  EXPECT_EQ(" Refreshrates (Unlocked) ", page().groupRes->text());
  const ui::Rect box0 = rows[0].rates->bounds();
  EXPECT_EQ((std::vector<int>{102, 26, 70}), (std::vector<int>{box0.left, box0.top, box0.width}));
  EXPECT_EQ((std::vector<std::string>{"60", "75"}), rows[0].rates->items());
  EXPECT_EQ(0, rows[0].rates->itemIndex());
  EXPECT_EQ(-1, rows[1].rates->itemIndex());  // no 16-bit rates for it
  EXPECT_TRUE(rows[1].rates->enabled());
  EXPECT_EQ(330, rows[10].resolution->bounds().top);
  for (std::size_t i : {11u, 22u, 23u}) {
    const ui::Rect label = rows[i].resolution->bounds();
    EXPECT_EQ(i == 11 ? 207 : 399, label.left) << i;
    EXPECT_EQ(i == 23 ? 60 : 30, label.top) << i;
    EXPECT_EQ(label.left + 67, rows[i].separator->bounds().left) << i;
  }
}

TEST_F(RefreshRates, ApplyRestrictsTheRatesBeforeTheChosenOne) {
  ClearRestrictedModes(p_, app_);
  offer800x600({60, 70, 72, 75, 85});
  page().BuildRefreshRatePage();
  user::pick(*page().rows[0].rates, 3);  // 75
  page().ApplyRefreshRates();
  expectGroup(kRestricted,
              hex("08 00 06 00 00 00 00 60 08 00 06 00 00 00 00 70 08 00 06 00 00 00 00 72"),
              __LINE__);
  EXPECT_EQ(1, backend_.modalCount("formRestartApplyRR"));
  user::pick(*page().rows[0].rates, 0);  // 60: nothing restricted
  page().ApplyRefreshRates();
  expectGroup(kRestricted, {}, __LINE__);
}

TEST_F(RefreshRates, ARepeatedRateRestrictsOnlyWhatStandsBeforeItsLastOccurrence) {
  offer800x600({60, 60, 75});
  page().LockRefreshRate(800, 600, 60);
  expectGroup(kRestricted, hex("08 00 06 00 00 00 00 60"), __LINE__);
  page().LockRefreshRate(800, 600, 85);  // not offered
  expectGroup(kRestricted, hex("08 00 06 00 00 00 00 60"), __LINE__);
}

TEST_F(RefreshRates, LockedPageWritesNothingUntilUnlocked) {
  offer800x600({60, 75});
  set(kRestricted, hex("08 00 06 00 00 00 00 60"));
  driverKey()->deleteValue(kRestricted[2]);
  page().BuildRefreshRatePage();
  EXPECT_FALSE(page().rows[0].rates->enabled());
  const std::string before = sim_.registry.saveRegedit4();
  page().ApplyRefreshRates();
  EXPECT_EQ(before, sim_.registry.saveRegedit4());
  user::press(*page().SpeedResetRR);
  expectGroup(kRestricted, {}, __LINE__);
  EXPECT_EQ(1, backend_.modalCount("formRestartRR"));
  EXPECT_EQ(0, backend_.modalCount("formRestartApplyRR"));
  EXPECT_EQ(" Refreshrates (Locked) ", page().groupRes->text());
}

TEST_F(RefreshRates, EnteringTheGroupRaisesBothEvents) {
  ClearRestrictedModes(p_, app_);
  offer800x600({60, 75});
  int modified = 0, entered = 0;
  page().onModified = [&] { ++modified; };
  page().onRatesEntered = [&] { ++entered; };
  page().BuildRefreshRatePage();
  user::pick(*page().rows[0].rates, 1);
  EXPECT_EQ(1, modified);
  EXPECT_EQ(1, entered);
}

TEST_F(RefreshRates, AFailedWriteEndsApplyAndKeepsWhatWasWritten) {
  ClearRestrictedModes(p_, app_);
  offer800x600({60, 70, 75});
  page().BuildRefreshRatePage();
  user::pick(*page().rows[0].rates, 2);
  sim_.registry.failWrite(10);  // four to clear, four for 60, then the second name for 70
  EXPECT_EQ("Failed to set data for 'DALRestrictedModesBCD1'",
            errorOf([&] { page().ApplyRefreshRates(); }));
  EXPECT_EQ(hex("08 00 06 00 00 00 00 60 08 00 06 00 00 00 00 70"), value(kRestricted[0]));
  EXPECT_EQ(hex("08 00 06 00 00 00 00 60"), value(kRestricted[1]));
}

TEST_F(RefreshRates, ABuildThatFailsLeavesThePageUnloaded) {
  offer800x600({60, 75});
  sim_.registry.loadRegedit4(testing::programKeyRegedit("\"Use_AltPath\"=\"0\"\n"));
  EXPECT_THROW(page().BuildRefreshRatePage(), Error);
  EXPECT_FALSE(page().loaded());
  EXPECT_TRUE(page().rows.empty());
}

// --- The Custom Resolutions page ---

class CustomRes : public Modes {
 protected:
  std::unique_ptr<CustomResPage> newPage() {
    auto page = std::make_unique<CustomResPage>(
        host_.add<ui::TabSheet>("tabCustomRes" + std::to_string(++pages_)), p_, app_);
    page->setPrompt(&prompt_);
    return page;
  }
  std::vector<std::string> checked(const CustomResPage& page) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < page.listCusRes->items().size(); ++i)
      if (page.listCusRes->isChecked(int(i))) texts.push_back(page.listCusRes->items()[i]);
    return texts;
  }
  int item(const CustomResPage& page, const std::string& text) {
    const auto& items = page.listCusRes->items();
    return int(std::find(items.begin(), items.end(), text) - items.begin());
  }

  int pages_ = 0;
  TformCusRes& prompt_ = app_.createForm<TformCusRes>();
};

TEST_F(CustomRes, TheFixedModesComeFirstAndTheCheckedItemsFollow) {
  auto page = newPage();
  ASSERT_EQ(23u, page->listCusRes->items().size());
  EXPECT_EQ("704 x 480", page->listCusRes->items().front());
  EXPECT_EQ("2048 x 1280", page->listCusRes->items().back());
  EXPECT_TRUE(checked(*page).empty());
  page->WriteCustomResolutions();
  expectGroup(kNonStandard, kFixed, __LINE__);
  EXPECT_EQ(1, backend_.modalCount("formCusRes"));
  page->WriteCustomResolutions();  // nothing changed: no notice
  EXPECT_EQ(1, backend_.modalCount("formCusRes"));
  page->listCusRes->userToggle(item(*page, "2048 x 1280"));
  page->listCusRes->userToggle(item(*page, "720 x 400"));
  page->WriteCustomResolutions();
  expectGroup(kNonStandard, kFixed + hex("07 20 04 00 00 00 00 00 20 48 12 80 00 00 00 00"),
              __LINE__);
  EXPECT_EQ(2, backend_.modalCount("formCusRes"));
}

TEST_F(CustomRes, StartUpChecksWhatTheListHoldsFromItsSixthRecord) {
  auto page = newPage();
  set({kNonStandard[0]}, kFixed);
  page->listCusRes->setChecked(item(*page, "960 x 720"), true);
  page->LoadCustomResolutionChecks();
  EXPECT_TRUE(page->loaded());
  EXPECT_EQ((std::vector<std::string>{"960 x 720"}), checked(*page));  // only ever checks
  // "1280 x 768" first, fixed-looking records after it: not checked.
  set({kNonStandard[0]}, hex("12 80 07 68 00 00 00 00") + kFixed + hex("07 20 04 00 00 00 00 00"));
  page = newPage();
  page->LoadCustomResolutionChecks();
  EXPECT_EQ((std::vector<std::string>{"720 x 400"}), checked(*page));
  set({kNonStandard[0]}, kFixed);
  page = newPage();
  page->listCusRes->userToggle(item(*page, "1280 x 768"));
  page->WriteCustomResolutions();
  page = newPage();
  page->LoadCustomResolutionChecks();
  EXPECT_EQ((std::vector<std::string>{"1280 x 768"}), checked(*page));
}

TEST_F(CustomRes, ACheckToggledWithoutTheFocusEnteringMarksModified) {
  auto page = newPage();
  int modified = 0;
  page->onModified = [&] { ++modified; };
  page->listCusRes->userToggle(item(*page, "720 x 400"));
  EXPECT_EQ(1, modified);
  page->LoadCustomResolutionChecks();  // checks from start-up are no change
  EXPECT_EQ(1, modified);
}

TEST_F(CustomRes, AnUnreadableListRaisesAndLeavesThePageUnloaded) {
  auto page = newPage();
  driverKey()->writeString(kNonStandard[0], "1280 x 768");
  EXPECT_THROW(page->LoadCustomResolutionChecks(), Error);
  EXPECT_FALSE(page->loaded());
  EXPECT_TRUE(checked(*page).empty());
}

TEST_F(CustomRes, AFailedWriteKeepsWhatWasWrittenAndShowsNoNotice) {
  auto page = newPage();
  int modified = 0;
  page->onModified = [&] { ++modified; };
  user::focus(*page->listCusRes);
  EXPECT_EQ(1, modified);
  sim_.registry.failWrite(6);  // two to clear, two per record: the second record's second name
  EXPECT_EQ("Failed to set data for 'DALNonStandardModesBCD1'",
            errorOf([&] { page->WriteCustomResolutions(); }));
  EXPECT_EQ(Bytes(kFixed.begin(), kFixed.begin() + 16), value(kNonStandard[0]));
  EXPECT_EQ(Bytes(kFixed.begin(), kFixed.begin() + 8), value(kNonStandard[1]));
  EXPECT_EQ(0, backend_.modalCount("formCusRes"));
}

}  // namespace
}  // namespace kl::modes
