// The version-resource queries over an arbitrary resource block: the fixed
// file information, the translation table and its entries, and the string
// values of each translation, as the System Information page reads a
// driver file's version. Each either answers from inside the block or
// raises its own error text.
#include <set>
#include <string>

#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/sim/sim_platform.h"
#include "system/FileInfo.h"
#include "system/SystemQueries.h"

namespace {

namespace p = kl::platform;
using namespace kl::system;

// Every file has the fuzzer's block as its version resource; the queries
// are the simulated ones, which read the block as it is.
class RawVersionResources : public p::FakeVersionResources {
 public:
  std::uint32_t infoSize(const std::string&) override {
    return static_cast<std::uint32_t>(block.size());
  }
  bool load(const std::string&, std::vector<std::uint8_t>& out) override {
    if (out.size() < block.size()) return false;
    std::copy(block.begin(), block.end(), out.begin());
    return true;
  }
  std::vector<std::uint8_t> block;
};

void expectError(const kl::Error& e, std::set<std::string> allowed, const char* what) {
  KL_FUZZ_CHECK(allowed.count(e.what()) > 0, what);
}

const char kNoFixed[] = "Fixed file info not available";
const char kNoTable[] = "File info translations not available";
const char kNoEntry[] = "Specified translation not available";
const char kNoString[] = "Specified file info string not available";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static p::SimPlatform sim;
  static RawVersionResources versions;
  static p::Platform platform{sim.registry, sim.profiles, sim.os,   versions,
                              sim.display,  sim.device,   sim.files};
  versions.block.assign(data, data + size);

  try {
    const std::string text = GetFileVersionText(platform, "C:\\WINDOWS\\System32\\ati2dvag.dll");
    KL_FUZZ_CHECK(!text.empty() && text.size() <= 23, "a version text out of form");
  } catch (const kl::Error& e) {
    expectError(e, {kNoFixed}, "the version text raised another error");
  }

  FileInfoBlock block = CreateFileInfo(platform, "C:\\WINDOWS\\System32\\ati2dvag.dll");
  if (!block) {
    KL_FUZZ_CHECK(size == 0, "a resource that exists did not load");
    return 0;
  }
  try {
    const p::FixedFileInfo fixed = GetFixedFileInfo(block);
    (void)fixed;
  } catch (const kl::Error& e) {
    expectError(e, {kNoFixed}, "the fixed information raised another error");
  }
  int count = 0;
  try {
    count = GetFileInfoTranslationCount(block);
    KL_FUZZ_CHECK(count >= 0, "a negative count of translations");
  } catch (const kl::Error& e) {
    expectError(e, {kNoTable}, "the translation count raised another error");
  }
  std::vector<int> indexes = {-1, 0x40000000, count, count + 1};
  for (int i = 0; i < count && i < 8; ++i) indexes.push_back(i);
  for (int index : indexes) {
    std::uint32_t translation = 0;
    try {
      translation = GetFileInfoTranslation(block, index);
    } catch (const kl::Error& e) {
      expectError(e, {kNoTable, kNoEntry}, "a translation raised another error");
      continue;
    }
    KL_FUZZ_CHECK(index >= 0 && index < count, "an entry outside the table");
    for (const char* name : {"FileVersion", "ProductName", "CompanyName"}) {
      try {
        const std::string text = GetFileInfoString(block, translation, name);
        KL_FUZZ_CHECK(text.size() < size && text.find('\0') == std::string::npos,
                      "a string value reaching past the block or its NUL");
      } catch (const kl::Error& e) {
        expectError(e, {kNoString}, "a string value raised another error");
      }
    }
  }
  FreeFileInfo(block);
  KL_FUZZ_CHECK(!block, "the block was not released");
  return 0;
}
