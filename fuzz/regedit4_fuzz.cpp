// The REGEDIT4 reader over arbitrary text: it loads the text or refuses it
// with an error naming the line, leaks no key handle either way, and what
// it loaded exports to a text that loads back to exactly the same keys.
#include <string>

#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/regedit4.h"
#include "platform/sim/memory_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  kl::platform::MemoryRegistry registry;
  try {
    registry.loadRegedit4(text);
  } catch (const kl::Error& e) {
    KL_FUZZ_CHECK(std::string(e.what()).rfind("REGEDIT4 line ", 0) == 0,
                  "a refusal that names no line");
  }
  KL_FUZZ_CHECK(registry.openHandles() == 0, "loading left a key handle open");
  KL_FUZZ_CHECK(registry.writeCount() == 0, "loading a fixture counted as writes");

  std::string saved;
  try {
    saved = registry.saveRegedit4();
  } catch (const kl::platform::Regedit4Unwritable&) {
    // A name with a line break or a NUL, which the text can give and the
    // format cannot hold: refused, never written.
    return 0;
  } catch (const kl::Error& e) {
    std::fprintf(stderr, "export: %s\n", e.what());
    KL_FUZZ_CHECK(false, "an export failed for another reason than an unwritable name");
  }
  kl::platform::MemoryRegistry copy;
  try {
    copy.loadRegedit4(saved);
  } catch (const kl::Error& e) {
    std::fprintf(stderr, "%s\n--- export:\n%s\n", e.what(), saved.c_str());
    KL_FUZZ_CHECK(false, "our own export does not load");
  }
  KL_FUZZ_CHECK(copy.saveRegedit4() == saved, "the export does not load back to the same keys");
  return 0;
}
