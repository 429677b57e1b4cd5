// The Win32 toolkit's modal forms, message boxes, errors and timers, also
// over a long session of released forms.
#include <thread>

#include "toolkit_support.h"

namespace kl::ui {
namespace {

// Answers the next message box with OK from another thread (ours is inside
// MessageBoxA then), after reading its text.
class MessageBoxWatcher {
 public:
  MessageBoxWatcher() : thread_([this] { watch(); }) {}
  ~MessageBoxWatcher() {
    if (thread_.joinable()) thread_.join();
  }
  // The text of the box it answered; "" when none came within 5 s.
  std::string text() {
    if (thread_.joinable()) thread_.join();
    return text_;
  }

 private:
  void watch() {
    for (int tries = 0; tries < 500; ++tries, Sleep(10)) {
      HWND box = FindWindowA("#32770", kTitle);
      if (!box) continue;
      char text[256] = "";
      GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
      text_ = text;
      PostMessageA(box, WM_COMMAND, IDOK, 0);
      return;
    }
  }
  std::string text_;
  std::thread thread_;
};

// --- Modal forms, errors, timers -----------------------------------------------

class ModalTest : public ToolkitTest {
 protected:
  ModalTest() {
    dialog.setWindowClass("TDialogTest");
    dialog.setCaption("Dialog");
    dialog.setBorder(BorderStyle::Dialog, BorderIcons{true, false, false});
    dialog.setClientSize(200, 100);
    dialog.setCentred(true);
    ok.setBounds(20, 60, 75, 25);
    ok.setText("OK");
    ok.setModalResult(ModalResult::Ok);
    cancel.setBounds(105, 60, 75, 25);
    cancel.setText("Cancel");
    cancel.setModalResult(ModalResult::Cancel);
    dialog.setCancelButton(&cancel);
    dialog.setDefaultButton(&ok);
  }

  // Acts once the modal loop runs: `act` gets the dialog's window.
  void whenShown(std::function<void(HWND)> act) {
    actor.setInterval(50);
    actor.onTimer = [this, act] {
      actor.setEnabled(false);
      mainEnabledMeanwhile = IsWindowEnabled(formWindow());
      act(findForm("DialogForm"));
    };
    actor.setEnabled(true);
  }

  Form& dialog = app.createForm<Form>("DialogForm");
  Button& ok = dialog.add<Button>("buttonOk");
  Button& cancel = dialog.add<Button>("buttonCancel");
  Timer actor{app};
  bool mainEnabledMeanwhile = true;
};

TEST_F(ModalTest, ReturnsTheResultOfTheButtonClicked) {
  whenShown([](HWND window) { sendClick(centreOf(findControl(window, "buttonOk"))); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
}

TEST_F(ModalTest, EnterClicksTheDefaultButton) {
  whenShown([](HWND) { sendKeys({VK_RETURN}); });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
}

TEST_F(ModalTest, EscapeClicksTheCancelButtonAndCloseBoxCancels) {
  whenShown([](HWND) { sendKeys({VK_ESCAPE}); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  whenShown([](HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
}

TEST_F(ModalTest, DialogIsCentredWithItsClientSize) {
  whenShown([this](HWND window) {
    RECT r{}, client{};
    GetWindowRect(window, &r);
    GetClientRect(window, &client);
    EXPECT_EQ(200, client.right);
    EXPECT_EQ(100, client.bottom);
    EXPECT_NEAR(GetSystemMetrics(SM_CXSCREEN) / 2, (r.left + r.right) / 2, 1);
    EXPECT_TRUE(GetWindowLongPtrA(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    dialog.setModalResult(ModalResult::Ok);
  });
  EXPECT_EQ(ModalResult::Ok, dialog.showModal());
}

TEST_F(ModalTest, ClosingANestedDialogReactivatesTheOuterOne) {
  Form& inner = app.createForm<Form>("InnerForm");
  inner.setClientSize(120, 60);
  Timer closer(app);
  closer.setInterval(50);
  closer.onTimer = [&] {
    closer.setEnabled(false);
    inner.setModalResult(ModalResult::Ok);
  };
  HWND activeAfterInner = nullptr;
  whenShown([&](HWND) {
    closer.setEnabled(true);
    EXPECT_EQ(ModalResult::Ok, inner.showModal());
    activeAfterInner = GetActiveWindow();
    dialog.setModalResult(ModalResult::Ok);
  });
  dialog.showModal();
  EXPECT_EQ(windowOf(dialog), activeAfterInner);
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ToolkitTest, ErrorInOnClickIsShownInAMessageBoxAndTheProgramGoesOn) {
  vsync.onClick = [] { throw std::runtime_error("Boom"); };
  MessageBoxWatcher watcher;
  click(vsync);
  EXPECT_EQ("Boom", watcher.text());
  EXPECT_TRUE(vsync.checked());
  int clicks = 0;
  vsync.onClick = [&] { ++clicks; };
  click(vsync);
  EXPECT_EQ(1, clicks);
  EXPECT_FALSE(vsync.checked());
}

TEST_F(ToolkitTest, TimerElapsesUntilDisabled) {
  Timer timer(app);
  int ticks = 0;
  timer.onTimer = [&] { ++ticks; };
  timer.setInterval(20);
  timer.setEnabled(true);
  EXPECT_TRUE(pumpUntil([&] { return ticks >= 3; }));
  timer.setEnabled(false);
  const int stopped = ticks;
  pump(100);
  EXPECT_EQ(stopped, ticks);
}

TEST(FileDialogFilter, BarsBecomeNulsEndedByTwo) {
  using namespace std::string_literals;
  EXPECT_EQ("Profiles\0*.ini\0All\0*.*\0\0"s, fileDialogFilter("Profiles|*.ini|All|*.*"));
  EXPECT_EQ("", fileDialogFilter(""));
}

// --- A long session: released forms, failing timers, held forms -------------

// Answers every message box of ours that appears within `ms`, from another
// thread, by pressing Enter on it (the pointer moved onto it first: without
// a window manager the keyboard goes to the window under the pointer), and
// notes what it saw.
class BoxAnswerer {
 public:
  explicit BoxAnswerer(int ms, std::function<void(HWND)> whileUp = {})
      : whileUp_(std::move(whileUp)), thread_([this, ms] { watch(ms); }) {}
  ~BoxAnswerer() {
    if (thread_.joinable()) thread_.join();
  }
  int count() {
    if (thread_.joinable()) thread_.join();
    return count_;
  }
  std::string caption() {
    if (thread_.joinable()) thread_.join();
    return caption_;
  }

 private:
  static BOOL CALLBACK findBox(HWND hwnd, LPARAM l) {
    DWORD process = 0;
    GetWindowThreadProcessId(hwnd, &process);
    if (process != GetCurrentProcessId() || classOf(hwnd) != "#32770" || !IsWindowVisible(hwnd))
      return TRUE;
    *reinterpret_cast<HWND*>(l) = hwnd;
    return FALSE;
  }
  void watch(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    HWND last = nullptr;
    while (std::chrono::steady_clock::now() < end) {
      HWND box = nullptr;
      EnumWindows(&findBox, reinterpret_cast<LPARAM>(&box));
      if (!box || box == last) {
        Sleep(10);
        continue;
      }
      ++count_;
      last = box;
      char text[128] = "";
      GetWindowTextA(box, text, sizeof text);
      caption_ = text;
      Sleep(100);  // fully up
      if (whileUp_) whileUp_(box);
      SetCursorPos(centreOf(box).x, centreOf(box).y);
      sendKeys({VK_RETURN});
    }
  }
  std::function<void(HWND)> whileUp_;
  int count_ = 0;
  std::string caption_;
  std::thread thread_;
};

BOOL CALLBACK countChild(HWND, LPARAM l) {
  ++*reinterpret_cast<int*>(l);
  return TRUE;
}

BOOL CALLBACK countWindow(HWND hwnd, LPARAM l) {
  ++*reinterpret_cast<int*>(l);
  EnumChildWindows(hwnd, &countChild, l);
  return TRUE;
}

// Every window this thread owns, top-level or child.
int windowsOfThisThread() {
  int count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &countWindow, reinterpret_cast<LPARAM>(&count));
  return count;
}

// Like the program's progress dialog: windows, a picture, its own timer.
class TimedDialog : public Form {
 public:
  explicit TimedDialog(Application& app) : Form(app, "TimedDialog"), timer(app) {
    setClientSize(200, 100);
    auto& group = add<GroupBox>("groupTimed");
    group.setBounds(0, 0, 200, 60);
    group.add<ProgressBar>("progTimed").setBounds(8, 20, 180, 20);
    add<Image>("imageTimed").setPicture("NO_SUCH_BITMAP");
    auto& ok = add<Button>("buttonTimedOk");
    ok.setBounds(120, 70, 75, 25);
    ok.setHint("Closes it");
    ok.setShowHint(true);
    timer.setInterval(10);
    timer.onTimer = [this] { ++ticks; };
    timer.setEnabled(true);
  }
  Timer timer;
  int ticks = 0;
};

TEST_F(ToolkitTest, ReleasingFormsKeepsWindowsAndTimersFlat) {
  const int timersAtStart = backend.runningTimers();
  const auto useOnce = [&] {
    auto& dialog = app.createForm<TimedDialog>();
    dialog.show();
    pump(20);
    dialog.hide();
    return &dialog;
  };
  TimedDialog* previous = useOnce();
  EXPECT_LT(0, previous->ticks);
  const int windowsAfterFirst = windowsOfThisThread();
  EXPECT_EQ(timersAtStart + 1, backend.runningTimers());
  for (int i = 0; i < 100; ++i) {
    app.releaseForm(*previous);
    previous = useOnce();
  }
  EXPECT_EQ(windowsAfterFirst, windowsOfThisThread());
  EXPECT_EQ(timersAtStart + 1, backend.runningTimers());
  app.releaseForm(*previous);
  EXPECT_EQ(timersAtStart, backend.runningTimers());
  EXPECT_EQ(nullptr, findForm("TimedDialog"));
  EXPECT_EQ(0, GlobalFindAtomA("buttonTimedOk"));
}

// The dialog library is loaded only when the first file dialog is shown.
TEST_F(ToolkitTest, TheSaveDialogGivesTheNameTheUserAcceptsWithItsExtension) {
  char folder[MAX_PATH] = "";
  ASSERT_NE(0u, GetTempPathA(sizeof folder, folder));
  FileDialog save(app, FileDialogKind::Save);
  save.title = "Save the test profile";
  save.filter = "Profiles (*.ini)|*.ini";
  save.defaultExt = ".ini";
  save.initialDir = folder;
  save.fileName = "kl-dialog-test";
  BoxAnswerer answerer(3000);  // Enter: the name as it stands
  EXPECT_TRUE(save.execute());
  EXPECT_EQ(1, answerer.count());
  EXPECT_EQ("Save the test profile", answerer.caption());
  EXPECT_EQ("kl-dialog-test.ini", save.fileName.substr(save.fileName.find_last_of('\\') + 1));
}

TEST_F(ToolkitTest, AFailingTimerShowsOneMessageBox) {
  Timer timer(app);
  int ticks = 0;
  timer.setInterval(50);
  timer.onTimer = [&] {
    ++ticks;
    throw std::runtime_error("Tick failed");
  };
  timer.setEnabled(true);
  BoxAnswerer answerer(1500);
  pump(1700);
  EXPECT_EQ(1, answerer.count());
  EXPECT_EQ(1, ticks);
  EXPECT_FALSE(timer.enabled());
}

TEST_F(ToolkitTest, AnIntervalOfZeroNeverFires) {
  Timer timer(app);
  int ticks = 0;
  timer.onTimer = [&] { ++ticks; };
  timer.setInterval(0);
  timer.setEnabled(true);
  pump(200);
  EXPECT_EQ(0, ticks);
  EXPECT_EQ(0, backend.runningTimers());
}

TEST_F(ModalTest, EveryOtherFormIsHeldAlsoOneShownMeanwhile) {
  Form& help = app.createForm<Form>("HelpForm");
  help.setClientSize(100, 60);
  Form& visible = app.createForm<Form>("VisibleForm");
  visible.setClientSize(100, 60);
  visible.show();
  bool helpEnabled = true, visibleEnabled = true, mainClosed = false;
  whenShown([&](HWND window) {
    help.show();
    helpEnabled = IsWindowEnabled(windowOf(help));
    visibleEnabled = IsWindowEnabled(windowOf(visible));
    SendMessageA(formWindow(), WM_CLOSE, 0, 0);  // another program's polite request
    mainClosed = app.terminated();
    PostMessageA(window, WM_CLOSE, 0, 0);
  });
  dialog.showModal();
  EXPECT_FALSE(mainEnabledMeanwhile);
  EXPECT_FALSE(helpEnabled);
  EXPECT_FALSE(visibleEnabled);
  EXPECT_FALSE(mainClosed);
  EXPECT_TRUE(IsWindowEnabled(windowOf(help)));
  EXPECT_TRUE(IsWindowEnabled(windowOf(visible)));
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ToolkitTest, AMessageBoxHoldsEveryFormAndTheOwnerGetsItsFocusBack) {
  Form& other = app.createForm<Form>("OtherForm");
  other.setClientSize(100, 60);
  other.show();
  SetForegroundWindow(formWindow());
  pump();
  click(edit);
  bool otherEnabled = true;
  BoxAnswerer answerer(3000, [&](HWND) { otherEnabled = IsWindowEnabled(windowOf(other)); });
  app.messageBox("Held?", "", kMbOk);
  EXPECT_EQ(1, answerer.count());
  EXPECT_FALSE(otherEnabled);
  EXPECT_EQ("Error", answerer.caption());  // an empty caption is the system's own
  EXPECT_TRUE(IsWindowEnabled(windowOf(other)));
  EXPECT_EQ(windowOf(edit), GetFocus());
}

TEST_F(ModalTest, AShowingThatFailsLeavesNoFormHeld) {
  dialog.onShow = [] { throw std::runtime_error("Cannot show"); };
  EXPECT_THROW(dialog.showModal(), std::runtime_error);
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
  EXPECT_FALSE(dialog.isModal());
  EXPECT_TRUE(IsWindowEnabled(formWindow()));
}

TEST_F(ModalTest, TheProgramsEndEndsTheLoopWithoutOnClose) {
  int closes = 0;
  dialog.onClose = [&] { ++closes; };
  whenShown([this](HWND) { app.terminate(); });
  EXPECT_EQ(ModalResult::Cancel, dialog.showModal());
  EXPECT_EQ(0, closes);
  EXPECT_FALSE(IsWindowVisible(windowOf(dialog)));
}

TEST_F(ModalTest, TheDefaultButtonAnswersDmGetDefIdAndKeepsItsOutline) {
  Form& form = app.createForm<Form>("DefaultForm");
  form.setClientSize(300, 120);
  auto& group = form.add<GroupBox>("groupDefault");
  group.setBounds(0, 0, 300, 120);
  auto& choice = group.add<ComboBox>("comboDefault");
  choice.setBounds(8, 20, 120, 21);
  choice.setItems({"One", "Two"});
  auto& okButton = group.add<Button>("buttonDefaultOk");
  okButton.setBounds(8, 80, 75, 25);
  auto& other = group.add<Button>("buttonOther");
  other.setBounds(100, 80, 75, 25);
  form.setDefaultButton(&okButton);
  int okClicks = 0;
  okButton.onClick = [&] { ++okClicks; };
  form.show();
  SetForegroundWindow(windowOf(form));
  pump();
  const auto isDefault = [](const Control& c) {
    return (GetWindowLongPtrA(windowOf(c), GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
  };
  const LRESULT id = SendMessageA(windowOf(form), DM_GETDEFID, 0, 0);
  EXPECT_EQ(DC_HASDEFID, HIWORD(id));
  EXPECT_EQ(GetDlgCtrlID(windowOf(okButton)), LOWORD(id));
  click(choice);
  sendKeys({VK_ESCAPE});  // closes the list the click opened
  pump();
  EXPECT_TRUE(isDefault(okButton));
  click(other);
  EXPECT_TRUE(isDefault(other));
  EXPECT_FALSE(isDefault(okButton));
  click(choice);
  sendKeys({VK_ESCAPE});
  pump();
  EXPECT_TRUE(isDefault(okButton));
  EXPECT_FALSE(isDefault(other));
  keys({VK_RETURN});  // the dialog manager's Enter, with the focus on the list
  EXPECT_EQ(1, okClicks);
  SendMessageA(windowOf(form), DM_SETDEFID, GetDlgCtrlID(windowOf(other)), 0);
  EXPECT_EQ(&other, form.defaultButton());
  EXPECT_TRUE(isDefault(other));
}

TEST_F(ToolkitTest, ShowingAFormThatIsUpBringsItToTheFront) {
  Form& other = app.createForm<Form>("OtherForm");
  other.setClientSize(100, 60);
  other.show();
  SetForegroundWindow(windowOf(other));
  pump();
  ASSERT_EQ(windowOf(other), GetForegroundWindow());
  form.show();
  pump();
  EXPECT_EQ(formWindow(), GetForegroundWindow());
  EXPECT_EQ(formWindow(), GetActiveWindow());
}

TEST_F(ToolkitTest, AnUnansweredYesNoBoxAnswersWithItsDefaultButton) {
  BoxAnswerer yes(3000);
  EXPECT_EQ(kIdYes, app.messageBox("Remove?", kTitle, kMbYesNo | kMbIconWarning));
  EXPECT_EQ(1, yes.count());
  BoxAnswerer no(3000);
  EXPECT_EQ(kIdNo, app.messageBox("Remove?", kTitle, kMbYesNo | kMbDefButton2));
  EXPECT_EQ(1, no.count());
}

}  // namespace
}  // namespace kl::ui
