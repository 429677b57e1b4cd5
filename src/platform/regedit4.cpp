#include "platform/regedit4.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
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

// Opens the key and appends what `write` writes of it, given the key and its
// full name; on a failure part way nothing is appended.
bool Regedit4Writer::append(HKey root, const std::string& path,
                            const std::function<void(HKey, const std::string&)>& write) {
  const std::string rootName = rootKeyName(root);
  HKey key = 0;
  const Status s = registry_.openKey(root, path, kKeyRead, &key);
  if (s == kErrorFileNotFound) return false;
  if (s != kErrorSuccess) unreadable(rootName + '\\' + path, s);
  OpenKey open(registry_, key);
  const std::string stored = storedPath(root, path);
  std::string saved;
  saved.swap(body_);
  try {
    write(key, stored.empty() ? rootName : rootName + '\\' + stored);
  } catch (...) {
    body_.swap(saved);
    throw;
  }
  body_ = saved + body_;
  return true;
}

bool Regedit4Writer::addKey(HKey root, const std::string& path) {
  return append(root, path, [this](HKey key, const std::string& name) { writeKey(key, name); });
}

bool Regedit4Writer::addValues(HKey root, const std::string& path,
                               const std::vector<std::string>& names) {
  return append(root, path, [&](HKey key, const std::string& fullName) {
    body_ += '[' + fullName + ']' + eol_;
    for (const std::string& name : names) {
      std::uint32_t type = 0, size = 0;
      Status q = registry_.queryValue(key, name, &type, nullptr, &size);
      if (q == kErrorFileNotFound) {
        body_ += (name.empty() ? std::string("@") : quote(name)) + "=-" + eol_;
        continue;
      }
      std::vector<std::uint8_t> data(size);
      if (q == kErrorSuccess && size > 0)
        q = registry_.queryValue(key, name, &type, data.data(), &size);
      if (q != kErrorSuccess) unreadable(fullName, q);
      data.resize(size);
      writeValue(name, type, data);
    }
    body_ += eol_;
  });
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

// ---- reading

namespace {

[[noreturn]] void malformed(int line, const std::string& why) {
  throw Error("REGEDIT4 line " + std::to_string(line) + ": " + why);
}

// Joins continuation lines (a trailing backslash) and drops CRs.
std::vector<std::pair<int, std::string>> logicalLines(const std::string& text) {
  std::vector<std::pair<int, std::string>> lines;
  std::string pending;
  int startLine = 0, lineNo = 0;
  for (auto raw : splitText(text, '\n')) {
    ++lineNo;
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    if (pending.empty()) startLine = lineNo;
    const std::string trimmed = trimSpaces(raw);
    const bool continues = !trimmed.empty() && trimmed.back() == '\\' &&
                           (!pending.empty() || trimmed.find("=hex") != std::string::npos);
    if (continues)
      pending += trimmed.substr(0, trimmed.size() - 1);
    else
      pending += pending.empty() ? raw : trimmed;
    if (!continues) {
      lines.emplace_back(startLine, pending);
      pending.clear();
    }
  }
  if (!pending.empty()) lines.emplace_back(startLine, pending);
  return lines;
}

// Parses a quoted name or value starting at s[*pos] == '"'; leaves *pos after
// the closing quote.
bool parseQuoted(const std::string& s, std::size_t* pos, std::string* out) {
  out->clear();
  for (std::size_t i = *pos + 1; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size()) {
      const char next = s[++i];
      *out += next == 'n' ? '\n' : next;
    } else if (s[i] == '"') {
      *pos = i + 1;
      return true;
    } else {
      *out += s[i];
    }
  }
  return false;
}

bool parseHexBytes(const std::string& s, std::vector<std::uint8_t>* out) {
  for (const auto& part : splitText(s, ',')) {
    const std::string byte = trimSpaces(part);
    if (byte.empty()) continue;
    if (byte.size() > 2) return false;
    char* end = nullptr;
    const long v = std::strtol(byte.c_str(), &end, 16);
    if (*end) return false;
    out->push_back(static_cast<std::uint8_t>(v));
  }
  return true;
}

// Turns the text after '=' into a typed value; false when malformed.
bool parseData(const std::string& s, Regedit4Value* v) {
  if (!s.empty() && s[0] == '"') {
    std::size_t pos = 0;
    std::string text;
    if (!parseQuoted(s, &pos, &text) || !trimSpaces(s.substr(pos)).empty()) return false;
    v->type = kRegSz;
    v->data.assign(text.begin(), text.end());
    v->data.push_back(0);
    return true;
  }
  if (s.rfind("dword:", 0) == 0) {
    const std::string digits = s.substr(6);
    char* end = nullptr;
    const unsigned long d = std::strtoul(digits.c_str(), &end, 16);
    if (digits.empty() || digits.size() > 8 || *end) return false;
    v->type = kRegDword;
    v->data = {static_cast<std::uint8_t>(d), static_cast<std::uint8_t>(d >> 8),
               static_cast<std::uint8_t>(d >> 16), static_cast<std::uint8_t>(d >> 24)};
    return true;
  }
  std::size_t colon = s.find(':');
  if (s.rfind("hex:", 0) == 0) {
    v->type = kRegBinary;
  } else if (s.rfind("hex(", 0) == 0 && s.find("):") != std::string::npos) {
    v->type = static_cast<std::uint32_t>(std::strtoul(s.c_str() + 4, nullptr, 16));
    colon = s.find("):") + 1;
  } else {
    return false;
  }
  return parseHexBytes(s.substr(colon + 1), &v->data);
}

Regedit4Key parseKeyLine(int lineNo, const std::string& line) {
  if (line.back() != ']') malformed(lineNo, "unterminated key name");
  Regedit4Key key;
  key.line = lineNo;
  key.remove = line.size() > 1 && line[1] == '-';
  const std::size_t from = key.remove ? 2 : 1;
  const std::string full = line.substr(from, line.size() - from - 1);
  const auto slash = full.find('\\');
  key.path = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  key.root = rootKeyNamed(full.substr(0, slash));
  if (!key.root) malformed(lineNo, "unknown root key");
  return key;
}

Regedit4Value parseValueLine(int lineNo, const std::string& line) {
  Regedit4Value value;
  value.line = lineNo;
  std::size_t pos = 1;
  if (line[0] != '@' && (line[0] != '"' || !parseQuoted(line, &(pos = 0), &value.name)))
    malformed(lineNo, "bad value name");
  const std::string rest = trimSpaces(line.substr(pos));
  if (rest.empty() || rest[0] != '=') malformed(lineNo, "expected '='");
  const std::string data = trimSpaces(rest.substr(1));
  value.remove = data == "-";
  if (!value.remove && !parseData(data, &value)) malformed(lineNo, "bad value data");
  return value;
}

[[noreturn]] void refused(const Regedit4Key& key, int line, const std::string& what,
                          Status status) {
  throw Error("REGEDIT4 line " + std::to_string(line) + ": " + what + "the registry key " + rootKeyName(key.root) +
              (key.path.empty() ? "" : "\\" + key.path) + " could not be written (error " +
              std::to_string(status) + ").");
}

void deleteKeyOf(Registry& registry, const Regedit4Key& key) {
  std::vector<std::string> parts;
  for (const auto& p : splitText(key.path, '\\'))
    if (!p.empty()) parts.push_back(p);
  if (parts.empty()) return;  // a root is never deleted
  const std::string last = parts.back();
  parts.pop_back();
  std::string parentPath;
  for (const auto& p : parts) parentPath += (parentPath.empty() ? "" : "\\") + p;
  HKey parent = 0;
  if (registry.openKey(key.root, parentPath, kKeyAllAccess, &parent) != kErrorSuccess) return;
  OpenKey open(registry, parent);
  deleteKeyTree(registry, parent, last);
}

}  // namespace

std::vector<Regedit4Key> parseRegedit4(const std::string& text) {
  std::vector<Regedit4Key> keys;
  bool headerSeen = false;
  for (const auto& [lineNo, raw] : logicalLines(text)) {
    const std::string line = trimSpaces(raw);
    if (line.empty() || line[0] == ';') continue;
    if (!headerSeen) {
      if (line != "REGEDIT4") malformed(lineNo, "expected REGEDIT4");
      headerSeen = true;
    } else if (line[0] == '[') {
      keys.push_back(parseKeyLine(lineNo, line));
    } else if (keys.empty() || keys.back().remove) {
      malformed(lineNo, "value outside a key");
    } else {
      keys.back().values.push_back(parseValueLine(lineNo, line));
    }
  }
  return keys;
}

void importRegedit4(Registry& registry, const std::vector<Regedit4Key>& keys) {
  for (const Regedit4Key& key : keys) {
    if (key.remove) {
      deleteKeyOf(registry, key);
      continue;
    }
    HKey handle = 0;
    const Status made = registry.createKey(key.root, key.path, kKeyAllAccess, &handle);
    if (made != kErrorSuccess) refused(key, key.line, "", made);
    OpenKey open(registry, handle);
    for (const Regedit4Value& v : key.values) {
      const Status s = v.remove ? registry.deleteValue(handle, v.name)
                                : registry.setValue(handle, v.name, v.type, v.data.data(),
                                                    static_cast<std::uint32_t>(v.data.size()));
      if (s != kErrorSuccess && !(v.remove && s == kErrorFileNotFound))
        refused(key, v.line, "the value \"" + v.name + "\" of ", s);
    }
  }
}

bool deleteKeyTree(Registry& registry, HKey parent, const std::string& name) {
  if (name.empty() || name.find('\\') != std::string::npos) return false;
  HKey key = 0;
  if (registry.openKey(parent, name, kKeyAllAccess, &key) == kErrorSuccess) {
    KeyInfo info;
    if (registry.queryInfoKey(key, &info) == kErrorSuccess) {
      // From the last index down, so each deletion leaves the lower indexes
      // in place.
      std::string child;
      for (std::uint32_t i = info.subKeys; i-- > 0;)
        if (registry.enumKey(key, i, &child) == kErrorSuccess) deleteKeyTree(registry, key, child);
    }
    registry.closeKey(key);
  }
  return registry.deleteKey(parent, name) == kErrorSuccess;
}

std::string exportKeys(Registry& registry, HKey root, const std::vector<std::string>& paths,
                       LineEnd lineEnd) {
  Regedit4Writer writer(registry, lineEnd);
  for (const auto& path : paths) writer.addKey(root, path);
  return writer.text();
}

}  // namespace kl::platform
