// The bare program the start-up benchmark measures Kestrelune.exe against: it
// creates the windows a census file lists (class, parent or owner, styles,
// identifier, position), nothing else, shows the visible top-level ones and
// runs a message loop. Classes that are not the system's or the common
// controls' are registered with DefWindowProc. It carries the same manifest
// as the program (version 6 common controls). With --captions each window
// also gets its caption at creation and then, as the program's windows all
// do, the program's font ("MS Sans Serif" 8 point).
//
//   KlBareWindows.exe CENSUS [--captions]
//
// Census lines: index parent owner style exstyle id x y width height class
// text (parent and owner are indices, -1 for none; numbers in hex where the
// benchmark writes them so; the text in hexadecimal, "-" for none).
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace {

struct Entry {
  int parent = -1, owner = -1;
  DWORD style = 0, exStyle = 0;
  UINT_PTR id = 0;
  int x = 0, y = 0, width = 0, height = 0;
  std::string className;
  std::string text;
};

std::string fromHex(const char* hex) {
  std::string text;
  for (; hex[0] && hex[1]; hex += 2) {
    unsigned value = 0;
    if (std::sscanf(hex, "%2x", &value) != 1) break;
    text += static_cast<char>(value);
  }
  return text;
}

std::vector<Entry> readCensus(const char* path) {
  std::vector<Entry> entries;
  FILE* file = std::fopen(path, "r");
  if (!file) return entries;
  char name[256], hex[1100];
  int index = 0;
  Entry e;
  unsigned long style = 0, exStyle = 0, id = 0;
  while (std::fscanf(file, "%d %d %d %lx %lx %lx %d %d %d %d %255s %1099s", &index, &e.parent,
                     &e.owner, &style, &exStyle, &id, &e.x, &e.y, &e.width, &e.height, name,
                     hex) == 12) {
    e.style = style;
    e.exStyle = exStyle;
    e.id = id;
    e.className = name;
    e.text = std::strcmp(hex, "-") == 0 ? "" : fromHex(hex);
    entries.push_back(e);
  }
  std::fclose(file);
  return entries;
}

void registerOwnClasses(HINSTANCE instance, const std::vector<Entry>& entries) {
  std::set<std::string> done;
  for (const Entry& e : entries) {
    if (!done.insert(e.className).second) continue;
    WNDCLASSA known{};
    if (GetClassInfoA(nullptr, e.className.c_str(), &known)) continue;  // system or common control
    WNDCLASSA own{};
    own.lpfnWndProc = DefWindowProcA;
    own.hInstance = instance;
    own.hCursor = LoadCursor(nullptr, IDC_ARROW);
    own.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    own.lpszClassName = e.className.c_str();
    RegisterClassA(&own);
  }
}

}  // namespace

HFONT programFont() {
  LOGFONTA font{};
  HDC screen = GetDC(nullptr);
  font.lfHeight = -MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  std::strcpy(font.lfFaceName, "MS Sans Serif");
  return CreateFontIndirectA(&font);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES |
                                                     ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                     ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  std::string path = command;  // quoted or up to the first blank
  if (!path.empty() && path.front() == '"')
    path = path.substr(1, path.find('"', 1) - 1);
  else
    path = path.substr(0, path.find(' '));
  const bool captions = std::strstr(command, "--captions") != nullptr;
  const std::vector<Entry> entries = readCensus(path.c_str());
  if (entries.empty()) return 2;
  HFONT font = captions ? programFont() : nullptr;
  registerOwnClasses(instance, entries);
  std::vector<HWND> windows(entries.size(), nullptr);
  std::vector<std::size_t> toShow;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    HWND parent = nullptr;
    if (e.parent >= 0) parent = windows[e.parent];
    else if (e.owner >= 0) parent = windows[e.owner];
    DWORD style = e.style;
    if (e.parent < 0 && (style & WS_VISIBLE)) {
      style &= ~WS_VISIBLE;  // shown once its children exist, as a program does
      toShow.push_back(i);
    }
    windows[i] = CreateWindowExA(e.exStyle, e.className.c_str(), captions ? e.text.c_str() : "",
                                 style, e.x, e.y, e.width, e.height, parent,
                                 e.parent >= 0 ? reinterpret_cast<HMENU>(e.id) : nullptr, instance,
                                 nullptr);
    if (font) SendMessageA(windows[i], WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  }
  for (std::size_t i : toShow) ShowWindow(windows[i], SW_SHOW);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
