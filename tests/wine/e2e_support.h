#pragma once
// What the end-to-end tests share: the real Kestrelune.exe started beside
// the test program in the seeded prefix, its windows and controls found by
// their names, real input, registry snapshots, and the seeded machine that
// every test starts from.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <algorithm>
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
    if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data.data(), &dataLen) != ERROR_SUCCESS)
      break;
    data.resize(dataLen);
    tree.values.push_back({name, type, data});
  }
  for (DWORD i = 0;; ++i) {
    char name[256];
    DWORD nameLen = sizeof name;
    if (RegEnumKeyExA(key, i, name, &nameLen, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
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

inline std::string snapshot(HKEY root, const std::string& path) { return describe(readTree(root, path)); }

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
    RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), static_cast<DWORD>(v.data.size()));
  RegCloseKey(key);
  for (const auto& [name, child] : tree.children) restoreTree(root, path + "\\" + name, child);
}

inline std::string driverKey() {
  HKEY key;
  char data[512] = {};
  DWORD size = sizeof data;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "HARDWARE\\DEVICEMAP\\VIDEO", 0, KEY_READ, &key) == 0) {
    RegQueryValueExA(key, "\\Device\\Video0", nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
  }
  const std::string text = data;
  const auto at = text.find("Machine\\");
  return at == std::string::npos ? "" : text.substr(at + 8);
}

inline bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 15000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

inline std::string textOf(HWND window) {
  char text[512] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

inline std::string nameOf(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "Kestrelune.Name")));
  char name[256] = {};
  if (atom) GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

inline HWND findControl(HWND top, const std::string& name) {
  struct Search {
    std::string name;
    HWND found;
  } search{name, nullptr};
  EnumChildWindows(
      top,
      [](HWND w, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        if (nameOf(w) != s->name) return TRUE;
        s->found = w;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
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

class Kestrelune {
 public:
  explicit Kestrelune(const char* version) {
    setWindowsVersion(version);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + (std::getenv("KL_E2E_PROGRAM") ? std::string(std::getenv("KL_E2E_PROGRAM")) : beside("Kestrelune.exe")) + "\"";
    started_ = CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                              &si, &process_);
  }
  ~Kestrelune() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }
  bool started() const { return started_; }
  DWORD pid() const { return process_.dwProcessId; }
  bool ended(std::chrono::milliseconds limit = 10000ms) {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(limit.count())) == WAIT_OBJECT_0;
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
        [](HWND w, LPARAM p) -> BOOL {
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
  BITMAPFILEHEADER header{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageSize), 0, 0,
                         sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
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

inline void setText(HKEY root, const std::string& path, const char* name, const std::string& value) {
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
  BYTE data[256];
  DWORD type = 0, size = sizeof data;
  const LONG s = RegQueryValueExA(key, name, nullptr, &type, data, &size);
  RegCloseKey(key);
  if (s != ERROR_SUCCESS) return "(absent)";
  return std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), size);
}

inline std::string textValue(const std::string& text) {
  return "1:" + text + std::string(1, '\0');
}

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

// The rest of Apply after the progress dialog: when it changed the driver's
// custom-resolution list it tells the user to restart Windows (answered with
// its OK); Apply is done when the marker has cleared.
inline void finishApply(Kestrelune& program, HWND main) {
  HWND prompt = nullptr;
  ASSERT_TRUE(waitFor([&] {
    prompt = program.window("Custom Resolutions");
    return prompt != nullptr || textOf(main) == "Kestrelune";
  }));
  if (prompt) click(findControl(prompt, "butOKCusRes"));
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune"; }));
}

// Waits for the progress dialog, presses its OK once the bar is full, and
// waits for Apply to end.
inline void confirmProgress(Kestrelune& program, HWND main) {
  HWND progress = program.waitWindow("Saving Configuration...");
  ASSERT_NE(nullptr, progress);
  HWND ok = findControl(progress, "butOk");
  ASSERT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 10000ms));
  click(ok);
  finishApply(program, main);
}

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    setWindowsVersion("winxp");
    SeededMachine::get().restore();
  }
  void TearDown() override { setWindowsVersion("winxp"); }
};

}  // namespace kl::e2e
