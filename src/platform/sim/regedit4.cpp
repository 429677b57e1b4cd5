// REGEDIT4 text for the in-memory registry: the same format seeds the Wine
// prefixes, so a fixture can be loaded into either registry. Saving uses the
// program's own writer, the one that writes the driver-key backup.
#include "platform/regedit4.h"

#include <cstdlib>

#include "platform/error.h"
#include "platform/sim/memory_registry.h"
#include "platform/sim/memory_registry_node.h"
#include "platform/text_util.h"

namespace kl::platform {
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

HKey splitKeyName(const std::string& full, std::string* rest) {
  const auto slash = full.find('\\');
  *rest = slash == std::string::npos ? std::string() : full.substr(slash + 1);
  return rootKeyNamed(full.substr(0, slash));
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
bool parseData(const std::string& s, MemoryRegistry::Value* v) {
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

}  // namespace

void MemoryRegistry::loadRegedit4(const std::string& text) {
  // Loading a fixture is not part of what a test observes: however the load
  // ends, also on malformed text, the write counters are as they were, no
  // write of the load was logged or could be made to fail, and no key stays
  // open.
  struct Restore {
    MemoryRegistry& registry;
    unsigned writes, failAt;
    WriteFaults* faults;
    HKey current = 0;
    ~Restore() {
      if (current) registry.closeKey(current);
      registry.writes_ = writes;
      registry.failAt_ = failAt;
      registry.faults_ = faults;
    }
  } restore{*this, writes_, failAt_, faults_};
  failAt_ = 0;
  faults_ = nullptr;
  const auto lines = logicalLines(text);
  bool headerSeen = false;
  HKey& current = restore.current;
  for (const auto& [lineNo, raw] : lines) {
    const std::string line = trimSpaces(raw);
    if (line.empty() || line[0] == ';') continue;
    if (!headerSeen) {
      if (line != "REGEDIT4") malformed(lineNo, "expected REGEDIT4");
      headerSeen = true;
      continue;
    }
    if (line[0] == '[') {
      if (current) closeKey(current);
      current = 0;
      if (line.back() != ']') malformed(lineNo, "unterminated key name");
      const bool remove = line[1] == '-';
      std::string path;
      const HKey root = splitKeyName(line.substr(remove ? 2 : 1, line.size() - (remove ? 3 : 2)), &path);
      if (!root) malformed(lineNo, "unknown root key");
      if (remove) {
        Handle h{root, {}, kKeyAllAccess};
        for (const auto& p : splitText(path, '\\'))
          if (!p.empty()) h.path.push_back(foldCase(p));
        const std::string last = h.path.empty() ? std::string() : h.path.back();
        if (!h.path.empty()) h.path.pop_back();
        if (Node* parent = resolve(h)) parent->children.erase(last);
      } else if (createKey(root, path, kKeyAllAccess, &current) != kErrorSuccess) {
        malformed(lineNo, "cannot create key");
      }
      continue;
    }
    if (!current) malformed(lineNo, "value outside a key");
    std::string name;
    std::size_t pos = 1;
    if (line[0] == '@') {
      name.clear();
    } else if (line[0] != '"' || !parseQuoted(line, &(pos = 0), &name)) {
      malformed(lineNo, "bad value name");
    }
    const std::string rest = trimSpaces(line.substr(pos));
    if (rest.empty() || rest[0] != '=') malformed(lineNo, "expected '='");
    const std::string data = trimSpaces(rest.substr(1));
    if (data == "-") {
      deleteValue(current, name);
      continue;
    }
    Value v;
    if (!parseData(data, &v)) malformed(lineNo, "bad value data");
    setValue(current, name, v.type, v.data.data(), static_cast<std::uint32_t>(v.data.size()));
  }
}

std::string MemoryRegistry::saveRegedit4() {
  Regedit4Writer writer(*this, LineEnd::Lf);
  for (const HKey root : kRegedit4Roots)
    for (const auto& [folded, child] : rootNode(root)->children) writer.addKey(root, child->name);
  return writer.text();
}

}  // namespace kl::platform
