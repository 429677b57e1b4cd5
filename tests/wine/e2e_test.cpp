// End-to-end: starts the real Kestrelune.exe beside this program in the
// seeded prefix, finds its controls by their names and acts with real input.
// Screenshots of the ten pages go to the folder named by KL_SCREENSHOTS.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

std::string beside(const std::string& file) {
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, sizeof self);
  std::string dir = self;
  return dir.substr(0, dir.rfind('\\') + 1) + file;
}

void setWindowsVersion(const char* version) {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                  nullptr);
  RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                 static_cast<DWORD>(strlen(version) + 1));
  RegCloseKey(key);
}

// Every value below a key, as "name=type:bytes" lines, to compare states.
std::string snapshot(HKEY root, const std::string& path) {
  HKEY key;
  if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "(none)";
  std::string all;
  char name[512];
  BYTE data[4096];
  for (DWORD i = 0;; ++i) {
    DWORD nameLen = sizeof name, dataLen = sizeof data, type = 0;
    if (RegEnumValueA(key, i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) break;
    all += std::string(name) + "=" + std::to_string(type) + ":" +
           std::string(reinterpret_cast<char*>(data), dataLen) + "\n";
  }
  RegCloseKey(key);
  return all;
}

std::string driverKey() {
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

void resetProgramKey() {
  HKEY key;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Kestrelune", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &key, nullptr);
  const auto text = [&](const char* name, const std::string& v) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                   static_cast<DWORD>(v.size() + 1));
  };
  text("installpath", "C:\\Program Files\\Kestrelune\\");
  text("version", "1.60");
  text("FirstRun", "Yes");
  const DWORD zero = 0;
  RegSetValueExA(key, "Use_AltPath", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&zero), 4);
  for (const char* gone : {"overclock", "8500", "AlternativePath"}) RegDeleteValueA(key, gone);
  RegCloseKey(key);
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 15000ms) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    if (condition()) return true;
    std::this_thread::sleep_for(50ms);
  }
  return condition();
}

std::string textOf(HWND window) {
  char text[512] = {};
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

std::string nameOf(HWND window) {
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropA(window, "Kestrelune.Name")));
  char name[256] = {};
  if (atom) GlobalGetAtomNameA(atom, name, sizeof name);
  return name;
}

HWND findControl(HWND top, const std::string& name) {
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

void mouseAt(int x, int y, DWORD down, DWORD up) {
  SetCursorPos(x, y);
  std::this_thread::sleep_for(50ms);
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_MOUSE;
  input[0].mi.dwFlags = down;
  input[1].mi.dwFlags = up;
  SendInput(1, &input[0], sizeof(INPUT));
  std::this_thread::sleep_for(50ms);
  SendInput(1, &input[1], sizeof(INPUT));
  std::this_thread::sleep_for(300ms);
}

void click(HWND control, bool right = false) {
  RECT r;
  GetWindowRect(control, &r);
  const int x = r.left + 8, y = (r.top + r.bottom) / 2;
  if (right)
    mouseAt(x, y, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
  else
    mouseAt(x, y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
}

void key(WORD vk) {
  INPUT input[2] = {};
  input[0].type = input[1].type = INPUT_KEYBOARD;
  input[0].ki.wVk = input[1].ki.wVk = vk;
  input[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, input, sizeof(INPUT));
  std::this_thread::sleep_for(300ms);
}

// A struct in the other process's memory, for common-control messages that
// carry pointers.
class Remote {
 public:
  Remote(DWORD pid, std::size_t size) : size_(size) {
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
  std::size_t size_;
};

class Kestrelune {
 public:
  explicit Kestrelune(const char* version) {
    setWindowsVersion(version);
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string command = "\"" + beside("Kestrelune.exe") + "\"";
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
  HWND window(const std::string& caption) {
    struct Search {
      DWORD pid;
      std::string caption;
      HWND found;
    } s{pid(), caption, nullptr};
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
          auto* s = reinterpret_cast<Search*>(p);
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner != s->pid || !IsWindowVisible(w) || textOf(w) != s->caption) return TRUE;
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
  void clickTab(HWND tabs, int index) {
    Remote remote(pid(), sizeof(RECT));
    SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote.at()));
    RECT r;
    remote.read(&r, sizeof r);
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(tabs, &p);
    mouseAt(p.x, p.y, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP);
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

// Saves the window as it is on the screen, as a 24-bit BMP.
void screenshot(HWND window, const std::string& file) {
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

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { resetProgramKey(); }
  void TearDown() override { setWindowsVersion("winxp"); }
};

TEST_F(EndToEnd, StartsOnXpAndWindows2000WithTenPages) {
  for (const char* version : {"winxp", "win2k"}) {
    Kestrelune program(version);
    ASSERT_TRUE(program.started());
    HWND main = program.waitWindow("Kestrelune");
    ASSERT_NE(nullptr, main) << version;
    RECT client;
    GetClientRect(main, &client);
    EXPECT_EQ(730, client.right) << version;
    EXPECT_EQ(450, client.bottom) << version;
    HWND status = findControl(main, "statusBar");
    ASSERT_NE(nullptr, status);
    EXPECT_EQ("Kestrelune 1.60", textOf(status)) << version;
    HWND tabs = findControl(main, "TabPages");
    ASSERT_NE(nullptr, tabs);
    EXPECT_EQ((std::vector<std::string>{"System Information", "DirectX", "DirectX Advanced", "OpenGL",
                                        "OpenGL Private", "DVD", "Windows GUI", "Overclocking",
                                        "Custom Resolutions", "Refreshrates"}),
              program.tabTexts(tabs));
    EXPECT_EQ("ati2dvag", textOf(findControl(main, "labelDriver")));
    EXPECT_EQ("No", [] {
      char v[16] = {};
      DWORD n = sizeof v;
      RegGetValueA(HKEY_CURRENT_USER, "Software\\Kestrelune", "FirstRun", RRF_RT_REG_SZ, nullptr, v, &n);
      return std::string(v);
    }());
    const char* folder = std::getenv("KL_SCREENSHOTS");
    if (folder && std::string(version) == "winxp") {
      for (int page = 0; page < 10; ++page) {
        program.clickTab(tabs, page);
        screenshot(main, std::string(folder) + "\\page-" + std::to_string(page) + ".bmp");
      }
    }
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.ended()) << version;
  }
}

TEST_F(EndToEnd, RefusesWindows7WithItsMessage) {
  Kestrelune program("win7");
  ASSERT_TRUE(program.started());
  HWND box = nullptr;
  waitFor([&] {
    box = program.window("Kestrelune");
    return box && findControl(box, "TabPages") == nullptr;
  });
  ASSERT_NE(nullptr, box);
  std::string texts;
  EnumChildWindows(
      box,
      [](HWND w, LPARAM p) -> BOOL {
        *reinterpret_cast<std::string*>(p) += textOf(w) + "|";
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&texts));
  EXPECT_NE(std::string::npos, texts.find("Sorry this tweaker only works on Windows 2000/XP for now"));
  key(VK_RETURN);
  EXPECT_TRUE(program.ended());
  EXPECT_EQ("Yes", [] {
    char v[16] = {};
    DWORD n = sizeof v;
    RegGetValueA(HKEY_CURRENT_USER, "Software\\Kestrelune", "FirstRun", RRF_RT_REG_SZ, nullptr, v, &n);
    return std::string(v);
  }());
}

TEST_F(EndToEnd, MousePressMarksModifiedSpaceBarDoesNotAndCancelWritesNothing) {
  Kestrelune program("winxp");
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  HWND tabs = findControl(main, "TabPages");
  program.clickTab(tabs, 1);
  HWND truForm = findControl(main, "checkEnableTruForm");
  ASSERT_NE(nullptr, truForm);
  const auto focused = [&] {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(GetWindowThreadProcessId(main, nullptr), &gui);
    return gui.hwndFocus;
  };
  key(VK_TAB);  // from the tabs to the first control of the page
  ASSERT_EQ(truForm, focused()) << nameOf(focused());
  key(VK_SPACE);
  EXPECT_EQ(BST_CHECKED, SendMessageA(truForm, BM_GETCHECK, 0, 0));
  EXPECT_EQ("Kestrelune", textOf(main));
  const std::string before = snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune") +
                             snapshot(HKEY_LOCAL_MACHINE, driverKey());
  click(truForm);
  EXPECT_EQ("Kestrelune *", textOf(main));
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(truForm, BM_GETCHECK, 0, 0));
  click(findControl(main, "buttonCANCEL"));
  EXPECT_TRUE(program.ended());
  EXPECT_EQ(before, snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune") +
                        snapshot(HKEY_LOCAL_MACHINE, driverKey()));
}

TEST_F(EndToEnd, ApplyShowsTheProgressDialogAndClearsTheMarker) {
  Kestrelune program("winxp");
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  program.clickTab(findControl(main, "TabPages"), 1);
  click(findControl(main, "checkEnableTruForm"), true);  // a right press marks too
  EXPECT_EQ("Kestrelune *", textOf(main));
  click(findControl(main, "buttonApply"));
  HWND progress = program.waitWindow("Saving Configuration...");
  ASSERT_NE(nullptr, progress);
  HWND ok = findControl(progress, "butOk");
  EXPECT_FALSE(IsWindowEnabled(ok));
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 10000ms));
  click(ok);
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune"; }));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
}

}  // namespace
