#pragma once
// Test helpers over any platform::Registry: a structural dump of a subtree
// read through the interface (independent of any REGEDIT4 text), and a
// registry that passes every call to another one while it records the keys
// deleted and can fail or raise on chosen keys.
#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "platform/regedit4.h"
#include "platform/registry.h"
#include "platform/text_util.h"

namespace kl::testing {

// Key path -> its values (name, type, bytes), sorted by name; every key of
// the subtree, with names as stored.
using RegistryDump =
    std::map<std::string,
             std::vector<std::tuple<std::string, std::uint32_t, std::vector<std::uint8_t>>>>;

inline void dumpInto(platform::Registry& r, platform::HKey key, const std::string& path,
                     RegistryDump* out) {
  auto& values = (*out)[path];
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  for (std::uint32_t i = 0; r.enumValue(key, i, &name, &type, &data) == platform::kErrorSuccess;
       ++i)
    values.emplace_back(name, type, data);
  std::sort(values.begin(), values.end());
  std::vector<std::string> children;
  for (std::uint32_t i = 0; r.enumKey(key, i, &name) == platform::kErrorSuccess; ++i)
    children.push_back(name);
  for (const auto& child : children) {
    platform::HKey sub = 0;
    if (r.openKey(key, child, platform::kKeyRead, &sub) != platform::kErrorSuccess) continue;
    dumpInto(r, sub, path + "\\" + child, out);
    r.closeKey(sub);
  }
}

// The subtree of `path` below `root` (empty when the key is missing), keyed
// from the root's name: "HKEY_LOCAL_MACHINE\SOFTWARE\...".
inline RegistryDump dumpTree(platform::Registry& r, platform::HKey root, const std::string& path) {
  RegistryDump out;
  platform::HKey key = 0;
  if (r.openKey(root, path, platform::kKeyRead, &key) != platform::kErrorSuccess) return out;
  std::string stored = platform::rootKeyName(root);
  // Spell the path as stored, walking down from the root.
  platform::HKey parent = root;
  std::vector<platform::HKey> opened;
  for (const auto& part : platform::splitText(path, '\\')) {
    if (part.empty()) continue;
    std::string name, found = part;
    for (std::uint32_t i = 0; r.enumKey(parent, i, &name) == platform::kErrorSuccess; ++i)
      if (platform::equalsNoCase(name, part)) found = name;
    stored += "\\" + found;
    platform::HKey next = 0;
    if (r.openKey(parent, part, platform::kKeyRead, &next) != platform::kErrorSuccess) break;
    opened.push_back(next);
    parent = next;
  }
  for (platform::HKey k : opened) r.closeKey(k);
  dumpInto(r, key, stored, &out);
  r.closeKey(key);
  return out;
}

// Passes every call to `inner`; knows the full path of each handle it gave
// out ("HKEY_LOCAL_MACHINE\a\b", as the caller spelt it).
class ProbeRegistry : public platform::Registry {
 public:
  explicit ProbeRegistry(platform::Registry& inner) : inner_(inner) {}

  // Every deleteKey call: the full path of the key it names, and whether
  // its subkey path was empty (the call would delete `parent` itself).
  struct Deletion {
    std::string path;
    bool emptyName;
  };
  std::vector<Deletion> deletions;
  // Raises std::runtime_error from deleteKey when it returns true for the
  // full path.
  std::function<bool(const std::string&)> raiseOnDelete;
  // enumValue fails with this status on keys it returns non-zero for.
  std::function<platform::Status(const std::string&)> failEnumValue;

  std::string pathOf(platform::HKey key) const {
    const auto it = paths_.find(key);
    if (it != paths_.end()) return it->second;
    return platform::rootKeyName(key);
  }

  platform::Status openKey(platform::HKey parent, const std::string& path, std::uint32_t access,
                           platform::HKey* result) override {
    return remember(parent, path, inner_.openKey(parent, path, access, result), result);
  }
  platform::Status createKey(platform::HKey parent, const std::string& path, std::uint32_t access,
                             platform::HKey* result) override {
    return remember(parent, path, inner_.createKey(parent, path, access, result), result);
  }
  platform::Status queryValue(platform::HKey key, const std::string& name, std::uint32_t* type,
                              std::uint8_t* data, std::uint32_t* size) override {
    return inner_.queryValue(key, name, type, data, size);
  }
  platform::Status setValue(platform::HKey key, const std::string& name, std::uint32_t type,
                            const std::uint8_t* data, std::uint32_t size) override {
    return inner_.setValue(key, name, type, data, size);
  }
  platform::Status deleteValue(platform::HKey key, const std::string& name) override {
    return inner_.deleteValue(key, name);
  }
  platform::Status deleteKey(platform::HKey parent, const std::string& path) override {
    const std::string full = join(pathOf(parent), path);
    deletions.push_back({full, path.empty()});
    if (raiseOnDelete && raiseOnDelete(full)) throw std::runtime_error("injected failure");
    return inner_.deleteKey(parent, path);
  }
  platform::Status enumKey(platform::HKey key, std::uint32_t index, std::string* name) override {
    return inner_.enumKey(key, index, name);
  }
  platform::Status enumValue(platform::HKey key, std::uint32_t index, std::string* name,
                             std::uint32_t* type, std::vector<std::uint8_t>* data) override {
    if (failEnumValue)
      if (const platform::Status s = failEnumValue(pathOf(key))) return s;
    return inner_.enumValue(key, index, name, type, data);
  }
  platform::Status queryInfoKey(platform::HKey key, platform::KeyInfo* info) override {
    return inner_.queryInfoKey(key, info);
  }
  platform::Status closeKey(platform::HKey key) override {
    paths_.erase(key);
    return inner_.closeKey(key);
  }

 private:
  static std::string join(const std::string& base, const std::string& path) {
    return path.empty() ? base : base + "\\" + path;
  }
  platform::Status remember(platform::HKey parent, const std::string& path, platform::Status s,
                            platform::HKey* result) {
    if (s == platform::kErrorSuccess) paths_[*result] = join(pathOf(parent), path);
    return s;
  }

  platform::Registry& inner_;
  std::map<platform::HKey, std::string> paths_;
};

}  // namespace kl::testing
