#pragma once
// Records the registry, profile and display calls a routine makes, so a benchmark can
// replay exactly those calls, bare, and show what the routine adds to them.
// Replaying maps each recorded key handle to the one the replay opened.
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/display.h"
#include "platform/profile_files.h"
#include "platform/registry.h"

namespace kl::bench {

struct Call {
  enum Kind { Open, Create, Query, Set, DeleteValue, DeleteKey, EnumKey, EnumValue, Info, Close,
              ProfileGet, ProfileWrite, ProfileExists, EnumDevice, EnumSettings };
  explicit Call(Kind k, platform::HKey handle = 0, platform::HKey opened = 0, std::string name = {},
                std::uint32_t n = 0, std::vector<std::uint8_t> bytes = {})
      : kind(k), key(handle), result(opened), path(std::move(name)), number(n),
        data(std::move(bytes)) {}
  Kind kind;
  platform::HKey key = 0;     // the handle the call was given (parent for open and create)
  platform::HKey result = 0;  // the handle an open or create returned
  std::string path;           // key path, value name, or profile key
  std::uint32_t number = 0;   // access, type, index or buffer size
  std::vector<std::uint8_t> data;
  std::string section, value, file;  // profile calls
};

class RecordingRegistry : public platform::Registry {
 public:
  explicit RecordingRegistry(platform::Registry& inner) : inner_(inner) {}
  bool recording = false;
  std::vector<Call> calls;

  platform::Status openKey(platform::HKey parent, const std::string& path, std::uint32_t access,
                           platform::HKey* result) override {
    const auto s = inner_.openKey(parent, path, access, result);
    note(Call(Call::Open, parent, s == platform::kErrorSuccess ? *result : 0, path, access));
    return s;
  }
  platform::Status createKey(platform::HKey parent, const std::string& path, std::uint32_t access,
                             platform::HKey* result) override {
    const auto s = inner_.createKey(parent, path, access, result);
    note(Call(Call::Create, parent, s == platform::kErrorSuccess ? *result : 0, path, access));
    return s;
  }
  platform::Status queryValue(platform::HKey key, const std::string& name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) override {
    note(Call(Call::Query, key, 0, name, data && size ? *size : 0));
    return inner_.queryValue(key, name, type, data, size);
  }
  platform::Status setValue(platform::HKey key, const std::string& name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) override {
    note(Call(Call::Set, key, 0, name, type, std::vector<std::uint8_t>(data, data + size)));
    return inner_.setValue(key, name, type, data, size);
  }
  platform::Status deleteValue(platform::HKey key, const std::string& name) override {
    note(Call(Call::DeleteValue, key, 0, name));
    return inner_.deleteValue(key, name);
  }
  platform::Status deleteKey(platform::HKey parent, const std::string& path) override {
    note(Call(Call::DeleteKey, parent, 0, path));
    return inner_.deleteKey(parent, path);
  }
  platform::Status enumKey(platform::HKey key, std::uint32_t index, std::string* name) override {
    note(Call(Call::EnumKey, key, 0, "", index));
    return inner_.enumKey(key, index, name);
  }
  platform::Status enumValue(platform::HKey key, std::uint32_t index, std::string* name,
                             std::uint32_t* type, std::vector<std::uint8_t>* data) override {
    note(Call(Call::EnumValue, key, 0, "", index));
    return inner_.enumValue(key, index, name, type, data);
  }
  platform::Status queryInfoKey(platform::HKey key, platform::KeyInfo* info) override {
    note(Call(Call::Info, key));
    return inner_.queryInfoKey(key, info);
  }
  platform::Status closeKey(platform::HKey key) override {
    note(Call(Call::Close, key));
    return inner_.closeKey(key);
  }

 private:
  void note(Call call) {
    if (recording) calls.push_back(std::move(call));
  }
  platform::Registry& inner_;
};

class RecordingProfiles : public platform::ProfileFiles {
 public:
  explicit RecordingProfiles(platform::ProfileFiles& inner) : inner_(inner) {}
  bool recording = false;
  std::vector<Call>* calls = nullptr;  // shared with the registry's, in call order

  std::string getString(const std::string& section, const std::string& key,
                        const std::string& fallback, const std::string& file) override {
    note(Call::ProfileGet, section, key, fallback, file);
    return inner_.getString(section, key, fallback, file);
  }
  bool writeString(const std::string& section, const std::string& key, const std::string& value,
                   const std::string& file) override {
    note(Call::ProfileWrite, section, key, value, file);
    return inner_.writeString(section, key, value, file);
  }
  bool exists(const std::string& file) override {
    note(Call::ProfileExists, "", "", "", file);
    return inner_.exists(file);
  }

 private:
  void note(Call::Kind kind, const std::string& section, const std::string& key,
            const std::string& value, const std::string& file) {
    if (!recording || !calls) return;
    Call call{kind};
    call.section = section;
    call.path = key;
    call.value = value;
    call.file = file;
    calls->push_back(std::move(call));
  }
  platform::ProfileFiles& inner_;
};

class RecordingDisplay : public platform::Display {
 public:
  explicit RecordingDisplay(platform::Display& inner) : inner_(inner) {}
  bool recording = false;
  std::vector<Call>* calls = nullptr;  // shared with the registry's, in call order

  bool enumDevice(std::uint32_t index, platform::DisplayDevice* device) override {
    if (recording && calls) calls->push_back(Call(Call::EnumDevice, 0, 0, "", index));
    return inner_.enumDevice(index, device);
  }
  bool enumSettings(const std::string& deviceName, std::uint32_t modeNum,
                    platform::DisplayMode* mode) override {
    if (recording && calls) calls->push_back(Call(Call::EnumSettings, 0, 0, deviceName, modeNum));
    return inner_.enumSettings(deviceName, modeNum, mode);
  }

 private:
  platform::Display& inner_;
};

// Makes the recorded calls again, straight against the platform's functions.
inline void replay(const std::vector<Call>& calls, platform::Registry& registry,
                   platform::ProfileFiles& profiles, platform::Display& display) {
  std::map<platform::HKey, platform::HKey> handles;
  const auto handle = [&](platform::HKey recorded) {
    const auto it = handles.find(recorded);
    return it == handles.end() ? recorded : it->second;  // roots map to themselves
  };
  std::vector<std::uint8_t> buffer;
  std::vector<std::uint8_t> data;
  std::string name;
  for (const Call& c : calls) {
    platform::HKey opened = 0;
    std::uint32_t type = 0, size = c.number;
    platform::KeyInfo info;
    platform::DisplayDevice device;
    platform::DisplayMode mode;
    switch (c.kind) {
      case Call::Open:
      case Call::Create:
        if ((c.kind == Call::Open ? registry.openKey(handle(c.key), c.path, c.number, &opened)
                                  : registry.createKey(handle(c.key), c.path, c.number, &opened)) ==
                platform::kErrorSuccess &&
            c.result)
          handles[c.result] = opened;
        break;
      case Call::Query:
        buffer.assign(size, 0);
        registry.queryValue(handle(c.key), c.path, &type, size ? buffer.data() : nullptr, &size);
        break;
      case Call::Set:
        registry.setValue(handle(c.key), c.path, c.number, c.data.data(),
                          static_cast<std::uint32_t>(c.data.size()));
        break;
      case Call::DeleteValue: registry.deleteValue(handle(c.key), c.path); break;
      case Call::DeleteKey: registry.deleteKey(handle(c.key), c.path); break;
      case Call::EnumKey: registry.enumKey(handle(c.key), c.number, &name); break;
      case Call::EnumValue: registry.enumValue(handle(c.key), c.number, &name, &type, &data); break;
      case Call::Info: registry.queryInfoKey(handle(c.key), &info); break;
      case Call::Close: registry.closeKey(handle(c.key)); break;
      case Call::ProfileGet: profiles.getString(c.section, c.path, c.value, c.file); break;
      case Call::ProfileWrite: profiles.writeString(c.section, c.path, c.value, c.file); break;
      case Call::ProfileExists: profiles.exists(c.file); break;
      case Call::EnumDevice: display.enumDevice(c.number, &device); break;
      case Call::EnumSettings: display.enumSettings(c.path, c.number, &mode); break;
    }
  }
}

}  // namespace kl::bench
