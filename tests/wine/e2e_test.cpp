// End-to-end: starts the real Kestrelune.exe beside this program in the
// seeded prefix, finds its controls by their names and acts with real input.
// Screenshots of the ten pages go to the folder named by KL_SCREENSHOTS.
#include "e2e_support.h"

namespace kl::e2e {
namespace {

const auto* const kRestoreAtExit = ::testing::AddGlobalTestEnvironment(new RestoreAtExit);

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
    EXPECT_EQ("No", programText("FirstRun"));
    const char* folder = std::getenv("KL_SCREENSHOTS");
    if (folder && std::string(version) == "winxp") {
      for (int page = 0; page < 10; ++page) {
        program.clickTab(tabs, page);
        ASSERT_EQ(page, SendMessageA(tabs, TCM_GETCURSEL, 0, 0));
        settle(main);  // the page painted in full, rows and readouts included
        screenshot(main, std::string(folder) + "\\page-" + std::to_string(page) + ".bmp");
      }
    }
    const LRESULT page = SendMessageA(tabs, TCM_GETCURSEL, 0, 0);
    ctrlKey(VK_TAB);  // the next page, as in property sheets
    EXPECT_TRUE(waitFor([&] { return SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == (page + 1) % 10; }))
        << version;
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
  const std::string texts = childTexts(box);
  EXPECT_NE(std::string::npos, texts.find("Sorry this tweaker only works on Windows 2000/XP for now"));
  key(VK_RETURN);
  EXPECT_TRUE(program.ended());
  EXPECT_EQ("Yes", programText("FirstRun"));
}

TEST_F(EndToEnd, MousePressMarksModifiedSpaceBarDoesNotAndCancelWritesNothing) {
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  HWND tabs = findControl(main, "TabPages");
  program.clickTab(tabs, 1);
  HWND vsync = findControl(main, "checkVSync");
  ASSERT_NE(nullptr, vsync);
  const auto focused = [&] { return focusedControl(main); };
  key(VK_TAB);  // from the tabs to the first control of the page
  ASSERT_TRUE(waitFor([&] { return focused() == vsync; })) << nameOf(focused());
  const LRESULT loaded = SendMessageA(vsync, BM_GETCHECK, 0, 0);
  EXPECT_EQ(BST_INDETERMINATE, loaded);  // "VSync" is not set in the seeded driver key
  key(VK_SPACE);
  EXPECT_TRUE(waitFor([&] { return SendMessageA(vsync, BM_GETCHECK, 0, 0) == BST_CHECKED; }));
  EXPECT_EQ("Kestrelune", textOf(main));
  const auto state = [] {
    return snapshot(HKEY_CURRENT_USER, "Software\\Kestrelune") +
           snapshot(HKEY_LOCAL_MACHINE, driverKey()) +
           snapshot(HKEY_LOCAL_MACHINE, "SOFTWARE\\ATI Technologies");
  };
  const std::string before = state();
  click(vsync);
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  // The press marks the form, the release toggles: wait for the release too.
  EXPECT_TRUE(waitFor([&] { return SendMessageA(vsync, BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
  click(findControl(main, "buttonCANCEL"));
  EXPECT_TRUE(program.ended());
  EXPECT_EQ(before, state());
}

TEST_F(EndToEnd, ApplyShowsTheProgressDialogAndClearsTheMarker) {
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  program.clickTab(findControl(main, "TabPages"), 1);
  click(findControl(main, "checkEnableTruForm"), true);  // a right press marks too
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  click(findControl(main, "buttonApply"));
  HWND progress = program.waitWindow("Saving Configuration...");
  ASSERT_NE(nullptr, progress);
  HWND ok = findControl(progress, "butOk");
  EXPECT_TRUE(waitFor([&] { return IsWindowEnabled(ok) != FALSE; }, 10000ms));
  click(ok);
  finishApply(program, main);
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
}


TEST_F(EndToEnd, DriverValuesShowOnThePages) {
  const std::string base = driverKey();
  setText(HKEY_LOCAL_MACHINE, base, "DisableHyperZ", "0");
  setText(HKEY_LOCAL_MACHINE, base, "VSync", "2");
  setText(HKEY_LOCAL_MACHINE, base, "ZFormats", "7");
  setRaw(HKEY_LOCAL_MACHINE, base + "\\OpenGL", "OGLLODBias", REG_DWORD, {12, 0, 0, 0});
  setRaw(HKEY_LOCAL_MACHINE, driverTabKey(), "Rotation", REG_BINARY, {1, 7});
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  HWND tabs = findControl(main, "TabPages");
  for (int page = 1; page < 10; ++page) program.clickTab(tabs, page);  // each made when shown
  EXPECT_EQ(BST_CHECKED, SendMessageA(findControl(main, "checkHyperZ"), BM_GETCHECK, 0, 0));
  EXPECT_EQ(BST_UNCHECKED, SendMessageA(findControl(main, "checkVSync"), BM_GETCHECK, 0, 0));
  EXPECT_EQ(1, SendMessageA(findControl(main, "comboZBuff"), CB_GETCURSEL, 0, 0));
  EXPECT_EQ(BST_CHECKED, SendMessageA(findControl(main, "check8Stencil"), BM_GETCHECK, 0, 0));
  EXPECT_EQ(8, SendMessageA(findControl(main, "trackLOD"), TBM_GETPOS, 0, 0));
  EXPECT_EQ("8", textOf(findControl(main, "labelLODC")));
  EXPECT_EQ(BST_CHECKED, SendMessageA(findControl(main, "checkRotation"), BM_GETCHECK, 0, 0));
  EXPECT_EQ("Kestrelune", textOf(main));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
}

TEST_F(EndToEnd, ClickAndApplyWriteTheRealRegistry) {
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);
  program.clickTab(findControl(main, "TabPages"), 1);
  click(findControl(main, "checkVSync"));  // not set (grayed) -> checked
  EXPECT_TRUE(waitFor([&] { return textOf(main) == "Kestrelune *"; }));
  EXPECT_EQ("(absent)", valueOf(HKEY_LOCAL_MACHINE, driverKey(), "VSync"));
  click(findControl(main, "buttonApply"));
  confirmProgress(program, main);
  EXPECT_EQ(textValue("1"), valueOf(HKEY_LOCAL_MACHINE, driverKey(), "VSync"));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
}

TEST_F(EndToEnd, ProfilesSaveThroughTheRealDialogsAndOpenAppliesThem) {
  const std::string folder = kProfiles;
  DeleteFileA((folder + "e2e.kpf").c_str());
  setText(HKEY_LOCAL_MACHINE, driverKey(), "VSync", "1");
  Kestrelune program(windowsOfRun());
  HWND main = program.waitWindow("Kestrelune");
  ASSERT_NE(nullptr, main);

  ctrlKey('S');
  ASSERT_NE(nullptr, program.waitWindow("Save Profile"));
  typeText(folder + "e2e");
  key(VK_RETURN);
  // Reading the file while the program writes it could refuse its writes: wait
  // until the dialog has gone and the command has returned.
  ASSERT_TRUE(waitFor([&] { return program.window("Save Profile") == nullptr; }));
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
  const std::string saved = readFile(folder + "e2e.kpf");
  std::size_t at = 0;
  for (const char* section : {"[DirectX]", "[DirectX Advanced]", "[OpenGL]", "[OpenGL Private]",
                              "[DVD]", "[GUI]", "[DriverTabs]"}) {
    const auto found = saved.find(section, at);
    ASSERT_NE(std::string::npos, found) << section;
    at = found;
  }
  EXPECT_NE(std::string::npos, saved.find("VSync=1"));

  // The profile, edited, goes back to the registry when opened.
  std::string edited = saved;
  edited.replace(edited.find("VSync=1"), 7, "VSync=0");
  HANDLE out = CreateFileA((folder + "e2e.kpf").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(out, edited.data(), static_cast<DWORD>(edited.size()), &written, nullptr);
  CloseHandle(out);
  ctrlKey('O');
  ASSERT_NE(nullptr, program.waitWindow("Load Profile"));
  typeText(folder + "e2e.kpf");
  key(VK_RETURN);
  confirmProgress(program, main);
  EXPECT_EQ(textValue("0"), valueOf(HKEY_LOCAL_MACHINE, driverKey(), "VSync"));

  // A file that does not exist is refused with a message.
  const std::string before = snapshot(HKEY_LOCAL_MACHINE, driverKey());
  ctrlKey('O');
  ASSERT_NE(nullptr, program.waitWindow("Load Profile"));
  typeText(folder + "absent.kpf");
  key(VK_RETURN);
  HWND message = nullptr;
  ASSERT_TRUE(waitFor([&] { return (message = program.window("Kestrelune", main)) != nullptr; }));
  const std::string texts = childTexts(message);
  EXPECT_NE(std::string::npos, texts.find("The profile " + folder + "absent.kpf does not exist."));
  key(VK_RETURN);
  ASSERT_TRUE(waitFor([&] { return !IsWindow(message); }));
  // A handler that went on after the message would show the progress dialog
  // before the main window answers again.
  SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 5000, nullptr);
  EXPECT_EQ(nullptr, program.window("Saving Configuration..."));
  EXPECT_EQ(before, snapshot(HKEY_LOCAL_MACHINE, driverKey()));
  PostMessageA(main, WM_CLOSE, 0, 0);
  EXPECT_TRUE(program.ended());
}

}  // namespace
}  // namespace kl::e2e
