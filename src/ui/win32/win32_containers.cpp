// Windows that hold other controls: group boxes, tab sheets, the page
// control, and the host of the HTML browser.
#include <windows.h>
// The common controls' and the browser's declarations need <windows.h> first.
#include <commctrl.h>
#include <exdisp.h>

#include <vector>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

// What the browser shows where this system has no HTML engine.
std::string fallbackText(const std::string& page) {
  return page +
         "\r\n\r\nThis page cannot be shown here: no HTML viewer (the Internet Explorer "
         "browser control) is available on this system. Open the file above in a web "
         "browser to read it.";
}

}  // namespace

void ContainerPeer::createWindow() {
  // WS_EX_CONTROLPARENT: Tab and the mnemonics reach the controls inside.
  createOwn(kContainerClass, WS_CHILD | initiallyShown(), WS_EX_CONTROLPARENT, parentWindow(),
            rectOf(control_.bounds()));
  if (!dynamic_cast<GroupBox*>(&control_)) return;
  const Rect& b = control_.bounds();
  frame_ = CreateWindowExA(0, "BUTTON", control_.text().c_str(),
                           WS_CHILD | WS_VISIBLE | BS_GROUPBOX, 0, 0, b.width, b.height, hwnd_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId())),
                           context_.instance(), nullptr);
}

void ContainerPeer::sync(Property what) {
  WindowPeer::sync(what);
  if (!frame_) return;
  if (what == Property::Text && windowText(frame_) != control_.text())
    SetWindowTextA(frame_, control_.text().c_str());
  if (what == Property::Font) setFont(frame_);
}

void ContainerPeer::place() {
  WindowPeer::place();
  if (frame_) moveChild(frame_, RECT{0, 0, control_.bounds().width, control_.bounds().height});
}

LRESULT ContainerPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  if (isChildNotification(msg)) return onChildNotification(msg, w, l);
  return WindowPeer::handleMessage(msg, w, l);
}

void PageControlPeer::createWindow() {
  // The sheets are siblings that follow the tab control, laid over its
  // display area, as a property sheet's pages are: Tab then moves from the
  // tabs into the active page, and the tab control does not paint over it.
  // Several rows of tabs rather than scroll arrows: every page is one click away.
  createControl(WC_TABCONTROLA, WS_TABSTOP | WS_CLIPSIBLINGS | TCS_MULTILINE, 0);
}

void PageControlPeer::sync(Property what) {
  switch (what) {
    case Property::ActivePage:
      showActivePage();
      break;
    case Property::Items:
      pagesChanged();
      break;
    case Property::Text:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void PageControlPeer::place() {
  WindowPeer::place();
  showActivePage();
}

// Every page has its tab, whether its window is made or not. Only the tabs
// that differ are changed: a page's caption arrives as it is set, and
// rebuilding every tab (and placing every sheet) for each was most of the
// cost of opening the main window.
void PageControlPeer::pagesChanged() {
  const std::vector<TabSheet*>& sheets = pages().pages();
  const int wanted = static_cast<int>(sheets.size());
  int count = static_cast<int>(SendMessageA(hwnd_, TCM_GETITEMCOUNT, 0, 0));
  bool changed = false;
  for (int index = 0; index < wanted; ++index) {
    if (index < count && tabText(index) == sheets[index]->text()) continue;
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(sheets[index]->text().c_str());
    SendMessageA(hwnd_, index < count ? TCM_SETITEMA : TCM_INSERTITEMA, index,
                 reinterpret_cast<LPARAM>(&item));
    changed = true;
  }
  for (int index = count - 1; index >= wanted; --index) {
    SendMessageA(hwnd_, TCM_DELETEITEM, index, 0);
    changed = true;
  }
  if (changed) showActivePage();
}

std::string PageControlPeer::tabText(int index) const {
  char text[256] = "";
  TCITEMA item{};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(hwnd_, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(&item));
  return text;
}

void PageControlPeer::showActivePage() {
  const int index = pages().pageIndex();
  if (SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0) != index)
    SendMessageA(hwnd_, TCM_SETCURSEL, index, 0);
  for (TabSheet* page : pages().pages())
    if (auto* sheet = dynamic_cast<TabSheetPeer*>(fromControl(page))) sheet->showIfActive();
  // Keyboard input must not go on into a page that was hidden.
  HWND focus = GetFocus();
  if (focus && focus != hwnd_ && IsChild(GetParent(hwnd_), focus) && !IsWindowVisible(focus))
    SetFocus(hwnd_);
}

RECT PageControlPeer::displayArea() const {
  RECT area{};
  GetClientRect(hwnd_, &area);
  SendMessageA(hwnd_, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  return area;
}

bool PageControlPeer::onNotify(const NMHDR& header, LRESULT* result) {
  if (header.code != static_cast<UINT>(TCN_SELCHANGE)) return false;
  pages().userSelect(static_cast<int>(SendMessageA(hwnd_, TCM_GETCURSEL, 0, 0)));
  showActivePage();  // also when the control refused the page
  *result = 0;
  return true;
}

// A sheet is made when its page is first shown, after the windows that
// follow the tab control: it goes back just behind the tab control, where
// Tab reaches it from the tabs and where the tab control does not paint
// over it.
void TabSheetPeer::createWindow() {
  PageControlPeer* pages = pageControl();
  if (!pages) return ContainerPeer::createWindow();
  createOwn(kContainerClass, WS_CHILD, WS_EX_CONTROLPARENT, GetParent(pages->hwnd()),
            rectOf(control_.bounds()));
  SetWindowPos(hwnd_, pages->hwnd(), 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
}

PageControlPeer* TabSheetPeer::pageControl() const {
  return dynamic_cast<PageControlPeer*>(fromControl(control_.parent()));
}

void TabSheetPeer::showIfActive() {
  PageControlPeer* pages = pageControl();
  if (!pages || !hwnd_) return;
  shownByPages_ = true;
  place();
  const bool active = pages->pages().activePage() == &control_;
  showChild(hwnd_, active);
}

void TabSheetPeer::sync(Property what) {
  PageControlPeer* pages = pageControl();
  if (!pages) return ContainerPeer::sync(what);
  switch (what) {
    case Property::Visible:
      if (shownByPages_) showIfActive();
      break;
    default:
      ContainerPeer::sync(what);
      break;
  }
}

void TabSheetPeer::place() {
  PageControlPeer* pages = pageControl();
  if (!pages) return ContainerPeer::place();
  RECT area = pages->displayArea();
  MapWindowPoints(pages->hwnd(), GetParent(hwnd_), reinterpret_cast<POINT*>(&area), 2);
  moveChild(hwnd_, area);
}

HtmlBrowserPeer::~HtmlBrowserPeer() { releaseEngine(); }

void HtmlBrowserPeer::detach() {
  releaseEngine();
  ContainerPeer::detach();
}

void HtmlBrowserPeer::releaseEngine() {
  if (engine_) engine_->Release();
  engine_ = nullptr;
}

void HtmlBrowserPeer::createWindow() {
  ContainerPeer::createWindow();
  if (context_.htmlEngineAvailable()) createEngine();
  if (!engine_) createFallback();
}

// The WebBrowser control, through its ProgID; its pages come by Navigate.
void HtmlBrowserPeer::createEngine() {
  const Rect& b = control_.bounds();
  view_ = CreateWindowExA(0, "AtlAxWin", "Shell.Explorer", WS_CHILD | WS_VISIBLE, 0, 0, b.width,
                          b.height, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId())),
                          context_.instance(), nullptr);
  IUnknown* control = view_ ? context_.hostedControl(view_) : nullptr;
  if (control) {
    void* browser = nullptr;
    if (SUCCEEDED(control->QueryInterface(__uuidof(IWebBrowser2), &browser)))
      engine_ = static_cast<IWebBrowser2*>(browser);
    control->Release();
  }
  if (!engine_ && view_) {
    DestroyWindow(view_);
    view_ = nullptr;
  }
}

void HtmlBrowserPeer::createFallback() {
  const Rect& b = control_.bounds();
  view_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                          WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0,
                          b.width, b.height, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId())),
                          context_.instance(), nullptr);
  if (view_) setFont(view_);
}

void HtmlBrowserPeer::sync(Property what) {
  if (what == Property::Url) navigate();
  ContainerPeer::sync(what);
}

void HtmlBrowserPeer::navigate() {
  const std::string& url = static_cast<HtmlBrowser&>(control_).url();
  if (url.empty()) return;
  if (!engine_) {
    fallbackHistory_.visit(url);
    return showFallbackPage();
  }
  BSTR page = context_.makeBstr(url);
  VARIANT none;
  ZeroMemory(&none, sizeof none);  // VT_EMPTY: the optional arguments left out
  static_cast<IWebBrowser2*>(engine_)->Navigate(page, &none, &none, &none, &none);
  context_.freeBstr(page);
}

void HtmlBrowserPeer::showFallbackPage() {
  if (view_) SetWindowTextA(view_, fallbackText(fallbackHistory_.shown()).c_str());
}

// The engine refuses (an error) when there is no earlier page.
bool HtmlBrowserPeer::goBack() {
  if (engine_) return SUCCEEDED(static_cast<IWebBrowser2*>(engine_)->GoBack());
  if (!fallbackHistory_.back()) return false;
  showFallbackPage();
  return true;
}

void HtmlBrowserPeer::place() {
  ContainerPeer::place();
  if (view_) moveChild(view_, RECT{0, 0, control_.bounds().width, control_.bounds().height});
}

}  // namespace kl::ui
