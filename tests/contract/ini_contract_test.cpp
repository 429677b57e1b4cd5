// Private-profile behaviour the profile files rely on, checked against our
// INI engine natively and against the real functions under Wine.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "contract_env.h"
#include "platform/error.h"
#include "platform/profile_files.h"

namespace kl::platform {
namespace {

class IniContract : public ::testing::Test {
 protected:
  void SetUp() override {
    env_ = contract::makeContractEnv();
    file_ = env_->scratchFolder() + "profile.kpf";
  }
  ProfileFiles& ini() { return env_->profiles(); }
  void writeFile(const std::string& text) {
    std::ofstream out(file_, std::ios::binary);
    out << text;
  }
  // The file's lines without line ends, blank lines dropped.
  std::vector<std::string> lines() {
    std::ifstream in(file_, std::ios::binary);
    std::vector<std::string> result;
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) result.push_back(line);
    }
    return result;
  }
  std::string get(const std::string& section, const std::string& key) {
    return ini().getString(section, key, "-1", file_);
  }

  std::unique_ptr<contract::ContractEnv> env_;
  std::string file_;
};

TEST_F(IniContract, SectionsAndKeysIgnoreCaseAndSpaces) {
  writeFile("[DirectX]\r\n  VSync  =   2   \r\nQuoted=\"a b\"\r\nEmpty=\r\n");
  EXPECT_EQ("2", get("directx", "vsync"));
  EXPECT_EQ("2", get("DIRECTX", "VSYNC"));
  EXPECT_EQ("a b", get("DirectX", "Quoted"));
  EXPECT_EQ("", get("DirectX", "Empty"));
  EXPECT_EQ("-1", get("DirectX", "Missing"));
  EXPECT_EQ("-1", get("OpenGL", "VSync"));
  EXPECT_EQ("-1", ini().getString("DirectX", "VSync", "-1", file_ + ".absent"));
}

TEST_F(IniContract, OddLinesReadAsWindowsReadsThem) {
  writeFile("Loose=0\r\n[ DirectX ]\r\nBare\r\n;Comment=1\r\nInline=1 ; note\r\n"
            "[DirectX]\r\nLater=2\r\nBare=3\r\n");
  EXPECT_EQ("0", get("", "Loose"));  // keys before any header: the unnamed section
  EXPECT_EQ("-1", get("DirectX", "Bare"));  // a key without '=' has no value
  EXPECT_EQ("1", get("DirectX", ";Comment"));  // no comment syntax for keys
  EXPECT_EQ("1 ; note", get("DirectX", "Inline"));
  EXPECT_EQ("-1", get("DirectX", "Later"));  // only the first section counts
}

TEST_F(IniContract, UpdateInPlaceKeepsForeignLines) {
  writeFile("; saved by hand\r\n[DirectX]\r\nA=1\r\n; note\r\nB=2\r\nC=3\r\n[OpenGL]\r\nD=4\r\n");
  ASSERT_TRUE(ini().writeString("DirectX", "B", "20", file_));
  const std::vector<std::string> expected = {"; saved by hand", "[DirectX]", "A=1", "; note",
                                             "B=20", "C=3", "[OpenGL]", "D=4"};
  EXPECT_EQ(expected, lines());
}

TEST_F(IniContract, UpdateMatchesTheKeyWithoutCase) {
  writeFile("[DirectX]\r\nVSync=1\r\n");
  ASSERT_TRUE(ini().writeString("DIRECTX", "vsync", "2", file_));
  const std::vector<std::string> expected = {"[DirectX]", "VSync=2"};  // stored spelling kept
  EXPECT_EQ(expected, lines());
  EXPECT_EQ("2", get("DirectX", "VSync"));
}

TEST_F(IniContract, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheEnd) {
  writeFile("[DirectX]\r\nA=1\r\nB=2\r\n\r\n[OpenGL]\r\nD=4\r\n");
  ASSERT_TRUE(ini().writeString("DirectX", "New", "x", file_));
  ASSERT_TRUE(ini().writeString("DVD", "Hue", "5", file_));
  const std::vector<std::string> expected = {"[DirectX]", "A=1", "B=2", "New=x",
                                             "[OpenGL]",  "D=4", "[DVD]", "Hue=5"};
  EXPECT_EQ(expected, lines());
}

TEST_F(IniContract, WritingCreatesTheFileAndKeepsValueSpacesInside) {
  ASSERT_TRUE(ini().writeString("DirectX", "Name", "a  b", file_));
  const std::vector<std::string> expected = {"[DirectX]", "Name=a  b"};
  EXPECT_EQ(expected, lines());
  EXPECT_EQ("a  b", get("DirectX", "Name"));
}

TEST_F(IniContract, ReadsAreCutToTheBufferOf2048Characters) {
  writeFile("[S]\r\nLong=" + std::string(3000, 'x') + "\r\n");
  EXPECT_EQ(std::string(kProfileBufferChars - 1, 'x'), get("S", "Long"));
}

TEST_F(IniContract, WriteToReadOnlyFileFails) {
  writeFile("[DirectX]\r\nVSync=1\r\n");
  file_ = env_->makeReadOnly(file_);
  ASSERT_FALSE(file_.empty()) << "this platform offers no file the user cannot write";
  EXPECT_FALSE(ini().writeString("DirectX", "VSync", "2", file_));
  EXPECT_EQ("1", get("DirectX", "VSync"));
  IniFile profile(ini(), file_);
  try {
    profile.writeString("DirectX", "VSync", "2");
    ADD_FAILURE() << "no error raised";
  } catch (const Error& e) {
    EXPECT_EQ("Unable to write to " + file_, std::string(e.what()));
  }
}

TEST_F(IniContract, WriteToMissingFolderFails) {
  EXPECT_FALSE(ini().writeString("S", "K", "V", env_->scratchFolder() + "absent/x.kpf"));
}

}  // namespace
}  // namespace kl::platform
