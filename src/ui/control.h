#pragma once
// The toolkit's controls: each control holds its state and raises its
// events; a peer shows it (a real window, or nothing in the headless
// backend). Programmatic changes go through setters; user actions come in
// through the user*() entry points, which the peers call and tests call
// through the headless backend. Which of them raises which event is decided
// here, once, for every backend.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kl::ui {

class Application;
class Form;

enum class MouseButton { Left, Right, Middle };

struct Rect {
  int left = 0, top = 0, width = 0, height = 0;
};

// The edges of its parent a control keeps its distance to when the parent's
// size changes. Left and right: it grows and shrinks with the parent; right
// only: it moves with the right edge; likewise top and bottom.
struct Anchors {
  bool left = true, top = true, right = false, bottom = false;
};

// What changed in a control; the peer reads the new state from the control.
enum class Property {
  Text,
  Enabled,
  Visible,
  Bounds,
  Hint,
  Font,
  State,
  Items,
  ItemIndex,
  Position,
  Range,
  ActivePage,
  Panels,
  Checked,
  Picture,
  Url,
  Focus,
  Modal,
  Alpha,
  DefaultButton,
  WindowState,
  Style  // a look of the control's kind: a link label, a smooth bar, a spin edit's editor
};

class Peer {
 public:
  virtual ~Peer() = default;
  virtual void changed(Property what) = 0;
  // The control is going away: from now on the peer reports nothing to it
  // (its windows may still send messages while they are destroyed).
  virtual void detach() {}
};

// The short part of a hint ("short|long"), which tooltips show.
std::string shortHint(const std::string& hint);

class Control {
 public:
  Control(Control* parent, std::string name);
  virtual ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // Creates a child owned by this control; realised at once when this one
  // is, unless this one holds its windows back (a page not shown yet).
  template <class T, class... Args>
  T& add(Args&&... args) {
    auto child = std::make_unique<T>(this, std::forward<Args>(args)...);
    T& ref = *child;
    owned_.push_back(std::move(child));
    if (peer_ && !defers(ref)) ref.realize();
    childChanged(ref);
    return ref;
  }

  // The kind of control, e.g. "CheckBox"; peers are chosen by it.
  virtual const char* kind() const = 0;
  const std::string& name() const { return name_; }
  Control* parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }
  Form* form();
  const Form* form() const;
  Application* application();
  // Depth-first search of this control and everything inside it.
  Control* find(const std::string& name);

  // From code. A change of size raises OnResize and moves the anchored
  // controls inside; the distances to the parent's edges that the anchors
  // keep are taken from these bounds.
  void setBounds(int left, int top, int width, int height);
  const Rect& bounds() const { return bounds_; }
  void setAnchors(Anchors anchors);
  const Anchors& anchors() const { return anchors_; }
  void setText(const std::string& text);
  const std::string& text() const { return text_; }
  void setEnabled(bool enabled);
  bool enabled() const { return enabled_; }
  // Enabled, every container around it enabled, and its form not held by a
  // modal dialog: whether it takes the user's input, as Windows decides.
  bool effectivelyEnabled() const;
  void setVisible(bool visible);
  bool visible() const { return visible_; }
  void setHint(const std::string& hint);
  const std::string& hint() const { return hint_; }
  void setShowHint(bool show);
  bool showHint() const { return showHint_; }
  // What a tooltip shows over this control, enabled or not: the control
  // that answers is the nearest one, this or a container around it, whose
  // ShowHint is on; its hint is used, or, when empty, that of the nearest
  // container around it with a hint. The short part; "" for none.
  std::string shownHint() const;
  void setBold(bool bold);
  bool bold() const { return bold_; }
  // Takes the keyboard focus when clicked or tabbed to.
  virtual bool focusable() const { return false; }

  std::function<void()> onClick;
  std::function<void()> onEnter;
  // The control's size changed, from code or because its form was resized
  // by the user; the controls inside have followed their anchors already.
  std::function<void()> onResize;
  std::function<void(MouseButton)> onMouseDown;
  std::function<void(MouseButton)> onMouseUp;

  // User actions. Each runs its events and hands an escaping error to the
  // application's error handler. Disabled controls take no input.
  void userMouseDown(MouseButton button);
  void userMouseUp(MouseButton button);
  void userClick();  // a completed mouse click, or space/enter on a button
  void userFocus();  // the keyboard focus arrives here

  // Gives this control and everything inside it a peer, except what a
  // container defers (see defers): those get theirs when they are needed,
  // and a peer shows the whole state its control holds by then.
  void realize();
  Peer* peer() const { return peer_.get(); }
  void setPeer(std::unique_ptr<Peer> peer) { peer_ = std::move(peer); }
  // Tells the peer that `what` changed.
  void notify(Property what);
  // Tells the peers of this control and everything inside it.
  void notifyTree(Property what);

 protected:
  static void fire(const std::function<void()>& handler) {
    if (handler) handler();
  }
  // Runs a user action's event chain with the application's error handler.
  void guarded(const std::function<void()>& action);
  virtual void clicked();  // what a user click does; default: OnClick
  // Whether `child` is realised only when it is needed rather than with
  // this control, as a page control's pages are until they are shown.
  virtual bool defers(const Control& /*child*/) const { return false; }
  // This control and the children it does not defer have their peers now.
  virtual void childrenRealized() {}
  // A child was added or its text changed; a container that shows its
  // children's texts (the tabs of a page control) tells its peer.
  virtual void childChanged(Control& /*child*/) {}
  // Detaches every peer of the tree, then destroys them, this one first
  // (a window takes its child windows with it). For a form's destructor,
  // while the whole tree is still alive.
  void releasePeers();
  // New bounds; the peer is told unless its window has them already (a
  // size the user gave the window). A change of size moves the anchored
  // children and raises OnResize.
  void applyBounds(const Rect& bounds, bool tellPeer = true);

 private:
  Control* parent_;
  std::string name_;
  std::vector<Control*> children_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::unique_ptr<Peer> peer_;
  void detachPeers();
  void dropPeers();
  void keepMargins();
  void followParent();
  Rect bounds_;
  Anchors anchors_;
  int rightMargin_ = 0, bottomMargin_ = 0;  // to the parent's edges, for the anchors
  std::string text_, hint_;
  bool enabled_ = true, visible_ = true, showHint_ = false, bold_ = false;
};

}  // namespace kl::ui
