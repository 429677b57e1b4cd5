// How the Win32 toolkit's windows are found and look: names, geometry,
// fonts and pictures.
#include <utility>

#include "toolkit_support.h"
#include "ui/layout.h"

namespace kl::ui {
namespace {

// --- Names, geometry --------------------------------------------------------

TEST_F(ToolkitTest, NamePropertyFindsFormsAndControls) {
  const HWND found = findForm("TestForm");
  ASSERT_EQ(formWindow(), found);
  EXPECT_EQ("TKestreluneTest", classOf(found));
  EXPECT_EQ(windowOf(vsync), findControl(found, "checkVSync"));
  EXPECT_EQ("Button", classOf(findControl(found, "checkVSync")));
  EXPECT_EQ("ComboBox", classOf(findControl(found, "comboMode")));
  EXPECT_EQ("msctls_trackbar32", classOf(findControl(found, "trackCore")));
  EXPECT_EQ(nullptr, findControl(found, "spinClock"));  // its page not shown yet: no window
  pages.setPageIndex(1);
  pages.setPageIndex(0);
  EXPECT_EQ("Edit", classOf(findControl(found, "spinClock")));  // on a hidden page too, once made
  EXPECT_EQ("SysTabControl32", classOf(findControl(found, "pages")));
  EXPECT_NE(nullptr, findControl(found, "imageLogo"));
}

TEST(ToolkitNames, GoAwayWithTheirWindows) {
  Win32Backend backend(GetModuleHandleA(nullptr));
  {
    Application app(backend);
    Form& form = app.createForm<Form>("EphemeralForm");
    form.add<Button>("buttonEphemeralProbe").setBounds(0, 0, 50, 20);
    form.show();
    EXPECT_NE(0, GlobalFindAtomA("buttonEphemeralProbe"));
  }
  EXPECT_EQ(0, GlobalFindAtomA("buttonEphemeralProbe"));
  EXPECT_EQ(nullptr, findForm("EphemeralForm"));
}

TEST_F(ToolkitTest, ClientAreaIsTheFormsClientSizeBelowTheMenu) {
  RECT client{};
  GetClientRect(formWindow(), &client);
  EXPECT_EQ(420, client.right);
  EXPECT_EQ(330, client.bottom);
  ASSERT_NE(nullptr, GetMenu(formWindow()));
  const LONG_PTR style = GetWindowLongPtrA(formWindow(), GWL_STYLE);
  EXPECT_FALSE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  form.setAlphaBlend(true, 200);
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(formWindow(), nullptr, &alpha, &flags));
  EXPECT_EQ(200, alpha);
  EXPECT_EQ(DWORD{LWA_ALPHA}, flags);
}

LOGFONTA fontOf(HWND hwnd) {
  LOGFONTA font{};
  GetObjectA(reinterpret_cast<HFONT>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), sizeof font, &font);
  return font;
}

TEST_F(ToolkitTest, ControlsUseTheDialogFontBoldWhenAsked) {
  EXPECT_STREQ("MS Sans Serif", fontOf(windowOf(combo)).lfFaceName);
  EXPECT_EQ(FW_NORMAL, fontOf(windowOf(vsync)).lfWeight);
  vsync.setBold(true);
  EXPECT_EQ(FW_BOLD, fontOf(windowOf(vsync)).lfWeight);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(-MulDiv(8, GetDeviceCaps(screen, LOGPIXELSY), 72), fontOf(windowOf(combo)).lfHeight);
  ReleaseDC(nullptr, screen);
}

TEST_F(ToolkitTest, MissingPictureShowsNothingAndRaisesNoError) {
  EXPECT_EQ(0, SendMessageA(windowOf(image), STM_GETIMAGE, IMAGE_BITMAP, 0));
  browser.navigate("about:blank");  // with or without a browser on this system
  pump();
  EXPECT_NE(nullptr, findControl(formWindow(), "browserHelp"));
  EXPECT_EQ(nullptr, FindWindowA("#32770", kTitle));
}

// The client area of a window drawn into a bitmap of ours, to read its pixels.
class Snapshot {
 public:
  explicit Snapshot(HWND window) {
    GetClientRect(window, &area_);
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bitmap_ = CreateCompatibleBitmap(screen, area_.right, area_.bottom);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bitmap_);
    SendMessageA(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc_),
                 PRF_CLIENT | PRF_ERASEBKGND);
  }
  ~Snapshot() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  Snapshot(const Snapshot&) = delete;
  Snapshot& operator=(const Snapshot&) = delete;
  int width() const { return area_.right; }
  int height() const { return area_.bottom; }
  COLORREF at(int x, int y) const { return GetPixel(dc_, x, y); }
  // The leftmost and rightmost columns holding the colour; -1 for none.
  std::pair<int, int> columnsOf(COLORREF colour) const {
    int first = -1, last = -1;
    for (int x = 0; x < width(); ++x)
      for (int y = 0; y < height(); ++y)
        if (at(x, y) == colour) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return {first, last};
  }

 private:
  RECT area_{};
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
};

TEST_F(ToolkitTest, ALinkLabelIsBlueAndUnderlinedWithTheHandOverIt) {
  Label& link = form.add<Label>("labelLink");
  link.setBounds(230, 256, 150, 13);
  link.setText("http://kestrelune.example.org/");
  link.setLink(true);
  int clicks = 0;
  link.onClick = [&] { ++clicks; };
  pages.setPageIndex(1);  // the plain label's page, so that its window is made
  pump();
  ASSERT_NE(nullptr, windowOf(label));
  EXPECT_TRUE(fontOf(windowOf(link)).lfUnderline);
  EXPECT_FALSE(fontOf(windowOf(label)).lfUnderline);
  {
    Snapshot shot(windowOf(link));
    EXPECT_LE(0, shot.columnsOf(RGB(0, 0, 255)).first);
    EXPECT_EQ(-1, shot.columnsOf(GetSysColor(COLOR_BTNTEXT)).first);
  }
  const POINT over = centreOf(windowOf(link));
  SetCursorPos(over.x + 1, over.y);
  pump(50);
  SetCursorPos(over.x, over.y);
  pump(50);
  EXPECT_EQ(LoadCursor(nullptr, IDC_HAND), GetCursor());
  click(link);
  EXPECT_EQ(1, clicks);
  link.setLink(false);
  EXPECT_FALSE(fontOf(windowOf(link)).lfUnderline);
  Snapshot plain(windowOf(link));
  EXPECT_EQ(-1, plain.columnsOf(RGB(0, 0, 255)).first);
}

// The glyph (a red cross on a sheet, its bottom-left pixel magenta) stands
// right of the caption, on the button face where it is transparent.
TEST_F(ToolkitTest, ASpeedButtonsGlyphStandsRightOfItsCaption) {
  SpeedButton& clear = form.add<SpeedButton>("speedClear");
  clear.setBounds(230, 272, 165, 25);
  clear.setText("Clear driver from registry");
  clear.setPicture("CLEARREG");
  int clicks = 0;
  clear.onClick = [&] { ++clicks; };
  pump();
  EXPECT_EQ(BS_OWNERDRAW, GetWindowLongPtrA(windowOf(clear), GWL_STYLE) & BS_TYPEMASK);
  {
    Snapshot shot(windowOf(clear));
    const auto text = shot.columnsOf(GetSysColor(COLOR_BTNTEXT));
    const auto cross = shot.columnsOf(RGB(224, 0, 0));
    ASSERT_LE(0, text.first);
    ASSERT_LE(0, cross.first);
    EXPECT_LT(text.second, cross.first);
    EXPECT_EQ(-1, shot.columnsOf(RGB(255, 0, 255)).first);
    EXPECT_NEAR(shot.width() - cross.second, text.first, 4);  // centred together
  }
  click(clear);
  EXPECT_EQ(1, clicks);
  EXPECT_NE(windowOf(clear), GetFocus());
  clear.setEnabled(false);  // grayed: no colour left in the glyph
  Snapshot grayed(windowOf(clear));
  EXPECT_EQ(-1, grayed.columnsOf(RGB(224, 0, 0)).first);
  clear.setPicture("");
  EXPECT_EQ(BS_PUSHBUTTON, GetWindowLongPtrA(windowOf(clear), GWL_STYLE) & BS_TYPEMASK);
}

// The bar reads its style when it paints (blocks or one smooth bar, where
// no theme draws it); set before or after the window exists.
TEST_F(ToolkitTest, AProgressBarIsSmoothWhenAsked) {
  const auto smooth = [](const Control& bar) {
    return (GetWindowLongPtrA(windowOf(bar), GWL_STYLE) & PBS_SMOOTH) != 0;
  };
  EXPECT_FALSE(smooth(progress));
  progress.setSmooth(true);
  EXPECT_TRUE(smooth(progress));
  progress.setSmooth(false);
  EXPECT_FALSE(smooth(progress));
  Form& other = app.createForm<Form>("SmoothForm");
  other.setClientSize(200, 40);
  auto& bar = place<ProgressBar>(other, "progressSmooth", "", {8, 8, 180, 20});
  bar.setSmooth(true);
  other.show();
  pump();
  EXPECT_TRUE(smooth(bar));
}

// Resized from outside (as a window manager does for the user's drag, or by
// maximising), a sizeable form takes its new client size where it stands;
// the anchored controls follow and keep the size between showings.
TEST_F(ToolkitTest, AnchoredControlsFollowTheWindowsNewSize) {
  Form& sized = app.createForm<Form>("SizedForm");
  sized.setBorder(BorderStyle::Sizeable, BorderIcons{});
  sized.setClientSize(300, 200);
  auto& inner = place<PageControl>(sized, "pagesSized", "", {8, 8, 284, 150});
  inner.setAnchors({true, true, true, true});
  inner.add<TabSheet>("sheetSized").setText("Only");
  auto& ok = place<Button>(sized, "buttonSized", "OK", {217, 167, 75, 25});
  ok.setAnchors({false, false, true, true});
  int resized = 0;
  inner.onResize = [&] { ++resized; };
  sized.show();
  pump();
  const HWND window = windowOf(sized);
  RECT before{};
  GetWindowRect(window, &before);
  SetWindowPos(window, nullptr, 0, 0, before.right - before.left + 100,
               before.bottom - before.top + 50, SWP_NOMOVE | SWP_NOZORDER);
  pump();
  EXPECT_EQ(400, sized.clientWidth());
  EXPECT_EQ(250, sized.clientHeight());
  RECT pagesRect{}, okRect{}, after{};
  GetWindowRect(windowOf(inner), &pagesRect);
  GetWindowRect(windowOf(ok), &okRect);
  GetWindowRect(window, &after);
  EXPECT_EQ(384, pagesRect.right - pagesRect.left);
  EXPECT_EQ(200, pagesRect.bottom - pagesRect.top);
  POINT okAt{okRect.left, okRect.top};
  ScreenToClient(window, &okAt);
  EXPECT_EQ(317, okAt.x);
  EXPECT_EQ(217, okAt.y);
  EXPECT_EQ(before.left, after.left);  // where the user left it
  EXPECT_EQ(1, resized);
  ShowWindow(window, SW_MAXIMIZE);
  pump();
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, sized.clientWidth());
  EXPECT_EQ(client.right - 16, inner.bounds().width);
  ShowWindow(window, SW_RESTORE);
  pump();
  EXPECT_EQ(400, sized.clientWidth());
  EXPECT_EQ(3, resized);
  sized.hide();
  sized.show();
  pump();
  GetClientRect(window, &client);
  EXPECT_EQ(400, client.right);
  EXPECT_EQ(250, client.bottom);
}

}  // namespace
}  // namespace kl::ui
