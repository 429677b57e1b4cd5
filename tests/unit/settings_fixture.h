#pragma once
// The main window started on the simulated XP PC, with helpers to seed and
// read the driver's values by key role, and profile files in a fresh folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/MainProg.h"
#include "app/Program.h"
#include "platform/registry.h"
#include "sim_machine.h"
#include "ui/headless/headless_backend.h"

namespace kl::testing {


inline std::string keyOfRole(const std::string& role) {
  const std::string base = kDriverKey;
  if (role == "OGL") return base + "\\OpenGL";
  if (role == "OGLP") return base + "\\OpenGL\\Private";
  if (role == "Driver") return kDesktopKey;
  return base;
}

inline std::string describeValue(std::uint32_t type, const std::vector<std::uint8_t>& data,
                            std::uint32_t size) {
  if (type == platform::kRegSz || type == platform::kRegExpandSz)
    return "SZ " + std::string(reinterpret_cast<const char*>(data.data()));
  if (type == platform::kRegDword && size == 4)
    return "DWORD " +
           std::to_string(static_cast<std::int32_t>(data[0] | data[1] << 8 | data[2] << 16 |
                                                    static_cast<std::uint32_t>(data[3]) << 24));
  std::string text = "BINARY";
  for (std::uint32_t i = 0; i < size; ++i) {
    char hex[4];
    std::snprintf(hex, sizeof hex, " %02X", data[i]);
    text += hex;
  }
  return text;
}

// A driver value of a role's key: "SZ 1", "DWORD 0", "BINARY 01 00 00 00",
// or "absent".
inline std::string storedValue(platform::Registry& registry, const std::string& role,
                               const std::string& name) {
  platform::HKey key = 0;
  if (registry.openKey(platform::kHkeyLocalMachine, keyOfRole(role), platform::kKeyRead, &key) !=
      platform::kErrorSuccess)
    return "absent";
  std::uint32_t type = 0, size = 0;
  std::string result = "absent";
  if (registry.queryValue(key, name, &type, nullptr, &size) == platform::kErrorSuccess) {
    std::vector<std::uint8_t> data(size + 1, 0);
    registry.queryValue(key, name, &type, data.data(), &size);
    result = describeValue(type, data, size);
  }
  registry.closeKey(key);
  return result;
}

class SettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seedXpRadeon(sim_);
    seedFixedModes(sim_);
    folder_ = std::filesystem::temp_directory_path() /
              ("kl-settings-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
               "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(folder_);
  }
  void TearDown() override {
    program_.reset();
    std::filesystem::remove_all(folder_);
  }

  app::TMainForm& start() {
    program_ = std::make_unique<app::Program>(platform_, backend_);
    program_->createWindows();
    return *program_->windows().MainForm;
  }
  app::TMainForm& form() { return *program_->windows().MainForm; }

  // REGEDIT4 value lines under the key of a role.
  void seed(const std::string& role, const std::string& lines) {
    sim_.registry.loadRegedit4("REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\" + keyOfRole(role) + "]\n" +
                               lines + "\n");
  }

  // "SZ 1", "DWORD 0", "BINARY 01 00 00 00", or "absent".
  std::string stored(const std::string& role, const std::string& name) {
    return storedValue(sim_.registry, role, name);
  }

  ui::CheckBox& box(const std::string& name) {
    auto* found = dynamic_cast<ui::CheckBox*>(form().find(name));
    if (!found) throw std::runtime_error("no check box " + name);
    return *found;
  }

  std::string profile(const std::string& name) const { return (folder_ / name).string(); }
  void writeFile(const std::string& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
  }
  std::string profileValue(const std::string& file, const std::string& section,
                           const std::string& key) {
    return sim_.profiles.getString(section, key, "(missing)", file);
  }
  std::vector<std::string> fileLines(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
    return lines;
  }

  bool messageShown(const std::string& text) {
    for (const auto& m : backend_.messages())
      if (m.text == text) return true;
    return false;
  }

  platform::SimPlatform sim_;
  platform::Platform platform_ = sim_.view();
  ui::HeadlessBackend backend_;
  std::unique_ptr<app::Program> program_;

 private:
  std::filesystem::path folder_;
};

}  // namespace kl::testing
