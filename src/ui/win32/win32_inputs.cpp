// Controls that take values: combo box, track bar, spin edit, edit, check
// list box; and the progress and status bars that show them.
#include <windows.h>
// The common controls' declarations need <windows.h> first.
#include <commctrl.h>

#include <algorithm>
#include <charconv>

#include "ui/win32/win32_peers.h"

namespace kl::ui {
namespace {

constexpr int kDroppedRows = 8;

// A list view item's check box: state image 1 is unchecked, 2 checked.
int stateImage(UINT state) { return static_cast<int>((state & LVIS_STATEIMAGEMASK) >> 12); }

}  // namespace

// Made as high as the closed control; the list gets its height when it is
// dropped down. Sizing every list as its items come costs a move of two
// windows each, which was a tenth of opening the main window.
void ComboBoxPeer::createWindow() {
  placed_ = rectOf(control_.bounds());
  createControl("COMBOBOX", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST);
}

void ComboBoxPeer::place() {
  const int rows = std::clamp(static_cast<int>(combo().items().size()), 1, kDroppedRows);
  const int rowHeight = static_cast<int>(SendMessageA(hwnd_, CB_GETITEMHEIGHT, 0, 0));
  RECT at = rectOf(control_.bounds());
  at.bottom += rows * rowHeight + 2;
  if (EqualRect(&at, &placed_)) return;
  placed_ = at;
  MoveWindow(hwnd_, at.left, at.top, at.right - at.left, at.bottom - at.top, TRUE);
}

void ComboBoxPeer::sync(Property what) {
  switch (what) {
    case Property::Items:
      showItems();
      break;
    case Property::ItemIndex:
      showItemIndex();
      break;
    case Property::Text:  // a drop-down list shows its selected item
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

// The list neither redraws nor recounts its scroll bar for each item added.
void ComboBoxPeer::showItems() {
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(hwnd_, CB_RESETCONTENT, 0, 0);
  for (const std::string& item : combo().items())
    SendMessageA(hwnd_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  showItemIndex();
}

// CB_SETCURSEL sends no CBN_SELCHANGE: nothing comes back as a pick.
void ComboBoxPeer::showItemIndex() {
  if (SendMessageA(hwnd_, CB_GETCURSEL, 0, 0) != combo().itemIndex())
    SendMessageA(hwnd_, CB_SETCURSEL, combo().itemIndex(), 0);
}

bool ComboBoxPeer::onCommand(UINT code) {
  // Sent before the list is placed: its rows for the items it has now.
  if (code == CBN_DROPDOWN) place();
  if (code != CBN_SELCHANGE) return false;
  combo().userPick(static_cast<int>(SendMessageA(hwnd_, CB_GETCURSEL, 0, 0)));
  if (hwnd_) showItemIndex();  // a disabled control keeps its item
  return true;
}

void TrackBarPeer::createWindow() {
  const DWORD orientation = track().orientation() == Orientation::Vertical ? TBS_VERT : TBS_HORZ;
  const DWORD ticks = track().tickMarks() ? TBS_AUTOTICKS : TBS_NOTICKS;
  createControl(TRACKBAR_CLASSA, WS_TABSTOP | ticks | orientation);
}

void TrackBarPeer::sync(Property what) {
  switch (what) {
    case Property::Range:
      showRange();
      break;
    case Property::Position:
      showPosition();
      break;
    case Property::Text:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void TrackBarPeer::showRange() {
  SendMessageA(hwnd_, TBM_SETRANGEMIN, FALSE, track().min());
  SendMessageA(hwnd_, TBM_SETRANGEMAX, TRUE, track().max());
  SendMessageA(hwnd_, TBM_SETTICFREQ, std::max(track().frequency(), 1), 0);
  showPosition();
}

// TBM_SETPOS sends no scroll message, so a position set from code does not
// come back as the user's.
void TrackBarPeer::showPosition() {
  if (SendMessageA(hwnd_, TBM_GETPOS, 0, 0) != track().position())
    SendMessageA(hwnd_, TBM_SETPOS, TRUE, track().position());
}

bool TrackBarPeer::onScroll(UINT /*code*/) {
  const int shown = static_cast<int>(SendMessageA(hwnd_, TBM_GETPOS, 0, 0));
  if (shown != track().position()) track().userSetPosition(shown);
  if (hwnd_) showPosition();
  return true;
}

SpinEditPeer::~SpinEditPeer() {
  if (updown_ && IsWindow(updown_)) {
    RemovePropA(updown_, kPeerProperty);
    DestroyWindow(updown_);
  }
}

void SpinEditPeer::createWindow() {
  createControl("EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE);
  updown_ = CreateWindowExA(
      0, UPDOWN_CLASSA, "",
      WS_CHILD | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
      parentWindow(), reinterpret_cast<HMENU>(static_cast<INT_PTR>(context_.nextId())),
      context_.instance(), nullptr);
  if (!updown_) return;
  SetPropA(updown_, kPeerProperty, this);  // its scroll messages come to us
  SendMessageA(updown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
}

void SpinEditPeer::sync(Property what) {
  switch (what) {
    case Property::Range:
      SendMessageA(updown_, UDM_SETRANGE32, spin().min(), spin().max());
      break;
    case Property::Position:
      showValue();
      break;
    case Property::Style:
      SendMessageA(hwnd_, EM_SETREADONLY, !spin().editorEnabled(), 0);
      break;
    case Property::Text:
      break;
    case Property::Enabled:
      WindowPeer::sync(what);
      EnableWindow(updown_, control_.enabled());
      break;
    case Property::Visible:
      WindowPeer::sync(what);
      showChild(updown_, control_.visible());
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void SpinEditPeer::place() {
  WindowPeer::place();
  // The up-down takes its place at the right of the edit again.
  SendMessageA(updown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd_), 0);
}

bool SpinEditPeer::textValue(int* value) const {
  const std::string text = windowText(hwnd_);
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && stop == end;
}

// Sets the text only when it does not already say the value, so that the
// EN_CHANGE it causes is not a change of value.
void SpinEditPeer::showValue() {
  int shown = 0;
  if (!textValue(&shown) || shown != spin().value())
    SetWindowTextA(hwnd_, std::to_string(spin().value()).c_str());
  SendMessageA(updown_, UDM_SETPOS32, 0, spin().value());
}

// Typing changes the text (the arrows are the control's, below). A value
// inside the range is taken at once; anything else waits until the edit
// loses the focus, when the control keeps it inside the range and the text
// shows the result.
bool SpinEditPeer::onCommand(UINT code) {
  int value = 0;
  const bool number = textValue(&value);
  if (code == EN_CHANGE) {
    if (number && value != spin().value() && value >= spin().min() && value <= spin().max())
      spin().userTypeValue(value);
    return true;
  }
  if (code == EN_KILLFOCUS) {
    if (number && value != spin().value()) spin().userTypeValue(value);
    if (hwnd_) showValue();
    return true;
  }
  return false;
}

// An arrow clicked or an up or down key: the control steps, and the up-down
// is refused its own change (the text then shows the control's value). The
// arrows focus the edit, as the spin edits of Windows programs do.
bool SpinEditPeer::onNotify(const NMHDR& header, LRESULT* result) {
  if (header.hwndFrom != updown_ || header.code != static_cast<UINT>(UDN_DELTAPOS)) return false;
  const auto& change = reinterpret_cast<const NMUPDOWN&>(header);
  if (GetFocus() != hwnd_ && IsWindowEnabled(hwnd_)) SetFocus(hwnd_);
  if (hwnd_) spin().userStep(change.iDelta);
  if (hwnd_) showValue();
  *result = TRUE;
  return true;
}

// A read-only edit is drawn as an ordinary one: it still takes the arrows.
bool SpinEditPeer::onColor(HDC dc, LRESULT* result) {
  if (spin().editorEnabled() || !control_.enabled()) return false;
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  *result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
  return true;
}

void EditPeer::createWindow() {
  createControl("EDIT", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, control_.text().c_str());
}

// Text set from code arrives here too: it equals the control's text then.
bool EditPeer::onCommand(UINT code) {
  if (code != EN_CHANGE) return false;
  const std::string typed = windowText(hwnd_);
  if (typed != control_.text()) static_cast<Edit&>(control_).userType(typed);
  if (hwnd_ && windowText(hwnd_) != control_.text())  // refused by a disabled control
    SetWindowTextA(hwnd_, control_.text().c_str());
  return true;
}

void CheckListBoxPeer::createWindow() {
  createControl(WC_LISTVIEWA,
                WS_TABSTOP | LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL | LVS_SHOWSELALWAYS,
                WS_EX_CLIENTEDGE);
  const DWORD extended = LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT;
  SendMessageA(hwnd_, LVM_SETEXTENDEDLISTVIEWSTYLE, extended, extended);
  LVCOLUMNA column{};
  column.mask = LVCF_WIDTH;
  column.cx = control_.bounds().width;
  SendMessageA(hwnd_, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
}

void CheckListBoxPeer::sync(Property what) {
  switch (what) {
    case Property::Items:
      showItems();
      break;
    case Property::Checked:
      showChecks();
      break;
    case Property::Text:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

// Each item comes with its check box as the control holds it, and the list
// neither redraws nor recounts for each one: item by item, with a second
// trip for each check box, filling the custom-resolution list took 160 ms
// of the first showing of its page.
void CheckListBoxPeer::showItems() {
  SendMessageA(hwnd_, WM_SETREDRAW, FALSE, 0);
  SendMessageA(hwnd_, LVM_DELETEALLITEMS, 0, 0);
  const std::vector<std::string>& items = list().items();
  SendMessageA(hwnd_, LVM_SETITEMCOUNT, items.size(), 0);
  for (int index = 0; index < static_cast<int>(items.size()); ++index) {
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_STATE;
    item.iItem = index;
    item.pszText = const_cast<char*>(items[index].c_str());
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(list().isChecked(index) ? 2 : 1);
    SendMessageA(hwnd_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
  }
  SendMessageA(hwnd_, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE_USEHEADER);
  SendMessageA(hwnd_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void CheckListBoxPeer::showChecks() {
  for (int i = 0; i < static_cast<int>(list().items().size()); ++i) showCheck(i);
}

void CheckListBoxPeer::showCheck(int index) {
  const auto state =
      static_cast<UINT>(SendMessageA(hwnd_, LVM_GETITEMSTATE, index, LVIS_STATEIMAGEMASK));
  const bool checked = list().isChecked(index);
  if (stateImage(state) == (checked ? 2 : 1)) return;
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  SendMessageA(hwnd_, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

// The list view toggles the box itself (click or space bar) and tells us;
// a change that agrees with the control is our own LVM_SETITEMSTATE.
bool CheckListBoxPeer::onNotify(const NMHDR& header, LRESULT* result) {
  if (header.code != static_cast<UINT>(LVN_ITEMCHANGED)) return false;
  const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
  const int image = stateImage(change.uNewState);
  if (!(change.uChanged & LVIF_STATE) || change.iItem < 0 || image == 0) return false;
  if ((image == 2) != list().isChecked(change.iItem)) {
    list().userToggle(change.iItem);
    if (hwnd_) showCheck(change.iItem);
  }
  *result = 0;
  return true;
}

void ProgressBarPeer::createWindow() {
  createControl(PROGRESS_CLASSA, static_cast<ProgressBar&>(control_).smooth() ? PBS_SMOOTH : 0);
}

// The bar reads its style when it paints.
void ProgressBarPeer::showStyle() {
  const LONG_PTR style = GetWindowLongPtrA(hwnd_, GWL_STYLE);
  const LONG_PTR want = static_cast<ProgressBar&>(control_).smooth()
                            ? style | PBS_SMOOTH
                            : style & ~LONG_PTR{PBS_SMOOTH};
  if (want == style) return;
  SetWindowLongPtrA(hwnd_, GWL_STYLE, want);
  InvalidateRect(hwnd_, nullptr, TRUE);
}

void ProgressBarPeer::sync(Property what) {
  auto& bar = static_cast<ProgressBar&>(control_);
  switch (what) {
    case Property::Style:
      showStyle();
      break;
    case Property::Range:
      SendMessageA(hwnd_, PBM_SETRANGE32, bar.min(), bar.max());
      SendMessageA(hwnd_, PBM_SETPOS, bar.position(), 0);
      break;
    case Property::Position:
      SendMessageA(hwnd_, PBM_SETPOS, bar.position(), 0);
      break;
    case Property::Text:
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

void StatusBarPeer::createWindow() {
  Form* form = control_.form();
  const bool sizeable = form && form->borderStyle() == BorderStyle::Sizeable;
  createControl(STATUSCLASSNAMEA, sizeable ? SBARS_SIZEGRIP : 0);
}

void StatusBarPeer::sync(Property what) {
  switch (what) {
    case Property::Panels:
    case Property::Text:
      showPanels();
      break;
    default:
      WindowPeer::sync(what);
      break;
  }
}

// A status bar docks itself at the bottom of its parent when told of a size.
void StatusBarPeer::place() { SendMessageA(hwnd_, WM_SIZE, 0, 0); }

void StatusBarPeer::parentResized() {
  if (hwnd_) place();
}

// Each panel ends where the widths so far add up to; the last one runs to
// the right edge. Without panels the bar shows the control's text.
void StatusBarPeer::showPanels() {
  const auto& panels = static_cast<StatusBar&>(control_).panels();
  std::vector<int> edges;
  int edge = 0;
  for (const StatusPanel& panel : panels) edges.push_back(edge += panel.width);
  if (edges.empty()) edges.push_back(0);
  edges.back() = -1;
  SendMessageA(hwnd_, SB_SETPARTS, edges.size(), reinterpret_cast<LPARAM>(edges.data()));
  if (panels.empty()) {
    SendMessageA(hwnd_, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(control_.text().c_str()));
    return;
  }
  for (std::size_t i = 0; i < panels.size(); ++i)
    SendMessageA(hwnd_, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(panels[i].text.c_str()));
}

}  // namespace kl::ui
