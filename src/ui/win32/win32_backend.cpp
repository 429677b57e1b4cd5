#include "ui/win32/win32_backend.h"

#include <windows.h>
// The shell's declarations need <windows.h> first.
#include <shellapi.h>

#include <map>
#include <stdexcept>

#include "ui/win32/win32_context.h"
#include "ui/win32/win32_dialogs.h"
#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

constexpr const char* kMessageWindowClass = "KesMessageWindow";

template <class P>
std::unique_ptr<Peer> windowPeer(Win32Context& context, Control& control) {
  auto peer = std::make_unique<P>(context, control);
  peer->open();
  return peer;
}

template <class P>
std::unique_ptr<Peer> menuPeer(Win32Context& context, Control& control) {
  return std::make_unique<P>(context, control);
}

std::unique_ptr<Peer> menuItemPeer(Win32Context&, Control& control) {
  return std::make_unique<MenuItemPeer>(control);
}

struct PeerKind {
  const char* kind;
  std::unique_ptr<Peer> (*create)(Win32Context&, Control&);
};

const PeerKind kPeerKinds[] = {
    {"Form", &windowPeer<FormPeer>},
    {"GroupBox", &windowPeer<ContainerPeer>},
    {"TabSheet", &windowPeer<TabSheetPeer>},
    {"PageControl", &windowPeer<PageControlPeer>},
    {"HtmlBrowser", &windowPeer<HtmlBrowserPeer>},
    {"Label", &windowPeer<StaticPeer>},
    {"Bevel", &windowPeer<StaticPeer>},
    {"Image", &windowPeer<ImagePeer>},
    {"Button", &windowPeer<ButtonPeer>},
    {"CheckBox", &windowPeer<ButtonPeer>},
    {"SpeedButton", &windowPeer<SpeedButtonPeer>},
    {"ComboBox", &windowPeer<ComboBoxPeer>},
    {"TrackBar", &windowPeer<TrackBarPeer>},
    {"SpinEdit", &windowPeer<SpinEditPeer>},
    {"Edit", &windowPeer<EditPeer>},
    {"CheckListBox", &windowPeer<CheckListBoxPeer>},
    {"ProgressBar", &windowPeer<ProgressBarPeer>},
    {"StatusBar", &windowPeer<StatusBarPeer>},
    {"TrayIcon", &windowPeer<TrayIconPeer>},
    {"MainMenu", &menuPeer<MainMenuPeer>},
    {"PopupMenu", &menuPeer<PopupMenuPeer>},
    {"MenuItem", &menuItemPeer},
};

// Ctrl+letter (not AltGr, which Windows reports as Ctrl+Alt) or F1..F12.
bool isShortcutKey(const MSG& msg) {
  if (msg.message != WM_KEYDOWN) return false;
  const auto key = static_cast<unsigned>(msg.wParam);
  if (key >= VK_F1 && key <= VK_F12) return true;
  const bool ctrl = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
  return ctrl && !alt && key >= 'A' && key <= 'Z';
}

}  // namespace

std::unique_ptr<Peer> createWin32Peer(Win32Context& context, Control& control) {
  const std::string kind = control.kind();
  for (const PeerKind& entry : kPeerKinds)
    if (kind == entry.kind) return entry.create(context, control);
  return nullptr;
}

// The hidden message window that owns the timers, and the dispatch shared by
// the message loop, the modal loop and processMessages.
struct Win32Backend::Impl {
  explicit Impl(Win32Context& c);
  ~Impl();
  void dispatch(MSG& msg);
  bool shortcut(const MSG& msg);
  static bool isPageKey(const MSG& msg);
  bool cyclePage();
  HWND ownerWindow() const;
  HWND dialogOwner() const;
  void timerElapsed(UINT_PTR id);
  static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);

  Win32Context& context;
  HWND window = nullptr;
  std::map<Timer*, UINT_PTR> timers;
  UINT_PTR nextTimerId = 1;
};

Win32Backend::Impl::Impl(Win32Context& c) : context(c) {
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = &windowProc;
  wc.hInstance = context.instance();
  wc.lpszClassName = kMessageWindowClass;
  if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
    throw std::runtime_error("Cannot register the window class of the message window");
  window = CreateWindowExA(0, kMessageWindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           context.instance(), nullptr);
  if (!window) throw std::runtime_error("Cannot create the message window");
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32Backend::Impl::~Impl() {
  DestroyWindow(window);
  UnregisterClassA(kMessageWindowClass, context.instance());
}

// A window-procedure boundary like the peers': no exception goes back
// into Windows.
LRESULT CALLBACK Win32Backend::Impl::windowProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l) {
  auto* impl = reinterpret_cast<Impl*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (msg != WM_TIMER || !impl) return DefWindowProcA(hwnd, msg, w, l);
  Application* app = impl->context.application();
  try {
    impl->timerElapsed(w);
  } catch (const std::exception& e) {
    if (app) app->handleException(e);
  } catch (...) {
    if (app) app->handleException(std::runtime_error("Unknown error"));
  }
  return 0;
}

// Timer::elapsed hands an error in OnTimer to the application itself. A
// tick of a timer the toolkit no longer runs (one already posted when the
// timer stopped) is ignored.
void Win32Backend::Impl::timerElapsed(UINT_PTR id) {
  for (const auto& [timer, timerId] : timers)
    if (timerId == id) return timer->elapsed();
}

// The tooltips hear of the mouse first; then menu shortcuts, the dialog manager of the active form
// (Tab, Enter, Escape, mnemonics), then the window the message is for.
void Win32Backend::Impl::dispatch(MSG& msg) {
  if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.hwnd)
    if (FormPeer* form = context.formOf(GetAncestor(msg.hwnd, GA_ROOT))) form->relayToTooltip(msg);
  if (isShortcutKey(msg) && shortcut(msg)) return;
  if (isPageKey(msg) && cyclePage()) return;
  if (FormPeer* form = context.activeForm())
    if (IsDialogMessageA(form->hwnd(), &msg)) return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

// Ctrl+Tab and Ctrl+Shift+Tab switch pages, as in property sheets.
bool Win32Backend::Impl::isPageKey(const MSG& msg) {
  return msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && GetKeyState(VK_CONTROL) < 0;
}

bool Win32Backend::Impl::cyclePage() {
  FormPeer* form = context.activeForm();
  return form && form->form().userCyclePage(GetKeyState(VK_SHIFT) < 0);
}

bool Win32Backend::Impl::shortcut(const MSG& msg) {
  FormPeer* form = context.activeForm();
  return form &&
         form->form().userShortcut(static_cast<unsigned>(msg.wParam), GetKeyState(VK_CONTROL) < 0);
}

// The active form, else the main form when it is showing, else none.
HWND Win32Backend::Impl::ownerWindow() const {
  if (FormPeer* form = context.activeForm()) return form->hwnd();
  Application* app = context.application();
  Form* main = app ? app->mainForm() : nullptr;
  WindowPeer* mainPeer = WindowPeer::fromControl(main);
  return mainPeer && IsWindowVisible(mainPeer->hwnd()) ? mainPeer->hwnd() : nullptr;
}

// The application has disabled every form while the dialog runs; the
// owner is enabled again for the dialog, which disables it itself and
// enables it before it goes, so that Windows activates the owner again.
HWND Win32Backend::Impl::dialogOwner() const {
  HWND owner = ownerWindow();
  FormPeer* form = context.formOf(owner);
  if (form && form->form().enabled()) EnableWindow(owner, TRUE);
  return owner;
}

Win32Backend::Win32Backend(void* instance)
    : context_(std::make_unique<Win32Context>(static_cast<HINSTANCE>(instance))),
      impl_(std::make_unique<Impl>(*context_)) {}

Win32Backend::~Win32Backend() = default;

std::unique_ptr<Peer> Win32Backend::createPeer(Control& control) {
  context_->setApplication(control.application());
  if (auto peer = createWin32Peer(*context_, control)) return peer;
  throw std::invalid_argument(std::string("No window for a control of kind ") + control.kind());
}

void Win32Backend::runMessageLoop(Application& app) {
  MSG msg;
  while (!app.terminated() && GetMessageA(&msg, nullptr, 0, 0) > 0) impl_->dispatch(msg);
}

// The other forms are held by the application (their windows disabled).
void Win32Backend::runModalLoop(Form& form) {
  auto* peer = dynamic_cast<FormPeer*>(form.peer());
  HWND previous = peer ? peer->activeBeforeModal() : nullptr;
  MSG msg;
  while (form.modalResult() == ModalResult::None && form.isShowing() && !form.app().terminated()) {
    if (GetMessageA(&msg, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
      break;
    }
    impl_->dispatch(msg);
  }
  if (previous && IsWindow(previous) && IsWindowVisible(previous)) SetActiveWindow(previous);
}

int Win32Backend::messageBox(const std::string& text, const std::string& caption, unsigned flags) {
  HWND owner = impl_->dialogOwner();
  // Without an owner, MB_TASKMODAL still keeps the user out of our windows.
  return MessageBoxA(owner, text.c_str(), caption.empty() ? nullptr : caption.c_str(),
                     flags | (owner ? 0 : MB_TASKMODAL));
}

bool Win32Backend::runFileDialog(FileDialog& dialog) {
  return runCommonFileDialog(dialog, impl_->dialogOwner());
}

void Win32Backend::shellOpen(const std::string& target) {
  ShellExecuteA(impl_->ownerWindow(), "open", target.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

int Win32Backend::runningTimers() const { return static_cast<int>(impl_->timers.size()); }

void Win32Backend::timerChanged(Timer& timer) {
  auto it = impl_->timers.find(&timer);
  if (!timer.running()) {
    if (it == impl_->timers.end()) return;
    KillTimer(impl_->window, it->second);
    impl_->timers.erase(it);
    return;
  }
  const UINT_PTR id = it != impl_->timers.end() ? it->second : impl_->nextTimerId++;
  impl_->timers[&timer] = id;
  SetTimer(impl_->window, id, static_cast<UINT>(timer.interval()), nullptr);
}

void Win32Backend::terminate() { PostQuitMessage(0); }

bool Win32Backend::processMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    impl_->dispatch(msg);
  }
  return true;
}

void* Win32Backend::windowOf(const Control& control) {
  WindowPeer* peer = WindowPeer::fromControl(&control);
  return peer ? peer->hwnd() : nullptr;
}

}  // namespace kl::ui
