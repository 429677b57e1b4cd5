#pragma once
// Profile files kept in memory, read and written by the simulated platform's
// INI engine as it reads and writes files on disk: a fuzzer that opens and
// saves profiles for every input touches no file.
#include <map>
#include <string>

#include "platform/sim/ini_engine.h"

namespace kl::fuzz {

class MemoryProfiles final : public platform::IniEngine {
 public:
  // The files by name, with their whole text.
  std::map<std::string, std::string> files;

  bool exists(const std::string& file) override { return files.count(file) != 0; }

 protected:
  bool readText(const std::string& file, std::string* text) override {
    const auto it = files.find(file);
    if (it == files.end()) return false;
    *text = it->second;
    return true;
  }
  bool writeText(const std::string& file, const std::string& text) override {
    files[file] = text;
    return true;
  }
  bool writable(const std::string&) override { return true; }
};

}  // namespace kl::fuzz
