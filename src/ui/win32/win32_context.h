#pragma once
// What the Win32 peers of one backend share: the module, the dialog font,
// child-window identifiers, the window classes registered so far and the
// list of form windows. Internal to src/ui/win32.
#include <windows.h>
// COM's IUnknown and BSTR, which WIN32_LEAN_AND_MEAN leaves out.
#include <unknwn.h>

#include <set>
#include <string>
#include <vector>

namespace kl::ui {

class Application;
class FormPeer;

// A function looked up at run time (null when the module or the function is
// missing), cast through the generic function type that GCC accepts without
// a warning.
template <class Function>
Function procedure(HMODULE module, const char* name) {
  const FARPROC found = module ? GetProcAddress(module, name) : nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

// Window properties every window of ours carries.
constexpr const char* kNameProperty = "Kestrelune.Name";  // global atom of the control name
constexpr const char* kPeerProperty = "Kestrelune.Peer";  // the WindowPeer*
// The window class of group boxes, tab sheets and the browser host.
constexpr const char* kContainerClass = "KesContainer";

class Win32Context {
 public:
  explicit Win32Context(HINSTANCE instance);
  ~Win32Context();
  Win32Context(const Win32Context&) = delete;
  Win32Context& operator=(const Win32Context&) = delete;

  HINSTANCE instance() const { return instance_; }
  // "MS Sans Serif" 8 point, regular or bold, plain or underlined (links);
  // shared by every control and freed with the context.
  HFONT font(bool bold, bool underlined = false) const { return fonts_[bold][underlined]; }
  // A fresh child-window identifier; never IDOK or IDCANCEL, which the
  // dialog manager sends for Enter and Escape.
  int nextId() { return nextId_++; }
  // Registers a window class of ours (window procedure WindowPeer's) the
  // first time the name is asked for.
  void ensureClass(const std::string& name);
  HICON programIcon() const;

  // The application whose error handler reports failures in our own hidden
  // windows; learnt from the first control given a peer.
  void setApplication(Application* app) {
    if (!app_) app_ = app;
  }
  Application* application() const { return app_; }

  void addForm(FormPeer* form) { forms_.push_back(form); }
  void removeForm(FormPeer* form);
  const std::vector<FormPeer*>& forms() const { return forms_; }
  // The form whose top-level window this is, or null.
  FormPeer* formOf(HWND window) const;
  // The active window when it is one of our forms, else null.
  FormPeer* activeForm() const;

  // What the HTML browser needs, checked once: atl.dll with its host window
  // class "AtlAxWin", OLE on this thread, and an HTML engine (mshtml) that
  // can be created. False when this system cannot show pages.
  bool htmlEngineAvailable();
  // The control an AtlAxWin window hosts, with a reference; or null.
  IUnknown* hostedControl(HWND host);
  // A BSTR holding `text`, for COM calls; the caller frees it (freeBstr).
  BSTR makeBstr(const std::string& text);
  void freeBstr(BSTR text);

 private:
  HINSTANCE instance_;
  HFONT fonts_[2][2] = {};  // [bold][underlined]
  int nextId_ = 100;
  std::set<std::string> classes_;
  std::vector<FormPeer*> forms_;
  Application* app_ = nullptr;
  bool checkHtmlEngine();
  enum class Host { Unknown, Available, Missing } host_ = Host::Unknown;
  HMODULE atl_ = nullptr, ole_ = nullptr, oleAut_ = nullptr;
  bool oleInitialised_ = false;
};

}  // namespace kl::ui
