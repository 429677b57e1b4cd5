// The toolkit's event rules, which the program relies on, through the
// headless backend.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "ui/headless/headless_backend.h"
#include "ui/layout.h"
#include "ui/menu.h"

namespace kl::ui {
namespace {

class Toolkit : public ::testing::Test {
 protected:
  HeadlessBackend backend_;
  Application app_{backend_};
  Form& form_ = app_.createForm<Form>("form");
  std::vector<std::string> events_;

  void record(Control& c) {
    c.onMouseDown = [this, &c](MouseButton b) {
      events_.push_back(c.name() + (b == MouseButton::Left ? ".down" : ".rdown"));
    };
    c.onClick = [this, &c] { events_.push_back(c.name() + ".click"); };
    c.onMouseUp = [this, &c](MouseButton) { events_.push_back(c.name() + ".up"); };
    c.onEnter = [this, &c] { events_.push_back(c.name() + ".enter"); };
  }
};

TEST_F(Toolkit, ThreeStateBoxCyclesOnUserClicks) {
  auto& box = form_.add<CheckBox>("box");
  box.setAllowGrayed(true);
  std::vector<CheckState> seen;
  for (int i = 0; i < 4; ++i) {
    user::press(box);
    seen.push_back(box.state());
  }
  EXPECT_EQ((std::vector<CheckState>{CheckState::Grayed, CheckState::Checked,
                                     CheckState::Unchecked, CheckState::Grayed}),
            seen);
  auto& plain = form_.add<CheckBox>("plain");
  user::press(plain);
  user::press(plain);
  EXPECT_EQ(CheckState::Unchecked, plain.state());
}

TEST_F(Toolkit, MouseAndKeyboardRaiseDifferentEvents) {
  auto& box = form_.add<CheckBox>("box");
  record(box);
  user::press(box);
  user::spaceBar(box);
  user::press(box, MouseButton::Right);
  EXPECT_EQ((std::vector<std::string>{"box.down", "box.enter", "box.click", "box.up", "box.click",
                                      "box.rdown", "box.up"}),
            events_);
}

TEST_F(Toolkit, SettingStateFromCodeClicksOnlyOnChange) {
  auto& box = form_.add<CheckBox>("box");
  int clicks = 0;
  box.onClick = [&] { ++clicks; };
  box.setChecked(false);
  box.setChecked(true);
  box.setChecked(true);
  box.setState(CheckState::Grayed);
  EXPECT_EQ(2, clicks);
}

TEST_F(Toolkit, ComboChangesOnlyWhenTheUserPicks) {
  auto& combo = form_.add<ComboBox>("combo");
  int changes = 0;
  combo.onChange = [&] { ++changes; };
  combo.setItems({"16", "16, 24", "16, 24, 32"});
  EXPECT_EQ(-1, combo.itemIndex());
  combo.setItemIndex(2);
  combo.setItemIndex(7);
  EXPECT_EQ(-1, combo.itemIndex());
  EXPECT_EQ(0, changes);
  user::pick(combo, 1);
  EXPECT_EQ(1, combo.itemIndex());
  EXPECT_EQ(1, changes);
}

TEST_F(Toolkit, TrackBarKeepsItsPositionInsideTheRange) {
  auto& track = form_.add<TrackBar>("track");
  std::vector<int> changes;
  track.onChange = [&] { changes.push_back(track.position()); };
  track.setMax(8);
  track.setPosition(3);
  track.setPosition(3);
  track.setPosition(12);
  track.setMax(4);      // pulls the position in
  track.setMin(6);      // above the maximum: refused
  track.setMax(-1);     // below the minimum: refused
  track.setMin(2);
  EXPECT_EQ((std::vector<int>{3, 8, 4}), changes);
  EXPECT_EQ(2, track.min());
  EXPECT_EQ(4, track.max());
  user::drag(track, 0);
  EXPECT_EQ(2, track.position());
}

TEST_F(Toolkit, GroupBoxEntersOnceWhileTheFocusStaysInside) {
  auto& group = form_.add<GroupBox>("group");
  auto& a = group.add<ComboBox>("a");
  auto& b = group.add<ComboBox>("b");
  auto& outside = form_.add<Button>("outside");
  for (Control* c : std::initializer_list<Control*>{&group, &a, &b, &outside}) record(*c);
  user::focus(a);
  user::focus(b);
  user::focus(outside);
  user::focus(b);
  EXPECT_EQ((std::vector<std::string>{"group.enter", "a.enter", "b.enter", "outside.enter",
                                      "group.enter", "b.enter"}),
            events_);
}

TEST_F(Toolkit, DisabledControlsTakeNoInput) {
  auto& group = form_.add<GroupBox>("group");
  auto& box = group.add<CheckBox>("box");
  record(box);
  group.setEnabled(false);
  user::press(box);
  user::focus(box);
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(box.checked());
}

TEST_F(Toolkit, EscapedErrorsAreShownAndTheProgramGoesOn) {
  app_.setTitle("Kestrelune");
  auto& button = form_.add<Button>("button");
  button.onClick = [] { throw Error("Unable to write to C:\\x.kpf"); };
  user::press(button);
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("Unable to write to C:\\x.kpf", backend_.messages()[0].text);
  EXPECT_EQ("Kestrelune", backend_.messages()[0].caption);
  EXPECT_FALSE(app_.terminated());
}

TEST_F(Toolkit, ModalFormsReturnTheirButtonsResult) {
  auto& dialog = app_.createForm<Form>("dialog");
  auto& yes = place<Button>(dialog, "yes", "&Yes", {0, 0, 75, 25});
  yes.setModalResult(ModalResult::Ok);
  auto& no = place<Button>(dialog, "no", "&No", {80, 0, 75, 25});
  no.setModalResult(ModalResult::Cancel);
  dialog.setDefaultButton(&yes);
  dialog.setCancelButton(&no);
  backend_.onModal("dialog", [&](Form&) { user::press(yes); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
  backend_.onModal("dialog", [&](Form& f) { f.userKeyEscape(); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  backend_.onModal("dialog", [&](Form& f) { f.userKeyEnter(); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
  backend_.onModal("dialog", [&](Form& f) { f.userClose(); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  backend_.onModal("dialog", [&](Form& f) {
    user::focus(no);  // Enter clicks the focused push button, not the default
    f.userKeyEnter();
  });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  EXPECT_FALSE(dialog.isShowing());
  EXPECT_FALSE(app_.terminated());  // only the main form ends the program
  form_.close();
  EXPECT_TRUE(app_.terminated());
}

TEST_F(Toolkit, ShortcutsFindMenuItemsAtAnyDepth) {
  auto& menu = form_.add<MainMenu>("menu");
  form_.setMenu(&menu);
  auto& file = menu.add<MenuItem>("file", "&File");
  int opened = 0;
  auto& open = file.add<MenuItem>("open", "&Open Profile...", ctrlKey('O'));
  open.onClick = [&] { ++opened; };
  EXPECT_TRUE(form_.userShortcut('O', true));
  EXPECT_FALSE(form_.userShortcut('O', false));
  open.setEnabled(false);
  EXPECT_FALSE(form_.userShortcut('O', true));
  EXPECT_EQ(1, opened);
  EXPECT_EQ("Ctrl+O", open.shortcut().text());
  EXPECT_EQ("F1", (ShortCut{kVkF1, false}.text()));
}

TEST_F(Toolkit, CtrlTabCyclesThePagesBothWays) {
  EXPECT_FALSE(form_.userCyclePage(false));  // no page control
  auto& group = form_.add<GroupBox>("group");
  auto& pages = group.add<PageControl>("pages");
  for (const char* name : {"a", "b", "c"}) pages.add<TabSheet>(name);
  int changes = 0;
  pages.onChange = [&] { ++changes; };
  std::vector<int> seen;
  for (bool back : {false, false, false, true, true}) {
    EXPECT_TRUE(form_.userCyclePage(back));
    seen.push_back(pages.pageIndex());
  }
  EXPECT_EQ((std::vector<int>{1, 2, 0, 2, 1}), seen);
  EXPECT_EQ(5, changes);
}

TEST_F(Toolkit, TimersRunAtTheirIntervalUntilStopped) {
  Timer timer(app_);
  int ticks = 0;
  timer.setInterval(10);
  timer.onTimer = [&] {
    if (++ticks == 3) timer.setEnabled(false);
  };
  backend_.advance(100);
  EXPECT_EQ(0, ticks);
  timer.setEnabled(true);
  backend_.advance(25);
  EXPECT_EQ(2, ticks);
  backend_.advance(100);
  EXPECT_EQ(3, ticks);
}

}  // namespace
}  // namespace kl::ui
