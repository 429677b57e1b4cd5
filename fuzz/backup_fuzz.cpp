// "Clear driver from registry" over an arbitrary tree below the two keys it
// removes (the ATI software key and the driver's own video key): key and
// value names with brackets, quotes, backslashes, "=", "@", non-ASCII bytes,
// line breaks and NULs, up to the registry's lengths; values of every type
// the driver keys hold and any other, of any length, empty ones and the
// default value. The program's removal runs as the menu runs it; then
//  - a tree with a name the REGEDIT4 format cannot hold (a line break or a
//    NUL) is refused with a message: nothing deleted, no backup written;
//  - any other tree is removed, and importing the backup it left with the
//    program's REGEDIT4 reader gives back the registry as it was before,
//    every key, value, type and byte.
#include <fuzzer/FuzzedDataProvider.h>

#include <filesystem>

#include "app/DriverRemoval.h"
#include "fuzz_machine.h"
#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/registry_access.h"
#include "registry_probe.h"
#include "ui/headless/headless_backend.h"

namespace {

namespace reg = kl::platform;
using reg::kHkeyLocalMachine;

constexpr char kAtiKey[] = "SOFTWARE\\ATI Technologies";
constexpr char kOwnKey[] =
    "System\\CurrentControlSet\\Control\\Video\\{5E9A5D46-1B0C-4C5E-9F3B-2A6C1E8D7F01}";
// The limits of Windows 2000 and XP: key names of 255 characters, value
// names of 16,383.
constexpr std::size_t kKeyNameLimit = 255;
constexpr std::size_t kValueNameLimit = 16383;
constexpr std::size_t kDataLimit = 0x4000;

// Pieces of names: what REGEDIT4 quotes, escapes or gives a meaning, bytes
// of other code pages, and what it cannot hold.
const std::string kPieces[] = {"[",     "]",      "\"",     "\\",      "=",         "@",
                               "\xE9",  "\xFF",   "\x81",   " ",       ";",         "-",
                               "hex:",  "=hex(7):00,\\", "dword:",  "\\\\",      "\\n",
                               "a",     "Z",      "{5E9A}", "\r",      "\n",        std::string(1, '\0'),
                               "\t",    "[-HKEY_LOCAL_MACHINE\\x]", "\"=\"", "@=-"};

std::string piece(FuzzedDataProvider& in) {
  return kPieces[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kPieces) - 1)];
}

std::string text(FuzzedDataProvider& in, std::size_t limit) {
  std::string s;
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:
      s = in.ConsumeRandomLengthString(40);
      break;
    case 1: {  // up to the limit: a piece over and over, with one at the end
      const std::string repeated = piece(in);
      const std::size_t length = in.ConsumeIntegralInRange<std::size_t>(1, limit);
      while (s.size() < length) s += repeated;
      s += piece(in);
      break;
    }
    default:
      for (int n = in.ConsumeIntegralInRange(1, 8); n > 0; --n) s += piece(in);
  }
  if (s.size() > limit) s.resize(limit);
  return s;
}

bool unwritable(const std::string& name) {
  return name.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

std::uint32_t valueType(FuzzedDataProvider& in) {
  static constexpr std::uint32_t kTypes[] = {reg::kRegSz,     2 /* REG_EXPAND_SZ */,
                                             reg::kRegBinary, reg::kRegDword,
                                             7 /* REG_MULTI_SZ */, reg::kRegNone};
  if (in.ConsumeIntegralInRange(0, 7) == 0) return in.ConsumeIntegral<std::uint32_t>();
  return in.PickValueInArray(kTypes);
}

std::string valueData(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange(0, 3)) {
    case 0:  // a text as the registry holds it, NUL-terminated
      return text(in, 200) + std::string(1, '\0');
    case 1: {  // texts of a REG_MULTI_SZ: each NUL-terminated, one more NUL
      std::string s;
      for (int n = in.ConsumeIntegralInRange(0, 4); n > 0; --n) s += text(in, 40) + '\0';
      return s + '\0';
    }
    case 2:
      return text(in, kDataLimit);
    default:
      return in.ConsumeRandomLengthString(64);
  }
}

struct Tree {
  std::vector<std::string> keys = {kAtiKey, kOwnKey};
  bool unwritable = false;
};

void grow(FuzzedDataProvider& in, reg::Registry& registry, Tree* tree) {
  const std::string parent =
      tree->keys[in.ConsumeIntegralInRange<std::size_t>(0, tree->keys.size() - 1)];
  reg::HKey key = 0;
  KL_FUZZ_CHECK(registry.createKey(kHkeyLocalMachine, parent, reg::kKeyAllAccess, &key) ==
                    reg::kErrorSuccess,
                "a key of the tree could not be created");
  if (in.ConsumeBool()) {
    // A key name holds no backslash and is never empty.
    std::string name = text(in, kKeyNameLimit);
    for (char& c : name)
      if (c == '\\') c = '/';
    if (name.empty()) name = "k";
    reg::HKey child = 0;
    KL_FUZZ_CHECK(registry.createKey(key, name, reg::kKeyAllAccess, &child) == reg::kErrorSuccess,
                  "a subkey could not be created");
    registry.closeKey(child);
    tree->keys.push_back(parent + "\\" + name);
    tree->unwritable |= unwritable(name);
  } else {
    const std::string name = in.ConsumeIntegralInRange(0, 5) == 0 ? "" : text(in, kValueNameLimit);
    const std::uint32_t type = valueType(in);
    const std::string data = valueData(in);
    KL_FUZZ_CHECK(registry.setValue(key, name, type,
                                    reinterpret_cast<const std::uint8_t*>(data.data()),
                                    static_cast<std::uint32_t>(data.size())) == reg::kErrorSuccess,
                  "a value could not be set");
    tree->unwritable |= unwritable(name);
  }
  registry.closeKey(key);
}

std::string readAndRemove(const std::filesystem::path& file) {
  const std::string bytes = kl::fuzz::readFile(file.string());
  std::filesystem::remove(file);
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  reg::SimPlatform sim;
  kl::fuzz::seedXpRadeon(sim);
  const std::string folder = kl::fuzz::scratchFolder();
  reg::HKey own = 0;
  sim.registry.createKey(reg::kHkeyCurrentUser, "Software\\Kestrelune", reg::kKeyAllAccess, &own);
  const std::string install = folder + "/";
  sim.registry.setValue(own, "installpath", reg::kRegSz,
                        reinterpret_cast<const std::uint8_t*>(install.c_str()),
                        static_cast<std::uint32_t>(install.size() + 1));
  sim.registry.closeKey(own);

  Tree tree;
  for (int n = 0; n < 48 && in.remaining_bytes() > 0; ++n) grow(in, sim.registry, &tree);
  const kl::testing::RegistryDump before = kl::testing::dumpTree(sim.registry, kHkeyLocalMachine, "");

  reg::Platform platform = sim.view();
  kl::ui::HeadlessBackend backend;
  kl::ui::Application app(backend);
  const bool removed = kl::app::removeDriverKeys(platform, app);
  const std::filesystem::path backup =
      std::filesystem::path(folder) / "Backup" / "driver-2026-12-09-143005.reg";
  KL_FUZZ_CHECK(sim.registry.openHandles() == 0, "the removal left a key open");

  if (tree.unwritable) {
    KL_FUZZ_CHECK(!removed, "a tree the backup cannot hold was removed");
    KL_FUZZ_CHECK(kl::testing::dumpTree(sim.registry, kHkeyLocalMachine, "") == before,
                  "a refused removal changed the registry");
    KL_FUZZ_CHECK(!std::filesystem::exists(backup), "a refused removal wrote a backup");
    KL_FUZZ_CHECK(backend.messages().size() == 1 &&
                      backend.messages()[0].text.rfind(
                          "The driver's registry keys were not removed", 0) == 0,
                  "a refused removal did not say why");
    return 0;
  }
  for (const auto& m : backend.messages()) std::fprintf(stderr, "message: %s\n", m.text.c_str());
  KL_FUZZ_CHECK(removed && backend.messages().empty(), "a removal that can be backed up failed");
  reg::RegistryAccess machine(sim.registry, kHkeyLocalMachine);
  KL_FUZZ_CHECK(!machine.keyExists(kAtiKey) && !machine.keyExists(kOwnKey),
                "the removal left a key");
  KL_FUZZ_CHECK(std::filesystem::exists(backup), "the removal wrote no backup");
  const std::string text = readAndRemove(backup);
  try {
    sim.registry.loadRegedit4(text);
  } catch (const kl::Error& e) {
    std::fprintf(stderr, "%s\n", e.what());
    KL_FUZZ_CHECK(false, "the backup does not import");
  }
  KL_FUZZ_CHECK(kl::testing::dumpTree(sim.registry, kHkeyLocalMachine, "") == before,
                "importing the backup does not give back the registry as it was");
  return 0;
}
