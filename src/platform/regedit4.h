#pragma once
// REGEDIT4 files: the export of keys with their whole subtrees, or of some
// values of one key, as the text that regedit ("regedit /s file.reg") and
// the program's own import give back exactly: the same keys, values, types
// and bytes.
//
// Text values are written quoted only when that reads back byte for byte
// (one terminating NUL, no other NUL, no line break); any other REG_SZ is
// written as hex(1):, a REG_DWORD of other than four bytes as hex(4):.
// Long hex data is wrapped as regedit wraps it, with "\" at the line end.
//
// A name the format cannot hold, a key or value name with a line break or
// a NUL character, is never written: no import would give it back.
#include <functional>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/registry.h"

namespace kl::platform {

// Raised by the writer for a key whose subtree holds a name the format
// cannot hold; the text names the key and says what is in the name.
class Regedit4Unwritable : public Error {
 public:
  using Error::Error;
};

enum class LineEnd { CrLf, Lf };

// The predefined roots a REGEDIT4 file names.
constexpr HKey kRegedit4Roots[] = {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine,
                                   kHkeyUsers};
// "HKEY_LOCAL_MACHINE" and the other predefined roots' names; "" for any
// other handle.
const char* rootKeyName(HKey root);
// The root of that name, in any case; 0 for any other name.
HKey rootKeyNamed(const std::string& name);

class Regedit4Writer {
 public:
  explicit Regedit4Writer(Registry& registry, LineEnd lineEnd = LineEnd::CrLf);

  // Appends the key `path` below `root` and everything below it, with key
  // names as the registry stores them. False, appending nothing, when the
  // key does not exist. Raises kl::Error naming the key when a key that
  // exists cannot be read completely: a partial export is never taken for
  // a whole one; Regedit4Unwritable, appending nothing, when a name below
  // it cannot be written.
  bool addKey(HKey root, const std::string& path);
  // Appends the key `path` below `root` with only the values of `names`, in
  // that order; a value that is absent is written as deleted ("name"=-), so
  // an import gives back its absence too. False, appending nothing, when the
  // key does not exist. Raises kl::Error naming the key when it cannot be
  // read.
  bool addValues(HKey root, const std::string& path, const std::vector<std::string>& names);
  // "REGEDIT4", a blank line, then the keys added so far.
  std::string text() const;
  bool empty() const { return body_.empty(); }

 private:
  bool append(HKey root, const std::string& path,
              const std::function<void(HKey, const std::string&)>& write);
  void writeKey(HKey key, const std::string& fullName);
  void writeValue(const std::string& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data);
  std::string storedPath(HKey root, const std::string& path);

  Registry& registry_;
  std::string eol_;
  std::string body_;
};

// The keys of `paths` below `root`, as one REGEDIT4 text; keys that do not
// exist are left out. Raises as Regedit4Writer::addKey does.
// A REGEDIT4 text as read: its keys in order, each with its values.
struct Regedit4Value {
  std::string name;  // "" is the key's default value ("@")
  bool remove = false;  // "name"=-
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  int line = 0;  // where the text gives it
};
struct Regedit4Key {
  HKey root = 0;
  std::string path;
  bool remove = false;  // [-key]: the key with everything below it
  std::vector<Regedit4Value> values;
  int line = 0;
};

// Reads the whole text before anything is written. Raises kl::Error
// "REGEDIT4 line <n>: <why>" for text that is not REGEDIT4 or has a line it
// cannot read.
std::vector<Regedit4Key> parseRegedit4(const std::string& text);
// Writes the keys in order, as regedit imports them: keys are created, values
// set or deleted, [-key] deleted with its subtree. Raises kl::Error
// "REGEDIT4 line <n>: ..." naming the key when the registry refuses a key or
// a value; what was written before stays.
void importRegedit4(Registry& registry, const std::vector<Regedit4Key>& keys);

// Deletes the subkey `name` of `parent` with its subtree, from the last
// subkey to the first (an index whose name cannot be read is skipped).
// True when the key itself was deleted. An empty name, or one with a
// backslash, deletes nothing.
bool deleteKeyTree(Registry& registry, HKey parent, const std::string& name);

std::string exportKeys(Registry& registry, HKey root, const std::vector<std::string>& paths,
                       LineEnd lineEnd = LineEnd::CrLf);

}  // namespace kl::platform
