// Every label of the program's windows shows its whole text. The program's
// own windows are built here in-process, as Kestrelune.exe builds them (the
// real platform in the seeded prefix and the Win32 toolkit), and each
// label's text is measured with the font its window really got, laid out as
// its static control lays it out (word-wrapped at its width), against the
// label's client area: the ten pages of the main window and the dialogs.
#include "e2e_support.h"

#include <set>

#include "app/AboutForm.h"
#include "app/AttForm.h"
#include "app/Confirm.h"
#include "app/HelpForm.h"
#include "app/MainProg.h"
#include "app/Program.h"
#include "modes/CusResForm.h"
#include "settings/Options.h"
#include "platform/win32/win32_platform.h"
#include "ui/controls.h"
#include "ui/win32/win32_backend.h"

namespace kl::e2e {
namespace {

const auto* const kRestoreAtExit = ::testing::AddGlobalTestEnvironment(new RestoreAtExit);

// The face of the font a window draws in.
std::string faceOf(HDC dc) {
  char face[LF_FACESIZE] = {};
  GetTextFaceA(dc, sizeof face, face);
  return face;
}

// One line per label of `control` and below whose text does not fit, and
// the faces of the fonts the labels got.
void measureLabels(const ui::Control& control, const std::string& form,
                   std::vector<std::string>* cut, std::set<std::string>* faces) {
  auto* window = static_cast<HWND>(ui::Win32Backend::windowOf(control));
  if (dynamic_cast<const ui::Label*>(&control) && window) {
    const std::string text = textOf(window);
    if (!text.empty()) {
      RECT client;
      GetClientRect(window, &client);
      HDC dc = GetDC(window);
      const HGDIOBJ old =
          SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)));
      // SS_LEFT lays its text out as DrawText does with these flags.
      RECT need{0, 0, client.right, 0};
      DrawTextA(dc, text.c_str(), -1, &need,
                DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS);
      const std::string face = faceOf(dc);
      faces->insert(face);
      SelectObject(dc, old);
      ReleaseDC(window, dc);
      if (need.right > client.right || need.bottom > client.bottom)
        cut->push_back(form + "." + control.name() + " \"" + text + "\" in " + face + ": needs " +
                       std::to_string(need.right) + "x" + std::to_string(need.bottom) +
                       ", has " + std::to_string(client.right) + "x" +
                       std::to_string(client.bottom));
    }
  }
  for (const ui::Control* child : control.children()) measureLabels(*child, form, cut, faces);
}

class LabelFit : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    setWindowsVersion("winxp");
    SeededMachine::get().restore();
    state_ = new State;
    state_->program.createWindows();
  }
  static void TearDownTestSuite() {
    delete state_;
    state_ = nullptr;
  }

  struct State {
    platform::Win32Platform services;
    platform::Platform platform = services.view();
    ui::Win32Backend backend{GetModuleHandleA(nullptr)};
    app::Program program{platform, backend};
  };
  static app::Windows& windows() { return state_->program.windows(); }
  static void settle() {
    for (int i = 0; i < 5; ++i) {
      state_->backend.processMessages();
      std::this_thread::sleep_for(20ms);
    }
  }
  // The labels of a shown form that do not fit, and that they got Windows'
  // dialog font ("MS Sans Serif", Marlett's and Tahoma's package).
  static void expectLabelsFit(const ui::Form& form) {
    std::vector<std::string> cut;
    std::set<std::string> faces;
    measureLabels(form, form.name(), &cut, &faces);
    std::string all;
    for (const std::string& line : cut) all += "\n  " + line;
    EXPECT_TRUE(cut.empty()) << cut.size() << " label(s) of " << form.name() << " cut:" << all;
    if (!faces.empty()) {
      EXPECT_EQ(std::set<std::string>{"MS Sans Serif"}, faces) << form.name();
    }
  }

  static State* state_;
};
LabelFit::State* LabelFit::state_ = nullptr;

TEST_F(LabelFit, EveryPageOfTheMainWindow) {
  app::TMainForm& main = *windows().MainForm;
  main.show();
  settle();
  // Each page, so that its windows exist and show what they show on it.
  for (int page = 0; page < 10; ++page) {
    main.TabPages->setPageIndex(page);
    settle();
    ASSERT_EQ(page, main.TabPages->pageIndex());
  }
  expectLabelsFit(main);
}

TEST_F(LabelFit, EveryDialog) {
  app::Windows& w = windows();
  for (ui::Form* form : std::initializer_list<ui::Form*>{
           w.formAtt, w.formAbout, w.Confirmation, w.formCusRes, w.formOptions,
           w.formRestartRR, w.formRestartApplyRR, w.formHelp}) {
    form->show();
    settle();
    expectLabelsFit(*form);
    form->hide();
    settle();
  }
}

}  // namespace
}  // namespace kl::e2e
