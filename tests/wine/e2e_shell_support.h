#pragma once
// What the end-to-end tests of the shell add to e2e_support.h: the
// program's windows found by their names, message boxes, the notification
// icon as Wine's stand-alone tray shows it, menus chosen with the keyboard,
// the minimise box, window counts and processor time of the process, and
// the driver's {GUID} key put back as Wine keeps it.
#include "e2e_support.h"
// The shell's declarations need <windows.h> first.
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <set>

namespace kl::e2e::shell {

// ---- windows of the program

inline std::string classOf(HWND window) {
  char name[256] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

inline DWORD processOf(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  return pid;
}

// Every top-level window of a process, shown or not.
inline std::vector<HWND> topWindows(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } s{pid, {}};
  EnumWindows(
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (processOf(w) == s->pid) s->found.push_back(w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// The windows a process owns: its top-level windows and every window below
// them.
inline int windowCount(DWORD pid) {
  int count = 0;
  for (HWND top : topWindows(pid)) {
    ++count;
    EnumChildWindows(
        top,
        [](HWND, LPARAM p) CALLBACK -> BOOL {
          ++*reinterpret_cast<int*>(p);
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
  }
  return count;
}

// A top-level window of the program by its name ("formAbout", ...).
inline HWND namedWindow(DWORD pid, const std::string& name, bool visibleOnly = true) {
  for (HWND w : topWindows(pid))
    if (nameOf(w) == name && (!visibleOnly || IsWindowVisible(w))) return w;
  return nullptr;
}

inline HWND waitNamedWindow(DWORD pid, const std::string& name,
                            std::chrono::milliseconds limit = 15000ms) {
  HWND found = nullptr;
  waitFor([&] { return (found = namedWindow(pid, name)) != nullptr; }, limit);
  return found;
}

// A message box of the program (the dialog class), or null.
inline HWND messageBox(DWORD pid) {
  for (HWND w : topWindows(pid))
    if (IsWindowVisible(w) && classOf(w) == "#32770") return w;
  return nullptr;
}

inline HWND waitMessageBox(DWORD pid, std::chrono::milliseconds limit = 15000ms) {
  HWND found = nullptr;
  waitFor([&] { return (found = messageBox(pid)) != nullptr; }, limit);
  return found;
}

inline HWND childWithText(HWND window, const std::string& text) {
  return findChild(window, [&](HWND w) { return textOf(w) == text; });
}

// The program's visible top-level windows with their texts, for failure
// messages.
inline std::string visibleWindows(DWORD pid) {
  std::string all;
  for (HWND w : topWindows(pid))
    if (IsWindowVisible(w))
      all += "\n  [" + classOf(w) + " " + nameOf(w) + " \"" + textOf(w) + "\"] " + childTexts(w);
  return all;
}

// Clicks a button of a message box by its caption and waits for the box to go.
inline bool answerBox(HWND box, const std::string& button) {
  HWND target = childWithText(box, button);
  if (!target) return false;
  click(target);
  return waitFor([&] { return !IsWindow(box) || !IsWindowVisible(box); });
}


// ---- input

// Alt with a letter, as a user opens a menu of the menu bar.
inline void altKey(WORD vk) {
  INPUT input[4] = {};
  for (auto& i : input) i.type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[3].ki.wVk = VK_MENU;
  input[1].ki.wVk = input[2].ki.wVk = vk;
  input[2].ki.dwFlags = input[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, input, sizeof(INPUT));
}

// A visible popup menu (the menu window class) of any process.
inline HWND openMenu() {
  HWND menu = nullptr;
  while ((menu = FindWindowExA(nullptr, menu, "#32768", nullptr)))
    if (IsWindowVisible(menu)) return menu;
  return nullptr;
}

// Chooses the item `index` (separators not counted) of an open popup menu
// with nothing selected yet: Down moves to the first item, then one item on.
inline bool chooseMenuItem(int index) {
  if (!waitFor([] { return openMenu() != nullptr; })) return false;
  for (int i = 0; i <= index; ++i) key(VK_DOWN);
  key(VK_RETURN);
  return waitFor([] { return openMenu() == nullptr; });
}

// The point of the window's minimise box, found as the window itself
// answers hit tests; false when it has none.
inline bool minimizeBox(HWND window, POINT* at) {
  RECT r;
  GetWindowRect(window, &r);
  for (int y = r.top + 2; y < r.top + 40; y += 2)
    for (int x = r.right - 2; x > r.right - 120; x -= 2) {
      DWORD_PTR hit = 0;
      SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_NORMAL, 2000, &hit);
      if (hit == HTMINBUTTON) {
        *at = POINT{x - 2, y + 2};
        return true;
      }
    }
  return false;
}

inline bool clickMinimizeBox(HWND window) {
  POINT at;
  if (!minimizeBox(window, &at)) return false;
  mouseAt(at.x, at.y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  return true;
}

// ---- the notification area as Wine shows it without a desktop's tray

// The icon windows of Wine's stand-alone tray.
inline std::set<HWND> trayIcons() {
  std::set<HWND> icons;
  HWND tray = nullptr;
  while ((tray = FindWindowExA(nullptr, tray, "__winex11_standalone_tray", nullptr))) {
    HWND icon = nullptr;
    while ((icon = FindWindowExA(tray, icon, "__winex11_tray_icon", nullptr))) icons.insert(icon);
  }
  return icons;
}

// The icon added since `before`, once there is exactly one.
inline HWND newTrayIcon(const std::set<HWND>& before) {
  HWND found = nullptr;
  waitFor([&] {
    std::vector<HWND> added;
    for (HWND icon : trayIcons())
      if (!before.count(icon) && IsWindowVisible(icon)) added.push_back(icon);
    found = added.size() == 1 ? added.front() : nullptr;
    return found != nullptr;
  });
  return found;
}

// The tip the tray shows for an icon window: the text of the tool that a
// tooltip of the tray's process holds for it.
inline std::string trayTip(HWND icon) {
  const DWORD pid = processOf(icon);
  std::string tip;
  for (HWND tooltip : topWindows(pid)) {
    if (classOf(tooltip) != TOOLTIPS_CLASSA) continue;
    const int tools = static_cast<int>(SendMessageA(tooltip, TTM_GETTOOLCOUNT, 0, 0));
    constexpr std::size_t kText = 1024;
    Remote remote(pid, sizeof(TTTOOLINFOW) + kText * sizeof(wchar_t));
    for (int i = 0; i < tools; ++i) {
      TTTOOLINFOW info{};
      info.cbSize = TTTOOLINFOW_V2_SIZE;
      info.lpszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.at()) + sizeof info);
      remote.write(&info, sizeof info);
      const wchar_t none = 0;
      remote.write(&none, sizeof none, sizeof info);
      if (!SendMessageA(tooltip, TTM_ENUMTOOLSW, i, reinterpret_cast<LPARAM>(remote.at()))) continue;
      remote.read(&info, sizeof info);
      if (info.hwnd != icon) continue;
      wchar_t text[kText] = {};
      remote.read(text, sizeof text - sizeof(wchar_t), sizeof info);
      char narrow[kText] = {};
      WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow - 1, nullptr, nullptr);
      tip = narrow;
    }
  }
  return tip;
}

// Whether the shell holds the icon `id` of `owner`: modifying nothing
// succeeds only for an icon it has.
inline bool shellHasIcon(HWND owner, UINT id) {
  using Notify = BOOL(WINAPI*)(DWORD, PNOTIFYICONDATAA);
  HMODULE shell = LoadLibraryA("shell32.dll");
  const auto notify = reinterpret_cast<Notify>(
      reinterpret_cast<void*>(GetProcAddress(shell, "Shell_NotifyIconA")));
  NOTIFYICONDATAA data{};
  data.cbSize = NOTIFYICONDATAA_V2_SIZE;
  data.hWnd = owner;
  data.uID = id;
  data.uFlags = 0;
  const bool has = notify && notify(NIM_MODIFY, &data) != FALSE;
  FreeLibrary(shell);
  return has;
}

// The program's hidden window that receives the icon's messages.
inline HWND programTrayWindow(DWORD pid) {
  for (HWND w : topWindows(pid))
    if (classOf(w) == "KesTrayWindow") return w;
  return nullptr;
}

// A right click on the icon, as the user opens its menu. Once the program
// has handled all it was sent, a click that opened nothing (it came before
// the tray took input, say) is made again.
inline bool openTrayMenu(HWND icon, HWND programWindow) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    settle(programWindow);
    if (openMenu()) return true;
    click(icon, true);
    if (waitFor([] { return openMenu() != nullptr; }, 5000ms)) return true;
  }
  return false;
}

// ---- processor time

inline std::string readWholeFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string text;
  char chunk[4096];
  DWORD got = 0;
  while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) text.append(chunk, got);
  CloseHandle(file);
  return text;
}

// One NUL-separated entry of a /proc file that starts with `prefix`.
inline std::string procEntry(const std::string& text, const std::string& prefix) {
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find('\0', at), text.size());
    if (text.compare(at, prefix.size(), prefix) == 0) return text.substr(at, end - at);
    at = end + 1;
  }
  return "";
}

// The /proc folder (as Z:\proc\<pid>\) of the Linux process that runs
// `exe` in this test's Wine prefix (the prefix's file system shows Linux's
// /proc as Z:\proc); empty when there is no single such process.
inline std::string linuxProcessFolder(const std::string& exe) {
  const std::string prefix = procEntry(readWholeFile("Z:\\proc\\self\\environ"), "WINEPREFIX=");
  if (prefix.empty()) return "";
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return "";
  std::vector<std::string> matches;
  do {
    const std::string name = found.cFileName;
    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string dir = "Z:\\proc\\" + name + "\\";
    if (readWholeFile(dir + "cmdline").find(exe) == std::string::npos) continue;
    if (procEntry(readWholeFile(dir + "environ"), "WINEPREFIX=") != prefix) continue;
    matches.push_back(dir);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return matches.size() == 1 ? matches.front() : "";
}

// Wine answers GetProcessTimes for another process with zeros, so the times
// come from the Linux process that runs `exe`: user and system time in
// 100 ns units, or 0 when there is no single such process.
inline ULONGLONG linuxProcessorTime(const std::string& exe) {
  const std::string dir = linuxProcessFolder(exe);
  if (dir.empty()) return 0;
  // Fields 14 and 15, after the parenthesised command: utime and stime in
  // clock ticks of 1/100 s.
  const std::string stat = readWholeFile(dir + "stat");
  const auto close = stat.rfind(')');
  if (close == std::string::npos) return 0;
  std::vector<std::string> fields;
  for (std::size_t at = close + 2; at < stat.size();) {
    const std::size_t end = std::min(stat.find(' ', at), stat.size());
    fields.push_back(stat.substr(at, end - at));
    at = end + 1;
  }
  if (fields.size() < 13) return 0;  // fields from the 3rd on
  return (std::stoull(fields[11]) + std::stoull(fields[12])) * 100000ULL;
}

// How often each thread of the prefix's one Kestrelune.exe has been woken
// so far (its context switches, from Linux's /proc: Wine counts none), by
// the thread's Linux name and id ("main" for the process's first thread);
// empty when they cannot be read. A thread that waits for its next message
// with no timer running is not woken at all.
inline std::map<std::string, long long> wakeCounts() {
  std::map<std::string, long long> counts;
  const std::string dir = linuxProcessFolder("Kestrelune.exe");
  if (dir.empty()) return counts;
  const std::string pid = dir.substr(8, dir.size() - 9);  // Z:\proc\<pid>\ (sic)
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((dir + "task\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return counts;
  do {
    const std::string tid = found.cFileName;
    if (tid.find_first_not_of("0123456789") != std::string::npos) continue;
    const std::string task = dir + "task\\" + tid + "\\";
    const std::string status = readWholeFile(task + "status");
    long long wakes = 0;
    for (const char* field : {"\nvoluntary_ctxt_switches:", "\nnonvoluntary_ctxt_switches:"}) {
      const auto at = status.find(field);
      if (at != std::string::npos) wakes += std::atoll(status.c_str() + at + std::strlen(field));
    }
    std::string name = readWholeFile(task + "comm");
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    counts[(tid == pid ? "main" : name) + " " + tid] = wakes;
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return counts;
}

// User and kernel time of the process so far, in 100 ns units (where Wine
// gives none, those of the prefix's one Kestrelune.exe).
inline ULONGLONG processorTime(DWORD pid) {
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
  FILETIME created, exited, kernel, user;
  ULONGLONG total = 0;
  if (process && GetProcessTimes(process, &created, &exited, &kernel, &user)) {
    const auto value = [](const FILETIME& t) {
      return (static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    total = value(kernel) + value(user);
  }
  if (process) CloseHandle(process);
  return total ? total : linuxProcessorTime("Kestrelune.exe");
}

// The share of one processor the process used over `span`, in per cent; -1
// when its processor time cannot be read. A figure for a benchmark line,
// not for an assertion.
inline double idleProcessorUse(DWORD pid, std::chrono::milliseconds span) {
  const ULONGLONG before = processorTime(pid);
  const auto start = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(span);
  const ULONGLONG after = processorTime(pid);
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start);
  if (before == 0 || after < before) return -1;
  const double used = static_cast<double>(after - before) / 10.0;  // microseconds
  return 100.0 * used / static_cast<double>(elapsed.count());
}

// ---- the registry

// Puts a removed key back as `tree` holds it. Below a volatile parent (as
// Wine may create a display adapter's keys) the keys are created volatile.
inline void recreateTree(HKEY root, const std::string& path, const KeyTree& tree) {
  if (!tree.exists) return;
  HKEY key;
  LONG status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr);
  if (status == ERROR_CHILD_MUST_BE_VOLATILE)
    status = RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return;
  for (const auto& v : tree.values)
    RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
  RegCloseKey(key);
  for (const auto& [name, child] : tree.children) recreateTree(root, path + "\\" + name, child);
}

// Where a registry link leads (below HKEY_LOCAL_MACHINE), or "" for a key
// that is no link. Wine makes a display adapter's "{GUID}\\0000" a link to
// its key of the display class.
inline std::string linkTarget(const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), REG_OPTION_OPEN_LINK, KEY_READ, &key) !=
      ERROR_SUCCESS)
    return "";
  wchar_t target[1024] = {};
  DWORD size = sizeof target - sizeof(wchar_t), type = 0;
  const LONG status =
      RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, reinterpret_cast<BYTE*>(target), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || type != REG_LINK) return "";
  char narrow[1024] = {};
  WideCharToMultiByte(CP_ACP, 0, target, static_cast<int>(size / sizeof(wchar_t)), narrow,
                      sizeof narrow - 1, nullptr, nullptr);
  const std::string text = narrow;
  const std::string machine = "\\Registry\\Machine\\";
  if (text.size() <= machine.size() || _strnicmp(text.c_str(), machine.c_str(), machine.size()) != 0)
    return "";
  return text.substr(machine.size());
}

inline std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

inline bool keyExists(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// Files in a folder matching a pattern such as "driver-*.reg".
inline std::vector<std::string> filesIn(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

}  // namespace kl::e2e::shell
