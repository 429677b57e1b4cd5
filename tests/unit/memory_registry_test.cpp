// What the in-memory registry adds for tests: read-only roots, injected write
// failures and REGEDIT4 text. Windows behaviour itself is in the contract cases.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/sim/memory_registry.h"

namespace kl::platform {
namespace {

constexpr char kSeed[] =
    "REGEDIT4\r\n"
    "\r\n"
    "; a driver key as the prefix seeding leaves it\r\n"
    "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Video\\{G}\\0000]\r\n"
    "\"drv\"=\"ati2dvag\"\r\n"
    "\"Path\"=\"C:\\\\Program Files\\\\Kestrelune\\\\ \\\"q\\\"\"\r\n"
    "\"ZFormats\"=dword:00000007\r\n"
    "\"Rotation\"=hex:01,07\r\n"
    "\"Long\"=hex:00,01,02,\\\r\n"
    "  03,04\r\n"
    "\"Exp\"=hex(2):25,00\r\n"
    "@=\"default\"\r\n"
    "\r\n"
    "[HKEY_CURRENT_USER\\Software\\Kestrelune]\r\n"
    "\"Use_AltPath\"=dword:00000000\r\n";

TEST(MemoryRegistryText, LoadsEveryKindOfValue) {
  MemoryRegistry reg;
  reg.loadRegedit4(kSeed);
  RegistryAccess a(reg, kHkeyLocalMachine);
  ASSERT_TRUE(a.openKey("System\\CurrentControlSet\\Control\\Video\\{G}\\0000", false));
  EXPECT_EQ("ati2dvag", a.readString("drv"));
  EXPECT_EQ("C:\\Program Files\\Kestrelune\\ \"q\"", a.readString("Path"));
  EXPECT_EQ(7, a.readInteger("ZFormats"));
  std::uint8_t bytes[8] = {};
  EXPECT_EQ(2, a.readBinaryData("Rotation", bytes, 8));
  EXPECT_EQ(0x07, bytes[1]);
  EXPECT_EQ(5, a.readBinaryData("Long", bytes, 8));
  EXPECT_EQ(0x04, bytes[4]);
  EXPECT_EQ(RegDataType::ExpandString, a.getDataType("Exp"));
  EXPECT_EQ("default", a.readString(""));
}

TEST(MemoryRegistryText, SavedTextLoadsBackToTheSameRegistry) {
  MemoryRegistry first, second;
  first.loadRegedit4(kSeed);
  const std::string text = first.saveRegedit4();
  second.loadRegedit4(text);
  EXPECT_EQ(text, second.saveRegedit4());
  EXPECT_NE(std::string::npos, text.find("\"Rotation\"=hex:01,07\n"));
  EXPECT_NE(std::string::npos, text.find("\"ZFormats\"=dword:00000007\n"));
}

TEST(MemoryRegistryText, DeletionsAndErrors) {
  MemoryRegistry reg;
  reg.loadRegedit4(kSeed);
  reg.loadRegedit4(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Kestrelune]\n\"Use_AltPath\"=-\n"
      "[-HKEY_LOCAL_MACHINE\\System]\n");
  RegistryAccess a(reg, kHkeyCurrentUser);
  ASSERT_TRUE(a.openKey("Software\\Kestrelune", false));
  EXPECT_FALSE(a.valueExists("Use_AltPath"));
  EXPECT_FALSE(RegistryAccess(reg, kHkeyLocalMachine).keyExists("System"));

  for (const char* bad : {"[HKEY_LOCAL_MACHINE\\X]\n", "REGEDIT4\n\"a\"=\"b\"\n",
                          "REGEDIT4\n[HKEY_NOWHERE\\X]\n", "REGEDIT4\n[HKEY_USERS\\X]\n\"a\"=dword:xyz\n"}) {
    EXPECT_THROW(reg.loadRegedit4(bad), Error) << bad;
  }
}

TEST(MemoryRegistryFaults, ReadOnlyRootRefusesWriteAccessButAllowsReading) {
  MemoryRegistry reg;
  reg.loadRegedit4(kSeed);
  reg.setReadOnly(kHkeyLocalMachine, true);
  HKey key = 0;
  const std::string path = "System\\CurrentControlSet\\Control\\Video\\{G}\\0000";
  EXPECT_EQ(kErrorAccessDenied, reg.openKey(kHkeyLocalMachine, path, kKeyAllAccess, &key));
  EXPECT_EQ(kErrorAccessDenied, reg.createKey(kHkeyLocalMachine, "Software\\New", kKeyAllAccess, &key));
  EXPECT_EQ(kErrorAccessDenied, reg.deleteKey(kHkeyLocalMachine, path));
  ASSERT_EQ(kErrorSuccess, reg.openKey(kHkeyLocalMachine, path, kKeyRead, &key));
  reg.closeKey(key);
  // Other roots stay writable.
  RegistryAccess user(reg, kHkeyCurrentUser);
  ASSERT_TRUE(user.openKey("Software\\Kestrelune", false));
  user.writeString("FirstRun", "No");
  reg.setReadOnly(kHkeyLocalMachine, false);
  EXPECT_EQ(kErrorSuccess, reg.openKey(kHkeyLocalMachine, path, kKeyAllAccess, &key));
  reg.closeKey(key);
}

TEST(MemoryRegistryFaults, TheNthWriteFailsOnceAndEarlierWritesStay) {
  MemoryRegistry reg;
  RegistryAccess a(reg, kHkeyCurrentUser);
  ASSERT_TRUE(a.openKey("Software\\Test", true));
  reg.failWrite(3);
  a.writeInteger("One", 1);
  a.writeInteger("Two", 2);
  EXPECT_THROW(a.writeInteger("Three", 3), Error);
  a.writeInteger("Four", 4);
  EXPECT_TRUE(a.valueExists("Two"));
  EXPECT_FALSE(a.valueExists("Three"));
  EXPECT_EQ(3u, reg.writeCount());
}

TEST(MemoryRegistryHandles, AccessorsCloseWhatTheyOpenAndDeletedKeysGoStale) {
  MemoryRegistry reg;
  {
    RegistryAccess a(reg, kHkeyCurrentUser);
    ASSERT_TRUE(a.openKey("Software\\A\\B", true));
    ASSERT_TRUE(a.openKey("C", true));  // relative to the open key, replacing it
    EXPECT_EQ(1u, reg.openHandles());
    EXPECT_TRUE(a.keyExists("\\Software\\A\\B\\C"));
  }
  EXPECT_EQ(0u, reg.openHandles());
  HKey stale = 0;
  ASSERT_EQ(kErrorSuccess, reg.openKey(kHkeyCurrentUser, "Software\\A\\B\\C", kKeyAllAccess, &stale));
  RegistryAccess(reg, kHkeyCurrentUser).deleteKey("Software\\A");
  EXPECT_EQ(kErrorKeyDeleted, reg.queryValue(stale, "x", nullptr, nullptr, nullptr));
  EXPECT_EQ(kErrorSuccess, reg.closeKey(stale));
  EXPECT_EQ(kErrorInvalidHandle, reg.closeKey(stale));
}

}  // namespace
}  // namespace kl::platform
