// Every write of every sequence that writes, failed in turn. A clean run
// counts the writes (registry, profile files, the program's own files, the
// card's registers); then for each n the sequence runs again on a fresh PC
// with write n failing as the real call would (access denied), and must show
// its message, write exactly the clean run's writes before the failure and
// only those after it that the sequence's failure rule lets go on, neither
// crash nor leave a dialog hanging, and leave the marker as its rule says.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/MainProg.h"
#include "app/Program.h"
#include "modes/CustomRes.h"
#include "modes/refreshrates.h"
#include "overclock/OCPanel.h"
#include "overclock/StartupOverclock.h"
#include "settings/Catalogues.h"
#include "settings/Options.h"
#include "sim_machine.h"
#include "sysinfo/SysInfoPage.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

namespace fs = std::filesystem;
namespace user = ui::user;
using Log = std::vector<std::string>;

// Write points covered, per sequence, printed when the suite ends.
class CoverageReport : public ::testing::Environment {
 public:
  static CoverageReport& instance() {
    static CoverageReport* report = [] {
      auto* r = new CoverageReport;
      ::testing::AddGlobalTestEnvironment(r);  // gtest owns and deletes it
      return r;
    }();
    return *report;
  }
  void add(const std::string& sequence, std::size_t points) {
    lines_.push_back(sequence + ": " + std::to_string(points) + " write points");
  }
  void TearDown() override {
    if (lines_.empty()) return;
    std::cout << "Fault injection, write points covered per sequence:\n";
    for (const auto& line : lines_) std::cout << "  " << line << "\n";
  }

 private:
  Log lines_;
};

using testing::regedit4Escaped;

constexpr char kAtiKey[] = "SOFTWARE\\ATI Technologies";

// The simulated XP PC with a Radeon 8500 and the program installed in a
// folder of its own, made afresh for every run.
class Machine {
 public:
  explicit Machine(const fs::path& folder) : folder(folder.string()) {
    fs::create_directories(folder);
    testing::seedXpRadeon(sim);
    testing::seedFixedModes(sim);
    sim.device.installCard(platform::catalogueCard(platform::CatalogueCard::Radeon8500));
    own("\"installpath\"=\"" + regedit4Escaped(this->folder + "/") + "\"\n");
    regedit(std::string("[HKEY_LOCAL_MACHINE\\") + kAtiKey +
            "\\Desktop\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}]\n\"Rotation\"=hex:01,00,00,00\n"
            "[HKEY_LOCAL_MACHINE\\" +
            kAtiKey + "\\CDS\\0000\\0\\MEMORY]\n\"Size\"=\"64.00\"\n");
    driver("\"TableFogEnable\"=\"\"\n\"ExportWBuffer\"=\"1\"\n");
    driver("\"OGLEnableHWPageFlip\"=dword:ffffffff\n", "\\OpenGL");  // grayed: Apply deletes it
    for (std::uint32_t hz : {60u, 75u, 85u}) {
      sim.display.addDeviceMode("\\\\.\\DISPLAY1", {800, 600, 16, hz});
      sim.display.addDeviceMode("\\\\.\\DISPLAY1", {1024, 768, 16, hz});
    }
    // The last two resolutions get no row on the page.
    for (std::uint32_t w : {800u, 1024u, 1280u, 1600u}) sim.display.addMode({w, w * 3 / 4, 16, 60});
  }
  ~Machine() {
    program.reset();
    std::error_code ec;
    fs::remove_all(folder, ec);
  }

  void regedit(const std::string& text) { sim.registry.loadRegedit4("REGEDIT4\n\n" + text); }
  void own(const std::string& values) {
    sim.registry.loadRegedit4(testing::programKeyRegedit(values));
  }
  void driver(const std::string& values, const std::string& subkey = "") {
    regedit(std::string("[HKEY_LOCAL_MACHINE\\") + testing::kDriverKey + subkey + "]\n" + values);
  }

  TMainForm& start() {
    program = std::make_unique<Program>(platform, backend);
    program->createWindows();
    return form();
  }
  TMainForm& form() { return *program->windows().MainForm; }
  ui::CheckBox& box(const std::string& name) {
    auto* found = dynamic_cast<ui::CheckBox*>(form().find(name));
    if (!found) throw std::runtime_error("no check box " + name);
    return *found;
  }
  void closeConfirmation() {
    backend.onModal("Confirmation", [](ui::Form& d) { user::closeBox(d); });
  }

  std::string folder;
  platform::SimPlatform sim;
  platform::Platform platform = sim.view();
  ui::HeadlessBackend backend;
  std::unique_ptr<Program> program;
};

// What one run did.
struct Outcome {
  Log writes;
  std::string failed;
  Log messages;                  // message boxes shown by the sequence
  Log outcome;                   // what else it shows: an exit code, a button left enabled
  std::optional<bool> modified;  // the marker afterwards, when the window exists
  Log prompts;                   // restart prompts shown
};

// What a run with one failed write must do.
struct Expected {
  Log writes;
  Log messages;
  std::optional<bool> modified;
  Log prompts;
  Log outcome;
};

struct Sequence {
  explicit Sequence(std::string n) : name(std::move(n)) {}
  std::string name;
  // Seeds the PC; runs before the program starts.
  std::function<void(Machine&)> prepare = [](Machine&) {};
  // True: the sequence is the start-up itself.
  bool isStartup = false;
  // The user's actions; `outcome` takes what is not a message box (an exit code).
  std::function<void(Machine&, Log& outcome)> act;
  // For write `failed` (0-based) of the clean run.
  std::function<Expected(const Outcome& clean, std::size_t failed)> rule;
};

const std::vector<std::string> kPrompts = {"formRestartRR", "formRestartApplyRR", "formCusRes"};

class FaultInjection : public ::testing::Test {
 protected:
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(base(), ec);
  }
  // In memory where the system offers it: the profile save rewrites its
  // file at each of its writes, in every run.
  static fs::path temporaryFolder() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
  }
  fs::path base() const {
    return temporaryFolder() / ("kl-faults-" + std::to_string(getpid()) + "-" +
                                ::testing::UnitTest::GetInstance()->current_test_info()->name());
  }

  // One run with write `failAt` failing (0: none).
  Outcome runOnce(const Sequence& s, unsigned failAt) {
    Machine m(base() / "pc");  // the same paths in every run, so the logs compare
    s.prepare(m);
    m.sim.watchWrites();
    for (const auto& prompt : kPrompts)
      m.backend.onModal(prompt, [](ui::Form& d) { user::closeBox(d); });
    if (!s.isStartup) {
      m.start();
      m.backend.clearMessages();
    }
    m.sim.writes.failWrite(failAt);
    Outcome run;
    s.act(m, run.outcome);
    run.writes = m.sim.writes.log();
    run.failed = m.sim.writes.failed();
    for (const auto& message : m.backend.messages()) run.messages.push_back(message.text);
    if (m.program) run.modified = m.form().settingsModified;
    for (const auto& prompt : kPrompts)
      for (int i = 0; i < m.backend.modalCount(prompt); ++i) run.prompts.push_back(prompt);
    return run;
  }

  // The clean run, then every write failed in turn.
  void runEveryFault(const Sequence& s) {
    const Outcome clean = runOnce(s, 0);
    ASSERT_TRUE(clean.failed.empty());
    ASSERT_FALSE(clean.writes.empty())
        << s.name << " wrote nothing; " << ::testing::PrintToString(clean.outcome)
        << ::testing::PrintToString(clean.messages);
    for (const auto& text : clean.messages)
      ADD_FAILURE() << s.name << ": the clean run showed \"" << text << "\"";
    for (std::size_t i = 0; i < clean.writes.size(); ++i) {
      SCOPED_TRACE(s.name + ", write " + std::to_string(i + 1) + " of " +
                   std::to_string(clean.writes.size()) + " fails: " + clean.writes[i]);
      const Outcome run = runOnce(s, static_cast<unsigned>(i + 1));
      const Expected want = s.rule(clean, i);
      EXPECT_EQ(clean.writes[i], run.failed);
      EXPECT_EQ(want.writes, run.writes);
      EXPECT_EQ(want.messages, run.messages);
      EXPECT_EQ(want.modified, run.modified);
      EXPECT_EQ(want.prompts, run.prompts);
      EXPECT_EQ(want.outcome, run.outcome);
      if (HasFailure()) return;  // one broken rule is enough to read
    }
    CoverageReport::instance().add(s.name, clean.writes.size());
  }
};

// ---- rules

Log prefix(const Log& log, std::size_t end) { return Log(log.begin(), log.begin() + end); }

Log without(const Log& log, std::size_t at) {
  Log rest = log;
  rest.erase(rest.begin() + static_cast<long>(at));
  return rest;
}

// The value name a registry write is about: the last name of its path
// ("registry set HKLM\\key\\name = sz 1", "registry delete value HKLM\\key\\name").
std::string valueOf(const std::string& write) {
  const std::string path = write.substr(0, write.find(" = "));
  return path.substr(path.rfind('\\') + 1);
}

bool isCreateKey(const std::string& write) { return write.rfind("registry create key ", 0) == 0; }

// The error a failed registry write ends a sequence with. A key that could
// not be created fails the value about to be written into it.
std::string failedToSet(const Log& clean, std::size_t at) {
  const std::string& write = isCreateKey(clean[at]) ? clean.at(at + 1) : clean[at];
  return "Failed to set data for '" + valueOf(write) + "'";
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::size_t firstIndexOf(const Log& log, const std::string& part) {
  for (std::size_t i = 0; i < log.size(); ++i)
    if (contains(log[i], part)) return i;
  return log.size();
}

std::size_t lastIndexOf(const Log& log, const std::string& part) {
  for (std::size_t i = log.size(); i-- > 0;)
    if (contains(log[i], part)) return i;
  return log.size();
}

// Apply's rule: a failed write ends Apply with the error and the marker
// set, except the card type, whose failure has a message of its own and
// lets Apply go on. The custom resolutions' restart notice follows their
// last write; the refresh rates' prompt a complete Apply.
Expected applyRule(const Outcome& clean, std::size_t at) {
  if (contains(clean.writes[at], "Software\\Kestrelune\\8500 = "))
    return {without(clean.writes, at),
            {"Cannot write overclock data to registry"},
            false,
            clean.prompts,
            {}};
  // The refresh rates prompt for a restart once their list is cleared, before
  // they append to it.
  const std::size_t cleared = firstIndexOf(clean.writes, "\\DALRestrictedModesBCD3 = ");
  const std::size_t lastMode = lastIndexOf(clean.writes, "\\DALNonStandardModesBCD");
  Log prompts;
  for (const auto& p : clean.prompts)
    if ((p == "formRestartApplyRR" && cleared < at) || (p == "formCusRes" && lastMode < at))
      prompts.push_back(p);
  return {prefix(clean.writes, at), {failedToSet(clean.writes, at)}, true, prompts, {}};
}

// ---- the sequences' actions

void pressEveryPage(Machine& m) {
  for (const char* name : {"checkVSync", "checkBumpMap", "checkOGLTracing", "checkEnableAALines",
                           "checkIDCT", "checkMMX", "checkRotation"})
    user::press(m.box(name));
}

// Every check box that shows "not set" is set, so that Apply writes every
// binding; the two seeded as not set stay so, and Apply deletes them.
void setEveryBox(Machine& m) {
  for (std::size_t g = 0; g < settings::kGroupCount; ++g)
    for (const auto& row : settings::catalogueOf(static_cast<settings::Group>(g)).rows) {
      auto* box = dynamic_cast<ui::CheckBox*>(m.form().find(row.control));
      const std::string name = row.control;
      if (!box || name == "checkTableFog" || name == "checkHWPageFlip") continue;
      if (box->state() == ui::CheckState::Grayed && box->enabled()) user::press(*box);
    }
}

void touchEverythingAndApply(Machine& m, bool registerStartup) {
  TMainForm& f = m.form();
  pressEveryPage(m);
  setEveryBox(m);
  if (f.ocPanel->checkRunAtStartup->checked() != registerStartup)
    user::press(*f.ocPanel->checkRunAtStartup);
  user::focus(*f.customResPage->listCusRes);
  f.customResPage->listCusRes->userToggle(3);
  auto& rows = f.refreshRatesPage->rows;
  user::pick(*rows.at(0).rates, 2);
  user::pick(*rows.at(1).rates, 1);
  m.closeConfirmation();
  user::press(*f.buttonApply);
}

const char kStoredOverclock[] =
    "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n"
    "\"Core\"=\"202.50\"\n\"Mem\"=\"200.25\"\n\"Card\"=\"non 7500/8500\"\n\"Tim\"=\"2\"\n"
    "\"Lat\"=\"0\"\n\"apply_tim\"=dword:00000001\n\"apply_lat\"=dword:00000001\n";

// ---- the sequences

TEST_F(FaultInjection, StartUpWithTheFirstRunResetAndTheFlagWrites) {
  Sequence s{"start-up (first-run reset, \"overclock\" and \"8500\")"};
  s.isStartup = true;
  s.prepare = [](Machine& m) { testing::seedFirstStart(m.sim); };
  s.act = [](Machine& m, Log&) { m.start(); };
  // The settings as they were are saved first: a failed save of the mode
  // lists is told and the reset goes on. The reset is swallowed where it
  // fails, and retried at the next start ("FirstRun" stays "Yes"), and then
  // no profile of the settings is saved. A flag that cannot be written
  // stays unchecked. A failed profile is told; start-up goes on either way.
  s.rule = [](const Outcome& clean, std::size_t at) {
    const std::size_t modesEnd = firstIndexOf(clean.writes, "DALRestrictedModesBCD ");
    const std::size_t resetEnd = firstIndexOf(clean.writes, "\\FirstRun ") + 1;
    const std::size_t profileStart = lastIndexOf(clean.writes, "files create folder ");
    const std::string failed = clean.writes[at];
    const auto told = [](const std::string& why) {
      return Log{"Kestrelune could not save the settings as they were before it: " + why + "."};
    };
    if (at < modesEnd) {
      Log writes = prefix(clean.writes, at);
      writes.insert(writes.end(), clean.writes.begin() + static_cast<long>(modesEnd),
                    clean.writes.end());
      const std::string path = failed.substr(failed.find('/'));
      const std::string why =
          contains(failed, "create folder")
              ? "the folder \"" + path + "\" could not be created: Access is denied"
              : "the file \"" + path.substr(0, path.rfind(" (")) +
                    "\" could not be written: Access is denied";
      return Expected{writes, told(why), false, {}, {}};
    }
    if (at < resetEnd) {
      Log writes = prefix(clean.writes, at);
      writes.insert(writes.end(), clean.writes.begin() + static_cast<long>(resetEnd),
                    clean.writes.begin() + static_cast<long>(profileStart));
      return Expected{writes, {}, false, {}, {}};
    }
    if (at < profileStart) return Expected{without(clean.writes, at), {}, false, {}, {}};
    const std::string file = clean.writes.back().substr(8, clean.writes.back().find(" [") - 8);
    // Without its folder the profile's first write is tried and fails.
    Log writes = prefix(clean.writes, at == profileStart ? at + 2 : at);
    if (at == profileStart) writes.erase(writes.begin() + static_cast<long>(at));
    return Expected{writes, told("Unable to write to " + file), false, {}, {}};
  };
  runEveryFault(s);
}

TEST_F(FaultInjection, ApplyWithEveryStep) {
  Sequence s{
      "Apply (seven groups, start-up overclock registered, card type, custom "
      "resolutions, refresh rates)"};
  s.act = [](Machine& m, Log&) { touchEverythingAndApply(m, true); };
  s.rule = applyRule;
  runEveryFault(s);
}

TEST_F(FaultInjection, ApplyThatRemovesTheStartupRegistration) {
  Sequence s{"start-up registration removed by Apply"};
  s.prepare = [](Machine& m) {
    m.own("\"overclock\"=dword:00000001\n");
    m.regedit(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
        "\"Kestrelune\"=\"C:\\\\Kestrelune\\\\OC\\\\StartupOverclock.exe\"\n");
  };
  s.act = [](Machine& m, Log&) { touchEverythingAndApply(m, false); };
  s.rule = [](const Outcome& clean, std::size_t at) {
    // The clean run removes the entry: its deletion is one of the write points.
    EXPECT_NE(clean.writes.size(),
              firstIndexOf(clean.writes, "delete value HKLM\\SOFTWARE\\Microsoft\\Windows\\"
                                         "CurrentVersion\\Run\\Kestrelune"));
    return applyRule(clean, at);
  };
  runEveryFault(s);
}

TEST_F(FaultInjection, ProfileSave) {
  Sequence s{"profile save"};
  s.act = [](Machine& m, Log&) {
    pressEveryPage(m);  // modified: a failed save leaves the marker set
    m.backend.answerFileDialog(m.folder + "/game.kpf");
    m.form().userShortcut('S', true);
  };
  s.rule = [](const Outcome& clean, std::size_t at) {
    const std::string& w = clean.writes[at];
    const std::string file = w.substr(8, w.find(" [") - 8);
    return Expected{prefix(clean.writes, at), {"Unable to write to " + file}, true, {}, {}};
  };
  runEveryFault(s);
}

TEST_F(FaultInjection, ProfileOpenAndApply) {
  Sequence s{"profile open and apply"};
  s.prepare = [](Machine& m) {
    std::ofstream(m.folder + "/game.kpf", std::ios::binary)
        << "[DirectX]\r\nVSync=1\r\nZFormats=2\r\n[DirectX Advanced]\r\nTableFogEnable=1\r\n"
           "[OpenGL]\r\nOGLWaitVerticalSync=0\r\n[GUI]\r\n[DriverTabs]\r\nRotation=0\r\n";
  };
  s.act = [](Machine& m, Log&) {
    m.backend.answerFileDialog(m.folder + "/game.kpf");
    m.closeConfirmation();
    m.form().userShortcut('O', true);
  };
  s.rule = applyRule;
  runEveryFault(s);
}

TEST_F(FaultInjection, TheOptionsDialog) {
  Sequence s{"Options dialog"};
  s.act = [](Machine& m, Log& outcome) {
    m.backend.onModal("formOptions", [&](ui::Form& f) {
      auto& dialog = static_cast<settings::TformOptions&>(f);
      user::press(*dialog.checkAltPath);
      user::type(*dialog.editAltPath, "SOFTWARE\\Test\\0000");
      user::press(*dialog.SpeedButton1);
      if (dialog.isShowing()) outcome.push_back("the dialog stayed open");
    });
    m.form().Options1Click();
  };
  // "&Ok" is the dialog's only command: it closes also after a failed store.
  s.rule = [](const Outcome& clean, std::size_t at) {
    return Expected{prefix(clean.writes, at), {failedToSet(clean.writes, at)}, false, {}, {}};
  };
  runEveryFault(s);
}

TEST_F(FaultInjection, UnlockRefreshrates) {
  Sequence s{"Unlock Refreshrates"};
  s.act = [](Machine& m, Log&) { user::press(*m.form().refreshRatesPage->SpeedResetRR); };
  // The restart prompt follows a complete unlock only.
  s.rule = [](const Outcome& clean, std::size_t at) {
    return Expected{prefix(clean.writes, at), {failedToSet(clean.writes, at)}, false, {}, {}};
  };
  runEveryFault(s);
}

// A refused write ends the programming at once: no source without its
// dividers, no preset after a refused one. "Apply Settings" then marks
// nothing modified, so no start-up values are stored for clocks the card
// did not take.
Expected refusedByTheCard(const Outcome& clean, std::size_t at, std::optional<bool> modified) {
  const std::string& w = clean.writes[at];
  const bool pll = contains(w, "device pll ");
  const std::string target = w.substr(w.find("0x") + 2, pll ? 2 : 4);
  std::string upper;
  for (char c : target) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return {prefix(clean.writes, at),
          {"Cannot program the card: r6probe refused the write to " +
           std::string(pll ? "PLL register 0x" : "register 0x") + upper},
          modified,
          {},
          {}};
}

void chooseClocksAndPresets(Machine& m) {
  overclock::OCPanel& p = *m.form().ocPanel;
  p.trackCoreSpeed->setPosition(p.trackCoreSpeed->position() + 3);
  p.trackMEMSpeed->setPosition(p.trackMEMSpeed->position() + 1);
  p.comboTimings->setItemIndex(2);
  p.comboLatency->setItemIndex(1);
  for (ui::CheckBox* b : {p.checkapplyclock, p.checkapplytiming, p.checkapplylatency})
    b->setChecked(true);
}

TEST_F(FaultInjection, ApplySettings) {
  Sequence s{"Apply Settings"};
  s.act = [](Machine& m, Log&) {
    chooseClocksAndPresets(m);
    user::press(*m.form().ocPanel->buttApplyOC);
  };
  s.rule = [](const Outcome& clean, std::size_t at) { return refusedByTheCard(clean, at, false); };
  runEveryFault(s);
}

TEST_F(FaultInjection, DefaultSettings) {
  Sequence s{"Default Settings"};
  s.act = [](Machine& m, Log&) {
    chooseClocksAndPresets(m);
    user::press(*m.form().ocPanel->butDefault);  // the press itself marks modified
  };
  s.rule = [](const Outcome& clean, std::size_t at) {
    return refusedByTheCard(clean, at, clean.modified);
  };
  runEveryFault(s);
}

// The keys that a failed deletion leaves behind keep their parents: those
// deletions fail as well (a key with subkeys cannot go), silently.
bool isAncestorDeletion(const std::string& write, const std::string& failed) {
  const std::string prefix = "registry delete key ";
  if (write.rfind(prefix, 0) != 0 || failed.rfind(prefix, 0) != 0) return false;
  const std::string key = write.substr(prefix.size()) + "\\";
  return failed.substr(prefix.size()).rfind(key, 0) == 0;
}

TEST_F(FaultInjection, DriverRemovalWithItsBackup) {
  Sequence s{"driver removal with its backup"};
  s.prepare = [](Machine& m) { m.driver("\"x\"=\"y\"\n", "\\Settings\\Nested"); };
  s.act = [](Machine& m, Log& outcome) {
    m.backend.onModal("formAtt", [](ui::Form& f) { user::press(*f.find("Button1")); });
    m.backend.answerMessage(ui::kIdNo);  // no removal without a backup
    user::press(*m.form().sysInfoPage->speedclearreg);
    if (m.form().sysInfoPage->speedclearreg->enabled()) outcome.push_back("button enabled");
  };
  s.rule = [](const Outcome& clean, std::size_t at) {
    const std::string& w = clean.writes[at];
    if (w.rfind("files ", 0) == 0) {
      const bool folder = w.rfind("files create folder ", 0) == 0;
      const std::string path = folder ? w.substr(20) : w.substr(12, w.rfind(" (") - 12);
      return Expected{prefix(clean.writes, at),
                      {"The driver's registry keys could not be backed up before removing "
                       "them: " +
                       std::string(folder ? "the folder \"" : "the file \"") + path +
                       "\" could not " + (folder ? "be created" : "be written") +
                       ": Access is denied.\n\nRemove them anyway? Without a backup they "
                       "cannot be restored."},
                      false,
                      {},
                      {"button enabled"}};
    }
    Log writes;
    for (std::size_t i = 0; i < clean.writes.size(); ++i)
      if (i != at && !(i > at && isAncestorDeletion(clean.writes[i], w)))
        writes.push_back(clean.writes[i]);
    // The rest goes on; what is left is named at the end.
    const std::string videoKey =
        std::string(testing::kDriverKey).substr(0, std::string(testing::kDriverKey).rfind('\\'));
    const std::string left = contains(w, kAtiKey) ? kAtiKey : videoKey;
    return Expected{writes,
                    {"Some of the driver's registry keys could not be removed, probably for lack "
                     "of administrator rights: HKEY_LOCAL_MACHINE\\" +
                     left + "."},
                    false,
                    {},
                    {}};
  };
  runEveryFault(s);
}

TEST_F(FaultInjection, TheStartupProgram) {
  Sequence s{"start-up program (OC\\StartupOverclock.exe)"};
  s.prepare = [](Machine& m) { m.regedit(kStoredOverclock); };
  s.isStartup = true;  // no main window: the program runs alone at logon
  s.act = [](Machine& m, Log& outcome) {
    outcome.push_back("exit " +
                      std::to_string(static_cast<int>(overclock::RunStartupOverclock(m.platform))));
  };
  s.rule = [](const Outcome& clean, std::size_t at) {
    return Expected{prefix(clean.writes, at), {}, std::nullopt, {}, {"exit 8"}};
  };
  runEveryFault(s);
}

}  // namespace
}  // namespace kl::app
