// What the Win32 toolkit tests share: finding windows as an outside program
// does, real input (SendInput), and the fixture, a form with one control of
// each kind shown on the screen.
#pragma once
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

inline constexpr const char* kTitle = "Toolkit test";

// --- Finding windows as an outside program does --------------------------

inline std::string nameOf(HWND hwnd) {
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

inline BOOL CALLBACK matchName(HWND hwnd, LPARAM l) {
  auto* search = reinterpret_cast<Search*>(l);
  if (nameOf(hwnd) != search->name) return TRUE;
  search->found = hwnd;
  return FALSE;
}

inline HWND findForm(const std::string& name) {
  Search search{name};
  EnumWindows(&matchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND findControl(HWND form, const std::string& name) {
  Search search{name};
  EnumChildWindows(form, &matchName, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline std::string classOf(HWND hwnd) {
  char name[64] = "";
  GetClassNameA(hwnd, name, sizeof name);
  return name;
}

inline HWND windowOf(const Control& control) {
  return static_cast<HWND>(Win32Backend::windowOf(control));
}

// --- Real input -----------------------------------------------------------

inline void sendMouse(DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dwFlags = flags;
  SendInput(1, &input, sizeof input);
}

// Presses and releases a mouse button at a screen point.
inline void sendClick(POINT at, MouseButton button = MouseButton::Left) {
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

inline POINT centreOf(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

inline void sendKey(WORD key, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &input, sizeof input);
}

inline void sendKeys(std::initializer_list<WORD> keys) {
  for (WORD key : keys) {
    sendKey(key, false);
    sendKey(key, true);
  }
}

inline void sendCtrl(WORD key) {
  sendKey(VK_CONTROL, false);
  sendKeys({key});
  sendKey(VK_CONTROL, true);
}

inline const char* buttonName(MouseButton button) {
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

inline std::string textOf(HWND hwnd) {
  char text[1024] = "";
  GetWindowTextA(hwnd, text, sizeof text);
  return text;
}

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

  // A tab of `pages`: its caption, and its centre on the screen.
  std::string tabText(int index) const {
    char text[64] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(windowOf(pages), TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
    return text;
  }
  POINT tabCentre(int index) const {
    RECT tab{};
    SendMessageA(windowOf(pages), TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&tab));
    POINT at{(tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2};
    ClientToScreen(windowOf(pages), &at);
    return at;
  }

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

}  // namespace kl::ui
