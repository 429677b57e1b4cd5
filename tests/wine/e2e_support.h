#pragma once
// What the end-to-end tests share: the real Kestrelune.exe started beside
// the test program in the seeded prefix, its windows and controls found by
// their names, real input, registry snapshots, and the seeded machine that
// every test starts from.
#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include "driver_control.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace kl::e2e {

using namespace std::chrono_literals;

inline std::string beside(const std::string& file) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string dir = self;
  return dir.substr(0, dir.rfind('\\') + 1) + file;
}

// The Windows a run of the suite is on, as Wine names it: KL_E2E_WINDOWS ("win2k" for the
// Windows 2000 pass), Windows XP otherwise.
inline const char* windowsOfRun() {
  const char* version = std::getenv("KL_E2E_WINDOWS");
  return version && *version ? version : "winxp";
}
inline bool onWindows2000() { return std::string(windowsOfRun()) == "win2k"; }

// A file of the installation the tests drive (the folder of KL_E2E_PROGRAM), or the one
// built beside this program when no installation is named.
inline std::string installedFile(const std::string& relative) {
  const char* program = std::getenv("KL_E2E_PROGRAM");
  if (!program) return beside(relative.substr(relative.rfind('\\') + 1));
  const std::string path = program;
  return path.substr(0, path.rfind('\\') + 1) + relative;
}

inline void setWindowsVersion(const char* version) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>(strlen(version) + 1));
  RegCloseKey(key);
}

// A key with everything below it, as the registry holds it.
struct KeyTree {
  struct Value {
    std::string name;
    DWORD type;
    std::vector<BYTE> data;
  };
  bool exists = false;
  std::vector<Value> values;
  std::map<std::string, KeyTree> children;
};

inline KeyTree readTree(HKEY root, const std::string& path) {
  KeyTree tree;
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return tree;
  tree.exists = true;
  for (DWORD i = 0;; ++i) {
    char name[16384];
    std::vector<BYTE> data(1 << 16);
    DWORD nameLen = sizeof name, dataLen = static_cast<DWORD>(data.size()), type = 0;
    if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data.data(), &dataLen) !=
        ERROR_SUCCESS)
      break;
    data.resize(dataLen);
    tree.values.push_back({name, type, data});
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLen = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    tree.children[name] = readTree(root, path + "\\" + name);
  }
  RegCloseKey(key);
  return tree;
}

// Every value and subkey below a key, one line each, to compare states.
inline std::string describe(const KeyTree& tree, const std::string& prefix = "") {
  if (!tree.exists) return "(none)\n";
  std::string all;
  for (const auto& v : tree.values)
    all += prefix + v.name + "=" + std::to_string(v.type) + ":" +
           std::string(reinterpret_cast<const char*>(v.data.data()), v.data.size()) + "\n";
  for (const auto& [name, child] : tree.children)
    all += prefix + "[" + name + "]\n" + describe(child, prefix + name + "\\");
  return all;
}

inline std::string snapshot(HKEY root, const std::string& path) {
  return describe(readTree(root, path));
}

// Empties a key: its values and its subkeys with everything below them.
inline void clearKey(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) return;
  for (;;) {
    char name[16384];
    DWORD nameLen = sizeof name;
    if (RegEnumValueA(key, 0, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    if (RegDeleteValueA(key, name) != ERROR_SUCCESS) break;
  }
  for (;;) {
    char name[256];
    DWORD nameLen = sizeof name;
    if (RegEnumKeyExA(key, 0, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    clearKey(root, path + "\\" + name);
    if (RegDeleteKeyA(key, name) != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
}

// Puts a key back exactly as `tree` holds it (or removes it when it did not
// exist). The key itself is kept: the driver key is Wine's own.
inline void restoreTree(HKEY root, const std::string& path, const KeyTree& tree) {
  clearKey(root, path);
  if (!tree.exists) {
    const auto cut = path.rfind('\\');
    HKEY parent;
    if (RegOpenKeyExA(root, path.substr(0, cut).c_str(), 0, KEY_ALL_ACCESS, &parent) == 0) {
      RegDeleteKeyA(parent, path.substr(cut + 1).c_str());
      RegCloseKey(parent);
    }
    return;
  }
  HKEY key;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  for (const auto& v : tree.values)
    RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(),
                   static_cast<DWORD>(v.data.size()));
  RegCloseKey(key);
  for (const auto& [name, child] : tree.children) restoreTree(root, path + "\\" + name, child);
}

inline std::string driverKey() {
  HKEY key;
  char data[512] = {};
  DWORD size = sizeof data;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\VIDEO", 0, KEY_READ, &key) == 0) {
    RegQueryValueExA(key, "\\Device\\Video0", nullptr, nullptr, reinterpret_cast<BYTE*>(data),
                     &size);
    RegCloseKey(key);
  }
  const std::string text = data;
  const auto at = text.find("Machine\\");
  return at == std::string::npos ? "" : text.substr(at + 8);
}

// The key of the driver tabs' settings: below SOFTWARE\ATI Technologies\Desktop, the
// driver key's brace group on Windows XP, "000" and its last character on Windows 2000.
inline std::string driverTabKey() {
  const std::string base = driverKey();
  const std::string desktop = "SOFTWARE\\ATI Technologies\\Desktop\\";
  if (onWindows2000()) return desktop + "000" + base.substr(base.size() - 1);
  return desktop + base.substr(base.find('{'), base.find('}') - base.find('{') + 1);
}


inline std::string textOf(HWND window) {
  char text[512] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

inline std::string nameOf(HWND window) {
  const auto atom =
      static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "Kestrelune.Name")));
  char name[256] = {};
  if (atom) GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

// The first descendant of `top` for which `matches(window)` holds; null when none does.
template <class Match>
HWND findChild(HWND top, Match matches) {
  struct Search {
    Match& matches;
    HWND found;
  } search{matches, nullptr};
  EnumChildWindows(
      top,
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (!s->matches(w)) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND findControl(HWND top, const std::string& name) {
  return findChild(top, [&](HWND w) { return nameOf(w) == name; });
}

// The press and release carry the position themselves, so they land where
// they are meant to whatever the pointer did before.
inline void mouseAt(int x, int y, DWORD down, DWORD up) {
  SetCursorPos(x, y);
  INPUT input[2] = {};
  for (INPUT& i : input) {
    i.type = INPUT_MOUSE;
    i.mi.dx = static_cast<LONG>((x * 65535LL + GetSystemMetrics(SM_CXSCREEN) / 2) /
                                (GetSystemMetrics(SM_CXSCREEN) - 1));
    i.mi.dy = static_cast<LONG>((y * 65535LL + GetSystemMetrics(SM_CYSCREEN) / 2) /
                                (GetSystemMetrics(SM_CYSCREEN) - 1));
  }
  input[0].mi.dwFlags = down | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = up | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input[0], sizeof(INPUT));
  std::this_thread::sleep_for(50ms);  // a press and a release, not a single event
  SendInput(1, &input[1], sizeof(INPUT));
}

inline void click(HWND control, bool right = false) {
  RECT r;
  GetWindowRect(control, &r);
  const int x = r.left + 8, y = (r.top + r.bottom) / 2;
  if (right)
    mouseAt(x, y, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  else
    mouseAt(x, y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

inline void key(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
}

// A struct in the other process's memory, for common-control messages that
// carry pointers.
class Remote {
 public:
  Remote(DWORD pid, std::size_t size) {
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    at_ = VirtualAllocEx(process_, nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~Remote() {
    VirtualFreeEx(process_, at_, 0, MEM_RELEASE);
    CloseHandle(process_);
  }
  void* at() const { return at_; }
  void write(const void* data, std::size_t n, std::size_t offset = 0) {
    WriteProcessMemory(process_, static_cast<char*>(at_) + offset, data, n, nullptr);
  }
  void read(void* data, std::size_t n, std::size_t offset = 0) {
    ReadProcessMemory(process_, static_cast<char*>(at_) + offset, data, n, nullptr);
  }

 private:
  HANDLE process_;
  void* at_;
};

// The Kestrelune.exe under test: the installed one (KL_E2E_PROGRAM), else
// the one built beside this test program.
inline std::string installedProgram() {
  const char* installed = std::getenv("KL_E2E_PROGRAM");
  return installed ? std::string(installed) : beside("Kestrelune.exe");
}

class Kestrelune {
 public:
  explicit Kestrelune(const char* version) {
    setWindowsVersion(version);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + installedProgram() + "\"";
    started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &process_);
  }
  ~Kestrelune() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
      TerminateProcess(process_.hProcess, 9);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  bool started() const { return started_; }
  DWORD pid() const { return process_.dwProcessId; }
  bool ended(std::chrono::milliseconds limit = 10000ms) {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) ==
           WAIT_OBJECT_0;
  }
  // A visible top-level window of the program with that caption.
  HWND window(const std::string& caption, HWND except = nullptr) {
    struct Search {
      DWORD pid;
      std::string caption;
      HWND except;
      HWND found;
    } s{pid(), caption, except, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) CALLBACK -> BOOL {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner != s->pid || w == s->except || !IsWindowVisible(w) || textOf(w) != s->caption)
            return TRUE;
          s->found = w;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
  }
  HWND waitWindow(const std::string& caption) {
    HWND found = nullptr;
    waitFor([&] { return (found = window(caption)) != nullptr; });
    if (found) SetForegroundWindow(found);
    return found;
  }
  std::vector<std::string> tabTexts(HWND tabs) {
    std::vector<std::string> texts;
    const int count = static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0));
    Remote remote(pid(), sizeof(TCITEMA) + 256);
    for (int i = 0; i < count; ++i) {
      TCITEMA item{};
      item.mask = TCIF_TEXT;
      item.pszText = static_cast<char*>(remote.at()) + sizeof(TCITEMA);
      item.cchTextMax = 255;
      remote.write(&item, sizeof item);
      SendMessageA(tabs, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(remote.at()));
      char text[256] = {};
      remote.read(text, 255, sizeof(TCITEMA));
      texts.push_back(text);
    }
    return texts;
  }
  // Clicks a tab until it is selected: the first click can come before the
  // new window takes input.
  void clickTab(HWND tabs, int index) {
    Remote remote(pid(), sizeof(RECT));
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.at()));
    RECT r;
    remote.read(&r, sizeof r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tabs, &p);
    for (int attempt = 0; attempt < 5; ++attempt) {
      mouseAt(p.x, p.y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
      if (waitFor([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == index; }, 2000ms)) return;
    }
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// Saves the window as it is on the screen, as a 24-bit BMP.
inline void screenshot(HWND window, const std::string& file) {
  RECT r;
  GetWindowRect(window, &r);
  const int w = r.right - r.left, h = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
  GdiFlush();
  const DWORD stride = ((w * 3 + 3) / 4) * 4, imageSize = stride * h;
  BITMAPFILEHEADER header{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize),
      0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  HANDLE out = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(out, &header, sizeof header, &written, nullptr);
  WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr);
  WriteFile(out, bits, imageSize, &written, nullptr);
  CloseHandle(out);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

inline void setText(HKEY root, const std::string& path, const char* name,
                    const std::string& value) {
  HKEY key;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(key);
}

inline void setRaw(HKEY root, const std::string& path, const char* name, DWORD type,
                   const std::vector<BYTE>& data) {
  HKEY key;
  RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
  RegCloseKey(key);
}

// "type:bytes" of one value, or "(absent)".
inline std::string valueOf(HKEY root, const std::string& path, const char* name) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(absent)";
  DWORD type = 0, size = 0;
  LONG s = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (s == ERROR_SUCCESS && size > 0)
    s = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size);
  RegCloseKey(key);
  if (s != ERROR_SUCCESS) return "(absent)";
  data.resize(size);
  return std::to_string(type) + ":" + data;
}

// A text value of Kestrelune's own key (HKCU\Software\Kestrelune), without
// its type; "(absent)" when there is none.
inline std::string programText(const char* name) {
  const std::string v = valueOf(HKEY_CURRENT_USER, "Software\\Kestrelune", name);
  return v.rfind("1:", 0) == 0 ? std::string(v.c_str() + 2) : v;
}

// A REG_BINARY value as valueOf shows it.
inline std::string binaryValue(const std::vector<BYTE>& bytes) {
  return std::to_string(REG_BINARY) + ":" + std::string(bytes.begin(), bytes.end());
}

// A REG_DWORD value as valueOf shows it.
inline std::string dwordValue(DWORD value) {
  return std::to_string(REG_DWORD) + ":" + std::string(reinterpret_cast<const char*>(&value), 4);
}

inline std::string textValue(const std::string& text) { return "1:" + text + std::string(1, '\0'); }

// Types text into whatever has the keyboard focus.
inline void typeText(const std::string& text) {
  for (char c : text) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wScan = input[1].ki.wScan = static_cast<WORD>(static_cast<unsigned char>(c));
    input[0].ki.dwFlags = KEYEVENTF_UNICODE;
    input[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
  }
}

inline void ctrlKey(WORD vk) {
  INPUT input[4] = {};
  for (auto& i : input) i.type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[3].ki.wVk = VK_CONTROL;
  input[1].ki.wVk = input[2].ki.wVk = vk;
  input[2].ki.dwFlags = input[3].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(4, input, sizeof(INPUT));
}

inline std::string readFile(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string text(1 << 16, '\0');
  DWORD got = 0;
  ReadFile(file, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
  CloseHandle(file);
  text.resize(got);
  return text;
}

inline constexpr char kProfiles[] = "C:\\Program Files\\Kestrelune\\Profiles\\";

inline std::vector<std::string> profileFiles() {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((std::string(kProfiles) + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return names;
}

// The machine as the harness seeded it, taken before the first test: every
// test starts from it, whatever the tests before it changed.
class SeededMachine {
 public:
  static SeededMachine& get() {
    static SeededMachine machine;
    return machine;
  }
  void restore() {
    for (const auto& [root, path, tree] : trees_) restoreTree(root, path, tree);
    for (const std::string& name : profileFiles())
      if (std::find(profiles_.begin(), profiles_.end(), name) == profiles_.end())
        DeleteFileA((kProfiles + name).c_str());
  }

 private:
  SeededMachine() {
    const std::pair<HKEY, std::string> keys[] = {
        {HKEY_CURRENT_USER, "Software\\Kestrelune"},
        {HKEY_LOCAL_MACHINE, driverKey()},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run"}};
    for (const auto& [root, path] : keys) trees_.push_back({root, path, readTree(root, path)});
    profiles_ = profileFiles();
  }
  struct Saved {
    HKEY root;
    std::string path;
    KeyTree tree;
  };
  std::vector<Saved> trees_;
  std::vector<std::string> profiles_;
};

// A test program's run leaves the machine as it found it, so a second run
// in the same session starts from the seeded state too. Each program
// registers one: ::testing::AddGlobalTestEnvironment(new RestoreAtExit).
class RestoreAtExit : public ::testing::Environment {
 public:
  void SetUp() override { SeededMachine::get(); }
  void TearDown() override {
    SeededMachine::get().restore();
    setWindowsVersion(windowsOfRun());
  }
};

// The texts of a window's controls, each followed by "|".
inline std::string childTexts(HWND window) {
  std::string texts;
  EnumChildWindows(
      window,
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        *reinterpret_cast<std::string*>(p) += textOf(w) + "|";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  return texts;
}

// The control of the main window's thread that has the keyboard focus.
inline HWND focusedControl(HWND main) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui);
  return gui.hwndFocus;
}

// Returns once the window's thread has handled what was sent to it and has
// painted what was invalid, so a screenshot shows the window as it is.
inline void settle(HWND window) {
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
}

// Clicks a window's button until the window has gone: a window that has
// just come up may not take the first click yet.
inline bool clickUntilGone(HWND window, HWND button) {
  const auto gone = [&] { return !IsWindow(window) || !IsWindowVisible(window); };
  for (int attempt = 0; attempt < 5 && !gone(); ++attempt) {
    SetForegroundWindow(window);
    click(button);
    if (waitFor(gone, 3000ms)) return true;
  }
  return gone();
}

// A notice that Apply showed after the progress dialog: its caption and the
// texts of its controls (childTexts).
struct Notice {
  std::string caption;
  std::string texts;
};

// The rest of Apply after the progress dialog: a changed custom-resolution
// list and newly chosen refresh rates each tell the user to restart Windows
// ("Custom Resolutions", then "Restart Windows"); each notice is answered
// with its OK. Apply is done when the marker has cleared. Returns the
// notices in the order they came.
inline std::vector<Notice> finishApply(Kestrelune& program, HWND main) {
  std::vector<Notice> notices;
  for (;;) {
    HWND notice = nullptr;
    const bool ended = waitFor([&] {
      for (const char* caption : {"Custom Resolutions", "Restart Windows"})
        if ((notice = program.window(caption)) != nullptr) return true;
      return textOf(main) == "Kestrelune";
    });
    if (!ended) {
      ADD_FAILURE() << "Apply did not end: the caption reads \"" << textOf(main) << "\"";
      return notices;
    }
    if (!notice) return notices;
    notices.push_back({textOf(notice), childTexts(notice)});
    HWND ok = findControl(notice, "butOKCusRes");
    if (!ok) {
      ADD_FAILURE() << "the notice \"" << notices.back().caption << "\" has no butOKCusRes";
      return notices;
    }
    if (!clickUntilGone(notice, ok)) {
      ADD_FAILURE() << "the notice \"" << notices.back().caption << "\" stayed after its OK";
      return notices;
    }
  }
}

// Waits for the progress dialog, presses its OK once the bar is full, and
// finishes Apply as finishApply does.
inline std::vector<Notice> confirmProgress(Kestrelune& program, HWND main) {
  HWND progress = program.waitWindow("Saving Configuration...");
  if (!progress) {
    ADD_FAILURE() << "no progress dialog \"Saving Configuration...\"";
    return {};
  }
  HWND ok = findControl(progress, "butOk");
  if (!waitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 10000ms)) {
    ADD_FAILURE() << "the progress dialog's OK stayed disabled";
    return {};
  }
  if (!clickUntilGone(progress, ok)) {
    ADD_FAILURE() << "the progress dialog stayed after its OK";
    return {};
  }
  return finishApply(program, main);
}

// Clicks Apply and answers what it shows.
inline std::vector<Notice> applyAll(Kestrelune& program, HWND main) {
  click(findControl(main, "buttonApply"));
  return confirmProgress(program, main);
}

// Closes the main window and waits until the program has ended.
inline ::testing::AssertionResult closeProgram(Kestrelune& program, HWND main) {
  PostMessageA(main, WM_CLOSE, 0, 0);
  if (program.ended()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the program did not end after WM_CLOSE";
}

// The items of a combo box as it lists them. Asked for in UTF-16: Wine
// hands an ANSI CB_GETLBTEXT across processes in UTF-16 all the same.
inline std::vector<std::string> comboItems(HWND combo) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, i, 0);
    if (length >= 0 && length < 256)
      SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    char narrow[512] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    items.push_back(narrow);
  }
  return items;
}

// The visible drop-down list of the program's combo box, if one is open.
inline HWND droppedList(DWORD pid) {
  struct Search {
    DWORD pid;
    HWND found;
  } s{pid, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        char name[32] = {};
        GetClassNameA(w, name, sizeof name);
        if (owner != s->pid || !IsWindowVisible(w) || lstrcmpiA(name, "ComboLBox") != 0)
          return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

// Picks an item of a drop-down list as a user does: a click opens the list,
// a click on the item chooses it. The item must be among the rows the open
// list shows. True once the combo box shows the item.
inline ::testing::AssertionResult pickItem(Kestrelune& program, HWND combo, int index) {
  click(combo);
  HWND list = nullptr;
  if (!waitFor([&] { return (list = droppedList(program.pid())) != nullptr; }, 5000ms))
    return ::testing::AssertionFailure() << "the drop-down list did not open";
  const int height = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
  const int top = static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
  RECT client;
  GetClientRect(list, &client);
  POINT p{client.right / 2, (index - top) * height + height / 2};
  if (height <= 0 || p.y < 0 || p.y >= client.bottom)
    return ::testing::AssertionFailure() << "item " << index << " is not among the shown rows";
  ClientToScreen(list, &p);
  mouseAt(p.x, p.y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  if (!waitFor(
          [&] {
            return SendMessageA(combo, CB_GETCURSEL, 0, 0) == index && !IsWindowVisible(list);
          },
          5000ms))
    return ::testing::AssertionFailure()
           << "the combo box shows item " << SendMessageA(combo, CB_GETCURSEL, 0, 0) << ", not "
           << index;
  return ::testing::AssertionSuccess();
}

// ---- other programs

// What a program run to its end printed (standard output and error) and its
// exit code.
struct RunResult {
  bool ended = false;
  DWORD exitCode = 0;
  std::string output;
};

// Runs a command line and waits for it; the output is read while it runs,
// so a talkative program never blocks on a full pipe.
inline RunResult runProgram(const std::string& commandLine,
                            std::chrono::milliseconds limit = 30000ms) {
  RunResult result;
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION process{};
  std::string command = commandLine;
  const BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE,
                                      CREATE_NO_WINDOW, nullptr, nullptr, &si, &process);
  CloseHandle(writeEnd);
  if (!started) {
    result.output =
        "cannot start " + commandLine + " (error " + std::to_string(GetLastError()) + ")";
    CloseHandle(readEnd);
    return result;
  }
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    DWORD available = 0;
    char chunk[4096];
    DWORD got = 0;
    while (PeekNamedPipe(readEnd, nullptr, 0, nullptr, &available, nullptr) && available > 0 &&
           ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
      result.output.append(chunk, got);
    if (WaitForSingleObject(process.hProcess, 20) == WAIT_OBJECT_0) break;
    if (std::chrono::steady_clock::now() >= end) {
      TerminateProcess(process.hProcess, 9);
      WaitForSingleObject(process.hProcess, 5000);
      result.output += "\n(stopped after " + std::to_string(limit.count()) + " ms)";
      break;
    }
  }
  DWORD got = 0;
  char chunk[4096];
  while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
    result.output.append(chunk, got);
  result.ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0 &&
                 result.output.find("(stopped after") == std::string::npos;
  GetExitCodeProcess(process.hProcess, &result.exitCode);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  CloseHandle(readEnd);
  return result;
}

// ---- the r6probe test driver and its simulated card: tests/wine/driver_control.h

// One KlProbeTool request; its output on success.
inline ::testing::AssertionResult probeTool(const std::string& arguments, std::string* output) {
  const RunResult run = runProgram("\"" + beside("KlProbeTool.exe") + "\" " + arguments);
  *output = run.output;
  if (run.ended && run.exitCode == 0) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "KlProbeTool " << arguments << " ended with " << run.exitCode << ": " << run.output;
}

// A register ("read-reg") or PLL register ("read-pll") of the card, read
// through the same device requests the program makes.
inline ::testing::AssertionResult probeWord(const char* command, DWORD index, DWORD* value) {
  std::string output;
  char arguments[64];
  snprintf(arguments, sizeof arguments, "%s 0x%lX", command, static_cast<unsigned long>(index));
  const ::testing::AssertionResult ran = probeTool(arguments, &output);
  if (!ran) return ran;
  unsigned long parsed = 0;
  if (sscanf(output.c_str(), "0x%lx", &parsed) != 1)
    return ::testing::AssertionFailure() << "KlProbeTool " << arguments << " printed: " << output;
  *value = static_cast<DWORD>(parsed);
  return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult probeBios(DWORD offset, DWORD count, std::vector<BYTE>* bytes) {
  std::string output;
  const std::string arguments = "read-bios " + std::to_string(offset) + " " + std::to_string(count);
  const ::testing::AssertionResult ran = probeTool(arguments, &output);
  if (!ran) return ran;
  bytes->clear();
  const char* at = output.c_str();
  unsigned byte = 0;
  int used = 0;
  while (sscanf(at, " %2x%n", &byte, &used) == 1) {
    bytes->push_back(static_cast<BYTE>(byte));
    at += used;
  }
  if (bytes->size() != count)
    return ::testing::AssertionFailure() << "KlProbeTool " << arguments << " printed: " << output;
  return ::testing::AssertionSuccess();
}

// What the card's BIOS and PLL say about its clocks, read with KlProbeTool:
// the reference frequency, default and minimum clock (10 kHz units), the
// reference divider R and the
// memory and core feedback dividers of PLL register 0x0A.
struct CardClocks {
  unsigned referenceFrequency = 0, defaultClock = 0, minimumClock = 0;
  DWORD dividers = 0;
  unsigned r() const { return dividers & 0xFF; }
  unsigned memory() const { return (dividers >> 8) & 0xFF; }
  unsigned core() const { return (dividers >> 16) & 0xFF; }
  // The clock of n feedback steps in MHz as the page shows it, "274.50".
  std::string caption(unsigned steps) const {
    char text[32];
    snprintf(text, sizeof text, "%.2f", steps * referenceFrequency / 100.0 / r());
    return text;
  }
};

inline ::testing::AssertionResult readCardClocks(CardClocks* clocks) {
  std::vector<BYTE> word, block;
  ::testing::AssertionResult result = probeBios(0x48, 2, &word);
  const auto at = [](const std::vector<BYTE>& b, std::size_t i) { return b[i] | b[i + 1] << 8; };
  if (result) result = probeBios(static_cast<DWORD>(at(word, 0) + 0x30), 2, &word);
  if (result) result = probeBios(static_cast<DWORD>(at(word, 0)), 24, &block);
  if (result) result = probeWord("read-pll", 0x0A, &clocks->dividers);
  if (!result) return result;
  clocks->defaultClock = static_cast<unsigned>(at(block, 8));
  clocks->referenceFrequency = static_cast<unsigned>(at(block, 14));
  clocks->minimumClock = static_cast<unsigned>(at(block, 18));
  return ::testing::AssertionSuccess();
}

// ---- common controls of the other process

// A list-view item's rectangle in screen coordinates.
inline RECT listItemRect(Kestrelune& program, HWND list, int index) {
  Remote remote(program.pid(), sizeof(RECT));
  RECT r{};
  r.left = LVIR_BOUNDS;
  remote.write(&r, sizeof r);
  SendMessageA(list, LVM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.at()));
  remote.read(&r, sizeof r);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

inline bool listItemChecked(HWND list, int index) {
  const auto state =
      static_cast<UINT>(SendMessageA(list, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
  return (state & LVIS_STATEIMAGEMASK) >> 12 == 2;
}

inline std::string listItemText(Kestrelune& program, HWND list, int index) {
  Remote remote(program.pid(), sizeof(LVITEMA) + 256);
  LVITEMA item{};
  item.iSubItem = 0;
  item.pszText = static_cast<char*>(remote.at()) + sizeof(LVITEMA);
  item.cchTextMax = 255;
  remote.write(&item, sizeof item);
  SendMessageA(list, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(remote.at()));
  char text[256] = {};
  remote.read(text, 255, sizeof(LVITEMA));
  return text;
}

// The centre of a track bar's thumb in screen coordinates: a click there
// gives the bar the focus without moving it.
inline POINT thumbCentre(Kestrelune& program, HWND bar) {
  Remote remote(program.pid(), sizeof(RECT));
  SendMessageA(bar, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(remote.at()));
  RECT r{};
  remote.read(&r, sizeof r);
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(bar, &p);
  return p;
}

// A window of the program that shows `text` in one of its controls, such as
// a message box; nullptr when none is shown.
inline HWND windowShowing(Kestrelune& program, const std::string& text, HWND except = nullptr) {
  struct Search {
    DWORD pid;
    const std::string* text;
    HWND except;
    HWND found;
  } s{program.pid(), &text, except, nullptr};
  EnumWindows(
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != s->pid || w == s->except || !IsWindowVisible(w) ||
            childTexts(w).find(*s->text + "|") == std::string::npos)
          return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&s));
  return s.found;
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    setWindowsVersion(windowsOfRun());
    SeededMachine::get().restore();
  }
  void TearDown() override { setWindowsVersion(windowsOfRun()); }
};

}  // namespace kl::e2e
