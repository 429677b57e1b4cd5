// Start-up to the idle main window, peak working set and the first showing
// of each page, of Kestrelune.exe against bare programs (KlBareWindows.exe)
// that create the same windows.
//
//   KlStartupBench.exe PROGRAM BARE CENSUS [RUNS]
//
// Each run starts the program, waits until its main window (class TMainForm)
// is visible and its thread waits for input (WaitForInputIdle), and takes
// the time from before CreateProcess to then. Kestrelune makes a page's
// windows when the page is first shown, so each of its runs then clicks the
// tabs in turn and times each page from the click to the page painted.
//
// The first run of Kestrelune is a warm-up; it writes two censuses (every
// top-level window of the process and all their descendants): CENSUS.shown
// of the windows it made at start, and CENSUS once every page has been shown
// (all the windows it can have, as it made them at start before). The bare
// program recreates a census, as it is or with the windows' captions and the
// program's font on every window (--captions). The runs alternate:
// Kestrelune; the bare program with the windows made at start, captions and
// font (what Kestrelune is measured against); the bare program with every
// window, plain and with captions. The first run of each is a warm-up and
// not counted. Prints the median, fastest and slowest run of each, the
// ratios, the window counts, the first showing of each page and the peak
// working sets.
#include <windows.h>
// The common controls' declarations need <windows.h> first.
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

double now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct Census {
  DWORD pid = 0;
  std::vector<HWND> windows;
};

std::string classOf(HWND window) {
  char name[256] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

// Windows a control makes for itself (a combo box its list and edit, a list
// view its header): the bare program's controls make them too.
bool madeByItsControl(HWND window) {
  if (classOf(window) == "ComboLBox") return true;
  const std::string parent = classOf(GetParent(window));
  return parent == "ComboBox" || parent == "SysListView32";
}

BOOL CALLBACK addChild(HWND window, LPARAM param) {
  if (!madeByItsControl(window)) reinterpret_cast<Census*>(param)->windows.push_back(window);
  return TRUE;
}

BOOL CALLBACK addTopLevel(HWND window, LPARAM param) {
  Census* census = reinterpret_cast<Census*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != census->pid) return TRUE;
  const std::string name = classOf(window);
  // Windows the system makes for every GUI thread, in the bare program as well.
  if (name == "IME" || name == "MSCTFIME UI" || name == "ComboLBox") return TRUE;
  census->windows.push_back(window);
  EnumChildWindows(window, addChild, param);
  return TRUE;
}

std::vector<HWND> windowsOf(DWORD pid) {
  Census census;
  census.pid = pid;
  EnumWindows(addTopLevel, reinterpret_cast<LPARAM>(&census));
  return census.windows;
}

HWND visibleMainForm(DWORD pid) {
  HWND window = nullptr;
  while ((window = FindWindowExA(nullptr, window, "TMainForm", nullptr)) != nullptr) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == pid && IsWindowVisible(window)) return window;
  }
  return nullptr;
}

int indexOf(const std::vector<HWND>& windows, HWND window) {
  const auto found = std::find(windows.begin(), windows.end(), window);
  return found == windows.end() ? -1 : static_cast<int>(found - windows.begin());
}

// The window's text in hexadecimal, "-" for none: the census is read with
// scanf, and a caption has blanks.
std::string hexText(HWND window) {
  char text[512] = "";
  SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                      SMTO_ABORTIFHUNG, 2000, nullptr);
  std::string hex;
  for (const char* c = text; *c; ++c) {
    char digits[3];
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(*c));
    hex += digits;
  }
  return hex.empty() ? "-" : hex;
}

// Owners before the windows they own, parents before their children (the
// enumeration lists children after their parent already).
bool writeCensus(const std::vector<HWND>& found, const char* path) {
  std::vector<HWND> windows;
  for (HWND w : found)
    if (!GetWindow(w, GW_OWNER) && !(GetWindowLongA(w, GWL_STYLE) & WS_CHILD)) windows.push_back(w);
  for (HWND w : found)
    if (indexOf(windows, w) < 0) windows.push_back(w);
  FILE* file = std::fopen(path, "w");
  if (!file) return false;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    HWND w = windows[i];
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    HWND parent = (style & WS_CHILD) ? GetParent(w) : nullptr;
    RECT r{};
    GetWindowRect(w, &r);
    if (parent) MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    char name[256] = "";
    GetClassNameA(w, name, sizeof name);
    std::fprintf(file, "%u %d %d %lx %lx %lx %ld %ld %ld %ld %s %s\n", static_cast<unsigned>(i),
                 parent ? indexOf(windows, parent) : -1, indexOf(windows, GetWindow(w, GW_OWNER)),
                 static_cast<unsigned long>(style),
                 static_cast<unsigned long>(GetWindowLongA(w, GWL_EXSTYLE)),
                 static_cast<unsigned long>(GetWindowLongPtrA(w, GWLP_ID)), r.left, r.top,
                 r.right - r.left, r.bottom - r.top, name, hexText(w).c_str());
  }
  std::fclose(file);
  return true;
}

// The centre of a tab in the tab control's client coordinates, read through
// memory in the program's process: the rectangle of a tab in one of several
// rows moves as rows come to the front.
bool tabCentre(HANDLE process, HWND tabs, int index, POINT* centre) {
  void* remote = VirtualAllocEx(process, nullptr, sizeof(RECT), MEM_COMMIT, PAGE_READWRITE);
  if (!remote) return false;
  RECT r{};
  const bool read = SendMessageA(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(remote)) &&
                    ReadProcessMemory(process, remote, &r, sizeof r, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  *centre = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  return read;
}

// A tab's caption, read likewise.
std::string tabText(HANDLE process, HWND tabs, int index) {
  constexpr std::size_t kMax = 256;
  char* remote = static_cast<char*>(
      VirtualAllocEx(process, nullptr, sizeof(TCITEMA) + kMax, MEM_COMMIT, PAGE_READWRITE));
  if (!remote) return "?";
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = remote + sizeof(TCITEMA);
  item.cchTextMax = kMax - 1;
  char text[kMax] = "?";
  if (WriteProcessMemory(process, remote, &item, sizeof item, nullptr) &&
      SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(remote)))
    ReadProcessMemory(process, remote + sizeof(TCITEMA), text, kMax - 1, nullptr);
  VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  return text;
}

// Returns once the window's thread has handled what was sent to it and has
// painted every window that was invalid.
void settle(HWND window) {
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
  RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
}

// A page's first showing: from the click to the click handled (the page's
// windows made and shown), and to the page painted.
struct Showing {
  double handled = -1, painted = -1;
};

// A click on a tab (press and release at its centre, sent to the tab
// control), then the page painted. Times of -1: the tab did not become the
// selected one.
Showing showPage(HANDLE process, HWND main, HWND tabs, int index) {
  POINT at{};
  if (!tabCentre(process, tabs, index, &at)) return {};
  const LPARAM where = MAKELPARAM(at.x, at.y);
  const double start = now();
  SendMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, where);
  SendMessageA(tabs, WM_LBUTTONUP, 0, where);
  const double handled = now() - start;
  settle(main);
  const double painted = now() - start;
  if (SendMessageA(tabs, TCM_GETCURSEL, 0, 0) != index) return {};
  return Showing{handled, painted};
}

HWND tabControlOf(HWND main) { return FindWindowExA(main, nullptr, WC_TABCONTROLA, nullptr); }

struct Run {
  double seconds = -1;
  std::size_t windows = 0;
  std::map<std::string, int> classes;
  SIZE_T peakWorkingSet = 0;
  std::vector<Showing> pages;  // the first showing of page 1, 2, ...; Kestrelune only
  std::vector<std::string> pageNames;
  std::size_t allWindows = 0;  // once every page was shown
};

// What a run of Kestrelune does after start-up: shows each page in turn,
// and for the warm-up also writes the censuses.
struct PageRun {
  bool showPages = false;
  const char* shownCensus = nullptr;  // the windows made at start
  const char* allCensus = nullptr;    // every window, once each page was shown
};

bool showEveryPage(HANDLE process, HWND main, Run* run) {
  HWND tabs = tabControlOf(main);
  const int count = tabs ? static_cast<int>(SendMessageA(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
  if (count < 2) {
    std::fprintf(stderr, "no tab control with pages in the main window\n");
    return false;
  }
  for (int index = 1; index < count; ++index) {
    run->pageNames.push_back(tabText(process, tabs, index));
    run->pages.push_back(showPage(process, main, tabs, index));
    if (run->pages.back().painted < 0) {
      std::fprintf(stderr, "the click on tab %d did not show its page\n", index);
      return false;
    }
  }
  return showPage(process, main, tabs, 0).painted >= 0;  // back to the page shown at start
}

// `arguments` as they go on the command line, quoted where needed.
Run runOnce(const std::string& program, const std::string& arguments, const PageRun& after = {}) {
  Run run;
  std::string command = "\"" + program + "\"" + (arguments.empty() ? "" : " " + arguments);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = now();
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    std::fprintf(stderr, "cannot start %s: error %lu\n", command.c_str(), GetLastError());
    return run;
  }
  HWND main = nullptr;
  while (!(main = visibleMainForm(process.dwProcessId)) && now() - start < 60) {
    if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) break;
  }
  if (main && WaitForInputIdle(process.hProcess, 60000) == 0) {
    run.seconds = now() - start;
    Sleep(300);  // what start-up left pending, such as first paints, counts for memory
    const std::vector<HWND> windows = windowsOf(process.dwProcessId);
    run.windows = windows.size();
    for (HWND w : windows) ++run.classes[classOf(w)];
    if (after.shownCensus && !writeCensus(windows, after.shownCensus))
      std::fprintf(stderr, "cannot write the census %s\n", after.shownCensus);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
      run.peakWorkingSet = memory.PeakWorkingSetSize;
    if (after.showPages && !showEveryPage(process.hProcess, main, &run)) run.seconds = -1;
    if (after.showPages) {
      Sleep(300);
      const std::vector<HWND> all = windowsOf(process.dwProcessId);
      run.allWindows = all.size();
      if (after.allCensus && !writeCensus(all, after.allCensus))
        std::fprintf(stderr, "cannot write the census %s\n", after.allCensus);
    }
  } else {
    std::fprintf(stderr, "%s: no idle main window within 60 s\n", program.c_str());
  }
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 30000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return run;
}

struct Series {
  std::vector<Run> runs;
  double median() const {
    std::vector<double> s;
    for (const Run& r : runs) s.push_back(r.seconds);
    std::sort(s.begin(), s.end());
    return s.empty() ? -1 : s[s.size() / 2];
  }
  double fastest() const {
    double best = -1;
    for (const Run& r : runs)
      if (best < 0 || r.seconds < best) best = r.seconds;
    return best;
  }
  double slowest() const {
    double worst = -1;
    for (const Run& r : runs) worst = std::max(worst, r.seconds);
    return worst;
  }
  SIZE_T peak() const {
    SIZE_T most = 0;
    for (const Run& r : runs) most = std::max(most, r.peakWorkingSet);
    return most;
  }
};

double medianOf(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

void printSeries(const char* label, const Series& series) {
  std::printf("  %-40s %6.3f s %6.3f s %6.3f s\n", label, series.median(), series.fastest(),
              series.slowest());
}

void printRatio(const char* label, const Series& kl, const Series& bare) {
  std::printf("  %-40s %6.2fx  %6.2fx\n", label, kl.median() / bare.median(),
              kl.fastest() / bare.fastest());
}

// The first showing of each page, medians over the runs: the click handled
// (the windows made) and the page painted; the slowest run; and the page
// slowest to paint by median.
void printPages(const Series& kl, const std::vector<std::string>& names) {
  std::printf(
      "first showing of each page, %zu runs: tab click handled, then painted (medians), "
      "slowest painted\n",
      kl.runs.size());
  double slowest = 0;
  std::size_t slowestPage = 0;
  for (std::size_t page = 0; page < names.size(); ++page) {
    std::vector<double> handled, painted;
    for (const Run& r : kl.runs)
      if (page < r.pages.size()) {
        handled.push_back(r.pages[page].handled);
        painted.push_back(r.pages[page].painted);
      }
    if (painted.empty()) continue;
    const double median = medianOf(painted);
    std::printf("  %-24s %7.1f ms %7.1f ms %7.1f ms\n", names[page].c_str(),
                medianOf(handled) * 1000, median * 1000,
                *std::max_element(painted.begin(), painted.end()) * 1000);
    if (median > slowest) {
      slowest = median;
      slowestPage = page;
    }
  }
  if (slowestPage < names.size())
    std::printf("  slowest page by median: %s, %.1f ms (target at most 50 ms)\n",
                names[slowestPage].c_str(), slowest * 1000);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: KlStartupBench PROGRAM BARE CENSUS [RUNS]\n");
    return 2;
  }
  const std::string program = argv[1], bare = argv[2];
  const std::string allCensus = argv[3], shownCensus = allCensus + ".shown";
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

  const std::string allArguments = "\"" + allCensus + "\"";
  const std::string allCaptioned = allArguments + " --captions";
  const std::string shownCaptioned = "\"" + shownCensus + "\" --captions";
  PageRun warmUp;
  warmUp.showPages = true;
  warmUp.shownCensus = shownCensus.c_str();
  warmUp.allCensus = allCensus.c_str();
  PageRun pages;
  pages.showPages = true;
  const Run first = runOnce(program, "", warmUp);
  if (first.seconds < 0) return 1;
  for (const std::string* arguments : {&shownCaptioned, &allArguments, &allCaptioned})
    if (runOnce(bare, *arguments).seconds < 0) return 1;
  Series kl, shown, plain, captioned;
  for (int i = 0; i < runs; ++i) {
    kl.runs.push_back(runOnce(program, "", pages));
    shown.runs.push_back(runOnce(bare, shownCaptioned));
    plain.runs.push_back(runOnce(bare, allArguments));
    captioned.runs.push_back(runOnce(bare, allCaptioned));
    for (const Series* s : {&kl, &shown, &plain, &captioned})
      if (s->runs.back().seconds < 0) return 1;
  }
  const Run& shownRun = shown.runs.front();
  std::printf(
      "windows at the idle main window: Kestrelune %zu (%zu once every page was shown), "
      "bare program %zu and %zu\n",
      kl.runs.front().windows, kl.runs.front().allWindows, shownRun.windows,
      plain.runs.front().windows);
  for (const auto& [name, count] : kl.runs.front().classes) {
    const auto other = shownRun.classes.find(name);
    std::printf("  %-24s %4d %4d\n", name.c_str(), count,
                other == shownRun.classes.end() ? 0 : other->second);
  }
  std::printf("start-up to the idle main window, %d alternating runs   median   fastest  slowest\n",
              runs);
  printSeries("Kestrelune.exe", kl);
  printSeries("bare, windows made at start, captions+font", shown);
  printRatio("ratio (target at most 1.2)", kl, shown);
  printSeries("bare, every window (as made before)", plain);
  printRatio("ratio (target below 0.8)", kl, plain);
  printSeries("bare, every window, captions and font", captioned);
  printRatio("ratio", kl, captioned);
  printPages(kl, first.pageNames);
  std::printf(
      "peak working set at the idle main window: Kestrelune %.1f MiB, bare with the windows "
      "made at start %.1f MiB, ratio %.2fx (target at most 1.2); bare with every window "
      "%.1f MiB\n",
      kl.peak() / 1048576.0, shown.peak() / 1048576.0,
      shown.peak() ? static_cast<double>(kl.peak()) / shown.peak() : 0, plain.peak() / 1048576.0);
  return 0;
}
