// Start-up to the idle main window, and peak working set, of Kestrelune.exe
// against a bare program that creates the same windows (KlBareWindows.exe).
//
//   KlStartupBench.exe PROGRAM BARE CENSUS [RUNS]
//
// Each run starts the program, waits until its main window (class TMainForm)
// is visible and its thread waits for input (WaitForInputIdle), and takes
// the time from before CreateProcess to then. The first run of Kestrelune
// also writes the census of its windows (every top-level window of the
// process and all their descendants) to CENSUS, which the bare program
// recreates, once as it is and once with the windows' captions and the
// program's font on every window (--captions): what is left between that
// and Kestrelune is neither window making nor text drawing. The first run of
// each is a warm-up and not counted. Prints the median, fastest and slowest
// run of each, the ratios, the window counts, and the peak working sets.
#include <windows.h>
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

struct Run {
  double seconds = -1;
  std::size_t windows = 0;
  std::map<std::string, int> classes;
  SIZE_T peakWorkingSet = 0;
};

// `arguments` as they go on the command line, quoted where needed.
Run runOnce(const std::string& program, const std::string& arguments, const char* census) {
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
    if (census && !writeCensus(windows, census))
      std::fprintf(stderr, "cannot write the census %s\n", census);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory))
      run.peakWorkingSet = memory.PeakWorkingSetSize;
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: KlStartupBench PROGRAM BARE CENSUS [RUNS]\n");
    return 2;
  }
  const std::string program = argv[1], bare = argv[2];
  const char* census = argv[3];
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

  const std::string bareArguments = "\"" + std::string(census) + "\"";
  const std::string captionedArguments = bareArguments + " --captions";
  const Run first = runOnce(program, "", census);  // warm-up; writes the census
  if (first.seconds < 0) return 1;
  if (runOnce(bare, bareArguments, nullptr).seconds < 0) return 1;
  if (runOnce(bare, captionedArguments, nullptr).seconds < 0) return 1;
  Series kl, plain, captioned;
  for (int i = 0; i < runs; ++i) {
    kl.runs.push_back(runOnce(program, "", nullptr));
    plain.runs.push_back(runOnce(bare, bareArguments, nullptr));
    captioned.runs.push_back(runOnce(bare, captionedArguments, nullptr));
    if (kl.runs.back().seconds < 0 || plain.runs.back().seconds < 0 ||
        captioned.runs.back().seconds < 0)
      return 1;
  }
  const Run& bareRun = plain.runs.front();
  std::printf("windows at the idle main window: Kestrelune %zu, bare program %zu\n",
              kl.runs.front().windows, bareRun.windows);
  for (const auto& [name, count] : kl.runs.front().classes) {
    const auto other = bareRun.classes.find(name);
    std::printf("  %-24s %4d %4d\n", name.c_str(), count,
                other == bareRun.classes.end() ? 0 : other->second);
  }
  std::printf("start-up to the idle main window, %d runs  median   fastest  slowest\n", runs);
  std::printf("  Kestrelune.exe                       %6.3f s %6.3f s %6.3f s\n", kl.median(),
              kl.fastest(), kl.slowest());
  std::printf("  bare program, same windows           %6.3f s %6.3f s %6.3f s\n", plain.median(),
              plain.fastest(), plain.slowest());
  std::printf("  ratio                                %6.2fx  %6.2fx\n",
              kl.median() / plain.median(), kl.fastest() / plain.fastest());
  std::printf("  bare program, also captions and font %6.3f s %6.3f s %6.3f s\n",
              captioned.median(), captioned.fastest(), captioned.slowest());
  std::printf("  ratio                                %6.2fx  %6.2fx\n",
              kl.median() / captioned.median(), kl.fastest() / captioned.fastest());
  std::printf("peak working set: Kestrelune %.1f MiB, bare program %.1f MiB, ratio %.2fx\n",
              kl.peak() / 1048576.0, plain.peak() / 1048576.0,
              plain.peak() ? static_cast<double>(kl.peak()) / plain.peak() : 0);
  return 0;
}
