// The fake version resources answer only from the block a caller loaded.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/sim/sim_system.h"

namespace kl::platform {
namespace {

TEST(FakeVersionResources, BlocksAnswerTheQueriesTheyHold) {
  FakeVersionResources versions;
  FakeVersionInfo info;
  info.fileVersionMS = 0x00060000 | 14;
  info.fileVersionLS = (10u << 16) | 6343;
  info.translations = {0x04E40409};
  info.strings["\\StringFileInfo\\040904E4\\FileVersion"] = "6.14.10.6343";
  versions.addFile("C:\\WINDOWS\\System32\\ati2dvag.dll", info);

  const std::string file = "c:\\windows\\system32\\ATI2DVAG.DLL";
  const std::uint32_t size = versions.infoSize(file);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(versions.load(file, block));
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  ASSERT_TRUE(versions.query(block, "\\", &data, &length));
  ASSERT_EQ(sizeof(FixedFileInfo), length);
  FixedFileInfo fixed;
  std::memcpy(&fixed, data, sizeof fixed);
  EXPECT_EQ(kFixedFileInfoSignature, fixed.signature);
  EXPECT_EQ(info.fileVersionLS, fixed.fileVersionLS);
  ASSERT_TRUE(versions.query(block, "\\StringFileInfo\\040904E4\\FileVersion", &data, &length));
  EXPECT_EQ(13u, length);  // characters with the NUL
  EXPECT_STREQ("6.14.10.6343", reinterpret_cast<const char*>(data));
  EXPECT_FALSE(versions.query(block, "\\StringFileInfo\\040904E4\\ProductName", &data, &length));

  block.assign(block.size(), 0);  // a block that was never loaded answers nothing
  EXPECT_FALSE(versions.query(block, "\\", &data, &length));
}

TEST(FakeVersionResources, MissingAndUnreadableFiles) {
  FakeVersionResources versions;
  EXPECT_EQ(0u, versions.infoSize("C:\\nothing.dll"));
  versions.addUnreadableFile("C:\\locked.dll");
  std::vector<std::uint8_t> block(versions.infoSize("C:\\locked.dll"));
  EXPECT_FALSE(block.empty());
  EXPECT_FALSE(versions.load("C:\\locked.dll", block));
  FakeVersionInfo noFixed;
  noFixed.hasFixedInfo = false;
  versions.addFile("C:\\bare.dll", noFixed);
  block.resize(versions.infoSize("C:\\bare.dll"));
  ASSERT_TRUE(versions.load("C:\\bare.dll", block));
  const std::uint8_t* data = nullptr;
  std::uint32_t length = 0;
  EXPECT_FALSE(versions.query(block, "\\", &data, &length));
}

}  // namespace
}  // namespace kl::platform
