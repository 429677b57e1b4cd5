// The main window makes a page's windows when the page is first shown. Until
// then its controls are objects only: start-up loads into them, Apply and
// profiles read and write them, and showing the page later changes nothing
// they hold. Each case runs two programs side by side, one that never showed
// a page and one that showed every page first, and compares what they do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/MainProg.h"
#include "app/Program.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace user = ui::user;

// One simulated PC running the program, its main window shown.
struct Machine {
  Machine() {
    testing::seedXpRadeon(sim);
    testing::seedFixedModes(sim);
    program = std::make_unique<Program>(platform, backend);
    program->createWindows();
    form = program->windows().MainForm;
    program->run();
  }
  void showEveryPage() {
    for (int i = 0; i < static_cast<int>(form->TabPages->pages().size()); ++i)
      user::selectPage(*form->TabPages, i);
    user::selectPage(*form->TabPages, 0);
  }
  void menu(const char* item) { static_cast<ui::MenuItem*>(form->find(item))->userClick(); }
  void confirmProgress() {
    backend.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
  }
  ui::CheckBox& box(const char* name) {
    auto* found = dynamic_cast<ui::CheckBox*>(form->find(name));
    if (!found) throw std::logic_error(std::string("no check box ") + name);
    return *found;
  }
  std::string snapshot() { return sim.registry.saveRegedit4(); }

  platform::SimPlatform sim;
  platform::Platform platform = sim.view();
  ui::HeadlessBackend backend;
  std::unique_ptr<Program> program;
  TMainForm* form = nullptr;
};

template <class T>
std::string joined(const std::vector<T>& values) {
  std::ostringstream out;
  for (const T& v : values) out << v << ';';
  return out.str();
}

// Everything a control and the controls inside it hold, a line each.
std::string stateOf(ui::Control& c) {
  std::ostringstream out;
  const ui::Rect& b = c.bounds();
  out << c.kind() << ' ' << c.name() << " \"" << c.text() << "\" enabled " << c.enabled()
      << " visible " << c.visible() << " at " << b.left << ',' << b.top << ' ' << b.width << 'x'
      << b.height << " hint \"" << c.hint() << '"';
  if (auto* box = dynamic_cast<ui::CheckBox*>(&c))
    out << " state " << static_cast<int>(box->state());
  if (auto* combo = dynamic_cast<ui::ComboBox*>(&c))
    out << " items " << joined(combo->items()) << " index " << combo->itemIndex();
  if (auto* track = dynamic_cast<ui::TrackBar*>(&c))
    out << " range " << track->min() << ".." << track->max() << " position " << track->position();
  if (auto* spin = dynamic_cast<ui::SpinEdit*>(&c))
    out << " range " << spin->min() << ".." << spin->max() << " value " << spin->value();
  if (auto* list = dynamic_cast<ui::CheckListBox*>(&c)) {
    out << " items " << joined(list->items()) << " checked ";
    for (int i = 0; i < static_cast<int>(list->items().size()); ++i) out << list->isChecked(i);
  }
  out << '\n';
  for (ui::Control* child : c.children()) out << stateOf(*child);
  return out.str();
}

class PageWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kl-page-windows-XXXXXX";
    folder_ = mkdtemp(pattern);
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string file(const std::string& name) { return folder_ + "/" + name; }
  static std::string contents(const std::string& path) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  static std::string saveProfile(Machine& m, const std::string& path) {
    m.backend.answerFileDialog(path);
    m.menu("menuitemSave");
    return contents(path);
  }
  // A profile whose settings differ from what start-up loads.
  std::string differentProfile() {
    Machine writer;
    writer.box("checkVSync").setState(ui::CheckState::Grayed);
    writer.box("checkHyperZ").setState(ui::CheckState::Unchecked);
    for (const char* name :
         {"checkEnableTruForm", "checkFastColorClear", "checkBumpMap", "checkCubeMap"}) {
      ui::CheckBox& box = writer.box(name);
      box.setState(box.checked() ? ui::CheckState::Unchecked : ui::CheckState::Checked);
    }
    const std::string path = file("different.kpf");
    saveProfile(writer, path);
    return path;
  }

  std::string folder_;
};

TEST_F(PageWindows, OnlyTheShownPageHasWindowsUntilAnotherIsShown) {
  Machine m;
  ui::Control& vsync = m.box("checkVSync");
  EXPECT_NE(nullptr, m.form->tabSysInfo->peer());
  EXPECT_EQ(nullptr, m.form->tabDirectX->peer());
  EXPECT_EQ(nullptr, vsync.peer());
  const int before = m.backend.livePeers();
  user::selectPage(*m.form->TabPages, 1);
  EXPECT_NE(nullptr, vsync.peer());
  const int afterFirst = m.backend.livePeers();
  EXPECT_LT(before, afterFirst);
  user::selectPage(*m.form->TabPages, 0);
  user::selectPage(*m.form->TabPages, 1);
  EXPECT_EQ(afterFirst, m.backend.livePeers());  // made once
}

// The states start-up loaded, a user's change and a grayed box all stay
// as they were, and the window is not marked modified.
TEST_F(PageWindows, ShowingEveryPageKeepsEveryStateAndMarksNothing) {
  Machine lazy, eager;
  eager.showEveryPage();
  EXPECT_EQ(stateOf(*eager.form), stateOf(*lazy.form));
  lazy.box("checkVSync").setState(ui::CheckState::Grayed);
  eager.box("checkVSync").setState(ui::CheckState::Grayed);
  const std::string held = stateOf(*lazy.form);
  lazy.showEveryPage();
  EXPECT_EQ(held, stateOf(*lazy.form));
  EXPECT_EQ(stateOf(*eager.form), stateOf(*lazy.form));
  EXPECT_EQ("Kestrelune", lazy.form->caption());
  EXPECT_FALSE(lazy.form->refreshRatesEntered);
}

TEST_F(PageWindows, SaveAndApplyWriteTheSameBytesWhetherThePagesWereShownOrNot) {
  Machine lazy, eager;
  eager.showEveryPage();
  EXPECT_EQ(saveProfile(eager, file("eager.kpf")), saveProfile(lazy, file("lazy.kpf")));
  for (Machine* m : {&lazy, &eager}) {
    m->box("checkVSync").setState(ui::CheckState::Checked);
    m->form->markModified();
    m->confirmProgress();
    m->form->buttonApply->userClick();
    EXPECT_EQ("Kestrelune", m->form->caption());
  }
  EXPECT_EQ(eager.snapshot(), lazy.snapshot());
}

// A profile opened from the tray before any page was shown applies what
// it holds, and the pages then show it.
TEST_F(PageWindows, AProfileOpenedBeforeAnyPageWasShownAppliesTheSameBytes) {
  const std::string profile = differentProfile();
  Machine lazy, eager;
  eager.showEveryPage();
  const std::string atStart = lazy.snapshot();
  for (Machine* m : {&lazy, &eager}) {
    m->confirmProgress();
    m->backend.answerFileDialog(profile);
    m->menu("OpenProfilesystray");
  }
  EXPECT_NE(atStart, lazy.snapshot());
  EXPECT_EQ(eager.snapshot(), lazy.snapshot());
  lazy.showEveryPage();
  EXPECT_EQ(stateOf(*eager.form), stateOf(*lazy.form));
  EXPECT_EQ(eager.form->caption(), lazy.form->caption());
}

}  // namespace
}  // namespace kl::app
