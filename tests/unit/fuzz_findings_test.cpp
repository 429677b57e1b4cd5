// Inputs the fuzzers (fuzz/) found faults with, each kept as a regular case
// of the behaviour it broke.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "platform/error.h"
#include "platform/sim/ini_engine.h"
#include "platform/sim/memory_registry.h"

namespace kl::platform {
namespace {

// A fixture that stops at a malformed line leaves the registry as a test
// sees it: no key handle open, the write counters untouched, a pending
// write failure still pending.
TEST(FuzzFindings, MalformedRegedit4LeavesNoHandleOpenAndTheCountersAsTheyWere) {
  MemoryRegistry registry;
  registry.failWrite(2);
  HKey key = 0;
  ASSERT_EQ(kErrorSuccess, registry.createKey(kHkeyCurrentUser, "Software\\A", kKeyAllAccess, &key));
  ASSERT_EQ(kErrorSuccess, registry.setValue(key, "first", kRegDword,
                                             reinterpret_cast<const std::uint8_t*>("\1\0\0\0"), 4));
  registry.closeKey(key);
  for (const char* text : {"REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=dword:1\nbroken\n",
                           "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A]\n\"v\"=hex:zz\n",
                           "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\A]\n[HKEY_NOWHERE\\B]\n"}) {
    SCOPED_TRACE(text);
    EXPECT_THROW(registry.loadRegedit4(text), Error);
    EXPECT_EQ(0u, registry.openHandles());
    EXPECT_EQ(1u, registry.writeCount());
  }
  ASSERT_EQ(kErrorSuccess, registry.openKey(kHkeyCurrentUser, "Software\\A", kKeyAllAccess, &key));
  const std::uint8_t one[4] = {1, 0, 0, 0};
  EXPECT_EQ(kErrorAccessDenied, registry.setValue(key, "second", kRegDword, one, 4));
  registry.closeKey(key);
}

// A key the registry refuses to create (a name with a NUL) is told with
// the line that names it, like any other line the import cannot take.
TEST(FuzzFindings, AKeyTheRegistryRefusesNamesItsLine) {
  MemoryRegistry registry;
  const char input[] = "REGEDIT4\n\n; HKCU\\ed goesURR\\So9tware\\Cestr\x08""\x00""une]\n\n[HKEY_CURRENT_USER\\Sof\xff""\xff""\xff""\xff""\xff""tw\\Cestr\x08""\x00""une]\n\n[HKEY_CURRENT_USER\\\\\\Program Files\\\\Kestrelu^e\\nelune\\OCInfo]\n";
  const std::string text(input, sizeof input - 1);
  try {
    registry.loadRegedit4(text);
    ADD_FAILURE() << "the key was taken";
  } catch (const Error& e) {
    EXPECT_EQ(0u, std::string(e.what()).rfind("REGEDIT4 line ", 0)) << e.what();
  }
  EXPECT_EQ(0u, registry.openHandles());
}

// A profile value read from a file with NUL bytes in it ends at the first
// one, as the platform's functions hand it over; the error of a setting
// that is then no number quotes the whole value read.
TEST(FuzzFindings, AProfileValueEndsAtANulByte) {
  char pattern[] = "/tmp/kl-nul-XXXXXX";
  const std::string folder = mkdtemp(pattern);
  const std::string file = folder + "/nul.kpf";
  std::ofstream(file, std::ios::binary) << std::string("[DirectX]\nNPatchMode=\0\0iso\nVSync=1\0x\n", 37);
  IniEngine ini;
  EXPECT_EQ("", ini.getString("DirectX", "NPatchMode", "-1", file));
  EXPECT_EQ("1", ini.getString("DirectX", "VSync", "-1", file));
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kl::platform
