// The REGEDIT4 export: what it writes reads back to exactly the same keys,
// values, types and bytes, in the layout regedit itself writes.
#include "platform/regedit4.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/error.h"
#include "platform/sim/memory_registry.h"
#include "registry_probe.h"

namespace kl::platform {
namespace {

using testing::dumpTree;

class Regedit4Export : public ::testing::Test {
 protected:
  void set(const std::string& path, const std::string& name, std::uint32_t type,
           const std::vector<std::uint8_t>& data) {
    HKey key = 0;
    ASSERT_EQ(kErrorSuccess, reg_.createKey(kHkeyLocalMachine, path, kKeyAllAccess, &key));
    ASSERT_EQ(kErrorSuccess,
              reg_.setValue(key, name, type, data.data(), static_cast<std::uint32_t>(data.size())));
    reg_.closeKey(key);
  }
  static std::vector<std::uint8_t> bytes(const std::string& s) { return {s.begin(), s.end()}; }
  static std::vector<std::uint8_t> text(const std::string& s) {
    auto b = bytes(s);
    b.push_back(0);
    return b;
  }

  MemoryRegistry reg_;
};

TEST_F(Regedit4Export, EveryKindOfValueReadsBackExactly) {
  const std::string key = "SOFTWARE\\ATI Technologies\\Desktop\\{AB12}";
  set(key, "Path", kRegSz, text("C:\\Program Files\\ \"q\" \xE9\t"));
  set(key, "", kRegSz, text("default"));
  set(key, "Na\"me\\", kRegSz, text(""));
  set(key, "Lines", kRegSz, text("one\r\ntwo\n"));
  set(key, "Nul inside", kRegSz, bytes(std::string("a\0b", 3) + '\0'));
  set(key, "No nul", kRegSz, bytes("abc"));
  set(key, "Nothing", kRegSz, {});
  set(key, "Exp", kRegExpandSz, text("%SystemRoot%"));
  set(key, "Multi", kRegMultiSz, bytes(std::string("a\0b\0\0", 5)));
  set(key, "Dword", kRegDword, {0x78, 0x56, 0x34, 0x12});
  set(key, "Short dword", kRegDword, {0x01, 0x02});
  std::vector<std::uint8_t> modes;
  for (int i = 0; i < 300; ++i) modes.push_back(static_cast<std::uint8_t>(i * 7));
  set(key, "DALNonStandardModesBCD1", kRegBinary, modes);
  set(key, "Empty binary", kRegBinary, {});
  set(key, "None", kRegNone, {0xFF});
  set(key, "Odd type", 0x12345u, {0x01});
  set(key + "\\OpenGL\\Private", "Deep", kRegDword, {1, 0, 0, 0});
  set(key + "\\Empty key\\Leaf", "x", kRegSz, text("y"));
  set("SOFTWARE\\Other", "kept", kRegSz, text("out of the export"));

  const std::string exported = exportKeys(reg_, kHkeyLocalMachine, {"SOFTWARE\\ATI Technologies"});
  MemoryRegistry back;
  back.loadRegedit4(exported);
  EXPECT_EQ(dumpTree(reg_, kHkeyLocalMachine, "SOFTWARE\\ATI Technologies"),
            dumpTree(back, kHkeyLocalMachine, "SOFTWARE\\ATI Technologies"));
  EXPECT_TRUE(dumpTree(back, kHkeyLocalMachine, "SOFTWARE\\Other").empty());
  EXPECT_NE(std::string::npos,
            exported.find("\"Path\"=\"C:\\\\Program Files\\\\ \\\"q\\\" \xE9\t\"\r\n"));
  EXPECT_NE(std::string::npos, exported.find("\"Dword\"=dword:12345678\r\n"));
  EXPECT_NE(std::string::npos, exported.find("\"Lines\"=hex(1):6f,6e,65,0d,0a,74,77,6f,0a,00\r\n"));
  EXPECT_NE(std::string::npos, exported.find("\"Odd type\"=hex(12345):01\r\n"));
  EXPECT_NE(std::string::npos, exported.find("@=\"default\"\r\n"));
}

TEST_F(Regedit4Export, LayoutIsRegedits) {
  set("SOFTWARE\\ATI Technologies", "Long", kRegBinary, std::vector<std::uint8_t>(100, 0xAB));
  const std::string exported = exportKeys(reg_, kHkeyLocalMachine, {"software\\ati TECHNOLOGIES"});
  // The key as stored, not as asked for; CRLF line ends; hex lines of at
  // most 80 columns continued with a backslash and two blanks.
  EXPECT_EQ(0u,
            exported.find("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies]\r\n"));
  std::istringstream lines(exported);
  std::string line;
  int continued = 0;
  while (std::getline(lines, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ('\r', line.back());
    line.pop_back();
    EXPECT_LE(line.size(), 80u) << line;
    if (!line.empty() && line.back() == '\\') ++continued;
  }
  EXPECT_EQ(4, continued);
  EXPECT_EQ("REGEDIT4\n\n",
            exportKeys(reg_, kHkeyLocalMachine, {"SOFTWARE\\Missing"}, LineEnd::Lf));
}

TEST_F(Regedit4Export, KeyThatCannotBeReadCompletelyRaises) {
  set("SOFTWARE\\ATI Technologies\\CDS", "a", kRegSz, text("b"));
  testing::ProbeRegistry probe(reg_);
  probe.failEnumValue = [](const std::string& path) -> Status {
    return path.find("CDS") != std::string::npos ? kErrorAccessDenied : kErrorSuccess;
  };
  Regedit4Writer writer(probe);
  try {
    writer.addKey(kHkeyLocalMachine, "SOFTWARE\\ATI Technologies");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(
        "The registry key HKEY_LOCAL_MACHINE\\SOFTWARE\\ATI Technologies\\CDS could not be read "
        "(error 5).",
        e.what());
  }
  EXPECT_TRUE(writer.empty());  // nothing of the half-read tree is kept
  EXPECT_EQ(0u, reg_.openHandles());
}

}  // namespace
}  // namespace kl::platform
