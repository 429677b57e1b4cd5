#pragma once
// The control kinds of the toolkit. Each holds its state; setters notify the
// peer; user*() entry points are what a user's action does.
#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/form.h"

namespace kl::ui {

class Label : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "Label"; }
  // Shown as a link: blue, underlined, with the hand pointer over it. What
  // a click opens is the program's OnClick.
  void setLink(bool link);
  bool isLink() const { return link_; }

 private:
  bool link_ = false;
};

class Bevel : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "Bevel"; }
};

// A picture from the program's resources, by resource name.
class Image : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "Image"; }
  void setPicture(const std::string& resource);
  const std::string& picture() const { return picture_; }

 private:
  std::string picture_;
};

class GroupBox : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "GroupBox"; }
};

class Button : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "Button"; }
  bool focusable() const override { return true; }
  // A button with a modal result closes its modal form with that result.
  void setModalResult(ModalResult r) { modalResult_ = r; }

 protected:
  void clicked() override;

 private:
  ModalResult modalResult_ = ModalResult::None;
};

// A flat button that does not take the focus. Its picture (a bitmap
// resource, the glyph) stands to the right of the caption; the colour of its
// bottom-left pixel is transparent.
class SpeedButton : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "SpeedButton"; }
  void setPicture(const std::string& resource);
  const std::string& picture() const { return picture_; }

 private:
  std::string picture_;
};

enum class CheckState { Unchecked, Checked, Grayed };

class CheckBox : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "CheckBox"; }
  bool focusable() const override { return true; }
  void setAllowGrayed(bool allow) { allowGrayed_ = allow; }
  bool allowGrayed() const { return allowGrayed_; }
  // From code: raises OnClick when the state changes.
  void setState(CheckState state);
  CheckState state() const { return state_; }
  void setChecked(bool checked) { setState(checked ? CheckState::Checked : CheckState::Unchecked); }
  bool checked() const { return state_ == CheckState::Checked; }

 protected:
  // A user's click (mouse or space bar) cycles unchecked -> grayed (when
  // allowed) -> checked -> unchecked.
  void clicked() override;

 private:
  CheckState state_ = CheckState::Unchecked;
  bool allowGrayed_ = false;
};

// A drop-down list. ItemIndex -1 is "no item".
class ComboBox : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "ComboBox"; }
  bool focusable() const override { return true; }
  void setItems(const std::vector<std::string>& items);
  const std::vector<std::string>& items() const { return items_; }
  // From code: no OnChange. An index outside the items becomes -1.
  void setItemIndex(int index);
  int itemIndex() const { return itemIndex_; }
  std::function<void()> onChange;
  // The user picks an item: OnChange.
  void userPick(int index);

 private:
  std::vector<std::string> items_;
  int itemIndex_ = -1;
};

enum class Orientation { Horizontal, Vertical };

// Position, minimum and maximum: the position stays inside the range, a
// minimum above the maximum (or a maximum below the minimum) is refused, and
// OnChange is raised whenever the position changes, from code or user.
class TrackBar : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "TrackBar"; }
  bool focusable() const override { return true; }
  void setMin(int min);
  void setMax(int max);
  void setPosition(int position);
  int min() const { return min_; }
  int max() const { return max_; }
  int position() const { return position_; }
  void setFrequency(int frequency) { frequency_ = frequency; }
  // Tick marks along the bar; set before the bar is shown.
  void setTickMarks(bool shown) { tickMarks_ = shown; }
  bool tickMarks() const { return tickMarks_; }
  int frequency() const { return frequency_; }
  void setOrientation(Orientation o) { orientation_ = o; }
  Orientation orientation() const { return orientation_; }
  std::function<void()> onChange;
  void userSetPosition(int position);

 private:
  void moveTo(int position);
  int min_ = 0, max_ = 10, position_ = 0, frequency_ = 1;
  bool tickMarks_ = true;
  Orientation orientation_ = Orientation::Horizontal;
};

// A number with up and down arrows beside it.
class SpinEdit : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "SpinEdit"; }
  bool focusable() const override { return true; }
  void setRange(int min, int max);
  void setValue(int value);  // kept inside the range; OnChange when it changes
  int value() const { return value_; }
  int min() const { return min_; }
  int max() const { return max_; }
  // Off: its text takes no typing (nor pasting); only the arrows and the up
  // and down keys change the value.
  void setEditorEnabled(bool enabled);
  bool editorEnabled() const { return editorEnabled_; }
  std::function<void()> onChange;
  // The user typed this value: refused while the editor is off; else kept
  // inside the range, with OnChange when it changes.
  void userTypeValue(int value);
  // The arrows or the up and down keys: `steps` up (down when negative),
  // kept inside the range, with OnChange when the value changes.
  void userStep(int steps);

 private:
  int min_ = 0, max_ = 100, value_ = 0;
  bool editorEnabled_ = true;
};

class Edit : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "Edit"; }
  bool focusable() const override { return true; }
  std::function<void()> onChange;
  void userType(const std::string& text);
};

class CheckListBox : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "CheckListBox"; }
  bool focusable() const override { return true; }
  void setItems(const std::vector<std::string>& items);
  const std::vector<std::string>& items() const { return items_; }
  void setChecked(int index, bool checked);
  bool isChecked(int index) const;
  std::function<void()> onClickCheck;
  void userToggle(int index);

 private:
  std::vector<std::string> items_;
  std::vector<bool> checked_;
};

class ProgressBar : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "ProgressBar"; }
  // Smooth: one continuous bar instead of blocks.
  void setSmooth(bool smooth);
  bool smooth() const { return smooth_; }
  void setRange(int min, int max);
  void setPosition(int position);
  int position() const { return position_; }
  int min() const { return min_; }
  int max() const { return max_; }

 private:
  int min_ = 0, max_ = 100, position_ = 0;
  bool smooth_ = false;
};

struct StatusPanel {
  int width = 50;
  std::string text;
};

class StatusBar : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "StatusBar"; }
  void setPanels(const std::vector<StatusPanel>& panels);
  const std::vector<StatusPanel>& panels() const { return panels_; }
  void setPanelText(std::size_t index, const std::string& text);

 private:
  std::vector<StatusPanel> panels_;
};

class TabSheet : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "TabSheet"; }
};

// Pages are its TabSheet children, in tab order. As in a property sheet, a
// page's windows are made when it is first shown: until then its controls
// hold their state as objects only, and whatever reads or writes them works
// the same. The first showing raises no events of the controls inside.
class PageControl : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "PageControl"; }
  bool focusable() const override { return true; }
  std::vector<TabSheet*> pages() const;
  void setPageIndex(int index);
  int pageIndex() const { return pageIndex_; }
  void setActivePage(TabSheet* page);
  TabSheet* activePage() const;
  std::function<void()> onChange;
  void userSelect(int index);

 protected:
  bool defers(const Control& child) const override;
  void childrenRealized() override;
  void childChanged(Control& child) override;

 private:
  int pageIndex_ = 0;
};

// The pages a browser has shown, in order, and the one it shows now.
struct PageHistory {
  std::vector<std::string> pages;
  std::size_t current = 0;  // an index into pages, when there are any
  // A new page: the pages after the current one are dropped.
  void visit(const std::string& page);
  // To the page before the current one; false at the first page or none.
  bool back();
  std::string shown() const;  // "" before the first page
};

// The page engine behind a browser's peer. The history is the engine's,
// since a user's clicks on links add to it.
class BrowserPeer {
 public:
  virtual ~BrowserPeer() = default;
  virtual bool goBack() = 0;
};

// An embedded web browser showing local pages. Navigations made before it
// is realised leave only the last page to show.
class HtmlBrowser : public Control {
 public:
  using Control::Control;
  const char* kind() const override { return "HtmlBrowser"; }
  // Shows a local file (a full path) or an address.
  void navigate(const std::string& url);
  // The page the program navigated to last.
  const std::string& url() const { return url_; }
  // One page back; false when there is no earlier page (or nothing shown
  // yet), which the caller may ignore.
  bool goBack();

 private:
  std::string url_;
};

}  // namespace kl::ui
