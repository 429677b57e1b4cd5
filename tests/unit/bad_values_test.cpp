// Bad values wherever the program reads the registry: every value it reads
// (the settings catalogue, the program's own values, the mode lists, the
// system information keys, the start-up overclock's values) with each kind
// of wrong content: text where a number is expected and the reverse,
// binary, multi-string, empty, very long. Each case starts the program (or
// the start-up overclock) on a fresh machine holding that one bad value and
// checks what the user gets: the program's message or sentinel, no crash,
// and no registry write but those start-up always makes.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/MainProg.h"
#include "app/Program.h"
#include "modes/CustomRes.h"
#include "modes/refreshrates.h"
#include "overclock/OCPanel.h"
#include "overclock/StartupOverclock.h"
#include "platform/registry_access.h"
#include "platform/sim/r6probe_protocol.h"
#include "settings/Catalogues.h"
#include "settings/SettingPages.h"
#include "settings_fixture.h"
#include "sim_machine.h"
#include "sysinfo/SysInfoPage.h"
#include "ui/headless/headless_backend.h"

namespace kl::app {
namespace {

using namespace platform;
using settings::Family;
using settings::Group;

using testing::kDesktopKey;
using testing::keyOfRole;
constexpr char kProgramKey[] = "Software\\Kestrelune";
constexpr char kOCInfoKey[] = "Software\\Kestrelune\\OCInfo";
constexpr std::size_t kVeryLong = 100000;

// ---- the kinds of bad content

enum class Kind {
  Text,          // REG_SZ "1": text where a number is expected
  NoNumber,      // REG_SZ "garbage"
  Dword,         // REG_DWORD 1: a number where text is expected
  Binary,        // REG_BINARY 01 00 00 00
  MultiText,     // REG_MULTI_SZ "1"
  EmptyText,     // REG_SZ of no bytes
  EmptyBinary,   // REG_BINARY of no bytes
  EmptyDword,    // REG_DWORD of no bytes
  LongText,      // REG_SZ of 100000 sevens
  LongBinary,    // REG_BINARY of 100000 bytes 01
};

struct Content {
  Kind kind;
  const char* name;
  std::uint32_t type;
  std::string bytes;
};

const std::vector<Content>& contents() {
  using namespace std::string_literals;
  static const std::vector<Content> all = {
      {Kind::Text, "text \"1\"", kRegSz, "1\0"s},
      {Kind::NoNumber, "text \"garbage\"", kRegSz, "garbage\0"s},
      {Kind::Dword, "DWORD 1", kRegDword, "\1\0\0\0"s},
      {Kind::Binary, "binary 01 00 00 00", kRegBinary, "\1\0\0\0"s},
      {Kind::MultiText, "multi-string \"1\"", kRegMultiSz, "1\0\0"s},
      {Kind::EmptyText, "empty text", kRegSz, ""},
      {Kind::EmptyBinary, "empty binary", kRegBinary, ""},
      {Kind::EmptyDword, "empty DWORD", kRegDword, ""},
      {Kind::LongText, "very long text", kRegSz, std::string(kVeryLong, '7') + '\0'},
      {Kind::LongBinary, "very long binary", kRegBinary, std::string(kVeryLong, '\1')},
  };
  return all;
}

// The proper content of a value's type is no bad value; every other kind is.
bool isBadFor(Kind kind, std::uint32_t properType) {
  switch (kind) {
    case Kind::Text:
      return properType != kRegSz;
    case Kind::Dword:
      return properType != kRegDword;
    case Kind::Binary:
      return properType != kRegBinary;
    default:
      return true;
  }
}

// ---- what the user gets

struct Outcome {
  // The messages start-up shows, in order; none when empty.
  std::vector<std::string> messages;
  // What the value's control or sentinel shows (see Reader::observe).
  std::string shown;
  // Values start-up writes for this content (its fallbacks).
  struct Write {
    HKey root;
    std::string key, name;
    std::int32_t dword;
  };
  std::vector<Write> writes;
  // For the start-up overclock: its exit code.
  int exitCode = -1;
};

Outcome message(const std::string& text, const std::string& shown = "") {
  return Outcome{{text}, shown, {}, -1};
}
Outcome shows(const std::string& shown) { return Outcome{{}, shown, {}, -1}; }
Outcome exits(overclock::StartupExit code) { return Outcome{{}, "", {}, static_cast<int>(code)}; }

class Machine;

// One value the program reads, how its reading shows, and what each kind
// of content must give.
struct Reader {
  std::string what;
  HKey root;
  std::string key, value;
  std::uint32_t properType;
  // REGEDIT4 lines merged into the machine before the bad value is set.
  std::string extraSeed;
  bool startupOverclock = false;  // read by OC\StartupOverclock.exe, not by start-up
  std::function<std::string(Machine&)> observe;
  std::function<Outcome(Kind)> expect;
};

// ---- the machine: the simulated XP PC with every value start-up reads

class Machine {
 public:
  explicit Machine(const Reader& reader) {
    testing::seedXpRadeon(sim_);
    testing::seedFixedModes(sim_);
    sim_.registry.loadRegedit4(
        "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Kestrelune]\n"
        "\"FirstRun\"=\"No\"\n\"overclock\"=dword:00000000\n\"8500\"=dword:00000000\n\n"
        "[HKEY_CURRENT_USER\\Software\\Kestrelune\\OCInfo]\n"
        "\"Core\"=\"274.50\"\n\"Mem\"=\"274.50\"\n\"Card\"=\"non 7500/8500\"\n\"Tim\"=\"1\"\n"
        "\"Lat\"=\"0\"\n\"apply_tim\"=dword:00000001\n\"apply_lat\"=dword:00000001\n\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS\\System\\0]\n"
        "\"CPU Name\"=\"Intel(R) Pentium(R) 4 CPU 2.00GHz\"\n\"SSE\"=\"Yes (Enabled)\"\n"
        "\"SSE2\"=\"Yes (Enabled)\"\n\"3DNow\"=\"No (Disabled)\"\n\"MMX\"=\"Yes (Enabled)\"\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\ATI Technologies\\CDS\\0000\\0\\MEMORY]\n"
        "\"Type\"=\"DDR SGRAM (x)\"\n\"Size\"=\"64.00 MB\"\n\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\DirectX]\n\"Version\"=\"4.09.00.0904\"\n\n"
        "[HKEY_LOCAL_MACHINE\\" + std::string(testing::kDriverKey) + "]\n"
        "\"ReleaseVersion\"=\"6.14.10.6343\"\n\n" + reader.extraSeed);
    sim_.device.installCard(catalogueCard(CatalogueCard::Radeon8500));
  }

  // Sets the value to `content`, or removes it for null.
  void set(const Reader& r, const Content* content) {
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, sim_.registry.createKey(r.root, r.key, kKeyAllAccess, &key));
    sim_.registry.deleteValue(key, r.value);
    if (content) {
      ASSERT_EQ(kErrorSuccess,
                sim_.registry.setValue(key, r.value, content->type,
                                       reinterpret_cast<const std::uint8_t*>(content->bytes.data()),
                                       static_cast<std::uint32_t>(content->bytes.size())));
    }
    sim_.registry.closeKey(key);
  }

  void start() {
    program_ = std::make_unique<Program>(platform_, backend_);
    program_->createWindows();
  }
  int runStartupOverclock() { return static_cast<int>(overclock::RunStartupOverclock(platform_)); }

  TMainForm& form() { return *program_->windows().MainForm; }
  settings::SettingPages& pages() { return *form().settingPages; }
  std::vector<std::string> messages() const {
    std::vector<std::string> texts;
    for (const auto& m : backend_.messages()) texts.push_back(m.text);
    return texts;
  }
  std::string snapshot() { return sim_.registry.saveRegedit4(); }
  bool cardWritten() const {
    for (const DeviceRequest& r : sim_.device.requests())
      if (r.code == r6probe::kWriteRegister || r.code == r6probe::kWritePllRegister) return true;
    return false;
  }
  SimPlatform& sim() { return sim_; }

 private:
  SimPlatform sim_;
  Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<Program> program_;
};

// The registry `before` with `writes` made: what start-up may leave.
std::string withWrites(const std::string& before, const std::vector<Outcome::Write>& writes) {
  MemoryRegistry expected;
  expected.loadRegedit4(before);
  for (const auto& w : writes) {
    HKey key = 0;
    expected.createKey(w.root, w.key, kKeyAllAccess, &key);
    const auto v = static_cast<std::uint32_t>(w.dword);
    const std::uint8_t bytes[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                                   static_cast<std::uint8_t>(v >> 16),
                                   static_cast<std::uint8_t>(v >> 24)};
    expected.setValue(key, w.name, kRegDword, bytes, 4);
    expected.closeKey(key);
  }
  return expected.saveRegedit4();
}

// ---- observing controls

std::string describe(ui::Control* c) {
  if (auto* box = dynamic_cast<ui::CheckBox*>(c)) {
    switch (box->state()) {
      case ui::CheckState::Checked:
        return "checked";
      case ui::CheckState::Unchecked:
        return "unchecked";
      case ui::CheckState::Grayed:
        return "grayed";
    }
  }
  if (auto* combo = dynamic_cast<ui::ComboBox*>(c)) return "item " + std::to_string(combo->itemIndex());
  if (auto* track = dynamic_cast<ui::TrackBar*>(c)) return "at " + std::to_string(track->position());
  if (auto* spin = dynamic_cast<ui::SpinEdit*>(c)) return "value " + std::to_string(spin->value());
  return c ? "text " + c->text() : "(no control)";
}

std::string controlText(Machine& m, const char* name) { return describe(m.form().find(name)); }

// ---- the settings catalogue

std::uint32_t typeOf(Family family) {
  switch (family) {
    case Family::Text:
      return kRegSz;
    case Family::Dword:
      return kRegDword;
    case Family::BinaryFlag:
      break;
  }
  return kRegBinary;
}

// A check box of the text family reads "1" (or "0" when inverted) as
// checked, any other text as unchecked; the value rules turn the text into
// a number. Any type but text stops the group's load with the type error.
Outcome textBinding(const settings::BindingRow& row, Kind kind) {
  const std::string typeError = std::string("Invalid data type for '") + row.valueName + "'";
  const bool rule = row.rule != nullptr;
  switch (kind) {
    case Kind::NoNumber:
      return rule ? message("'garbage' is not a valid integer value", "not loaded")
                  : shows("unchecked");
    case Kind::LongText:
      return rule ? message("'" + std::string(kVeryLong, '7') + "' is not a valid integer value",
                            "not loaded")
                  : shows("unchecked");
    case Kind::EmptyText:
    case Kind::EmptyBinary:
    case Kind::EmptyDword:
      return shows("as absent");
    default:
      return message(typeError, "not loaded");
  }
}

// A DWORD-family value reads as not set whenever it cannot be read as a
// DWORD; an empty DWORD holds no bytes and reads as 0.
Outcome dwordBinding(const settings::BindingRow& row, Kind kind) {
  if (kind != Kind::EmptyDword) return shows("as absent");
  if (row.rule) return shows("as 0");
  return shows(row.sense == settings::Sense::Inverted ? "checked" : "unchecked");
}

// A driver tab flag is the first byte of a binary value: 1 checked, 0
// unchecked; text, numbers, empty values and other bytes read as not set.
Outcome flagBinding(Kind kind) {
  return shows(kind == Kind::LongBinary ? "checked" : "as absent");
}

void addBindingReaders(std::vector<Reader>& readers) {
  for (std::size_t g = 0; g < settings::kGroupCount; ++g) {
    const auto group = static_cast<Group>(g);
    const settings::Catalogue& c = settings::catalogueOf(group);
    for (const settings::BindingRow& row : c.rows) {
      Reader r{std::string(c.section) + " " + row.valueName, kHkeyLocalMachine,
               keyOfRole(row.role), row.valueName, typeOf(c.family), "", false, {}, {}};
      const std::string control = row.control;
      r.observe = [group, control](Machine& m) {
        return m.pages().loaded(group) ? describe(m.form().find(control)) : "not loaded";
      };
      const Family family = c.family;
      r.expect = [row, family](Kind kind) {
        switch (family) {
          case Family::Text:
            return textBinding(row, kind);
          case Family::Dword:
            return dwordBinding(row, kind);
          case Family::BinaryFlag:
            break;
        }
        return flagBinding(kind);
      };
      readers.push_back(r);
    }
  }
}

// ---- every other value

Outcome::Write zeroOf(const char* name) { return {kHkeyCurrentUser, kProgramKey, name, 0}; }

// "overclock" and "8500": a value that is no DWORD is written as 0 and the
// box stays unchecked; an empty DWORD reads as 0.
Reader startupFlag(const char* name, const char* box) {
  return {std::string("program value ") + name, kHkeyCurrentUser, kProgramKey, name, kRegDword,
          "", false, [box](Machine& m) { return controlText(m, box); },
          [name](Kind kind) {
            Outcome o = shows("unchecked");
            if (kind != Kind::EmptyDword) o.writes.push_back(zeroOf(name));
            return o;
          }};
}

// Texts of the system information: another type reads as empty.
Reader sysInfoText(const std::string& key, const char* value, const char* label,
                   std::function<std::string(Kind)> shown) {
  return {std::string("system information ") + value, kHkeyLocalMachine, key, value, kRegSz, "",
          false, [label](Machine& m) { return controlText(m, label); },
          [shown](Kind kind) { return shows(shown(kind)); }};
}

bool isText(Kind kind) { return kind == Kind::NoNumber || kind == Kind::LongText; }
bool isEmpty(Kind kind) {
  return kind == Kind::EmptyText || kind == Kind::EmptyBinary || kind == Kind::EmptyDword;
}
std::string longText() { return std::string(kVeryLong, '7'); }

// The start-up overclock's values: a value of another type is a missing
// value (2); a text that is no clock is 3, an unknown card or preset 4.
Reader ocInfo(const char* name, std::uint32_t type,
              std::function<overclock::StartupExit(Kind)> exit) {
  return {std::string("start-up overclock ") + name, kHkeyCurrentUser, kOCInfoKey, name, type, "",
          true, nullptr, [exit](Kind kind) { return exits(exit(kind)); }};
}

void addOtherReaders(std::vector<Reader>& readers) {
  using overclock::StartupExit;
  const std::string cpu = "SOFTWARE\\ATI Technologies\\CDS\\System\\0";
  const std::string memory = "Software\\ATI Technologies\\CDS\\0000\\0\\MEMORY";

  const auto vsyncOrNotLoaded = [](Machine& m) {
    return m.pages().loaded(Group::DirectX) ? controlText(m, "checkVSync") : "not loaded";
  };
  // Only "Yes" starts the first-run reset; nothing else writes anything.
  readers.push_back({"program value FirstRun", kHkeyCurrentUser, kProgramKey, "FirstRun", kRegSz,
                     "", false,
                     [](Machine& m) {
                       platform::RegistryAccess reg(m.sim().registry, kHkeyLocalMachine);
                       reg.openKeyReadOnly(testing::kDriverKey);
                       return std::string(reg.valueExists("DALRestrictedModesBCD") ? "reset"
                                                                                  : "not reset");
                     },
                     [](Kind) { return shows("not reset"); }});
  // The switch of the typed driver key: another type stops every lookup of
  // the driver key, and start-up says why, once.
  // The switch of the typed driver key: another type stops every lookup of
  // the driver key, and start-up says why, once. A text of more than the
  // four bytes of a DWORD cannot even be fetched.
  readers.push_back({"program value Use_AltPath", kHkeyCurrentUser, kProgramKey, "Use_AltPath",
                     kRegDword, "", false, vsyncOrNotLoaded, [](Kind kind) {
                       if (kind == Kind::EmptyDword) return shows("grayed");
                       if (kind == Kind::NoNumber || kind == Kind::LongText ||
                           kind == Kind::LongBinary)
                         return message("Failed to get data for 'Use_AltPath'", "not loaded");
                       return message("Invalid data type for 'Use_AltPath'", "not loaded");
                     }});
  readers.push_back(
      {"program value AlternativePath", kHkeyCurrentUser, kProgramKey, "AlternativePath", kRegSz,
       "[HKEY_CURRENT_USER\\Software\\Kestrelune]\n\"Use_AltPath\"=dword:00000001\n", false,
       vsyncOrNotLoaded, [](Kind kind) {
         if (isText(kind) || isEmpty(kind)) return shows("grayed");
         return message("Invalid data type for 'AlternativePath'", "not loaded");
       }});
  readers.push_back({"program value installpath", kHkeyCurrentUser, kProgramKey, "installpath",
                     kRegSz, "", false,
                     [](Machine& m) { return m.form().OpenProfile->initialDir; },
                     [](Kind kind) {
                       if (kind == Kind::NoNumber) return shows("garbageProfiles");
                       if (kind == Kind::LongText) return shows(longText() + "Profiles");
                       return shows("Profiles");
                     }});
  readers.push_back(
      {"program value version", kHkeyCurrentUser, kProgramKey, "version", kRegSz, "", false,
       [](Machine& m) { return m.form().statusBar->panels().at(0).text; }, [](Kind kind) {
         if (kind == Kind::NoNumber) return shows("Kestrelune garbage");
         if (kind == Kind::LongText) return shows("Kestrelune " + longText());
         if (isEmpty(kind)) return shows("Kestrelune ");  // no bytes: no type to refuse
         return shows("Kestrelune Cannot detect");
       }});
  readers.push_back(startupFlag("overclock", "checkRunAtStartup"));
  readers.push_back(startupFlag("8500", "check8500OC"));

  // The published driver key: one that cannot be read is "Cannot find
  // driver", and start-up goes on without a driver key.
  readers.push_back(
      {"published driver key", kHkeyLocalMachine, "HARDWARE\\DEVICEMAP\\VIDEO", "\\Device\\Video0",
       kRegSz, "", false, [](Machine& m) { return controlText(m, "checkVSync"); }, [](Kind kind) {
         if (isText(kind) || isEmpty(kind)) return shows("grayed");
         return message("Cannot find driver", "grayed");  // once, not once per setting
       }});
  readers.push_back({"driver value drv", kHkeyLocalMachine, testing::kDriverKey, "drv", kRegSz, "",
                     false, [](Machine& m) { return controlText(m, "labelDriver"); },
                     [](Kind kind) {
                       if (kind == Kind::NoNumber) return shows("text garbage");
                       if (kind == Kind::LongText) return shows("text " + longText());
                       if (isEmpty(kind)) return shows("text ");
                       return shows("text Cannot detect");
                     }});
  const auto plain = [](const std::string& good) {
    return [good](Kind kind) {
      if (kind == Kind::NoNumber) return "text " + good;
      if (kind == Kind::LongText) return "text " + std::string(kVeryLong, '7');
      return std::string("text ");
    };
  };
  readers.push_back(sysInfoText(testing::kDriverKey, "Device Description", "labelRadeonType",
                                plain("garbage")));
  readers.push_back(sysInfoText(testing::kDriverKey, "ReleaseVersion", "labelRadeonType",
                                [](Kind) { return "text RADEON 8500 Series"; }));
  readers.push_back(sysInfoText("Software\\Microsoft\\DirectX", "Version", "labelDXVers",
                                plain("garbage")));
  // The memory type is the text in front of " (": none without one.
  readers.push_back(sysInfoText(memory, "Type", "labelamountmem", [](Kind) { return "text 64"; }));
  readers.push_back(sysInfoText(memory, "Size", "labelamountmem",
                                [](Kind) { return "text DDR SGRAM"; }));
  // The name less a last word that starts with a digit (its clock figure):
  // "1" and the long run of sevens are all clock figure.
  readers.push_back(sysInfoText(cpu, "CPU Name", "labelCPUid", [](Kind kind) {
    return kind == Kind::NoNumber ? "text garbage" : "text Cannot detect";
  }));
  // An extension whose value cannot be read is not listed.
  for (const char* extension : {"SSE", "SSE2", "3DNow", "MMX"})
    readers.push_back(sysInfoText(cpu, extension, "labelSupModes", [extension](Kind) {
      const std::string all[] = {"SSE", "SSE2", "MMX"};
      std::string list;
      for (const std::string& e : all)
        if (e != extension) list += (list.empty() ? "" : ", ") + e;
      return "text " + list;
    }));

  // The custom resolutions: a list that is not binary, or longer than the
  // 2048 bytes the list may hold, is refused with the type error naming it.
  for (const char* name : {"DALNonStandardModesBCD", "DALNonStandardModesBCD1"}) {
    const std::string first = "DALNonStandardModesBCD";
    // The second name is read only when the first delivers no bytes.
    const std::string seed = name == first ? "" :
        "[HKEY_LOCAL_MACHINE\\" + std::string(testing::kDriverKey) + "]\n\"" + first + "\"=-\n";
    readers.push_back(
        {std::string("mode list ") + name, kHkeyLocalMachine, testing::kDriverKey, name,
         kRegBinary, seed, false,
         [](Machine& m) { return m.form().customResPage->loaded() ? "loaded" : "not loaded"; },
         [name](Kind kind) {
           if (kind == Kind::EmptyBinary) return shows("loaded");
           return message(std::string("Invalid data type for '") + name + "'", "not loaded");
         }});
  }
  // Any restricted list that is not empty keeps the rates locked.
  for (const char* name : {"DALRestrictedModesBCD", "DALRestrictedModesBCD1",
                           "DALRestrictedModesBCD2", "DALRestrictedModesBCD3"})
    readers.push_back({std::string("mode list ") + name, kHkeyLocalMachine, testing::kDriverKey,
                       name, kRegBinary, "", false,
                       [](Machine& m) { return m.form().refreshRatesPage->groupRes->text(); },
                       [](Kind) { return shows(" Refreshrates (Locked) "); }});

  const auto clock = [](Kind kind) {
    if (kind == Kind::NoNumber || kind == Kind::EmptyText) return StartupExit::NotANumber;
    if (kind == Kind::LongText) return StartupExit::ClockOutOfRange;
    return StartupExit::MissingValue;
  };
  const auto choice = [](Kind kind) {
    return isText(kind) || kind == Kind::EmptyText ? StartupExit::UnknownValue
                                                   : StartupExit::MissingValue;
  };
  readers.push_back(ocInfo("Core", kRegSz, clock));
  readers.push_back(ocInfo("Mem", kRegSz, clock));
  for (const char* name : {"Card", "Tim", "Lat"}) readers.push_back(ocInfo(name, kRegSz, choice));
  for (const char* name : {"apply_tim", "apply_lat"})
    readers.push_back(ocInfo(name, kRegDword, [](Kind kind) {
      return kind == Kind::EmptyDword ? StartupExit::Programmed : StartupExit::MissingValue;
    }));
}

std::vector<Reader> allReaders() {
  std::vector<Reader> readers;
  addBindingReaders(readers);
  addOtherReaders(readers);
  return readers;
}

// What the value shows when it is absent: the sentinel the bad content is
// expected to read as, where "as absent" is expected.
std::string shownWhenAbsent(const Reader& r) {
  Machine m(r);
  m.set(r, nullptr);
  m.start();
  return r.observe(m);
}

void checkStartup(const Reader& r, const Content& content, Outcome expected) {
  Machine m(r);
  m.set(r, &content);
  const std::string before = m.snapshot();
  m.start();
  if (expected.shown == "as absent") expected.shown = shownWhenAbsent(r);
  if (expected.shown == "as 0") {
    const Content zero{Kind::Dword, "DWORD 0", kRegDword, std::string("\0\0\0\0", 4)};
    Machine z(r);
    z.set(r, &zero);
    z.start();
    expected.shown = r.observe(z);
  }
  EXPECT_EQ(expected.messages, m.messages());
  EXPECT_EQ(expected.shown, r.observe(m));
  EXPECT_EQ(withWrites(before, expected.writes), m.snapshot());
}

void checkStartupOverclock(const Reader& r, const Content& content, const Outcome& expected) {
  Machine m(r);
  m.set(r, &content);
  const std::string before = m.snapshot();
  EXPECT_EQ(expected.exitCode, m.runStartupOverclock());
  EXPECT_EQ(expected.exitCode == 0, m.cardWritten());
  EXPECT_EQ(before, m.snapshot());
}

TEST(BadValues, EveryValueReadGivesItsMessageOrSentinelAndWritesNothingUnasked) {
  const std::vector<Reader> readers = allReaders();
  ASSERT_GT(readers.size(), 130u);
  int cases = 0;
  for (const Reader& r : readers) {
    for (const Content& content : contents()) {
      if (!isBadFor(content.kind, r.properType)) continue;
      SCOPED_TRACE(r.what + " holding " + content.name);
      ++cases;
      const Outcome expected = r.expect(content.kind);
      if (r.startupOverclock)
        checkStartupOverclock(r, content, expected);
      else
        checkStartup(r, content, expected);
    }
  }
  std::printf("%zu values read, %d bad contents tried\n", readers.size(), cases);
}


// ---- profiles

struct BadProfile {
  const char* what;
  std::string text;
  bool refused;  // "The profile ... holds no Kestrelune settings."
  // role, value name, what the registry holds after the profile's Apply
  std::vector<std::array<std::string, 3>> after;
};

std::vector<BadProfile> badProfiles() {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 37 + i / 256) % 256);
  const std::string mb(1 << 20, '1');
  return {
      {"binary garbage", garbage, true, {{"D3D", "VSync", "SZ 1"}, {"OGL", "OGLTracing", "DWORD 1"}}},
      {"nothing but unknown keys", "[DirectX]\nNoSuchSetting=1\n[Other]\nVSync=1\n", true,
       {{"D3D", "VSync", "SZ 1"}}},
      // A value is read into the platform's 2048-character buffer: 2047 ones are not "1".
      {"a line of 1 MB as a value", "[DirectX]\nVSync=" + mb + "\nPixelCenter=1\n", false,
       {{"D3D", "VSync", "SZ 0"}, {"D3D", "PixelCenter", "SZ 1"}}},
      {"a line of 1 MB as a key", "[DirectX]\n" + mb + "\nVSync=0\n", false,
       {{"D3D", "VSync", "SZ 0"}}},
      {"a line of 1 MB as a section", "[" + mb + "]\nVSync=0\n[DirectX]\nVSync=0\n", false,
       {{"D3D", "VSync", "SZ 0"}}},
      // The first section of a name, and in it the first key of a name, is the one read.
      {"duplicate sections and keys",
       "[DirectX]\nVSync=0\nVSync=1\n[directx]\nPixelCenter=1\n[OpenGL]\nOGLTracing=1\n"
       "[OPENGL]\nOGLTracing=0\n",
       false,
       {{"D3D", "VSync", "SZ 0"}, {"D3D", "PixelCenter", "absent"}, {"OGL", "OGLTracing", "DWORD 1"}}},
      // Numbers outside what a setting offers: ranges clamp, unknown codes
      // leave the control, numbers past 32 bits read as not set.
      {"numbers out of range",
       "[DirectX]\nZCompressionMode=99\nNPatchMode=-12\n[DirectX Advanced]\nNPatchMode=12\n"
       "[OpenGL]\nOGLWaitVerticalSync=4294967296\nOGLLODBias=99999999999\n"
       "OGLSubPixelPrecision=-5\n[DriverTabs]\nMaxx=7\n",
       false,
       {{"D3D", "ZCompressionMode", "SZ 3"},
        {"D3D", "NPatchMode", "SZ 7"},
        {"OGL", "OGLWaitVerticalSync", "absent"},
        {"OGL", "OGLLODBias", "DWORD 0"},
        {"OGL", "OGLSubPixelPrecision", "DWORD 0"},
        {"Driver", "Maxx", "BINARY 00 00 00 00"}}},
  };
}

// Opening a bad profile applies what it holds and nothing else, or, when it
// holds no setting at all, is refused before anything is written.
TEST(BadValues, BadProfilesOpenAsTheirSettingsSayOrAreRefused) {
  for (const BadProfile& p : badProfiles()) {
    SCOPED_TRACE(p.what);
    SimPlatform sim;
    Platform platform = sim.view();
    ui::HeadlessBackend backend;
    testing::seedXpRadeon(sim);
    testing::seedFixedModes(sim);
    sim.registry.loadRegedit4("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + keyOfRole("D3D") +
                              "]\n\"VSync\"=\"1\"\n\n[HKEY_LOCAL_MACHINE\\" + keyOfRole("OGL") +
                              "]\n\"OGLTracing\"=dword:00000001\n\n[HKEY_LOCAL_MACHINE\\" +
                              kDesktopKey + "]\n");
    Program program(platform, backend);
    program.createWindows();
    TMainForm& form = *program.windows().MainForm;
    char pattern[] = "/tmp/kl-bad-profile-XXXXXX";
    const std::string folder = mkdtemp(pattern);
    const std::string file = folder + "/bad.kpf";
    std::ofstream(file, std::ios::binary) << p.text;
    const std::string before = sim.registry.saveRegedit4();
    backend.clearMessages();
    backend.onModal("Confirmation", [](ui::Form& f) { f.userClose(); });
    backend.answerFileDialog(file);
    static_cast<ui::MenuItem*>(form.find("menuitemOpen"))->userClick();
    std::vector<std::string> shown;
    for (const auto& m : backend.messages()) shown.push_back(m.text);
    if (p.refused) {
      EXPECT_EQ(std::vector<std::string>{"The profile " + file + " holds no Kestrelune settings."},
                shown);
      EXPECT_EQ(before, sim.registry.saveRegedit4());
      EXPECT_EQ(0, backend.modalCount("Confirmation"));
    } else {
      EXPECT_EQ(std::vector<std::string>{}, shown);
      EXPECT_EQ(1, backend.modalCount("Confirmation"));
    }
    for (const auto& [role, name, value] : p.after) EXPECT_EQ(value, testing::storedValue(sim.registry, role, name)) << name;
    std::filesystem::remove_all(folder);
  }
}

}  // namespace
}  // namespace kl::app
