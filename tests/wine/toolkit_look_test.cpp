// How the Win32 toolkit's windows are found and look: names, geometry,
// fonts and pictures.
#include "toolkit_support.h"

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
  EXPECT_EQ("Edit", classOf(findControl(found, "spinClock")));  // on a hidden page too
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

}  // namespace
}  // namespace kl::ui
