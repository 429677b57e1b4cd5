// Reading, writing and deleting single driver values.
#include <gtest/gtest.h>

#include "platform/error.h"
#include "platform/registry_access.h"
#include "platform/sim/memory_registry.h"
#include "settings/C_RegKey.h"

namespace kl::settings {
namespace {

constexpr char kPath[] = "System\\CurrentControlSet\\Control\\Video\\{G}\\0000";

class RegKey : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.loadRegedit4(std::string("REGEDIT4\n[HKEY_LOCAL_MACHINE\\") + kPath +
                           "]\n"
                           "\"Empty\"=\"\"\n\"MinusOne\"=\"-1\"\n\"Two\"=\"2\"\n"
                           "\"VSync\"=dword:00000001\n\"AllOnes\"=dword:ffffffff\n"
                           "\"On\"=hex:01,00,00,00\n\"Off\"=hex:00,00,00,00\n"
                           "\"Other\"=hex:02,00,00,00\n\"OneByte\"=hex:01\n\"NoBytes\"=hex:\n");
  }
  TRegKey key(const std::string& name, const std::string& path = kPath) {
    return TRegKey(registry_, path, name);
  }
  std::string errorOf(const std::function<void()>& f) {
    try {
      f();
    } catch (const Error& e) {
      return e.what();
    }
    return "(none)";
  }
  platform::MemoryRegistry registry_;
};

TEST_F(RegKey, AbsentEmptyAndMinusOneAllReadAsNotSet) {
  EXPECT_EQ("-1", key("Missing").ReadString());
  EXPECT_EQ("-1", key("Empty").ReadString());
  EXPECT_EQ("-1", key("MinusOne").ReadString());
  EXPECT_EQ("2", key("Two").ReadString());
  EXPECT_EQ("-1", key("Two", "Software\\Nowhere").ReadString());
  EXPECT_EQ(-1, key("Missing").ReadInteger());
  EXPECT_EQ(-1, key("AllOnes").ReadInteger());
  EXPECT_EQ(-1, key("Two").ReadInteger());  // another type
  EXPECT_EQ(1, key("VSync").ReadInteger());
  EXPECT_EQ("Invalid data type for 'VSync'", errorOf([&] { key("VSync").ReadString(); }));
  EXPECT_EQ(0u, registry_.openHandles());
}

TEST_F(RegKey, BinaryFlagLooksAtTheFirstByteOnly) {
  EXPECT_EQ(1, key("On").ReadBinaryFlag());
  EXPECT_EQ(0, key("Off").ReadBinaryFlag());
  EXPECT_EQ(-1, key("Other").ReadBinaryFlag());
  EXPECT_EQ(1, key("OneByte").ReadBinaryFlag());
  EXPECT_EQ(-1, key("NoBytes").ReadBinaryFlag());
  EXPECT_EQ(-1, key("VSync").ReadBinaryFlag());
  EXPECT_EQ(-1, key("Two").ReadBinaryFlag());
  EXPECT_EQ(-1, key("Missing").ReadBinaryFlag());
}

TEST_F(RegKey, WritesCreateTheMissingPathButTheBinaryFlagDoesNot) {
  const std::string fresh = std::string(kPath) + "\\OpenGL\\Private";
  key("X", fresh).WriteString(fresh, "X", "1");
  EXPECT_EQ("1", key("X", fresh).ReadString());
  key("Y", fresh).WriteInteger("\\" + fresh, "Y", 5);  // a leading backslash is ignored
  EXPECT_EQ(5, key("Y", fresh).ReadInteger());

  const std::string desktop = "SOFTWARE\\ATI Technologies\\Desktop\\{G}";
  EXPECT_EQ("Failed to set data for 'Rotation'",
            errorOf([&] { key("Rotation", desktop).WriteBinaryFlag("Rotation", 1); }));
  EXPECT_FALSE(platform::RegistryAccess(registry_, platform::kHkeyLocalMachine).keyExists(desktop));
  const std::string before = registry_.saveRegedit4();
  key("On").WriteBinaryFlag("On", -1);
  EXPECT_EQ(before, registry_.saveRegedit4());
  key("Off").WriteBinaryFlag("Off", 1);
  EXPECT_EQ(1, key("Off").ReadBinaryFlag());
  EXPECT_EQ(0u, registry_.openHandles());
}

TEST_F(RegKey, RefusedWritesAndDeletionsRaise) {
  registry_.setReadOnly(platform::kHkeyLocalMachine, true);
  EXPECT_EQ("Failed to set data for 'VSync'", errorOf([&] { key("VSync").WriteString(kPath, "VSync", "1"); }));
  EXPECT_EQ(-1, key("VSync").ReadInteger());  // cannot be opened with full access
  // A value that stays is a refused write, not a deletion done.
  EXPECT_EQ("Failed to set data for 'VSync'", errorOf([&] { key("VSync").DeleteValue(kPath, "VSync"); }));
  key("Missing").DeleteValue(kPath, "Missing");  // not there: nothing to refuse
  registry_.setReadOnly(platform::kHkeyLocalMachine, false);
  EXPECT_EQ(1, key("VSync").ReadInteger());
  key("Missing").DeleteValue(kPath, "Missing");
  key("VSync").DeleteValue(kPath, "VSync");
  EXPECT_EQ(-1, key("VSync").ReadInteger());
}

TEST_F(RegKey, AnEmptyPathNeverTouchesTheRoot) {
  EXPECT_EQ("Failed to set data for 'VSync'", errorOf([&] { key("VSync", "").WriteString("", "VSync", "1"); }));
  EXPECT_EQ("Failed to set data for 'VSync'", errorOf([&] { key("VSync", "").WriteInteger("", "VSync", 1); }));
  key("VSync", "").DeleteValue("", "VSync");
  EXPECT_EQ(-1, key("VSync", "").ReadInteger());
  const platform::HKey root = platform::kHkeyLocalMachine;
  platform::KeyInfo info;
  registry_.queryInfoKey(root, &info);
  EXPECT_EQ(0u, info.values);
}

}  // namespace
}  // namespace kl::settings
