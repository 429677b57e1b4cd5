// The Win32 toolkit's menus, speed buttons, tray icon, hints, status bar and
// browser.
#include "toolkit_support.h"

namespace kl::ui {
namespace {

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

// The text the tooltip window `tips` holds for a control's window.
std::string tipOf(HWND tips, HWND control) {
  char text[80] = "";
  TTTOOLINFOA tool{};
  tool.cbSize = TTTOOLINFOA_V2_SIZE;
  tool.hwnd = GetParent(control);
  tool.uId = reinterpret_cast<UINT_PTR>(control);
  tool.lpszText = text;
  SendMessageA(tips, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
  return text;
}

TEST_F(ToolkitTest, ControlsThatShowHintsHaveToolsOfTheFormsTooltip) {
  std::pair<HWND, HWND> search{formWindow(), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &findTooltips, reinterpret_cast<LPARAM>(&search));
  ASSERT_NE(nullptr, search.second);
  EXPECT_EQ(2, SendMessageA(search.second, TTM_GETTOOLCOUNT, 0, 0));  // not the track bar
  EXPECT_EQ(10000, SendMessageA(search.second, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0));
  EXPECT_EQ("Waits for the retrace", tipOf(search.second, windowOf(vsync)));
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

// --- Hints, the tray, the browser ---------------------------------------------

TEST_F(ToolkitTest, DisabledControlsAndGroupsShowTheirHints) {
  combo.setEnabled(false);
  group.setHint("The clocks of the card");
  group.setShowHint(true);
  pump();
  std::pair<HWND, HWND> search{formWindow(), nullptr};
  EnumThreadWindows(GetCurrentThreadId(), &findTooltips, reinterpret_cast<LPARAM>(&search));
  ASSERT_NE(nullptr, search.second);
  EXPECT_EQ("The clocks of the card", tipOf(search.second, windowOf(track)));  // not its own hint
  EXPECT_EQ("Mode", tipOf(search.second, windowOf(combo)));
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
