#include "platform/sim/ini_engine.h"
#include "platform/sim/native_files.h"

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/text_util.h"

namespace kl::platform {
namespace {

struct Line {
  Line(std::string t = std::string()) : text(std::move(t)) {}
  std::string text;
  bool isSection = false;
  bool isKey = false;
  bool hasValue = false;  // a key line without '=' is a key without value
  std::string name;       // section name or key, trimmed
  std::string value;      // trimmed
};

// Every non-blank line that is not a section header is a key, comment-looking
// ones included, as the platform reads them.
Line parseLine(const std::string& text) {
  Line line(text);
  const std::string t = trimSpaces(text);
  if (t.empty()) return line;
  if (t[0] == '[') {
    const auto close = t.find(']');
    line.isSection = true;
    line.name = trimSpaces(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
    return line;
  }
  const auto eq = t.find('=');
  line.isKey = true;
  line.hasValue = eq != std::string::npos;
  line.name = trimSpaces(t.substr(0, eq));
  if (line.hasValue) line.value = trimSpaces(t.substr(eq + 1));
  return line;
}

std::vector<Line> parseText(std::string text) {
  std::vector<Line> lines;
  if (!text.empty() && text.back() == '\n') text.pop_back();
  if (text.empty()) return lines;
  for (auto raw : splitText(text, '\n')) {
    if (!raw.empty() && raw.back() == '\r') raw.pop_back();
    lines.push_back(parseLine(raw));
  }
  return lines;
}

// The body of the first section of that name: lines [begin, end). Keys in
// front of the first header form the section with the empty name.
struct Body {
  std::size_t begin = 0, end = 0;
};

bool findSection(const std::vector<Line>& lines, const std::string& section, Body* body) {
  std::size_t i = 0;
  if (!section.empty()) {
    while (i < lines.size() && !(lines[i].isSection && equalsNoCase(lines[i].name, section))) ++i;
    if (i == lines.size()) return false;
    ++i;
  }
  body->begin = i;
  while (i < lines.size() && !lines[i].isSection) ++i;
  body->end = i;
  return true;
}

long findKey(const std::vector<Line>& lines, const Body& body, const std::string& key) {
  for (std::size_t i = body.begin; i < body.end; ++i)
    if (lines[i].isKey && equalsNoCase(lines[i].name, key)) return static_cast<long>(i);
  return -1;
}

std::string unquote(const std::string& v) {
  if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

struct IniEngine::Parsed {
  std::string file;
  std::string text;
  std::vector<Line> lines;
};

IniEngine::IniEngine() = default;
IniEngine::~IniEngine() = default;

const IniEngine::Parsed* IniEngine::parsed(const std::string& file) {
  std::string text;
  if (!readText(file, &text)) return nullptr;
  if (!last_ || last_->file != file || last_->text != text) {
    std::vector<Line> lines = parseText(text);
    last_ = std::make_unique<Parsed>(Parsed{file, std::move(text), std::move(lines)});
  }
  return last_.get();
}

std::string IniEngine::getString(const std::string& section, const std::string& key,
                                 const std::string& fallback, const std::string& file) {
  Body body;
  std::string result = trimSpaces(fallback);
  const Parsed* p = parsed(file);
  if (p && findSection(p->lines, section, &body)) {
    const long at = findKey(p->lines, body, key);
    if (at >= 0 && p->lines[at].hasValue) result = unquote(p->lines[at].value);
  }
  // The platform hands the value over as a C string: it ends at a NUL byte.
  result.resize(std::min(result.find('\0'), result.size()));
  if (result.size() >= kProfileBufferChars) result.resize(kProfileBufferChars - 1);
  return result;
}

bool IniEngine::writeString(const std::string& section, const std::string& key,
                            const std::string& value, const std::string& file) {
  if (!writable(file)) return false;
  if (faults_ && !faults_->admit("profile " + file + " [" + section + "] " + key + "=" + value))
    return false;
  if (!parsed(file)) last_ = std::make_unique<Parsed>(Parsed{file, std::string(), {}});
  // The lines are changed in place and stay the parse of the text written,
  // unless a line break in the new text splits a line differently.
  std::vector<Line>& lines = last_->lines;
  Body body;
  if (!findSection(lines, section, &body)) {
    if (!lines.empty()) lines.emplace_back("");
    lines.push_back(parseLine("[" + section + "]"));
    lines.push_back(parseLine(key + "=" + value));
  } else if (const long at = findKey(lines, body, key); at >= 0) {
    lines[at] = parseLine(lines[at].name + "=" + value);  // keeps the stored spelling
  } else {
    std::size_t insertAt = body.begin;
    for (std::size_t i = body.begin; i < body.end; ++i)
      if (lines[i].isKey) insertAt = i + 1;
    lines.insert(lines.begin() + static_cast<long>(insertAt), parseLine(key + "=" + value));
  }
  std::size_t length = 0;
  for (const auto& line : lines) length += line.text.size() + 2;
  std::string text;
  text.reserve(length);
  for (const auto& line : lines) text.append(line.text).append("\r\n");
  const bool written = writeText(file, text);
  if (written && (section + key + value).find_first_of("\r\n") == std::string::npos)
    last_->text = std::move(text);
  else
    last_.reset();  // the next read parses what is in the file now
  return written;
}

bool IniEngine::exists(const std::string& file) {
  struct stat st {};
  return stat(hostFileName(file).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IniEngine::readText(const std::string& file, std::string* text) {
  std::ifstream in(hostFileName(file), std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

bool IniEngine::writeText(const std::string& file, const std::string& text) {
  std::ofstream out(hostFileName(file), std::ios::binary | std::ios::trunc);
  out << text;
  return static_cast<bool>(out.flush());
}

bool IniEngine::writable(const std::string& file) {
  struct stat st {};
  if (stat(hostFileName(file).c_str(), &st) != 0) return true;  // a new file
  return S_ISREG(st.st_mode) && (st.st_mode & S_IWUSR);
}

}  // namespace kl::platform
