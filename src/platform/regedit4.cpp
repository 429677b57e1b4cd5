#include "platform/regedit4.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/error.h"
#include "platform/text_util.h"

namespace kl::platform {
namespace {

struct RootName {
  HKey key;
  const char* name;
};
constexpr RootName kRootNames[] = {
    {kHkeyClassesRoot, "HKEY_CLASSES_ROOT"},
    {kHkeyCurrentUser, "HKEY_CURRENT_USER"},
    {kHkeyLocalMachine, "HKEY_LOCAL_MACHINE"},
    {kHkeyUsers, "HKEY_USERS"},
};

// regedit keeps hex lines within 80 columns: a line that has grown past 76
// characters ends after its comma with a backslash, and the next starts with
// two blanks.
constexpr std::size_t kWrapColumn = 76;

// Closes a key on every way out of a scope.
class OpenKey {
 public:
  OpenKey(Registry& registry, HKey key) : registry_(registry), key_(key) {}
  ~OpenKey() { registry_.closeKey(key_); }
  OpenKey(const OpenKey&) = delete;
  OpenKey& operator=(const OpenKey&) = delete;
  HKey get() const { return key_; }

 private:
  Registry& registry_;
  HKey key_;
};

[[noreturn]] void unreadable(const std::string& key, Status status) {
  throw Error("The registry key " + key + " could not be read (error " + std::to_string(status) +
              ").");
}

// Why the format cannot hold the name `s`, or null when it can: a line
// ends the name, and an importer reads each line as a C string.
const char* unwritable(const std::string& s) {
  if (s.find_first_of("\r\n") != std::string::npos) return "a line break";
  if (s.find('\0') != std::string::npos) return "a NUL character";
  return nullptr;
}

// The name as a message can show it: line breaks and NULs spelt out.
std::string shown(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else if (c == '\0')
      out += "\\0";
    else
      out += c;
  }
  return out;
}

std::string quote(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + '"';
}

// A REG_SZ whose bytes a quoted string gives back exactly.
bool isPlainText(std::uint32_t type, const std::vector<std::uint8_t>& d) {
  if (type != kRegSz || d.empty() || d.back() != 0) return false;
  const auto end = d.end() - 1;
  return std::find(d.begin(), end, 0) == end && std::find(d.begin(), end, '\n') == end &&
         std::find(d.begin(), end, '\r') == end;
}

}  // namespace

const char* rootKeyName(HKey root) {
  for (const auto& r : kRootNames)
    if (r.key == root) return r.name;
  return "";
}

HKey rootKeyNamed(const std::string& name) {
  for (const auto& r : kRootNames)
    if (equalsNoCase(name, r.name)) return r.key;
  return 0;
}

Regedit4Writer::Regedit4Writer(Registry& registry, LineEnd lineEnd)
    : registry_(registry), eol_(lineEnd == LineEnd::CrLf ? "\r\n" : "\n") {}

std::string Regedit4Writer::text() const { return "REGEDIT4" + eol_ + eol_ + body_; }

bool Regedit4Writer::addKey(HKey root, const std::string& path) {
  const std::string rootName = rootKeyName(root);
  HKey key = 0;
  const Status s = registry_.openKey(root, path, kKeyRead, &key);
  if (s == kErrorFileNotFound) return false;
  if (s != kErrorSuccess) unreadable(rootName + '\\' + path, s);
  OpenKey open(registry_, key);
  const std::string stored = storedPath(root, path);
  // Build the whole subtree first, so a failure part way appends nothing.
  std::string saved;
  saved.swap(body_);
  try {
    writeKey(key, stored.empty() ? rootName : rootName + '\\' + stored);
  } catch (...) {
    body_.swap(saved);
    throw;
  }
  body_ = saved + body_;
  return true;
}

// The path with each name spelt as the registry stores it, so that an import
// recreates the keys with their own case.
std::string Regedit4Writer::storedPath(HKey root, const std::string& path) {
  std::string result;
  HKey parent = root;
  std::vector<std::unique_ptr<OpenKey>> opened;
  for (const auto& part : splitText(path, '\\')) {
    if (part.empty()) continue;
    std::string stored = part, name;
    for (std::uint32_t i = 0; registry_.enumKey(parent, i, &name) == kErrorSuccess; ++i)
      if (equalsNoCase(name, part)) {
        stored = name;
        break;
      }
    result += (result.empty() ? "" : "\\") + stored;
    HKey child = 0;
    if (registry_.openKey(parent, part, kKeyRead, &child) != kErrorSuccess) break;
    opened.push_back(std::make_unique<OpenKey>(registry_, child));
    parent = child;
  }
  return result;
}

void Regedit4Writer::writeKey(HKey key, const std::string& fullName) {
  if (const char* why = unwritable(fullName))
    throw Regedit4Unwritable("The registry key " + shown(fullName) + " has " + why +
                             " in its name, which a REGEDIT4 file cannot hold.");
  body_ += '[' + fullName + ']' + eol_;
  std::string name;
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  Status s = kErrorSuccess;
  for (std::uint32_t i = 0; (s = registry_.enumValue(key, i, &name, &type, &data)) == kErrorSuccess;
       ++i) {
    if (const char* why = unwritable(name))
      throw Regedit4Unwritable("The value \"" + shown(name) + "\" of the registry key " +
                               shown(fullName) + " has " + why +
                               " in its name, which a REGEDIT4 file cannot hold.");
    writeValue(name, type, data);
  }
  if (s != kErrorNoMoreItems) unreadable(fullName, s);
  body_ += eol_;

  std::vector<std::string> children;
  for (std::uint32_t i = 0; (s = registry_.enumKey(key, i, &name)) == kErrorSuccess; ++i)
    children.push_back(name);
  if (s != kErrorNoMoreItems) unreadable(fullName, s);
  for (const auto& child : children) {
    const std::string childName = fullName + '\\' + child;
    HKey sub = 0;
    if ((s = registry_.openKey(key, child, kKeyRead, &sub)) != kErrorSuccess)
      unreadable(childName, s);
    OpenKey open(registry_, sub);
    writeKey(sub, childName);
  }
}

void Regedit4Writer::writeValue(const std::string& name, std::uint32_t type,
                                const std::vector<std::uint8_t>& data) {
  std::string line = (name.empty() ? std::string("@") : quote(name)) + '=';
  if (isPlainText(type, data)) {
    body_ += line + quote(std::string(data.begin(), data.end() - 1)) + eol_;
    return;
  }
  if (type == kRegDword && data.size() == 4) {
    body_ += line +
             formatText("dword:%08x", data[0] | data[1] << 8 | data[2] << 16 |
                                          static_cast<unsigned>(data[3]) << 24) +
             eol_;
    return;
  }
  if (type == kRegBinary)
    line += "hex:";
  else
    line += formatText("hex(%x):", static_cast<unsigned>(type));
  for (std::size_t i = 0; i < data.size(); ++i) {
    static const char kDigits[] = "0123456789abcdef";
    line += kDigits[data[i] >> 4];
    line += kDigits[data[i] & 15];
    if (i + 1 == data.size()) break;
    line += ',';
    if (line.size() > kWrapColumn) {
      body_ += line + '\\' + eol_;
      line = "  ";
    }
  }
  body_ += line + eol_;
}

std::string exportKeys(Registry& registry, HKey root, const std::vector<std::string>& paths,
                       LineEnd lineEnd) {
  Regedit4Writer writer(registry, lineEnd);
  for (const auto& path : paths) writer.addKey(root, path);
  return writer.text();
}

}  // namespace kl::platform
