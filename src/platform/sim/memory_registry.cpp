#include "platform/sim/memory_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/sim/memory_registry_node.h"
#include "platform/text_util.h"

namespace kl::platform {
namespace {

constexpr std::uint32_t kWriteRights =
    kKeySetValue | kKeyCreateSubKey | 0x10000u /* DELETE */ | 0x40000u /* WRITE_DAC */ |
    0x80000u /* WRITE_OWNER */;

bool isPredefined(HKey key) {
  return key == kHkeyClassesRoot || key == kHkeyCurrentUser || key == kHkeyLocalMachine ||
         key == kHkeyUsers;
}

// Splits a subkey path into folded and original components. A leading
// backslash is a bad path name, as on Windows; a trailing one is ignored.
bool splitPath(const std::string& path, std::vector<std::string>* parts) {
  if (!path.empty() && path[0] == '\\') return false;
  for (const auto& part : splitText(path, '\\'))
    if (!part.empty()) parts->push_back(part);
  return true;
}

// The data as the write log shows it: a text without its NUL, other types
// as hex bytes.
std::string describeData(std::uint32_t type, const std::uint8_t* data, std::uint32_t size) {
  if (type == kRegSz || type == kRegExpandSz) {
    std::string text = size ? std::string(reinterpret_cast<const char*>(data), size) : "";
    if (!text.empty() && text.back() == '\0') text.pop_back();
    return (type == kRegSz ? "sz " : "expand_sz ") + text;
  }
  const char* kind = type == kRegDword ? "dword " : type == kRegBinary ? "binary " : "type ";
  return kind + (type == kRegDword || type == kRegBinary ? "" : std::to_string(type) + " ") +
         hexBytes(data, size);
}

const char* rootName(HKey root) {
  switch (root) {
    case kHkeyClassesRoot: return "HKCR";
    case kHkeyCurrentUser: return "HKCU";
    case kHkeyLocalMachine: return "HKLM";
    default: return "HKU";
  }
}

}  // namespace

// The names as first created, from the root down `path` (folded names);
// components that do not exist are shown folded.
std::string MemoryRegistry::keyText(HKey root, const std::vector<std::string>& path) const {
  std::string text = rootName(root);
  const Node* node = rootNode(root);
  for (const auto& part : path) {
    node = node ? node->child(part) : nullptr;
    text += "\\" + (node ? node->name : part);
  }
  return text;
}

MemoryRegistry::Value* MemoryRegistry::Node::value(const std::string& name) {
  for (auto& v : values)
    if (equalsNoCase(v.name, name)) return &v;
  return nullptr;
}

MemoryRegistry::MemoryRegistry() {
  for (HKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers})
    roots_[root] = std::make_unique<Node>();
}

MemoryRegistry::~MemoryRegistry() = default;

MemoryRegistry::Node* MemoryRegistry::rootNode(HKey root) const {
  const auto it = roots_.find(root);
  return it == roots_.end() ? nullptr : it->second.get();
}

MemoryRegistry::Node* MemoryRegistry::resolve(const Handle& h) const {
  Node* node = rootNode(h.root);
  for (const auto& part : h.path) {
    if (!node) return nullptr;
    node = node->child(part);
  }
  return node;
}

bool MemoryRegistry::handleFor(HKey key, Handle* out) const {
  if (isPredefined(key)) {
    *out = Handle{key, {}, kKeyAllAccess};
    return true;
  }
  const auto it = handles_.find(key);
  if (it == handles_.end()) return false;
  *out = it->second;
  return true;
}

Status MemoryRegistry::open(HKey parent, const std::string& path, std::uint32_t access,
                            bool create, HKey* result) {
  Handle base;
  if (!handleFor(parent, &base)) return kErrorInvalidHandle;
  std::vector<std::string> parts;
  if (!splitPath(path, &parts)) return kErrorBadPathname;
  Node* node = resolve(base);
  if (!node) return kErrorKeyDeleted;
  if ((access & kWriteRights) && readOnlyRoots_.count(base.root)) return kErrorAccessDenied;
  bool creating = false;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::string& part = parts[i];
    const std::string folded = foldCase(part);
    Node* next = node->child(folded);
    if (!next) {
      if (!create) return kErrorFileNotFound;
      // Creating needs the right to create subkeys, whatever the access the
      // new handle asks for; one call creates the whole missing rest.
      if (readOnlyRoots_.count(base.root)) return kErrorAccessDenied;
      if (!creating) {
        std::string created = keyText(base.root, base.path);
        for (std::size_t j = i; j < parts.size(); ++j) created += "\\" + parts[j];
        if (!admit("create key " + created)) return kErrorAccessDenied;
      }
      creating = true;
      auto fresh = std::make_unique<Node>();
      fresh->name = part;
      next = fresh.get();
      node->children[folded] = std::move(fresh);
    }
    base.path.push_back(folded);
    node = next;
  }
  base.access = access;
  *result = nextHandle_;
  nextHandle_ += 4;
  handles_[*result] = base;
  return kErrorSuccess;
}

Status MemoryRegistry::openKey(HKey parent, const std::string& path, std::uint32_t access,
                               HKey* result) {
  return open(parent, path, access, false, result);
}

Status MemoryRegistry::createKey(HKey parent, const std::string& path, std::uint32_t access,
                                 HKey* result) {
  return open(parent, path, access, true, result);
}

Status MemoryRegistry::queryValue(HKey key, const std::string& name, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  if (!(h.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (data && !size) return kErrorInvalidParameter;
  const Value* v = node->value(name);
  if (!v) return kErrorFileNotFound;
  if (type) *type = v->type;
  const auto length = static_cast<std::uint32_t>(v->data.size());
  if (!data) {
    if (size) *size = length;
    return kErrorSuccess;
  }
  if (*size < length) {
    *size = length;
    return kErrorMoreData;
  }
  if (length) std::memcpy(data, v->data.data(), length);
  *size = length;
  return kErrorSuccess;
}

Status MemoryRegistry::checkWrite(const Handle& h, bool* failNow) {
  *failNow = false;
  if (!(h.access & kKeySetValue) || readOnlyRoots_.count(h.root)) return kErrorAccessDenied;
  if (failAt_ && --failAt_ == 0) *failNow = true;
  return kErrorSuccess;
}

Status MemoryRegistry::setValue(HKey key, const std::string& name, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  if (size && !data) return kErrorInvalidParameter;
  bool failNow = false;
  if (const Status s = checkWrite(h, &failNow); s != kErrorSuccess) return s;
  if (failNow) return kErrorAccessDenied;
  if (!refusedValue_.empty() && equalsNoCase(name, refusedValue_)) return kErrorAccessDenied;
  if (!admit("set " + keyText(h.root, h.path) + "\\" + name + " = " + describeData(type, data, size)))
    return kErrorAccessDenied;
  Value* v = node->value(name);
  if (!v) {
    node->values.push_back(Value{name, type, {}});
    v = &node->values.back();
  }
  v->type = type;
  v->data.assign(data, data + size);
  ++writes_;
  return kErrorSuccess;
}

Status MemoryRegistry::deleteValue(HKey key, const std::string& name) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  if (!(h.access & kKeySetValue) || readOnlyRoots_.count(h.root)) return kErrorAccessDenied;
  auto& vals = node->values;
  const auto it = std::find_if(vals.begin(), vals.end(),
                               [&](const Value& v) { return equalsNoCase(v.name, name); });
  if (it == vals.end()) return kErrorFileNotFound;
  if (!admit("delete value " + keyText(h.root, h.path) + "\\" + it->name))
    return kErrorAccessDenied;
  vals.erase(it);
  return kErrorSuccess;
}

Status MemoryRegistry::deleteKey(HKey parent, const std::string& path) {
  Handle base;
  if (!handleFor(parent, &base)) return kErrorInvalidHandle;
  std::vector<std::string> parts;
  if (!splitPath(path, &parts)) return kErrorBadPathname;
  for (const auto& part : parts) base.path.push_back(foldCase(part));
  if (base.path.empty()) return kErrorAccessDenied;  // a root cannot go
  Node* node = resolve(base);
  if (!node) return kErrorFileNotFound;
  if (readOnlyRoots_.count(base.root)) return kErrorAccessDenied;
  if (!node->children.empty()) return kErrorAccessDenied;
  if (!admit("delete key " + keyText(base.root, base.path))) return kErrorAccessDenied;
  const std::string last = base.path.back();
  base.path.pop_back();
  resolve(base)->children.erase(last);
  return kErrorSuccess;
}

Status MemoryRegistry::enumKey(HKey key, std::uint32_t index, std::string* name) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  if (!(h.access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  if (index >= node->children.size()) return kErrorNoMoreItems;
  auto it = node->children.begin();
  std::advance(it, index);
  *name = it->second->name;
  return kErrorSuccess;
}

Status MemoryRegistry::enumValue(HKey key, std::uint32_t index, std::string* name,
                                 std::uint32_t* type, std::vector<std::uint8_t>* data) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  const Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  if (!(h.access & kKeyQueryValue)) return kErrorAccessDenied;
  if (index >= node->values.size()) return kErrorNoMoreItems;
  const Value& v = node->values[index];
  if (name) *name = v.name;
  if (type) *type = v.type;
  if (data) *data = v.data;
  return kErrorSuccess;
}

Status MemoryRegistry::queryInfoKey(HKey key, KeyInfo* info) {
  Handle h;
  if (!handleFor(key, &h)) return kErrorInvalidHandle;
  const Node* node = resolve(h);
  if (!node) return kErrorKeyDeleted;
  *info = KeyInfo{};
  info->subKeys = static_cast<std::uint32_t>(node->children.size());
  for (const auto& [folded, child] : node->children)
    info->maxSubKeyLen = std::max<std::uint32_t>(info->maxSubKeyLen,
                                                 static_cast<std::uint32_t>(folded.size()));
  info->values = static_cast<std::uint32_t>(node->values.size());
  for (const auto& v : node->values) {
    info->maxValueNameLen =
        std::max<std::uint32_t>(info->maxValueNameLen, static_cast<std::uint32_t>(v.name.size()));
    info->maxValueLen =
        std::max<std::uint32_t>(info->maxValueLen, static_cast<std::uint32_t>(v.data.size()));
  }
  return kErrorSuccess;
}

Status MemoryRegistry::closeKey(HKey key) {
  if (isPredefined(key)) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

void MemoryRegistry::setReadOnly(HKey root, bool readOnly) {
  if (readOnly)
    readOnlyRoots_.insert(root);
  else
    readOnlyRoots_.erase(root);
}

void MemoryRegistry::failWrite(unsigned n) { failAt_ = n; }

void MemoryRegistry::refuseWritesOf(const std::string& valueName) { refusedValue_ = valueName; }

}  // namespace kl::platform
