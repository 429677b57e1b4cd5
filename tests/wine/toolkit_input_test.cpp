// The Win32 toolkit's input controls as a user meets them: check boxes,
// focus, combo boxes, track bars, pages, lists, edits and spin edits.
#include "toolkit_support.h"

namespace kl::ui {
namespace {

// --- Check boxes: mouse and keyboard --------------------------------------

TEST_F(ToolkitTest, MousePressOnCheckBoxRaisesDownEnterClickUpAndToggles) {
  click(vsync);
  EXPECT_EQ((Events{"checkVSync.MouseDown(Left)", "checkVSync.Enter", "checkVSync.Click",
                    "checkVSync.MouseUp(Left)"}),
            events);
  EXPECT_TRUE(vsync.checked());
  EXPECT_EQ(BST_CHECKED, SendMessageA(windowOf(vsync), BM_GETCHECK, 0, 0));
}

TEST_F(ToolkitTest, SpaceBarTogglesWithoutMouseEvents) {
  click(vsync);
  events.clear();
  keys({VK_SPACE});
  EXPECT_EQ(Events{"checkVSync.Click"}, events);
  EXPECT_FALSE(vsync.checked());
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(windowOf(vsync), BM_GETCHECK, 0, 0));
}

TEST_F(ToolkitTest, MnemonicTogglesAsAKeyboardAction) {
  sendKey(VK_MENU, false);
  sendKeys({'V'});
  sendKey(VK_MENU, true);
  pump();
  EXPECT_TRUE(vsync.checked());
  for (const std::string& e : events) EXPECT_EQ(std::string::npos, e.find("MouseDown")) << e;
}

TEST_F(ToolkitTest, RightPressRaisesMouseDownAndUpOnly) {
  click(vsync, MouseButton::Right);
  EXPECT_EQ((Events{"checkVSync.MouseDown(Right)", "checkVSync.MouseUp(Right)"}), events);
  EXPECT_FALSE(vsync.checked());
}

TEST_F(ToolkitTest, ThreeStateBoxCyclesThroughGrayedOnClicks) {
  click(gray);
  EXPECT_EQ(CheckState::Grayed, gray.state());
  EXPECT_EQ(BST_INDETERMINATE, SendMessageA(windowOf(gray), BM_GETCHECK, 0, 0));
  click(gray);
  EXPECT_EQ(CheckState::Checked, gray.state());
  click(gray);
  EXPECT_EQ(CheckState::Unchecked, gray.state());
}

TEST_F(ToolkitTest, StateSetFromCodeShowsWithoutEcho) {
  vsync.setChecked(true);
  pump();
  EXPECT_EQ(Events{"checkVSync.Click"}, events);  // the control's own OnClick, once
  EXPECT_EQ(BST_CHECKED, SendMessageA(windowOf(vsync), BM_GETCHECK, 0, 0));
  gray.setState(CheckState::Grayed);
  EXPECT_EQ(BST_INDETERMINATE, SendMessageA(windowOf(gray), BM_GETCHECK, 0, 0));
}

// --- Focus, combo box, track bar -------------------------------------------

TEST_F(ToolkitTest, TabIntoComboInsideGroupBoxEntersBoth) {
  ASSERT_EQ(windowOf(first), GetFocus());
  keys({VK_TAB});
  EXPECT_EQ(windowOf(combo), GetFocus());
  EXPECT_EQ((Events{"groupClocks.Enter", "comboMode.Enter"}), events);
  keys({VK_TAB});  // still inside the group: only the track bar enters
  EXPECT_EQ((Events{"groupClocks.Enter", "comboMode.Enter", "trackCore.Enter"}), events);
}

TEST_F(ToolkitTest, PickingAnItemRaisesChangeButItemIndexFromCodeDoesNot) {
  keys({VK_TAB, VK_DOWN});
  EXPECT_EQ(0, combo.itemIndex());
  EXPECT_EQ((Events{"groupClocks.Enter", "comboMode.Enter", "comboMode.Change"}), events);
  events.clear();
  combo.setItemIndex(2);
  pump();
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(2, SendMessageA(windowOf(combo), CB_GETCURSEL, 0, 0));
  combo.setItemIndex(-1);
  EXPECT_EQ(CB_ERR, SendMessageA(windowOf(combo), CB_GETCURSEL, 0, 0));
}

// The list is sized as it drops down: the window's dropped height holds a
// row for each item, up to eight (the version 6 list of this system may show
// more rows than that height, never fewer).
TEST_F(ToolkitTest, AComboBoxListOpensWithARowPerItemUpToEight) {
  struct Opened {
    int rows = -1, droppedHeight = -1;
  };
  HWND window = windowOf(combo);
  const auto open = [&] {
    SendMessageA(window, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    RECT client{}, dropped{};
    if (GetComboBoxInfo(window, &info)) GetClientRect(info.hwndList, &client);
    SendMessageA(window, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    SendMessageA(window, CB_SHOWDROPDOWN, FALSE, 0);
    const auto height = static_cast<int>(SendMessageA(window, CB_GETITEMHEIGHT, 0, 0));
    Opened opened;
    if (height > 0) opened.rows = static_cast<int>(client.bottom) / height;
    opened.droppedHeight = static_cast<int>(dropped.bottom - dropped.top);
    return opened;
  };
  const int row = static_cast<int>(SendMessageA(window, CB_GETITEMHEIGHT, 0, 0));
  const Opened three = open();
  EXPECT_EQ(3, three.rows);
  combo.setItems({"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"});
  const Opened twelve = open();
  EXPECT_GE(twelve.rows, 8);
  combo.setItems({"Low", "High"});
  const Opened two = open();
  EXPECT_EQ(2, two.rows);
  EXPECT_EQ(row, three.droppedHeight - two.droppedHeight);
  EXPECT_EQ(6 * row, twelve.droppedHeight - two.droppedHeight);
}

TEST_F(ToolkitTest, TrackBarPositionFromCodeChangesOnceWithoutEcho) {
  track.setPosition(7);
  pump();
  EXPECT_EQ(Events{"trackCore.Change"}, events);
  EXPECT_EQ(7, SendMessageA(windowOf(track), TBM_GETPOS, 0, 0));
  events.clear();
  track.setMax(5);  // the position follows the range
  pump();
  EXPECT_EQ(Events{"trackCore.Change"}, events);
  EXPECT_EQ(5, SendMessageA(windowOf(track), TBM_GETPOS, 0, 0));
  EXPECT_EQ(5, SendMessageA(windowOf(track), TBM_GETRANGEMAX, 0, 0));
}

TEST_F(ToolkitTest, ArrowKeyOnTrackBarMovesItAsTheUser) {
  keys({VK_TAB, VK_TAB});
  events.clear();
  keys({VK_RIGHT});
  EXPECT_EQ(1, track.position());
  EXPECT_EQ(Events{"trackCore.Change"}, events);
}

// --- Pages, lists, edits ----------------------------------------------------

TEST_F(ToolkitTest, PageControlShowsOnlyTheActivePage) {
  EXPECT_TRUE(IsWindowVisible(windowOf(one)));
  EXPECT_FALSE(IsWindowVisible(windowOf(two)));
  pages.setPageIndex(1);
  EXPECT_EQ(1, SendMessageA(windowOf(pages), TCM_GETCURSEL, 0, 0));
  EXPECT_FALSE(IsWindowVisible(windowOf(one)));
  EXPECT_TRUE(IsWindowVisible(windowOf(spin)));
  events.clear();
  sendClick(tabCentre(0));  // the user clicks the first tab
  pump();
  EXPECT_EQ(0, pages.pageIndex());
  EXPECT_TRUE(IsWindowVisible(windowOf(one)));
  EXPECT_FALSE(IsWindowVisible(windowOf(two)));
  EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "pages.Change"));
}

// A page's windows are made when it is first shown, with what its controls
// hold by then, and go just behind the tab control, where Tab reaches them
// from the tabs. Making them raises none of the controls' events.
TEST_F(ToolkitTest, APageShownForTheFirstTimeMakesItsWindowsWithTheirState) {
  EXPECT_EQ(nullptr, windowOf(two));
  EXPECT_EQ(nullptr, windowOf(spin));
  EXPECT_EQ(2, SendMessageA(windowOf(pages), TCM_GETITEMCOUNT, 0, 0));
  spin.setValue(42);
  spin.setEnabled(false);
  label.setText("Changed");
  two.setText("Second");
  pump();
  events.clear();
  pages.setPageIndex(1);
  pump();
  ASSERT_NE(nullptr, windowOf(spin));
  EXPECT_EQ("spinClock", nameOf(windowOf(spin)));
  EXPECT_EQ("42", textOf(windowOf(spin)));
  EXPECT_FALSE(IsWindowEnabled(windowOf(spin)));
  EXPECT_EQ("Changed", textOf(windowOf(label)));
  EXPECT_TRUE(IsWindowVisible(windowOf(label)));
  EXPECT_EQ(windowOf(two), GetWindow(windowOf(pages), GW_HWNDNEXT));
  EXPECT_EQ("Second", tabText(1));
  EXPECT_TRUE(events.empty());
  spin.setEnabled(true);
  sendClick(tabCentre(1));  // a click on the tab, then Tab into the page
  pump();
  EXPECT_EQ(windowOf(pages), GetFocus());
  keys({VK_TAB});
  EXPECT_EQ(windowOf(spin), GetFocus());
}

TEST_F(ToolkitTest, APageCaptionChangesOnlyItsOwnTab) {
  two.setText("Second");
  pump();
  EXPECT_EQ(2, SendMessageA(windowOf(pages), TCM_GETITEMCOUNT, 0, 0));
  EXPECT_EQ("One", tabText(0));
  EXPECT_EQ("Second", tabText(1));
  EXPECT_TRUE(IsWindowVisible(windowOf(one)));  // the active page stays shown
  EXPECT_FALSE(IsWindowVisible(windowOf(two)));
}

TEST_F(ToolkitTest, CheckListBoxReportsTheUsersToggleOnly) {
  list.setChecked(1, true);
  pump();
  const auto image = [&](int i) {
    return (SendMessageA(windowOf(list), LVM_GETITEMSTATE, i, LVIS_STATEIMAGEMASK) >> 12);
  };
  EXPECT_EQ(2, image(1));
  EXPECT_TRUE(events.empty());
  RECT item{};
  item.left = LVIR_LABEL;
  SendMessageA(windowOf(list), LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
  POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ClientToScreen(windowOf(list), &at);
  sendClick(at);  // selects the first item
  pump();
  EXPECT_EQ(
      (Events{"listOptions.MouseDown(Left)", "listOptions.Enter", "listOptions.MouseUp(Left)"}),
      events);
  events.clear();
  keys({VK_SPACE});
  EXPECT_EQ(Events{"listOptions.ClickCheck"}, events);
  EXPECT_TRUE(list.isChecked(0));
  EXPECT_EQ(2, image(0));
}

TEST_F(ToolkitTest, SpinEditTakesTypedValuesInsideTheRangeAndClampsOnLeaving) {
  pages.setPageIndex(1);
  spin.setValue(50);
  pump();
  EXPECT_EQ(Events{"spinClock.Change"}, events);
  char text[16] = "";
  GetWindowTextA(windowOf(spin), text, sizeof text);
  EXPECT_STREQ("50", text);
  click(spin);
  keys({VK_UP});  // the up-down's arrow key
  EXPECT_EQ(51, spin.value());
  SendMessageA(windowOf(spin), EM_SETSEL, 0, -1);
  events.clear();
  keys({'3', '0', '0'});
  EXPECT_EQ(30, spin.value());  // "3" is below the range, "300" above it
  keys({VK_TAB});
  EXPECT_EQ(100, spin.value());
  EXPECT_EQ((Events{"spinClock.Change", "spinClock.Change", "editName.Enter"}), events);
  GetWindowTextA(windowOf(spin), text, sizeof text);
  EXPECT_STREQ("100", text);
}

TEST_F(ToolkitTest, EditReportsTypingButNotTextFromCode) {
  edit.setText("set");
  pump();
  EXPECT_TRUE(events.empty());
  click(edit);
  SendMessageA(windowOf(edit), EM_SETSEL, 0, -1);
  events.clear();
  keys({'A', 'B'});
  EXPECT_EQ("ab", edit.text());
  EXPECT_EQ((Events{"editName.Change", "editName.Change"}), events);
}

// Without its editor the text takes no key; the arrows, which focus it, and
// the up and down keys still step the value, and the control's events come.
TEST_F(ToolkitTest, ASpinEditWithoutItsEditorTakesOnlyItsArrows) {
  pages.setPageIndex(1);
  spin.setValue(50);
  spin.setEditorEnabled(false);
  pump();
  events.clear();
  const HWND text = windowOf(spin);
  EXPECT_TRUE(GetWindowLongPtrA(text, GWL_STYLE) & ES_READONLY);
  RECT arrows{};
  GetWindowRect(GetWindow(text, GW_HWNDNEXT), &arrows);
  sendClick(POINT{(arrows.left + arrows.right) / 2, arrows.top + 3});  // the up arrow
  pump();
  EXPECT_EQ(51, spin.value());
  // Wine's up-down steps again when its press highlight ends with the
  // pointer still over it: the keys below are used with the pointer away.
  const POINT away = centreOf(windowOf(first));
  SetCursorPos(away.x, away.y);
  pump();
  EXPECT_EQ(text, GetFocus());
  SendMessageA(text, EM_SETSEL, 0, -1);
  keys({'7', VK_BACK, VK_DELETE});
  EXPECT_EQ(51, spin.value());
  EXPECT_EQ("51", textOf(text));
  keys({VK_DOWN, VK_DOWN});
  EXPECT_EQ(49, spin.value());
  pump(600);  // no step comes later
  EXPECT_EQ(49, spin.value());
  EXPECT_EQ("49", textOf(text));
  EXPECT_EQ((Events{"pages.Enter", "spinClock.Enter", "spinClock.Change", "spinClock.Change",
                    "spinClock.Change"}),
            events);
  HDC dc = GetDC(text);  // drawn as an edit that takes input, not a grayed one
  EXPECT_EQ(reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW)),
            SendMessageA(GetParent(text), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                         reinterpret_cast<LPARAM>(text)));
  ReleaseDC(text, dc);
  spin.setEditorEnabled(true);
  EXPECT_FALSE(GetWindowLongPtrA(text, GWL_STYLE) & ES_READONLY);
  SendMessageA(text, EM_SETSEL, 0, -1);
  keys({'2', '0'});
  EXPECT_EQ(20, spin.value());
}

// --- Parity with the headless backend -------------------------------------

TEST_F(ToolkitTest, ADisabledSpinEditTakesNoInput) {
  pages.setPageIndex(1);
  spin.setEnabled(false);
  pump();
  RECT arrows{};
  GetWindowRect(GetWindow(windowOf(spin), GW_HWNDNEXT), &arrows);  // the up-down follows it
  sendClick(POINT{(arrows.left + arrows.right) / 2, arrows.top + 3});
  pump();
  EXPECT_EQ(10, spin.value());
  EXPECT_TRUE(events.empty());
}

TEST_F(ToolkitTest, ClickingATabFocusesThePageControlThenSelects) {
  sendClick(tabCentre(1));
  pump();
  EXPECT_EQ((Events{"pages.MouseDown(Left)", "pages.Enter", "pages.Change", "pages.MouseUp(Left)"}),
            events);
  EXPECT_EQ(&pages, form.focused());
}

}  // namespace
}  // namespace kl::ui
