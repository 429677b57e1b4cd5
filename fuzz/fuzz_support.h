#pragma once
// What every fuzzer shares: the check that turns a broken property into a
// finding, and a scratch folder of the process for the files it needs.
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>

namespace kl::fuzz {

// A property that does not hold is a finding: libFuzzer keeps the input that
// broke it, like one that crashed.
#define KL_FUZZ_CHECK(condition, what)                                                \
  do {                                                                                \
    if (!(condition)) {                                                               \
      std::fprintf(stderr, "finding: %s (%s:%d: %s)\n", what, __FILE__, __LINE__,     \
                   #condition);                                                       \
      std::abort();                                                                   \
    }                                                                                 \
  } while (0)

// A folder of this process, in memory where the system offers it; removed
// at exit.
inline const std::string& scratchFolder() {
  static const std::string folder = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    std::string pattern = std::string(base) + "/kl-fuzz-XXXXXX";
    if (!mkdtemp(&pattern[0])) {
      std::perror("mkdtemp");
      std::abort();
    }
    static std::string removeAtExit;
    removeAtExit = pattern;
    std::atexit([] { std::system(("rm -rf '" + removeAtExit + "'").c_str()); });
    return pattern;
  }();
  return folder;
}

inline std::string writeScratchFile(const std::string& name, const std::string& bytes) {
  const std::string path = scratchFolder() + "/" + name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
  return path;
}

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kl::fuzz
