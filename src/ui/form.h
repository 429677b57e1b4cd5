#pragma once
// A top-level window. Forms are owned by the application; the first one
// created is the main form, and closing it ends the program.
#include <cstdint>
#include <string>

#include "ui/control.h"

namespace kl::ui {

class Button;
class MainMenu;

enum class BorderStyle { Sizeable, Single, Dialog, ToolWindow, None };
enum class ModalResult { None = 0, Ok = 1, Cancel = 2 };
enum class WindowState { Normal, Minimized, Maximized };

struct BorderIcons {
  bool systemMenu = true;
  bool minimize = true;
  bool maximize = true;
};

// The look of a top-level window, set in one go by Form::setStyle.
struct FormStyle {
  std::string windowClass;
  std::string caption;
  int clientWidth = 0;
  int clientHeight = 0;
  BorderStyle border = BorderStyle::Sizeable;
  BorderIcons icons;
  bool centred = true;
};

class Form : public Control {
 public:
  Form(Application& app, std::string name);
  ~Form() override;
  const char* kind() const override { return "Form"; }
  Application& app() { return app_; }
  const Application& app() const { return app_; }

  void setStyle(const FormStyle& style);
  // The window class name the form registers, e.g. "TMainForm".
  void setWindowClass(const std::string& name) { windowClass_ = name; }
  const std::string& windowClass() const { return windowClass_; }
  // The caption is the control text.
  void setCaption(const std::string& caption) { setText(caption); }
  const std::string& caption() const { return text(); }
  void setClientSize(int width, int height);
  int clientWidth() const { return bounds().width; }
  int clientHeight() const { return bounds().height; }
  void setBorder(BorderStyle style, BorderIcons icons);
  BorderStyle borderStyle() const { return border_; }
  const BorderIcons& borderIcons() const { return icons_; }
  void setCentred(bool centred) { centred_ = centred; }
  bool centred() const { return centred_; }
  // Opacity 0 (transparent) to 255 (opaque) while alpha blending is on;
  // values outside are kept inside that range.
  void setAlphaBlend(bool on, int value);
  bool alphaBlend() const { return alphaBlend_; }
  int alphaValue() const { return alphaValue_; }
  void setMenu(MainMenu* menu) { menu_ = menu; }
  MainMenu* menu() const { return menu_; }
  // Enter clicks it unless a push button has the focus; it is drawn as the
  // default while the focus is on a control that is not a push button.
  void setDefaultButton(Button* b);
  Button* defaultButton() const { return defaultButton_; }
  void setCancelButton(Button* b) { cancelButton_ = b; }

  // Shows the form (OnShow when it becomes visible); a form already showing
  // comes to the front and is activated.
  void show();
  void hide();
  // Shows the form and runs a nested message loop until it closes; returns
  // the modal result (Cancel when it was closed any other way). Meanwhile
  // every other form of the application is held: it takes no input. When
  // showing or the loop raises, the form is hidden and no longer modal, the
  // other forms take input again, and the error goes on to the caller.
  // In a silent application nothing is shown and the result is Cancel.
  ModalResult showModal();
  bool isModal() const { return modal_; }
  void setModalResult(ModalResult r);
  ModalResult modalResult() const { return modalResult_; }
  // Closes the form as its close box does: OnClose, then hide; ends the
  // program when this is the main form.
  void close();
  bool isShowing() const { return showing_; }
  // The close box (or Alt+F4, or WM_CLOSE from another program): close()
  // with the error handler around it; nothing while the form is held.
  void userClose();
  // False while a modal dialog (a form, a message box, a file dialog) runs
  // that is not this form.
  bool takesInput() const;

  void setWindowState(WindowState state);
  WindowState windowState() const { return windowState_; }
  // The minimise box. The main form of an application whose tray icon
  // minimises to the tray goes to the tray (Application::minimize), and
  // this returns true; otherwise false, and the window minimises itself.
  bool userMinimize();
  // The window reports the state the user gave it. Minimising the main
  // form goes to the tray as userMinimize does.
  void userWindowState(WindowState state);
  // The main form with a visible tray icon that minimises to the tray.
  bool minimizesToTray() const;
  // The window reports the client size the user gave it (dragging its
  // frame, maximising, restoring): the form takes it without moving the
  // window, the anchored controls follow, and OnResize is raised.
  void userResize(int clientWidth, int clientHeight);

  std::function<void()> onShow;
  std::function<void()> onClose;
  // A request another program sent to the form's window (WM_COPYDATA): a
  // code and its data. The answer goes back to the sender; without a
  // handler, or when the handler raises (shown by the error handler), it is 0.
  std::function<int(std::uint32_t code, const std::string& data)> onRequest;
  int userRequest(std::uint32_t code, const std::string& data);

  Control* focused() const { return focused_; }
  // The push button drawn as the default now: the focused push button, else
  // the default button.
  Button* shownDefault() const;
  // Moves the focus, raising OnEnter for each container entered and for the
  // control itself (outermost first), as the toolkit's enter events go.
  void moveFocus(Control* to);
  // Enter: the focused push button, else the default button. Escape: the
  // cancel button. True when handled.
  bool userKeyEnter();
  bool userKeyEscape();
  // Ctrl+Tab / Ctrl+Shift+Tab: the next or previous page of the form's
  // first page control, wrapping around. True when there is one.
  bool userCyclePage(bool backwards);
  // A menu shortcut typed on this form. True when an item took it.
  bool userShortcut(unsigned virtualKey, bool ctrl);

 private:
  Application& app_;
  std::string windowClass_ = "TForm";
  BorderStyle border_ = BorderStyle::Sizeable;
  BorderIcons icons_;
  void endModalShowing();
  bool centred_ = false, alphaBlend_ = false, modal_ = false, showing_ = false;
  WindowState windowState_ = WindowState::Normal;
  int alphaValue_ = 255;
  ModalResult modalResult_ = ModalResult::None;
  MainMenu* menu_ = nullptr;
  Button* defaultButton_ = nullptr;
  Button* cancelButton_ = nullptr;
  Control* focused_ = nullptr;
};

}  // namespace kl::ui
