// The file service the driver-key backup writes through, checked against the
// host's file system natively and against the real functions under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "contract_env.h"
#include "platform/files.h"

namespace kl::platform {
namespace {

class FilesContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = contract::makeContractEnv();
    folder_ = env_->scratchFolder();
    separator_ = folder_.substr(folder_.size() - 1);
  }
  Files& files() { return env_->files(); }
  std::string contents(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::unique_ptr<contract::ContractEnv> env_;
  std::string folder_, separator_;
};

TEST_F(FilesContract, FolderIsCreatedOnce) {
  const std::string backup = folder_ + "Backup";
  EXPECT_EQ(FileStatus::Ok, files().createDirectory(backup).status);
  EXPECT_EQ(FileStatus::AlreadyExists, files().createDirectory(backup).status);
  const FileResult deep = files().createDirectory(folder_ + "Missing" + separator_ + "Backup");
  EXPECT_EQ(FileStatus::Failed, deep.status);
  EXPECT_FALSE(deep.reason.empty());
}

TEST_F(FilesContract, NewFileIsWrittenWholeAndNeverReplaced) {
  const std::string file = folder_ + "driver.reg";
  const std::string text =
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n\"b\"=hex:00,ff\r\n";
  ASSERT_TRUE(files().writeNewFile(file, text).ok());
  EXPECT_EQ(text, contents(file));
  EXPECT_EQ(FileStatus::AlreadyExists, files().writeNewFile(file, "other").status);
  EXPECT_EQ(text, contents(file));

  const FileResult lost = files().writeNewFile(folder_ + "Missing" + separator_ + "x.reg", text);
  EXPECT_EQ(FileStatus::Failed, lost.status);
  EXPECT_FALSE(lost.reason.empty());
}

}  // namespace
}  // namespace kl::platform
