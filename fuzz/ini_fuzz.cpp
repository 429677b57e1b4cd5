// The INI engine over an arbitrary profile file: one key is written, and
// reads before and after show that exactly that key changed, and an engine
// that parses the file afresh reads what the one that wrote it reads.
#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "fuzz_support.h"
#include "platform/sim/ini_engine.h"
#include "platform/text_util.h"

namespace {

using kl::platform::equalsNoCase;

// Names the profile files use, so the fuzzer meets existing sections and
// keys often; any other name comes from the input.
const std::vector<std::string> kSections = {"DirectX", "DirectXAdvanced", "OpenGL", "DriverTabs",
                                            "", "x"};
const std::vector<std::string> kKeys = {"VSync", "DisableHyperZ", "Maxx", "k", "a b", ";c"};

// A name or value that reads back as it was written: no blank at either
// end, no quotes, no line break, nothing the file format gives a meaning.
std::string plainText(FuzzedDataProvider& in, std::size_t most) {
  std::string s = in.ConsumeRandomLengthString(most);
  std::string out;
  for (char c : s)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
        c == '-' || c == '_')
      out += c;
  return out;
}

std::string pick(FuzzedDataProvider& in, const std::vector<std::string>& known) {
  if (in.ConsumeBool()) return known[in.ConsumeIntegralInRange<std::size_t>(0, known.size() - 1)];
  return plainText(in, 12);
}

struct Probe {
  std::string section, key;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  const std::string section = pick(in, kSections);
  std::string key = pick(in, kKeys);
  if (key.empty() || key[0] == '[' || key.find('=') != std::string::npos) key = "k";
  const std::string value = plainText(in, 40);
  std::vector<Probe> probes;
  for (int i = 0; i < 4; ++i) probes.push_back({pick(in, kSections), pick(in, kKeys)});
  const std::string file = kl::fuzz::writeScratchFile("p.ini", in.ConsumeRemainingBytesAsString());

  kl::platform::IniEngine ini;
  std::vector<std::string> before;
  for (const Probe& p : probes) {
    before.push_back(ini.getString(p.section, p.key, "(none)", file));
    KL_FUZZ_CHECK(before.back().size() < kl::platform::kProfileBufferChars,
                  "a read longer than the platform's buffer");
  }
  KL_FUZZ_CHECK(ini.writeString(section, key, value, file), "a write to a writable file failed");
  KL_FUZZ_CHECK(ini.getString(section, key, "(none)", file) == value,
                "the value written does not read back");
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const Probe& p = probes[i];
    if (equalsNoCase(p.section, section) && equalsNoCase(p.key, key)) continue;
    KL_FUZZ_CHECK(ini.getString(p.section, p.key, "(none)", file) == before[i],
                  "a write changed another key");
  }
  kl::platform::IniEngine fresh;
  probes.push_back({section, key});
  for (const Probe& p : probes)
    KL_FUZZ_CHECK(fresh.getString(p.section, p.key, "(none)", file) ==
                      ini.getString(p.section, p.key, "(none)", file),
                  "the lines kept from the write differ from the file's");
  const std::string written = kl::fuzz::readFile(file);
  KL_FUZZ_CHECK(ini.writeString(section, key, value, file), "a second write failed");
  KL_FUZZ_CHECK(kl::fuzz::readFile(file) == written, "writing the same value again changed the file");
  return 0;
}
