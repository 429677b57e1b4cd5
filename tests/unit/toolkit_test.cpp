// The toolkit's event rules, which the program relies on, through the
// headless backend.
#include <gtest/gtest.h>

#include <limits>
#include <stdexcept>

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
  EXPECT_EQ((std::vector<CheckState>{CheckState::Grayed, CheckState::Checked, CheckState::Unchecked,
                                     CheckState::Grayed}),
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
  track.setMax(4);   // pulls the position in
  track.setMin(6);   // above the maximum: refused
  track.setMax(-1);  // below the minimum: refused
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

TEST_F(Toolkit, AReportOnceScopeShowsEachTextOnceUntilTheOutermostEnds) {
  const auto texts = [this] {
    std::vector<std::string> shown;
    for (const auto& m : backend_.messages()) shown.push_back(m.text);
    return shown;
  };
  {
    Application::ReportOnce outer(app_);
    app_.showMessage("Cannot find driver");
    {
      Application::ReportOnce inner(app_);
      app_.showMessage("Cannot find driver");
      app_.showMessage("other");
    }
    app_.showMessage("other");  // the inner scope's end forgets nothing
  }
  app_.showMessage("Cannot find driver");  // outside any scope: always shown
  app_.showMessage("Cannot find driver");
  {
    Application::ReportOnce again(app_);
    app_.showMessage("other");
  }
  EXPECT_EQ((std::vector<std::string>{"Cannot find driver", "other", "Cannot find driver",
                                       "Cannot find driver", "other"}),
            texts());
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

TEST_F(Toolkit, AnIntervalOfZeroNeverFires) {
  Timer timer(app_);
  int ticks = 0;
  timer.onTimer = [&] { ++ticks; };
  timer.setInterval(0);
  timer.setEnabled(true);
  backend_.advance(100);
  EXPECT_EQ(0, ticks);
  EXPECT_EQ(0, backend_.runningTimers());
  timer.setInterval(10);
  backend_.advance(100);
  EXPECT_EQ(10, ticks);
}

TEST_F(Toolkit, AFailingTimerStopsAndReportsOnce) {
  app_.setTitle("Kestrelune");
  Timer timer(app_);
  int ticks = 0;
  timer.setInterval(50);
  timer.onTimer = [&] {
    ++ticks;
    throw Error("Cannot connect to r6probe");
  };
  timer.setEnabled(true);
  backend_.advance(1500);
  EXPECT_EQ(1, ticks);
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("Cannot connect to r6probe", backend_.messages()[0].text);
  EXPECT_FALSE(timer.enabled());
  EXPECT_EQ(0, backend_.runningTimers());
  timer.setEnabled(true);  // the program may start it again
  backend_.advance(50);
  EXPECT_EQ(2, ticks);
}

// ---- forms that come and go

// A dialog like the program's progress dialog: windows, a picture and a
// running timer of its own.
class TimedDialog : public Form {
 public:
  explicit TimedDialog(Application& app) : Form(app, "TimedDialog"), timer(app) {
    auto& group = add<GroupBox>("group");
    group.add<ProgressBar>("bar");
    add<Image>("picture").setPicture("LOGO");
    place<Button>(*this, "ok", "&Ok", {0, 0, 75, 25}).setModalResult(ModalResult::Ok);
    timer.setInterval(10);
    timer.onTimer = [this] { ++ticks; };
    timer.setEnabled(true);
  }
  Timer timer;
  int ticks = 0;
};

TEST_F(Toolkit, ReleasedFormsTakeTheirPeersAndTimersWithThem) {
  form_.show();
  const int windowsAtStart = backend_.livePeers();
  const auto useOnce = [&] {
    auto& dialog = app_.createForm<TimedDialog>();
    backend_.onModal("TimedDialog", [](Form& f) { user::press(*f.find("ok")); });
    EXPECT_EQ(ModalResult::Ok, dialog.showModal());
    return &dialog;
  };
  TimedDialog* previous = useOnce();
  const int windowsAfterFirst = backend_.livePeers();
  EXPECT_EQ(windowsAtStart + 5, windowsAfterFirst);  // form, group, bar, picture, button
  EXPECT_EQ(1, backend_.runningTimers());
  for (int i = 0; i < 100; ++i) {
    app_.releaseForm(*previous);
    previous = useOnce();
  }
  EXPECT_EQ(windowsAfterFirst, backend_.livePeers());
  EXPECT_EQ(1, backend_.runningTimers());
  EXPECT_EQ(2u, app_.forms().size());
  app_.releaseForm(*previous);
  EXPECT_EQ(windowsAtStart, backend_.livePeers());
  EXPECT_EQ(0, backend_.runningTimers());
}

TEST_F(Toolkit, TheMainFormAndAModalFormAreNotReleased) {
  EXPECT_THROW(app_.releaseForm(form_), std::invalid_argument);
  auto& dialog = app_.createForm<Form>("dialog");
  backend_.onModal("dialog", [&](Form& f) {
    EXPECT_THROW(app_.releaseForm(f), std::logic_error);
    user::closeBox(f);
  });
  dialog.showModal();
  app_.releaseForm(dialog);
  EXPECT_EQ(1u, app_.forms().size());
}

// ---- modal dialogs hold the program

class Held : public Toolkit {
 protected:
  Held() {
    auto& popup = form_.add<PopupMenu>("popup");
    popup.add<MenuItem>("itemClose", "Close").onClick = [this] { events_.push_back("close"); };
    tray_.setPopupMenu(&popup);
    tray_.onDblClick = [this] { events_.push_back("dblclick"); };
    form_.show();
  }
  TrayIcon& tray_ = form_.add<TrayIcon>("tray");
  Form& dialog_ = app_.createForm<Form>("dialog");
};

TEST_F(Held, TheTrayRunsNoCommandsWhileAModalFormRuns) {
  backend_.onModal("dialog", [&](Form& f) {
    user::rightClickTray(tray_, 100, 200);
    user::doubleClickTray(tray_);
    user::choose(*static_cast<MenuItem*>(form_.find("itemClose")));
    user::closeBox(form_);  // a close request from outside
    EXPECT_FALSE(app_.terminated());
    user::closeBox(f);
  });
  dialog_.showModal();
  EXPECT_TRUE(backend_.popups().empty());
  EXPECT_TRUE(events_.empty());
  user::rightClickTray(tray_, 100, 200);  // afterwards the tray answers again
  ASSERT_EQ(1u, backend_.popups().size());
  EXPECT_EQ(100, backend_.popups()[0].x);
  EXPECT_EQ(200, backend_.popups()[0].y);
  user::choose(*static_cast<MenuItem*>(form_.find("itemClose")));
  EXPECT_EQ(std::vector<std::string>{"close"}, events_);
}

TEST_F(Held, AFormShownDuringAModalFormTakesNoInputUntilItEnds) {
  auto& help = app_.createForm<Form>("help");
  auto& back = help.add<Button>("back");
  record(back);
  auto& inner = app_.createForm<Form>("inner");
  backend_.onModal("inner", [&](Form& f) {
    EXPECT_FALSE(dialog_.takesInput());  // the outer modal form is held too
    user::closeBox(f);
  });
  backend_.onModal("dialog", [&](Form& f) {
    help.show();  // hidden when the loop started
    user::press(back);
    EXPECT_FALSE(help.takesInput());
    EXPECT_FALSE(form_.takesInput());
    EXPECT_TRUE(f.takesInput());
    inner.showModal();
    EXPECT_TRUE(f.takesInput());
    user::closeBox(f);
  });
  dialog_.showModal();
  EXPECT_TRUE(events_.empty());
  EXPECT_FALSE(app_.modalRunning());
  user::press(back);
  EXPECT_EQ((std::vector<std::string>{"back.down", "back.enter", "back.click", "back.up"}),
            events_);
}

TEST_F(Held, AModalFormWhoseShowingFailsLetsTheProgramGo) {
  dialog_.onShow = [] { throw Error("Cannot detect"); };
  EXPECT_THROW(dialog_.showModal(), Error);
  EXPECT_FALSE(dialog_.isShowing());
  EXPECT_FALSE(dialog_.isModal());
  EXPECT_FALSE(app_.modalRunning());
  EXPECT_TRUE(form_.takesInput());
}

TEST_F(Held, AModalFormATestLeavesOpenFailsTheTest) {
  backend_.onModal("dialog", [](Form&) {});
  try {
    dialog_.showModal();
    ADD_FAILURE() << "no error";
  } catch (const BackendFault& e) {
    EXPECT_NE(std::string::npos, std::string(e.what()).find("\"dialog\"")) << e.what();
  }
  EXPECT_FALSE(dialog_.isShowing());
  EXPECT_TRUE(form_.takesInput());
  // Through a user action too: the toolkit's error handler lets it pass.
  auto& open = form_.add<Button>("open");
  open.onClick = [this] { dialog_.showModal(); };
  EXPECT_THROW(user::press(open), BackendFault);
  EXPECT_TRUE(backend_.messages().empty());
}

TEST_F(Held, AModalFormThatClosesItselfByTimerNeedsNoScript) {
  Timer closer(app_);
  closer.setInterval(500);
  closer.onTimer = [&] { dialog_.setModalResult(ModalResult::Ok); };
  closer.setEnabled(true);
  EXPECT_EQ(ModalResult::Ok, dialog_.showModal());
}

// ---- what the two backends do alike

TEST_F(Toolkit, ADisabledSpinEditTakesNoInput) {
  auto& spin = form_.add<SpinEdit>("spin");
  spin.setRange(10, 100);
  int changes = 0;
  spin.onChange = [&] { ++changes; };
  spin.setEnabled(false);
  spin.userTypeValue(50);
  EXPECT_EQ(10, spin.value());
  spin.setEnabled(true);
  spin.userTypeValue(50);
  EXPECT_EQ(50, spin.value());
  EXPECT_EQ(1, changes);
}

TEST_F(Toolkit, AnUnansweredBoxTakesItsDefaultButton) {
  EXPECT_EQ(kIdOk, app_.messageBox("text", "caption", kMbOk));
  EXPECT_EQ(kIdYes, app_.messageBox("text", "caption", kMbYesNo | kMbIconWarning));
  EXPECT_EQ(kIdNo, app_.messageBox("text", "caption", kMbYesNo | kMbDefButton2));
  EXPECT_EQ(kIdCancel, app_.messageBox("text", "caption", kMbYesNoCancel | kMbDefButton3));
  backend_.answerMessage(kIdNo);
  EXPECT_EQ(kIdNo, app_.messageBox("text", "caption", kMbYesNo));
}

TEST_F(Toolkit, AModalLoopEndedByTheProgramsEndHidesWithoutOnClose) {
  auto& dialog = app_.createForm<Form>("dialog");
  int closes = 0;
  dialog.onClose = [&] { ++closes; };
  backend_.onModal("dialog", [&](Form&) { app_.terminate(); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  EXPECT_EQ(0, closes);
  EXPECT_FALSE(dialog.isShowing());
}

TEST_F(Toolkit, ClickingATabFocusesThePageControl) {
  auto& pages = form_.add<PageControl>("pages");
  pages.add<TabSheet>("one");
  pages.add<TabSheet>("two");
  record(pages);
  pages.onChange = [&] { events_.push_back("pages.change"); };
  user::selectPage(pages, 1);
  user::selectPage(pages, 0);
  EXPECT_EQ((std::vector<std::string>{"pages.down", "pages.enter", "pages.change", "pages.up",
                                      "pages.down", "pages.change", "pages.up"}),
            events_);
  EXPECT_EQ(&pages, form_.focused());
}

// A page's peers come when it is first shown, however it is shown; the
// controls keep what they were given meanwhile and raise nothing then.
TEST_F(Toolkit, APageGetsItsPeersWhenFirstShownAndRaisesNothingThen) {
  auto& pages = form_.add<PageControl>("pages");
  auto& first = pages.add<TabSheet>("first");
  auto& second = pages.add<TabSheet>("second");
  auto& box = second.add<CheckBox>("box");
  auto& track = second.add<TrackBar>("track");
  form_.show();
  EXPECT_NE(nullptr, first.peer());
  EXPECT_EQ(nullptr, second.peer());
  auto& later = second.add<ComboBox>("later");  // added to a page not shown yet
  auto& third = pages.add<TabSheet>("third");   // and a page added afterwards
  third.add<Label>("label");
  EXPECT_EQ(nullptr, later.peer());
  EXPECT_EQ(nullptr, third.peer());
  box.setState(CheckState::Grayed);
  track.setPosition(7);
  later.setItems({"a", "b"});
  later.setItemIndex(1);
  record(box);
  int changes = 0;
  track.onChange = [&] { ++changes; };
  later.onChange = [&] { ++changes; };
  const int peers = backend_.livePeers();
  EXPECT_TRUE(form_.userCyclePage(false));
  EXPECT_NE(nullptr, box.peer());
  EXPECT_NE(nullptr, later.peer());
  EXPECT_EQ(peers + 4, backend_.livePeers());  // the sheet and its three controls
  EXPECT_EQ(CheckState::Grayed, box.state());
  EXPECT_EQ(7, track.position());
  EXPECT_EQ(1, later.itemIndex());
  EXPECT_TRUE(events_.empty());
  EXPECT_EQ(0, changes);
  pages.setActivePage(&third);
  EXPECT_NE(nullptr, third.find("label")->peer());
  user::selectPage(pages, 1);
  EXPECT_EQ(peers + 6, backend_.livePeers());  // each page once
}

// ---- hints, the default button, opacity

TEST_F(Toolkit, HintsShowOnDisabledControlsAndGroupsShowTheirOwnOverTheirChildren) {
  auto& tiling = form_.add<GroupBox>("tiling");
  tiling.setHint("Different forms of tiling|and more");
  tiling.setShowHint(true);
  auto& box = tiling.add<CheckBox>("box");
  box.setHint("Dunno");  // carried, not shown
  auto& label = tiling.add<Label>("label");
  auto& bare = tiling.add<Label>("bare");
  bare.setShowHint(true);  // on, but without a hint of its own
  auto& combo = form_.add<ComboBox>("combo");
  combo.setHint("Mode");
  combo.setShowHint(true);
  combo.setEnabled(false);
  auto& plain = form_.add<CheckBox>("plain");
  plain.setHint("never shown");
  EXPECT_EQ("Different forms of tiling", box.shownHint());
  EXPECT_EQ("Different forms of tiling", label.shownHint());
  EXPECT_EQ("Different forms of tiling", bare.shownHint());
  EXPECT_EQ("Mode", combo.shownHint());
  EXPECT_EQ("", plain.shownHint());
  box.setShowHint(true);
  EXPECT_EQ("Dunno", box.shownHint());
}

TEST_F(Toolkit, TheDefaultOutlineFollowsTheFocusedPushButton) {
  auto& ok = form_.add<Button>("ok");
  auto& other = form_.add<Button>("other");
  auto& combo = form_.add<ComboBox>("combo");
  form_.setDefaultButton(&ok);
  EXPECT_EQ(&ok, form_.shownDefault());
  user::focus(other);
  EXPECT_EQ(&other, form_.shownDefault());
  user::focus(combo);
  EXPECT_EQ(&ok, form_.shownDefault());
}

TEST_F(Toolkit, OpacityStaysBetweenTransparentAndOpaque) {
  form_.setAlphaBlend(true, 0);
  for (int tick = 0; tick < 300; ++tick) form_.setAlphaBlend(true, form_.alphaValue() + 1);
  EXPECT_EQ(255, form_.alphaValue());
  form_.setAlphaBlend(true, -4);
  EXPECT_EQ(0, form_.alphaValue());
}

TEST_F(Toolkit, ShowingAFormThatIsUpRaisesNoSecondOnShow) {
  int shows = 0;
  form_.onShow = [&] { ++shows; };
  form_.show();
  form_.show();
  EXPECT_EQ(1, shows);
  form_.hide();
  form_.show();
  EXPECT_EQ(2, shows);
}

// ---- resizing, anchors, spin edits without an editor

// The page control anchored to every side follows the frame the user drags,
// also down to nothing and back; a button anchored right and bottom moves;
// OnResize comes once per change of size, not for a move.
TEST_F(Toolkit, AnchoredControlsFollowTheFormTheUserResizes) {
  form_.setBorder(BorderStyle::Sizeable, {});
  form_.setClientSize(400, 300);
  auto& pages = place<PageControl>(form_, "pages", "", {8, 8, 384, 250});
  pages.setAnchors({true, true, true, true});
  auto& close = place<Button>(form_, "close", "Close", {317, 267, 75, 25});
  close.setAnchors({false, false, true, true});
  std::vector<std::string> seen;
  pages.onResize = [&] {
    seen.push_back(std::to_string(pages.bounds().width) + "x" +
                   std::to_string(pages.bounds().height));
  };
  int formResized = 0;
  form_.onResize = [&] { ++formResized; };
  form_.show();
  user::resizeFrame(form_, 600, 450);
  EXPECT_EQ(517, close.bounds().left);
  EXPECT_EQ(417, close.bounds().top);
  user::resizeFrame(form_, 10, 10);
  EXPECT_EQ(-73, close.bounds().left);
  user::resizeFrame(form_, 400, 300);
  user::resizeFrame(form_, 400, 300);  // the same size again: nothing
  EXPECT_EQ((std::vector<std::string>{"584x400", "0x0", "384x250"}), seen);
  EXPECT_EQ(3, formResized);
  EXPECT_EQ(8, pages.bounds().left);
  EXPECT_EQ(317, close.bounds().left);
  pages.setBounds(10, 8, 384, 250);  // moved, not resized
  EXPECT_EQ(3u, seen.size());
}

// Only a sizeable frame can be dragged, and not while a modal form holds it.
TEST_F(Toolkit, AFixedOrHeldFrameCannotBeResized) {
  form_.setBorder(BorderStyle::Dialog, {});
  form_.setClientSize(200, 100);
  int resized = 0;
  form_.onResize = [&] { ++resized; };
  form_.show();
  user::resizeFrame(form_, 300, 200);
  EXPECT_EQ(200, form_.clientWidth());
  form_.setBorder(BorderStyle::Sizeable, {});
  auto& dialog = app_.createForm<Form>("dialog");
  backend_.onModal("dialog", [&](Form& d) {
    user::resizeFrame(form_, 300, 200);
    user::closeBox(d);
  });
  dialog.showModal();
  EXPECT_EQ(200, form_.clientWidth());
  EXPECT_EQ(0, resized);
  form_.onResize = [] { throw std::runtime_error("Layout failed"); };
  user::resizeFrame(form_, 300, 200);  // an error in OnResize is shown, the size kept
  EXPECT_EQ(300, form_.clientWidth());
  ASSERT_EQ(1u, backend_.messages().size());
  EXPECT_EQ("Layout failed", backend_.messages()[0].text);
}

// Without its editor a spin edit refuses what is typed; its arrows still
// focus it (OnEnter), step inside the range and raise OnChange.
TEST_F(Toolkit, ASpinEditWithoutItsEditorTakesOnlyItsArrows) {
  auto& spin = form_.add<SpinEdit>("spin");
  spin.setRange(0, 3);
  spin.setValue(3);
  spin.setEditorEnabled(false);
  record(spin);
  spin.onChange = [&] { events_.push_back("spin.change"); };
  form_.show();
  user::type(spin, 1);
  EXPECT_EQ(3, spin.value());
  user::spinArrows(spin, 1);  // at the top already
  user::spinArrows(spin, -2);
  EXPECT_EQ(1, spin.value());
  user::spinArrows(spin, -5);
  EXPECT_EQ(0, spin.value());
  EXPECT_EQ((std::vector<std::string>{"spin.enter", "spin.change", "spin.change"}), events_);
  spin.setEditorEnabled(true);
  user::type(spin, 2);
  EXPECT_EQ(2, spin.value());
  auto& wide = form_.add<SpinEdit>("wide");
  wide.setRange(0, std::numeric_limits<int>::max());
  wide.setValue(std::numeric_limits<int>::max());
  user::spinArrows(wide, 100);
  EXPECT_EQ(std::numeric_limits<int>::max(), wide.value());
}

// ---- the tray, the shell, the browser

TEST_F(Toolkit, MinimisingGoesToTheTrayAndRestoringComesBackNormal) {
  auto& tray = form_.add<TrayIcon>("tray");
  form_.show();
  user::minimizeBox(form_);  // without minimise-to-tray: an icon
  EXPECT_EQ(WindowState::Minimized, form_.windowState());
  EXPECT_TRUE(form_.isShowing());
  app_.restore();
  EXPECT_EQ(WindowState::Normal, form_.windowState());

  tray.setMinimizeToTray(true);
  user::minimizeBox(form_);
  EXPECT_FALSE(form_.isShowing());
  EXPECT_TRUE(tray.visible());
  EXPECT_EQ(WindowState::Normal, form_.windowState());
  app_.restore();
  EXPECT_TRUE(form_.isShowing());
  app_.minimize();  // the program's call
  EXPECT_FALSE(form_.isShowing());
  form_.userWindowState(WindowState::Minimized);  // minimised by another program
  EXPECT_EQ(WindowState::Normal, form_.windowState());
  EXPECT_FALSE(app_.terminated());
}

TEST_F(Toolkit, TheTrayTipIsCutToWhatTheShellTakes) {
  auto& tray = form_.add<TrayIcon>("tray");
  tray.setHint("Kestrelune 1.60");
  EXPECT_EQ("Kestrelune 1.60", tray.tip());
  tray.setHint(std::string(200, 'x'));
  EXPECT_EQ(std::string(127, 'x'), tray.tip());
}

TEST_F(Toolkit, ADoubleClickOnTheTrayRunsOnlyTheMenusDefaultItem) {
  auto& tray = form_.add<TrayIcon>("tray");
  auto& popup = form_.add<PopupMenu>("popup");
  auto& open = popup.add<MenuItem>("open", "Open");
  int opened = 0;
  open.onClick = [&] { ++opened; };
  tray.setPopupMenu(&popup);
  form_.show();
  user::doubleClickTray(tray);
  EXPECT_EQ(0, opened);
  open.setDefault(true);
  user::doubleClickTray(tray);
  EXPECT_EQ(1, opened);
}

TEST_F(Toolkit, TheShellOpensWhatTheProgramAsks) {
  app_.shellOpen("mailto:support@kestrelune.example");
  EXPECT_EQ(std::vector<std::string>{"mailto:support@kestrelune.example"}, backend_.shellOpened());
}

TEST_F(Toolkit, ABrowserGoesBackThroughThePagesItShowed) {
  auto& browser = form_.add<HtmlBrowser>("browser");
  browser.navigate("C:\\Kestrelune\\Help\\Help.htm");
  EXPECT_FALSE(browser.goBack());  // not realised: nothing shown yet
  form_.show();
  EXPECT_FALSE(browser.goBack());  // the first page
  user::followLink(browser, "C:\\Kestrelune\\Help\\Help.htm#tray");
  browser.navigate("C:\\Kestrelune\\Help\\History.htm");
  EXPECT_EQ(3u, HeadlessBackend::history(browser).pages.size());
  EXPECT_TRUE(browser.goBack());
  EXPECT_EQ("C:\\Kestrelune\\Help\\Help.htm#tray", HeadlessBackend::history(browser).shown());
  browser.navigate("C:\\Kestrelune\\Help\\Help.htm");  // drops the page ahead
  EXPECT_EQ(3u, HeadlessBackend::history(browser).pages.size());
  EXPECT_TRUE(browser.goBack());
  EXPECT_TRUE(browser.goBack());
  EXPECT_FALSE(browser.goBack());
  EXPECT_EQ("C:\\Kestrelune\\Help\\Help.htm", HeadlessBackend::history(browser).shown());
}

}  // namespace
}  // namespace kl::ui
