// Buttons, check boxes, speed buttons, labels, bevels and images.
#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

// A bitmap resource of the module by name; null when there is none.
HBITMAP loadBitmap(HINSTANCE instance, const std::string& name, UINT flags = 0) {
  if (name.empty()) return nullptr;
  return static_cast<HBITMAP>(LoadImageA(instance, name.c_str(), IMAGE_BITMAP, 0, 0, flags));
}

// A glyph's bottom-left pixel is its transparent colour: Windows puts the
// button face there (LR_LOADTRANSPARENT with LR_LOADMAP3DCOLORS, for
// bitmaps of 256 colours or fewer), and maps its grays to the 3D colours.
HBITMAP loadGlyph(HINSTANCE instance, const std::string& name) {
  return loadBitmap(instance, name, LR_LOADTRANSPARENT | LR_LOADMAP3DCOLORS);
}

constexpr int kGlyphSpacing = 4;  // between the caption and the glyph

WPARAM checkOf(CheckState state) {
  switch (state) {
    case CheckState::Checked:
      return BST_CHECKED;
    case CheckState::Grayed:
      return BST_INDETERMINATE;
    case CheckState::Unchecked:
      break;
  }
  return BST_UNCHECKED;
}

}  // namespace

void StaticPeer::createWindow() {
  if (!dynamic_cast<Bevel*>(&control_)) {
    // Not SS_NOPREFIX: '&' marks the mnemonic and "&&" shows '&'.
    createControl("STATIC", SS_LEFT | SS_NOTIFY, 0, control_.text().c_str());
    return;
  }
  const Rect& b = control_.bounds();
  const DWORD shape = b.height <= 2 ? SS_ETCHEDHORZ : b.width <= 2 ? SS_ETCHEDVERT : SS_ETCHEDFRAME;
  createControl("STATIC", shape);
}

bool StaticPeer::onCommand(UINT code) {
  if (code != STN_CLICKED) return false;
  control_.userClick();
  return true;
}

bool StaticPeer::isLink() const {
  const auto* label = dynamic_cast<const Label*>(&control_);
  return label && label->isLink();
}

void StaticPeer::sync(Property what) {
  if (what != Property::Style) return WindowPeer::sync(what);
  setFont(hwnd_);  // underlined or not; redraws, in the new colour too
}

// The system's brush and colours: nothing to free.
bool StaticPeer::onColor(HDC dc, LRESULT* result) {
  if (!isLink() || !control_.enabled()) return false;
  SetTextColor(dc, RGB(0, 0, 255));
  SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
  *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
  return true;
}

// The hand is a shared system cursor.
LRESULT StaticPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  if (msg == WM_SETCURSOR && isLink() && LOWORD(l) == HTCLIENT) {
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    return TRUE;
  }
  return WindowPeer::handleMessage(msg, w, l);
}

ImagePeer::~ImagePeer() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (bitmap_) DeleteObject(bitmap_);
}

void ImagePeer::createWindow() { createControl("STATIC", SS_BITMAP); }

void ImagePeer::sync(Property what) {
  switch (what) {
    case Property::Picture:
      showPicture();
      break;
    case Property::Text:  // a bitmap static would take its text for a resource name
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void ImagePeer::showPicture() {
  HBITMAP bitmap = loadBitmap(context_.instance(), static_cast<Image&>(control_).picture());
  SendMessageA(hwnd_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = bitmap;
  place();  // the static resized itself to the bitmap
}

// Check boxes are BS_CHECKBOX / BS_3STATE, not the AUTO kinds: the control
// decides the state a click leads to, the window only shows it.
void ButtonPeer::createWindow() {
  if (auto* check = dynamic_cast<CheckBox*>(&control_))
    createControl("BUTTON", WS_TABSTOP | (check->allowGrayed() ? BS_3STATE : BS_CHECKBOX), 0,
                  control_.text().c_str());
  else
    createControl("BUTTON", WS_TABSTOP | (isDefault() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0,
                  control_.text().c_str());
}

// A button made after the focus moved (on a page shown later) takes the
// look the form gives its default now.
bool ButtonPeer::isDefault() const {
  const Form* form = control_.form();
  return form && form->shownDefault() == &control_;
}

void ButtonPeer::sync(Property what) {
  if (what == Property::State)
    showState();
  else
    WindowPeer::sync(what);
}

void ButtonPeer::showState() {
  auto* check = dynamic_cast<CheckBox*>(&control_);
  if (!check) return;
  const bool threeState = (GetWindowLongPtrA(hwnd_, GWL_STYLE) & BS_TYPEMASK) == BS_3STATE;
  if (check->state() == CheckState::Grayed && !threeState)
    SendMessageA(hwnd_, BM_SETSTYLE, BS_3STATE, TRUE);
  SendMessageA(hwnd_, BM_SETCHECK, checkOf(check->state()), 0);
}

// A click by mouse, space bar or mnemonic.
bool ButtonPeer::onCommand(UINT code) {
  if (code != BN_CLICKED) return false;
  control_.userClick();
  if (hwnd_) showState();  // a disabled control keeps its state
  return true;
}

SpeedButtonPeer::~SpeedButtonPeer() {
  if (hwnd_) DestroyWindow(hwnd_);
  if (bitmap_) DeleteObject(bitmap_);
}

void SpeedButtonPeer::createWindow() { createControl("BUTTON", BS_PUSHBUTTON | BS_FLAT); }

void SpeedButtonPeer::sync(Property what) {
  if (what == Property::Picture) return showPicture();
  WindowPeer::sync(what);
  if (bitmap_ && (what == Property::Text || what == Property::Font || what == Property::Enabled))
    InvalidateRect(hwnd_, nullptr, TRUE);
}

// Without a glyph the button class draws the flat button and its caption.
void SpeedButtonPeer::showPicture() {
  HBITMAP glyph = loadGlyph(context_.instance(), static_cast<SpeedButton&>(control_).picture());
  if (bitmap_) DeleteObject(bitmap_);
  bitmap_ = glyph;
  const LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE) & ~LONG_PTR{BS_TYPEMASK | BS_FLAT};
  SetWindowLongPtrA(hwnd_, GWL_STYLE, style | (bitmap_ ? BS_OWNERDRAW : BS_PUSHBUTTON | BS_FLAT));
  InvalidateRect(hwnd_, nullptr, TRUE);
}

// The face, a thin raised edge (sunken while pressed), and the contents,
// one pixel down and right while pressed.
bool SpeedButtonPeer::onDrawItem(const DRAWITEMSTRUCT& item) {
  if (!bitmap_) return false;
  RECT area = item.rcItem;
  FillRect(item.hDC, &area, GetSysColorBrush(COLOR_BTNFACE));
  const bool pressed = (item.itemState & ODS_SELECTED) != 0;
  DrawEdge(item.hDC, &area, pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  if (pressed) OffsetRect(&area, 1, 1);
  drawCaption(item.hDC, area, (item.itemState & ODS_DISABLED) != 0);
  return true;
}

// The caption and the glyph side by side, centred together.
void SpeedButtonPeer::drawCaption(HDC dc, const RECT& area, bool disabled) const {
  const std::string& caption = control_.text();
  HGDIOBJ oldFont = SelectObject(dc, context_.font(control_.bold()));
  RECT text{};
  DrawTextA(dc, caption.c_str(), -1, &text, DT_CALCRECT | DT_SINGLELINE);
  BITMAP glyph{};
  GetObjectA(bitmap_, sizeof glyph, &glyph);
  const int gap = caption.empty() ? 0 : kGlyphSpacing;
  const int left = area.left + (area.right - area.left - text.right - gap - glyph.bmWidth) / 2;
  const int height = area.bottom - area.top;
  const UINT state = disabled ? DSS_DISABLED : DSS_NORMAL;
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  SetBkMode(dc, TRANSPARENT);
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(caption.c_str()),
             static_cast<WPARAM>(caption.size()), left, area.top + (height - text.bottom) / 2,
             text.right, text.bottom, DST_PREFIXTEXT | state);
  DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(bitmap_), 0, left + text.right + gap,
             area.top + (height - glyph.bmHeight) / 2, glyph.bmWidth, glyph.bmHeight,
             DST_BITMAP | state);
  SelectObject(dc, oldFont);
}

LRESULT SpeedButtonPeer::handleMessage(UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      return onPress();
    case WM_MOUSEMOVE:
      return onMove(msg, w, l);
    case WM_LBUTTONUP:
      return onRelease(msg, w, l);
    case WM_CAPTURECHANGED:
      return onCaptureLost(msg, w, l);
    default:
      return WindowPeer::handleMessage(msg, w, l);
  }
}

LRESULT SpeedButtonPeer::onPress() {
  pressed(MouseButton::Left);
  tracking_ = true;
  SetCapture(hwnd_);
  SendMessageA(hwnd_, BM_SETSTATE, TRUE, 0);
  return 0;
}

LRESULT SpeedButtonPeer::onMove(UINT msg, WPARAM w, LPARAM l) {
  if (!tracking_) return callDefault(msg, w, l);
  SendMessageA(hwnd_, BM_SETSTATE, pointerInside(l), 0);
  return 0;
}

// Clicked when released over the button, as push buttons are.
LRESULT SpeedButtonPeer::onRelease(UINT msg, WPARAM w, LPARAM l) {
  if (!tracking_) return callDefault(msg, w, l);
  tracking_ = false;
  ReleaseCapture();
  SendMessageA(hwnd_, BM_SETSTATE, FALSE, 0);
  if (pointerInside(l)) control_.userClick();
  released(MouseButton::Left);
  return 0;
}

LRESULT SpeedButtonPeer::onCaptureLost(UINT msg, WPARAM w, LPARAM l) {
  if (tracking_) {
    tracking_ = false;
    SendMessageA(hwnd_, BM_SETSTATE, FALSE, 0);
  }
  return callDefault(msg, w, l);
}

bool SpeedButtonPeer::pointerInside(LPARAM l) const {
  RECT client{};
  GetClientRect(hwnd_, &client);
  const POINT at{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
  return PtInRect(&client, at);
}

}  // namespace kl::ui
