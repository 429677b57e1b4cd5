// The Win32 toolkit backend as a user and an outside test program meet it:
// real windows, found by their name property, driven by real input
// (SendInput) and by the messages Windows itself sends.
#include <windows.h>
// The common controls' declarations need <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/application.h"
#include "ui/components.h"
#include "ui/controls.h"
#include "ui/menu.h"
#include "ui/win32/win32_backend.h"
#include "ui/win32/win32_dialogs.h"

namespace kl::ui {
namespace {

constexpr const char* kTitle = "Toolkit test";

// --- Finding windows as an outside program does --------------------------

std::string nameOf(HWND hwnd) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(hwnd, "Kestrelune.Name")));
  char name[256] = "";
  if (atom) GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

struct Search {
  std::string name;
  HWND found = nullptr;
};

BOOL CALLBACK matchName(HWND hwnd, LPARAM l) {
  auto* search = reinterpret_cast<Search*>(l);
  if (nameOf(hwnd) != search->name) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND findForm(const std::string& name) {
  Search search{name};
  EnumWindows(&matchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND findControl(HWND form, const std::string& name) {
  Search search{name};
  EnumChildWindows(form, &matchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::string classOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

HWND windowOf(const Control& control) { return static_cast<HWND>(Win32Backend::windowOf(control)); }

// --- Real input -----------------------------------------------------------

void sendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// Presses and releases a mouse button at a screen point.
void sendClick(POINT at, MouseButton button = MouseButton::Left) {
  SetCursorPos(at.x, at.y);
  switch (button) {
    case MouseButton::Left:
      sendMouse(MOUSEEVENTF_LEFTDOWN);
      sendMouse(MOUSEEVENTF_LEFTUP);
      break;
    case MouseButton::Right:
      sendMouse(MOUSEEVENTF_RIGHTDOWN);
      sendMouse(MOUSEEVENTF_RIGHTUP);
      break;
    case MouseButton::Middle:
      sendMouse(MOUSEEVENTF_MIDDLEDOWN);
      sendMouse(MOUSEEVENTF_MIDDLEUP);
      break;
  }
}

POINT centreOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

void sendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

void sendKeys(std::initializer_list<WORD> keys) {
  for (WORD key : keys) {
    sendKey(key, false);
    sendKey(key, true);
  }
}

void sendCtrl(WORD key) {
  sendKey(VK_CONTROL, false);
  sendKeys({key});
  sendKey(VK_CONTROL, true);
}

const char* buttonName(MouseButton button) {
  switch (button) {
    case MouseButton::Left:
      return "Left";
    case MouseButton::Right:
      return "Right";
    case MouseButton::Middle:
      return "Middle";
  }
  return "?";
}

using Events = std::vector<std::string>;

// Answers the next message box with OK from another thread (ours is inside
// MessageBoxA then), after reading its text.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() : thread_([this] { watch(); }) {}
  ~MessageBoxWatcher() {
    if (thread_.joinable()) thread_.join();
  }
  // The text of the box it answered; "" when none came within 5 s.
  std::string text() {
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  void watch() {
    for (int tries = 0; tries < 500; ++tries, Sleep(10)) {
      HWND box = FindWindowA("#32770", kTitle);
      if (!box) continue;
      char text[256] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      text_ = text;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return;
    }
  }
  std::string text_;
  std::thread thread_;
};

// --- The form: one control of each kind -----------------------------------

class ToolkitTest : public ::testing::Test {
 protected:
  ToolkitTest() {
    app.setTitle(kTitle);
    app.setHintHidePause(10000);
    layOut();
    for (Control* c : std::initializer_list<Control*>{&first, &group, &combo, &track, &vsync, &gray,
                                                      &pages, &list, &edit, &spin, &speed})
      record(*c);
    combo.onChange = [this] { events.push_back("comboMode.Change"); };
    track.onChange = [this] { events.push_back("trackCore.Change"); };
    spin.onChange = [this] { events.push_back("spinClock.Change"); };
    edit.onChange = [this] { events.push_back("editName.Change"); };
    pages.onChange = [this] { events.push_back("pages.Change"); };
    list.onClickCheck = [this] { events.push_back("listOptions.ClickCheck"); };
    openItem.onClick = [this] { events.push_back("menuOpen.Click"); };
    form.show();
    SetForegroundWindow(windowOf(form));
    pump(100);
    events.clear();
  }

  ~ToolkitTest() override {
    MSG msg;  // a quit message left by a test must not end the next one's loops
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  void layOut() {
    form.setWindowClass("TKestreluneTest");
    form.setCaption("Toolkit");
    form.setBorder(BorderStyle::Single, BorderIcons{true, true, false});
    form.setClientSize(420, 330);
    form.setMenu(&menu);
    first.setBounds(8, 8, 75, 25);
    first.setText("First");
    group.setBounds(180, 8, 230, 100);
    group.setText("Clocks");
    combo.setBounds(10, 20, 150, 21);
    combo.setItems({"Low", "Medium", "High"});
    combo.setHint("Mode");
    combo.setShowHint(true);
    track.setBounds(10, 50, 210, 30);
    track.setMax(20);
    track.setHint("never shown");
    vsync.setBounds(8, 40, 150, 17);
    vsync.setText("&VSync");
    vsync.setHint("Waits for the retrace|Waits for the vertical retrace before drawing");
    vsync.setShowHint(true);
    gray.setBounds(8, 60, 150, 17);
    gray.setText("Gray");
    gray.setAllowGrayed(true);
    layOutPages();
    layOutRest();
  }

  void layOutPages() {
    pages.setBounds(8, 112, 260, 130);
    one.setText("One");
    two.setText("Two");
    label.setBounds(8, 8, 120, 17);
    label.setText("Core && memory");
    spin.setBounds(8, 30, 80, 21);
    spin.setRange(10, 100);
  }

  void layOutRest() {
    edit.setBounds(280, 112, 130, 21);
    list.setBounds(280, 140, 130, 60);
    list.setItems({"Alpha", "Beta"});
    progress.setBounds(280, 206, 130, 16);
    progress.setPosition(40);
    bevel.setBounds(8, 250, 404, 2);
    image.setBounds(8, 256, 32, 32);
    image.setPicture("NO_SUCH_BITMAP");
    speed.setBounds(50, 256, 60, 23);
    speed.setText("Speed");
    browser.setBounds(120, 256, 100, 40);
    status.setPanels({{100, "Ready"}, {200, "Second"}});
    tray.setHint("Kestrelune");
    tray.setVisible(false);
  }

  void record(Control& c) {
    const std::string name = c.name();
    c.onMouseDown = [this, name](MouseButton b) {
      events.push_back(name + ".MouseDown(" + buttonName(b) + ")");
    };
    c.onMouseUp = [this, name](MouseButton b) {
      events.push_back(name + ".MouseUp(" + buttonName(b) + ")");
    };
    c.onClick = [this, name] { events.push_back(name + ".Click"); };
    c.onEnter = [this, name] { events.push_back(name + ".Enter"); };
  }

  // Runs the program's message handling for a while, as its loop would.
  void pump(int ms = 150) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      backend.processMessages();
      Sleep(2);
    }
  }

  template <class Done>
  bool pumpUntil(Done done, int ms = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done() && std::chrono::steady_clock::now() < end) {
      backend.processMessages();
      Sleep(2);
    }
    return done();
  }

  void click(const Control& c, MouseButton button = MouseButton::Left) {
    sendClick(centreOf(windowOf(c)), button);
    pump();
  }

  void keys(std::initializer_list<WORD> list) {
    sendKeys(list);
    pump();
  }

  HWND formWindow() const { return windowOf(form); }

  Win32Backend backend{GetModuleHandleA(nullptr)};
  Application app{backend};
  Form& form = app.createForm<Form>("TestForm");
  MainMenu& menu = form.add<MainMenu>("MainMenu1");
  MenuItem& fileMenu = menu.add<MenuItem>("menuFile", "&File");
  MenuItem& openItem = fileMenu.add<MenuItem>("menuOpen", "&Open", ctrlKey('O'), "Opens a file");
  Button& first = form.add<Button>("buttonFirst");
  GroupBox& group = form.add<GroupBox>("groupClocks");
  ComboBox& combo = group.add<ComboBox>("comboMode");
  TrackBar& track = group.add<TrackBar>("trackCore");
  CheckBox& vsync = form.add<CheckBox>("checkVSync");
  CheckBox& gray = form.add<CheckBox>("checkGray");
  PageControl& pages = form.add<PageControl>("pages");
  TabSheet& one = pages.add<TabSheet>("sheetOne");
  TabSheet& two = pages.add<TabSheet>("sheetTwo");
  Label& label = two.add<Label>("labelCore");
  SpinEdit& spin = two.add<SpinEdit>("spinClock");
  Edit& edit = form.add<Edit>("editName");
  CheckListBox& list = form.add<CheckListBox>("listOptions");
  ProgressBar& progress = form.add<ProgressBar>("progressTest");
  Bevel& bevel = form.add<Bevel>("bevelLine");
  Image& image = form.add<Image>("imageLogo");
  SpeedButton& speed = form.add<SpeedButton>("speedHelp");
  HtmlBrowser& browser = form.add<HtmlBrowser>("browserHelp");
  StatusBar& status = form.add<StatusBar>("statusBar");
  TrayIcon& tray = form.add<TrayIcon>("trayIcon");
  Events events;
};

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
  RECT tab{};  // the user clicks the first tab
  SendMessageA(windowOf(pages), TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&tab));
  POINT at{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
  ClientToScreen(windowOf(pages), &at);
  events.clear();
  sendClick(at);
  pump();
  EXPECT_EQ(0, pages.pageIndex());
  EXPECT_TRUE(IsWindowVisible(windowOf(one)));
  EXPECT_FALSE(IsWindowVisible(windowOf(two)));
  EXPECT_NE(events.end(), std::find(events.begin(), events.end(), "pages.Change"));
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

// --- Menus, shortcuts, hints, status bar ---------------------------------

TEST_F(ToolkitTest, MenuShowsShortcutAndCtrlKeyClicksTheItem) {
  HMENU file = GetSubMenu(GetMenu(formWindow()), 0);
  char caption[64] = "";
  GetMenuStringA(file, 0, caption, sizeof caption, MF_BYPOSITION);
  EXPECT_STREQ("&Open\tCtrl+O", caption);
  click(edit);
  events.clear();
  sendCtrl('O');
  pump();
  EXPECT_EQ(Events{"menuOpen.Click"}, events);
  EXPECT_EQ("", edit.text());  // the shortcut's key went no further
  events.clear();
  SendMessageA(formWindow(), WM_COMMAND, GetMenuItemID(file, 0), 0);  // chosen from the menu
  EXPECT_EQ(Events{"menuOpen.Click"}, events);
}

TEST_F(ToolkitTest, SpeedButtonClicksWithoutTakingTheFocus) {
  ASSERT_EQ(windowOf(first), GetFocus());
  click(speed);
  EXPECT_EQ((Events{"speedHelp.MouseDown(Left)", "speedHelp.Click", "speedHelp.MouseUp(Left)"}),
            events);
  EXPECT_EQ(windowOf(first), GetFocus());
  EXPECT_FALSE(GetWindowLongPtrA(windowOf(speed), GWL_STYLE) & WS_TABSTOP);
}

TEST_F(ToolkitTest, TrayIconOpensItsPopupMenuAndReportsDoubleClicks) {
  PopupMenu& popup = form.add<PopupMenu>("popupTray");
  popup.add<MenuItem>("menuRestore", "&Restore").onClick = [this] {
    events.push_back("menuRestore.Click");
  };
  tray.setPopupMenu(&popup);
  tray.onDblClick = [this] { events.push_back("trayIcon.DblClick"); };
  const HWND trayWindow = findForm("trayIcon");  // its hidden window carries the name
  ASSERT_NE(nullptr, trayWindow);
  constexpr UINT kIconMessage = WM_APP + 1;  // what the shell sends us about the icon
  SendMessageA(trayWindow, kIconMessage, 1, WM_LBUTTONDBLCLK);
  Timer chooser(app);  // picks the first item once the menu is up
  chooser.setInterval(100);
  chooser.onTimer = [&] {
    chooser.setEnabled(false);
    sendKeys({VK_DOWN, VK_RETURN});
  };
  chooser.setEnabled(true);
  SendMessageA(trayWindow, kIconMessage, 1, WM_RBUTTONUP);
  EXPECT_EQ((Events{"trayIcon.DblClick", "menuRestore.Click"}), events);
}

BOOL CALLBACK findTooltips(HWND hwnd, LPARAM l) {
  auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(l);
  if (classOf(hwnd) != TOOLTIPS_CLASSA || GetWindow(hwnd, GW_OWNER) != search->first) return TRUE;
  search->second = hwnd;
  return FALSE;
}

TEST_F(ToolkitTest, ControlsThatShowHintsHaveToolsOfTheFormsTooltip) {
  std::pair<HWND, HWND> search{formWindow(), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &findTooltips, reinterpret_cast<LPARAM>(&search));
  ASSERT_NE(nullptr, search.second);
  EXPECT_EQ(2, SendMessageA(search.second, TTM_GETTOOLCOUNT, 0, 0));  // not the track bar
  EXPECT_EQ(10000, SendMessageA(search.second, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
  char text[80] = "";
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = GetParent(windowOf(vsync));
  tool.uId = reinterpret_cast<UINT_PTR>(windowOf(vsync));
  tool.lpszText = text;
  SendMessageA(search.second, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ("Waits for the retrace", text);
  vsync.setShowHint(false);
  EXPECT_EQ(1, SendMessageA(search.second, TTM_GETTOOLCOUNT, 0, 0));
}

TEST_F(ToolkitTest, StatusBarPanelsEndAtTheSumOfTheWidths) {
  const HWND bar = windowOf(status);
  int edges[4] = {};
  ASSERT_EQ(2, SendMessageA(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)));
  EXPECT_EQ(100, edges[0]);
  EXPECT_EQ(-1, edges[1]);  // the last panel runs to the edge
  status.setPanelText(1, "Changed");
  char text[32] = "";
  SendMessageA(bar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ("Changed", text);
  RECT barRect{}, client{};
  GetWindowRect(bar, &barRect);
  GetClientRect(formWindow(), &client);
  POINT bottom{0, client.bottom};
  ClientToScreen(formWindow(), &bottom);
  EXPECT_EQ(bottom.y, barRect.bottom);  // docked at the bottom
}

// --- Names, geometry --------------------------------------------------------

TEST_F(ToolkitTest, NamePropertyFindsFormsAndControls) {
  const HWND found = findForm("TestForm");
  ASSERT_EQ(formWindow(), found);
  EXPECT_EQ("TKestreluneTest", classOf(found));
  EXPECT_EQ(windowOf(vsync), findControl(found, "checkVSync"));
  EXPECT_EQ("Button", classOf(findControl(found, "checkVSync")));
  EXPECT_EQ("ComboBox", classOf(findControl(found, "comboMode")));
  EXPECT_EQ("msctls_trackbar32", classOf(findControl(found, "trackCore")));
  EXPECT_EQ("Edit", classOf(findControl(found, "spinClock")));  // on a hidden page too
  EXPECT_EQ("SysTabControl32", classOf(findControl(found, "pages")));
  EXPECT_NE(nullptr, findControl(found, "imageLogo"));
}

TEST(ToolkitNames, GoAwayWithTheirWindows) {
  Win32Backend backend(GetModuleHandleA(nullptr));
  {
    Application app(backend);
    Form& form = app.createForm<Form>("EphemeralForm");
    form.add<Button>("buttonEphemeralProbe").setBounds(0, 0, 50, 20);
    form.show();
    EXPECT_NE(0, GlobalFindAtomA("buttonEphemeralProbe"));
  }
  EXPECT_EQ(0, GlobalFindAtomA("buttonEphemeralProbe"));
  EXPECT_EQ(nullptr, findForm("EphemeralForm"));
}

TEST_F(ToolkitTest, ClientAreaIsTheFormsClientSizeBelowTheMenu) {
  RECT client{};
  GetClientRect(formWindow(), &client);
  EXPECT_EQ(420, client.right);
  EXPECT_EQ(330, client.bottom);
  ASSERT_NE(nullptr, GetMenu(formWindow()));
  const LONG_PTR style = GetWindowLongPtrA(formWindow(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  form.setAlphaBlend(true, 200);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(formWindow(), nullptr, &alpha, &flags));
  EXPECT_EQ(200, alpha);
  EXPECT_EQ(DWORD{LWA_ALPHA}, flags);
}

LOGFONTA fontOf(HWND hwnd) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

TEST_F(ToolkitTest, ControlsUseTheDialogFontBoldWhenAsked) {
  EXPECT_STREQ("MS Sans Serif", fontOf(windowOf(combo)).lfFaceName);
  EXPECT_EQ(FW_NORMAL, fontOf(windowOf(vsync)).lfWeight);
  vsync.setBold(true);
  EXPECT_EQ(FW_BOLD, fontOf(windowOf(vsync)).lfWeight);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), fontOf(windowOf(combo)).lfHeight);
  ReleaseDC(nullptr, screen);
}

TEST_F(ToolkitTest, MissingPictureShowsNothingAndRaisesNoError) {
  EXPECT_EQ(0, SendMessageA(windowOf(image), STM_GETIMAGE, IMAGE_BITMAP, 0));
  browser.navigate("about:blank");  // with or without a browser on this system
  pump();
  EXPECT_NE(nullptr, findControl(formWindow(), "browserHelp"));
  EXPECT_EQ(nullptr, FindWindowA("#32770", kTitle));
}

// --- Modal forms, errors, timers -----------------------------------------------

class ModalTest : public ToolkitTest {
 protected:
  ModalTest() {
    dialog.setWindowClass("TDialogTest");
    dialog.setCaption("Dialog");
    dialog.setBorder(BorderStyle::Dialog, BorderIcons{true, false, false});
    dialog.setClientSize(200, 100);
    dialog.setCentred(true);
    ok.setBounds(20, 60, 75, 25);
    ok.setText("OK");
    ok.setModalResult(ModalResult::Ok);
    cancel.setBounds(105, 60, 75, 25);
    cancel.setText("Cancel");
    cancel.setModalResult(ModalResult::Cancel);
    dialog.setCancelButton(&cancel);
    dialog.setDefaultButton(&ok);
  }

  // Acts once the modal loop runs: `act` gets the dialog's window.
  void whenShown(std::function<void(HWND)> act) {
    actor.setInterval(50);
    actor.onTimer = [this, act] {
      actor.setEnabled(false);
      mainEnabledMeanwhile = IsWindowEnabled(formWindow());
      act(findForm("DialogForm"));
    };
    actor.setEnabled(true);
  }

  Form& dialog = app.createForm<Form>("DialogForm");
  Button& ok = dialog.add<Button>("buttonOk");
  Button& cancel = dialog.add<Button>("buttonCancel");
  Timer actor{app};
  bool mainEnabledMeanwhile = true;
};

TEST_F(ModalTest, ReturnsTheResultOfTheButtonClicked) {
  whenShown([](HWND window) { sendClick(centreOf(findControl(window, "buttonOk"))); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
}

TEST_F(ModalTest, EnterClicksTheDefaultButton) {
  whenShown([](HWND) { sendKeys({VK_RETURN}); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
}

TEST_F(ModalTest, EscapeClicksTheCancelButtonAndCloseBoxCancels) {
  whenShown([](HWND) { sendKeys({VK_ESCAPE}); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  whenShown([](HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
}

TEST_F(ModalTest, DialogIsCentredWithItsClientSize) {
  whenShown([this](HWND window) {
    RECT r{}, client{};
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    EXPECT_EQ(200, client.right);
    EXPECT_EQ(100, client.bottom);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (r.left + r.right) / 2, 1);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    dialog.setModalResult(ModalResult::Ok);
  });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
}

TEST_F(ModalTest, ClosingANestedDialogReactivatesTheOuterOne) {
  Form& inner = app.createForm<Form>("InnerForm");
  inner.setClientSize(120, 60);
  Timer closer(app);
  closer.setInterval(50);
  closer.onTimer = [&] {
    closer.setEnabled(false);
    inner.setModalResult(ModalResult::Ok);
  };
  HWND activeAfterInner = nullptr;
  whenShown([&](HWND) {
    closer.setEnabled(true);
    EXPECT_EQ(ModalResult::Ok, inner.showModal());
    activeAfterInner = GetActiveWindow();
    dialog.setModalResult(ModalResult::Ok);
  });
  dialog.showModal();
  EXPECT_EQ(windowOf(dialog), activeAfterInner);
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ToolkitTest, ErrorInOnClickIsShownInAMessageBoxAndTheProgramGoesOn) {
  vsync.onClick = [] { throw std::runtime_error("Boom"); };
  MessageBoxWatcher watcher;
  click(vsync);
  EXPECT_EQ("Boom", watcher.text());
  EXPECT_TRUE(vsync.checked());
  int clicks = 0;
  vsync.onClick = [&] { ++clicks; };
  click(vsync);
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(vsync.checked());
}

TEST_F(ToolkitTest, TimerElapsesUntilDisabled) {
  Timer timer(app);
  int ticks = 0;
  timer.onTimer = [&] { ++ticks; };
  timer.setInterval(20);
  timer.setEnabled(true);
  EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }));
  timer.setEnabled(false);
  const int stopped = ticks;
  pump(100);
  EXPECT_EQ(stopped, ticks);
}

TEST(FileDialogFilter, BarsBecomeNulsEndedByTwo) {
  using namespace std::string_literals;
  EXPECT_EQ("Profiles\0*.ini\0All\0*.*\0\0"s, fileDialogFilter("Profiles|*.ini|All|*.*"));
  EXPECT_EQ("", fileDialogFilter(""));
}

// --- A long session: released forms, failing timers, held forms -------------

// Answers every message box of ours that appears within `ms`, from another
// thread, by pressing Enter on it (the pointer moved onto it first: without
// a window manager the keyboard goes to the window under the pointer), and
// notes what it saw.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int ms, std::function<void(HWND)> whileUp = {})
      : whileUp_(std::move(whileUp)), thread_([this, ms] { watch(ms); }) {}
  ~BoxAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  int count() {
    if (thread_.joinable()) thread_.join();
    return count_;
  }
  std::string caption() {
    if (thread_.joinable()) thread_.join();
    return caption_;
  }

 private:
  static BOOL CALLBACK findBox(HWND hwnd, LPARAM l) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId() || classOf(hwnd) != "#32770" || !IsWindowVisible(hwnd))
      return TRUE;
    *reinterpret_cast<HWND*>(l) = hwnd;
    return FALSE;
  }
  void watch(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    HWND last = nullptr;
    while (std::chrono::steady_clock::now() < end) {
      HWND box = nullptr;
      EnumWindows(&findBox, reinterpret_cast<LPARAM>(&box));
      if (!box || box == last) {
        Sleep(10);
        continue;
      }
      ++count_;
      last = box;
      char text[128] = "";
      GetWindowTextA(box, text, sizeof text);
      caption_ = text;
      Sleep(100);  // fully up
      if (whileUp_) whileUp_(box);
      SetCursorPos(centreOf(box).x, centreOf(box).y);
      sendKeys({VK_RETURN});
    }
  }
  std::function<void(HWND)> whileUp_;
  int count_ = 0;
  std::string caption_;
  std::thread thread_;
};

std::string textOf(HWND hwnd) {
  char text[1024] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

BOOL CALLBACK countChild(HWND, LPARAM l) {
  ++*reinterpret_cast<int*>(l);
  return TRUE;
}

BOOL CALLBACK countWindow(HWND hwnd, LPARAM l) {
  ++*reinterpret_cast<int*>(l);
  EnumChildWindows(hwnd, &countChild, l);
  return TRUE;
}

// Every window this thread owns, top-level or child.
int windowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Like the program's progress dialog: windows, a picture, its own timer.
class TimedDialog : public Form {
 public:
  explicit TimedDialog(Application& app) : Form(app, "TimedDialog"), timer(app) {
    setClientSize(200, 100);
    auto& group = add<GroupBox>("groupTimed");
    group.setBounds(0, 0, 200, 60);
    group.add<ProgressBar>("progTimed").setBounds(8, 20, 180, 20);
    add<Image>("imageTimed").setPicture("NO_SUCH_BITMAP");
    auto& ok = add<Button>("buttonTimedOk");
    ok.setBounds(120, 70, 75, 25);
    ok.setHint("Closes it");
    ok.setShowHint(true);
    timer.setInterval(10);
    timer.onTimer = [this] { ++ticks; };
    timer.setEnabled(true);
  }
  Timer timer;
  int ticks = 0;
};

TEST_F(ToolkitTest, ReleasingFormsKeepsWindowsAndTimersFlat) {
  const int timersAtStart = backend.runningTimers();
  const auto useOnce = [&] {
    auto& dialog = app.createForm<TimedDialog>();
    dialog.show();
    pump(20);
    dialog.hide();
    return &dialog;
  };
  TimedDialog* previous = useOnce();
  EXPECT_LT(0, previous->ticks);
  const int windowsAfterFirst = windowsOfThisThread();
  EXPECT_EQ(timersAtStart + 1, backend.runningTimers());
  for (int i = 0; i < 100; ++i) {
    app.releaseForm(*previous);
    previous = useOnce();
  }
  EXPECT_EQ(windowsAfterFirst, windowsOfThisThread());
  EXPECT_EQ(timersAtStart + 1, backend.runningTimers());
  app.releaseForm(*previous);
  EXPECT_EQ(timersAtStart, backend.runningTimers());
  EXPECT_EQ(nullptr, findForm("TimedDialog"));
  EXPECT_EQ(0, GlobalFindAtomA("buttonTimedOk"));
}

TEST_F(ToolkitTest, AFailingTimerShowsOneMessageBox) {
  Timer timer(app);
  int ticks = 0;
  timer.setInterval(50);
  timer.onTimer = [&] {
    ++ticks;
    throw std::runtime_error("Tick failed");
  };
  timer.setEnabled(true);
  BoxAnswerer answerer(1500);
  pump(1700);
  EXPECT_EQ(1, answerer.count());
  EXPECT_EQ(1, ticks);
  EXPECT_FALSE(timer.enabled());
}

TEST_F(ToolkitTest, AnIntervalOfZeroNeverFires) {
  Timer timer(app);
  int ticks = 0;
  timer.onTimer = [&] { ++ticks; };
  timer.setInterval(0);
  timer.setEnabled(true);
  pump(200);
  EXPECT_EQ(0, ticks);
  EXPECT_EQ(0, backend.runningTimers());
}

TEST_F(ModalTest, EveryOtherFormIsHeldAlsoOneShownMeanwhile) {
  Form& help = app.createForm<Form>("HelpForm");
  help.setClientSize(100, 60);
  Form& visible = app.createForm<Form>("VisibleForm");
  visible.setClientSize(100, 60);
  visible.show();
  bool helpEnabled = true, visibleEnabled = true, mainClosed = false;
  whenShown([&](HWND window) {
    help.show();
    helpEnabled = IsWindowEnabled(windowOf(help));
    visibleEnabled = IsWindowEnabled(windowOf(visible));
    SendMessageA(formWindow(), WM_CLOSE, 0, 0);  // another program's polite request
    mainClosed = app.terminated();
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  dialog.showModal();
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_FALSE(helpEnabled);
  EXPECT_FALSE(visibleEnabled);
  EXPECT_FALSE(mainClosed);
  EXPECT_TRUE(IsWindowEnabled(windowOf(help)));
  EXPECT_TRUE(IsWindowEnabled(windowOf(visible)));
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ToolkitTest, AMessageBoxHoldsEveryFormAndTheOwnerGetsItsFocusBack) {
  Form& other = app.createForm<Form>("OtherForm");
  other.setClientSize(100, 60);
  other.show();
  SetForegroundWindow(formWindow());
  pump();
  click(edit);
  bool otherEnabled = true;
  BoxAnswerer answerer(3000, [&](HWND) { otherEnabled = IsWindowEnabled(windowOf(other)); });
  app.messageBox("Held?", "", kMbOk);
  EXPECT_EQ(1, answerer.count());
  EXPECT_FALSE(otherEnabled);
  EXPECT_EQ("Error", answerer.caption());  // an empty caption is the system's own
  EXPECT_TRUE(IsWindowEnabled(windowOf(other)));
  EXPECT_EQ(windowOf(edit), GetFocus());
}

TEST_F(ModalTest, AShowingThatFailsLeavesNoFormHeld) {
  dialog.onShow = [] { throw std::runtime_error("Cannot show"); };
  EXPECT_THROW(dialog.showModal(), std::runtime_error);
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
  EXPECT_FALSE(dialog.isModal());
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ModalTest, TheProgramsEndEndsTheLoopWithoutOnClose) {
  int closes = 0;
  dialog.onClose = [&] { ++closes; };
  whenShown([this](HWND) { app.terminate(); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  EXPECT_EQ(0, closes);
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
}

TEST_F(ModalTest, TheDefaultButtonAnswersDmGetDefIdAndKeepsItsOutline) {
  Form& form = app.createForm<Form>("DefaultForm");
  form.setClientSize(300, 120);
  auto& group = form.add<GroupBox>("groupDefault");
  group.setBounds(0, 0, 300, 120);
  auto& choice = group.add<ComboBox>("comboDefault");
  choice.setBounds(8, 20, 120, 21);
  choice.setItems({"One", "Two"});
  auto& okButton = group.add<Button>("buttonDefaultOk");
  okButton.setBounds(8, 80, 75, 25);
  auto& other = group.add<Button>("buttonOther");
  other.setBounds(100, 80, 75, 25);
  form.setDefaultButton(&okButton);
  int okClicks = 0;
  okButton.onClick = [&] { ++okClicks; };
  form.show();
  SetForegroundWindow(windowOf(form));
  pump();
  const auto isDefault = [](const Control& c) {
    return (GetWindowLongPtrA(windowOf(c), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  const LRESULT id = SendMessageA(windowOf(form), DM_GETDEFID, 0, 0);
  EXPECT_EQ(DC_HASDEFID, HIWORD(id));
  EXPECT_EQ(GetDlgCtrlID(windowOf(okButton)), LOWORD(id));
  click(choice);
  sendKeys({VK_ESCAPE});  // closes the list the click opened
  pump();
  EXPECT_TRUE(isDefault(okButton));
  click(other);
  EXPECT_TRUE(isDefault(other));
  EXPECT_FALSE(isDefault(okButton));
  click(choice);
  sendKeys({VK_ESCAPE});
  pump();
  EXPECT_TRUE(isDefault(okButton));
  EXPECT_FALSE(isDefault(other));
  keys({VK_RETURN});  // the dialog manager's Enter, with the focus on the list
  EXPECT_EQ(1, okClicks);
  SendMessageA(windowOf(form), DM_SETDEFID, GetDlgCtrlID(windowOf(other)), 0);
  EXPECT_EQ(&other, form.defaultButton());
  EXPECT_TRUE(isDefault(other));
}

TEST_F(ToolkitTest, ShowingAFormThatIsUpBringsItToTheFront) {
  Form& other = app.createForm<Form>("OtherForm");
  other.setClientSize(100, 60);
  other.show();
  SetForegroundWindow(windowOf(other));
  pump();
  ASSERT_EQ(windowOf(other), GetForegroundWindow());
  form.show();
  pump();
  EXPECT_EQ(formWindow(), GetForegroundWindow());
  EXPECT_EQ(formWindow(), GetActiveWindow());
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

TEST_F(ToolkitTest, AnUnansweredYesNoBoxAnswersWithItsDefaultButton) {
  BoxAnswerer yes(3000);
  EXPECT_EQ(kIdYes, app.messageBox("Remove?", kTitle, kMbYesNo | kMbIconWarning));
  EXPECT_EQ(1, yes.count());
  BoxAnswerer no(3000);
  EXPECT_EQ(kIdNo, app.messageBox("Remove?", kTitle, kMbYesNo | kMbDefButton2));
  EXPECT_EQ(1, no.count());
}

TEST_F(ToolkitTest, ClickingATabFocusesThePageControlThenSelects) {
  RECT tab{};
  SendMessageA(windowOf(pages), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
  POINT at{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
  ClientToScreen(windowOf(pages), &at);
  sendClick(at);
  pump();
  EXPECT_EQ((Events{"pages.MouseDown(Left)", "pages.Enter", "pages.Change", "pages.MouseUp(Left)"}),
            events);
  EXPECT_EQ(&pages, form.focused());
}

// --- Hints, the tray, the browser ---------------------------------------------

TEST_F(ToolkitTest, DisabledControlsAndGroupsShowTheirHints) {
  combo.setEnabled(false);
  group.setHint("The clocks of the card");
  group.setShowHint(true);
  pump();
  std::pair<HWND, HWND> search{formWindow(), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &findTooltips, reinterpret_cast<LPARAM>(&search));
  ASSERT_NE(nullptr, search.second);
  const auto tipOf = [&](const Control& c) {
    char text[80] = "";
    TTTOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.hwnd = GetParent(windowOf(c));
    tool.uId = reinterpret_cast<UINT_PTR>(windowOf(c));
    tool.lpszText = text;
    SendMessageA(search.second, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
    return std::string(text);
  };
  EXPECT_EQ("The clocks of the card", tipOf(track));  // its own hint is not shown
  EXPECT_EQ("Mode", tipOf(combo));
  POINT over = centreOf(windowOf(combo));
  EXPECT_NE(windowOf(combo), WindowFromPoint(over));  // the mouse goes past a disabled control
  EXPECT_EQ(reinterpret_cast<LRESULT>(windowOf(combo)),
            SendMessageA(search.second, TTM_WINDOWFROMPOINT, 0, reinterpret_cast<LPARAM>(&over)));
  SetCursorPos(over.x, over.y);  // the tooltip comes up over the disabled list
  pump(50);
  SetCursorPos(over.x + 2, over.y);
  TTTOOLINFOA current{};
  current.cbSize = TTTOOLINFOA_V2_SIZE;
  EXPECT_TRUE(pumpUntil([&] {
    return SendMessageA(search.second, TTM_GETCURRENTTOOLA, 0,
                        reinterpret_cast<LPARAM>(&current)) &&
           current.uId == reinterpret_cast<UINT_PTR>(windowOf(combo)) &&
           IsWindowVisible(search.second);
  }));
}

TEST_F(ToolkitTest, TheTrayWindowOutlivesWmCloseAndTheIconComesBackWithTheTaskbar) {
  tray.setHint(std::string(127, 'k'));
  tray.setVisible(true);
  pump();
  const HWND trayWindow = findForm("trayIcon");
  ASSERT_NE(nullptr, trayWindow);
  NOTIFYICONDATAA probe{};
  probe.cbSize = NOTIFYICONDATAA_V1_SIZE;
  probe.hWnd = trayWindow;
  probe.uID = 1;  // the backend's one icon
  const auto iconPresent = [&] { return Shell_NotifyIconA(NIM_MODIFY, &probe) != FALSE; };
  EXPECT_TRUE(iconPresent());
  SendMessageA(trayWindow, WM_CLOSE, 0, 0);
  pump();
  EXPECT_TRUE(IsWindow(trayWindow));
  EXPECT_TRUE(iconPresent());
  ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &probe));  // as when Explorer goes away
  EXPECT_FALSE(iconPresent());
  SendMessageA(trayWindow, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
  EXPECT_TRUE(iconPresent());
  tray.setVisible(false);
  EXPECT_FALSE(iconPresent());
}

TEST_F(ToolkitTest, MinimisingGoesToTheTrayAndRestoreComesBackNormal) {
  tray.setVisible(true);
  tray.setMinimizeToTray(true);
  SendMessageA(formWindow(), WM_SYSCOMMAND, SC_MINIMIZE, 0);  // the minimise box
  pump();
  EXPECT_FALSE(IsWindowVisible(formWindow()));  // no taskbar button either
  EXPECT_FALSE(form.isShowing());
  app.restore();
  pump();
  EXPECT_TRUE(IsWindowVisible(formWindow()));
  EXPECT_FALSE(IsIconic(formWindow()));
  EXPECT_EQ(formWindow(), GetForegroundWindow());
  ShowWindow(formWindow(), SW_MINIMIZE);  // minimised by another program
  pump();
  EXPECT_FALSE(IsWindowVisible(formWindow()));
  app.restore();
  pump();
  EXPECT_TRUE(IsWindowVisible(formWindow()));
  EXPECT_FALSE(IsIconic(formWindow()));
  tray.setVisible(false);
}

TEST_F(ToolkitTest, WithoutAnHtmlEngineTheBrowserShowsThePathAndGoesBack) {
  browser.navigate("C:\\Kestrelune\\Help\\Help.htm");
  pump();
  HWND view = GetWindow(windowOf(browser), GW_CHILD);
  ASSERT_NE(nullptr, view);
  if (classOf(view) != "Edit") GTEST_SKIP() << "this system has an HTML engine";
  EXPECT_EQ(0u, textOf(view).find("C:\\Kestrelune\\Help\\Help.htm\r\n"));
  EXPECT_NE(std::string::npos, textOf(view).find("no HTML viewer"));
  EXPECT_FALSE(browser.goBack());
  browser.navigate("C:\\Kestrelune\\Help\\History.htm");
  EXPECT_EQ(0u, textOf(view).find("C:\\Kestrelune\\Help\\History.htm"));
  EXPECT_TRUE(browser.goBack());
  EXPECT_EQ(0u, textOf(view).find("C:\\Kestrelune\\Help\\Help.htm"));
  EXPECT_EQ(nullptr, FindWindowA("#32770", nullptr));  // no engine download offered
}

}  // namespace
}  // namespace kl::ui
