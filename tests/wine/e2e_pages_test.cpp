// End-to-end: a page's windows are made when its tab is first clicked, and
// show then what its controls hold. Two runs of the real program open the
// same profile: one after it had shown every page (its windows follow the
// change), one before it had shown any (its windows are made from the
// change); each page must then show the same in both.
#include <map>
#include <sstream>

#include "e2e_support.h"

namespace kl::e2e {
namespace {

const auto* const kRestoreAtExit = ::testing::AddGlobalTestEnvironment(new RestoreAtExit);

constexpr int kPages = 10;
const char* const kSheets[kPages] = {
    "tabSysInfo", "tabDirectX", "DirectXAdv", "tabOpenGL",    "tabOpenGLP",
    "DVD",        "WindowsGUI", "tabOC",      "tabCustomRes", "tabRefreshrates"};

std::string classOf(HWND window) {
  char name[64] = {};
  GetClassNameA(window, name, sizeof name);
  return name;
}

// The items of a list view and their check boxes ("x" checked).
std::string listItems(Kestrelune& program, HWND list) {
  std::string items;
  const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < count; ++i)
    items += listItemText(program, list, i) + (listItemChecked(list, i) ? " x;" : ";");
  return items;
}

// What a control's window shows: kind, text, enabled, place in the main
// window and the state its kind has.
std::string shownBy(Kestrelune& program, HWND main, HWND window) {
  std::ostringstream out;
  RECT r{};
  GetWindowRect(window, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  const std::string kind = classOf(window);
  out << kind << " \"" << textOf(window) << "\" enabled " << (IsWindowEnabled(window) != FALSE)
      << " visible " << (IsWindowVisible(window) != FALSE) << " at " << r.left << ',' << r.top
      << ' ' << r.right - r.left << 'x' << r.bottom - r.top;
  if (lstrcmpiA(kind.c_str(), "Button") == 0)
    out << " check " << SendMessageA(window, BM_GETCHECK, 0, 0);
  if (lstrcmpiA(kind.c_str(), "ComboBox") == 0) {
    out << " items ";
    for (const std::string& item : comboItems(window)) out << item << ';';
    out << " index " << SendMessageA(window, CB_GETCURSEL, 0, 0);
  }
  if (kind == TRACKBAR_CLASSA)
    out << " range " << SendMessageA(window, TBM_GETRANGEMIN, 0, 0) << ".."
        << SendMessageA(window, TBM_GETRANGEMAX, 0, 0) << " position "
        << SendMessageA(window, TBM_GETPOS, 0, 0);
  if (kind == WC_LISTVIEWA) out << " items " << listItems(program, window);
  return out.str();
}

// Every named control of a page, by name.
std::map<std::string, std::string> pageShows(Kestrelune& program, HWND main, HWND sheet) {
  struct Walk {
    Kestrelune& program;
    HWND main;
    std::map<std::string, std::string> shown;
  } walk{program, main, {}};
  EnumChildWindows(
      sheet,
      [](HWND w, LPARAM p) CALLBACK -> BOOL {
        auto* walk = reinterpret_cast<Walk*>(p);
        const std::string name = nameOf(w);
        if (!name.empty()) walk->shown[name] = shownBy(walk->program, walk->main, w);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
  return walk.shown;
}

using PagesShown = std::vector<std::map<std::string, std::string>>;

// Clicks each tab in turn and reads what its page shows.
PagesShown clickEveryPage(Kestrelune& program, HWND main) {
  HWND tabs = findControl(main, "TabPages");
  PagesShown pages;
  for (int page = 0; page < kPages; ++page) {
    program.clickTab(tabs, page);
    EXPECT_EQ(page, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
    settle(main);
    HWND sheet = findControl(main, kSheets[page]);
    EXPECT_NE(nullptr, sheet) << kSheets[page];
    pages.push_back(sheet ? pageShows(program, main, sheet) : decltype(pages)::value_type{});
  }
  return pages;
}

// Opens a profile through Profiles > Open and answers the progress dialog.
void openProfile(Kestrelune& program, HWND main, const std::string& path) {
  SetForegroundWindow(main);
  ctrlKey('O');
  ASSERT_NE(nullptr, program.waitWindow("Load Profile"));
  typeText(path);
  key(VK_RETURN);
  confirmProgress(program, main);
}

void writeFile(const std::string& path, const std::string& text) {
  HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(out);
}

// Switches the named settings of a saved profile: 1 becomes 0, anything else 1.
std::string switched(std::string profile, std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const std::string key = std::string("\n") + name + "=";
    const auto at = profile.find(key);
    if (at == std::string::npos) {
      ADD_FAILURE() << "the saved profile has no " << name;
      continue;
    }
    const auto value = at + key.size(), end = profile.find_first_of("\r\n", value);
    profile.replace(value, end - value, profile.compare(value, end - value, "1") == 0 ? "0" : "1");
  }
  return profile;
}

TEST_F(EndToEnd, PagesShownFirstTimeShowWhatAPageShownFromTheStartShows) {
  const std::string path = std::string(kProfiles) + "e2e-pages.kpf";
  PagesShown eager, lazy;
  {
    Kestrelune program("winxp");
    HWND main = program.waitWindow("Kestrelune");
    ASSERT_NE(nullptr, main);
    EXPECT_EQ(nullptr, findControl(main, "checkVSync"));  // no window before its page is shown
    clickEveryPage(program, main);
    SetForegroundWindow(main);
    ctrlKey('S');
    ASSERT_NE(nullptr, program.waitWindow("Save Profile"));
    typeText(path);
    key(VK_RETURN);
    ASSERT_TRUE(waitFor([&] { return program.window("Save Profile") == nullptr; }));
    SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
    writeFile(path,
              switched(readFile(path), {"VSync", "FastZClearEnabled", "TableFogEnable",
                                        "OGLWaitVerticalSync", "enableMacroTile", "Rotation"}));
    openProfile(program, main, path);
    eager = clickEveryPage(program, main);
    EXPECT_EQ("Kestrelune", textOf(main));
    ASSERT_TRUE(closeProgram(program, main));
  }
  const std::string profile = readFile(path);
  SeededMachine::get().restore();  // as the first run started; it removes the profile too
  writeFile(path, profile);
  {
    Kestrelune program("winxp");
    HWND main = program.waitWindow("Kestrelune");
    ASSERT_NE(nullptr, main);
    openProfile(program, main, path);
    EXPECT_EQ(nullptr, findControl(main, "checkVSync"));
    lazy = clickEveryPage(program, main);
    EXPECT_EQ("Kestrelune", textOf(main));  // making the windows marked nothing
    ASSERT_TRUE(closeProgram(program, main));
  }
  // The System Information page is shown at start in both runs; its free
  // memory is read afresh and differs between them.
  ASSERT_EQ(eager.size(), lazy.size());
  for (int page = 1; page < kPages; ++page) {
    EXPECT_FALSE(lazy[page].empty()) << kSheets[page];
    EXPECT_EQ(eager[page], lazy[page]) << kSheets[page];
  }
}

}  // namespace
}  // namespace kl::e2e
